// Drawing one latched sprite: its live zoom factors, alpha byte and palette, then either the
// plain path (1:1 on both axes, tile by tile straight from tile data) or the zoomed path (the
// tiles assembled into zoom_scratch, then sampled over the clipped screen rectangle). Every
// pixel goes through video_plot_pixel. Which sprites a level draws is render_frame.cpp's.
#include <algorithm>
#include <cstring>

#include "board/machine.h"
#include "video/video_draw.h"

namespace {

// Zoom table entry i: entry 2k is the high half of word k; 1024 is 1:1.
uint32_t zoom_entry(const machine* m, uint32_t i) {
  const uint32_t w = m->zoom_table[i >> 1];
  return i & 1 ? w & 0xFFFF : w >> 16;
}

void draw_plain(machine* m, const sprite_record& s, uint32_t p, const uint32_t* palette,
                int alpha) {
  uint8_t scratch[256];
  for (int r = 0; r < s.height; r++) {
    const int ty = s.y + 16 * (s.flip_y ? s.height - 1 - r : r);
    for (int c = 0; c < s.width; c++) {
      const int tx = s.x + 16 * (s.flip_x ? s.width - 1 - c : c);
      if (tx <= -16 || tx >= VIDEO_WIDTH || ty <= -16 || ty >= VIDEO_HEIGHT) continue;
      const uint8_t* pens = video_tile_pens(m, s.tile + r * s.width + c, s.is_8bpp, scratch);
      const int x0 = std::max(tx, 0), x1 = std::min(tx + 16, static_cast<int>(VIDEO_WIDTH));
      for (int j = 0; j < 16; j++) {
        const int y = ty + (s.flip_y ? 15 - j : j);
        if (y < 0 || y >= VIDEO_HEIGHT) continue;
        uint8_t row[16];
        std::memcpy(row, pens + 16 * j, 16);
        if (s.flip_x) std::reverse(row, row + 16);
        uint32_t* line = m->compose_buffer[y];
        uint16_t* priority = m->priority_buffer[y];
        for (int x = x0; x < x1; x++)
          video_plot_pixel(row[x - tx], &line[x], &priority[x], palette, p, alpha);
      }
    }
  }
}

void draw_zoomed(machine* m, const sprite_record& s, uint32_t p, const uint32_t* palette, int alpha,
                 uint32_t zx, uint32_t zy) {
  // Assemble unmirrored; the rest of zoom_scratch keeps what it held.
  uint8_t scratch[256];
  for (int r = 0; r < s.height; r++)
    for (int c = 0; c < s.width; c++) {
      const uint8_t* pens = video_tile_pens(m, s.tile + r * s.width + c, s.is_8bpp, scratch);
      for (int j = 0; j < 16; j++)
        std::memcpy(&m->zoom_scratch[16 * r + j][16 * c], pens + 16 * j, 16);
    }

  const uint32_t wpx = ((static_cast<uint32_t>(s.width) << 24) / zx + 512) >> 10;
  const uint32_t hpx = ((static_cast<uint32_t>(s.height) << 24) / zy + 512) >> 10;
  if (wpx == 0 || hpx == 0) return;
  // Source positions in 1/1024 pixel. Both stay within 0 to 16 tiles over the sprite's
  // extent, and the loops cover only its on-screen part, however large it is.
  const int sx0 = s.flip_x ? static_cast<int>(zx * (wpx - 1)) : 0;
  const int dx = s.flip_x ? -static_cast<int>(zx) : static_cast<int>(zx);
  const int sy0 = s.flip_y ? static_cast<int>(zy * (hpx - 1)) : 0;
  const int dy = s.flip_y ? -static_cast<int>(zy) : static_cast<int>(zy);
  const int x0 = std::max(s.x, 0),
            x1 = std::min(s.x + static_cast<int>(wpx), static_cast<int>(VIDEO_WIDTH));
  const int y0 = std::max(s.y, 0),
            y1 = std::min(s.y + static_cast<int>(hpx), static_cast<int>(VIDEO_HEIGHT));
  for (int y = y0; y < y1; y++) {
    const uint8_t* src = m->zoom_scratch[(sy0 + (y - s.y) * dy) >> 10 & 255];
    uint32_t* line = m->compose_buffer[y];
    uint16_t* priority = m->priority_buffer[y];
    int sx = sx0 + (x0 - s.x) * dx;
    for (int x = x0; x < x1; x++, sx += dx)
      video_plot_pixel(src[sx >> 10 & 255], &line[x], &priority[x], palette, p, alpha);
  }
}

}  // namespace

void video_draw_sprite(machine* m, uint32_t p) {
  const sprite_record s = video_sprite_masked(m->sprites[p]);
  const uint32_t zy = zoom_entry(m, s.zoom_y), zx = zoom_entry(m, s.zoom_x);
  if (zx == 0 || zy == 0) return;
  const int alpha = video_alpha_byte(m, s.alpha_select);
  const uint32_t* palette = m->palette_argb + s.palette * 16;
  if (zx == 1024 && zy == 1024)
    draw_plain(m, s, p, palette, alpha);
  else
    draw_zoomed(m, s, p, palette, alpha, zx, zy);
}
