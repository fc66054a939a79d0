// Picture presentation: placement in integer and fit modes for every rotation, the colour
// table and upload, the phosphor-mask generators, the overlays' textures, and the turned
// picture on screen agreeing with SDL's own turned copy and with the screenshot's pixels.
#include <gtest/gtest.h>

#include <SDL.h>

#include <vector>

#include "canvas_recorder.h"
#include "fake_game.h"
#include "frontend/frontend_state.h"
#include "frontend/picture.h"
#include "frontend/screenshot.h"
#include "frontend_fixture.h"

namespace {

using PictureTest = frontend_fixture;

// Over the fixture's default settings (no filter, no overlays, neutral colours).
void set_display(int32_t scale_mode, int32_t aspect_mode, int32_t rotation) {
  frontend_settings& s = fe.settings;
  s.scale_mode = scale_mode;
  s.aspect_mode = aspect_mode;
  s.rotation = rotation;
}

void expect_rect(const SDL_Rect& r, int x, int y, int w, int h) {
  EXPECT_EQ(r.x, x);
  EXPECT_EQ(r.y, y);
  EXPECT_EQ(r.w, w);
  EXPECT_EQ(r.h, h);
}

const double FOUR_THIRDS = 4.0 / 3.0;

}  // namespace

TEST(PicturePlacement, IntegerAndFitRectanglesForEveryRotationAndOddBoxes) {
  const struct {
    int32_t box_w, box_h, scale_mode, square, rotation;
    int x, y, w, h;
  } cases[] = {
      {1920, 1080, 1, 0, 0, 362, 92, 1195, 896},  // n = 4
      {1920, 1080, 1, 0, 2, 362, 92, 1195, 896},
      {1920, 1080, 1, 0, 3, 512, 204, 896, 672},  // n = 8 down to 3: 896 fits 1080
      {1920, 1080, 1, 0, 1, 512, 204, 896, 672},
      {1920, 1080, 0, 0, 3, 420, 135, 1080, 810},  // 2560 > 1080, so the width fits
      {1920, 1080, 0, 0, 0, 240, 0, 1440, 1080},
      {1920, 1080, 2, 0, 0, 240, 0, 1440, 1080},  // any other mode fits
      {1280, 760, 1, 1, 0, 160, 44, 960, 672},    // square pixels: whole multiples both ways
      {1280, 760, 0, 1, 1, 260, 114, 760, 532},
      {200, 150, 1, 0, 0, -49, -37, 299, 224},  // n = 1 even when it does not fit
      {200, 150, 1, 0, 3, -49, -37, 299, 224},  // turned on screen: 224 x 299
      {1001, 777, 0, 0, 2, 0, 13, 1001, 751},
      {777, 1001, 1, 0, 1, -59, 164, 896, 672},
      {0, 0, 0, 0, 0, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.box_w << "x" << c.box_h << " mode " << c.scale_mode
                                    << " square " << c.square << " rotation " << c.rotation);
    expect_rect(picture_placement(c.box_w, c.box_h, 320, 224, FOUR_THIRDS, c.scale_mode, c.square,
                                  c.rotation),
                c.x, c.y, c.w, c.h);
  }
  // A picture without size, or an aspect nobody could fit, gives no monster rectangle.
  EXPECT_EQ(picture_placement(1920, 1080, 0, 224, FOUR_THIRDS, 0, 0, 0).w, 0);
  EXPECT_LE(picture_placement(1920, 1080, 320, 224, 1e-300, 0, 0, 0).h, 1 << 28);
}

TEST(PicturePlacement, TheTurnedRectangleKeepsItsCentreAndSwapsItsSides) {
  const SDL_Rect fit = {420, 135, 1080, 810};
  expect_rect(picture_screen_rect(&fit, 3), 555, 0, 810, 1080);
  expect_rect(picture_screen_rect(&fit, 1), 555, 0, 810, 1080);
  expect_rect(picture_screen_rect(&fit, 2), 420, 135, 1080, 810);
  const SDL_Rect odd = {-59, 164, 896, 672};  // centre (389, 500)
  expect_rect(picture_screen_rect(&odd, 1), 53, 52, 672, 896);
}

TEST(ColourTable, BrightnessAndGammaShapeTheTable) {
  uint8_t table[256];
  build_colour_table(100, 100, table);
  for (int i = 0; i < 256; i++) ASSERT_EQ(table[i], i);
  build_colour_table(150, 100, table);
  EXPECT_EQ(table[169], 254);
  for (int i = 170; i < 256; i++) ASSERT_EQ(table[i], 255) << i;
  EXPECT_EQ(table[100], 150);
  build_colour_table(100, 200, table);  // brighter mid tones
  EXPECT_EQ(table[64], 128);
  EXPECT_EQ(table[0], 0);
  EXPECT_EQ(table[255], 255);
  build_colour_table(50, 50, table);
  EXPECT_EQ(table[255], 128);
  EXPECT_EQ(table[128], 32);
}

TEST_F(PictureTest, UploadPassesEveryPixelThroughTheTableOnceItIsRebuilt) {
  fe.settings.brightness = 50;
  fe.settings.gamma = 100;
  fe.colour_dirty = 1;
  fe.frame[0] = 0xAB10FF80;  // the top byte is ignored
  fe.frame[1] = 0x00000000;
  upload_frame();
  EXPECT_EQ(fe.colour_dirty, 0);
  EXPECT_EQ(fe.upload[0], 0xFF088040u);
  EXPECT_EQ(fe.upload[1], 0xFF000000u);
  // The table is rebuilt only when marked dirty.
  fe.settings.brightness = 100;
  upload_frame();
  EXPECT_EQ(fe.upload[0], 0xFF088040u);
}

TEST_F(PictureTest, WithoutTheThirtyTwoBitOperationTheSixteenBitPictureIsWidened) {
  EXPECT_EQ(xrgb1555_to_xrgb8888(0x7FFF), 0xFFFFFFu);
  EXPECT_EQ(xrgb1555_to_xrgb8888(0x4210), 0x848484u);
  EXPECT_EQ(xrgb1555_to_xrgb8888(0x0001), 0x000008u);
  fe.adapter_copy.get_frame_xrgb8888 = nullptr;
  fake.frame_count = 3;
  fetch_frame();
  const uint32_t p = fake_game_pixel(5, 7, 3, 0);
  const uint32_t r = p >> 19 & 31, g = p >> 11 & 31, b = p >> 3 & 31;
  EXPECT_EQ(fe.frame[7 * 320 + 5], xrgb1555_to_xrgb8888(uint16_t(r << 10 | g << 5 | b)));
}

TEST(CrtMask, PixelsOfTheThreeMasks) {
  const struct {
    int32_t mask, strength, row, column;
    uint32_t pixel;
  } cases[] = {
      {1, 30, 0, 0, 0xFFFFCDCD},  {1, 30, 5, 1, 0xFFCDFFCD},  {1, 30, 0, 5, 0xFFCDCDFF},
      {1, 0, 3, 4, 0xFFFFFFFF},   {1, 100, 0, 0, 0xFFFF5555}, {2, 100, 0, 0, 0xFFFF5555},
      {2, 100, 1, 0, 0xFFE54C4C},                              // odd rows: 9/10 of each
      {2, 100, 2, 0, 0xFF5555FF}, {2, 100, 3, 2, 0xFF4CE54C},  // (i & 2) shifts the triads
      {3, 30, 0, 3, 0xFFFFCDCD},  {3, 30, 1, 0, 0xFFFFCDCD},  {3, 30, 1, 3, 0xFFCDCDCD},
      {3, 30, 3, 0, 0xFFCDCDCD},  {3, 30, 3, 4, 0xFFCDFFCD},  {3, 30, 2, 5, 0xFFCDCDFF},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(crt_mask_pixel(c.mask, c.strength, c.row, c.column), c.pixel)
        << "mask " << c.mask << " strength " << c.strength << " at " << c.row << "," << c.column;
  }
}

TEST(PictureTurn, RowWalksTurnClockwise) {
  // A 3 x 2 picture, turned: row y of the turned picture read through the walk.
  const uint32_t picture[6] = {1, 2, 3, 4, 5, 6};  // rows {1 2 3} {4 5 6}
  const std::vector<std::vector<uint32_t>> expected[4] = {
      {{1, 2, 3}, {4, 5, 6}},
      {{4, 1}, {5, 2}, {6, 3}},
      {{6, 5, 4}, {3, 2, 1}},
      {{3, 6}, {2, 5}, {1, 4}},
  };
  for (int32_t r = 0; r < 4; r++) {
    std::vector<std::vector<uint32_t>> rows;
    const int32_t tw = (r & 1) ? 2 : 3, th = (r & 1) ? 3 : 2;
    for (int32_t y = 0; y < th; y++) {
      turn_walk at = picture_turn_row(3, 2, r, y);
      std::vector<uint32_t> row;
      for (int32_t x = 0; x < tw; x++, at.sx += at.dx, at.sy += at.dy)
        row.push_back(picture[at.sy * 3 + at.sx]);
      rows.push_back(row);
    }
    EXPECT_EQ(rows, expected[r]) << "rotation " << r;
  }
}

TEST_F(PictureTest, TheCopyIsDimmedUnderTheMenuAndTheScanlinesFollowTheirStrength) {
  canvas_recorder rec;
  fe.draw = rec.target();
  set_display(0, 0, 0);
  fe.settings.scanlines = 50;
  draw_game_picture(1280, 760, 1);
  ASSERT_EQ(rec.copies.size(), 2u);
  EXPECT_EQ(rec.copies[0].texture, fe.game_texture);
  EXPECT_EQ(rec.copies[0].modulation, ui_rgba(90, 90, 100, 255));
  EXPECT_EQ(rec.copies[0].dest.w, 1013);
  EXPECT_EQ(rec.copies[1].texture, fe.scanline_texture);
  EXPECT_EQ(rec.copies[1].modulation, ui_rgba(255, 255, 255, 127));
  EXPECT_EQ(rec.copies[1].dest.x, rec.copies[0].dest.x);
  rec.clear();

  // Turned: the turned picture and both overlays go unturned onto the screen rectangle.
  set_display(0, 0, 3);
  fe.settings.scanlines = 100;
  fe.settings.mask = 2;
  draw_game_picture(1280, 760, 0);
  ASSERT_EQ(rec.copies.size(), 3u);
  EXPECT_EQ(rec.copies[0].texture, fe.turned_texture);
  EXPECT_EQ(rec.copies[0].modulation, 0xFFFFFFFFu);
  EXPECT_EQ(rec.copies[1].modulation, ui_rgba(255, 255, 255, 255));
  EXPECT_EQ(rec.copies[2].texture, fe.mask_texture);
  for (const recorded_copy& c : rec.copies) {
    EXPECT_EQ(c.angle, 0.0);
    expect_rect(c.dest, 355, 0, 570, 760);  // fit: 760 x 570 unturned
  }
  int w = 0, h = 0;
  SDL_QueryTexture(fe.scanline_texture, nullptr, nullptr, &w, &h);
  EXPECT_EQ(w, 448);
  EXPECT_EQ(h, 1);
  SDL_QueryTexture(fe.mask_texture, nullptr, nullptr, &w, &h);
  EXPECT_EQ(w, 570);
  EXPECT_EQ(h, 760);

  // Without the game texture nothing is drawn.
  rec.clear();
  SDL_DestroyTexture(fe.game_texture);
  fe.game_texture = nullptr;
  draw_game_picture(1280, 760, 0);
  EXPECT_TRUE(rec.copies.empty());
}

TEST_F(PictureTest, TheMaskTextureIsRebuiltOnlyWhenItsSizeSettingsOrRotationChange) {
  set_display(0, 0, 0);
  fe.settings.mask = 1;
  // A texture built here carries no user data, so a mark set on it shows whether it was kept.
  int mark = 0;
  const SDL_Rect a = {0, 0, 300, 200};
  build_crt_overlays(&a);
  ASSERT_NE(fe.mask_texture, nullptr);
  ASSERT_NE(fe.scanline_texture, nullptr);
  SDL_SetTextureUserData(fe.mask_texture, &mark);
  const SDL_Rect moved = {40, 40, 300, 200};
  build_crt_overlays(&moved);
  EXPECT_EQ(SDL_GetTextureUserData(fe.mask_texture), &mark) << "moving the picture keeps it";
  const struct {
    int32_t w, mask, strength, rotation, texture_w, texture_h;
  } changes[] = {{300, 1, 31, 0, 300, 200},
                 {300, 2, 31, 0, 300, 200},
                 {300, 2, 31, 1, 200, 300},
                 {301, 2, 31, 1, 200, 301}};
  for (const auto& c : changes) {
    fe.settings.mask = c.mask;
    fe.settings.mask_strength = c.strength;
    fe.settings.rotation = c.rotation;
    const SDL_Rect r = {0, 0, c.w, 200};
    build_crt_overlays(&r);
    ASSERT_NE(fe.mask_texture, nullptr);
    EXPECT_EQ(SDL_GetTextureUserData(fe.mask_texture), nullptr) << "rebuilt";
    int w = 0, h = 0;
    SDL_QueryTexture(fe.mask_texture, nullptr, nullptr, &w, &h);
    EXPECT_EQ(w, c.texture_w);
    EXPECT_EQ(h, c.texture_h);
    SDL_SetTextureUserData(fe.mask_texture, &mark);
  }
  // Off: nothing is built or dropped.
  fe.settings.mask = 0;
  build_crt_overlays(&a);
  EXPECT_EQ(SDL_GetTextureUserData(fe.mask_texture), &mark);
  // A picture with no area has no mask, and its key is taken all the same.
  fe.settings.mask = 3;
  const SDL_Rect empty = {0, 0, 0, 10};
  build_crt_overlays(&empty);
  EXPECT_EQ(fe.mask_texture, nullptr);
  EXPECT_EQ(fe.mask_key[0], 0);
  EXPECT_EQ(fe.mask_key[1], 10);
  EXPECT_EQ(fe.mask_key[2], 3);
}

// The fake picture drawn at whole multiples with square pixels: every screenshot pixel must
// sit, in the same orientation, at the middle of its block on screen.
static void expect_screen_matches_screenshot(int32_t rotation, const char* how) {
  SDL_SetRenderDrawColor(fe.renderer, 0, 0, 0, 255);
  SDL_RenderClear(fe.renderer);
  draw_game_picture(1280, 760, 0);
  SDL_RenderPresent(fe.renderer);
  int32_t w = 0, h = 0;
  uint8_t* rgb = screenshot_rgb(rotation, &w, &h);
  ASSERT_NE(rgb, nullptr);
  const SDL_Rect placed = picture_placement(1280, 760, 320, 224, FOUR_THIRDS, 1, 1, rotation);
  const SDL_Rect screen = picture_screen_rect(&placed, rotation);
  const int32_t n = screen.w / w;
  ASSERT_GE(n, 2);
  ASSERT_EQ(screen.h, n * h);
  int wrong = 0;
  for (int32_t y = 0; y < h; y++) {
    for (int32_t x = 0; x < w; x++) {
      const uint8_t* p = rgb + 3 * (size_t(y) * w + x);
      const uint32_t expected = uint32_t(p[0]) << 16 | p[1] << 8 | p[2];
      wrong += frontend_test_pixel(screen.x + n * x + n / 2, screen.y + n * y + n / 2) != expected;
    }
  }
  free(rgb);
  EXPECT_EQ(wrong, 0) << how << ", rotation " << rotation;
}

TEST_F(PictureTest, TheTurnedPictureOnScreenIsTheScreenshotAndWhatSdlTurnsItselfGives) {
  fake.frame_count = 77;
  fetch_frame();
  for (int32_t rotation = 0; rotation < 4; rotation++) {
    set_display(1, 1, rotation);
    fe.colour_dirty = 1;
    upload_frame();
    expect_screen_matches_screenshot(rotation, "turned on upload");
    // Where no turned texture can be made, SDL turns the game texture and must agree.
    SDL_Renderer* renderer = fe.renderer;
    if (fe.turned_texture) SDL_DestroyTexture(fe.turned_texture);
    fe.turned_texture = nullptr;
    fe.turned_rotation = 0;
    fe.renderer = nullptr;
    expect_screen_matches_screenshot(rotation, "turned by SDL");
    fe.renderer = renderer;
  }
}

TEST_F(PictureTest, TheMaskMultipliesThePictureInTheOrientationItIsShown) {
  for (uint32_t i = 0; i < 320 * 224; i++) fe.frame[i] = 0xFFFFFF;
  for (int32_t rotation : {0, 3}) {
    set_display(1, 1, rotation);
    fe.settings.mask = 3;
    fe.settings.mask_strength = 60;
    fe.colour_dirty = 1;
    upload_frame();
    SDL_RenderClear(fe.renderer);
    draw_game_picture(1280, 760, 0);
    SDL_RenderPresent(fe.renderer);
    const SDL_Rect placed = picture_placement(1280, 760, 320, 224, FOUR_THIRDS, 1, 1, rotation);
    const SDL_Rect screen = picture_screen_rect(&placed, rotation);
    int wrong = 0;
    for (int32_t y = 0; y < screen.h; y += 7) {
      turn_walk at = picture_turn_row(placed.w, placed.h, rotation, y);
      for (int32_t x = 0; x < screen.w; x++, at.sx += at.dx, at.sy += at.dy) {
        const uint32_t expected = crt_mask_pixel(3, 60, at.sy, at.sx) & 0xFFFFFF;
        wrong += frontend_test_pixel(screen.x + x, screen.y + y) != expected;
      }
    }
    EXPECT_EQ(wrong, 0) << "rotation " << rotation;
  }
}
