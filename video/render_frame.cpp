// One frame of the video chip: clears the priority buffer, fills every line with its
// background colour, reads each layer's plan, draws the eight levels in order (that level's
// sprites in list order, then layers 0-3, then the colour effect when its level matches) and
// copies the visible part into frame without the top byte. Sprites are drawn by sprites.cpp,
// layers by tilemap.cpp. The build for every CPU also holds video_render_frame, which runs
// the best build of the renderer this CPU has (video_draw.h).
#include <cstring>

#include "board/machine.h"
#include "video/video.h"
#include "video/video_draw.h"
#include "video/video_rows.h"

inline namespace VIDEO_VARIANT {
namespace {

// First word of the line table: background colours, then at +256 the colour effect words.
uint32_t line_table_base(const machine* m) {
  return (m->video_regs[7] >> 24) * 512;
}

void clear_and_fill_background(machine* m) {
  const uint32_t base = line_table_base(m);
  for (uint32_t line = 0; line < VIDEO_HEIGHT; line++) {
    std::memset(m->priority_buffer[line], 0, VIDEO_WIDTH * sizeof m->priority_buffer[0][0]);
    const uint32_t colour = video_ram_word(m, base + line) >> 8;
    uint32_t* row = m->compose_buffer[line];
    for (int x = 0; x < VIDEO_WIDTH; x++) row[x] = colour;
  }
}

void apply_colour_effect(machine* m) {
  const uint32_t base = line_table_base(m);
  for (uint32_t line = 0; line < VIDEO_HEIGHT; line++) {
    const uint32_t e = video_ram_word(m, base + 256 + line);
    const uint32_t colour = e >> 8;
    uint32_t* row = m->compose_buffer[line];
    if (e & 0x80) {
      for (int x = 0; x < VIDEO_WIDTH; x++) row[x] = colour;
    } else if (const uint32_t weight = 2 * (e & 0x7F)) {
      video_blend_row_towards(row, colour, weight);
    }
  }
}

// The list positions of the drawable sprites grouped by level, list order kept within a
// level: level l's positions are order[start[l]] to order[start[l + 1] - 1].
struct sprite_levels {
  uint16_t order[VIDEO_MAX_SPRITES];
  uint32_t start[VIDEO_LEVELS + 1];
};

void group_sprites_by_level(const machine* m, sprite_levels* g) {
  const uint32_t count = video_sprite_count(m);
  uint32_t per_level[16] = {};
  for (uint32_t p = 0; p < count; p++) per_level[video_sprite_level(m, m->sprites[p])]++;
  g->start[0] = 0;
  for (int l = 0; l < VIDEO_LEVELS; l++) g->start[l + 1] = g->start[l] + per_level[l];
  uint32_t next[VIDEO_LEVELS];
  std::memcpy(next, g->start, sizeof next);
  for (uint32_t p = 0; p < count; p++) {
    const int level = video_sprite_level(m, m->sprites[p]);
    if (level < VIDEO_LEVELS) g->order[next[level]++] = static_cast<uint16_t>(p);
  }
}

}  // namespace

void video_draw_frame(machine* m) {
  clear_and_fill_background(m);

  sprite_levels sprites;
  group_sprites_by_level(m, &sprites);
  video_layer_plan layers[VIDEO_LAYERS];
  for (int n = 0; n < VIDEO_LAYERS; n++) video_plan_layer(m, n, &layers[n]);
  const int effect_level = m->video_regs[2] & 15;
  for (int level = 0; level < VIDEO_LEVELS; level++) {
    for (uint32_t k = sprites.start[level]; k < sprites.start[level + 1]; k++)
      video_draw_sprite(m, sprites.order[k]);
    for (int n = 0; n < VIDEO_LAYERS; n++) video_draw_layer(m, &layers[n], level);
    if (effect_level == level) apply_colour_effect(m);
  }

  for (int line = 0; line < VIDEO_HEIGHT; line++) {
    const uint32_t* row = m->compose_buffer[line];
    uint32_t* out = m->frame + line * VIDEO_WIDTH;
    for (int x = 0; x < VIDEO_WIDTH; x++) out[x] = row[x] & 0x00FFFFFF;
  }
}

}  // namespace VIDEO_VARIANT

#if !defined(VIDEO_AVX2)

#if defined(VIDEO_HAS_AVX2)
namespace video_avx2 {
void video_draw_frame(machine* m);
}
#endif

const video_renderer* video_renderers(int* count) {
  static const video_renderer all[] = {
#if defined(VIDEO_HAS_AVX2)
    {"avx2", video_avx2::video_draw_frame},
#endif
#if defined(__AVX2__)
    {"avx2", video_base::video_draw_frame},  // the whole build targets AVX2
#elif defined(__SSE2__)
    {"sse2", video_base::video_draw_frame},
#else
    {"portable", video_base::video_draw_frame},
#endif
  };
  const video_renderer* first = all;
  int n = static_cast<int>(sizeof all / sizeof all[0]);
#if defined(VIDEO_HAS_AVX2)
  if (!__builtin_cpu_supports("avx2")) first++, n--;
#endif
  *count = n;
  return first;
}

void video_render_frame(machine* m) {
  static void (*const draw_frame)(machine*) = [] {
    int count;
    return video_renderers(&count)->draw_frame;
  }();
  draw_frame(m);
}

#endif
