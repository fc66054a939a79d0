// Screenshots: the turn into RGB bytes, the PNG file and its name, the toasts, and the exit
// screenshot's unturned buffer.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "fake_game.h"
#include "frontend/file_util.h"
#include "frontend/frontend_state.h"
#include "frontend/picture.h"
#include "frontend/screenshot.h"
#include "frontend_fixture.h"
#include "png_read.h"

namespace {

using ScreenshotTest = frontend_fixture;

std::vector<std::string> files_in(const char* folder) {
  std::vector<std::string> names;
  dir_entry* entries = nullptr;
  const int count = list_dir(folder, &entries);
  for (int i = 0; i < count; i++) {
    if (!entries[i].is_dir) names.push_back(entries[i].name);
  }
  free(entries);
  return names;
}

}  // namespace

TEST(ScreenshotRotate, TurnsIntoPackedRgbClockwise) {
  // 3 x 2: rows {a b c} {d e f}, each pixel 0x00RRGGBB with distinct bytes.
  const uint32_t frame[6] = {0x0A0B0C, 0x1A1B1C, 0x2A2B2C, 0x3A3B3C, 0x4A4B4C, 0x5A5B5C};
  const char* expected[4] = {"abcdef", "daebfc", "fedcba", "cfbead"};
  for (int32_t r = 0; r < 4; r++) {
    uint8_t out[18];
    screenshot_rotate_rgb(frame, 3, 2, r + 4 * (r == 3), out);  // 7 & 3 is 3
    std::string order;
    for (int i = 0; i < 6; i++) {
      EXPECT_EQ(out[3 * i] + 1, out[3 * i + 1]);
      EXPECT_EQ(out[3 * i] + 2, out[3 * i + 2]);
      order += char('a' + (out[3 * i] >> 4));
    }
    EXPECT_EQ(order, expected[r]) << "rotation " << r;
  }
}

TEST_F(ScreenshotTest, TheGamesDefaultTurnGivesATurnedPngOfTheUncorrectedPicture) {
  fake.frame_count = 41;
  fetch_frame();
  fe.settings.rotation = 3;
  fe.settings.brightness = 150;  // not applied to screenshots
  fe.settings.gamma = 100;
  fe.colour_dirty = 1;
  upload_frame();
  fe.frame_counter = 12345;
  ASSERT_EQ(take_screenshot(), 1);

  const std::vector<std::string> files = files_in(fe.screenshots_dir);
  ASSERT_EQ(files.size(), 1u);
  const std::string& name = files[0];
  // shot-YYYYmmdd-HHMMSS-345.png
  ASSERT_EQ(name.size(), strlen("shot-20240101-120000-345.png")) << name;
  EXPECT_EQ(name.substr(0, 5), "shot-");
  EXPECT_EQ(name.substr(name.size() - 8), "-345.png");
  EXPECT_EQ(std::string(fe.toast_text), "Screenshot saved: " + name);

  uint32_t w = 0, h = 0;
  std::vector<uint8_t> rgb;
  ASSERT_TRUE(png_read_rgb(std::string(fe.screenshots_dir) + "/" + name, &w, &h, &rgb));
  EXPECT_EQ(w, 224u);
  EXPECT_EQ(h, 320u);
  // Output (x, y) comes from source (319 - y, x).
  int wrong = 0;
  for (uint32_t y = 0; y < h; y++) {
    for (uint32_t x = 0; x < w; x++) {
      const uint32_t p = fake_game_pixel(319 - y, x, 41, 0);
      const uint8_t* q = &rgb[3 * (y * w + x)];
      wrong += q[0] != (p >> 16 & 255) || q[1] != (p >> 8 & 255) || q[2] != (p & 255);
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST_F(ScreenshotTest, ASecondShotInTheSameSecondReplacesTheFirst) {
  fe.settings.rotation = 0;
  for (int attempt = 0; attempt < 3; attempt++) {
    for (const char* folder : {fe.screenshots_dir}) {
      for (const std::string& f : files_in(folder)) unlink((std::string(folder) + "/" + f).c_str());
    }
    fake.frame_count = 1;
    fetch_frame();
    ASSERT_EQ(take_screenshot(), 1);
    const std::string first = fe.toast_text;
    fake.frame_count = 2;
    fetch_frame();
    ASSERT_EQ(take_screenshot(), 1);
    if (first != fe.toast_text) continue;  // the clock ticked over a second between them
    const std::vector<std::string> files = files_in(fe.screenshots_dir);
    ASSERT_EQ(files.size(), 1u);
    uint32_t w = 0, h = 0;
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(png_read_rgb(std::string(fe.screenshots_dir) + "/" + files[0], &w, &h, &rgb));
    EXPECT_EQ(w, 320u);
    const uint32_t p = fake_game_pixel(100, 0, 2, 0);
    EXPECT_EQ(rgb[300], p >> 16 & 255) << "the second picture is the one kept";
    return;
  }
  FAIL() << "no two shots fell within one second";
}

TEST_F(ScreenshotTest, AFailedWriteToastsTheFullPathAndWhy) {
  ASSERT_EQ(rmdir(fe.screenshots_dir), 0);
  fe.frame_counter = 7;
  EXPECT_EQ(take_screenshot(), 0);
  const std::string toast = fe.toast_text;
  const std::string prefix = std::string("Screenshot failed: ") + fe.screenshots_dir + "/shot-";
  EXPECT_EQ(toast.substr(0, prefix.size()), prefix);
  const std::string tail = "-007.png (no such file or directory)";
  EXPECT_EQ(toast.substr(toast.size() - tail.size()), tail);
}

TEST_F(ScreenshotTest, TheExitScreenshotsBufferIsUnturned) {
  fe.settings.rotation = 3;
  fake.frame_count = 9;
  fetch_frame();
  int32_t w = 0, h = 0;
  uint8_t* rgb = screenshot_rgb(0, &w, &h);
  ASSERT_NE(rgb, nullptr);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 224);
  const uint32_t p = fake_game_pixel(10, 200, 9, 0);
  const uint8_t* q = rgb + 3 * (200 * 320 + 10);
  EXPECT_EQ(uint32_t(q[0]) << 16 | q[1] << 8 | q[2], p);
  free(rgb);
  free(fe.frame);
  fe.frame = nullptr;
  EXPECT_EQ(screenshot_rgb(0, &w, &h), nullptr);
  EXPECT_EQ(take_screenshot(), 0);
  EXPECT_STREQ(fe.toast_text, "") << "no buffer: no message";
}
