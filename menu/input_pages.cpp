// The Controls, Hotkeys and Player Controllers pages.
#include "menu/input_pages.h"

#include <SDL.h>

#include <cstdio>

#include "frontend/bindings.h"
#include "frontend/messages.h"
#include "menu/binding_capture.h"
#include "menu/menu_toolkit.h"
#include "menu/setting_rows.h"
#include "ui/draw.h"

// A key's name: "-" for none, "?" for a scancode SDL does not name.
static void key_name(int32_t key, char* out, size_t out_size) {
  const char* name =
      key >= 0 && key < SDL_NUM_SCANCODES ? SDL_GetScancodeName(SDL_Scancode(key)) : nullptr;
  snprintf(out, out_size, "%s", key < 0 ? "-" : name && name[0] ? name : "?");
}

void menu_binding_text(const input_binding* binding, char* out, size_t out_size) {
  char key[48], alt_key[48], controller[48];
  key_name(binding->key, key, sizeof key);
  key_name(binding->alt_key, alt_key, sizeof alt_key);
  controller_binding_name(binding->controller, controller, sizeof controller);
  snprintf(out, out_size, "%s / %s   |   %s", key, alt_key, controller);
}

// One binding row (input `index`, or hotkey `index` when hotkey is 1): Enter captures the key;
// on the selected row Right captures the alternate key, Tab or Y a controller input, and Delete
// or X clears all three fields. Left does nothing.
static void binding_row(const char* label, input_binding* binding, int32_t index, int32_t hotkey,
                        const char* hint) {
  char value[200];
  menu_binding_text(binding, value, sizeof value);
  const int32_t row = fe.menu.rows_emitted;
  int32_t step = 0;
  if (menu_item(label, value, 1, &step, hint)) {
    menu_start_capture(index, CAPTURE_KEY, hotkey);
    return;
  }
  if (menu_page_gone() || fe.menu.cursor[menu_top_page()] != row) return;
  if (step > 0) {
    menu_start_capture(index, CAPTURE_ALT_KEY, hotkey);
  } else if (fe.menu.row_action == 1) {
    menu_start_capture(index, CAPTURE_CONTROLLER, hotkey);
  } else if (fe.menu.row_action == 2) {
    *binding = input_binding{-1, -1, -1};
  }
}

void menu_page_controls() {
  static const char* const combo_names[4] = {"Back + Start", "Guide", "Right stick click",
                                             "L3 + R3"};
  frontend_settings& s = fe.settings;
  char value[64];
  int32_t step = 0, sv = 0;
  int activated = 0;

  menu_begin_page("Controls",
                  "Enter: keyboard   Right: alternate key   Y/Tab: controller   Del: clear");

  activated = menu_item("Quick Menu (controller)", combo_names[s.menu_combo & 3], 1, &step,
                        "Controller shortcut that opens the in-game menu. Esc always works.");
  if ((sv = menu_row_step(activated, step)) != 0) {
    s.menu_combo = menu_bits_step(s.menu_combo, sv, 3);
  }

  if (menu_item("Hotkeys", nullptr, 1, nullptr,
                "Quick save/load, slots, screenshot, rewind, pause.")) {
    menu_push_page(MENU_PAGE_HOTKEYS);
  }
  if (menu_item("Player Controllers", nullptr, 1, nullptr,
                "Which connected controller drives Player 1 and Player 2.")) {
    menu_push_page(MENU_PAGE_PLAYER_CONTROLLERS);
  }

  snprintf(value, sizeof value, "%d%%", int(s.deadzone));
  activated = menu_item("Stick Dead Zone", value, 1, &step,
                        "Analog sticks act as the D-pad beyond this deflection.");
  if ((sv = menu_row_step(activated, step)) != 0) {
    s.deadzone = menu_clamp_step(s.deadzone, 5 * sv, 5, 90);
  }

  const int32_t inputs = fe.adapter->inputs ? fe_input_count() : 0;
  for (int32_t i = 0; i < inputs && !menu_page_gone(); i++) {
    const char* label = fe.adapter->inputs[i].label;
    binding_row(label ? label : "", &fe.input_bindings[i], i, 0,
                "Enter: set key.  Right: set alternate key.  Y or Tab: set controller button.  "
                "Delete/X: clear.");
  }

  if (menu_item("Restore Default Controls", nullptr, 1, nullptr, nullptr)) {
    show_confirm(CONFIRM_DEFAULT_CONTROLS, 0,
                 "Restore all default keyboard and controller mappings?");
  }

  menu_end_page();
  menu_leave_on_back();
}

void menu_page_hotkeys() {
  menu_begin_page("Hotkeys", "Enter: key   Right: alternate key   Y/Tab: controller   Del: clear");
  for (int32_t h = 0; h < HOTKEY_COUNT && !menu_page_gone(); h++) {
    binding_row(menu_hotkey_labels[h], &fe.hotkeys[h], h, 1,
                h == HOTKEY_MENU ? "Esc is always available as a fallback for the menu." : nullptr);
  }
  menu_end_page();
  menu_leave_on_back();
}

// An open controller's name; "?" when SDL has none.
static const char* controller_name(int32_t index) {
  const char* name =
      fe.controllers[index] ? SDL_GameControllerName(fe.controllers[index]) : nullptr;
  return name && name[0] ? name : "?";
}

void menu_page_player_controllers() {
  int32_t open = fe.controller_count;
  open = open < 0 ? 0 : open > FE_MAX_CONTROLLERS ? FE_MAX_CONTROLLERS : open;
  const int32_t players = fe_player_count();
  char label[32], value[200];
  int32_t step = 0, sv = 0;

  menu_begin_page("Player Controllers", nullptr);
  for (int32_t p = 0; p < players; p++) {
    int32_t& assigned = fe.settings.player_controller[p];
    if (assigned == -1) {
      snprintf(value, sizeof value, "Automatic");
    } else if (assigned >= 0 && assigned < open) {
      snprintf(value, sizeof value, "%d: %s", int(assigned + 1), controller_name(assigned));
    } else {
      // Also below -1: such a number names no controller, so nothing drives the player.
      snprintf(value, sizeof value, "Controller %lld (not connected)", (long long)assigned + 1);
    }
    snprintf(label, sizeof label, "Player %d", int(p + 1));
    const int activated =
        menu_item(label, value, 1, &step, "Coin, service and test accept every controller.");
    if ((sv = menu_row_step(activated, step)) != 0) {
      assigned = menu_clamp_step(assigned, sv, -1, 7);
    }
  }
  for (int32_t i = 0; i < open; i++) {
    snprintf(label, sizeof label, "Connected %d", int(i + 1));
    menu_item(label, controller_name(i), 0, nullptr, nullptr);
  }
  if (open == 0) {
    menu_item("No controllers connected", nullptr, 0, nullptr,
              "Plug one in at any time; it is detected automatically.");
  }
  menu_end_page();
  menu_leave_on_back();
}
