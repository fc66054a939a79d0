// Drawing primitives pixel by pixel on the software renderer and their spans on the recording
// canvas.
#include <gtest/gtest.h>

#include <SDL.h>

#include <string>
#include <vector>

#include "canvas_recorder.h"
#include "frontend/frontend_state.h"
#include "frontend_fixture.h"
#include "ui/draw.h"

namespace {

using DrawTest = frontend_fixture;

void clear_to(uint8_t r, uint8_t g, uint8_t b) {
  SDL_SetRenderDrawBlendMode(fe.renderer, SDL_BLENDMODE_NONE);
  SDL_SetRenderDrawColor(fe.renderer, r, g, b, 255);
  SDL_RenderClear(fe.renderer);
}

// The surface around (x, y) as rows of '#' (equal to `ink`) and '.' (anything else).
std::vector<std::string> art(int x, int y, int w, int h, uint32_t ink) {
  SDL_RenderPresent(fe.renderer);
  std::vector<std::string> rows;
  for (int j = 0; j < h; j++) {
    std::string row;
    for (int i = 0; i < w; i++) row += frontend_test_pixel(x + i, y + j) == ink ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

TEST_F(DrawTest, RoundRectCornersFollowTheCircleAtEachRowsCentreLine) {
  clear_to(0, 0, 0);
  draw_round_rect(&fe.draw, 11, 21, 12, 8, 4, 0xffffffff);
  const std::vector<std::string> expected = {
      "..............",  //
      "...########...",  // r = 4: the first row is inset 2, the second 1, then none
      "..##########..",  //
      ".############.",  //
      ".############.",  //
      ".############.",  //
      ".############.",  //
      "..##########..",  //
      "...########...",  //
      "..............",
  };
  EXPECT_EQ(art(10, 20, 14, 10, 0xFFFFFF), expected);

  // Radius 3 on a 7 x 7 box: only the outermost rows are inset, by 1.
  clear_to(0, 0, 0);
  draw_round_rect(&fe.draw, 0, 0, 7, 7, 3, 0xffffffff);
  const std::vector<std::string> small = {".#####.", "#######", "#######", "#######",
                                          "#######", "#######", ".#####."};
  EXPECT_EQ(art(0, 0, 7, 7, 0xFFFFFF), small);
}

TEST_F(DrawTest, ATranslucentRoundRectCoversEveryPixelOnce) {
  clear_to(255, 255, 255);
  draw_round_rect(&fe.draw, 100, 100, 60, 40, 12, 0xaa0e0a08);
  SDL_RenderPresent(fe.renderer);
  const uint32_t inside = frontend_test_pixel(130, 120);
  EXPECT_NE(inside, 0xFFFFFFu);
  EXPECT_NE(inside, 0x080a0eu) << "0xaa alpha blends";
  for (int y = 100; y < 140; y++) {
    for (int x = 100; x < 160; x++) {
      const uint32_t p = frontend_test_pixel(x, y);
      EXPECT_TRUE(p == inside || p == 0xFFFFFFu) << x << "," << y;  // no double blending
    }
  }
  EXPECT_EQ(frontend_test_pixel(100, 100), 0xFFFFFFu);
  EXPECT_EQ(frontend_test_pixel(100, 120), inside);
}

TEST_F(DrawTest, RoundRectRadiusIsLimitedToHalfTheHeightThenHalfTheWidth) {
  canvas_recorder rec;
  canvas c = rec.target();
  draw_round_rect(&c, 5, 6, 40, 10, 8, 0xff010203);  // drawn with radius 5
  ASSERT_EQ(rec.fills.size(), 3u + 4u * 5u);
  EXPECT_EQ(rec.fills[0].x, 10);
  EXPECT_EQ(rec.fills[0].w, 30);
  EXPECT_EQ(rec.fills[0].h, 10);
  rec.clear();
  draw_round_rect(&c, 5, 6, 6, 40, 8, 0xff010203);  // 2r > w after the height: radius 3
  EXPECT_EQ(rec.fills.size(), 3u + 4u * 3u);
  rec.clear();
  draw_round_rect(&c, 5, 6, 40, 10, 0, 0xff010203);
  ASSERT_EQ(rec.fills.size(), 3u);
  EXPECT_EQ(rec.fills[0].x, 5);
  EXPECT_EQ(rec.fills[0].w, 40);
  EXPECT_EQ(rec.fills[1].w, 0);
  EXPECT_EQ(rec.fills[2].w, 0);
}

TEST_F(DrawTest, GradientBandsStepEachChannelAndStopOneStepShortOfTheBottom) {
  // Height 10: ten one-pixel bands; red climbs 0 -> 250 in steps of 25.
  clear_to(9, 9, 9);
  draw_vertical_gradient(&fe.draw, 0, 0, 4, 10, 0xff000000, 0xff0000fa);
  SDL_RenderPresent(fe.renderer);
  for (int y = 0; y < 10; y++) EXPECT_EQ(frontend_test_pixel(2, y), uint32_t(25 * y) << 16) << y;
  EXPECT_EQ(frontend_test_pixel(2, 10), 0x090909u);
  EXPECT_EQ(frontend_test_pixel(4, 5), 0x090909u);

  // Height 130: 64 bands of 2 or 3 rows, each i * 130 / 64 from the top.
  clear_to(9, 9, 9);
  draw_vertical_gradient(&fe.draw, 10, 100, 5, 130, 0xff000000, 0xff0000ff);
  SDL_RenderPresent(fe.renderer);
  const int rows[][2] = {{100, 0}, {101, 0}, {102, 3}, {103, 3}, {104, 7}, {229, 251}};
  for (const auto& r : rows) EXPECT_EQ(frontend_test_pixel(12, r[0]) >> 16, uint32_t(r[1])) << r[0];
  int bands = 1;
  for (int y = 101; y < 230; y++)
    bands += frontend_test_pixel(12, y) != frontend_test_pixel(12, y - 1);
  EXPECT_EQ(bands, 64);
  EXPECT_EQ(frontend_test_pixel(12, 230), 0x090909u);

  // Falling channels truncate toward zero: 200 + (-200 * 1) / 3 = 134, not 133.
  canvas_recorder rec;
  canvas c = rec.target();
  draw_vertical_gradient(&c, 0, 0, 8, 3, 0x800000c8, 0xff000000);
  ASSERT_EQ(rec.fills.size(), 3u);
  EXPECT_EQ(rec.fills[1].color, 0xaa000086u);  // alpha 128 + 127 / 3 = 170
  EXPECT_EQ(rec.fills[2].color, 0xd4000043u);
  rec.clear();
  draw_vertical_gradient(&c, 0, 0, 8, 0, 0xff000000, 0xffffffff);
  EXPECT_TRUE(rec.fills.empty());
}

TEST_F(DrawTest, OpaqueFillsReplaceAndTranslucentOnesBlend) {
  clear_to(255, 255, 255);
  draw_fill_rect(&fe.draw, 0, 0, 10, 10, 0xff102030);
  draw_fill_rect(&fe.draw, 20, 0, 10, 10, 0xaa0e0a08);
  draw_fill_rect(&fe.draw, 40, 0, 10, 10, 0x00000000);
  SDL_RenderPresent(fe.renderer);
  EXPECT_EQ(frontend_test_pixel(5, 5), 0x302010u);
  const uint32_t blended = frontend_test_pixel(25, 5);
  EXPECT_GT(blended >> 16, 0x40u);
  EXPECT_LT(blended >> 16, 0x70u);
  EXPECT_EQ(frontend_test_pixel(45, 5), 0xFFFFFFu);
}

TEST_F(DrawTest, FrameRectIsFourSpansInsideTheRectangle) {
  canvas_recorder rec;
  canvas c = rec.target();
  draw_frame_rect(&c, 10, 20, 100, 50, 3, 0xff445566);
  ASSERT_EQ(rec.fills.size(), 4u);
  const int32_t expected[4][4] = {
      {10, 20, 100, 3}, {10, 67, 100, 3}, {10, 23, 3, 44}, {107, 23, 3, 44}};
  for (int i = 0; i < 4; i++) {
    EXPECT_EQ(rec.fills[i].x, expected[i][0]);
    EXPECT_EQ(rec.fills[i].y, expected[i][1]);
    EXPECT_EQ(rec.fills[i].w, expected[i][2]);
    EXPECT_EQ(rec.fills[i].h, expected[i][3]);
  }
}
