// SDL events to neutral input events.
#include "frontend/input_event.h"

#include <cstdio>
#include <cstring>

int32_t input_event_from_sdl(const SDL_Event* event, input_event* out) {
  memset(out, 0, sizeof *out);
  switch (event->type) {
    case SDL_QUIT:
      out->type = INPUT_EVENT_QUIT;
      break;
    case SDL_WINDOWEVENT:
      switch (event->window.event) {
        case SDL_WINDOWEVENT_FOCUS_LOST:
          out->type = INPUT_EVENT_FOCUS_LOST;
          break;
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_DISPLAY_CHANGED:
          out->type = INPUT_EVENT_WINDOW_SHOWN;
          break;
        default:
          break;
      }
      break;
    case SDL_DROPFILE:
      if (event->drop.file) {
        out->type = INPUT_EVENT_FILE_DROPPED;
        snprintf(out->file, sizeof out->file, "%s", event->drop.file);
        SDL_free(event->drop.file);
      }
      break;
    case SDL_CONTROLLERDEVICEADDED:
      out->type = INPUT_EVENT_PAD_ADDED;
      break;
    case SDL_CONTROLLERDEVICEREMOVED:
      out->type = INPUT_EVENT_PAD_REMOVED;
      break;
    case SDL_KEYDOWN:
      out->type = INPUT_EVENT_KEY_DOWN;
      out->scancode = event->key.keysym.scancode;
      out->repeat = event->key.repeat ? 1 : 0;
      out->alt = (event->key.keysym.mod & KMOD_ALT) ? 1 : 0;
      break;
    case SDL_CONTROLLERBUTTONDOWN:
      out->type = INPUT_EVENT_PAD_BUTTON;
      out->button = event->cbutton.button;
      break;
    case SDL_CONTROLLERAXISMOTION:
      out->type = INPUT_EVENT_PAD_AXIS;
      out->axis = event->caxis.axis;
      out->value = event->caxis.value;
      break;
    case SDL_MOUSEMOTION:
      out->type = INPUT_EVENT_MOUSE_MOTION;
      out->x = event->motion.x;
      out->y = event->motion.y;
      break;
    case SDL_MOUSEBUTTONDOWN:
      out->type = INPUT_EVENT_MOUSE_BUTTON;
      out->button = event->button.button;
      out->x = event->button.x;
      out->y = event->button.y;
      break;
    case SDL_MOUSEWHEEL:
      out->type = INPUT_EVENT_MOUSE_WHEEL;
      out->wheel = event->wheel.y;
      break;
    default:
      break;
  }
  return out->type;
}
