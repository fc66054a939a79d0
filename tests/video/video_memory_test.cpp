// The video chip's memory operations: palette conversion, the reset of the work area, the
// sprite latch (list end marks, list length, field positions, sign extension) and copy-out.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "board/machine.h"
#include "video/video.h"
#include "video_scene.h"

namespace {

// Raw attribute words of sprite number n.
void set_attr_words(machine* m, uint32_t n, uint32_t w0, uint32_t w1, uint32_t w2) {
  m->video_ram[4 * n] = w0;
  m->video_ram[4 * n + 1] = w1;
  m->video_ram[4 * n + 2] = w2;
}

void expect_same_record(const sprite_record& a, const sprite_record& b) {
  EXPECT_EQ(a.y, b.y);
  EXPECT_EQ(a.x, b.x);
  EXPECT_EQ(a.height, b.height);
  EXPECT_EQ(a.width, b.width);
  EXPECT_EQ(a.flip_y, b.flip_y);
  EXPECT_EQ(a.flip_x, b.flip_x);
  EXPECT_EQ(a.attr_29_28, b.attr_29_28);
  EXPECT_EQ(a.priority_index, b.priority_index);
  EXPECT_EQ(a.zoom_y, b.zoom_y);
  EXPECT_EQ(a.zoom_x, b.zoom_x);
  EXPECT_EQ(a.tile, b.tile);
  EXPECT_EQ(a.palette, b.palette);
  EXPECT_EQ(a.is_8bpp, b.is_8bpp);
  EXPECT_EQ(a.alpha_select, b.alpha_select);
}

// The record that all-zero attribute words give.
sprite_record zero_words_record() {
  sprite_record r{};
  r.height = 1;
  r.width = 1;
  return r;
}

}  // namespace

TEST(VideoPalette, AnEntryConvertsToOpaqueRgbAndIgnoresTheLowByte) {
  scene_ptr m(scene_new());
  const struct {
    uint32_t raw, argb;
  } cases[] = {{0x12345678, 0xFF123456},
               {0, 0xFF000000},
               {0xFFFFFFFF, 0xFFFFFFFF},
               {0x000000FF, 0xFF000000}};
  for (const auto& c : cases) {
    m->palette_ram[5119] = c.raw;
    video_update_palette_entry(m.get(), 5119);
    EXPECT_EQ(m->palette_argb[5119], c.argb) << std::hex << c.raw;
  }
}

TEST(VideoPalette, AnIndexPastThePaletteChangesNothing) {
  scene_ptr m(scene_new());
  std::vector<uint8_t> before(reinterpret_cast<uint8_t*>(m.get()),
                              reinterpret_cast<uint8_t*>(m.get()) + sizeof(machine));
  video_update_palette_entry(m.get(), 5120);
  video_update_palette_entry(m.get(), 0xFFFFFFFF);
  EXPECT_EQ(std::memcmp(before.data(), m.get(), sizeof(machine)), 0);
}

TEST(VideoReset, ResetClearsExactlyTheWorkAreaFromTheSpriteCountToTheEndOfTheFrame) {
  scene_ptr m(scene_new());
  uint8_t* bytes = reinterpret_cast<uint8_t*>(m.get());
  uint8_t* rom = m->graphics_rom;
  std::memset(bytes, 0xAB, sizeof(machine));
  m->graphics_rom = rom;  // keep the pointer valid for scene_free
  video_reset(m.get());
  const size_t start = offsetof(machine, sprite_count);
  const size_t end = offsetof(machine, frame) + sizeof(machine::frame);
  EXPECT_EQ(end - start, 2187268u);
  size_t wrong = 0;
  for (size_t i = 0; i < sizeof(machine); i++) {
    if (i >= offsetof(machine, graphics_rom) && i < offsetof(machine, graphics_rom) + sizeof rom)
      continue;
    const bool in_work_area = i >= start && i < end;
    if (bytes[i] != (in_work_area ? 0 : 0xAB)) wrong++;
  }
  EXPECT_EQ(wrong, 0u);
}

TEST(VideoLatch, AListWhoseFirstEntryIsMarkedLatchesOneSprite) {
  scene_ptr m(scene_new());
  scene_list_entry(m.get(), 0, 3, 1);
  scene_list_entry(m.get(), 1, 4, 1);
  set_attr_words(m.get(), 3, 0x00050007, 0, 0);
  video_latch_sprites(m.get());
  EXPECT_EQ(m->sprite_count, 1);
  EXPECT_EQ(m->sprites[0].y, 5);
  EXPECT_EQ(m->sprites[0].x, 7);
}

TEST(VideoLatch, AListWithoutAMarkedEntryLatchesAll1024) {
  scene_ptr m(scene_new());
  for (uint32_t i = 0; i < 1024; i++) scene_list_entry(m.get(), i, i % 7, 0);
  set_attr_words(m.get(), 1, 0x00000011, 0, 0);
  video_latch_sprites(m.get());
  EXPECT_EQ(m->sprite_count, 1024);
  EXPECT_EQ(m->sprites[1023].x, 0x11);  // position 1023 names sprite 1023 % 7 = 1
}

TEST(VideoLatch, EntriesAlternateBetweenTheHighAndLowHalfOfAListWord) {
  scene_ptr m(scene_new());
  m->video_ram[0xE00] = 0x0007 << 16 | 0x4009;  // entry 0 = sprite 7, entry 1 = sprite 9, last
  set_attr_words(m.get(), 7, 0x00000001, 0, 0);
  set_attr_words(m.get(), 9, 0x00000002, 0, 0);
  video_latch_sprites(m.get());
  ASSERT_EQ(m->sprite_count, 2);
  EXPECT_EQ(m->sprites[0].x, 1);
  EXPECT_EQ(m->sprites[1].x, 2);
}

TEST(VideoLatch, OnlyTheLowTenBitsOfAnEntryNameTheSpriteAndOnlyBit14EndsTheList) {
  scene_ptr m(scene_new());
  scene_list_entry(m.get(), 0, 0, 0);
  m->video_ram[0xE00] = 0xBC05u << 16 | 0x4000;  // bits 15 and 13-10 set: sprite 5, not last
  set_attr_words(m.get(), 5, 0x00000033, 0, 0);
  video_latch_sprites(m.get());
  EXPECT_EQ(m->sprite_count, 2);
  EXPECT_EQ(m->sprites[0].x, 0x33);
}

TEST(VideoLatch, Entry43FFLatchesSprite1023WhoseAttributesLieInsideTheListAndEndsIt) {
  scene_ptr m(scene_new());
  // Sprite 1023's words 0xFFC-0xFFE are list entries 0x3F8-0x3FD; entry 0 is in word 0xE00.
  m->video_ram[0xE00] = 0x43FFu << 16;
  set_attr_words(m.get(), 1023, 0x00100020, 0x0304A0B0, 0x12C54321);
  video_latch_sprites(m.get());
  ASSERT_EQ(m->sprite_count, 1);
  const sprite_record& s = m->sprites[0];
  EXPECT_EQ(s.y, 0x10);
  EXPECT_EQ(s.x, 0x20);
  EXPECT_EQ(s.height, 4);
  EXPECT_EQ(s.zoom_y, 0x04);
  EXPECT_EQ(s.flip_x, 1);
  EXPECT_EQ(s.priority_index, 2);
  EXPECT_EQ(s.zoom_x, 0xB0);
  EXPECT_EQ(s.palette, 0x12);
  EXPECT_EQ(s.is_8bpp, 1);
  EXPECT_EQ(s.alpha_select, 4);
  EXPECT_EQ(s.tile, 0x54321u);
}

TEST(VideoLatch, EachAttributeFieldIsReadFromItsOwnBits) {
  struct field_case {
    const char* what;
    uint32_t w0, w1, w2;
    void (*expect)(sprite_record*);
  };
  const field_case cases[] = {
      {"y -1", 0x03FF0000, 0, 0, [](sprite_record* r) { r->y = -1; }},
      {"y -512", 0x02000000, 0, 0, [](sprite_record* r) { r->y = -512; }},
      {"y 511", 0x01FF0000, 0, 0, [](sprite_record* r) { r->y = 511; }},
      {"x -512", 0x00000200, 0, 0, [](sprite_record* r) { r->x = -512; }},
      {"x 511", 0x000001FF, 0, 0, [](sprite_record* r) { r->x = 511; }},
      {"flip_y", 0, 0x80000000, 0, [](sprite_record* r) { r->flip_y = 1; }},
      {"attr_29_28", 0, 0x30000000, 0, [](sprite_record* r) { r->attr_29_28 = 3; }},
      {"height 16", 0, 0x0F000000, 0, [](sprite_record* r) { r->height = 16; }},
      {"zoom_y", 0, 0x00AB0000, 0, [](sprite_record* r) { r->zoom_y = 0xAB; }},
      {"flip_x", 0, 0x00008000, 0, [](sprite_record* r) { r->flip_x = 1; }},
      {"priority_index", 0, 0x00003000, 0, [](sprite_record* r) { r->priority_index = 3; }},
      {"width 16", 0, 0x00000F00, 0, [](sprite_record* r) { r->width = 16; }},
      {"zoom_x", 0, 0x000000CD, 0, [](sprite_record* r) { r->zoom_x = 0xCD; }},
      {"palette", 0, 0, 0xEF000000, [](sprite_record* r) { r->palette = 0xEF; }},
      {"is_8bpp", 0, 0, 0x00800000, [](sprite_record* r) { r->is_8bpp = 1; }},
      {"alpha_select", 0, 0, 0x00700000, [](sprite_record* r) { r->alpha_select = 7; }},
      {"tile", 0, 0, 0x0007FFFF, [](sprite_record* r) { r->tile = 0x7FFFF; }},
      {"bits not read", 0xFC00FC00, 0x40004000, 0x00080000, [](sprite_record*) {}},
  };
  for (const field_case& c : cases) {
    SCOPED_TRACE(c.what);
    scene_ptr m(scene_new());
    scene_list_entry(m.get(), 0, 2, 1);
    set_attr_words(m.get(), 2, c.w0, c.w1, c.w2);
    m->video_ram[4 * 2 + 3] = 0xFFFFFFFF;  // word 3 is not read
    video_latch_sprites(m.get());
    sprite_record expected = zero_words_record();
    c.expect(&expected);
    expect_same_record(m->sprites[0], expected);
  }
}

TEST(VideoFrame, CopyOutDeliversTheWholeFrameAndNothingMore) {
  scene_ptr m(scene_new());
  for (size_t i = 0; i < VIDEO_WIDTH * VIDEO_HEIGHT; i++)
    m->frame[i] = static_cast<uint32_t>(i * 2654435761u);
  std::vector<uint32_t> out(VIDEO_WIDTH * VIDEO_HEIGHT + 1, 0xDEADBEEF);
  video_copy_frame(m.get(), out.data());
  EXPECT_EQ(std::memcmp(out.data(), m->frame, sizeof m->frame), 0);
  EXPECT_EQ(out.back(), 0xDEADBEEF);
}
