// The Display and Audio pages beyond their rows' values: what each change applies at once (the
// window, the texture filter, vsync, the colour table, the audio device reopened and paused
// again), "Restore Defaults" keeping the accent and every other setting, the live preview of the
// running game, and the device list's edges.
#include <gtest/gtest.h>

#include <SDL.h>

#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/main_loop.h"
#include "frontend/audio_output.h"
#include "frontend/frontend_state.h"
#include "frontend/picture.h"
#include "menu_fixture.h"

namespace {

enum {
  ROW_MODE = 0,
  ROW_WINDOW_SIZE = 1,
  ROW_FILTERING = 4,
  ROW_VSYNC = 5,
  ROW_PACING = 6,
  ROW_BRIGHTNESS = 11,
  ROW_GAMMA = 12,
  ROW_RESTORE = 15,
};
enum { ROW_VOLUME = 0, ROW_MUTE = 1, ROW_DEVICE = 2, ROW_LATENCY = 3 };

class DisplayPage : public menu_fixture {
 protected:
  void SetUp() override {
    menu_fixture::SetUp();
    unsetenv("SteamDeck");
    unsetenv("STEAM_DECK");
    stack({MENU_PAGE_MAIN, MENU_PAGE_DISPLAY});
  }
  void act(int32_t row, int32_t menu_state::*latch) {
    select(row);
    fe.menu.*latch = 1;
    frame();
  }
  SDL_ScaleMode texture_filter() {
    SDL_ScaleMode mode = SDL_ScaleModeBest;
    SDL_GetTextureScaleMode(fe.game_texture, &mode);
    return mode;
  }
};

TEST_F(DisplayPage, WindowChangesApplyAtOnceWithTheRotationsSwap) {
  fe.settings.fullscreen = 0;
  fe.settings.window_scale = 3;
  act(ROW_MODE, &menu_state::nav_accept);
  EXPECT_EQ(tp.fullscreen, 1);
  EXPECT_EQ(tp.window_size_calls, 0);
  act(ROW_MODE, &menu_state::nav_left);
  EXPECT_EQ(tp.fullscreen, 0);
  // 224 x 3 = 672 high, 896 wide at 4:3, swapped for the three quarter turns.
  EXPECT_EQ(tp.window_w, 672);
  EXPECT_EQ(tp.window_h, 896);
  act(ROW_WINDOW_SIZE, &menu_state::nav_left);
  EXPECT_EQ(tp.window_w, 448);
  EXPECT_EQ(tp.window_h, 597);
  fe.settings.rotation = 0;
  act(ROW_WINDOW_SIZE, &menu_state::nav_right);
  EXPECT_EQ(tp.window_w, 896);
  EXPECT_EQ(tp.window_h, 672);
}

TEST_F(DisplayPage, FilteringVsyncBrightnessAndGammaTakeEffectAtOnce) {
  fe.settings.filter = 0;
  act(ROW_FILTERING, &menu_state::nav_right);
  EXPECT_EQ(texture_filter(), SDL_ScaleModeLinear);
  act(ROW_FILTERING, &menu_state::nav_right);
  EXPECT_EQ(texture_filter(), SDL_ScaleModeNearest);

  fe.settings.vsync = 1;
  tp.vsync = 1;
  act(ROW_VSYNC, &menu_state::nav_accept);
  EXPECT_EQ(tp.vsync, 0);

  for (int32_t row : {ROW_BRIGHTNESS, ROW_GAMMA}) {
    fe.colour_dirty = 0;
    act(row, &menu_state::nav_left);
    EXPECT_EQ(fe.colour_dirty, 1) << row;
  }
}

TEST_F(DisplayPage, OnlyPacingOneReadsDisplaySync) {
  struct pacing_case {
    int32_t pacing;
    const char* text;
    int32_t after_right;
  };
  for (const pacing_case& c : {pacing_case{1, "Display sync", 0},
                               {0, "Exact game rate", 1},
                               {2, "Exact game rate", 1},
                               {-1, "Exact game rate", 0},
                               {INT_MAX, "Exact game rate", 0},
                               {INT_MIN, "Exact game rate", 1}}) {
    SCOPED_TRACE(c.pacing);
    fe.settings.pacing = c.pacing;
    frame();
    EXPECT_EQ(rows.find(MENU_PAGE_DISPLAY, "Frame Pacing")->value, c.text);
    act(ROW_PACING, &menu_state::nav_right);
    EXPECT_EQ(fe.settings.pacing, c.after_right);
  }
}

TEST_F(DisplayPage, RestoreDefaultsResetsTheDisplayFieldsAndKeepsTheAccentAndTheRest) {
  frontend_settings& s = fe.settings;
  s = {};
  s.fullscreen = 1, s.window_scale = 6, s.scale_mode = 1, s.aspect_mode = 1, s.filter = 1;
  s.vsync = 0, s.pacing = 1, s.scanlines = 70, s.mask = 2, s.mask_strength = 90;
  s.brightness = 120, s.gamma = 180, s.border = 2, s.rotation = 1;
  s.volume = 20, s.mute = 1, s.latency_ms = 120;
  snprintf(s.device, sizeof s.device, "Headphones");
  s.accent = 3, s.autosave_exit = 0, s.rewind = 1, s.rewind_mb = 200;
  s.deadzone = 55, s.menu_combo = 2, s.player_controller[1] = -1;
  s.dip_words[0] = 0x1234;
  s.gadgets[4] = {1, 4, 2, 16, -24};
  const frontend_settings before = s;
  SDL_SetTextureScaleMode(fe.game_texture, SDL_ScaleModeLinear);
  tp.vsync = 0;
  fe.colour_dirty = 0;

  act(ROW_RESTORE, &menu_state::nav_accept);
  EXPECT_EQ(s.fullscreen, 0);
  EXPECT_EQ(s.window_scale, 3);
  EXPECT_EQ(s.scale_mode, 0);
  EXPECT_EQ(s.aspect_mode, 0);
  EXPECT_EQ(s.filter, 0);
  EXPECT_EQ(s.vsync, 1);
  EXPECT_EQ(s.pacing, 0);
  EXPECT_EQ(s.scanlines, 0);
  EXPECT_EQ(s.mask, 0);
  EXPECT_EQ(s.mask_strength, 30);
  EXPECT_EQ(s.brightness, 100);
  EXPECT_EQ(s.gamma, 100);
  EXPECT_EQ(s.border, 1);
  EXPECT_EQ(s.rotation, 3);  // the game's own
  // Everything after the display section is as it was.
  EXPECT_EQ(memcmp(&s.volume, &before.volume, sizeof s - offsetof(frontend_settings, volume)), 0);
  EXPECT_EQ(s.accent, 3);
  // Applied at once, and said.
  EXPECT_EQ(fe.colour_dirty, 1);
  EXPECT_EQ(texture_filter(), SDL_ScaleModeNearest);
  EXPECT_EQ(tp.vsync, 1);
  EXPECT_EQ(tp.fullscreen, 0);
  EXPECT_EQ(tp.window_w, 672);
  EXPECT_EQ(tp.window_h, 896);
  EXPECT_STREQ(fe.toast_text, "Display settings restored");
}

TEST_F(DisplayPage, TheRunningGameIsDrawnLiveBesideTheList) {
  frame();
  EXPECT_TRUE(rec.viewports.empty());  // no game, no preview

  game_running();
  frame();
  // Left at 52% of 1280; 48 u short of the right edge; from 150 u down to 120 u above the bottom.
  ASSERT_EQ(rec.viewports.size(), 2u);
  EXPECT_EQ(rec.viewports[0].x, 665);
  EXPECT_EQ(rec.viewports[0].y, 150);
  EXPECT_EQ(rec.viewports[0].w, 567);
  EXPECT_EQ(rec.viewports[0].h, 490);
  EXPECT_EQ(rec.viewports[1].w, 0);  // reset
  ASSERT_FALSE(rec.copies.empty());
  const recorded_copy& picture = rec.copies.back();
  EXPECT_EQ(picture.modulation, 0xFFFFFFFFu);  // not dimmed
  EXPECT_LE(picture.dest.x + picture.dest.w, 567);
  EXPECT_LE(picture.dest.y + picture.dest.h, 490);

  // Window Size 2x (448 x 597, ui unit 45): the list reaches past 52 % of the width, so the
  // picture starts right of it, clear of its highlight and scroll bar (the list's right edge at
  // 234 and 16 u). At 1x (320 x 299) what is left is not wider than twice the unit: no preview.
  main_loop_set_output(448, 597);
  frame();
  ASSERT_EQ(rec.viewports.size(), 2u);
  EXPECT_EQ(fe.menu.list_x + fe.menu.list_width, 234);
  EXPECT_EQ(rec.viewports[0].x, 234 + 7);
  EXPECT_EQ(rec.viewports[0].w, 448 - 21 - 241);
  main_loop_set_output(320, 299);
  frame();
  EXPECT_TRUE(rec.viewports.empty());
}

// The colour table changes while the menu is open and no frame runs: the next picture the page
// draws shows the last frame through the new table.
TEST_F(DisplayPage, TheLivePictureTakesABrightnessChangeAtOnceThoughNoFrameRuns) {
  fe.draw = canvas_for_renderer(fe.renderer);
  game_running();
  fake.frame_count = 321;
  fetch_frame();
  upload_frame();
  fe.menu.cursor[MENU_PAGE_DISPLAY] = ROW_BRIGHTNESS;
  const int32_t x = 948, y = 395;  // the middle of the preview
  main_loop_iteration();
  const uint32_t before = frontend_test_pixel(x, y);
  fe.menu.nav_left = 1;  // 95 %, on a picture drawn alone: an iteration clears its latches first
  main_loop_draw_picture();
  ASSERT_EQ(fe.settings.brightness, 95);
  main_loop_iteration();
  const uint32_t after = frontend_test_pixel(x, y);
  EXPECT_NE(after, before);
  // The same frame through the new table, not a new frame.
  uint8_t table[256];
  build_colour_table(95, 100, table);
  EXPECT_EQ(fake.run_calls, 0);
  EXPECT_EQ(fe.upload[0] & 0xFF, table[fe.frame[0] & 0xFF]);
}

class AudioPage : public menu_fixture {
 protected:
  void SetUp() override {
    menu_fixture::SetUp();
    tp.devices = {"Speakers", "Headphones", "HDMI"};
    open_audio();
    stack({MENU_PAGE_MAIN, MENU_PAGE_AUDIO});
  }
  void act(int32_t row, int32_t menu_state::*latch) {
    select(row);
    fe.menu.*latch = 1;
    frame();
  }
  std::string device_value() {
    frame();
    return rows.find(MENU_PAGE_AUDIO, "Output Device")->value;
  }
};

TEST_F(AudioPage, DeviceAndLatencyChangesReopenTheDevicePausedWhileTheMenuIsOpen) {
  const int opens = tp.opens;
  tp.paused = 0;  // as if the device had been playing before the menu opened
  act(ROW_DEVICE, &menu_state::nav_right);
  EXPECT_EQ(tp.opens, opens + 1);
  EXPECT_EQ(tp.last_open_name, "Speakers");
  EXPECT_EQ(tp.paused, 1);
  act(ROW_LATENCY, &menu_state::nav_left);
  EXPECT_EQ(tp.opens, opens + 2);
  EXPECT_EQ(fe.settings.latency_ms, 56);
  EXPECT_EQ(tp.paused, 1);
  // Volume and mute are read by the frame step; the device stays as it is.
  act(ROW_VOLUME, &menu_state::nav_left);
  act(ROW_MUTE, &menu_state::nav_accept);
  EXPECT_EQ(tp.opens, opens + 2);
}

TEST_F(AudioPage, TheDeviceListWrapsThroughSystemDefault) {
  EXPECT_EQ(device_value(), "System default");
  act(ROW_DEVICE, &menu_state::nav_left);
  EXPECT_EQ(device_value(), "HDMI");
  EXPECT_STREQ(fe.settings.device, "HDMI");
  act(ROW_DEVICE, &menu_state::nav_right);
  EXPECT_EQ(device_value(), "System default");
  EXPECT_STREQ(fe.settings.device, "");
  // A name no device has shows as the default and steps from there.
  snprintf(fe.settings.device, sizeof fe.settings.device, "Gone");
  EXPECT_EQ(device_value(), "System default");
  act(ROW_DEVICE, &menu_state::nav_right);
  EXPECT_STREQ(fe.settings.device, "Speakers");
  // Two devices of one name: the later one is current.
  tp.devices = {"Twin", "Other", "Twin"};
  snprintf(fe.settings.device, sizeof fe.settings.device, "Twin");
  act(ROW_DEVICE, &menu_state::nav_right);
  EXPECT_STREQ(fe.settings.device, "");
}

TEST_F(AudioPage, WithoutAPlaybackDeviceTheDeviceRowIsTheDisabledDefault) {
  tp.devices.clear();
  snprintf(fe.settings.device, sizeof fe.settings.device, "Speakers");
  frame();
  const menu_row* row = rows.find(MENU_PAGE_AUDIO, "Output Device");
  EXPECT_EQ(row->value, "System default");
  EXPECT_FALSE(row->enabled);
  EXPECT_EQ(row->hint, "Changes take effect immediately.");
  const int opens = tp.opens;
  act(ROW_DEVICE, &menu_state::nav_right);
  EXPECT_EQ(tp.opens, opens);
  EXPECT_STREQ(fe.settings.device, "Speakers");
}

TEST_F(AudioPage, TheReadOnlyRowsDescribeTheSoundPath) {
  fe.underruns = 7;
  fe.drops = 0;
  frame();
  const std::vector<menu_row> list = rows.of(MENU_PAGE_AUDIO);
  ASSERT_EQ(list.size(), 7u);
  EXPECT_EQ(list[4].value, "37286 Hz -> 48000 Hz");
  EXPECT_EQ(list[4].hint,
            "The game's sound chip runs at its native rate and is resampled to the device.");
  EXPECT_EQ(list[5].value, "7 underruns, 0 drops");
  EXPECT_EQ(list[6].hint,
            "The board mixes music and effects on one chip, so separate levels are not available.");
  for (size_t i = 4; i < 7; i++) EXPECT_FALSE(list[i].enabled) << i;
  // Without a device the device side reads 0.
  tp.open_fails = 1;
  open_audio();
  frame();
  EXPECT_EQ(rows.find(MENU_PAGE_AUDIO, "Output Format")->value, "37286 Hz -> 0 Hz");
}

}  // namespace
