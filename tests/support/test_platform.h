// A platform table for tests: a clock the test steps, an input snapshot the test fills, an audio
// device that only counts what is queued, a window that only remembers its mode and size, message
// boxes that are only recorded, and a present that reads the picture back into the test surface
// on OpenGL before showing it.
// Install it with `platform = &test_platform;` (the frontend fixture does) and steer it through
// `tp`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frontend/platform.h"

struct test_platform_state {
  uint64_t now;          // counter value; tests advance it
  uint64_t frequency;    // ticks per second (1,000,000: one tick is a microsecond)
  uint64_t slept_ms;     // sum of delay() arguments
  int delays;            // delay() calls
  input_snapshot input;  // what read_input returns
  // Audio: device 1 once opened; names in `devices` open by name, others fail.
  std::vector<std::string> devices;  // listed playback devices
  int open_fails;                    // every open fails (no device at all)
  int opens;                         // successful opens
  std::string last_open_name;        // "" for the default device
  SDL_AudioDeviceID open_device;     // 0 when closed
  int paused;                        // pause state of the open device
  uint32_t queued;                   // bytes in the queue; audio_queue adds, audio_clear empties
  uint64_t total_queued;             // every byte ever queued
  int queue_calls, clears;
  SDL_AudioSpec obtained;  // what audio_open reports; 48 kHz stereo s16 with the asked buffer
  // Window.
  int fullscreen;
  int32_t window_w, window_h;
  int window_size_calls;
  int32_t refresh;  // what display_refresh returns (60 by default)
  int vsync;
  int presents;  // pictures presented (each read back first on OpenGL)
  // Message boxes: the last one's texts, how many were shown, and whether SIGTERM would have
  // ended the program while the last one was up (its handler was the default one).
  std::string message_title, message_text;
  int message_boxes;
  int message_box_sigterm_default;
};

extern test_platform_state tp;
extern const platform_ops test_platform;

// Back to the initial values: now 1,000,000, frequency 1,000,000, nothing pressed, no device.
void test_platform_reset();

// Advances the clock by whole milliseconds.
inline void test_clock_advance_ms(double ms) {
  tp.now += uint64_t(ms * 1000.0);
}
