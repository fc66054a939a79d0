// Virtual game controllers for the tests that go through SDL itself: a controller plugged in
// the way SDL sees a real one, with every button and axis of its game controller mapping.
#pragma once

#include <SDL.h>

// Attaches a virtual game controller named `name`; its device index, or -1 with SDL's error.
inline int attach_virtual_controller(const char* name) {
  SDL_VirtualJoystickDesc desc;
  SDL_zero(desc);
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
  desc.naxes = SDL_CONTROLLER_AXIS_MAX;
  desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
  desc.name = name;
  return SDL_JoystickAttachVirtualEx(&desc);
}
