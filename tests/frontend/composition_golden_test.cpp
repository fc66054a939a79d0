// Whole composed frames on the software renderer, one per border style, each pinned by the hash
// of its pixels in golden/hashes.txt and kept as golden/<name>.png to look at: the turned fake
// picture, text gadgets, the input display, "PAUSED", the movie mark and a toast, all with the
// built-in font. To re-pin after a deliberate change, run this binary (not ctest, which runs the
// cases in parallel) with CB_REPIN_GOLDEN=1: it rewrites the PNGs and hashes.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdio>
#include <string>

#include "app/main_loop.h"
#include "fake_game.h"
#include "frontend/frontend_state.h"
#include "frontend/picture.h"
#include "frontend_fixture.h"
#include "golden_image.h"
#include "test_platform.h"
#include "ui/text.h"

namespace {

void check_golden(const std::string& name) {
  check_golden_surface(CB_GOLDEN_DIR, name);
}

class ComposedFrame : public frontend_fixture {
 protected:
  void SetUp() override {
    frontend_fixture::SetUp();
    ASSERT_EQ(font_atlas_init(fe.renderer), 1);
    frontend_settings& s = fe.settings;  // the defaults, with four gadgets on
    s.gadgets[GADGET_FPS] = {1, 1, 1, 0, 0};
    s.gadgets[GADGET_FRAME_TIME] = {1, 1, 0, 0, 160};
    s.gadgets[GADGET_INPUT_DISPLAY] = {1, 2, 1, 0, 0};
    s.gadgets[GADGET_FIRST_READOUT] = {1, 0, 2, 0, 0};
    fake.loaded = 1;
    fake.score = 1234560;
    fake.frame_count = 123;
    fe.input_word = 1u << 0 | 1u << 3 | 1u << 7;
    fetch_frame();
    fe.colour_dirty = 1;
    upload_frame();
    fe.running = 1;
    fe.paused = 1;
    fe.fps = 60.0;
    fe.frame_time_avg = 4.25;
    snprintf(fe.movie_text, sizeof fe.movie_text, "REC movie-20250101-120000.femv");
    snprintf(fe.toast_text, sizeof fe.toast_text, "Slot 3 \xC3\xA9t\xC3\xA9 \xE2\x82\xAC");
    fe.toast_end = tp.now + tp.frequency;
  }
  // One picture as the main loop draws it.
  void compose(int32_t border) {
    fe.settings.border = border;
    main_loop_draw_picture();
  }
};

}  // namespace

TEST_F(ComposedFrame, BlackBorder) {
  compose(0);
  EXPECT_EQ(frontend_test_pixel(5, 380), 0u);
  check_golden("border_black");
}

TEST_F(ComposedFrame, GradientWallpaper) {
  compose(1);
  EXPECT_EQ(frontend_test_pixel(5, 0), 0x12151eu);
  EXPECT_EQ(frontend_test_pixel(5, 759), 0x07080cu);  // one step short of the bottom
  check_golden("border_gradient");
}

TEST_F(ComposedFrame, AmbientGlow) {
  compose(2);
  ASSERT_NE(fe.glow_texture, nullptr);
  // Outside the picture: the game's colours darkened to 70/255 and 80/255, never black.
  const uint32_t p = frontend_test_pixel(100, 380);
  EXPECT_NE(p, 0u);
  EXPECT_LE(p >> 16, 70u);
  EXPECT_LE(p & 255, 80u);
  check_golden("border_glow");
}
