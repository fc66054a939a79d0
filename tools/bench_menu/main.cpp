// bench_menu: composes and presents menu frames over the test cartridge (the synthetic ROM set's
// SH-2 program, not the game) on SDL's software renderer over a hidden window of the dummy video
// driver, at 1280 x 760 and 1920 x 1080: the Main Menu with the running game's preview and with a
// ready ROM set, the pause menu, the Save State page with a thumbnail and the confirmation over
// the pause menu. Each frame is the main loop's own picture step while the menu is open (a dialog
// over the page beneath), with no input. Prints the median over five runs of the mean time per
// frame. Usage: bench_menu [frames per run, default 200]
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
#include "frontend/state_container.h"

namespace {

struct menu_case {
  const char* name;
  int32_t running;
  int32_t pages[2];  // stacked, bottom first; -1 = none
};

const menu_case cases[] = {
    {"main menu, game", 1, {MENU_PAGE_MAIN, -1}},
    {"main menu, ready", 0, {MENU_PAGE_MAIN, -1}},
    {"pause menu", 1, {MENU_PAGE_PAUSE, -1}},
    {"save state", 1, {MENU_PAGE_PAUSE, MENU_PAGE_SAVE_STATE}},
    {"confirm", 1, {MENU_PAGE_PAUSE, MENU_PAGE_CONFIRM}},
};

double ms_per_frame(int frames) {
  std::vector<double> runs;
  for (int run = 0; run < 5; run++) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; i++) main_loop_draw_picture();
    runs.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count() /
        frames);
  }
  return bench_median(runs);
}

// Slot 1 as a usable slot with the thumbnail its file would hold, slot 2 empty. 0 when the
// thumbnail could not be made.
int make_slot() {
  size_t size = 0;
  uint8_t* container = build_state_container(&size);
  char reason[160] = "";
  slot_info& slot = fe.slots[1];
  slot = slot_info{};
  slot.exists = 1;
  slot.usable = container && parse_state_container(container, size, &slot, nullptr, reason,
                                                   sizeof reason) != nullptr;
  free(container);
  slot.save_time = 1700000000;
  return slot.usable && slot.thumbnail;
}

int bench_size(int32_t width, int32_t height, int frames) {
  char message[512] = "";
  if (!bench_open_window(width, height, message, sizeof message)) {
    std::fprintf(stderr, "bench_menu: %s\n", message);
    return 0;
  }
  fetch_frame();
  upload_frame();
  const int ok = make_slot();
  for (const menu_case& c : cases) {
    if (!ok) break;
    fe.running = c.running;
    fe.menu_open = 1;
    fe.menu.depth = 0;
    for (int32_t page : c.pages) {
      if (page >= 0) fe.menu.page_stack[fe.menu.depth++] = page;
    }
    fe.menu.cursor[MENU_PAGE_SAVE_STATE] = 0;
    fe.menu.cursor[MENU_PAGE_CONFIRM] = 1;
    snprintf(fe.confirm_text, sizeof fe.confirm_text,
             "Restart the game? Unsaved progress will be lost.");
    fe.slots_dirty = 0;
    for (int i = 0; i < 10; i++) main_loop_draw_picture();
    std::printf("%dx%d %-18s %6.3f ms/frame\n", width, height, c.name, ms_per_frame(frames));
    std::fflush(stdout);
  }
  if (fe.slots[1].thumbnail) SDL_DestroyTexture(fe.slots[1].thumbnail);
  fe.slots[1].thumbnail = nullptr;
  close_display();
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "bench_menu: %s\n", SDL_GetError());
    return 1;
  }
  char message[512] = "";
  // Past the cartridge's start-up.
  if (!bench_load_cartridge(0, message, sizeof message) ||
      !bench_run_frames(120, message, sizeof message)) {
    std::fprintf(stderr, "bench_menu: %s\n", message);
    return 1;
  }
  fe.feature_enabled[FEATURE_SAVE_STATES] = 1;

  std::printf("bench_menu: %d frames per run, median of 5 runs\n", frames);
  const int ok = bench_size(1280, 760, frames) && bench_size(1920, 1080, frames);

  bench_release_cartridge();
  SDL_Quit();
  return ok ? 0 : 1;
}
