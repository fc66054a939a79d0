// The frame: the colour blend, per-line background, the colour effect and its level, how
// sprites and layers stack by level, the priority buffer's life of one frame, and copy-out.
#include <gtest/gtest.h>

#include <vector>

#include "board/machine.h"
#include "video/video.h"
#include "video/video_draw.h"
#include "video_scene.h"

namespace {

constexpr uint32_t RED = 0xFF0000, GREEN = 0x00FF00, BLUE = 0x0000FF, WHITE = 0xFFFFFF;

// Layer 0 in normal mode on page 1, 4-bit tiles, bank 10 full of tile 2 (all pen 1) with
// palette 3, at `level`; palette 3 pen 1 is BLUE.
void blue_layer(machine* m, uint32_t level) {
  scene_tile4_fill(m, 2, 1);
  scene_palette(m, 3 * 16 + 1, BLUE);
  for (uint32_t r = 0; r < 16; r++)
    for (uint32_t c = 0; c < 32; c++) scene_map_entry(m, 10, r, c, 3, 2);
  scene_layer(m, 0, {.page = 1});
  scene_normal_layer(m, 1, 0, 0, scene_layer_attr(level, 10));
}

}  // namespace

TEST(VideoBlend, EachChannelBlendsOnItsOwnAndTruncates) {
  const struct {
    uint32_t s, d, a, out;
  } cases[] = {
      {0xFFFFFF, 0x000000, 255, 0xFEFEFE},  // 255 is not a copy
      {0x000000, 0xFFFFFF, 1, 0xFEFEFE},       {0x102030, 0x405060, 128, 0x283848},
      {0x010101, 0x000000, 128, 0x000000},     {0xFF0000, 0x0000FF, 128, 0x7F007F},
      {0xAB102030, 0xCD405060, 128, 0x283848},  // top bytes are not read, and come out 0
      {0x123456, 0x654321, 0, 0x654321},
  };
  for (const auto& c : cases) EXPECT_EQ(video_blend(c.s, c.d, c.a), c.out) << std::hex << c.s;
}

TEST(VideoFrame, EachLineTakesItsBackgroundFromTheLineTablePage) {
  scene_ptr m(scene_new());
  scene_line_table_page(m.get(), 31);
  scene_background(m.get(), 31, 0, 0x112233);
  scene_background(m.get(), 31, 223, 0x445566);
  m->video_ram[31 * 512 + 100] = 0x778899FF;  // the low byte is not part of the colour
  video_render_frame(m.get());
  EXPECT_EQ(scene_pixel(m.get(), 0, 0), 0x112233u);
  EXPECT_EQ(scene_pixel(m.get(), 319, 0), 0x112233u);
  EXPECT_EQ(scene_pixel(m.get(), 160, 100), 0x778899u);
  EXPECT_EQ(scene_pixel(m.get(), 319, 223), 0x445566u);
  EXPECT_EQ(scene_pixel(m.get(), 0, 1), 0u);
}

TEST(VideoFrame, ALineTablePagePastVideoRamGivesBlackAndNoEffect) {
  for (uint32_t page : {32u, 127u, 255u}) {
    scene_ptr m(scene_new());
    for (uint32_t& w : m->video_ram) w = 0xFFFFFF80;  // would be white and fill white
    scene_line_table_page(m.get(), page);
    m->video_regs[2] = 0;
    video_render_frame(m.get());
    for (uint32_t v : m->frame) ASSERT_EQ(v, 0u) << page;
  }
}

TEST(VideoFrame, TheColourEffectFillsOrBlendsALine) {
  scene_ptr m(scene_new());
  scene_line_table_page(m.get(), 20);
  for (uint32_t line = 0; line < 4; line++) scene_background(m.get(), 20, line, BLUE);
  scene_effect(m.get(), 20, 0, 0xFF000080);  // bit 7: the line becomes the colour
  scene_effect(m.get(), 20, 1, 0xFF000040);  // weight 2 x 64 = 128
  scene_effect(m.get(), 20, 2, 0xFF000000);  // weight 0: left alone
  scene_effect(m.get(), 20, 3, 0x00FF0001);  // weight 2
  video_render_frame(m.get());
  EXPECT_EQ(scene_pixel(m.get(), 7, 0), RED);
  EXPECT_EQ(scene_pixel(m.get(), 7, 1), 0x7F007Fu);
  EXPECT_EQ(scene_pixel(m.get(), 7, 2), BLUE);
  EXPECT_EQ(scene_pixel(m.get(), 7, 3), 0x0001FDu);
}

TEST(VideoFrame, TheColourEffectComesAfterTheLayersOfItsLevelAndBeforeLaterLevels) {
  // Effect at level 1 fills line 5 red; the layer is at level 1 (under it), a sprite at
  // level 2 is over it, and the effect level 8 never applies.
  for (uint32_t effect_level : {1u, 8u}) {
    scene_ptr m(scene_new());
    blue_layer(m.get(), 1);
    scene_line_table_page(m.get(), 20);
    scene_effect(m.get(), 20, 5, 0xFF000080);
    scene_effect_level(m.get(), effect_level);
    scene_sprite_level(m.get(), 0, 2);
    scene_tile4_fill(m.get(), 1, 1);
    scene_palette(m.get(), 1, GREEN);
    scene_sprites(m.get(), {{.x = 100, .y = 0, .tile = 1}});
    video_render_frame(m.get());
    EXPECT_EQ(scene_pixel(m.get(), 50, 5), effect_level == 1 ? RED : BLUE);
    EXPECT_EQ(scene_pixel(m.get(), 105, 5), GREEN);
  }
}

TEST(VideoFrame, ALayerCoversSpritesOfItsLevelAndLowerOnesAndLaterLayersCoverEarlier) {
  const struct {
    uint32_t sprite_level, layer_level;
    uint32_t shows;
  } cases[] = {
      {1, 1, BLUE}, {0, 1, BLUE}, {2, 1, GREEN}, {7, 0, GREEN}, {8, 0, BLUE}, {15, 9, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "sprite " << c.sprite_level << " layer " << c.layer_level);
    scene_ptr m(scene_new());
    blue_layer(m.get(), c.layer_level);
    scene_sprite_level(m.get(), 3, c.sprite_level);
    scene_tile4_fill(m.get(), 1, 1);
    scene_palette(m.get(), 1, GREEN);
    scene_sprites(m.get(), {{.x = 100, .y = 100, .priority_index = 3, .tile = 1}});
    video_render_frame(m.get());
    EXPECT_EQ(scene_pixel(m.get(), 105, 105), c.shows);
  }

  // Layer 1 (red) after layer 0 (blue) at the same level.
  scene_ptr m(scene_new());
  blue_layer(m.get(), 4);
  scene_palette(m.get(), 4 * 16 + 1, RED);
  for (uint32_t c = 0; c < 32; c++) scene_map_entry(m.get(), 12, 0, c, 4, 2);
  scene_layer(m.get(), 1, {.page = 2});
  scene_normal_layer(m.get(), 2, 1, 0, scene_layer_attr(4, 12));
  video_render_frame(m.get());
  EXPECT_EQ(scene_pixel(m.get(), 10, 5), RED);
  EXPECT_EQ(scene_pixel(m.get(), 10, 20), BLUE);
}

TEST(VideoFrame, ThePriorityBufferLastsOneFrame) {
  // Frame 1: position 5 covers (50, 50). Frame 2: a list of four whose position 3 is there.
  scene_ptr m(scene_new());
  scene_tile4_fill(m.get(), 1, 1);
  scene_palette(m.get(), 1, WHITE);
  std::vector<scene_sprite> list(6, scene_sprite{.x = 400, .tile = 1});
  list[5] = {.x = 50, .y = 50, .tile = 1};
  scene_sprites(m.get(), list);
  video_render_frame(m.get());
  EXPECT_EQ(scene_pixel(m.get(), 55, 55), WHITE);
  EXPECT_EQ(m->priority_buffer[55][55], 5);
  list.resize(4);
  list[3] = {.x = 50, .y = 50, .tile = 1, .palette = 1};
  scene_palette(m.get(), 16 + 1, RED);
  scene_sprites(m.get(), list);
  video_render_frame(m.get());
  EXPECT_EQ(scene_pixel(m.get(), 55, 55), RED);
}

TEST(VideoFrame, TheCopiedOutFrameHasNoTopByte) {
  scene_ptr m(scene_new());
  blue_layer(m.get(), 0);
  scene_tile4_fill(m.get(), 1, 1);
  scene_palette(m.get(), 1, WHITE);
  scene_sprite_level(m.get(), 0, 1);
  scene_sprites(m.get(), {{.x = 0, .y = 0, .tile = 1}});
  video_render_frame(m.get());
  EXPECT_EQ(m->compose_buffer[0][0] >> 24, 0xFFu);  // a plain store keeps the palette's 0xFF
  for (uint32_t v : m->frame) ASSERT_EQ(v >> 24, 0u);
  EXPECT_EQ(scene_pixel(m.get(), 0, 0), WHITE);
}
