// The video chip's memory operations: the two constant lookup tables, palette conversion,
// the reset of the renderer's work area, the sprite latch that unpacks the game's list into
// sprite records and the copy-out of the finished frame. The board decides when these run;
// rendering is render_frame.cpp.
#include <array>
#include <cstddef>
#include <cstring>

#include "board/machine.h"
#include "video/video.h"
#include "video/video_draw.h"

namespace {

constexpr std::array<uint8_t, 256> build_pen_alpha() {
  std::array<uint8_t, 256> t{};
  for (int p = 0; p < 256; p++) t[p] = static_cast<uint8_t>(video_pen_opacity(p));
  return t;
}

constexpr std::array<uint16_t, 256> build_zoom_reciprocal() {
  std::array<uint16_t, 256> t{};
  for (int i = 0; i < 256; i++) t[i] = static_cast<uint16_t>(65536 / (i + 64));
  return t;
}

// 16-bit entry i of the list area: entry 2k is the high half of word k.
uint32_t list_entry(const machine* m, uint32_t i) {
  const uint32_t w = m->video_ram[0xE00 + i / 2];
  return i & 1 ? w & 0xFFFF : w >> 16;
}

void unpack_sprite(const machine* m, uint32_t n, sprite_record* s) {
  const uint32_t w0 = m->video_ram[4 * n];
  const uint32_t w1 = m->video_ram[4 * n + 1];
  const uint32_t w2 = m->video_ram[4 * n + 2];
  std::memset(s, 0, sizeof *s);  // padding too, so equal lists give equal bytes
  s->y = video_sign_extend_10(w0 >> 16);
  s->x = video_sign_extend_10(w0);
  s->flip_y = w1 >> 31 & 1;
  s->attr_29_28 = w1 >> 28 & 3;
  s->height = static_cast<uint8_t>((w1 >> 24 & 15) + 1);
  s->zoom_y = w1 >> 16 & 0xFF;
  s->flip_x = w1 >> 15 & 1;
  s->priority_index = w1 >> 12 & 3;
  s->width = static_cast<uint8_t>((w1 >> 8 & 15) + 1);
  s->zoom_x = w1 & 0xFF;
  s->palette = static_cast<uint16_t>(w2 >> 24);
  s->is_8bpp = w2 >> 23 & 1;
  s->alpha_select = w2 >> 20 & 7;
  s->tile = w2 & 0x7FFFF;
}

}  // namespace

// Built at compile time: constant for the life of the process and shared by every machine.
constexpr std::array<uint8_t, 256> pen_alpha = build_pen_alpha();
constexpr std::array<uint16_t, 256> zoom_reciprocal = build_zoom_reciprocal();
static_assert(pen_alpha[191] == 255 && pen_alpha[192] == 255 && pen_alpha[193] == 251);
static_assert(pen_alpha[208] == 190 && pen_alpha[224] == 125 && pen_alpha[240] == 60);
static_assert(pen_alpha[255] == 0);
static_assert(zoom_reciprocal[0] == 1024 && zoom_reciprocal[64] == 512);
static_assert(zoom_reciprocal[255] == 205);

void video_update_palette_entry(machine* m, uint32_t index) {
  if (index >= VIDEO_PALETTE_ENTRIES) return;
  m->palette_argb[index] = 0xFF000000 | m->palette_ram[index] >> 8;
}

void video_reset(machine* m) {
  constexpr size_t work_start = offsetof(machine, sprite_count);
  constexpr size_t work_end = offsetof(machine, frame) + sizeof(machine::frame);
  std::memset(reinterpret_cast<char*>(m) + work_start, 0, work_end - work_start);
}

void video_latch_sprites(machine* m) {
  for (uint32_t i = 0; i < VIDEO_MAX_SPRITES; i++) {
    const uint32_t entry = list_entry(m, i);
    unpack_sprite(m, entry & 0x3FF, &m->sprites[i]);
    if (entry & 0x4000) {
      m->sprite_count = static_cast<int32_t>(i + 1);  // the marked entry is included
      return;
    }
  }
  m->sprite_count = VIDEO_MAX_SPRITES;
}

void video_copy_frame(const machine* m, uint32_t* destination) {
  std::memcpy(destination, m->frame, sizeof m->frame);
}
