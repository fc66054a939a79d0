// bench_menu: composes and presents menu frames over the test cartridge (the synthetic ROM set's
// SH-2 program, not the game) on SDL's software renderer over a hidden window of the dummy video
// driver, at 1280 x 760 and 1920 x 1080: the Main Menu with the running game's preview and with a
// ready ROM set, the pause menu, the Save State page with a thumbnail and the confirmation over
// the pause menu. Each frame is what the main loop does while the menu is open: clear, compose,
// the page (a dialog over the page beneath, drawn with no input), present. Prints the median over
// five runs of the mean time per frame. Usage: bench_menu [frames per run, default 200]
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
#include "menu/menu_pages.h"
#include "menu/menu_toolkit.h"
#include "menu/text.h"
#include "sh2_program.h"
#include "test_romset.h"

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

void draw_page(int32_t page) {
  if (menu_page_table[page].draw) menu_page_table[page].draw();
}

// The page on top, a dialog over the page beneath it; no input this frame.
void present_one() {
  SDL_SetRenderDrawColor(fe.renderer, 0, 0, 0, 255);
  SDL_RenderClear(fe.renderer);
  compose_frame_base();
  menu_clear_latches();
  const int32_t top = menu_top_page();
  if (top == MENU_PAGE_CONFIRM && fe.menu.depth > 1) {
    fe.menu.depth--;
    draw_page(menu_top_page());
    fe.menu.depth++;
  }
  draw_page(top);
  compose_frame_overlays();
  SDL_RenderPresent(fe.renderer);
}

double ms_per_frame(int frames) {
  std::vector<double> runs;
  for (int run = 0; run < 5; run++) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; i++) present_one();
    runs.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count() /
        frames);
  }
  std::sort(runs.begin(), runs.end());
  return runs[2];
}

// Slot 1 as a usable slot with a thumbnail of the picture (RGB565, half size), slot 2 empty.
SDL_Texture* make_thumbnail(SDL_Renderer* renderer) {
  const int32_t tw = int32_t(fe.adapter->width / 2), th = int32_t(fe.adapter->height / 2);
  std::vector<uint16_t> pixels(size_t(tw) * size_t(th));
  for (int32_t y = 0; y < th; y++) {
    for (int32_t x = 0; x < tw; x++) {
      const uint32_t p = fe.frame[size_t(2 * y) * fe.adapter->width + size_t(2 * x)];
      pixels[size_t(y) * size_t(tw) + size_t(x)] =
          uint16_t((p >> 8 & 0xF800) | (p >> 5 & 0x07E0) | (p >> 3 & 0x001F));
    }
  }
  SDL_Texture* texture =
      SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STATIC, tw, th);
  if (texture) SDL_UpdateTexture(texture, nullptr, pixels.data(), 2 * tw);
  return texture;
}

int bench_size(int32_t width, int32_t height, int frames) {
  SDL_Window* window = SDL_CreateWindow("bench_menu", 0, 0, width, height, SDL_WINDOW_HIDDEN);
  SDL_Renderer* renderer = window ? SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE) : nullptr;
  if (!renderer) {
    std::fprintf(stderr, "bench_menu: no software renderer: %s\n", SDL_GetError());
    if (window) SDL_DestroyWindow(window);
    return 0;
  }
  fe.window = window;
  fe.renderer = renderer;
  fe.draw = canvas_for_renderer(renderer);
  fe.game_texture =
      SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                        int(fe.adapter->width), int(fe.adapter->height));
  if (!font_atlas_init(renderer)) std::fprintf(stderr, "bench_menu: no font atlas\n");
  SDL_GetRendererOutputSize(renderer, &fe.output_w, &fe.output_h);
  fe.ui_unit = std::max(45, std::min(fe.output_w * 100 / 1280, fe.output_h * 100 / 760));
  fe.colour_dirty = 1;
  fetch_frame();
  upload_frame();
  fe.slots[1] = slot_info{};
  fe.slots[1].exists = fe.slots[1].usable = 1;
  fe.slots[1].save_time = 1700000000;
  fe.slots[1].thumbnail = make_thumbnail(renderer);
  const int ok = fe.game_texture && fe.slots[1].thumbnail;
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
    for (int i = 0; i < 10; i++) present_one();
    std::printf("%dx%d %-18s %6.3f ms/frame\n", width, height, c.name, ms_per_frame(frames));
    std::fflush(stdout);
  }
  SDL_DestroyTexture(fe.slots[1].thumbnail);
  fe.slots[1].thumbnail = nullptr;
  font_atlas_free();
  for (SDL_Texture** t : {&fe.game_texture, &fe.turned_texture, &fe.glow_texture,
                          &fe.scanline_texture, &fe.mask_texture}) {
    if (*t) SDL_DestroyTexture(*t);
    *t = nullptr;
  }
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
    std::fprintf(stderr, "bench_menu: %s\n", SDL_GetError());
    return 1;
  }
  memset(&fe, 0, sizeof fe);
  fe.adapter_copy = cobaltin_adapter;
  fe.adapter = &fe.adapter_copy;
  const sh2_program* cartridge = sh2_program_find("cartridge");
  test_rom_members members;
  std::string error;
  if (!cartridge || !test_romset_members(cartridge->data, cartridge->size, &members, &error)) {
    std::fprintf(stderr, "bench_menu: %s\n", cartridge ? error.c_str() : "no cartridge");
    return 1;
  }
  const std::string zip = test_romset_temp_path("cobaltin.zip");
  char message[512] = "";
  if (!test_romset_write_zip(zip.c_str(), members, 0, &error) ||
      !fe.adapter->load_rom(zip.c_str(), message, sizeof message)) {
    std::fprintf(stderr, "bench_menu: %s%s\n", error.c_str(), message);
    return 1;
  }
  snprintf(fe.rom_path, sizeof fe.rom_path, "%s", zip.c_str());
  fe.rom_ready = 1;
  fe.feature_enabled[FEATURE_SAVE_STATES] = 1;
  fe.settings.rotation = 3;
  fe.settings.border = 1;
  fe.settings.brightness = 100;
  fe.settings.gamma = 100;
  fe.settings.autosave_exit = fe.settings.autosave_menu = 1;
  fe.slot = 1;
  const size_t pixels = size_t(fe.adapter->width) * fe.adapter->height;
  fe.frame = static_cast<uint32_t*>(calloc(pixels, 4));
  fe.upload = static_cast<uint32_t*>(calloc(pixels, 4));
  fe.frequency = SDL_GetPerformanceFrequency();
  static int16_t stereo[2 * ADAPTER_MAX_AUDIO_FRAMES];
  for (int i = 0; i < 120; i++) {  // past the cartridge's start-up
    uint32_t frames_out = 0;
    fe.adapter->run_frame(stereo, &frames_out, message, sizeof message);
  }

  int ok = fe.frame && fe.upload;
  std::printf("bench_menu: %d frames per run, median of 5 runs\n", frames);
  ok = ok && bench_size(1280, 760, frames) && bench_size(1920, 1080, frames);

  adapter_release();
  free(fe.frame);
  free(fe.upload);
  SDL_Quit();
  return ok ? 0 : 1;
}
