// The benchmarks' shared set-up: the test cartridge in the frontend and hidden windows.
#include "bench_game.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "adapter/game_adapter.h"
#include "app/shutdown.h"
#include "frontend/frame_buffers.h"
#include "frontend/frontend_state.h"
#include "frontend/picture.h"
#include "frontend/platform.h"
#include "frontend/settings_model.h"
#include "test_romset.h"
#include "ui/text.h"

enum : uint16_t { DEBUG_SWITCH = 0x0004 };  // DIP word 0's debug switch: the stress mode

int bench_load_cartridge(int stress, char* msg, size_t msg_size) {
  memset(&fe, 0, sizeof fe);
  fe.adapter_copy = cobaltin_adapter;
  fe.adapter = &fe.adapter_copy;
  set_default_settings();
  set_default_bindings();
  fe.slot = 1;
  fe.frequency = platform->frequency();
  fe.colour_dirty = 1;
  if (!alloc_frame_buffers()) {
    snprintf(msg, msg_size, "out of memory");
    return 0;
  }

  std::string error;
  const std::string zip = test_romset_temp_path("cobaltin.zip");
  if (!test_romset_write_zip(zip.c_str(), test_romset_program_members("cartridge"), 0, &error)) {
    snprintf(msg, msg_size, "%s", error.c_str());
    return 0;
  }
  if (stress) fe.settings.dip_words[0] |= DEBUG_SWITCH;
  fe.adapter->set_dip_switches(fe.settings.dip_words);
  if (!fe.adapter->load_rom(zip.c_str(), msg, msg_size)) return 0;
  snprintf(fe.rom_path, sizeof fe.rom_path, "%s", zip.c_str());
  fe.rom_ready = 1;
  return 1;
}

int bench_run_frames(int count, char* msg, size_t msg_size) {
  for (int i = 0; i < count; i++) {
    uint32_t frames = 0;
    fe.adapter->set_inputs(0);
    if (fe.adapter->run_frame(fe.audio_buffer, &frames, msg, msg_size) != 0) return 0;
    fe.frame_counter++;
  }
  return 1;
}

void bench_release_cartridge() {
  adapter_release();
  fe.rom_ready = 0;
  free_frame_buffers();
}

int bench_open_window(int32_t width, int32_t height, char* msg, size_t msg_size) {
  fe.window = SDL_CreateWindow(fe.adapter->title, 0, 0, width, height, SDL_WINDOW_HIDDEN);
  fe.renderer = fe.window ? SDL_CreateRenderer(fe.window, -1, SDL_RENDERER_SOFTWARE) : nullptr;
  if (fe.renderer) {
    fe.draw = canvas_for_renderer(fe.renderer);
    create_game_texture();
  }
  if (!fe.game_texture || !font_atlas_init(fe.renderer)) {
    snprintf(msg, msg_size, "no software renderer at %dx%d: %s", int(width), int(height),
             SDL_GetError());
    close_display();
    return 0;
  }
  return 1;
}

double bench_median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}
