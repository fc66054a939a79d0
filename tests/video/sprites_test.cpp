// Sprites: placement, tile order and mirroring on the plain and the zoomed path, clipping,
// zoom extents, the priority rule between list positions, alpha bytes and per-pen alpha, and
// records from a hostile save state.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "board/machine.h"
#include "video/video.h"
#include "video_scene.h"

namespace {

constexpr uint32_t RED = 0xFF0000, GREEN = 0x00FF00, BLUE = 0x0000FF, WHITE = 0xFFFFFF;

// Bounding box of the pixels that differ from `background`; w = 0 when there are none.
struct box {
  int x, y, w, h;
};

box drawn_box(const machine* m, uint32_t background) {
  int x0 = VIDEO_WIDTH, y0 = VIDEO_HEIGHT, x1 = -1, y1 = -1;
  for (int y = 0; y < VIDEO_HEIGHT; y++)
    for (int x = 0; x < VIDEO_WIDTH; x++)
      if (scene_pixel(m, x, y) != background) {
        x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
      }
  if (x1 < 0) return {0, 0, 0, 0};
  return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

int count_not(const machine* m, uint32_t background) {
  int n = 0;
  for (uint32_t v : m->frame) n += v != background;
  return n;
}

// Zoom table index 1 holds 1025: the zoomed path, sampling exactly like 1:1 for 16 tiles.
constexpr int ZOOMED_LIKE_PLAIN = 1;

}  // namespace

TEST(VideoSprites, TilesRunAlongRowsThenDownAndFlipsMirrorTheWholeSprite) {
  // Tile k of the 2 x 2 sprite is all pen k + 1 but for data pixel (0, 0), which is pen 5 + k.
  struct flip_case {
    int flip_x, flip_y;
    int top_left, top_right, bottom_left, bottom_right;  // pens at the four screen corners
  };
  const flip_case cases[] = {
      {0, 0, 5, 2, 3, 4},
      {1, 0, 2, 5, 4, 3},
      {0, 1, 3, 4, 5, 2},
      {1, 1, 4, 3, 2, 5},
  };
  for (int zoom_index : {0, ZOOMED_LIKE_PLAIN})
    for (const flip_case& c : cases) {
      SCOPED_TRACE(testing::Message()
                   << "zoom index " << zoom_index << " flip " << c.flip_x << c.flip_y);
      scene_ptr m(scene_new());
      scene_zoom(m.get(), ZOOMED_LIKE_PLAIN, 1025);
      for (int k = 0; k < 4; k++) {
        uint8_t pens[256];
        std::memset(pens, k + 1, sizeof pens);
        pens[0] = static_cast<uint8_t>(5 + k);
        scene_tile4(m.get(), 40 + k, pens);
      }
      for (int p = 1; p <= 8; p++) scene_palette(m.get(), p, 0x101010 * p);
      scene_sprites(m.get(), {{.x = 100,
                               .y = 50,
                               .width = 2,
                               .height = 2,
                               .flip_x = c.flip_x,
                               .flip_y = c.flip_y,
                               .zoom_x = zoom_index,
                               .zoom_y = zoom_index,
                               .tile = 40}});
      video_render_frame(m.get());
      EXPECT_EQ(scene_pixel(m.get(), 100, 50), 0x101010u * c.top_left);
      EXPECT_EQ(scene_pixel(m.get(), 131, 50), 0x101010u * c.top_right);
      EXPECT_EQ(scene_pixel(m.get(), 100, 81), 0x101010u * c.bottom_left);
      EXPECT_EQ(scene_pixel(m.get(), 131, 81), 0x101010u * c.bottom_right);
      EXPECT_EQ(drawn_box(m.get(), 0).w, 32);
    }
}

TEST(VideoSprites, FourBitTilesShowTheHighNibbleOnTheLeftAndEightBitTilesAWholePalette) {
  scene_ptr m(scene_new());
  uint8_t pens[256] = {};
  pens[0] = 1, pens[1] = 2;
  scene_tile4(m.get(), 3, pens);
  uint8_t pens8[256] = {};
  pens8[0] = 200;
  scene_tile8(m.get(), 3, pens8);
  scene_palette(m.get(), 7 * 16 + 1, RED);
  scene_palette(m.get(), 7 * 16 + 2, GREEN);
  scene_palette(m.get(), 2 * 16 + 200, BLUE);
  scene_sprites(m.get(), {{.x = 10, .y = 10, .tile = 3, .palette = 7},
                          {.x = 40, .y = 10, .tile = 3, .palette = 2, .is_8bpp = 1}});
  video_render_frame(m.get());
  EXPECT_EQ(scene_pixel(m.get(), 10, 10), RED);
  EXPECT_EQ(scene_pixel(m.get(), 11, 10), GREEN);
  EXPECT_EQ(scene_pixel(m.get(), 40, 10), BLUE);
}

TEST(VideoSprites, TileNumbersWrapAtTheTileCountOfTheirDepth) {
  scene_ptr m(scene_new());
  scene_tile4_fill(m.get(), 9, 1);
  scene_tile8_fill(m.get(), 9, 2);
  scene_palette(m.get(), 1, RED);
  scene_palette(m.get(), 2, GREEN);
  scene_sprites(m.get(), {{.x = 0, .y = 0, .tile = 0x58000 + 9},
                          {.x = 50, .y = 0, .tile = 0x2C000 + 9, .is_8bpp = 1}});
  video_render_frame(m.get());
  EXPECT_EQ(scene_pixel(m.get(), 5, 5), RED);
  EXPECT_EQ(scene_pixel(m.get(), 55, 5), GREEN);
}

TEST(VideoSprites, ASpriteIsClippedAtEveryEdgeOfTheScreen) {
  const struct {
    int x, y, visible;  // visible pixels of the 16 x 16 tile
  } cases[] = {
      {-8, 10, 8 * 16}, {316, 10, 4 * 16}, {10, -8, 16 * 8}, {10, 220, 16 * 4},
      {-8, -8, 8 * 8},  {316, 220, 4 * 4}, {-15, -15, 1},    {319, 223, 1},
      {-16, 10, 0},     {320, 10, 0},      {10, -16, 0},     {10, 224, 0},
  };
  for (int zoom_index : {0, ZOOMED_LIKE_PLAIN})
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message()
                   << "zoom index " << zoom_index << " at " << c.x << "," << c.y);
      scene_ptr m(scene_new());
      scene_zoom(m.get(), ZOOMED_LIKE_PLAIN, 1025);
      scene_coordinate_tile(m.get(), 5);
      scene_coordinate_palette(m.get());
      scene_sprites(m.get(), {{.x = c.x,
                               .y = c.y,
                               .zoom_x = zoom_index,
                               .zoom_y = zoom_index,
                               .tile = 5,
                               .is_8bpp = 1}});
      video_render_frame(m.get());
      const bool corner_visible = c.x >= 0 && c.y >= 0;  // data pixel (0, 0) is transparent
      EXPECT_EQ(count_not(m.get(), 0), c.visible - (corner_visible && c.visible ? 1 : 0));
      std::string why;
      if (c.visible > 1) {
        EXPECT_TRUE(scene_coordinate_tile_at(m.get(), c.x, c.y, &why)) << why;
      }
    }
}

TEST(VideoSprites, ATileWhollyOffScreenStillUsesUpItsTileNumber) {
  scene_ptr m(scene_new());
  scene_tile8_fill(m.get(), 20, 1);
  scene_coordinate_tile(m.get(), 21);
  scene_coordinate_palette(m.get());
  scene_sprites(m.get(), {{.x = -16, .y = 30, .width = 2, .tile = 20, .is_8bpp = 1}});
  video_render_frame(m.get());
  std::string why;
  EXPECT_TRUE(scene_coordinate_tile_at(m.get(), 0, 30, &why)) << why;
}

TEST(VideoSprites, ZoomFactorsSetTheSizeOnScreenAndAreReadWhenTheFrameIsDrawn) {
  const struct {
    uint32_t zx, zy;
    int width, height;  // tiles
    int w, h;           // pixels on screen, 0 = not drawn
  } cases[] = {
      {1024, 1024, 1, 1, 16, 16}, {512, 512, 1, 1, 32, 32},   {2048, 2048, 1, 1, 8, 8},
      {1024, 2048, 1, 1, 16, 8},  {2048, 2048, 3, 2, 24, 16}, {32768, 32768, 1, 1, 1, 1},
      {65535, 1024, 1, 1, 0, 0},  {1024, 65535, 1, 1, 0, 0},  {0, 1024, 1, 1, 0, 0},
      {1024, 0, 1, 1, 0, 0},      {768, 1536, 1, 1, 21, 11},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.zx << " x " << c.zy);
    scene_ptr m(scene_new());
    for (uint32_t t = 1; t <= 6; t++) scene_tile4_fill(m.get(), t, 1);
    scene_palette(m.get(), 1, WHITE);
    // Indices 3 and 4 sit in the low half of word 1 and the high half of word 2.
    scene_sprites(m.get(), {{.x = 100,
                             .y = 100,
                             .width = c.width,
                             .height = c.height,
                             .zoom_x = 3,
                             .zoom_y = 4,
                             .tile = 1}});
    scene_zoom(m.get(), 3, c.zx);  // after the latch: only the index is latched
    scene_zoom(m.get(), 4, c.zy);
    video_render_frame(m.get());
    const box b = drawn_box(m.get(), 0);
    EXPECT_EQ(b.w, c.w);
    if (c.w) {
      EXPECT_EQ(b.h, c.h);
      EXPECT_EQ(b.x, 100);
      EXPECT_EQ(b.y, 100);
    }
  }
}

TEST(VideoSprites, ATinyZoomFactorCoversTheScreenWithoutReachingPastIt) {
  scene_ptr m(scene_new());
  for (uint32_t t = 1; t <= 256; t++) scene_tile4_fill(m.get(), t, 1);
  scene_palette(m.get(), 1, WHITE);
  scene_zoom(m.get(), 2, 1);  // 16 tiles become 262,144 pixels
  for (int flip : {0, 1}) {
    scene_sprites(m.get(), {{.x = -512,
                             .y = -512,
                             .width = 16,
                             .height = 16,
                             .flip_x = flip,
                             .flip_y = flip,
                             .zoom_x = 2,
                             .zoom_y = 2,
                             .tile = 1}});
    video_render_frame(m.get());
    EXPECT_EQ(count_not(m.get(), WHITE), 0);
  }
}

TEST(VideoSprites, AZoomedSpriteSamplesItsTilesAtTheZoomedSteps) {
  scene_ptr m(scene_new());
  scene_coordinate_tile(m.get(), 5);
  scene_coordinate_palette(m.get());
  scene_zoom(m.get(), 1, 512);
  scene_zoom(m.get(), 2, 2048);
  scene_sprites(
      m.get(),
      {{.x = 10, .y = 10, .zoom_x = 1, .zoom_y = 1, .tile = 5, .is_8bpp = 1},
       {.x = 60, .y = 10, .flip_x = 1, .zoom_x = 1, .zoom_y = 2, .tile = 5, .is_8bpp = 1}});
  video_render_frame(m.get());
  // Doubled: screen (10 + 2i + 1, 10 + 2j + 1) shows data (i, j).
  EXPECT_EQ(scene_pixel(m.get(), 10 + 7, 10 + 9), scene_coordinate_colour(3, 4));
  EXPECT_EQ(scene_pixel(m.get(), 10 + 31, 10 + 31), scene_coordinate_colour(15, 15));
  // Doubled wide, mirrored, half height: column k shows data 15 - k / 2, line k data 2k.
  EXPECT_EQ(scene_pixel(m.get(), 60, 11), scene_coordinate_colour(15, 2));
  EXPECT_EQ(scene_pixel(m.get(), 60 + 2, 13), scene_coordinate_colour(14, 6));
  EXPECT_EQ(scene_pixel(m.get(), 60 + 31, 17), scene_coordinate_colour(0, 14));
  EXPECT_EQ(drawn_box(m.get(), 0).h, 32);
}

TEST(VideoSprites, AZoomedSpriteOfSixteenTilesShowsAllOfThemAlongEitherAxis) {
  // Tiles k = 0-15 of a 16 x 1 or 1 x 16 sprite are all pen 10 + k. At half size every eighth
  // screen line or column moves on by one tile, so rows and columns 128-255 of the assembled
  // sprite show from line or column 64 on.
  auto colour = [](int k) { return 0x0F0000u * static_cast<uint32_t>(k + 1) | 0x40u; };
  for (int vertical : {1, 0})
    for (int flip : {0, 1}) {
      SCOPED_TRACE(testing::Message() << (vertical ? "tall" : "wide") << " flip " << flip);
      scene_ptr m(scene_new());
      for (int k = 0; k < 16; k++) {
        scene_tile8_fill(m.get(), 100 + k, static_cast<uint8_t>(10 + k));
        scene_palette(m.get(), 10 + k, colour(k));
      }
      scene_zoom(m.get(), 1, 2048);
      scene_sprites(m.get(), {{.x = 20,
                               .y = 10,
                               .width = vertical ? 1 : 16,
                               .height = vertical ? 16 : 1,
                               .flip_x = vertical ? 0 : flip,
                               .flip_y = vertical ? flip : 0,
                               .zoom_x = 1,
                               .zoom_y = 1,
                               .tile = 100,
                               .is_8bpp = 1}});
      video_render_frame(m.get());
      const box b = drawn_box(m.get(), 0);
      EXPECT_EQ(b.w, vertical ? 8 : 128);
      EXPECT_EQ(b.h, vertical ? 128 : 8);
      for (int k = 0; k < 16; k++) {
        const int shown = flip ? 15 - k : k;
        const int along = 8 * k + 4;  // the middle of the k-th eighth
        EXPECT_EQ(scene_pixel(m.get(), vertical ? 24 : 20 + along, vertical ? 10 + along : 14),
                  colour(shown))
            << "tile " << shown;
      }
    }
}

TEST(VideoSprites, AssemblingAZoomedSpriteWritesOnlyItsOwnTiles) {
  scene_ptr m(scene_new());
  std::memset(m->zoom_scratch, 0xEE, sizeof m->zoom_scratch);
  scene_tile4_fill(m.get(), 1, 3);
  scene_tile4_fill(m.get(), 2, 4);
  scene_zoom(m.get(), 1, 2048);
  scene_sprites(m.get(), {{.width = 2, .height = 1, .zoom_x = 1, .zoom_y = 1, .tile = 1}});
  video_render_frame(m.get());
  EXPECT_EQ(m->zoom_scratch[15][15], 3);
  EXPECT_EQ(m->zoom_scratch[15][31], 4);
  EXPECT_EQ(m->zoom_scratch[15][32], 0xEE);
  EXPECT_EQ(m->zoom_scratch[16][0], 0xEE);
}

TEST(VideoSprites, ALaterListPositionCoversAnEarlierOneWhateverTheirLevels) {
  // Sprites a and b overlap at (50, 50); the other positions are off screen.
  const struct {
    int a, level_a, b, level_b;
    uint32_t shows;
  } cases[] = {
      {3, 0, 5, 0, GREEN}, {3, 1, 5, 0, GREEN}, {3, 0, 5, 1, GREEN},
      {0, 0, 5, 0, GREEN}, {0, 1, 5, 0, RED},   {0, 0, 5, 1, GREEN},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.a << "@" << c.level_a << " vs " << c.b << "@" << c.level_b);
    scene_ptr m(scene_new());
    scene_tile4_fill(m.get(), 1, 1);
    scene_palette(m.get(), 16 + 1, RED);
    scene_palette(m.get(), 32 + 1, GREEN);
    scene_sprite_level(m.get(), 1, 1);
    std::vector<scene_sprite> list(6, scene_sprite{.x = 400, .y = 50, .tile = 1});
    list[c.a] = {.x = 50, .y = 50, .priority_index = c.level_a, .tile = 1, .palette = 1};
    list[c.b] = {.x = 50, .y = 50, .priority_index = c.level_b, .tile = 1, .palette = 2};
    scene_sprites(m.get(), list);
    video_render_frame(m.get());
    EXPECT_EQ(scene_pixel(m.get(), 55, 55), c.shows);
  }
}

TEST(VideoSprites, PositionZeroNeitherTestsNorClaimsThePriorityBuffer) {
  // Position 5 (level 0), then position 0 (level 1), then position 3 (level 2): 0 covers 5
  // without claiming, so 3 is still hidden by 5.
  scene_ptr m(scene_new());
  scene_tile4_fill(m.get(), 1, 1);
  for (uint32_t q = 1; q <= 3; q++) scene_palette(m.get(), q * 16 + 1, 0x404040 * q);
  scene_sprite_level(m.get(), 1, 1);
  scene_sprite_level(m.get(), 2, 2);
  std::vector<scene_sprite> list(6, scene_sprite{.x = 400, .tile = 1});
  list[0] = {.x = 50, .y = 50, .priority_index = 1, .tile = 1, .palette = 1};
  list[3] = {.x = 50, .y = 50, .priority_index = 2, .tile = 1, .palette = 2};
  list[5] = {.x = 50, .y = 50, .priority_index = 0, .tile = 1, .palette = 3};
  scene_sprites(m.get(), list);
  video_render_frame(m.get());
  EXPECT_EQ(scene_pixel(m.get(), 55, 55), 0x404040u);
}

TEST(VideoSprites, AnInvisibleSpriteClaimsItsPixelsButNotItsTransparentOnes) {
  // Position 3 has alpha 0 at level 0 and only its left half opaque; position 2 comes at
  // level 1 over the whole tile.
  scene_ptr m(scene_new());
  uint8_t pens[256] = {};
  for (int j = 0; j < 16; j++) std::memset(pens + 16 * j, 1, 8);
  scene_tile4(m.get(), 1, pens);
  scene_tile4_fill(m.get(), 2, 1);
  scene_palette(m.get(), 1, RED);
  scene_palette(m.get(), 16 + 1, GREEN);
  scene_alpha_byte(m.get(), 4, 0x3F);
  scene_sprite_level(m.get(), 1, 1);
  std::vector<scene_sprite> list(4, scene_sprite{.x = 400, .tile = 2});
  list[2] = {.x = 50, .y = 50, .priority_index = 1, .tile = 2, .palette = 1};
  list[3] = {.x = 50, .y = 50, .tile = 1, .alpha_select = 4};
  scene_sprites(m.get(), list);
  video_render_frame(m.get());
  EXPECT_EQ(scene_pixel(m.get(), 52, 55), 0u);
  EXPECT_EQ(scene_pixel(m.get(), 60, 55), GREEN);
}

TEST(VideoSprites, AnAlphaByteIsOpaqueInvisibleAFractionOrPerPen) {
  // A white 8-bit sprite of pen 208 (per-pen alpha 190) over black.
  const struct {
    uint32_t byte, shows;
  } cases[] = {
      {0x00, 0xFFFFFF}, {0x3F, 0x000000}, {0x40, 0xFFFFFF}, {0x20, 0x7C7C7C},
      {0x60, 0x7C7C7C}, {0x80, 0xBDBDBD}, {0xBF, 0xBDBDBD}, {0x01, 0xFAFAFA},
  };
  for (const auto& c : cases)
    for (uint32_t j = 0; j < 8; j++) {
      SCOPED_TRACE(testing::Message() << "byte " << std::hex << c.byte << " in position " << j);
      scene_ptr m(scene_new());
      scene_tile8_fill(m.get(), 1, 208);
      scene_palette(m.get(), 208, WHITE);
      for (uint32_t k = 0; k < 8; k++) scene_alpha_byte(m.get(), k, 0x3F);
      scene_alpha_byte(m.get(), j, c.byte);
      scene_sprites(
          m.get(),
          {{.x = 10, .y = 10, .tile = 1, .is_8bpp = 1, .alpha_select = static_cast<int>(j)},
           {.x = 40,
            .y = 10,
            .tile = 1,
            .is_8bpp = 1,
            .alpha_select = static_cast<int>((j + 1) % 8)}});
      video_render_frame(m.get());
      EXPECT_EQ(scene_pixel(m.get(), 15, 15), c.shows);
      EXPECT_EQ(scene_pixel(m.get(), 45, 15), 0u);
    }
}

TEST(VideoSprites, PerPenAlphaStoresOpaquePensAndBlendsTheRestWithTruncation) {
  const struct {
    uint8_t pen;
    uint32_t over_black, over_blue;
  } cases[] = {
      {1, 0xFFFFFF, 0xFFFFFF},   {191, 0xFFFFFF, 0xFFFFFF}, {192, 0xFFFFFF, 0xFFFFFF},
      {193, 0xFAFAFA, 0xFAFAFF}, {208, 0xBDBDBD, 0xBDBDFF}, {224, 0x7C7C7C, 0x7C7CFF},
      {240, 0x3B3B3B, 0x3B3BFF}, {255, 0x000000, 0x0000FF},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "pen " << int(c.pen));
    scene_ptr m(scene_new());
    scene_tile8_fill(m.get(), 1, c.pen);
    scene_palette(m.get(), c.pen, WHITE);
    scene_alpha_byte(m.get(), 0, 0x80);
    scene_line_table_page(m.get(), 30);
    scene_background(m.get(), 30, 20, BLUE);
    scene_sprites(m.get(), {{.x = 10, .y = 10, .tile = 1, .is_8bpp = 1}});
    video_render_frame(m.get());
    EXPECT_EQ(scene_pixel(m.get(), 15, 15), c.over_black);
    EXPECT_EQ(scene_pixel(m.get(), 15, 20), c.over_blue);
  }
}

TEST(VideoSprites, RecordsFromAHostileStateAreDrawnAsTheirMaskedFields) {
  scene_ptr m(scene_new());
  for (uint32_t t = 0; t < 64; t++) scene_tile4_fill(m.get(), t, t % 15 + 1);
  for (uint32_t t = 0x7FFC0; t < 0x80000; t++) scene_tile4_fill(m.get(), t, 3);
  for (uint32_t i = 0; i < VIDEO_PALETTE_ENTRIES; i++) scene_palette(m.get(), i, i * 0x9E3779);
  for (uint32_t i = 0; i < 256; i++) scene_zoom(m.get(), i, i % 3 ? 1024 : 700 + i);
  m->video_regs[2] = 0x0123FFF0;
  for (uint32_t k = 0; k < 8; k++) scene_alpha_byte(m.get(), k, k * 0x23);

  // Every field out of range, in many combinations.
  for (int i = 0; i < VIDEO_MAX_SPRITES; i++) {
    sprite_record& s = m->sprites[i];
    s.y = i % 2 ? -100000 - i * 77 : 0x7FFFFFFF - i;
    s.x = i * 40503;
    s.height = static_cast<uint8_t>(i % 3 ? 200 : 0);
    s.width = static_cast<uint8_t>(200 + i);
    s.flip_y = static_cast<uint8_t>(i * 7);
    s.flip_x = static_cast<uint8_t>(i * 3);
    s.priority_index = static_cast<uint8_t>(255 - i);
    s.zoom_y = static_cast<uint8_t>(i);
    s.zoom_x = static_cast<uint8_t>(i * 5);
    s.tile = 0xFFFFFFFFu - i;
    s.palette = 0xFFFF;
    s.is_8bpp = static_cast<uint8_t>(i % 5);
    s.alpha_select = 0xFFFF;
  }
  m->sprite_count = 5000;
  video_render_frame(m.get());
  const uint64_t hostile = scene_frame_hash(m.get());

  // The same records masked to the latch's ranges draw the same frame.
  for (int i = 0; i < VIDEO_MAX_SPRITES; i++) {
    sprite_record& s = m->sprites[i];
    s.y = ((s.y & 0x3FF) ^ 0x200) - 0x200;
    s.x = ((s.x & 0x3FF) ^ 0x200) - 0x200;
    s.height = static_cast<uint8_t>(((s.height - 1) & 15) + 1);
    s.width = static_cast<uint8_t>(((s.width - 1) & 15) + 1);
    s.flip_y &= 1, s.flip_x &= 1, s.priority_index &= 3, s.is_8bpp &= 1;
    s.tile &= 0x7FFFF, s.palette &= 0xFF, s.alpha_select &= 7;
  }
  m->sprite_count = 1024;
  video_render_frame(m.get());
  EXPECT_EQ(scene_frame_hash(m.get()), hostile);
  EXPECT_GT(count_not(m.get(), 0), 10000);

  m->sprite_count = -7;
  video_render_frame(m.get());
  EXPECT_EQ(count_not(m.get(), 0), 0);
}
