// Synthetic scenes for the video chip's tests and benchmark: a zero-filled machine with a
// graphics ROM, and writers that encode tiles, palette entries, sprite attributes, list
// entries, registers, layer words and line tables straight from the chip's bit layout, never
// through the renderer's own decoders. Also the frame hash and PNG files of golden scenes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct machine;

// A zero-filled machine on the heap with a zero-filled graphics ROM, zoom table entry 0 set to
// 1024 (1:1) so that sprites with zoom index 0 draw plain, and the line table on page 29
// (black, no effect) rather than page 0, where it would read the sprite attributes. Free
// with scene_free.
machine* scene_new();
void scene_free(machine* m);
struct scene_deleter {
  void operator()(machine* m) const { scene_free(m); }
};
using scene_ptr = std::unique_ptr<machine, scene_deleter>;

// --- graphics ROM: pens[256] row by row, 16 per row
void scene_tile8(machine* m, uint32_t tile, const uint8_t* pens);
void scene_tile4(machine* m, uint32_t tile, const uint8_t* pens);  // pens 0-15
void scene_tile8_fill(machine* m, uint32_t tile, uint8_t pen);
void scene_tile4_fill(machine* m, uint32_t tile, uint8_t pen);

// The coordinate tile: an 8-bit tile whose data pixel (i, j) has pen 16j + i; with palette 0
// holding the coordinate palette, every pixel but the transparent (0, 0) names its place.
void scene_coordinate_tile(machine* m, uint32_t tile);
void scene_coordinate_palette(machine* m);  // entries 0-255
uint32_t scene_coordinate_colour(int i, int j);
// 1 when the coordinate tile with its top-left corner at screen (x, y) shows every one of its
// on-screen pixels (at least one) at its place, unmirrored; else 0 with the first wrong pixel
// described in why.
int scene_coordinate_tile_at(const machine* m, int x, int y, std::string* why);

// --- palette: entry `index` shows 0x00RRGGBB `rgb` (raw word rgb << 8, low byte junk)
void scene_palette(machine* m, uint32_t index, uint32_t rgb);

// --- sprites
struct scene_sprite {
  int x = 0, y = 0;           // -512..511
  int width = 1, height = 1;  // tiles, 1-16
  int flip_x = 0, flip_y = 0;
  int attr_29_28 = 0;
  int priority_index = 0;      // 0-3
  int zoom_x = 0, zoom_y = 0;  // zoom table indices
  uint32_t tile = 0;
  int palette = 0;  // 0-255
  int is_8bpp = 0;
  int alpha_select = 0;  // 0-7
};
// Attribute words 0-2 of sprite number n.
void scene_sprite_attr(machine* m, uint32_t n, const scene_sprite& s);
// 16-bit sprite list entry i: sprite number n, `last` marks the end of the list.
void scene_list_entry(machine* m, uint32_t i, uint32_t n, int last);
// Sprites[i] as sprite number i % 896 (clear of the list area) at list position i, the last
// one marked, then the latch, so the next frame draws them.
void scene_sprites(machine* m, const std::vector<scene_sprite>& sprites);

// --- registers
void scene_zoom(machine* m, uint32_t index, uint32_t factor);
void scene_alpha_byte(machine* m, uint32_t j, uint32_t byte);
void scene_sprite_level(machine* m, uint32_t priority_index, uint32_t level);
void scene_effect_level(machine* m, uint32_t level);
struct scene_layer_setup {
  int enabled = 1;
  int is_8bpp = 0;
  int rows32 = 0;  // 32 tile rows, else 16
  int per_line = 0;
  uint32_t page = 0;  // 0-127
};
void scene_layer(machine* m, int n, const scene_layer_setup& setup);
void scene_line_table_page(machine* m, uint32_t page);

// --- layer words
// An attribute word: level, bank, alpha level field (0 = opaque, 63 = invisible), per-pen
// alpha, horizontal zoom (per-line mode).
uint32_t scene_layer_attr(uint32_t level, uint32_t bank, uint32_t alpha_field = 0, int per_pen = 0,
                          uint32_t zoom = 0);
// A normal-mode scroll word from its four fields.
uint32_t scene_layer_scroll(uint32_t fine_x, uint32_t coarse_x, uint32_t fine_y, uint32_t coarse_y);
void scene_normal_layer(machine* m, uint32_t page, int n, uint32_t scroll, uint32_t attr);
void scene_line_layer(machine* m, uint32_t page, uint32_t line, uint32_t scroll_y,
                      uint32_t scroll_x, uint32_t attr);
void scene_map_entry(machine* m, uint32_t bank, uint32_t row, uint32_t col, uint32_t palette,
                     uint32_t tile);

// --- line table (page K)
void scene_background(machine* m, uint32_t page, uint32_t line, uint32_t rgb);
void scene_effect(machine* m, uint32_t page, uint32_t line, uint32_t word);

// --- the picture
uint32_t scene_pixel(const machine* m, int x, int y);  // frame pixel, 0x00RRGGBB
uint64_t scene_frame_hash(const machine* m);           // FNV-1a over the 320 x 224 words
// 8-bit RGB PNG of a 320 x 224 frame; 1 on success.
int scene_write_png(const std::string& path, const uint32_t* frame);
// The 320 x 224 frame of an RGB PNG as 0x00RRGGBB words; 1 on success.
int scene_read_png(const std::string& path, std::vector<uint32_t>* frame);
