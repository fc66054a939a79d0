#include "video_scene.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/machine.h"
#include "video/video.h"

namespace {

constexpr size_t GRAPHICS_ROM_BYTES = 46137344;

void set_half(uint32_t* words, uint32_t entry, uint32_t value) {
  uint32_t& w = words[entry / 2];
  w = entry % 2 ? (w & 0xFFFF0000) | (value & 0xFFFF) : (w & 0xFFFF) | value << 16;
}

}  // namespace

machine* scene_new() {
  machine* m = static_cast<machine*>(std::calloc(1, sizeof(machine)));
  m->graphics_rom = static_cast<uint8_t*>(std::calloc(1, GRAPHICS_ROM_BYTES));
  scene_zoom(m, 0, 1024);
  scene_line_table_page(m, 29);
  return m;
}

void scene_free(machine* m) {
  if (!m) return;
  std::free(m->graphics_rom);
  std::free(m);
}

void scene_tile8(machine* m, uint32_t tile, const uint8_t* pens) {
  std::memcpy(m->graphics_rom + static_cast<size_t>(tile % 0x2C000) * 256, pens, 256);
}

void scene_tile4(machine* m, uint32_t tile, const uint8_t* pens) {
  uint8_t* dst = m->graphics_rom + static_cast<size_t>(tile % 0x58000) * 128;
  for (int i = 0; i < 128; i++)
    dst[i] = static_cast<uint8_t>(pens[2 * i] << 4 | (pens[2 * i + 1] & 15));
}

void scene_tile8_fill(machine* m, uint32_t tile, uint8_t pen) {
  uint8_t pens[256];
  std::memset(pens, pen, sizeof pens);
  scene_tile8(m, tile, pens);
}

void scene_tile4_fill(machine* m, uint32_t tile, uint8_t pen) {
  uint8_t pens[256];
  std::memset(pens, pen, sizeof pens);
  scene_tile4(m, tile, pens);
}

void scene_coordinate_tile(machine* m, uint32_t tile) {
  uint8_t pens[256];
  for (int k = 0; k < 256; k++) pens[k] = static_cast<uint8_t>(k);
  scene_tile8(m, tile, pens);
}

void scene_coordinate_palette(machine* m) {
  for (int k = 0; k < 256; k++) scene_palette(m, k, scene_coordinate_colour(k % 16, k / 16));
}

uint32_t scene_coordinate_colour(int i, int j) {
  return static_cast<uint32_t>(i * 16) << 16 | static_cast<uint32_t>(j * 16) << 8 | 0x80;
}

int scene_coordinate_tile_at(const machine* m, int x, int y, std::string* why) {
  int seen = 0;
  for (int j = 0; j < 16; j++)
    for (int i = 0; i < 16; i++) {
      const int sx = x + i, sy = y + j;
      if ((i == 0 && j == 0) || sx < 0 || sx >= VIDEO_WIDTH || sy < 0 || sy >= VIDEO_HEIGHT)
        continue;
      seen++;
      const uint32_t got = scene_pixel(m, sx, sy), want = scene_coordinate_colour(i, j);
      if (got != want) {
        char text[160];
        std::snprintf(text, sizeof text, "screen (%d, %d) shows %06X, not data pixel (%d, %d) %06X",
                      sx, sy, got, i, j, want);
        *why = text;
        return 0;
      }
    }
  if (!seen) *why = "no pixel of the tile is on screen";
  return seen > 0;
}

void scene_palette(machine* m, uint32_t index, uint32_t rgb) {
  m->palette_ram[index] = (rgb & 0xFFFFFF) << 8 | 0x5A;
  video_update_palette_entry(m, index);
}

void scene_sprite_attr(machine* m, uint32_t n, const scene_sprite& s) {
  uint32_t* w = &m->video_ram[4 * n];
  w[0] = (static_cast<uint32_t>(s.y) & 0x3FF) << 16 | (static_cast<uint32_t>(s.x) & 0x3FF);
  w[1] = static_cast<uint32_t>(s.flip_y & 1) << 31 | static_cast<uint32_t>(s.attr_29_28 & 3) << 28 |
         static_cast<uint32_t>((s.height - 1) & 15) << 24 |
         static_cast<uint32_t>(s.zoom_y & 0xFF) << 16 | static_cast<uint32_t>(s.flip_x & 1) << 15 |
         static_cast<uint32_t>(s.priority_index & 3) << 12 |
         static_cast<uint32_t>((s.width - 1) & 15) << 8 | static_cast<uint32_t>(s.zoom_x & 0xFF);
  w[2] = static_cast<uint32_t>(s.palette & 0xFF) << 24 |
         static_cast<uint32_t>(s.is_8bpp & 1) << 23 |
         static_cast<uint32_t>(s.alpha_select & 7) << 20 | (s.tile & 0x7FFFF);
}

void scene_list_entry(machine* m, uint32_t i, uint32_t n, int last) {
  set_half(&m->video_ram[0xE00], i, (n & 0x3FF) | (last ? 0x4000 : 0));
}

void scene_sprites(machine* m, const std::vector<scene_sprite>& sprites) {
  for (size_t i = 0; i < sprites.size(); i++) {
    const uint32_t n = static_cast<uint32_t>(i % 896);
    if (i < 896) scene_sprite_attr(m, n, sprites[i]);
    scene_list_entry(m, static_cast<uint32_t>(i), n, i + 1 == sprites.size());
  }
  video_latch_sprites(m);
}

void scene_zoom(machine* m, uint32_t index, uint32_t factor) {
  set_half(m->zoom_table, index, factor);
}

void scene_alpha_byte(machine* m, uint32_t j, uint32_t byte) {
  uint32_t& w = m->video_regs[j / 4];
  const uint32_t shift = 24 - 8 * (j % 4);
  w = (w & ~(0xFFu << shift)) | (byte & 0xFF) << shift;
}

void scene_sprite_level(machine* m, uint32_t priority_index, uint32_t level) {
  const uint32_t shift = 28 - 4 * priority_index;
  m->video_regs[2] = (m->video_regs[2] & ~(0xFu << shift)) | (level & 15) << shift;
}

void scene_effect_level(machine* m, uint32_t level) {
  m->video_regs[2] = (m->video_regs[2] & ~0xFu) | (level & 15);
}

void scene_layer(machine* m, int n, const scene_layer_setup& setup) {
  const uint32_t byte_shift = 24 - 8 * n;
  const uint32_t b = (setup.per_line ? 0x80 : 0) | (setup.page & 0x7F);
  m->video_regs[6] = (m->video_regs[6] & ~(0xFFu << byte_shift)) | b << byte_shift;
  const uint32_t flags =
      (setup.enabled ? 8u : 0) | (setup.is_8bpp ? 4u : 0) | (setup.rows32 ? 1u : 0);
  const uint32_t nibble_shift = 12 - 4 * n;
  m->video_regs[7] = (m->video_regs[7] & ~(0xFu << nibble_shift)) | flags << nibble_shift;
}

void scene_line_table_page(machine* m, uint32_t page) {
  m->video_regs[7] = (m->video_regs[7] & 0x00FFFFFF) | (page & 0xFF) << 24;
}

uint32_t scene_layer_attr(uint32_t level, uint32_t bank, uint32_t alpha_field, int per_pen,
                          uint32_t zoom) {
  return (level & 0xFF) << 24 | (zoom & 0xFF) << 16 | (per_pen ? 0x8000u : 0) |
         (alpha_field & 63) << 8 | (bank & 0xFF);
}

uint32_t scene_layer_scroll(uint32_t fine_x, uint32_t coarse_x, uint32_t fine_y,
                            uint32_t coarse_y) {
  return (coarse_y & 31) << 20 | (fine_y & 15) << 16 | (coarse_x & 31) << 4 | (fine_x & 15);
}

void scene_normal_layer(machine* m, uint32_t page, int n, uint32_t scroll, uint32_t attr) {
  m->video_ram[page * 512 + 252 + n] = scroll;
  m->video_ram[page * 512 + 508 + n] = attr;
}

void scene_line_layer(machine* m, uint32_t page, uint32_t line, uint32_t scroll_y,
                      uint32_t scroll_x, uint32_t attr) {
  m->video_ram[page * 512 + line] = (scroll_y & 0x3FF) << 16 | (scroll_x & 0x1FF);
  m->video_ram[page * 512 + 256 + line] = attr;
}

void scene_map_entry(machine* m, uint32_t bank, uint32_t row, uint32_t col, uint32_t palette,
                     uint32_t tile) {
  m->video_ram[bank * 512 + row * 32 + col] = (palette & 0xFF) << 24 | (tile & 0x7FFFF);
}

void scene_background(machine* m, uint32_t page, uint32_t line, uint32_t rgb) {
  m->video_ram[page * 512 + line] = (rgb & 0xFFFFFF) << 8;
}

void scene_effect(machine* m, uint32_t page, uint32_t line, uint32_t word) {
  m->video_ram[page * 512 + 256 + line] = word;
}

uint32_t scene_pixel(const machine* m, int x, int y) {
  return m->frame[y * VIDEO_WIDTH + x];
}

uint64_t scene_frame_hash(const machine* m) {
  uint64_t h = 14695981039346656037ull;
  for (uint32_t v : m->frame)
    for (int b = 0; b < 4; b++) h = (h ^ (v >> 8 * b & 0xFF)) * 1099511628211ull;
  return h;
}

int scene_write_png(const std::string& path, const uint32_t* frame) {
  std::vector<uint8_t> rgb(VIDEO_WIDTH * VIDEO_HEIGHT * 3);
  for (int i = 0; i < VIDEO_WIDTH * VIDEO_HEIGHT; i++) {
    rgb[3 * i] = frame[i] >> 16 & 0xFF;
    rgb[3 * i + 1] = frame[i] >> 8 & 0xFF;
    rgb[3 * i + 2] = frame[i] & 0xFF;
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = VIDEO_WIDTH;
  image.height = VIDEO_HEIGHT;
  image.format = PNG_FORMAT_RGB;
  return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) ? 1 : 0;
}

int scene_read_png(const std::string& path, std::vector<uint32_t>* frame) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return 0;
  if (image.width != VIDEO_WIDTH || image.height != VIDEO_HEIGHT) {
    png_image_free(&image);
    return 0;
  }
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return 0;
  frame->assign(VIDEO_WIDTH * VIDEO_HEIGHT, 0);
  for (int i = 0; i < VIDEO_WIDTH * VIDEO_HEIGHT; i++)
    (*frame)[i] = static_cast<uint32_t>(rgb[3 * i]) << 16 | rgb[3 * i + 1] << 8 | rgb[3 * i + 2];
  return 1;
}
