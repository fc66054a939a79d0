// Input bindings, controllers and the release of inputs.
#include "frontend/bindings.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "frontend/log.h"

// SDL's instance id of an open controller (stable while it stays plugged in), -1 for none.
static SDL_JoystickID controller_instance(SDL_GameController* pad) {
  return pad ? SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad)) : -1;
}

static int instance_listed(const SDL_JoystickID* ids, int32_t count, SDL_JoystickID id) {
  for (int32_t i = 0; i < count; i++) {
    if (ids[i] == id) return 1;
  }
  return 0;
}

controller_changes rescan_controllers() {
  int32_t open = fe.controller_count;
  if (open > FE_MAX_CONTROLLERS) open = FE_MAX_CONTROLLERS;
  SDL_JoystickID before[FE_MAX_CONTROLLERS];
  for (int32_t i = 0; i < open; i++) {
    before[i] = controller_instance(fe.controllers[i]);
    if (fe.controllers[i]) SDL_GameControllerClose(fe.controllers[i]);
  }
  memset(fe.controllers, 0, sizeof fe.controllers);
  fe.controller_count = 0;

  controller_changes changes = {0, 0};
  SDL_JoystickID now[FE_MAX_CONTROLLERS];
  int joysticks = SDL_NumJoysticks();  // negative when the subsystem is down
  for (int j = 0; j < joysticks && fe.controller_count < FE_MAX_CONTROLLERS; j++) {
    if (!SDL_IsGameController(j)) continue;
    SDL_GameController* pad = SDL_GameControllerOpen(j);
    if (!pad) continue;
    now[fe.controller_count] = controller_instance(pad);
    if (!instance_listed(before, open, now[fe.controller_count])) changes.opened++;
    fe.controllers[fe.controller_count++] = pad;
    const char* name = SDL_GameControllerName(pad);
    log_printf("controller %d: %s", fe.controller_count, name && name[0] ? name : "?");
  }
  for (int32_t i = 0; i < open; i++) {
    if (!instance_listed(now, fe.controller_count, before[i])) changes.closed++;
  }
  return changes;
}

int32_t deadzone_threshold() {
  return int32_t(int64_t(fe.settings.deadzone) * 32767 / 100);
}

// A controller code on one controller of the snapshot: a button, or an axis pushed past t.
static int pad_code_pressed(const input_snapshot* input, int32_t pad, int32_t code, int32_t t) {
  if (code < 100) return code < INPUT_PAD_BUTTONS && input->buttons[pad][code];
  int32_t axis = (code - 100) / 2;
  if (axis >= INPUT_PAD_AXES) return 0;
  int32_t value = input->axes[pad][axis];
  return (code & 1) ? value > t : value < -t;
}

// The left stick standing in for a d-pad button.
static int stick_as_dpad(const input_snapshot* input, int32_t pad, int32_t code, int32_t t) {
  const int16_t* axes = input->axes[pad];
  switch (code) {
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
      return axes[SDL_CONTROLLER_AXIS_LEFTY] < -t;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
      return axes[SDL_CONTROLLER_AXIS_LEFTY] > t;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
      return axes[SDL_CONTROLLER_AXIS_LEFTX] < -t;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
      return axes[SDL_CONTROLLER_AXIS_LEFTX] > t;
    default:
      return 0;
  }
}

static int32_t snapshot_pads(const input_snapshot* input) {
  int32_t pads = input->controller_count;
  return pads < 0 ? 0 : pads > INPUT_MAX_PADS ? INPUT_MAX_PADS : pads;
}

int binding_pressed(const input_binding* binding, int32_t player, const input_snapshot* input) {
  if (!binding || !input) return 0;
  for (int32_t key : {binding->key, binding->alt_key}) {
    if (key >= 0 && key < INPUT_KEYS && input->keys[key]) return 1;
  }
  int32_t code = binding->controller;
  if (code < 0) return 0;
  int32_t pads = snapshot_pads(input);
  int32_t t = deadzone_threshold();

  if (player == 0) {
    for (int32_t pad = 0; pad < pads; pad++) {
      if (pad_code_pressed(input, pad, code, t)) return 1;
    }
    return 0;
  }
  if (player < 1 || player > 4) return 0;  // no controller of its own

  int32_t assigned = fe.settings.player_controller[player - 1];
  int32_t pad = assigned == -1 ? player - 1 : assigned;
  if (pad < 0 || pad >= pads) return 0;  // not connected, or no controller at all
  return pad_code_pressed(input, pad, code, t) || stick_as_dpad(input, pad, code, t);
}

int hotkey_event_matches(const input_event* event, int32_t hotkey) {
  if (!event || hotkey < 0 || hotkey >= HOTKEY_COUNT) return 0;
  const input_binding& binding = fe.hotkeys[hotkey];
  if (event->type == INPUT_EVENT_KEY_DOWN) {
    if (event->repeat) return 0;
    return (binding.key >= 0 && event->scancode == binding.key) ||
           (binding.alt_key >= 0 && event->scancode == binding.alt_key);
  }
  if (event->type == INPUT_EVENT_PAD_BUTTON) {
    return binding.controller >= 0 && binding.controller < 100 &&
           event->button == binding.controller;
  }
  return 0;
}

int menu_combo_held(const input_snapshot* input) {
  if (!input) return 0;
  int32_t pads = snapshot_pads(input);
  for (int32_t pad = 0; pad < pads; pad++) {
    const uint8_t* b = input->buttons[pad];
    int held = 0;
    switch (fe.settings.menu_combo) {
      case 0:
        held = b[SDL_CONTROLLER_BUTTON_BACK] && b[SDL_CONTROLLER_BUTTON_START];
        break;
      case 1:
        held = b[SDL_CONTROLLER_BUTTON_GUIDE];
        break;
      case 2:
        held = b[SDL_CONTROLLER_BUTTON_RIGHTSTICK];
        break;
      case 3:
        held = b[SDL_CONTROLLER_BUTTON_LEFTSTICK] && b[SDL_CONTROLLER_BUTTON_RIGHTSTICK];
        break;
      default:
        return 0;
    }
    if (held) return 1;
  }
  return 0;
}

void release_inputs() {
  fe.input_word = 0;
  memset(fe.pulse, 0, sizeof fe.pulse);
  for (uint32_t& held : fe.held) held = 1;
  if (fe.rom_ready && fe.adapter->set_inputs) fe.adapter->set_inputs(0);
}

void controller_binding_name(int32_t code, char* out, size_t out_size) {
  static const char* const button_names[21] = {
      "A",       "B",    "X",       "Y",       "Back",    "Guide",   "Start",
      "L3",      "R3",   "LB",      "RB",      "D-Up",    "D-Down",  "D-Left",
      "D-Right", "Misc", "Paddle1", "Paddle2", "Paddle3", "Paddle4", "Touchpad"};
  if (!out || out_size == 0) return;
  if (code < 0) {
    snprintf(out, out_size, "-");
  } else if (code <= 20) {
    snprintf(out, out_size, "%s", button_names[code]);
  } else if (code < 100) {
    snprintf(out, out_size, "Button %d", code);
  } else {
    // SDL names none beyond its last axis; asking would form an enum value outside its range.
    const int32_t index = (code - 100) / 2;
    const char* axis = index < SDL_CONTROLLER_AXIS_MAX
                           ? SDL_GameControllerGetStringForAxis(SDL_GameControllerAxis(index))
                           : nullptr;
    snprintf(out, out_size, "%s%s", axis ? axis : "axis", code & 1 ? "+" : "-");
  }
}
