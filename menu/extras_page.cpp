// The Extras page. Each row is emitted every frame (some only in the states where they mean
// something) and acts at once; a row that closes the menu or raises a dialog ends the frame.
#include "menu/extras_page.h"

#include <cstdio>
#include <cstring>

#include "frontend/frontend_state.h"
#include "frontend/messages.h"
#include "frontend/movies.h"
#include "frontend/rewind.h"
#include "frontend/screenshot.h"
#include "menu/menu_toolkit.h"
#include "menu/setting_rows.h"
#include "ui/text.h"
#include "ui/text_fit.h"

// The data folder as the value of its row. Values are drawn right-aligned; a path longer than
// the room beside the label would run over it, so it is cut from the left ("...") at a folder
// boundary where one fits: the end of a path is what tells it apart.
static void extras_folder_value(const char* label, char* out, size_t out_size) {
  const int32_t room = fe.menu.list_width - menu_units(8) - text_measure(label, menu_units(24)) -
                       menu_units(24) - menu_units(16);
  if (room <= 0) {
    snprintf(out, out_size, "%.*s", int(out_size - 1), fe.data_dir);
    return;
  }
  text_cut_path(fe.data_dir, menu_units(22), room, out, out_size);
}

// An On/Off row that flips on activation or on any step.
static void extras_toggle(const char* label, int32_t* setting) {
  int32_t step = 0;
  const int activated = menu_item(label, menu_on_off(*setting), 1, &step, nullptr);
  if (menu_row_step(activated, step)) *setting = !*setting;
}

static void extras_rewind_rows() {
  frontend_settings* s = &fe.settings;
  const int32_t supported = fe.feature_enabled[FEATURE_REWIND];
  char value[160];

  int32_t step = 0;
  snprintf(value, sizeof value, "%s", supported ? menu_on_off(s->rewind) : "Unsupported");
  const int rewind_chosen = menu_item("Rewind", value, supported, &step,
                                      "Hold the Rewind hotkey (Backspace) to step back in time.");
  if (menu_row_step(rewind_chosen, step)) {
    s->rewind = !s->rewind;
    // A stopped game's snapshots go too: a later Continue must not step back into them.
    if (fe.running) {
      reset_rewind_ring();
    } else {
      free_rewind_ring();
    }
  }

  snprintf(value, sizeof value, "%d MB", int(s->rewind_mb));
  const int limit_chosen = menu_item("Rewind Memory Limit", value, s->rewind, &step,
                                     "Older history is discarded beyond this budget.");
  if (const int32_t change = menu_row_step(limit_chosen, step)) {
    s->rewind_mb = menu_clamp_step(s->rewind_mb, 16 * change, 16, 512);
    rewind_set_budget();
  }

  double seconds = 0.0, megabytes = 0.0;
  if (rewind_history(&seconds, &megabytes)) {
    snprintf(value, sizeof value, "%.1f s, %.1f MB", seconds, megabytes);
    menu_item("Rewind History", value, 0, nullptr, nullptr);
  }
}

// "Play Latest Movie": with a game running the user confirms first (action 0, value 99).
static void extras_play_latest() {
  if (fe.running) {
    show_confirm(CONFIRM_PLAY_MOVIE, 99, "Play the latest movie? Unsaved progress will be lost.");
    return;
  }
  play_latest_movie();
  if (fe.movie_data) close_menu();
}

static void extras_movie_rows() {
  if (!fe.movie_record) {
    if (menu_item("Record Input Movie", nullptr,
                  fe.feature_enabled[FEATURE_INPUT_MOVIES] && fe.running, nullptr,
                  "Records your inputs from the current moment; replays exactly.")) {
      movie_start_recording();  // closes the menu, also after a failure
      return;
    }
  } else if (menu_item("Stop Recording", nullptr, 1, nullptr, fe.movie_text)) {
    movie_stop_all();  // "Recording saved"; no playback runs beside a recording
  }
  if (menu_page_gone()) return;
  if (menu_item("Play Latest Movie", nullptr, !fe.movie_record && fe.rom_ready, nullptr,
                "Loads the movie's starting point and replays its inputs.")) {
    extras_play_latest();
  }
}

void menu_page_extras() {
  menu_begin_page("Extras", nullptr);
  frontend_settings* s = &fe.settings;

  extras_rewind_rows();
  extras_toggle("Autosave on Exit", &s->autosave_exit);
  extras_toggle("Autosave on Main Menu", &s->autosave_menu);
  extras_toggle("Pause When Unfocused", &s->pause_on_focus_loss);
  extras_movie_rows();
  if (menu_page_gone()) return;

  if (menu_item("Take Screenshot", nullptr, fe.running, nullptr, fe.screenshots_dir)) {
    take_screenshot();
  }
  char folder[160];
  extras_folder_value("Data Folder", folder, sizeof folder);
  menu_item("Data Folder", folder, 0, nullptr,
            "Settings, save states, screenshots, movies and the log live here.");
  if (menu_item("Reset All Settings", nullptr, 1, nullptr,
                "Restores every setting and mapping. Save states are kept.")) {
    show_confirm(CONFIRM_RESET_SETTINGS, 0,
                 "Reset all settings and controls to defaults? Save states are kept.");
  }
  menu_end_page();
  menu_leave_on_back();
}
