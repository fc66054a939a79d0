// The four tilemap layers. A layer in normal mode is placed whole by one scroll word and one
// attribute word; in per-line mode every screen line has its own scroll, attribute (level,
// alpha, bank) and horizontal zoom, and is sampled from 16-line bands that are rendered into
// layer_cache once per pass and reused. Also the 16 x 16 tile blit both modes use. The frame
// decides when each layer is asked to draw a level (render_frame.cpp).
#include <cstring>

#include "board/machine.h"
#include "video/video_draw.h"

namespace {

struct layer_setup {
  uint32_t is_8bpp;    // 0/1: 8-bit tiles, else 4-bit
  uint32_t rows;       // tile rows: 16 or 32
  uint32_t per_line;   // 0/1
  uint32_t page_base;  // first video RAM word of the layer's page
};

layer_setup layer_setup_of(const machine* m, int n) {
  const uint32_t flags = m->video_regs[7];
  const uint32_t b = m->video_regs[6] >> (24 - 8 * n) & 0xFF;
  return {
      .is_8bpp = flags >> (14 - 4 * n) & 1,
      .rows = flags >> (12 - 4 * n) & 1 ? 32u : 16u,
      .per_line = b >> 7,
      .page_base = (b & 0x7F) * 512,
  };
}

// What an attribute word asks for: its level, its tile bank (0 when outside 10-31, which
// draws nothing) and its alpha (0-255 or VIDEO_ALPHA_PER_PEN).
struct layer_attr {
  int level;
  uint32_t bank;
  int alpha;
};

layer_attr layer_attr_of(uint32_t a) {
  const uint32_t bank = a & 0xFF;
  return {
      .level = static_cast<int>(a >> 24),
      .bank = bank >= 10 && bank <= 31 ? bank : 0,
      .alpha = a & 0x8000 ? VIDEO_ALPHA_PER_PEN : alpha_from_level(63 - (a >> 8 & 63)),
  };
}

template <int MODE>
void blit_rows(uint32_t* destination, int x, int y, const uint8_t* pens, const uint32_t* palette,
               int i0, int i1, int j0, int j1, uint32_t alpha) {
  for (int j = j0; j < j1; j++) {
    // Addressed from the line's start: rows and columns are clipped, so only pixels inside the
    // buffer are ever formed, even for a tile that hangs over its left or bottom edge.
    uint32_t* line = destination + (y + j) * VIDEO_LINE_STRIDE;
    const uint8_t* pr = pens + 16 * j;
    for (int i = i0; i < i1; i++) {
      const uint32_t p = pr[i];
      if (p == 0) continue;
      const uint32_t c = palette[p];
      if constexpr (MODE == VIDEO_TILE_OPAQUE)
        line[x + i] = c;
      else if constexpr (MODE == VIDEO_TILE_ALPHA)
        line[x + i] = video_blend(c, line[x + i], alpha);
      else if constexpr (MODE == VIDEO_TILE_PEN_ALPHA)
        line[x + i] = video_blend(c, line[x + i], pen_alpha[p]);
      else
        line[x + i] = static_cast<uint32_t>(pen_alpha[p]) << 24 | (c & 0xFFFFFF);
    }
  }
}

void draw_normal(machine* m, int n, const layer_setup& ls, int level) {
  const uint32_t s = video_ram_word(m, ls.page_base + 252 + n);
  const layer_attr a = layer_attr_of(video_ram_word(m, ls.page_base + 508 + n));
  if (a.level != level || a.bank == 0 || a.alpha == 0) return;  // alpha 0 changes nothing
  const int mode = a.alpha == 255                   ? VIDEO_TILE_OPAQUE
                   : a.alpha == VIDEO_ALPHA_PER_PEN ? VIDEO_TILE_PEN_ALPHA
                                                    : VIDEO_TILE_ALPHA;
  const int fine_x = s & 15, fine_y = s >> 16 & 15;
  const uint32_t first_col = (s >> 4 & 31) ^ 31;
  const uint32_t first_row = ((s >> 20 & 31) ^ 31) & (ls.rows - 1);
  uint8_t scratch[256];
  for (int j = 0; j < 15; j++) {
    const int y = fine_y - 16 + 16 * j;
    if (y <= -16 || y >= VIDEO_HEIGHT) continue;
    const uint32_t r = (first_row + j) & (ls.rows - 1);
    for (int i = 0; i < 21; i++) {
      const int x = fine_x - 16 + 16 * i;
      if (x <= -16 || x >= VIDEO_WIDTH) continue;
      const uint32_t entry = video_ram_word(m, a.bank * 512 + r * 32 + ((first_col + i) & 31));
      const uint8_t* pens = video_tile_pens(m, entry & 0x7FFFF, ls.is_8bpp, scratch);
      video_draw_tile16(&m->compose_buffer[0][0], 0, VIDEO_WIDTH - 1, 0, VIDEO_HEIGHT - 1, pens,
                        m->palette_argb + (entry >> 24) * 16, x, y, mode, a.alpha);
    }
  }
}

// Renders band k (source lines 16k-16k+15, all 512 columns) of `bank` into layer_cache.
// Tile number 0 leaves its square in the key colour.
void render_band(machine* m, const layer_setup& ls, uint32_t bank, uint32_t k, int mode) {
  for (uint32_t line = 16 * k; line < 16 * k + 16; line++)
    for (int x = 0; x < VIDEO_LINE_STRIDE; x++) m->layer_cache[line][x] = VIDEO_KEY_COLOUR;
  uint8_t scratch[256];
  for (uint32_t c = 0; c < 32; c++) {
    const uint32_t entry = video_ram_word(m, bank * 512 + k * 32 + c);
    const uint32_t tile = entry & 0x7FFFF;
    if (tile == 0) continue;
    const uint8_t* pens = video_tile_pens(m, tile, ls.is_8bpp, scratch);
    video_draw_tile16(&m->layer_cache[0][0], 0, 511, 0, 511, pens,
                      m->palette_argb + (entry >> 24) * 16, 16 * c, 16 * k, mode, 0);
  }
}

void draw_per_line(machine* m, const layer_setup& ls, int level) {
  // Band keys: the bank each band was last rendered from in this pass; 0xFF = not rendered.
  // A band is reused by every later line of the pass that needs it with the same bank, in
  // whichever mode it was rendered.
  uint8_t band_bank[32];
  std::memset(band_bank, 0xFF, sizeof band_bank);
  const uint32_t height = ls.rows * 16;
  for (uint32_t line = 0; line < VIDEO_HEIGHT; line++) {
    const uint32_t s = video_ram_word(m, ls.page_base + line);
    const uint32_t aw = video_ram_word(m, ls.page_base + 256 + line);
    const layer_attr a = layer_attr_of(aw);
    if (a.level != level || a.bank == 0) continue;
    const uint32_t scroll_y = s >> 16 & 0x3FF, scroll_x = s & 0x1FF;
    const uint32_t t = (line - scroll_y + 1024) & (height - 1);
    const uint32_t k = t >> 4;
    if (band_bank[k] != a.bank) {
      render_band(m, ls, a.bank, k,
                  a.alpha == VIDEO_ALPHA_PER_PEN ? VIDEO_TILE_KEEP_PEN_ALPHA : VIDEO_TILE_OPAQUE);
      band_bank[k] = static_cast<uint8_t>(a.bank);
    }
    if (a.alpha == 0) continue;

    // The line's 320 source pixels; a zoom is anchored at the left edge of the screen.
    const uint32_t* band_line = m->layer_cache[t];
    uint32_t src[VIDEO_WIDTH];
    if (const uint32_t z = aw >> 16 & 0xFF) {
      const uint32_t step = zoom_reciprocal[z];
      for (uint32_t x = 0; x < VIDEO_WIDTH; x++)
        src[x] = band_line[(((0x100000 + x * step) >> 10) - scroll_x) & 511];
    } else {
      for (uint32_t x = 0; x < VIDEO_WIDTH; x++) src[x] = band_line[(x - scroll_x) & 511];
    }

    uint32_t* dst = m->compose_buffer[line];
    for (int x = 0; x < VIDEO_WIDTH; x++) {
      const uint32_t v = src[x];
      if (v == VIDEO_KEY_COLOUR) continue;
      if (a.alpha == 255)
        dst[x] = v;
      else if (a.alpha == VIDEO_ALPHA_PER_PEN)
        dst[x] = video_blend(v, dst[x], v >> 24);
      else
        dst[x] = video_blend(v, dst[x], a.alpha);
    }
  }
}

}  // namespace

void video_draw_tile16(uint32_t* destination, int x_min, int x_max, int y_min, int y_max,
                       const uint8_t* pens, const uint32_t* palette, int x, int y, int mode,
                       int alpha) {
  const int i0 = x_min > x ? x_min - x : 0, i1 = x_max - x + 1 < 16 ? x_max - x + 1 : 16;
  const int j0 = y_min > y ? y_min - y : 0, j1 = y_max - y + 1 < 16 ? y_max - y + 1 : 16;
  if (i0 >= i1 || j0 >= j1) return;
  const uint32_t a = static_cast<uint32_t>(alpha);
  switch (mode) {
    case VIDEO_TILE_OPAQUE:
      return blit_rows<VIDEO_TILE_OPAQUE>(destination, x, y, pens, palette, i0, i1, j0, j1, a);
    case VIDEO_TILE_ALPHA:
      return blit_rows<VIDEO_TILE_ALPHA>(destination, x, y, pens, palette, i0, i1, j0, j1, a);
    case VIDEO_TILE_PEN_ALPHA:
      return blit_rows<VIDEO_TILE_PEN_ALPHA>(destination, x, y, pens, palette, i0, i1, j0, j1, a);
    default:
      return blit_rows<VIDEO_TILE_KEEP_PEN_ALPHA>(destination, x, y, pens, palette, i0, i1, j0, j1,
                                                  a);
  }
}

void video_draw_layer(machine* m, int n, int level) {
  if (!(m->video_regs[7] >> (15 - 4 * n) & 1)) return;
  const layer_setup ls = layer_setup_of(m, n);
  if (ls.per_line)
    draw_per_line(m, ls, level);
  else
    draw_normal(m, n, ls, level);
}
