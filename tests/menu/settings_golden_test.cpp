// One whole composed frame per settings page on the software renderer with the built-in font,
// each pinned by the hash of its pixels in settings_golden/hashes.txt and kept as
// settings_golden/<name>.png to look at: Display with the live picture, Audio, Controls,
// Hotkeys, Player Controllers, Gameplay, Gadgets, the gadget editor, About, and the binding
// capture over Controls. To re-pin after a deliberate change, run this binary (not ctest) with
// CB_REPIN_GOLDEN=1.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdio>

#include "frontend/audio_output.h"
#include "frontend/composition.h"
#include "frontend/frontend_state.h"
#include "frontend/picture.h"
#include "golden_image.h"
#include "menu/binding_capture.h"
#include "menu/text.h"
#include "menu_fixture.h"

namespace {

class SettingsPicture : public menu_fixture {
 protected:
  void SetUp() override {
    menu_fixture::SetUp();
    fe.draw = canvas_for_renderer(fe.renderer);
    ASSERT_EQ(font_atlas_init(fe.renderer), 1);
    frontend_settings& s = fe.settings;
    s.border = 1;
    s.scale_mode = 0;
    s.aspect_mode = 0;
    s.scanlines = 0;
    s.mask = 0;
    s.brightness = 100;
    s.gamma = 100;
    s.filter = 0;
    s.fullscreen = 0;
    rom_ready();
    fake.frame_count = 321;
    fetch_frame();
    fe.colour_dirty = 1;
    upload_frame();
  }
  void TearDown() override {
    font_atlas_free();
    menu_fixture::TearDown();
  }
  // One composed frame, drawn twice so the highlight has settled as a still menu shows it.
  void compose() {
    test_clock_advance_ms(3000);  // past any toast and fade-in
    for (int i = 0; i < 2; i++) {
      SDL_SetRenderDrawColor(fe.renderer, 0, 0, 0, 255);
      SDL_RenderClear(fe.renderer);
      compose_frame_base();
      run_menu_frame();
      compose_frame_overlays();
      SDL_RenderPresent(fe.renderer);
    }
  }
  void pin(const char* name) { check_golden_surface(CB_SETTINGS_GOLDEN_DIR, name); }
};

TEST_F(SettingsPicture, DisplayPageWithTheLivePicture) {
  fe.running = 1;
  fe.settings.scanlines = 40;
  stack({MENU_PAGE_PAUSE, MENU_PAGE_DISPLAY});
  fe.menu.cursor[MENU_PAGE_DISPLAY] = 8;  // Scanlines
  compose();
  pin("display");
}

TEST_F(SettingsPicture, AudioPage) {
  tp.devices = {"Built-in Audio Analog Stereo", "USB Headset"};
  snprintf(fe.settings.device, sizeof fe.settings.device, "USB Headset");
  open_audio();
  fe.underruns = 2;
  stack({MENU_PAGE_MAIN, MENU_PAGE_AUDIO});
  fe.menu.cursor[MENU_PAGE_AUDIO] = 2;
  compose();
  pin("audio");
}

TEST_F(SettingsPicture, ControlsPage) {
  fe.input_bindings[1] = {81, -1, 103};
  stack({MENU_PAGE_MAIN, MENU_PAGE_CONTROLS});
  fe.menu.cursor[MENU_PAGE_CONTROLS] = 4;
  compose();
  pin("controls");
}

TEST_F(SettingsPicture, HotkeysPage) {
  stack({MENU_PAGE_MAIN, MENU_PAGE_CONTROLS, MENU_PAGE_HOTKEYS});
  fe.menu.cursor[MENU_PAGE_HOTKEYS] = 0;
  compose();
  pin("hotkeys");
}

TEST_F(SettingsPicture, PlayerControllersPage) {
  fe.settings.player_controller[0] = -1;
  fe.settings.player_controller[1] = 3;
  stack({MENU_PAGE_MAIN, MENU_PAGE_CONTROLS, MENU_PAGE_PLAYER_CONTROLLERS});
  fe.menu.cursor[MENU_PAGE_PLAYER_CONTROLLERS] = 1;
  compose();
  pin("player_controllers");
}

TEST_F(SettingsPicture, GameplayPageWhileAGameRuns) {
  fe.running = 1;
  stack({MENU_PAGE_PAUSE, MENU_PAGE_GAMEPLAY});
  fe.menu.cursor[MENU_PAGE_GAMEPLAY] = 0;
  compose();
  pin("gameplay");
}

TEST_F(SettingsPicture, GadgetsPage) {
  fe.settings.gadgets[GADGET_FPS].enabled = 1;
  fe.settings.gadgets[GADGET_FIRST_READOUT] = {1, 4, 2, 0, 0};
  stack({MENU_PAGE_MAIN, MENU_PAGE_GADGETS});
  fe.menu.cursor[MENU_PAGE_GADGETS] = 2;
  compose();
  pin("gadgets");
}

TEST_F(SettingsPicture, GadgetEditor) {
  fe.gadget_target = GADGET_FIRST_READOUT;
  fe.settings.gadgets[GADGET_FIRST_READOUT] = {1, 4, 2, -16, 24};
  stack({MENU_PAGE_MAIN, MENU_PAGE_GADGETS, MENU_PAGE_GADGET_EDITOR});
  fe.menu.cursor[MENU_PAGE_GADGET_EDITOR] = 3;
  compose();
  pin("gadget_editor");
}

TEST_F(SettingsPicture, AboutPage) {
  snprintf(fe.data_dir, sizeof fe.data_dir, "/home/player/.local/share/Larkspindle/Fake Game");
  snprintf(fe.feature_summary, sizeof fe.feature_summary,
           "save_states: on, rewind: on, nvram: on, input_movies: on, gadgets: on");
  stack({MENU_PAGE_MAIN, MENU_PAGE_ABOUT});
  compose();
  pin("about");
}

TEST_F(SettingsPicture, BindingCaptureOverTheControlsPage) {
  stack({MENU_PAGE_MAIN, MENU_PAGE_CONTROLS});
  fe.menu.cursor[MENU_PAGE_CONTROLS] = 8;
  menu_start_capture(4, CAPTURE_CONTROLLER, 0);
  test_clock_advance_ms(1200);
  // compose() waits three seconds more: the countdown reads 1 s.
  compose();
  pin("binding_capture");
}

}  // namespace
