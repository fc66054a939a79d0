// What the parts of the renderer share: the colour blend, guarded reads of video RAM and the
// registers, tile lookup in the graphics ROM, the sprite pixel rule and the 16 x 16 tile blit,
// and the per-frame and per-level steps that render_frame.cpp calls (sprites.cpp,
// tilemap.cpp). The row kernels these are drawn with are video_rows.h. Only the renderer
// includes this; the board uses video/video.h.
//
// On x86-64 the drawing code (render_frame.cpp, sprites.cpp, tilemap.cpp) is built twice: for
// every CPU, and with AVX2 (VIDEO_AVX2 defined) for the CPUs that have it; video_render_frame
// runs the best one the CPU can. Each build keeps its functions in a namespace of its own, so
// that no inline function of one is ever linked into the other.
#pragma once

#include <cstddef>
#include <cstdint>

#include "board/machine.h"
#include "video/video.h"

#if defined(VIDEO_AVX2)
#define VIDEO_VARIANT video_avx2
#else
#define VIDEO_VARIANT video_base
#endif

// A build of the frame renderer.
struct video_renderer {
  const char* name;                // "avx2", "sse2" or "portable"
  void (*draw_frame)(machine* m);  // what video_render_frame does
};

// The builds this CPU can run, the one video_render_frame uses first; *count gets their
// number (render_frame.cpp).
const video_renderer* video_renderers(int* count);

enum {
  VIDEO_ALPHA_PER_PEN = 256,   // an alpha that takes each pen's value from pen_alpha
  VIDEO_TILES_8BPP = 0x2C000,  // 256-byte tiles in the graphics ROM
  VIDEO_TILES_4BPP = 0x58000,  // 128-byte tiles
  VIDEO_LEVELS = 8,            // drawing levels; levels 8-15 are never drawn
  VIDEO_LAYERS = 4,
  VIDEO_LINE_STRIDE = 512,        // pixels per line of compose_buffer and priority_buffer
  VIDEO_KEY_COLOUR = 0x00FF00FF,  // empty pixel of a per-line layer band
};

// video_draw_tile16 modes.
enum {
  VIDEO_TILE_OPAQUE = 0,          // palette colour
  VIDEO_TILE_ALPHA = 1,           // blend with a constant alpha
  VIDEO_TILE_PEN_ALPHA = 2,       // blend with pen_alpha of the pen, also at 255
  VIDEO_TILE_KEEP_PEN_ALPHA = 3,  // pen_alpha in the top byte, colour below
};

inline namespace VIDEO_VARIANT {

// Per channel (s * a + d * (256 - a)) >> 8, truncated; top byte 0. Red and blue share one
// multiply: a channel's sum is at most 255 * 256, so it never carries into the next.
inline uint32_t video_blend(uint32_t s, uint32_t d, uint32_t a) {
  const uint32_t na = 256 - a;
  const uint32_t rb = ((s & 0xFF00FF) * a + (d & 0xFF00FF) * na) >> 8 & 0xFF00FF;
  const uint32_t g = ((s & 0xFF00) * a + (d & 0xFF00) * na) >> 8 & 0xFF00;
  return rb | g;
}

// Word `index` of video RAM; the chip reads 0 past its end.
inline uint32_t video_ram_word(const machine* m, uint32_t index) {
  return index < VIDEO_RAM_WORDS ? m->video_ram[index] : 0;
}

// A 10-bit two's complement field as a signed value, -512 to 511.
inline int32_t video_sign_extend_10(uint32_t v) {
  return static_cast<int32_t>((v & 0x3FF) ^ 0x200) - 0x200;
}

// A latched record with every field masked to the range the latch produces, so that records
// from a loaded state, whatever they hold, never index outside the chip's areas.
inline sprite_record video_sprite_masked(const sprite_record& r) {
  sprite_record s = r;
  s.y = video_sign_extend_10(static_cast<uint32_t>(r.y));
  s.x = video_sign_extend_10(static_cast<uint32_t>(r.x));
  s.height = static_cast<uint8_t>(((r.height - 1) & 15) + 1);
  s.width = static_cast<uint8_t>(((r.width - 1) & 15) + 1);
  s.flip_y = r.flip_y & 1;
  s.flip_x = r.flip_x & 1;
  s.priority_index = r.priority_index & 3;
  s.tile = r.tile & 0x7FFFF;
  s.palette = r.palette & 0xFF;
  s.is_8bpp = r.is_8bpp & 1;
  s.alpha_select = r.alpha_select & 7;
  return s;
}

// Number of latched records to draw, 0-1024 whatever sprite_count holds.
inline uint32_t video_sprite_count(const machine* m) {
  const int32_t n = m->sprite_count;
  if (n < 0) return 0;
  return n > VIDEO_MAX_SPRITES ? uint32_t{VIDEO_MAX_SPRITES} : static_cast<uint32_t>(n);
}

// Drawing level 0-15 of a latched record: the level nibble of register word 2 that its
// priority index selects.
inline int video_sprite_level(const machine* m, const sprite_record& s) {
  return m->video_regs[2] >> (28 - 4 * (s.priority_index & 3)) & 15;
}

// Alpha byte j (0-7) of register words 0-1 turned into an alpha: 0-255 or VIDEO_ALPHA_PER_PEN.
inline int video_alpha_byte(const machine* m, uint32_t j) {
  const uint32_t b = m->video_regs[j >> 2 & 1] >> (24 - 8 * (j & 3)) & 0xFF;
  return b & 0x80 ? VIDEO_ALPHA_PER_PEN : alpha_from_level(63 - (b & 63));
}

// The data of tile `tile` in the graphics ROM: 256 bytes, one pen each, for 8-bit tiles; 128
// for 4-bit tiles, two pens a byte (high nibble = left pixel). Tile numbers wrap at the ROM's
// tile count; without a graphics ROM there is none (null), and every tile is empty.
inline const uint8_t* video_tile_data(const machine* m, uint32_t tile, int is_8bpp) {
  if (!m->graphics_rom) return nullptr;
  if (is_8bpp) return m->graphics_rom + static_cast<size_t>(tile % VIDEO_TILES_8BPP) * 256;
  return m->graphics_rom + static_cast<size_t>(tile % VIDEO_TILES_4BPP) * 128;
}

// The 256 pens of tile `tile`, one per byte, row by row. 8-bit tiles are read in place;
// 4-bit tiles are expanded into scratch; without a graphics ROM scratch holds pen 0.
const uint8_t* video_tile_pens(const machine* m, uint32_t tile, int is_8bpp, uint8_t* scratch);

// The sprite pixel rule for one pixel of the sprite at list position p. Pen 0 draws nothing;
// positions after 0 are hidden by a later position already drawn there and claim the pixel
// even where the alpha leaves it unchanged; position 0 neither tests nor claims.
inline void video_plot_pixel(uint32_t pen, uint32_t* pixel, uint16_t* priority,
                             const uint32_t* palette, uint32_t p, int alpha) {
  if (pen == 0) return;
  if (p > 0 && p < *priority) return;
  const uint32_t c = palette[pen];
  const int a = alpha == VIDEO_ALPHA_PER_PEN ? pen_alpha[pen] : alpha;
  if (a == 255)
    *pixel = c;
  else if (a != 0)
    *pixel = video_blend(c, *pixel, a);
  if (p > 0) *priority = static_cast<uint16_t>(p);
}

// Draws the 16 x 16 pens with top-left corner (x, y) into a buffer 512 pixels wide, keeping
// the pixels inside columns x_min-x_max and lines y_min-y_max (inclusive); pen 0 is skipped.
// palette points at the tile's first palette colour; alpha is used by VIDEO_TILE_ALPHA only.
void video_draw_tile16(uint32_t* destination, int x_min, int x_max, int y_min, int y_max,
                       const uint8_t* pens, const uint32_t* palette, int x, int y, int mode,
                       int alpha);

// Draws the latched sprite at list position p (sprites.cpp).
void video_draw_sprite(machine* m, uint32_t p);

// What layer n draws in a frame, read once before the levels: its enable, its setup and, in
// per-line mode, the lines of each drawing level in screen order (lines at levels 8-255 or on
// banks outside 10-31 draw nothing and are in no list).
struct video_layer_plan {
  int n;               // 0-3
  int enabled;         // 0/1
  int per_line;        // 0/1
  int is_8bpp;         // 0/1
  uint32_t rows;       // tile rows: 16 or 32
  uint32_t page_base;  // first video RAM word of the layer's page
  uint8_t line_count[VIDEO_LEVELS];
  uint8_t lines[VIDEO_LEVELS][VIDEO_HEIGHT];
};

// Reads layer n's registers, and in per-line mode sorts its lines by level (tilemap.cpp).
void video_plan_layer(const machine* m, int n, video_layer_plan* plan);

// Draws the planned layer's share of drawing level `level` (tilemap.cpp).
void video_draw_layer(machine* m, const video_layer_plan* plan, int level);

// The whole frame, as video_render_frame (render_frame.cpp).
void video_draw_frame(machine* m);

}  // namespace VIDEO_VARIANT
