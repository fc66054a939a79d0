// The Main Menu and the pause menu.
#include "menu/root_pages.h"

#include <cstdio>

#include "frontend/file_util.h"
#include "frontend/frontend_state.h"
#include "frontend/game_lifecycle.h"
#include "frontend/messages.h"
#include "frontend/slots.h"
#include "menu/menu_preview.h"
#include "menu/menu_toolkit.h"
#include "ui/draw.h"
#include "ui/text.h"

// The slot pages show the slot records, which are re-read before they are next drawn.
static void open_slot_page(int32_t page) {
  menu_push_page(page);
  fe.slots_dirty = 1;
}

// Beside the Main Menu: the running game, or "Ready" and the archive's name when a ROM set is
// loaded but no game runs.
static void draw_main_preview() {
  if (!fe.rom_ready && !fe.running) return;
  const int32_t w = fe.output_w, h = fe.output_h, u = menu_unit();
  const int32_t side = menu_beside_list(w / 2);
  const int32_t d = w - menu_units(48) - side, e = h - menu_units(110) - menu_units(140);
  if (d < 2 * u || e < menu_units(150)) return;
  int32_t box_w = 0, box_h = 0;
  menu_preview_fit(d, e, &box_w, &box_h);
  const int32_t left = side + (d - box_w) / 2, top = menu_units(140) + (e - box_h) / 2;
  canvas* c = &fe.draw;
  draw_round_rect(c, left - menu_units(6), top - menu_units(6), box_w + menu_units(12),
                  box_h + menu_units(12), u / 10, 0xff2e221e);
  if (fe.running) {
    menu_preview_copy(fe.game_texture, left, top, box_w, box_h);
    return;
  }
  const int32_t cx = left + box_w / 2, cy = top + box_h / 2;
  draw_fill_rect(c, left, top, box_w, box_h, 0xff120c0a);
  text_draw(c, "Ready", cx, cy - u / 5, menu_units(30), 0xffd6ccc8, TEXT_ALIGN_CENTRE);
  text_draw(c, path_basename(fe.rom_path), cx, cy + u / 5, menu_units(18), 0xff968882,
            TEXT_ALIGN_CENTRE);
}

void menu_page_main() {
  if (fe.slots_dirty) refresh_slot_info();
  menu_begin_page("Main Menu", fe.adapter->subtitle);
  const int32_t running = fe.running, ready = fe.rom_ready;
  const int32_t states = fe.feature_enabled[FEATURE_SAVE_STATES];

  if (running && menu_item("Resume", nullptr, 1, nullptr, "Return to the game in progress.")) {
    close_menu();
  }
  if (menu_item(
          running ? "Start New Game" : "Start Game", nullptr, ready, nullptr,
          ready ? "Power on the board and start from the beginning." : "Select a ROM set first.")) {
    if (running) {
      show_confirm(CONFIRM_NEW_GAME, 0,
                   "Start a new game? Unsaved progress in the current game will be lost.");
    } else {
      start_game();
      close_menu();
    }
  }
  if (states) {
    const int32_t autosave = fe.slots[0].usable;
    if (menu_item("Continue", autosave ? "Autosave" : "none", autosave && ready, nullptr,
                  "Resume from the automatic save made when you last left a game.")) {
      if (running) {
        show_confirm(CONFIRM_LOAD_SLOT, 0,
                     "Continue from the autosave? Unsaved progress will be lost.");
      } else if (load_slot(0)) {
        close_menu();
      }
    }
    if (menu_item("Load State", nullptr, ready, nullptr, "Pick one of the save-state slots.")) {
      open_slot_page(MENU_PAGE_LOAD_STATE);
    }
    if (running &&
        menu_item("Save State", nullptr, 1, nullptr, "Save the current game to a slot.")) {
      open_slot_page(MENU_PAGE_SAVE_STATE);
    }
  }
  char rom_name[300];
  snprintf(rom_name, sizeof rom_name, "%s", ready ? path_basename(fe.rom_path) : "not set");
  if (menu_item("ROM Selection", rom_name, 1, nullptr,
                ready ? fe.rom_path : "Choose the ROM archive to play.")) {
    menu_push_page(MENU_PAGE_ROM_SELECTION);
  }
  static const struct {
    const char* label;
    const char* hint;
    int32_t page;
  } settings_rows[] = {
      {"Display Settings", "Scaling, filtering, CRT effects, colour and borders.",
       MENU_PAGE_DISPLAY},
      {"Audio Settings", "Volume, output device and latency.", MENU_PAGE_AUDIO},
      {"Controller Settings", "Keyboard and controller mappings for both players.",
       MENU_PAGE_CONTROLS},
      {"Gameplay Settings", "Cabinet DIP switches: difficulty, lives, coinage.",
       MENU_PAGE_GAMEPLAY},
      {"Gadgets", "On-screen panels: score, FPS, frame time, input display.", MENU_PAGE_GADGETS},
      {"Extras", "Rewind, input movies, screenshots and folders.", MENU_PAGE_EXTRAS},
      {"About", "Version, credits and licences.", MENU_PAGE_ABOUT},
  };
  for (const auto& row : settings_rows) {
    if (menu_item(row.label, nullptr, 1, nullptr, row.hint)) menu_push_page(row.page);
  }
  if (menu_item("Exit", nullptr, 1, nullptr, "Quit to the desktop.")) {
    if (running) {
      show_confirm(CONFIRM_EXIT, 0, "%s",
                   fe.settings.autosave_exit ? "Exit the game? Progress will be autosaved."
                                             : "Exit the game? Unsaved progress will be lost.");
    } else {
      fe.quit = 1;
    }
  }
  menu_end_page();
  if (menu_page_gone()) return;

  draw_main_preview();
  if (!fe.rom_ready && fe.rom_status[0]) {
    // Right of the list, broken into lines that end short of the window's edge.
    const int32_t side = menu_beside_list(fe.output_w / 2);
    const int32_t width = fe.output_w - menu_units(40) - side;
    const int32_t title = menu_units(26), body = menu_units(18);
    int32_t y = menu_text_lines("ROM not ready", side, menu_units(150), width, title,
                                text_line_height(title), 0xff78a0ff, TEXT_ALIGN_LEFT);
    y += menu_units(40) - text_line_height(title);
    menu_text_lines(fe.rom_status, side, y, width, body, text_line_height(body), 0xffd2c8c8,
                    TEXT_ALIGN_LEFT);
  }
  if (fe.menu.nav_back && fe.running) close_menu();
}

void menu_page_pause() {
  menu_begin_page("Paused", fe.movie_text[0] ? fe.movie_text : nullptr);
  if (menu_item("Resume", nullptr, 1, nullptr, "Return to the game.")) close_menu();
  if (menu_item("Restart Game", nullptr, 1, nullptr,
                "Reset the board. Unsaved progress is lost.")) {
    show_confirm(CONFIRM_RESTART, 0, "Restart the game? Unsaved progress will be lost.");
  }
  if (fe.feature_enabled[FEATURE_SAVE_STATES]) {
    char slot[32];
    snprintf(slot, sizeof slot, "Slot %d", int(fe.slot));
    if (menu_item("Save State", slot, 1, nullptr, "Choose a slot to save to.")) {
      open_slot_page(MENU_PAGE_SAVE_STATE);
    }
    if (menu_item("Load State", slot, 1, nullptr, "Choose a slot to load.")) {
      open_slot_page(MENU_PAGE_LOAD_STATE);
    }
  }
  if (menu_item("Display Settings", nullptr, 1, nullptr, nullptr)) {
    menu_push_page(MENU_PAGE_DISPLAY);
  }
  if (menu_item("Audio Settings", nullptr, 1, nullptr, nullptr)) menu_push_page(MENU_PAGE_AUDIO);
  if (menu_item("Controller Configuration", nullptr, 1, nullptr, nullptr)) {
    menu_push_page(MENU_PAGE_CONTROLS);
  }
  if (menu_item("Gadgets", nullptr, 1, nullptr, nullptr)) menu_push_page(MENU_PAGE_GADGETS);
  if (menu_item("Extras", nullptr, 1, nullptr, "Rewind, input movie recording, screenshots.")) {
    menu_push_page(MENU_PAGE_EXTRAS);
  }
  const int32_t autosave_menu = fe.settings.autosave_menu;
  if (menu_item("Return to Main Menu", nullptr, 1, nullptr,
                autosave_menu ? "Leaves the game; it is autosaved first."
                              : "Leaves the game without saving.")) {
    show_confirm(CONFIRM_MAIN_MENU, 0, "%s",
                 autosave_menu ? "Return to the main menu? The game will be autosaved."
                               : "Return to the main menu? Unsaved progress will be lost.");
  }
  if (menu_item("Exit", nullptr, 1, nullptr, nullptr)) {
    show_confirm(CONFIRM_EXIT, 0, "%s",
                 fe.settings.autosave_exit ? "Exit to the desktop? The game will be autosaved."
                                           : "Exit to the desktop? Unsaved progress will be lost.");
  }
  menu_end_page();
  if (menu_page_gone()) return;
  if (fe.menu.nav_back) close_menu();
}
