// The plain frame model and the random scenes of video_model.h. Every rule is written out per
// pixel in the chip's order, with nothing cached but the per-line layer bands, which are part
// of what a frame shows (a band is reused in the mode it was first rendered in).
#include "video_model.h"

#include <cstddef>
#include <cstring>

#include "board/machine.h"
#include "video/video.h"

namespace {

constexpr uint32_t KEY = 0x00FF00FF;  // empty pixel of a band
constexpr int PER_PEN = 256;          // an alpha that takes each pen's own
constexpr int LEVELS = 8;

uint32_t blend(uint32_t s, uint32_t d, uint32_t a) {
  uint32_t out = 0;
  for (int shift : {0, 8, 16}) {
    const uint32_t cs = s >> shift & 0xFF, cd = d >> shift & 0xFF;
    out |= (cs * a + cd * (256 - a)) >> 8 << shift;
  }
  return out;
}

uint32_t ram(const machine* m, uint32_t index) {
  return index < VIDEO_RAM_WORDS ? m->video_ram[index] : 0;
}

// Pen of data pixel (i, j) of a tile.
uint32_t tile_pen(const machine* m, uint32_t tile, int is_8bpp, int i, int j) {
  if (!m->graphics_rom) return 0;
  if (is_8bpp) return m->graphics_rom[static_cast<size_t>(tile % 0x2C000) * 256 + 16 * j + i];
  const uint8_t b = m->graphics_rom[static_cast<size_t>(tile % 0x58000) * 128 + 8 * j + i / 2];
  return i % 2 ? b & 15 : b >> 4;
}

int sign_extend_10(int32_t v) {
  return static_cast<int>((static_cast<uint32_t>(v) & 0x3FF) ^ 0x200) - 0x200;
}

uint32_t zoom_factor(const machine* m, uint32_t index) {
  const uint32_t w = m->zoom_table[index / 2];
  return index % 2 ? w & 0xFFFF : w >> 16;
}

// --- sprites

void plot(machine* m, int x, int y, uint32_t pen, uint32_t p, const uint32_t* palette, int alpha) {
  if (x < 0 || x >= VIDEO_WIDTH || y < 0 || y >= VIDEO_HEIGHT || pen == 0) return;
  uint16_t& priority = m->priority_buffer[y][x];
  if (p > 0 && p < priority) return;
  uint32_t& pixel = m->compose_buffer[y][x];
  const uint32_t c = palette[pen];
  const int a = alpha == PER_PEN ? pen_alpha[pen] : alpha;
  if (a == 255)
    pixel = c;
  else if (a != 0)
    pixel = blend(c, pixel, a);
  if (p > 0) priority = static_cast<uint16_t>(p);
}

void draw_sprite(machine* m, uint32_t p) {
  const sprite_record& r = m->sprites[p];
  const int y = sign_extend_10(r.y), x = sign_extend_10(r.x);
  const int height = ((r.height - 1) & 15) + 1, width = ((r.width - 1) & 15) + 1;
  const int flip_y = r.flip_y & 1, flip_x = r.flip_x & 1, is_8bpp = r.is_8bpp & 1;
  const uint32_t tile = r.tile & 0x7FFFF;
  const uint32_t zy = zoom_factor(m, r.zoom_y), zx = zoom_factor(m, r.zoom_x);
  if (zx == 0 || zy == 0) return;
  const uint32_t j = r.alpha_select & 7;
  const uint32_t b = m->video_regs[j / 4] >> (24 - 8 * (j % 4)) & 0xFF;
  const int alpha = b & 0x80 ? PER_PEN : alpha_from_level(63 - (b & 63));
  const uint32_t* palette = m->palette_argb + (r.palette & 0xFF) * 16;

  if (zx == 1024 && zy == 1024) {
    for (int tr = 0; tr < height; tr++)
      for (int tc = 0; tc < width; tc++) {
        const uint32_t t = tile + tr * width + tc;
        const int tx = x + 16 * (flip_x ? width - 1 - tc : tc);
        const int ty = y + 16 * (flip_y ? height - 1 - tr : tr);
        for (int dj = 0; dj < 16; dj++)
          for (int di = 0; di < 16; di++)
            plot(m, tx + (flip_x ? 15 - di : di), ty + (flip_y ? 15 - dj : dj),
                 tile_pen(m, t, is_8bpp, di, dj), p, palette, alpha);
      }
    return;
  }

  for (int tr = 0; tr < height; tr++)
    for (int tc = 0; tc < width; tc++)
      for (int dj = 0; dj < 16; dj++)
        for (int di = 0; di < 16; di++)
          m->zoom_scratch[16 * tr + dj][16 * tc + di] =
              static_cast<uint8_t>(tile_pen(m, tile + tr * width + tc, is_8bpp, di, dj));
  const uint32_t wpx = ((static_cast<uint32_t>(width) << 24) / zx + 512) >> 10;
  const uint32_t hpx = ((static_cast<uint32_t>(height) << 24) / zy + 512) >> 10;
  if (wpx == 0 || hpx == 0) return;
  const int sx0 = flip_x ? static_cast<int>(zx * (wpx - 1)) : 0;
  const int dx = flip_x ? -static_cast<int>(zx) : static_cast<int>(zx);
  const int sy0 = flip_y ? static_cast<int>(zy * (hpx - 1)) : 0;
  const int dy = flip_y ? -static_cast<int>(zy) : static_cast<int>(zy);
  const int right = x + static_cast<int>(wpx), bottom = y + static_cast<int>(hpx);
  for (int Y = y < 0 ? 0 : y; Y < (bottom < VIDEO_HEIGHT ? bottom : VIDEO_HEIGHT); Y++)
    for (int X = x < 0 ? 0 : x; X < (right < VIDEO_WIDTH ? right : VIDEO_WIDTH); X++) {
      const uint8_t pen =
          m->zoom_scratch[(sy0 + (Y - y) * dy) >> 10 & 255][(sx0 + (X - x) * dx) >> 10 & 255];
      plot(m, X, Y, pen, p, palette, alpha);
    }
}

// --- layers

struct attr {
  int level;
  uint32_t bank;  // 0: draws nothing
  int alpha;      // 0-255 or PER_PEN
};

attr attr_of(uint32_t a) {
  const uint32_t bank = a & 0xFF;
  return {static_cast<int>(a >> 24), bank >= 10 && bank <= 31 ? bank : 0,
          a & 0x8000 ? PER_PEN : alpha_from_level(63 - (a >> 8 & 63))};
}

void draw_normal(machine* m, int n, uint32_t page_base, int is_8bpp, uint32_t rows, int level) {
  const uint32_t s = ram(m, page_base + 252 + n);
  const attr a = attr_of(ram(m, page_base + 508 + n));
  if (a.level != level || a.bank == 0 || a.alpha == 0) return;  // alpha 0 leaves all as it was
  const int fine_x = s & 15, fine_y = s >> 16 & 15;
  const uint32_t first_col = (s >> 4 & 31) ^ 31, first_row = ((s >> 20 & 31) ^ 31) & (rows - 1);
  for (int j = 0; j < 15; j++)
    for (int i = 0; i < 21; i++) {
      const uint32_t r = (first_row + j) & (rows - 1), c = (first_col + i) & 31;
      const uint32_t entry = ram(m, a.bank * 512 + r * 32 + c);
      const uint32_t* palette = m->palette_argb + (entry >> 24) * 16;
      for (int dj = 0; dj < 16; dj++)
        for (int di = 0; di < 16; di++) {
          const int X = fine_x - 16 + 16 * i + di, Y = fine_y - 16 + 16 * j + dj;
          if (X < 0 || X >= VIDEO_WIDTH || Y < 0 || Y >= VIDEO_HEIGHT) continue;
          const uint32_t pen = tile_pen(m, entry & 0x7FFFF, is_8bpp, di, dj);
          if (pen == 0) continue;
          uint32_t& pixel = m->compose_buffer[Y][X];
          if (a.alpha == 255)
            pixel = palette[pen];
          else if (a.alpha == PER_PEN)
            pixel = blend(palette[pen], pixel, pen_alpha[pen]);
          else
            pixel = blend(palette[pen], pixel, a.alpha);
        }
    }
}

void render_band(machine* m, uint32_t bank, uint32_t k, int is_8bpp, int keep_pen_alpha) {
  for (uint32_t line = 16 * k; line < 16 * k + 16; line++)
    for (int x = 0; x < 512; x++) m->layer_cache[line][x] = KEY;
  for (uint32_t c = 0; c < 32; c++) {
    const uint32_t entry = ram(m, bank * 512 + k * 32 + c);
    if ((entry & 0x7FFFF) == 0) continue;
    const uint32_t* palette = m->palette_argb + (entry >> 24) * 16;
    for (int dj = 0; dj < 16; dj++)
      for (int di = 0; di < 16; di++) {
        const uint32_t pen = tile_pen(m, entry & 0x7FFFF, is_8bpp, di, dj);
        if (pen == 0) continue;
        const uint32_t colour = palette[pen];
        m->layer_cache[16 * k + dj][16 * c + di] =
            keep_pen_alpha ? static_cast<uint32_t>(pen_alpha[pen]) << 24 | (colour & 0xFFFFFF)
                           : colour;
      }
  }
}

void draw_per_line(machine* m, uint32_t page_base, int is_8bpp, uint32_t rows, int level) {
  uint32_t band_bank[32];
  for (uint32_t& b : band_bank) b = 0xFF;
  for (uint32_t line = 0; line < VIDEO_HEIGHT; line++) {
    const uint32_t s = ram(m, page_base + line), aw = ram(m, page_base + 256 + line);
    const attr a = attr_of(aw);
    if (a.level != level || a.bank == 0) continue;
    const uint32_t t = (line - (s >> 16 & 0x3FF) + 1024) & (rows * 16 - 1);
    if (band_bank[t / 16] != a.bank) {
      render_band(m, a.bank, t / 16, is_8bpp, a.alpha == PER_PEN);
      band_bank[t / 16] = a.bank;
    }
    if (a.alpha == 0) continue;
    const uint32_t scroll_x = s & 0x1FF, z = aw >> 16 & 0xFF;
    for (uint32_t X = 0; X < VIDEO_WIDTH; X++) {
      const uint32_t column =
          z ? (((0x100000 + X * zoom_reciprocal[z]) >> 10) - scroll_x) & 511 : (X - scroll_x) & 511;
      const uint32_t v = m->layer_cache[t][column];
      if (v == KEY) continue;
      uint32_t& pixel = m->compose_buffer[line][X];
      if (a.alpha == 255)
        pixel = v;
      else if (a.alpha == PER_PEN)
        pixel = blend(v, pixel, v >> 24);
      else
        pixel = blend(v, pixel, a.alpha);
    }
  }
}

void draw_layer(machine* m, int n, int level) {
  const uint32_t flags = m->video_regs[7] >> (12 - 4 * n);
  if (!(flags & 8)) return;
  const uint32_t b = m->video_regs[6] >> (24 - 8 * n) & 0xFF;
  const uint32_t page_base = (b & 0x7F) * 512, rows = flags & 1 ? 32 : 16;
  const int is_8bpp = flags >> 2 & 1;
  if (b & 0x80)
    draw_per_line(m, page_base, is_8bpp, rows, level);
  else
    draw_normal(m, n, page_base, is_8bpp, rows, level);
}

}  // namespace

void model_render_frame(machine* m) {
  const uint32_t table = (m->video_regs[7] >> 24) * 512;
  for (int y = 0; y < VIDEO_HEIGHT; y++)
    for (int x = 0; x < VIDEO_WIDTH; x++) {
      m->priority_buffer[y][x] = 0;
      m->compose_buffer[y][x] = ram(m, table + y) >> 8;
    }
  const int count = m->sprite_count < 0                   ? 0
                    : m->sprite_count > VIDEO_MAX_SPRITES ? VIDEO_MAX_SPRITES
                                                          : m->sprite_count;
  for (int level = 0; level < LEVELS; level++) {
    for (int p = 0; p < count; p++) {
      const uint32_t index = m->sprites[p].priority_index & 3;
      if (static_cast<int>(m->video_regs[2] >> (28 - 4 * index) & 15) == level)
        draw_sprite(m, static_cast<uint32_t>(p));
    }
    for (int n = 0; n < 4; n++) draw_layer(m, n, level);
    if (static_cast<int>(m->video_regs[2] & 15) != level) continue;
    for (uint32_t y = 0; y < VIDEO_HEIGHT; y++) {
      const uint32_t e = ram(m, table + 256 + y);
      for (int x = 0; x < VIDEO_WIDTH; x++) {
        uint32_t& pixel = m->compose_buffer[y][x];
        if (e & 0x80)
          pixel = e >> 8;
        else if (e & 0x7F)
          pixel = blend(e >> 8, pixel, 2 * (e & 0x7F));
      }
    }
  }
  for (int y = 0; y < VIDEO_HEIGHT; y++)
    for (int x = 0; x < VIDEO_WIDTH; x++)
      m->frame[y * VIDEO_WIDTH + x] = m->compose_buffer[y][x] & 0x00FFFFFF;
}

// --- random scenes

namespace {

// A 64-bit linear congruential generator: fixed output on every platform.
struct scene_random {
  uint64_t state;
  uint32_t next() {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(state >> 33);
  }
  uint32_t below(uint32_t n) { return next() % n; }
  bool one_in(uint32_t n) { return below(n) == 0; }
};

constexpr uint32_t TILES = 512;  // 8-bit tiles 0-511 (4-bit tiles 0-1023) hold art

uint32_t random_tile(scene_random* r) {
  if (r->one_in(4)) return 0;
  if (r->one_in(20)) return r->next() & 0x7FFFF;  // wraps at the tile count
  if (r->one_in(20)) return 0x2C000 + r->below(TILES);
  return r->below(2 * TILES);
}

void random_tiles(machine* m, scene_random* r) {
  for (uint32_t t = 0; t < TILES; t++) {
    uint8_t* pens = m->graphics_rom + static_cast<size_t>(t) * 256;
    const uint32_t kind = r->below(7), fill = r->next() & 0xFF;
    for (int k = 0; k < 256; k++) {
      const uint32_t v = r->next();
      uint32_t pen;
      switch (kind) {
        case 0:
          pen = 0;
          break;  // empty
        case 1:
          pen = fill;
          break;  // one pen
        case 2:
          pen = k / 16 % 2 ? v & 0xFF : 0;
          break;  // empty rows
        case 3:
          pen = 192 + v % 64;
          break;  // per-pen alphas
        case 4:
          pen = v % 3 ? v & 0xFF : 0;
          break;  // holes
        case 5:
          pen = v % 4 == 0 ? 0 : v % 4 == 1 ? 255 : 254;
          break;  // faint pens
        default:
          pen = v % 8 == 0 ? 0 : v & 0xFF;
          break;
      }
      pens[k] = static_cast<uint8_t>(pen);
    }
  }
}

void random_palette(machine* m, scene_random* r, int raw) {
  for (uint32_t i = 0; i < VIDEO_PALETTE_ENTRIES; i++) {
    const uint32_t rgb = r->one_in(12) ? 0xFF00FF : r->next() & 0xFFFFFF;
    m->palette_ram[i] = rgb << 8 | (r->next() & 0xFF);
    video_update_palette_entry(m, i);
    // Whatever the record holds, even the band key colour itself.
    if (raw) m->palette_argb[i] = r->one_in(6) ? KEY : r->next();
  }
}

void random_zoom_table(machine* m, scene_random* r) {
  for (uint32_t i = 0; i < 256; i++) {
    const uint32_t kind = r->below(20);
    const uint32_t f = kind < 8    ? 1024
                       : kind < 9  ? 0
                       : kind < 10 ? 1 + r->below(64)
                       : kind < 12 ? 4097 + r->below(61439)
                                   : 300 + r->below(3000);
    uint32_t& w = m->zoom_table[i / 2];
    w = i % 2 ? (w & 0xFFFF0000) | f : (w & 0xFFFF) | f << 16;
  }
}

uint32_t random_bank(scene_random* r) {
  if (r->one_in(12)) return r->one_in(2) ? 9 : 32 + r->below(224);
  return 10 + r->below(22);
}

uint32_t random_layer_attr(scene_random* r) {
  const uint32_t alpha_field = r->one_in(2) ? 0 : r->one_in(5) ? 63 : r->below(64);
  return r->below(10) << 24 | (r->one_in(3) ? 0 : r->next() & 0xFF) << 16 |
         (r->one_in(4) ? 0x8000u : 0) | (r->next() & 0x4000) | alpha_field << 8 | random_bank(r);
}

// Pages where layer words and the line table may live: 8 and 9, clear of the sprite
// attributes (pages 0-6) and the list (page 7), and 28-31, which are then not map banks.
uint32_t random_page(scene_random* r) {
  if (r->one_in(10)) return r->below(128);
  const uint32_t k = r->below(6);
  return k < 2 ? 8 + k : 26 + k;
}

void random_layers(machine* m, scene_random* r) {
  for (uint32_t bank = 10; bank < 28; bank++)
    for (uint32_t e = 0; e < 512; e++)
      m->video_ram[bank * 512 + e] =
          (r->next() & 0xFF) << 24 | (r->next() & 0xF80000) | random_tile(r);
  uint32_t modes = 0;
  for (int n = 0; n < 4; n++)
    modes |= ((r->one_in(2) ? 0x80u : 0) | random_page(r)) << (24 - 8 * n);
  m->video_regs[6] = modes;
  m->video_regs[7] = (r->next() & 0xFFFF) | (r->one_in(8) ? r->below(256) : random_page(r)) << 24;
  for (uint32_t page : {8u, 9u, 28u, 29u, 30u, 31u}) {
    uint32_t* w = &m->video_ram[page * 512];
    for (int n = 0; n < 4; n++) {
      w[252 + n] = r->next();
      w[508 + n] = random_layer_attr(r);
    }
    // Per-line words in runs, so that lines share bands, banks and modes; a y scroll that
    // grows by one a line shows one source line on every line of a run.
    uint32_t scroll = r->next(), attr = random_layer_attr(r);
    const uint32_t step = r->one_in(2) ? 0 : r->below(3);
    for (uint32_t line = 0; line < VIDEO_HEIGHT; line++) {
      if (r->one_in(12)) scroll = r->next();
      if (r->one_in(10)) attr = random_layer_attr(r);
      w[line] = scroll + (line * step << 16);
      w[256 + line] = attr;
    }
  }
}

void random_line_table(machine* m, scene_random* r) {
  const uint32_t page = m->video_regs[7] >> 24;
  if (page >= 32) return;
  for (uint32_t line = 0; line < VIDEO_HEIGHT; line++) {
    m->video_ram[page * 512 + line] = r->next();
    const uint32_t kind = r->below(8);
    m->video_ram[page * 512 + 256 + line] = kind < 4    ? 0
                                            : kind == 4 ? r->next() | 0x80
                                                        : (r->next() & ~0x80u);
  }
}

void random_sprites(machine* m, scene_random* r, int max_sprites) {
  for (uint32_t n = 0; n < 896; n++) {
    const uint32_t y = r->one_in(10) ? r->next() : 0x3FF & (r->below(300) - 40);
    const uint32_t x = r->one_in(10) ? r->next() : 0x3FF & (r->below(400) - 40);
    const uint32_t height = r->one_in(12) ? r->below(16) : r->below(3);
    const uint32_t width = r->one_in(12) ? r->below(16) : r->below(3);
    uint32_t* w = &m->video_ram[4 * n];
    w[0] = (y & 0x3FF) << 16 | (x & 0x3FF) | (r->next() & 0xFC00FC00);
    w[1] =
        (r->next() & 0xB000B000) | height << 24 | r->below(256) << 16 | width << 8 | r->below(256);
    w[2] = (r->next() & 0xFFF80000) | random_tile(r);
  }
  const uint32_t count = 1 + r->below(static_cast<uint32_t>(max_sprites));
  for (uint32_t i = 0; i < 1024; i++) {
    const uint32_t entry = r->below(1024) | (i + 1 == count ? 0x4000 : 0);
    uint32_t& word = m->video_ram[0xE00 + i / 2];
    word = i % 2 ? (word & 0xFFFF0000) | entry : (word & 0xFFFF) | entry << 16;
  }
  video_latch_sprites(m);
}

// Records as no latch leaves them, as a loaded state may hold them: the renderer masks every
// field, and the count to 0-1024.
void scribble_sprites(machine* m, scene_random* r) {
  for (int k = 0; k < 40; k++) {
    sprite_record& s = m->sprites[r->below(VIDEO_MAX_SPRITES)];
    s.y = static_cast<int32_t>(r->next());
    s.x = static_cast<int32_t>(r->below(2) ? r->below(360) : r->next());
    uint8_t* bytes[] = {&s.height, &s.width, &s.flip_y, &s.flip_x, &s.priority_index, &s.is_8bpp};
    for (uint8_t* b : bytes) *b = static_cast<uint8_t>(r->next());
    s.tile = r->next();
    s.palette = static_cast<uint16_t>(r->next());
    s.alpha_select = static_cast<uint16_t>(r->next());
  }
  const int32_t counts[] = {-1, -100000, 1025, 5000, m->sprite_count};
  m->sprite_count = counts[r->below(5)];
}

}  // namespace

void model_random_scene(machine* m, uint32_t seed, int max_sprites) {
  scene_random r{seed * 0x9E3779B97F4A7C15ull + 1};
  random_tiles(m, &r);
  random_palette(m, &r, seed % 5 == 4);
  random_zoom_table(m, &r);
  m->video_regs[0] = r.next();
  m->video_regs[1] = r.next();
  m->video_regs[2] = r.next();
  random_layers(m, &r);
  random_line_table(m, &r);
  random_sprites(m, &r, max_sprites);
  if (seed % 7 == 3) scribble_sprites(m, &r);
}
