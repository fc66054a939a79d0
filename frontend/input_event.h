// Neutral input events: the few kinds of SDL event the main loop, the hotkeys, the menu and the
// binding capture react to, as plain records that tests can build without a display. The main
// loop translates each polled SDL event once and hands the record on.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "frontend/file_util.h"

enum input_event_type {
  INPUT_EVENT_NONE = 0,      // an SDL event nobody reacts to
  INPUT_EVENT_QUIT,          // window closed or the process asked to quit
  INPUT_EVENT_FOCUS_LOST,    // the window lost the keyboard focus
  INPUT_EVENT_FILE_DROPPED,  // a file was dropped on the window; `file` holds its path
  INPUT_EVENT_PAD_ADDED,     // a game controller was connected
  INPUT_EVENT_PAD_REMOVED,   // a game controller was disconnected
  INPUT_EVENT_KEY_DOWN,      // `scancode`, `repeat`, `alt`
  INPUT_EVENT_PAD_BUTTON,    // controller button pressed: `button`
  INPUT_EVENT_PAD_AXIS,      // controller axis moved: `axis`, `value`
  INPUT_EVENT_MOUSE_MOTION,  // `x`, `y`
  INPUT_EVENT_MOUSE_BUTTON,  // mouse button pressed: `button` (1 left, 3 right), `x`, `y`
  INPUT_EVENT_MOUSE_WHEEL,   // `wheel`: vertical steps
  INPUT_EVENT_WINDOW_SHOWN,  // the window was shown or restored, or moved to another display
};

struct input_event {
  int32_t type;              // input_event_type
  int32_t scancode;          // key down: SDL scancode
  int32_t repeat;            // key down: an auto-repeat
  int32_t alt;               // key down: an Alt key was held
  int32_t button;            // controller button index, or mouse button
  int32_t axis;              // controller axis index
  int32_t value;             // controller axis value, -32768..32767
  int32_t x, y;              // mouse position
  int32_t wheel;             // mouse wheel vertical amount
  char file[FILE_PATH_MAX];  // dropped file path, cut to fit
};

// Translates one SDL event; a dropped file's SDL string is copied and freed here. Returns the
// event type (INPUT_EVENT_NONE for events nobody reacts to).
int32_t input_event_from_sdl(const SDL_Event* event, input_event* out);
