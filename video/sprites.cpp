// Drawing one latched sprite: its live zoom factors, alpha byte and palette, then either the
// plain path (1:1 on both axes, straight from tile data) or the zoomed path (the tiles
// assembled into zoom_scratch, then sampled over the clipped screen rectangle). Both draw the
// sprite one clipped screen line at a time: the line's pens in screen order, mirrored as they
// are fetched, then one row kernel of video_rows.h chosen once per sprite for what its alpha
// and list position leave of the sprite pixel rule. Which sprites a level draws is
// render_frame.cpp's.
#include <cstring>

#include "board/machine.h"
#include "video/video_draw.h"
#include "video/video_rows.h"

inline namespace VIDEO_VARIANT {
namespace {

int max_of(int a, int b) {
  return a > b ? a : b;
}
int min_of(int a, int b) {
  return a < b ? a : b;
}

// Zoom table entry i: entry 2k is the high half of word k; 1024 is 1:1.
uint32_t zoom_entry(const machine* m, uint32_t i) {
  const uint32_t w = m->zoom_table[i >> 1];
  return i & 1 ? w & 0xFFFF : w >> 16;
}

// The pens of one clipped screen line of a sprite, in screen order, with room for the
// fifteen the row kernels may read past the end.
struct sprite_line {
  uint8_t pens[256 + 16];
};

template <int CASE, bool PRIORITY, bool SMALL>
void draw_plain(machine* m, const sprite_record& s, uint32_t p, const uint32_t* colours,
                int alpha) {
  const video_palette palette = video_palette_of<SMALL>(colours);
  const int x0 = max_of(s.x, 0), x1 = min_of(s.x + 16 * s.width, int{VIDEO_WIDTH});
  const int y0 = max_of(s.y, 0), y1 = min_of(s.y + 16 * s.height, int{VIDEO_HEIGHT});
  if (x0 >= x1 || y0 >= y1) return;
  // Screen tile columns first_col-last_col are on screen; screen column c shows data column
  // c (mirrored: width - 1 - c), and likewise for rows.
  const int first_col = (x0 - s.x) >> 4, last_col = (x1 - 1 - s.x) >> 4;
  const uint8_t* data[16];
  sprite_line row;
  std::memset(row.pens + 16 * (last_col + 1), 0, 16);
  for (int y = y0; y < y1; y++) {
    const int screen_row = (y - s.y) >> 4, j = (y - s.y) & 15;
    if (y == y0 || j == 0) {
      const int r = s.flip_y ? s.height - 1 - screen_row : screen_row;
      for (int c = first_col; c <= last_col; c++) {
        const int data_col = s.flip_x ? s.width - 1 - c : c;
        data[c] = video_tile_data(m, s.tile + r * s.width + data_col, s.is_8bpp);
      }
    }
    for (int c = first_col; c <= last_col; c++)
      video_row_pens(data[c], s.is_8bpp, s.flip_y ? 15 - j : j, s.flip_x, row.pens + 16 * c);
    video_sprite_row<CASE, PRIORITY, SMALL>(&m->compose_buffer[y][x0], &m->priority_buffer[y][x0],
                                            row.pens + (x0 - s.x), x1 - x0, palette, p, alpha);
  }
}

// The source columns of a zoomed sprite's on-screen columns, the same on every line. The
// AVX2 build also keeps, for each group of 16 screen columns that samples at most 32
// neighbouring source columns (every group of a sprite drawn at least half as wide as it
// is), a window of the source row and the byte shuffle that spreads it out.
struct zoom_columns {
  int n;                    // on-screen columns
  uint8_t at[VIDEO_WIDTH];  // source column of each
#if defined(__AVX2__)
  int groups;                         // ceil(n / 16)
  uint8_t window[VIDEO_WIDTH / 16];   // first source column of the group's window
  uint8_t width[VIDEO_WIDTH / 16];    // 16 or 32: the window's; 0: sampled one by one
  __m128i shuffle[VIDEO_WIDTH / 16];  // source column - window, for each of the 16
#endif
};

void prepare_columns(zoom_columns* z, int n, int sx, int dx) {
  z->n = n;
  for (int k = 0; k < n; k++, sx += dx) z->at[k] = static_cast<uint8_t>(sx >> 10 & 255);
#if defined(__AVX2__)
  z->groups = (n + 15) / 16;
  for (int g = 0; g < z->groups; g++) {
    const int first = 16 * g, count = n - first < 16 ? n - first : 16;
    int lo = 255, hi = 0;
    for (int k = 0; k < count; k++) {
      lo = z->at[first + k] < lo ? z->at[first + k] : lo;
      hi = z->at[first + k] > hi ? z->at[first + k] : hi;
    }
    // The window stays inside the 256-byte row.
    const int width = hi - lo < 16 ? 16 : hi - lo < 32 ? 32 : 0;
    const int base = lo < 256 - width ? lo : 256 - width;
    alignas(16) uint8_t lanes[16] = {};
    for (int k = 0; k < count; k++) lanes[k] = static_cast<uint8_t>(z->at[first + k] - base);
    z->window[g] = static_cast<uint8_t>(base);
    z->width[g] = static_cast<uint8_t>(width);
    z->shuffle[g] = _mm_load_si128(reinterpret_cast<const __m128i*>(lanes));
  }
#endif
}

// pens[k] = src[at[k]] for the sprite's on-screen columns; with AVX2 the last group may write
// up to 15 pens past n.
void sample_columns(const zoom_columns& z, const uint8_t* src, uint8_t* pens) {
#if defined(__AVX2__)
  for (int g = 0; g < z.groups; g++) {
    const __m128i* window = reinterpret_cast<const __m128i*>(src + z.window[g]);
    __m128i* out = reinterpret_cast<__m128i*>(pens + 16 * g);
    if (z.width[g] == 16) {
      _mm_storeu_si128(out, _mm_shuffle_epi8(_mm_loadu_si128(window), z.shuffle[g]));
    } else if (z.width[g] == 32) {
      // The shuffle reads the low four bits of each lane; bit 4 picks the half.
      const __m128i low = _mm_shuffle_epi8(_mm_loadu_si128(window), z.shuffle[g]);
      const __m128i high = _mm_shuffle_epi8(_mm_loadu_si128(window + 1), z.shuffle[g]);
      const __m128i upper = _mm_slli_epi16(z.shuffle[g], 3);  // bit 4 to each byte's top bit
      _mm_storeu_si128(out, _mm_blendv_epi8(low, high, upper));
    } else {
      const int end = 16 * g + 16 < z.n ? 16 * g + 16 : z.n;
      for (int k = 16 * g; k < end; k++) pens[k] = src[z.at[k]];
    }
  }
#else
  for (int k = 0; k < z.n; k++) pens[k] = src[z.at[k]];
#endif
}

// Lines y0-y1 of a zoomed sprite, from screen column x0 on; lines that sample the same source
// row (a sprite drawn taller than it is) share its pens.
template <int CASE, bool PRIORITY, bool SMALL>
void draw_zoomed_lines(machine* m, uint32_t p, const uint32_t* colours, int alpha, int x0, int y0,
                       int y1, const zoom_columns& columns, int sy, int dy) {
  const video_palette palette = video_palette_of<SMALL>(colours);
  uint8_t pens[VIDEO_WIDTH + 16] = {};
  const uint8_t* sampled = nullptr;
  for (int y = y0; y < y1; y++, sy += dy) {
    const uint8_t* src = m->zoom_scratch[sy >> 10 & 255];
    if (src != sampled) sample_columns(columns, src, pens);
    sampled = src;
    video_sprite_row<CASE, PRIORITY, SMALL>(&m->compose_buffer[y][x0], &m->priority_buffer[y][x0],
                                            pens, columns.n, palette, p, alpha);
  }
}

using plain_fn = void (*)(machine* m, const sprite_record& s, uint32_t p, const uint32_t* palette,
                          int alpha);
using zoomed_fn = void (*)(machine* m, uint32_t p, const uint32_t* palette, int alpha, int x0,
                           int y0, int y1, const zoom_columns& columns, int sy, int dy);

// Which case of the sprite pixel rule a sprite's alpha leaves, as an index into the tables
// below; -1 when the sprite changes nothing (alpha 0 at position 0 neither draws nor claims).
int rule_for(int alpha, int is_8bpp, uint32_t p) {
  if (alpha == VIDEO_ALPHA_PER_PEN) return is_8bpp ? VIDEO_SPRITE_PER_PEN : VIDEO_SPRITE_STORE;
  if (alpha == 255) return VIDEO_SPRITE_STORE;
  if (alpha == 0) return p > 0 ? VIDEO_SPRITE_CLAIM : -1;
  return VIDEO_SPRITE_BLEND;
}

// The drawing functions of every case, indexed [4-bit pens][p > 0][case]; a sprite that
// changes nothing has none.
template <template <int, bool, bool> class F, typename Fn>
struct rule_table {
  template <bool SMALL>
  static constexpr Fn for_depth[2][4] = {
      {F<VIDEO_SPRITE_STORE, false, SMALL>::fn, F<VIDEO_SPRITE_BLEND, false, SMALL>::fn, nullptr,
       F<VIDEO_SPRITE_PER_PEN, false, SMALL>::fn},
      {F<VIDEO_SPRITE_STORE, true, SMALL>::fn, F<VIDEO_SPRITE_BLEND, true, SMALL>::fn,
       F<VIDEO_SPRITE_CLAIM, true, SMALL>::fn, F<VIDEO_SPRITE_PER_PEN, true, SMALL>::fn},
  };
  static Fn get(int is_8bpp, uint32_t p, int rule) {
    return is_8bpp ? for_depth<false>[p > 0][rule] : for_depth<true>[p > 0][rule];
  }
};

template <int CASE, bool PRIORITY, bool SMALL>
struct plain_of {
  static constexpr plain_fn fn = draw_plain<CASE, PRIORITY, SMALL>;
};
template <int CASE, bool PRIORITY, bool SMALL>
struct zoomed_of {
  static constexpr zoomed_fn fn = draw_zoomed_lines<CASE, PRIORITY, SMALL>;
};

void draw_zoomed(machine* m, const sprite_record& s, uint32_t p, const uint32_t* palette, int alpha,
                 int rule, uint32_t zx, uint32_t zy) {
  // Assemble unmirrored; the rest of zoom_scratch keeps what it held.
  for (int r = 0; r < s.height; r++)
    for (int c = 0; c < s.width; c++) {
      const uint8_t* data = video_tile_data(m, s.tile + r * s.width + c, s.is_8bpp);
      for (int j = 0; j < 16; j++)
        video_row_pens(data, s.is_8bpp, j, 0, &m->zoom_scratch[16 * r + j][16 * c]);
    }

  const uint32_t wpx = ((static_cast<uint32_t>(s.width) << 24) / zx + 512) >> 10;
  const uint32_t hpx = ((static_cast<uint32_t>(s.height) << 24) / zy + 512) >> 10;
  if (wpx == 0 || hpx == 0 || rule < 0) return;
  // Source positions in 1/1024 pixel. Both stay within 0 to 16 tiles over the sprite's
  // extent, and the loops cover only its on-screen part, however large it is.
  const int sx0 = s.flip_x ? static_cast<int>(zx * (wpx - 1)) : 0;
  const int dx = s.flip_x ? -static_cast<int>(zx) : static_cast<int>(zx);
  const int sy0 = s.flip_y ? static_cast<int>(zy * (hpx - 1)) : 0;
  const int dy = s.flip_y ? -static_cast<int>(zy) : static_cast<int>(zy);
  const int x0 = max_of(s.x, 0),
            x1 = min_of(s.x + static_cast<int>(wpx), static_cast<int>(VIDEO_WIDTH));
  const int y0 = max_of(s.y, 0),
            y1 = min_of(s.y + static_cast<int>(hpx), static_cast<int>(VIDEO_HEIGHT));
  if (x0 >= x1 || y0 >= y1) return;
  zoom_columns columns;
  prepare_columns(&columns, x1 - x0, sx0 + (x0 - s.x) * dx, dx);
  rule_table<zoomed_of, zoomed_fn>::get(s.is_8bpp, p, rule)(m, p, palette, alpha, x0, y0, y1,
                                                            columns, sy0 + (y0 - s.y) * dy, dy);
}

}  // namespace

void video_draw_sprite(machine* m, uint32_t p) {
  const sprite_record s = video_sprite_masked(m->sprites[p]);
  const uint32_t zy = zoom_entry(m, s.zoom_y), zx = zoom_entry(m, s.zoom_x);
  if (zx == 0 || zy == 0) return;
  const int alpha = video_alpha_byte(m, s.alpha_select);
  const uint32_t* palette = m->palette_argb + s.palette * 16;
  const int rule = rule_for(alpha, s.is_8bpp, p);
  if (zx != 1024 || zy != 1024)
    draw_zoomed(m, s, p, palette, alpha, rule, zx, zy);
  else if (rule >= 0)
    rule_table<plain_of, plain_fn>::get(s.is_8bpp, p, rule)(m, s, p, palette, alpha);
}

}  // namespace VIDEO_VARIANT
