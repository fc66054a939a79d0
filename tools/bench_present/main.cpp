// bench_present: composes and presents frames of the test cartridge (the synthetic ROM set's
// SH-2 program, not the game) on SDL's software renderer over a hidden window of the dummy
// video driver, at 1280 x 760 and 1920 x 1080, with the default display settings, then with
// scanlines, each phosphor mask and the ambient-glow border. Each frame is what the main loop does
// once the game has run: fetch and upload the picture, clear, compose, present. The game's own
// frame is run in between and not timed. Prints the median over five runs of the mean time per
// frame. Usage: bench_present [frames per run, default 200]
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "adapter/game_adapter.h"
#include "frontend/canvas.h"
#include "frontend/composition.h"
#include "frontend/frontend_state.h"
#include "frontend/picture.h"
#include "menu/text.h"
#include "sh2_program.h"
#include "test_romset.h"

namespace {

struct display_case {
  const char* name;
  int32_t scanlines, mask, border;
};

const display_case cases[] = {
    {"default", 0, 0, 1},     {"scanlines 50", 50, 0, 1}, {"aperture grille", 0, 1, 1},
    {"shadow mask", 0, 2, 1}, {"slot mask", 0, 3, 1},     {"ambient glow", 0, 0, 2},
};

// The display settings' defaults (fit, game aspect, nearest, no effects, gradient border).
void default_display_settings() {
  frontend_settings& s = fe.settings;
  s.scale_mode = 0;
  s.aspect_mode = 0;
  s.filter = 0;
  s.scanlines = 0;
  s.mask = 0;
  s.mask_strength = 30;
  s.brightness = 100;
  s.gamma = 100;
  s.border = 1;
  s.rotation = 3;
  s.accent = 0;
}

void run_game_frame() {
  static int16_t stereo[2 * ADAPTER_MAX_AUDIO_FRAMES];
  uint32_t frames = 0;
  char message[256];
  fe.adapter->run_frame(stereo, &frames, message, sizeof message);
}

void present_one() {
  fetch_frame();
  upload_frame();
  SDL_SetRenderDrawColor(fe.renderer, 0, 0, 0, 255);
  SDL_RenderClear(fe.renderer);
  compose_frame_base();
  compose_frame_overlays();
  SDL_RenderPresent(fe.renderer);
}

double ms_per_frame(int frames) {
  std::vector<double> runs;
  for (int run = 0; run < 5; run++) {
    double total = 0.0;
    for (int i = 0; i < frames; i++) {
      run_game_frame();
      const auto start = std::chrono::steady_clock::now();
      present_one();
      total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                   .count();
    }
    runs.push_back(total / frames);
  }
  std::sort(runs.begin(), runs.end());
  return runs[2];
}

void destroy_textures() {
  font_atlas_free();
  for (SDL_Texture** t :
       {&fe.game_texture, &fe.scanline_texture, &fe.mask_texture, &fe.glow_texture}) {
    if (*t) SDL_DestroyTexture(*t);
    *t = nullptr;
  }
  memset(fe.mask_key, 0, sizeof fe.mask_key);
}

int bench_size(int32_t width, int32_t height, int frames) {
  SDL_Window* window = SDL_CreateWindow("bench_present", 0, 0, width, height, SDL_WINDOW_HIDDEN);
  SDL_Renderer* renderer = window ? SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE) : nullptr;
  if (!renderer) {
    std::fprintf(stderr, "bench_present: no software renderer: %s\n", SDL_GetError());
    if (window) SDL_DestroyWindow(window);
    return 0;
  }
  fe.window = window;
  fe.renderer = renderer;
  fe.draw = canvas_for_renderer(renderer);
  fe.game_texture =
      SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                        int(fe.adapter->width), int(fe.adapter->height));
  SDL_SetTextureScaleMode(fe.game_texture, SDL_ScaleModeNearest);
  if (!font_atlas_init(renderer)) std::fprintf(stderr, "bench_present: no font atlas\n");
  int ok = 1;
  if (!fe.game_texture) ok = 0;
  SDL_GetRendererOutputSize(renderer, &fe.output_w, &fe.output_h);
  fe.ui_unit = std::max(45, std::min(fe.output_w * 100 / 1280, fe.output_h * 100 / 760));
  for (const display_case& c : cases) {
    if (!ok) break;
    default_display_settings();
    fe.settings.scanlines = c.scanlines;
    fe.settings.mask = c.mask;
    fe.settings.border = c.border;
    fe.colour_dirty = 1;
    for (int i = 0; i < 10; i++) present_one();  // builds the overlays before timing
    std::printf("%dx%d %-16s %6.3f ms/frame\n", width, height, c.name, ms_per_frame(frames));
    std::fflush(stdout);
  }
  destroy_textures();
  SDL_DestroyRenderer(renderer);
  SDL_DestroyWindow(window);
  fe.renderer = nullptr;
  fe.window = nullptr;
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "bench_present: %s\n", SDL_GetError());
    return 1;
  }
  memset(&fe, 0, sizeof fe);
  fe.adapter_copy = cobaltin_adapter;
  fe.adapter = &fe.adapter_copy;
  const sh2_program* cartridge = sh2_program_find("cartridge");
  test_rom_members members;
  std::string error;
  if (!cartridge || !test_romset_members(cartridge->data, cartridge->size, &members, &error)) {
    std::fprintf(stderr, "bench_present: %s\n", cartridge ? error.c_str() : "no cartridge");
    return 1;
  }
  const std::string zip = test_romset_temp_path("cobaltin.zip");
  char message[512] = "";
  if (!test_romset_write_zip(zip.c_str(), members, 0, &error) ||
      !fe.adapter->load_rom(zip.c_str(), message, sizeof message)) {
    std::fprintf(stderr, "bench_present: %s%s\n", error.c_str(), message);
    return 1;
  }
  const size_t pixels = size_t(fe.adapter->width) * fe.adapter->height;
  fe.frame = static_cast<uint32_t*>(calloc(pixels, 4));
  fe.upload = static_cast<uint32_t*>(calloc(pixels, 4));
  fe.running = 1;
  fe.frequency = SDL_GetPerformanceFrequency();
  for (int i = 0; i < 120; i++) run_game_frame();  // past the cartridge's start-up

  int ok = fe.frame && fe.upload;
  std::printf("bench_present: %d frames per run, median of 5 runs\n", frames);
  ok = ok && bench_size(1280, 760, frames) && bench_size(1920, 1080, frames);

  adapter_release();
  free(fe.frame);
  free(fe.upload);
  SDL_Quit();
  return ok ? 0 : 1;
}
