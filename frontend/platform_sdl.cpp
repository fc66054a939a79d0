// The program's platform table: each entry is a thin call into SDL on the frontend's window,
// renderer and open controllers.
#include "frontend/frontend_state.h"
#include "frontend/platform.h"

#include <cstring>

static uint64_t sdl_counter() {
  return SDL_GetPerformanceCounter();
}
static uint64_t sdl_frequency() {
  return SDL_GetPerformanceFrequency();
}
static void sdl_delay(uint32_t ms) {
  SDL_Delay(ms);
}

static void sdl_read_input(input_snapshot* out) {
  memset(out, 0, sizeof *out);
  int key_count = 0;
  const uint8_t* keys = SDL_GetKeyboardState(&key_count);
  if (keys) {
    if (key_count > INPUT_KEYS) key_count = INPUT_KEYS;
    memcpy(out->keys, keys, size_t(key_count));
  }
  int pads = fe.controller_count;
  if (pads > INPUT_MAX_PADS) pads = INPUT_MAX_PADS;
  if (pads < 0) pads = 0;
  out->controller_count = pads;
  for (int i = 0; i < pads; i++) {
    SDL_GameController* pad = fe.controllers[i];
    if (!pad) continue;
    for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX && b < INPUT_PAD_BUTTONS; b++) {
      out->buttons[i][b] = SDL_GameControllerGetButton(pad, SDL_GameControllerButton(b)) ? 1 : 0;
    }
    for (int a = 0; a < SDL_CONTROLLER_AXIS_MAX && a < INPUT_PAD_AXES; a++) {
      out->axes[i][a] = SDL_GameControllerGetAxis(pad, SDL_GameControllerAxis(a));
    }
  }
}

static SDL_AudioDeviceID sdl_audio_open(const char* device, const SDL_AudioSpec* want,
                                        SDL_AudioSpec* have, int allowed_changes) {
  return SDL_OpenAudioDevice(device, 0, want, have, allowed_changes);
}
static void sdl_audio_close(SDL_AudioDeviceID device) {
  SDL_CloseAudioDevice(device);
}
static void sdl_audio_pause(SDL_AudioDeviceID device, int pause) {
  SDL_PauseAudioDevice(device, pause);
}
static uint32_t sdl_audio_queued(SDL_AudioDeviceID device) {
  return SDL_GetQueuedAudioSize(device);
}
static int sdl_audio_queue(SDL_AudioDeviceID device, const void* data, uint32_t bytes) {
  return SDL_QueueAudio(device, data, bytes);
}
static void sdl_audio_clear(SDL_AudioDeviceID device) {
  SDL_ClearQueuedAudio(device);
}
static int sdl_audio_device_count() {
  return SDL_GetNumAudioDevices(0);
}
static const char* sdl_audio_device_name(int index) {
  return SDL_GetAudioDeviceName(index, 0);
}

static void sdl_window_fullscreen(int on) {
  if (fe.window) SDL_SetWindowFullscreen(fe.window, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
}
static void sdl_window_size(int32_t w, int32_t h) {
  if (fe.window) SDL_SetWindowSize(fe.window, w, h);
}
static int32_t sdl_display_refresh() {
  if (!fe.window) return 0;
  int index = SDL_GetWindowDisplayIndex(fe.window);
  if (index < 0) index = 0;
  SDL_DisplayMode mode;
  if (SDL_GetCurrentDisplayMode(index, &mode) != 0) return 0;
  return mode.refresh_rate;
}
static void sdl_set_vsync(int on) {
  if (fe.renderer) SDL_RenderSetVSync(fe.renderer, on ? 1 : 0);
}
static void sdl_present() {
  if (fe.renderer) SDL_RenderPresent(fe.renderer);
}
static const char* sdl_error() {
  return SDL_GetError();
}
static void sdl_message_box(const char* title, const char* text) {
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, text, fe.window);
}

const platform_ops platform_sdl = {
    .counter = sdl_counter,
    .frequency = sdl_frequency,
    .delay = sdl_delay,
    .read_input = sdl_read_input,
    .audio_open = sdl_audio_open,
    .audio_close = sdl_audio_close,
    .audio_pause = sdl_audio_pause,
    .audio_queued = sdl_audio_queued,
    .audio_queue = sdl_audio_queue,
    .audio_clear = sdl_audio_clear,
    .audio_device_count = sdl_audio_device_count,
    .audio_device_name = sdl_audio_device_name,
    .window_fullscreen = sdl_window_fullscreen,
    .window_size = sdl_window_size,
    .display_refresh = sdl_display_refresh,
    .set_vsync = sdl_set_vsync,
    .present = sdl_present,
    .error = sdl_error,
    .message_box = sdl_message_box,
};

const platform_ops* platform = &platform_sdl;
