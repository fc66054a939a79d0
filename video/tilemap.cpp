// The four tilemap layers. A layer in normal mode is placed whole by one scroll word and one
// attribute word; in per-line mode every screen line has its own scroll, attribute (level,
// alpha, bank) and horizontal zoom. Each layer is read once a frame into a plan that lists
// its lines by level, so a level's pass visits only its own lines. Also the 16 x 16 tile blit
// that normal mode draws with and the lookup of a whole tile's pens. The frame decides when
// each layer is asked to draw a level (render_frame.cpp).
//
// Per-line mode samples 16-line bands of the layer: within one pass, a band is rendered the
// first time a line needs it and reused, in the mode of that first render, by every later
// line that needs it from the same bank. A band's pixels depend only on its bank, its mode and
// what the frame reads, so each line renders just the stretch of its one source line that it
// shows, from the band's bank and mode as the pass's band keys record them.
#include <cstring>

#include "board/machine.h"
#include "video/video_draw.h"
#include "video/video_rows.h"

inline namespace VIDEO_VARIANT {
namespace {

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

// video_draw_tile16 for one mode; SMALL: the pens are 0-15 and palette has 16 entries.
template <int MODE, bool SMALL>
void draw_tile16(uint32_t* destination, int x_min, int x_max, int y_min, int y_max,
                 const uint8_t* pens, const uint32_t* colours, int x, int y, int alpha) {
  const int i0 = x_min > x ? x_min - x : 0, i1 = x_max - x + 1 < 16 ? x_max - x + 1 : 16;
  const int j0 = y_min > y ? y_min - y : 0, j1 = y_max - y + 1 < 16 ? y_max - y + 1 : 16;
  if (i0 >= i1 || j0 >= j1) return;
  const video_palette palette = video_palette_of<SMALL>(colours);
  // Addressed from the line's start: rows and columns are clipped, so only pixels inside the
  // buffer are ever formed, even for a tile that hangs over its left or bottom edge.
  for (int j = j0; j < j1; j++)
    video_tile_row<MODE, SMALL>(destination + (y + j) * VIDEO_LINE_STRIDE + x + i0,
                                pens + 16 * j + i0, i1 - i0, palette, static_cast<uint32_t>(alpha));
}

using tile_blit_fn = void (*)(uint32_t* destination, int x_min, int x_max, int y_min, int y_max,
                              const uint8_t* pens, const uint32_t* colours, int x, int y,
                              int alpha);

tile_blit_fn tile_blit_for(int mode, int small) {
  static const tile_blit_fn blits[2][4] = {
      {draw_tile16<VIDEO_TILE_OPAQUE, false>, draw_tile16<VIDEO_TILE_ALPHA, false>,
       draw_tile16<VIDEO_TILE_PEN_ALPHA, false>, draw_tile16<VIDEO_TILE_KEEP_PEN_ALPHA, false>},
      {draw_tile16<VIDEO_TILE_OPAQUE, true>, draw_tile16<VIDEO_TILE_ALPHA, true>,
       draw_tile16<VIDEO_TILE_PEN_ALPHA, true>, draw_tile16<VIDEO_TILE_KEEP_PEN_ALPHA, true>},
  };
  return blits[small != 0][mode & 3];
}

void draw_normal(machine* m, const video_layer_plan& plan, int level) {
  const uint32_t s = video_ram_word(m, plan.page_base + 252 + plan.n);
  const layer_attr a = layer_attr_of(video_ram_word(m, plan.page_base + 508 + plan.n));
  if (a.level != level || a.bank == 0 || a.alpha == 0) return;  // alpha 0 changes nothing
  const int mode = a.alpha == 255                   ? VIDEO_TILE_OPAQUE
                   : a.alpha == VIDEO_ALPHA_PER_PEN ? VIDEO_TILE_PEN_ALPHA
                                                    : VIDEO_TILE_ALPHA;
  const int fine_x = s & 15, fine_y = s >> 16 & 15;
  const uint32_t first_col = (s >> 4 & 31) ^ 31;
  const uint32_t first_row = ((s >> 20 & 31) ^ 31) & (plan.rows - 1);
  const tile_blit_fn blit = tile_blit_for(mode, !plan.is_8bpp);
  uint8_t scratch[256];
  for (int j = 0; j < 15; j++) {
    const int y = fine_y - 16 + 16 * j;
    if (y <= -16 || y >= VIDEO_HEIGHT) continue;
    const uint32_t r = (first_row + j) & (plan.rows - 1);
    for (int i = 0; i < 21; i++) {
      const int x = fine_x - 16 + 16 * i;
      if (x <= -16 || x >= VIDEO_WIDTH) continue;
      const uint32_t entry = video_ram_word(m, a.bank * 512 + r * 32 + ((first_col + i) & 31));
      const uint8_t* pens = video_tile_pens(m, entry & 0x7FFFF, plan.is_8bpp, scratch);
      blit(&m->compose_buffer[0][0], 0, VIDEO_WIDTH - 1, 0, VIDEO_HEIGHT - 1, pens,
           m->palette_argb + (entry >> 24) * 16, x, y, a.alpha);
    }
  }
}

// One 16-pixel row of a band tile over the key colour, keeping pen alphas or opaque.
template <bool SMALL>
void render_tile_row(uint32_t* out, const uint8_t* pens, const uint32_t* colours,
                     int keep_pen_alpha) {
  const video_palette palette = video_palette_of<SMALL>(colours);
  if (keep_pen_alpha)
    video_tile_row<VIDEO_TILE_KEEP_PEN_ALPHA, SMALL>(out, pens, 16, palette, 0);
  else
    video_tile_row<VIDEO_TILE_OPAQUE, SMALL>(out, pens, 16, palette, 0);
}

// Renders what screen line `line` shows of source line t of the layer, band t >> 4 rendered
// from `bank` (keeping pen alphas or opaque), and composes it over the line with the line's
// alpha and zoom.
void draw_source_line(machine* m, const video_layer_plan& plan, uint32_t line, uint32_t t,
                      uint32_t bank, int keep_pen_alpha, uint32_t scroll_x, uint32_t zoom,
                      int alpha) {
  // Screen column x shows source offset u = x, or (x * step) >> 10 with a zoom, of the line
  // starting at column first; buffer position first % 16 + u holds it.
  const uint32_t step = zoom ? zoom_reciprocal[zoom] : 1024;
  const uint32_t first = (0 - scroll_x) & 511, last = ((VIDEO_WIDTH - 1) * step) >> 10;
  const uint32_t skip = first & 15, tiles = (skip + last) / 16 + 1;
  uint32_t source[16 * 21 + 8];  // and the seven a zoomed row may read past its end
  std::memset(source + 16 * tiles, 0, 8 * sizeof source[0]);
  const uint32_t entries = bank * 512 + (t >> 4) * 32;
  int drawn = 0;
  for (uint32_t i = 0; i < tiles; i++) {
    uint32_t* out = source + 16 * i;
    for (int k = 0; k < 16; k++) out[k] = VIDEO_KEY_COLOUR;
    const uint32_t entry = video_ram_word(m, entries + ((first / 16 + i) & 31));
    if ((entry & 0x7FFFF) == 0) continue;  // tile number 0 stays key colour
    uint8_t pens[16];
    video_row_pens(video_tile_data(m, entry & 0x7FFFF, plan.is_8bpp), plan.is_8bpp, t & 15, 0,
                   pens);
    const uint32_t* colours = m->palette_argb + (entry >> 24) * 16;
    if (plan.is_8bpp)
      render_tile_row<false>(out, pens, colours, keep_pen_alpha);
    else
      render_tile_row<true>(out, pens, colours, keep_pen_alpha);
    drawn = 1;
  }
  if (!drawn) return;

  uint32_t* dst = m->compose_buffer[line];
  const uint32_t* src = source + skip;
  const uint32_t a = static_cast<uint32_t>(alpha);
  if (alpha == 255)
    zoom ? video_compose_row<VIDEO_COMPOSE_STORE, true>(dst, src, step, a)
         : video_compose_row<VIDEO_COMPOSE_STORE, false>(dst, src, step, a);
  else if (alpha == VIDEO_ALPHA_PER_PEN)
    zoom ? video_compose_row<VIDEO_COMPOSE_PER_PEN, true>(dst, src, step, a)
         : video_compose_row<VIDEO_COMPOSE_PER_PEN, false>(dst, src, step, a);
  else
    zoom ? video_compose_row<VIDEO_COMPOSE_BLEND, true>(dst, src, step, a)
         : video_compose_row<VIDEO_COMPOSE_BLEND, false>(dst, src, step, a);
}

void draw_per_line(machine* m, const video_layer_plan& plan, int level) {
  // Band keys of this pass: the bank each band was first rendered from (0xFF = not yet) and
  // whether that render kept the pen alphas.
  uint8_t band_bank[32], band_keeps[32] = {};
  std::memset(band_bank, 0xFF, sizeof band_bank);
  const uint32_t height = plan.rows * 16;
  for (uint32_t k = 0; k < plan.line_count[level]; k++) {
    const uint32_t line = plan.lines[level][k];
    const uint32_t s = video_ram_word(m, plan.page_base + line);
    const uint32_t aw = video_ram_word(m, plan.page_base + 256 + line);
    const layer_attr a = layer_attr_of(aw);
    const uint32_t t = (line - (s >> 16 & 0x3FF) + 1024) & (height - 1);
    const uint32_t band = t >> 4;
    if (band_bank[band] != a.bank) {
      band_bank[band] = static_cast<uint8_t>(a.bank);
      band_keeps[band] = a.alpha == VIDEO_ALPHA_PER_PEN;
    }
    if (a.alpha == 0) continue;
    draw_source_line(m, plan, line, t, a.bank, band_keeps[band], s & 0x1FF, aw >> 16 & 0xFF,
                     a.alpha);
  }
}

}  // namespace

const uint8_t* video_tile_pens(const machine* m, uint32_t tile, int is_8bpp, uint8_t* scratch) {
  const uint8_t* data = video_tile_data(m, tile, is_8bpp);
  if (data && is_8bpp) return data;
  for (int j = 0; j < 16; j++) video_row_pens(data, is_8bpp, j, 0, scratch + 16 * j);
  return scratch;
}

void video_draw_tile16(uint32_t* destination, int x_min, int x_max, int y_min, int y_max,
                       const uint8_t* pens, const uint32_t* palette, int x, int y, int mode,
                       int alpha) {
  tile_blit_for(mode, 0)(destination, x_min, x_max, y_min, y_max, pens, palette, x, y, alpha);
}

void video_plan_layer(const machine* m, int n, video_layer_plan* plan) {
  const uint32_t flags = m->video_regs[7];
  const uint32_t b = m->video_regs[6] >> (24 - 8 * n) & 0xFF;
  plan->n = n;
  plan->enabled = flags >> (15 - 4 * n) & 1;
  plan->is_8bpp = flags >> (14 - 4 * n) & 1;
  plan->rows = flags >> (12 - 4 * n) & 1 ? 32u : 16u;
  plan->per_line = b >> 7;
  plan->page_base = (b & 0x7F) * 512;
  std::memset(plan->line_count, 0, sizeof plan->line_count);
  if (!plan->enabled || !plan->per_line) return;
  for (uint32_t line = 0; line < VIDEO_HEIGHT; line++) {
    const layer_attr a = layer_attr_of(video_ram_word(m, plan->page_base + 256 + line));
    if (a.bank == 0 || a.level >= VIDEO_LEVELS) continue;
    plan->lines[a.level][plan->line_count[a.level]++] = static_cast<uint8_t>(line);
  }
}

void video_draw_layer(machine* m, const video_layer_plan* plan, int level) {
  if (!plan->enabled) return;
  if (plan->per_line)
    draw_per_line(m, *plan, level);
  else
    draw_normal(m, *plan, level);
}

}  // namespace VIDEO_VARIANT
