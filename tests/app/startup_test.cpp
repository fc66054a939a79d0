// The first window's size: the scale lowered until the window fits the desktop, and --window.
#include <gtest/gtest.h>

#include "app/startup.h"
#include "frontend/frontend_state.h"
#include "frontend/messages.h"
#include "frontend_fixture.h"

namespace {

using StartupTest = frontend_fixture;

TEST_F(StartupTest, ATurnedWindowTooTallForTheDesktopComesDownScaleByScale) {
  ASSERT_EQ(fe.settings.rotation, 3);
  // The sizes tried on a 1920 x 1080 desktop from scale 8 down (width x height).
  const int32_t tried[][3] = {{8, 1792, 2389}, {7, 1568, 2091}, {6, 1344, 1792},
                              {5, 1120, 1493}, {4, 896, 1195},  {3, 672, 896}};
  for (const auto& t : tried) {
    int32_t w = 0, h = 0;
    window_size_for_scale(t[0], &w, &h);
    EXPECT_EQ(w, t[1]) << "scale " << t[0];
    EXPECT_EQ(h, t[2]) << "scale " << t[0];
  }
  fe.settings.window_scale = 8;
  int32_t w = 0, h = 0;
  startup_window_size(1920, 1080, 0, 0, &w, &h);
  EXPECT_EQ(w, 672);
  EXPECT_EQ(h, 896);
  EXPECT_EQ(fe.settings.window_scale, 3);  // the setting itself follows
}

TEST_F(StartupTest, TheWindowKeepsItsScaleWhenItFitsAndWindowAsksForAnExactSize) {
  struct row {
    int32_t rotation, scale, desk_w, desk_h, window_w, window_h;
    int32_t w, h, scale_after;
  };
  const row rows[] = {
      {0, 3, 1920, 1080, 0, 0, 896, 672, 3},        // unturned scale 3 fits
      {3, 3, 1024, 768, 0, 0, 448, 597, 2},         // the dummy driver's desktop
      {3, 1, 320, 240, 0, 0, 224, 299, 1},          // scale 1 stays, fitting or not
      {3, 3, 0, 0, 0, 0, 672, 896, 3},              // no desktop known: no clamp
      {3, 3, 1920, 1080, 1280, 800, 1280, 800, 3},  // --window 1280x800
      {3, 3, 1920, 1080, 100, 100, 672, 896, 3},    // too small for --window
      {3, 32, 1920, 1080, 0, 0, 672, 896, 3},       // the largest command-line scale
  };
  for (const row& r : rows) {
    fe.settings.rotation = r.rotation;
    fe.settings.window_scale = r.scale;
    int32_t w = 0, h = 0;
    startup_window_size(r.desk_w, r.desk_h, r.window_w, r.window_h, &w, &h);
    EXPECT_EQ(w, r.w) << r.rotation << " " << r.scale << " " << r.desk_w;
    EXPECT_EQ(h, r.h) << r.rotation << " " << r.scale << " " << r.desk_w;
    EXPECT_EQ(fe.settings.window_scale, r.scale_after);
  }
}

}  // namespace
