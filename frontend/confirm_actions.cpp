// The confirmed actions: exit, return to the Main Menu, restart, load, save and delete slots,
// new game, the two resets, the latest movie and the ROM switch.
#include "frontend/confirm_actions.h"

#include <cstdio>

#include "frontend/audio_output.h"
#include "frontend/file_util.h"
#include "frontend/frontend_state.h"
#include "frontend/game_lifecycle.h"
#include "frontend/messages.h"
#include "frontend/movies.h"
#include "frontend/page_stack.h"
#include "frontend/picture.h"
#include "frontend/rewind.h"
#include "frontend/settings_model.h"
#include "frontend/slots.h"

void restore_default_controls() {
  set_default_bindings();
  const frontend_settings defaults = default_settings();
  fe.settings.deadzone = defaults.deadzone;
  fe.settings.menu_combo = defaults.menu_combo;
  save_settings();
  show_toast("Default controls restored");
}

void reset_all_settings() {
  set_default_settings();  // the ROM path, the slot and the browser folder live beside it
  set_default_bindings();
  fe.colour_dirty = 1;
  apply_picture_filter();
  apply_vsync();
  apply_window_mode();
  open_audio();
  // The rewind setting is back to its default: the ring follows it, so capturing stops when the
  // page shows rewind off.
  reset_rewind_ring();
  save_settings();
  show_toast("All settings restored");
}

void save_chosen_slot(int32_t slot) {
  save_slot(slot);
  fe.slot = slot;
  refresh_slot_info();
  menu_pop_page();
  if (fe.menu.depth == 0) {
    menu_settle_empty_stack();
  } else if (menu_top_page() == MENU_PAGE_PAUSE) {
    close_menu();
  }
}

static void confirm_switch_rom() {
  char path[FILE_PATH_MAX];
  snprintf(path, sizeof path, "%s", fe.pending_rom_path);
  // Checked again, members and all, before the running game is given up: the archive may have
  // changed while the question was open.
  if (!check_rom_or_say_why(path)) return;
  stop_game(fe.settings.autosave_menu);
  if (load_rom(path)) {
    save_settings();
    show_toast("ROM ready: %s", path_basename(path));
    menu_show_only(MENU_PAGE_MAIN);
    rom_selection_forget();  // the browser's visit ended with the switch
  } else {
    show_error("ROM not usable", "%s", fe.rom_status);
  }
}

// The autosave that leaving the game asks for (the setting, a running game, save states on),
// written before the game stops. 1 when the game may go: no autosave was wanted, or it was
// written. On failure the game keeps running: the error dialog says why, and beneath it the
// question `unsaved_action` lets the user leave anyway or stay.
static int autosave_before_leaving(int32_t setting, int32_t unsaved_action, const char* question) {
  if (!setting || !fe.running || !fe.feature_enabled[FEATURE_SAVE_STATES]) return 1;
  char reason[FILE_MESSAGE_MAX];
  if (save_slot_msg(0, reason, sizeof reason)) return 1;
  char path[FILE_PATH_MAX];
  slot_file_path(0, path);
  char failure[320];  // room for the rest of the dialog's text: a long path loses its left part
  format_file_failure(failure, sizeof failure, "", path, reason, "");
  show_confirm(unsaved_action, 0, "%s", question);
  show_error("Autosave failed",
             "The autosave could not be written:\n%s\n\nThe game is still running. Choose next "
             "whether to leave without the autosave or to stay.",
             failure);
  return 0;
}

void run_confirm_action(int32_t action, int32_t value) {
  switch (action) {
    case CONFIRM_PLAY_MOVIE:
      if (value != 99) break;
      play_latest_movie();
      if (fe.movie_data) close_menu();
      break;
    case CONFIRM_EXIT:
      if (!autosave_before_leaving(fe.settings.autosave_exit, CONFIRM_EXIT_UNSAVED,
                                   "Exit without the autosave? Unsaved progress will be lost.")) {
        break;
      }
      [[fallthrough]];
    case CONFIRM_EXIT_UNSAVED:
      stop_game(0);  // the autosave, when wanted, is written already
      fe.quit = 1;
      break;
    case CONFIRM_MAIN_MENU:
      if (!autosave_before_leaving(
              fe.settings.autosave_menu, CONFIRM_MAIN_MENU_UNSAVED,
              "Return to the main menu without the autosave? Unsaved progress will be lost.")) {
        break;
      }
      [[fallthrough]];
    case CONFIRM_MAIN_MENU_UNSAVED:
      stop_game(0);
      menu_show_only(MENU_PAGE_MAIN);
      break;
    case CONFIRM_RESTART:
    case CONFIRM_NEW_GAME:
      start_game();
      close_menu();
      break;
    case CONFIRM_LOAD_SLOT:
      if (!load_slot(value)) break;  // its error dialog stays
      if (value != 0) fe.slot = value;
      close_menu();
      break;
    case CONFIRM_SAVE_SLOT:
      save_chosen_slot(value);
      break;
    case CONFIRM_RESET_SETTINGS:
      reset_all_settings();
      break;
    case CONFIRM_DEFAULT_CONTROLS:
      restore_default_controls();
      break;
    case CONFIRM_DELETE_SLOT: {
      char path[FILE_PATH_MAX];
      if (slot_file_path(value, path)) remove(path);
      fe.slots_dirty = 1;
      break;
    }
    case CONFIRM_SWITCH_ROM:
      confirm_switch_rom();
      break;
    default:
      break;
  }
}
