// The platform seam: the clock, the audio device, the input snapshot, the window and a message
// box, as one table of functions. The program runs on `platform_sdl`, which wraps SDL; tests
// install a table of their own (a clock they step, inputs they set, an audio queue they inspect)
// through `platform`. Game logic asks the table, never SDL directly, for these things.
#pragma once

#include <SDL.h>

#include <cstdint>

enum {
  INPUT_KEYS = 512,        // scancodes held in a snapshot
  INPUT_PAD_BUTTONS = 32,  // buttons per controller in a snapshot (higher codes read as up)
  INPUT_PAD_AXES = 6,      // left X, left Y, right X, right Y, two triggers
  INPUT_MAX_PADS = 8,
};

// The state of every key and of the open controllers at one moment.
struct input_snapshot {
  uint8_t keys[INPUT_KEYS];  // 1 = down, by SDL scancode
  int32_t controller_count;  // open controllers (fe.controllers), in list order
  uint8_t buttons[INPUT_MAX_PADS][INPUT_PAD_BUTTONS];  // 1 = down
  int16_t axes[INPUT_MAX_PADS][INPUT_PAD_AXES];
};

struct platform_ops {
  // --- clock
  uint64_t (*counter)();    // performance counter ticks
  uint64_t (*frequency)();  // ticks per second
  void (*delay)(uint32_t ms);

  // --- input: keyboard and the open controllers
  void (*read_input)(input_snapshot* out);

  // --- audio device (queue mode, no callback); device ids as SDL's, 0 = none
  // Opens the named playback device (null = the default). 0 on failure, with error() telling.
  SDL_AudioDeviceID (*audio_open)(const char* device, const SDL_AudioSpec* want,
                                  SDL_AudioSpec* have, int allowed_changes);
  void (*audio_close)(SDL_AudioDeviceID device);
  void (*audio_pause)(SDL_AudioDeviceID device, int pause);
  uint32_t (*audio_queued)(SDL_AudioDeviceID device);  // bytes waiting in the queue
  int (*audio_queue)(SDL_AudioDeviceID device, const void* data, uint32_t bytes);
  void (*audio_clear)(SDL_AudioDeviceID device);
  int (*audio_device_count)();                  // playback devices listed
  const char* (*audio_device_name)(int index);  // null when out of range

  // --- window and renderer (the frontend's own, fe.window and fe.renderer)
  void (*window_fullscreen)(int on);  // borderless desktop full screen, or a window
  void (*window_size)(int32_t w, int32_t h);
  int32_t (*display_refresh)();  // refresh rate in Hz of the window's display; 0 unknown
  void (*set_vsync)(int on);
  void (*present)();  // shows what was drawn on fe.renderer this loop

  const char* (*error)();  // text of the last failure

  // --- a message before any window exists: shows it and returns once the user closed it
  void (*message_box)(const char* title, const char* text);
};

// The table in use; &platform_sdl unless a test installed its own.
extern const platform_ops* platform;
extern const platform_ops platform_sdl;

// Counter ticks now, through the table in use.
inline uint64_t platform_now() {
  return platform->counter();
}
