// The test platform's operations.
#include "test_platform.h"

#include <csignal>
#include <cstring>

#include "frontend/frontend_state.h"
#include "frontend_fixture.h"

test_platform_state tp;

static uint64_t tp_counter() {
  return tp.now;
}
static uint64_t tp_frequency() {
  return tp.frequency;
}
static void tp_delay(uint32_t ms) {
  tp.slept_ms += ms;
  tp.delays++;
}
static void tp_read_input(input_snapshot* out) {
  *out = tp.input;
}

static SDL_AudioDeviceID tp_audio_open(const char* device, const SDL_AudioSpec* want,
                                       SDL_AudioSpec* have, int) {
  if (tp.open_fails) return 0;
  if (device) {
    bool listed = false;
    for (const std::string& name : tp.devices) listed = listed || name == device;
    if (!listed) return 0;
  }
  tp.opens++;
  tp.last_open_name = device ? device : "";
  tp.obtained = *want;
  tp.obtained.size = uint32_t(want->samples) * want->channels * 2;
  if (have) *have = tp.obtained;
  tp.open_device = 1;
  tp.paused = 1;  // SDL opens devices paused
  tp.queued = 0;
  return 1;
}
static void tp_audio_close(SDL_AudioDeviceID) {
  tp.open_device = 0;
  tp.queued = 0;
}
static void tp_audio_pause(SDL_AudioDeviceID, int pause) {
  tp.paused = pause;
}
static uint32_t tp_audio_queued(SDL_AudioDeviceID) {
  return tp.queued;
}
static int tp_audio_queue(SDL_AudioDeviceID, const void*, uint32_t bytes) {
  tp.queued += bytes;
  tp.total_queued += bytes;
  tp.queue_calls++;
  return 0;
}
static void tp_audio_clear(SDL_AudioDeviceID) {
  tp.queued = 0;
  tp.clears++;
}
static int tp_audio_device_count() {
  return int(tp.devices.size());
}
static const char* tp_audio_device_name(int index) {
  if (index < 0 || size_t(index) >= tp.devices.size()) return nullptr;
  return tp.devices[size_t(index)].c_str();
}
static void tp_window_fullscreen(int on) {
  tp.fullscreen = on;
}
static void tp_window_size(int32_t w, int32_t h) {
  tp.window_w = w;
  tp.window_h = h;
  tp.window_size_calls++;
}
static int32_t tp_display_refresh() {
  return tp.refresh;
}
static void tp_set_vsync(int on) {
  tp.vsync = on;
}
static void tp_present() {
  tp.presents++;
  if (!fe.renderer) return;
  frontend_test_capture();
  SDL_RenderPresent(fe.renderer);
}
static const char* tp_error() {
  return "test platform error";
}
static void tp_message_box(const char* title, const char* text) {
  tp.message_title = title;
  tp.message_text = text;
  tp.message_boxes++;
  struct sigaction now = {};
  sigaction(SIGTERM, nullptr, &now);
  tp.message_box_sigterm_default = now.sa_handler == SIG_DFL;
}

const platform_ops test_platform = {
    .counter = tp_counter,
    .frequency = tp_frequency,
    .delay = tp_delay,
    .read_input = tp_read_input,
    .audio_open = tp_audio_open,
    .audio_close = tp_audio_close,
    .audio_pause = tp_audio_pause,
    .audio_queued = tp_audio_queued,
    .audio_queue = tp_audio_queue,
    .audio_clear = tp_audio_clear,
    .audio_device_count = tp_audio_device_count,
    .audio_device_name = tp_audio_device_name,
    .window_fullscreen = tp_window_fullscreen,
    .window_size = tp_window_size,
    .display_refresh = tp_display_refresh,
    .set_vsync = tp_set_vsync,
    .present = tp_present,
    .error = tp_error,
    .message_box = tp_message_box,
};

void test_platform_reset() {
  tp = test_platform_state{};
  tp.now = 1000000;
  tp.frequency = 1000000;
  tp.refresh = 60;
}
