// The binding capture overlay and its events.
#include "menu/binding_capture.h"

#include <SDL.h>

#include <cstdint>
#include <cstdio>

#include "frontend/frontend_state.h"
#include "frontend/input_event.h"
#include "frontend/platform.h"
#include "menu/menu_toolkit.h"
#include "ui/draw.h"
#include "ui/text.h"

const char* const menu_hotkey_labels[HOTKEY_COUNT] = {
    "Quick Menu",        "Quick Save",    "Quick Load", "Previous Slot", "Next Slot",  "Screenshot",
    "Toggle Fullscreen", "Rewind (hold)", "Pause",      "Toggle FPS",    "Reset Game",
};

enum {
  CAPTURE_SECONDS = 5,
  CAPTURE_AXIS_THRESHOLD = 24000,  // an axis counts only beyond this, either way
};

// The binding being captured, or null when the target names none.
static input_binding* capture_binding() {
  const int32_t t = fe.capture_target;
  if (fe.capture_hotkey) return t >= 0 && t < HOTKEY_COUNT ? &fe.hotkeys[t] : nullptr;
  return t >= 0 && t < fe_input_count() && fe.adapter->inputs ? &fe.input_bindings[t] : nullptr;
}

static const char* capture_target_name() {
  if (!capture_binding()) return "";
  if (fe.capture_hotkey) return menu_hotkey_labels[fe.capture_target];
  const char* label = fe.adapter->inputs[fe.capture_target].label;
  return label ? label : "";
}

void menu_start_capture(int32_t target, int32_t mode, int32_t hotkey) {
  fe.capture_target = target;
  fe.capture_mode = mode;
  fe.capture_hotkey = hotkey;
  fe.capture_start = platform_now();
  menu_push_page(MENU_PAGE_CAPTURE);
}

void menu_page_capture() {
  const int32_t w = fe.output_w, h = fe.output_h, cx = w / 2, cy = h / 2;
  canvas* c = &fe.draw;
  draw_fill_rect(c, 0, 0, w, h, 0xaa000000);
  draw_round_rect(c, cx - menu_units(360), cy - menu_units(110), menu_units(720), menu_units(220),
                  menu_units(14), 0xfa261b18);
  text_draw(c,
            fe.capture_mode == CAPTURE_CONTROLLER ? "Press a controller button or move a stick for"
                                                  : "Press a key for",
            cx, cy - menu_units(70), menu_units(24), 0xffd6ccc8, TEXT_ALIGN_CENTRE);
  text_draw(c, capture_target_name(), cx, cy - menu_units(30), menu_units(36), menu_accent_color(),
            TEXT_ALIGN_CENTRE);

  const uint64_t now = platform_now();
  const uint64_t frequency = fe.frequency ? fe.frequency : platform->frequency();
  const double elapsed =
      now > fe.capture_start && frequency ? double(now - fe.capture_start) / double(frequency) : 0;
  const double remaining = double(CAPTURE_SECONDS) - elapsed;
  char text[64];
  snprintf(text, sizeof text, "Waiting %.0f s  -  Esc cancels", remaining > 0 ? remaining : 0.0);
  text_draw(c, text, cx, cy + menu_units(40), menu_units(20), 0xffa0928c, TEXT_ALIGN_CENTRE);

  if (remaining <= 0 || !capture_binding()) menu_pop_page();
}

// A caught left-stick direction stays held for the menu's stick navigation until the stick is
// let go: the direction is not new and its repeat never comes due.
static void hold_stick_direction(int32_t axis, int32_t value) {
  int32_t dir = 0;
  if (axis == SDL_CONTROLLER_AXIS_LEFTX) dir = value < 0 ? 3 : 4;
  if (axis == SDL_CONTROLLER_AXIS_LEFTY) dir = value < 0 ? 1 : 2;
  if (dir == 0) return;
  fe.stick_dir = dir;
  fe.stick_next = UINT64_MAX;
}

void menu_capture_event(const input_event* event) {
  if (!event || !fe.menu_open || menu_top_page() != MENU_PAGE_CAPTURE) return;
  input_binding* binding = capture_binding();
  if (!binding) {
    menu_pop_page();
    return;
  }
  const int32_t mode = fe.capture_mode;
  switch (event->type) {
    case INPUT_EVENT_KEY_DOWN: {
      if (event->repeat || event->scancode < 0) return;
      const bool menu_hotkey = fe.capture_hotkey && fe.capture_target == HOTKEY_MENU;
      // Escape cancels, except that the menu hotkey may take it as its key.
      if (event->scancode == SDL_SCANCODE_ESCAPE && !menu_hotkey) break;
      if (mode == CAPTURE_KEY) {
        binding->key = event->scancode;
      } else if (mode == CAPTURE_ALT_KEY) {
        binding->alt_key = event->scancode;
      } else {
        return;
      }
      break;
    }
    case INPUT_EVENT_PAD_BUTTON:
      if (mode != CAPTURE_CONTROLLER || event->button < 0) return;
      binding->controller = event->button;
      break;
    case INPUT_EVENT_PAD_AXIS: {
      const int32_t value = event->value;
      if (mode != CAPTURE_CONTROLLER || event->axis < 0 || event->axis >= SDL_CONTROLLER_AXIS_MAX) {
        return;  // only the axes a binding can be read from
      }
      if (value <= CAPTURE_AXIS_THRESHOLD && value >= -CAPTURE_AXIS_THRESHOLD) return;
      binding->controller = 100 + 2 * event->axis + (value > 0 ? 1 : 0);
      hold_stick_direction(event->axis, value);
      break;
    }
    default:
      return;
  }
  menu_pop_page();
}
