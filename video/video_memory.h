// The KV7100A video chip's data model: the latched sprite record and the sizes of the video
// areas that live in the machine record (video RAM, palette, zoom table, registers and the
// renderer's work areas).
#pragma once

#include <cstddef>
#include <cstdint>

enum {
  VIDEO_WIDTH = 320,
  VIDEO_HEIGHT = 224,
  VIDEO_RAM_WORDS = 16384,
  VIDEO_PALETTE_ENTRIES = 5120,
  VIDEO_ZOOM_WORDS = 128,
  VIDEO_REG_WORDS = 8,
  VIDEO_MAX_SPRITES = 1024,
};

struct sprite_record {
  int32_t y;               // -512..511 (10-bit two's complement)
  int32_t x;               // -512..511
  uint8_t height;          // tiles, 1-16
  uint8_t width;           // tiles, 1-16
  uint8_t flip_y;          // 0/1
  uint8_t flip_x;          // 0/1
  uint8_t attr_29_28;      // stored and saved, not used in drawing
  uint8_t priority_index;  // 0-3: which level nibble of video register 2
  uint8_t zoom_y;          // index into the zoom table
  uint8_t zoom_x;          // index into the zoom table
  uint32_t tile;           // first tile, 19 bits
  uint16_t palette;        // 0-255
  uint8_t is_8bpp;         // 0/1
  uint16_t alpha_select;   // 0-7: which alpha byte
};

static_assert(sizeof(sprite_record) == 28 && offsetof(sprite_record, alpha_select) == 24);
