// The row kernels under every drawing path: a row of pens drawn into a line in one of the
// four tile blit modes, a row of sprite pens under the sprite pixel rule with its priority
// buffer, a row of rendered layer pixels composed over a line past the band key colour, and a
// line blended towards one colour. They take eight pixels at a time (sprite rows sixteen with
// AVX2), testing pens, priorities and the key colour for all of them at once, looking colours
// up into registers and blending in 16-bit lanes: as one AVX2 vector in the AVX2 build of the
// renderer, as two SSE2 vectors in the build for every x86-64, and one pixel at a time on
// other targets and for the ends of tile rows. Every way gives exactly video_blend's bits.
#pragma once

#include <cstdint>

#include "video/video_draw.h"

#if defined(__AVX2__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

inline namespace VIDEO_VARIANT {

// How a sprite row stores its pens: which of the sprite pixel rule's cases the sprite's alpha
// leaves. Per-pen alpha on 4-bit pens is always 255, so such sprites store.
enum {
  VIDEO_SPRITE_STORE = 0,    // alpha 255
  VIDEO_SPRITE_BLEND = 1,    // alpha 1-254
  VIDEO_SPRITE_CLAIM = 2,    // alpha 0: the pixel stays, the priority is claimed
  VIDEO_SPRITE_PER_PEN = 3,  // per-pen alpha on 8-bit pens
};

// How a per-line layer row is composed: its line's alpha.
enum {
  VIDEO_COMPOSE_STORE = 0,    // alpha 255
  VIDEO_COMPOSE_BLEND = 1,    // alpha 1-254
  VIDEO_COMPOSE_PER_PEN = 2,  // the alpha in each pixel's top byte
};

// One pixel of video_draw_tile16's modes.
template <int MODE>
inline void video_tile_pixel(uint32_t* pixel, uint32_t pen, const uint32_t* palette,
                             uint32_t alpha) {
  if (pen == 0) return;
  const uint32_t c = palette[pen];
  if constexpr (MODE == VIDEO_TILE_OPAQUE)
    *pixel = c;
  else if constexpr (MODE == VIDEO_TILE_ALPHA)
    *pixel = video_blend(c, *pixel, alpha);
  else if constexpr (MODE == VIDEO_TILE_PEN_ALPHA)
    *pixel = video_blend(c, *pixel, pen_alpha[pen]);
  else
    *pixel = static_cast<uint32_t>(pen_alpha[pen]) << 24 | (c & 0xFFFFFF);
}

// One pixel of a per-line layer row.
template <int CASE>
inline void video_compose_pixel(uint32_t* pixel, uint32_t v, uint32_t alpha) {
  if (v == VIDEO_KEY_COLOUR) return;
  if constexpr (CASE == VIDEO_COMPOSE_STORE)
    *pixel = v;
  else if constexpr (CASE == VIDEO_COMPOSE_BLEND)
    *pixel = video_blend(v, *pixel, alpha);
  else
    *pixel = video_blend(v, *pixel, v >> 24);
}

// The 16 pens of row j of a tile's data (video_tile_data; null is an empty tile) into out,
// left to right, or right to left when mirrored.
inline void video_row_pens(const uint8_t* data, int is_8bpp, int j, int mirrored, uint8_t* out) {
#if defined(__SSE2__)
  __m128i v = _mm_setzero_si128();
  if (data && is_8bpp) {
    v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * j));
  } else if (data) {
    const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(data + 8 * j));
    const __m128i nibble = _mm_set1_epi8(15);
    v = _mm_unpacklo_epi8(_mm_and_si128(_mm_srli_epi16(b, 4), nibble), _mm_and_si128(b, nibble));
  }
  if (mirrored) {
    v = _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 1, 2, 3));
    v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1)),
                            _MM_SHUFFLE(2, 3, 0, 1));
    v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
#else
  for (int i = 0; i < 16; i++) {
    const int d = mirrored ? 15 - i : i;
    const uint8_t b = data ? data[is_8bpp ? 16 * j + d : 8 * j + d / 2] : 0;
    out[i] = static_cast<uint8_t>(is_8bpp ? b : d % 2 ? b & 15 : b >> 4);
  }
#endif
}

// A palette ready for looking up eight pens at a time. SMALL: only pens 0-15 occur, and the
// AVX2 build keeps those 16 colours in two registers.
struct video_palette {
  const uint32_t* colours;
#if defined(__AVX2__)
  __m256i low, high;
#endif
};

template <bool SMALL>
inline video_palette video_palette_of(const uint32_t* colours) {
  video_palette p;
  p.colours = colours;
#if defined(__AVX2__)
  if constexpr (SMALL) {
    p.low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(colours));
    p.high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(colours + 8));
  }
#endif
  return p;
}

#if defined(__SSE2__)

// --- eight pixels at a time: px8 holds eight 32-bit pixels (or masks, or alphas)

#if defined(__AVX2__)
using px8 = __m256i;

inline px8 px_load(const uint32_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
inline void px_store(uint32_t* p, px8 v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}
inline px8 px_set1(uint32_t v) {
  return _mm256_set1_epi32(static_cast<int>(v));
}
inline px8 px_and(px8 a, px8 b) {
  return _mm256_and_si256(a, b);
}
// ~a & b
inline px8 px_andnot(px8 a, px8 b) {
  return _mm256_andnot_si256(a, b);
}
inline px8 px_or(px8 a, px8 b) {
  return _mm256_or_si256(a, b);
}
inline px8 px_select(px8 mask, px8 a, px8 b) {
  return _mm256_blendv_epi8(b, a, mask);
}
inline px8 px_eq(px8 a, px8 b) {
  return _mm256_cmpeq_epi32(a, b);
}
inline px8 px_add16(px8 a, px8 b) {
  return _mm256_add_epi16(a, b);
}
inline px8 px_sub16(px8 a, px8 b) {
  return _mm256_sub_epi16(a, b);
}
inline px8 px_mul16(px8 a, px8 b) {
  return _mm256_mullo_epi16(a, b);
}
inline px8 px_shl16(px8 a, int n) {
  return _mm256_slli_epi16(a, n);
}
inline px8 px_shr16(px8 a, int n) {
  return _mm256_srli_epi16(a, n);
}
inline px8 px_shl32(px8 a, int n) {
  return _mm256_slli_epi32(a, n);
}
inline px8 px_shr32(px8 a, int n) {
  return _mm256_srli_epi32(a, n);
}
inline int px_all(px8 mask) {
  return _mm256_movemask_epi8(mask) == -1;
}
inline int px_none(px8 mask) {
  return _mm256_testz_si256(mask, mask);
}
// Eight 16-bit lane masks widened to pixel masks.
inline px8 px_widen(__m128i m16) {
  return _mm256_cvtepi16_epi32(m16);
}
// Eight pens as 16-bit lanes.
inline __m128i pens16(const uint8_t* pens) {
  return _mm_cvtepu8_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(pens)));
}
// table[pens[k]] for the eight pens (loads put together in registers: faster here than a
// gather).
inline px8 px_lookup(const uint32_t* table, const uint8_t* pens) {
  return _mm256_setr_epi32(static_cast<int>(table[pens[0]]), static_cast<int>(table[pens[1]]),
                           static_cast<int>(table[pens[2]]), static_cast<int>(table[pens[3]]),
                           static_cast<int>(table[pens[4]]), static_cast<int>(table[pens[5]]),
                           static_cast<int>(table[pens[6]]), static_cast<int>(table[pens[7]]));
}
// table[pens[k]] for eight pens 0-15, table entries 0-7 in low and 8-15 in high: no memory
// read at all.
inline px8 px_lookup16(__m256i low, __m256i high, const uint8_t* pens) {
  const __m256i pen = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(pens)));
  // Bit 3 of the pen, moved to the top of its lane, picks high (the float blend reads only
  // each lane's top bit).
  const __m256 a = _mm256_castsi256_ps(_mm256_permutevar8x32_epi32(low, pen));
  const __m256 b = _mm256_castsi256_ps(_mm256_permutevar8x32_epi32(high, pen));
  return _mm256_castps_si256(
      _mm256_blendv_ps(a, b, _mm256_castsi256_ps(_mm256_slli_epi32(pen, 28))));
}
// source[(at + k * step) >> 10] for k = 0-7, steps holding k * step: with step at most 1024
// the eight lie within source[at >> 10] to source[(at >> 10) + 7], one load and a permute.
inline px8 px_sample(const uint32_t* source, uint32_t at, uint32_t, px8 steps) {
  const px8 near = px_shr32(_mm256_add_epi32(px_set1(at & 1023), steps), 10);
  return _mm256_permutevar8x32_epi32(px_load(source + (at >> 10)), near);
}
inline px8 px_sample_steps(uint32_t step) {
  return _mm256_mullo_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), px_set1(step));
}

#else
struct px8 {
  __m128i lo, hi;  // pixels 0-3, 4-7
};

inline px8 px_load(const uint32_t* p) {
  const __m128i* v = reinterpret_cast<const __m128i*>(p);
  return {_mm_loadu_si128(v), _mm_loadu_si128(v + 1)};
}
inline void px_store(uint32_t* p, px8 v) {
  __m128i* out = reinterpret_cast<__m128i*>(p);
  _mm_storeu_si128(out, v.lo);
  _mm_storeu_si128(out + 1, v.hi);
}
inline px8 px_set1(uint32_t v) {
  const __m128i x = _mm_set1_epi32(static_cast<int>(v));
  return {x, x};
}
inline px8 px_and(px8 a, px8 b) {
  return {_mm_and_si128(a.lo, b.lo), _mm_and_si128(a.hi, b.hi)};
}
inline px8 px_andnot(px8 a, px8 b) {
  return {_mm_andnot_si128(a.lo, b.lo), _mm_andnot_si128(a.hi, b.hi)};
}
inline px8 px_or(px8 a, px8 b) {
  return {_mm_or_si128(a.lo, b.lo), _mm_or_si128(a.hi, b.hi)};
}
inline px8 px_select(px8 mask, px8 a, px8 b) {
  return px_or(px_and(mask, a), px_andnot(mask, b));
}
inline px8 px_eq(px8 a, px8 b) {
  return {_mm_cmpeq_epi32(a.lo, b.lo), _mm_cmpeq_epi32(a.hi, b.hi)};
}
inline px8 px_add16(px8 a, px8 b) {
  return {_mm_add_epi16(a.lo, b.lo), _mm_add_epi16(a.hi, b.hi)};
}
inline px8 px_sub16(px8 a, px8 b) {
  return {_mm_sub_epi16(a.lo, b.lo), _mm_sub_epi16(a.hi, b.hi)};
}
inline px8 px_mul16(px8 a, px8 b) {
  return {_mm_mullo_epi16(a.lo, b.lo), _mm_mullo_epi16(a.hi, b.hi)};
}
inline px8 px_shl16(px8 a, int n) {
  return {_mm_slli_epi16(a.lo, n), _mm_slli_epi16(a.hi, n)};
}
inline px8 px_shr16(px8 a, int n) {
  return {_mm_srli_epi16(a.lo, n), _mm_srli_epi16(a.hi, n)};
}
inline px8 px_shl32(px8 a, int n) {
  return {_mm_slli_epi32(a.lo, n), _mm_slli_epi32(a.hi, n)};
}
inline px8 px_shr32(px8 a, int n) {
  return {_mm_srli_epi32(a.lo, n), _mm_srli_epi32(a.hi, n)};
}
inline int px_all(px8 mask) {
  return _mm_movemask_epi8(_mm_and_si128(mask.lo, mask.hi)) == 0xFFFF;
}
inline int px_none(px8 mask) {
  return _mm_movemask_epi8(_mm_or_si128(mask.lo, mask.hi)) == 0;
}
inline px8 px_widen(__m128i m16) {
  return {_mm_unpacklo_epi16(m16, m16), _mm_unpackhi_epi16(m16, m16)};
}
inline __m128i pens16(const uint8_t* pens) {
  return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(pens)),
                           _mm_setzero_si128());
}
inline __m128i px_lookup4(const uint32_t* table, const uint8_t* pens) {
  return _mm_setr_epi32(static_cast<int>(table[pens[0]]), static_cast<int>(table[pens[1]]),
                        static_cast<int>(table[pens[2]]), static_cast<int>(table[pens[3]]));
}
inline px8 px_lookup(const uint32_t* table, const uint8_t* pens) {
  return {px_lookup4(table, pens), px_lookup4(table, pens + 4)};
}
inline __m128i px_sample4(const uint32_t* source, uint32_t at, uint32_t step) {
  return _mm_setr_epi32(static_cast<int>(source[at >> 10]),
                        static_cast<int>(source[(at + step) >> 10]),
                        static_cast<int>(source[(at + 2 * step) >> 10]),
                        static_cast<int>(source[(at + 3 * step) >> 10]));
}
inline px8 px_sample_steps(uint32_t step) {
  return px_set1(step);
}
inline px8 px_sample(const uint32_t* source, uint32_t at, uint32_t step, px8) {
  return {px_sample4(source, at, step), px_sample4(source, at + 4 * step, step)};
}
#endif

// Blend(s, d, a) of eight pixels, `alphas` holding each pixel's alpha in both 16-bit halves
// of its lane. Blue and red are the low bytes of a pixel's two 16-bit halves, green and the
// top byte their high bytes. (s - d) * a + d * 256 is a channel's blend sum, at most 255 * 256,
// so it comes out exact in 16 bits however the difference wraps.
inline px8 px_blend(px8 s, px8 d, px8 alphas) {
  const px8 low = px_set1(0x00FF00FF), green = px_set1(0x0000FF00);
  const px8 rb =
      px_add16(px_mul16(px_sub16(px_and(s, low), px_and(d, low)), alphas), px_shl16(d, 8));
  const px8 g =
      px_add16(px_mul16(px_sub16(px_shr16(s, 8), px_shr16(d, 8)), alphas), px_and(d, green));
  return px_or(px_shr16(rb, 8), px_and(g, green));
}

// Alphas of one per pixel (0-255 in each lane) in the layout px_blend takes.
inline px8 px_alpha_pairs(px8 a32) {
  return px_or(a32, px_shl32(a32, 16));
}

template <bool SMALL>
inline px8 px_colours(const video_palette& palette, const uint8_t* pens) {
#if defined(__AVX2__)
  if constexpr (SMALL) return px_lookup16(palette.low, palette.high, pens);
#endif
  return px_lookup(palette.colours, pens);
}

// pen_alpha widened to 32 bits, for lookups eight at a time.
struct video_pen_alpha32_table {
  uint32_t a[256];
};
constexpr video_pen_alpha32_table video_make_pen_alpha32() {
  video_pen_alpha32_table t{};
  for (int p = 0; p < 256; p++) t.a[p] = static_cast<uint32_t>(video_pen_opacity(p));
  return t;
}
inline constexpr video_pen_alpha32_table video_pen_alpha32 = video_make_pen_alpha32();

// Eight pixels of video_tile_row.
template <int MODE, bool SMALL>
inline void video_tile_group8(uint32_t* line, const uint8_t* pens, const video_palette& palette,
                              px8 alphas) {
  const __m128i empty16 = _mm_cmpeq_epi16(pens16(pens), _mm_setzero_si128());
  const int empty = _mm_movemask_epi8(empty16);
  if (empty == 0xFFFF) return;
  const px8 c = px_colours<SMALL>(palette, pens);
  if constexpr (MODE == VIDEO_TILE_OPAQUE) {
    if (empty == 0) {
      px_store(line, c);
      return;
    }
  }
  const px8 old = px_load(line);
  px8 v = c;
  if constexpr (MODE == VIDEO_TILE_ALPHA) {
    v = px_blend(c, old, alphas);
  } else if constexpr (MODE != VIDEO_TILE_OPAQUE) {
    const px8 a32 = px_lookup(video_pen_alpha32.a, pens);
    if constexpr (MODE == VIDEO_TILE_PEN_ALPHA)
      v = px_blend(c, old, px_alpha_pairs(a32));
    else
      v = px_or(px_shl32(a32, 24), px_and(c, px_set1(0x00FFFFFF)));
  }
  px_store(line, px_select(px_widen(empty16), old, v));
}

// The colours of eight sprite pixels whose priorities are settled: draw16 (one 16-bit lane
// per pixel) marks those the rule draws.
template <int CASE, bool SMALL>
inline void video_sprite_colours8(uint32_t* line, const uint8_t* pens, const video_palette& palette,
                                  px8 alphas, __m128i draw16) {
  const px8 c = px_colours<SMALL>(palette, pens);
  if constexpr (CASE == VIDEO_SPRITE_STORE) {
    if (_mm_movemask_epi8(draw16) == 0xFFFF) {
      px_store(line, c);
      return;
    }
  }
  px8 draw = px_widen(draw16);
  const px8 old = px_load(line);
  px8 v = c;
  if constexpr (CASE == VIDEO_SPRITE_BLEND) {
    v = px_blend(c, old, alphas);
  } else if constexpr (CASE == VIDEO_SPRITE_PER_PEN) {
    // Per-pen: 255 stores the colour, 0 leaves the pixel, anything else blends.
    const px8 a32 = px_lookup(video_pen_alpha32.a, pens);
    v = px_select(px_eq(a32, px_set1(255)), c, px_blend(c, old, px_alpha_pairs(a32)));
    draw = px_andnot(px_eq(a32, px_set1(0)), draw);
  }
  px_store(line, px_select(draw, v, old));
}

#if defined(__AVX2__)
// Sixteen pixels of video_sprite_row, priorities in one vector; `lanes` masks the pixels of
// the row (all, or the first few at its end).
template <int CASE, bool PRIORITY, bool SMALL>
inline void video_sprite_group(uint32_t* line, uint16_t* priority, const uint8_t* pens,
                               const video_palette& palette, __m256i position, px8 alphas,
                               __m256i lanes) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i pen = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pens)));
  __m256i draw = _mm256_andnot_si256(_mm256_cmpeq_epi16(pen, zero), lanes);  // pen not 0
  if constexpr (PRIORITY) {
    // ... and not hidden by a later position: held <= p.
    __m256i* pr = reinterpret_cast<__m256i*>(priority);
    const __m256i held = _mm256_loadu_si256(pr);
    draw = _mm256_and_si256(draw, _mm256_cmpeq_epi16(_mm256_subs_epu16(held, position), zero));
    if (_mm256_testz_si256(draw, draw)) return;
    _mm256_storeu_si256(pr, _mm256_blendv_epi8(held, position, draw));
  } else {
    if (_mm256_testz_si256(draw, draw)) return;
  }
  if constexpr (CASE == VIDEO_SPRITE_CLAIM) return;
  for (int h = 0; h < 2; h++) {
    const __m128i draw16 = h ? _mm256_extracti128_si256(draw, 1) : _mm256_castsi256_si128(draw);
    if (_mm_testz_si128(draw16, draw16)) continue;
    video_sprite_colours8<CASE, SMALL>(line + 8 * h, pens + 8 * h, palette, alphas, draw16);
  }
}
constexpr int VIDEO_SPRITE_GROUP = 16;
#else
// Eight pixels of video_sprite_row; `lanes` masks the pixels of the row (all, or the first few
// at its end).
template <int CASE, bool PRIORITY, bool SMALL>
inline void video_sprite_group(uint32_t* line, uint16_t* priority, const uint8_t* pens,
                               const video_palette& palette, __m128i position, px8 alphas,
                               __m128i lanes) {
  const __m128i zero = _mm_setzero_si128();
  __m128i draw16 = _mm_andnot_si128(_mm_cmpeq_epi16(pens16(pens), zero), lanes);  // pen not 0
  if constexpr (PRIORITY) {
    // ... and not hidden by a later position: held <= p.
    __m128i* pr = reinterpret_cast<__m128i*>(priority);
    const __m128i held = _mm_loadu_si128(pr);
    draw16 = _mm_and_si128(draw16, _mm_cmpeq_epi16(_mm_subs_epu16(held, position), zero));
    if (_mm_movemask_epi8(draw16) == 0) return;
    _mm_storeu_si128(pr,
                     _mm_or_si128(_mm_and_si128(draw16, position), _mm_andnot_si128(draw16, held)));
  } else {
    if (_mm_movemask_epi8(draw16) == 0) return;
  }
  if constexpr (CASE == VIDEO_SPRITE_CLAIM) return;
  video_sprite_colours8<CASE, SMALL>(line, pens, palette, alphas, draw16);
}
constexpr int VIDEO_SPRITE_GROUP = 8;
#endif

#endif  // __SSE2__

// Draws pens[0..n-1] into line[0..n-1] in tile blit mode MODE; pen 0 is skipped. alpha is
// used by VIDEO_TILE_ALPHA only.
template <int MODE, bool SMALL>
inline void video_tile_row(uint32_t* line, const uint8_t* pens, int n, const video_palette& palette,
                           uint32_t alpha) {
  int i = 0;
#if defined(__SSE2__)
  const px8 alphas = px_alpha_pairs(px_set1(alpha));
  for (; i + 8 <= n; i += 8) video_tile_group8<MODE, SMALL>(line + i, pens + i, palette, alphas);
#endif
  for (; i < n; i++) video_tile_pixel<MODE>(line + i, pens[i], palette.colours, alpha);
}

// Draws sprite pens[0..n-1] at line[0..n-1] (priority[0..n-1] their priority entries) under
// the sprite pixel rule for list position p and alpha (0-255 or VIDEO_ALPHA_PER_PEN); CASE
// is the rule's case that alpha leaves, PRIORITY whether p > 0. The last pixels are taken
// in a group of up to sixteen like the others, so pens, line and priority must stay readable
// (and line and priority writable) fifteen entries past n; what lies there is left as it was.
template <int CASE, bool PRIORITY, bool SMALL>
inline void video_sprite_row(uint32_t* line, uint16_t* priority, const uint8_t* pens, int n,
                             const video_palette& palette, uint32_t p, int alpha) {
#if defined(__SSE2__)
  constexpr int G = VIDEO_SPRITE_GROUP;
#if defined(__AVX2__)
  const __m256i position = _mm256_set1_epi16(static_cast<short>(p));
  const __m256i all = _mm256_set1_epi16(-1);
  const __m256i lane = _mm256_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  auto lanes_below = [&](int k) {
    return _mm256_cmpgt_epi16(_mm256_set1_epi16(static_cast<short>(k)), lane);
  };
#else
  const __m128i position = _mm_set1_epi16(static_cast<short>(p));
  const __m128i all = _mm_set1_epi16(-1);
  const __m128i lane = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7);
  auto lanes_below = [&](int k) {
    return _mm_cmpgt_epi16(_mm_set1_epi16(static_cast<short>(k)), lane);
  };
#endif
  const px8 alphas = px_alpha_pairs(px_set1(static_cast<uint32_t>(alpha)));
  int i = 0;
  for (; i + G <= n; i += G)
    video_sprite_group<CASE, PRIORITY, SMALL>(line + i, priority + i, pens + i, palette, position,
                                              alphas, all);
  if (i < n)
    video_sprite_group<CASE, PRIORITY, SMALL>(line + i, priority + i, pens + i, palette, position,
                                              alphas, lanes_below(n - i));
#else
  for (int i = 0; i < n; i++)
    video_plot_pixel(pens[i], line + i, priority + i, palette.colours, PRIORITY ? p : 0, alpha);
#endif
}

// Composes the VIDEO_WIDTH source pixels of a per-line layer row over line, skipping the key
// colour: screen column x takes source[x], or with ZOOMED source[(x * step) >> 10], step at
// most 1024. A zoomed source must stay readable seven entries past the last one sampled.
template <int CASE, bool ZOOMED>
inline void video_compose_row(uint32_t* line, const uint32_t* source, uint32_t step,
                              uint32_t alpha) {
  static_assert(VIDEO_WIDTH % 8 == 0);
#if defined(__SSE2__)
  const px8 key = px_set1(VIDEO_KEY_COLOUR);
  const px8 alphas = px_alpha_pairs(px_set1(alpha));
  const px8 steps = px_sample_steps(step);
  for (int x = 0; x < VIDEO_WIDTH; x += 8) {
    const px8 v = ZOOMED ? px_sample(source, x * step, step, steps) : px_load(source + x);
    const px8 keyed = px_eq(v, key);
    if (px_all(keyed)) continue;
    if constexpr (CASE == VIDEO_COMPOSE_STORE) {
      if (px_none(keyed)) {
        px_store(line + x, v);
        continue;
      }
    }
    const px8 old = px_load(line + x);
    px8 put = v;
    if constexpr (CASE == VIDEO_COMPOSE_BLEND)
      put = px_blend(v, old, alphas);
    else if constexpr (CASE == VIDEO_COMPOSE_PER_PEN)
      put = px_blend(v, old, px_alpha_pairs(px_shr32(v, 24)));
    px_store(line + x, px_select(keyed, old, put));
  }
#else
  for (uint32_t x = 0; x < VIDEO_WIDTH; x++)
    video_compose_pixel<CASE>(line + x, ZOOMED ? source[(x * step) >> 10] : source[x], alpha);
#endif
}

// line[0..VIDEO_WIDTH-1] = Blend(colour, pixel, weight), weight 1-254.
inline void video_blend_row_towards(uint32_t* line, uint32_t colour, uint32_t weight) {
#if defined(__SSE2__)
  const px8 c = px_set1(colour), alphas = px_alpha_pairs(px_set1(weight));
  for (int x = 0; x < VIDEO_WIDTH; x += 8)
    px_store(line + x, px_blend(c, px_load(line + x), alphas));
#else
  for (int x = 0; x < VIDEO_WIDTH; x++) line[x] = video_blend(colour, line[x], weight);
#endif
}

}  // namespace VIDEO_VARIANT
