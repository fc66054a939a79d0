// bench_video: renders two synthetic scenes many times on one thread and prints the mean
// time per frame of the best of several runs, as "typical: <N> ms/frame" and
// "heavy: <N> ms/frame". Typical: four full-screen normal layers, 300 plain sprites of 2 x 2
// tiles and a colour effect on every line. Heavy: four per-line layers with per-line zoom
// and scroll, and 1,000 sprites of 2 x 2 tiles, a quarter of them zoomed, some translucent.
// Usage: bench_video [frames per run, default 300]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "board/machine.h"
#include "video/video.h"
#include "video_scene.h"

namespace {

// Tiles 2-9 (4-bit) and 8-bit tiles 20-23: patterns with some transparent pens; palettes
// 0-31 ramps.
void art(machine* m) {
  for (uint32_t t = 2; t < 10; t++) {
    uint8_t pens[256];
    for (int k = 0; k < 256; k++) pens[k] = static_cast<uint8_t>((k * (t + 3) / 7 + t) % 16);
    scene_tile4(m, t, pens);
  }
  for (uint32_t t = 20; t < 24; t++) {
    uint8_t pens[256];
    for (int k = 0; k < 256; k++) pens[k] = static_cast<uint8_t>((k * t + t * 13) % 251);
    scene_tile8(m, t, pens);
  }
  for (uint32_t i = 0; i < VIDEO_PALETTE_ENTRIES; i++) scene_palette(m, i, i * 0x010307 + 0x203040);
}

void fill_map(machine* m, uint32_t bank, uint32_t first_tile, uint32_t tiles, uint32_t salt) {
  for (uint32_t r = 0; r < 32; r++)
    for (uint32_t c = 0; c < 32; c++)
      scene_map_entry(m, bank, r, c, (r * 3 + c + salt) % 32,
                      first_tile + (r * 7 + c * 3 + salt) % tiles);
}

std::vector<scene_sprite> sprites(int count, int zoomed_every, int alpha_every) {
  std::vector<scene_sprite> s;
  for (int i = 0; i < count; i++) {
    const bool zoomed = zoomed_every && i % zoomed_every == 0;
    s.push_back({.x = (i * 37) % 360 - 20,
                 .y = (i * 53) % 260 - 20,
                 .width = 2,
                 .height = 2,
                 .flip_x = i % 2,
                 .flip_y = i % 3 == 0,
                 .priority_index = i % 4,
                 .zoom_x = zoomed ? 1 + i % 3 : 0,
                 .zoom_y = zoomed ? 1 + (i + 1) % 3 : 0,
                 .tile = 2 + static_cast<uint32_t>(i % 6),
                 .palette = i % 32,
                 .alpha_select = alpha_every && i % alpha_every == 0 ? 1 : 0});
  }
  return s;
}

// The art and, for layer n, a full map in bank 10 + 2n: 4-bit tiles for layers 0 and 1,
// 8-bit tiles for 2 and 3. The layers' own words go on pages from LAYER_PAGE on, clear of the
// sprite attributes (pages 0-6), the list (page 7) and the maps (banks 10-17).
constexpr uint32_t LAYER_PAGE = 24;

machine* scene_with_maps() {
  machine* m = scene_new();
  art(m);
  for (uint32_t n = 0; n < 4; n++) fill_map(m, 10 + 2 * n, n < 2 ? 2 : 20, n < 2 ? 8 : 4, n);
  return m;
}

machine* typical_scene() {
  machine* m = scene_with_maps();
  for (int n = 0; n < 4; n++) {
    scene_layer(m, n, {.is_8bpp = n >= 2, .rows32 = 1, .page = LAYER_PAGE});
    scene_normal_layer(m, LAYER_PAGE, n, scene_layer_scroll(3 * n, 5 * n, 2 * n, 7 * n),
                       scene_layer_attr(n, 10 + 2 * n, n == 3 ? 20 : 0));
  }
  for (uint32_t i = 0; i < 4; i++) scene_sprite_level(m, i, 1 + i);
  scene_sprites(m, sprites(300, 0, 0));
  for (uint32_t line = 0; line < VIDEO_HEIGHT; line++) scene_effect(m, 29, line, 0x10204000 | 20);
  scene_effect_level(m, 4);
  return m;
}

machine* heavy_scene() {
  machine* m = scene_with_maps();
  for (int n = 0; n < 4; n++) {
    scene_layer(m, n, {.is_8bpp = n >= 2, .rows32 = 1, .per_line = 1, .page = LAYER_PAGE + n});
    for (uint32_t line = 0; line < VIDEO_HEIGHT; line++)
      scene_line_layer(
          m, LAYER_PAGE + n, line, (line * (n + 1) / 3) & 1023, (line * 5 + 40 * n) & 511,
          scene_layer_attr(n, 10 + 2 * n, n == 2 ? 16 : 0, n == 3, (line + 17 * n) % 256));
  }
  scene_zoom(m, 1, 700);
  scene_zoom(m, 2, 1300);
  scene_zoom(m, 3, 2048);
  scene_alpha_byte(m, 1, 0x20);
  for (uint32_t i = 0; i < 4; i++) scene_sprite_level(m, i, i);
  scene_sprites(m, sprites(1000, 4, 7));
  return m;
}

double ms_per_frame(machine* m, int frames) {
  for (int i = 0; i < 10; i++) video_render_frame(m);
  double best = 1e30;
  for (int run = 0; run < 5; run++) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; i++) video_render_frame(m);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    if (took.count() / frames < best) best = took.count() / frames;
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::atoi(argv[1]) : 300;
  if (frames <= 0) {
    std::fprintf(stderr, "usage: bench_video [frames per run]\n");
    return 2;
  }
  scene_ptr typical(typical_scene());
  scene_ptr heavy(heavy_scene());
  std::printf("typical: %.3f ms/frame\n", ms_per_frame(typical.get(), frames));
  std::printf("heavy: %.3f ms/frame\n", ms_per_frame(heavy.get(), frames));
  return 0;
}
