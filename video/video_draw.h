// What the parts of the renderer share: the colour blend, guarded reads of video RAM and the
// registers, tile lookup in the graphics ROM, the sprite pixel rule and the 16 x 16 tile blit,
// and the per-level steps that render_frame.cpp calls (sprites.cpp, tilemap.cpp). Only the
// renderer includes this; the board uses video/video.h.
#pragma once

#include <cstdint>

#include "board/machine.h"
#include "video/video.h"

enum {
  VIDEO_ALPHA_PER_PEN = 256,   // an alpha that takes each pen's value from pen_alpha
  VIDEO_TILES_8BPP = 0x2C000,  // 256-byte tiles in the graphics ROM
  VIDEO_TILES_4BPP = 0x58000,  // 128-byte tiles
  VIDEO_LEVELS = 8,            // drawing levels; levels 8-15 are never drawn
  VIDEO_LAYERS = 4,
  VIDEO_LINE_STRIDE = 512,        // pixels per line of compose_buffer, priority_buffer, layer_cache
  VIDEO_KEY_COLOUR = 0x00FF00FF,  // empty pixel of a layer_cache band
};

// video_draw_tile16 modes.
enum {
  VIDEO_TILE_OPAQUE = 0,          // palette colour
  VIDEO_TILE_ALPHA = 1,           // blend with a constant alpha
  VIDEO_TILE_PEN_ALPHA = 2,       // blend with pen_alpha of the pen, also at 255
  VIDEO_TILE_KEEP_PEN_ALPHA = 3,  // pen_alpha in the top byte, colour below
};

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

// The 256 pens of tile `tile`, one per byte, row by row. 8-bit tiles are read in place;
// 4-bit tiles are expanded into scratch (high nibble = left pixel). Tile numbers wrap at the
// ROM's tile count; a machine without graphics ROM shows empty tiles.
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

// Draws layer n's share of drawing level `level` (tilemap.cpp).
void video_draw_layer(machine* m, int n, int level);
