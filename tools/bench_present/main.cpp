// bench_present: composes and presents frames of the test cartridge (the synthetic ROM set's
// SH-2 program, not the game) on SDL's software renderer over a hidden window of the dummy
// video driver, at 1280 x 760 and 1920 x 1080, with the default display settings, then with
// scanlines, each phosphor mask and the ambient-glow border. Each frame is what the main loop does
// once the game has run: fetch and upload the picture, then its own picture step. The game's own
// frame is run in between and not timed. Prints the median over five runs of the mean time per
// frame. Usage: bench_present [frames per run, default 200]
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/main_loop.h"
#include "app/shutdown.h"
#include "bench_game.h"
#include "frontend/frontend_state.h"
#include "frontend/picture.h"

namespace {

struct display_case {
  const char* name;
  int32_t scanlines, mask, border;  // over the default display settings
};

const display_case cases[] = {
    {"default", 0, 0, 1},     {"scanlines 50", 50, 0, 1}, {"aperture grille", 0, 1, 1},
    {"shadow mask", 0, 2, 1}, {"slot mask", 0, 3, 1},     {"ambient glow", 0, 0, 2},
};

void present_one() {
  fetch_frame();
  upload_frame();
  main_loop_draw_picture();
}

double ms_per_frame(int frames) {
  std::vector<double> runs;
  char message[300];
  for (int run = 0; run < 5; run++) {
    double total = 0.0;
    for (int i = 0; i < frames; i++) {
      bench_run_frames(1, message, sizeof message);  // the cartridge never stops
      const auto start = std::chrono::steady_clock::now();
      present_one();
      total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                   .count();
    }
    runs.push_back(total / frames);
  }
  return bench_median(runs);
}

int bench_size(int32_t width, int32_t height, int frames) {
  char message[512] = "";
  if (!bench_open_window(width, height, message, sizeof message)) {
    std::fprintf(stderr, "bench_present: %s\n", message);
    return 0;
  }
  for (const display_case& c : cases) {
    fe.settings.scanlines = c.scanlines;
    fe.settings.mask = c.mask;
    fe.settings.border = c.border;
    for (int i = 0; i < 10; i++) present_one();  // builds the overlays before timing
    std::printf("%dx%d %-16s %6.3f ms/frame\n", width, height, c.name, ms_per_frame(frames));
    std::fflush(stdout);
  }
  close_display();
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "bench_present: %s\n", SDL_GetError());
    return 1;
  }
  char message[512] = "";
  // Past the cartridge's start-up.
  if (!bench_load_cartridge(0, message, sizeof message) ||
      !bench_run_frames(120, message, sizeof message)) {
    std::fprintf(stderr, "bench_present: %s\n", message);
    return 1;
  }
  fe.running = 1;

  std::printf("bench_present: %d frames per run, median of 5 runs\n", frames);
  const int ok = bench_size(1280, 760, frames) && bench_size(1920, 1080, frames);

  bench_release_cartridge();
  SDL_Quit();
  return ok ? 0 : 1;
}
