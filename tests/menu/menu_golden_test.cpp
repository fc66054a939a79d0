// One whole composed frame per menu page on the software renderer with the built-in font, each
// pinned by the hash of its pixels in golden/hashes.txt and kept as golden/<name>.png to look at:
// the Main Menu with a ROM set ready, the pause menu over the game, both slot pages with their
// previews, the two dialogs over the page beneath; Display with the live picture, Audio,
// Controls, Hotkeys, Player Controllers, Gameplay, Gadgets, the gadget editor, About and the
// binding capture over Controls; Extras over a running game and ROM Selection on a folder. To
// re-pin after a deliberate change, run this binary (not ctest) with CB_REPIN_GOLDEN=1.
#include <gtest/gtest.h>

#include <SDL.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "app/main_loop.h"
#include "fake_game.h"
#include "frontend/audio_output.h"
#include "frontend/frontend_state.h"
#include "frontend/messages.h"
#include "frontend/picture.h"
#include "frontend/rewind.h"
#include "frontend/slots.h"
#include "golden_image.h"
#include "menu/binding_capture.h"
#include "menu_fixture.h"
#include "ui/text.h"

namespace {

// The default settings, a ROM set ready and the fake game's picture at frame 321, drawn for real.
class MenuPicture : public menu_fixture {
 protected:
  void SetUp() override {
    menu_fixture::SetUp();
    setenv("TZ", "UTC", 1);  // the slots' captions
    tzset();
    fe.draw = canvas_for_renderer(fe.renderer);
    ASSERT_EQ(font_atlas_init(fe.renderer), 1);
    fe.settings.fullscreen = 0;  // the default away from a Steam Deck
    rom_ready();
    fake.frame_count = 321;
    fetch_frame();
    fe.colour_dirty = 1;
    upload_frame();
  }
  // Slot 2 saved with the game's picture, slot 5 damaged; fixed times for the captions.
  void make_slots() {
    fe.running = 1;
    ASSERT_EQ(save_slot(2), 1);
    ASSERT_TRUE(write_text(dir.at("states/fakegame-1234ABCD/slot05.fest"), "FESTATE1 only"));
    refresh_slot_info();
    fe.slots[2].save_time = 1700000000;
    fe.slots[2].frame_counter = 4321;
  }
  // One picture as the main loop draws it, twice, so the highlight has settled as a still menu
  // shows it; past any toast and fade-in.
  void compose() {
    test_clock_advance_ms(3000);
    for (int i = 0; i < 2; i++) {
      main_loop_draw_picture();
      menu_clear_latches();
    }
  }
  void pin(const char* name, const std::vector<picture_mask>& opengl_masks = {}) {
    check_golden_surface(CB_GOLDEN_DIR, name, opengl_masks);
  }
};

}  // namespace

// --- the Main Menu, the pause menu, the slot pages and the dialogs

TEST_F(MenuPicture, MainMenuWithARomSetReady) {
  open_on(MENU_PAGE_MAIN);
  fe.menu.cursor[MENU_PAGE_MAIN] = 3;  // ROM Selection, whose hint is the archive's path
  compose();
  pin("main_menu");
}

TEST_F(MenuPicture, PauseMenuOverTheGame) {
  fe.running = 1;
  fe.slot = 2;
  open_on(MENU_PAGE_PAUSE);
  fe.menu.cursor[MENU_PAGE_PAUSE] = 2;
  compose();
  pin("pause_menu");
}

TEST_F(MenuPicture, SaveStatePageWithASlotsThumbnail) {
  make_slots();
  fe.slot = 2;
  stack({MENU_PAGE_PAUSE, MENU_PAGE_SAVE_STATE});
  fe.menu.cursor[MENU_PAGE_SAVE_STATE] = 1;  // slot 2
  compose();
  pin("save_state");
}

TEST_F(MenuPicture, LoadStatePageOnADamagedSlot) {
  make_slots();
  stack({MENU_PAGE_PAUSE, MENU_PAGE_LOAD_STATE});
  fe.menu.cursor[MENU_PAGE_LOAD_STATE] = 5;
  compose();
  pin("load_state");
}

TEST_F(MenuPicture, ConfirmationOverThePauseMenu) {
  fe.running = 1;
  open_on(MENU_PAGE_PAUSE);
  fe.menu.cursor[MENU_PAGE_PAUSE] = 1;
  show_confirm(CONFIRM_RESTART, 0, "Restart the game? Unsaved progress will be lost.");
  compose();
  pin("confirm_dialog");
}

TEST_F(MenuPicture, ErrorDialogOverTheMainMenu) {
  open_on(MENU_PAGE_MAIN);
  show_error("ROM not usable",
             "cobaltin-set.zip\n\n/home/someone/games/arcade/a-rather-long-folder-name/"
             "cobaltine/roms/cobaltin-set.zip: member \"cb-pr0.u1\" has the wrong CRC-32 "
             "(expected 0x1234ABCD).\n\nExpected: cobaltin.zip (standard set, unmodified).");
  compose();
  pin("error_dialog");
}

// --- the settings pages

TEST_F(MenuPicture, DisplayPageWithTheLivePicture) {
  fe.running = 1;
  fe.settings.scanlines = 40;
  stack({MENU_PAGE_PAUSE, MENU_PAGE_DISPLAY});
  fe.menu.cursor[MENU_PAGE_DISPLAY] = 8;  // Scanlines
  compose();
  pin("display");
}

// The toast is drawn last, so the next picture begins where the font was the texture in use; the
// live picture must not leave its own texture bound under the page's text then.
TEST_F(MenuPicture, DisplayPageWhileItsRestoredDefaultsAreToasted) {
  fe.running = 1;
  stack({MENU_PAGE_PAUSE, MENU_PAGE_DISPLAY});
  fe.menu.cursor[MENU_PAGE_DISPLAY] = 15;  // Restore Defaults, scrolled into view first
  main_loop_draw_picture();
  fe.menu.nav_accept = 1;
  main_loop_draw_picture();
  menu_clear_latches();
  ASSERT_STREQ(fe.toast_text, "Display settings restored");
  test_clock_advance_ms(200);
  main_loop_draw_picture();
  pin("display_restored");
}

// The picture's filter changes in the middle of the frame, between the page's rows, while a
// toast shows (so the font was the texture in use when the frame began): the rows drawn before
// and after it keep their text.
TEST_F(MenuPicture, DisplayPageInTheFrameItsFilteringChanges) {
  fe.running = 1;
  stack({MENU_PAGE_PAUSE, MENU_PAGE_DISPLAY});
  fe.menu.cursor[MENU_PAGE_DISPLAY] = 4;  // Filtering
  compose();
  show_toast("Slot 3");
  main_loop_draw_picture();
  fe.menu.nav_right = 1;
  main_loop_draw_picture();
  ASSERT_EQ(fe.settings.filter, 1);
  pin("display_filtering_changed");
}

TEST_F(MenuPicture, AudioPage) {
  tp.devices = {"Built-in Audio Analog Stereo", "USB Headset"};
  snprintf(fe.settings.device, sizeof fe.settings.device, "USB Headset");
  open_audio();
  fe.underruns = 2;
  stack({MENU_PAGE_MAIN, MENU_PAGE_AUDIO});
  fe.menu.cursor[MENU_PAGE_AUDIO] = 2;
  compose();
  pin("audio");
}

TEST_F(MenuPicture, ControlsPage) {
  fe.input_bindings[1] = {81, -1, 103};
  stack({MENU_PAGE_MAIN, MENU_PAGE_CONTROLS});
  fe.menu.cursor[MENU_PAGE_CONTROLS] = 4;
  compose();
  pin("controls");
}

TEST_F(MenuPicture, HotkeysPage) {
  stack({MENU_PAGE_MAIN, MENU_PAGE_CONTROLS, MENU_PAGE_HOTKEYS});
  fe.menu.cursor[MENU_PAGE_HOTKEYS] = 0;
  compose();
  pin("hotkeys");
}

TEST_F(MenuPicture, PlayerControllersPage) {
  fe.settings.player_controller[0] = -1;
  fe.settings.player_controller[1] = 3;
  stack({MENU_PAGE_MAIN, MENU_PAGE_CONTROLS, MENU_PAGE_PLAYER_CONTROLLERS});
  fe.menu.cursor[MENU_PAGE_PLAYER_CONTROLLERS] = 1;
  compose();
  pin("player_controllers");
}

TEST_F(MenuPicture, GameplayPageWhileAGameRuns) {
  fe.running = 1;
  stack({MENU_PAGE_PAUSE, MENU_PAGE_GAMEPLAY});
  fe.menu.cursor[MENU_PAGE_GAMEPLAY] = 0;
  compose();
  pin("gameplay");
}

TEST_F(MenuPicture, GadgetsPage) {
  fe.settings.gadgets[GADGET_FPS].enabled = 1;
  fe.settings.gadgets[GADGET_FIRST_READOUT] = {1, 4, 2, 0, 0};
  stack({MENU_PAGE_MAIN, MENU_PAGE_GADGETS});
  fe.menu.cursor[MENU_PAGE_GADGETS] = 2;
  compose();
  pin("gadgets");
}

TEST_F(MenuPicture, GadgetEditor) {
  fe.gadget_target = GADGET_FIRST_READOUT;
  fe.settings.gadgets[GADGET_FIRST_READOUT] = {1, 4, 2, -16, 24};
  stack({MENU_PAGE_MAIN, MENU_PAGE_GADGETS, MENU_PAGE_GADGET_EDITOR});
  fe.menu.cursor[MENU_PAGE_GADGET_EDITOR] = 3;
  compose();
  pin("gadget_editor");
}

TEST_F(MenuPicture, AboutPage) {
  snprintf(fe.data_dir, sizeof fe.data_dir, "/home/player/.local/share/Larkspindle/Fake Game");
  snprintf(fe.feature_summary, sizeof fe.feature_summary,
           "save_states: on, rewind: on, nvram: on, input_movies: on, gadgets: on");
  stack({MENU_PAGE_MAIN, MENU_PAGE_ABOUT});
  compose();
  pin("about", {{150, 262, 300, 28}});  // the renderer's name
}

TEST_F(MenuPicture, BindingCaptureOverTheControlsPage) {
  stack({MENU_PAGE_MAIN, MENU_PAGE_CONTROLS});
  fe.menu.cursor[MENU_PAGE_CONTROLS] = 8;
  menu_start_capture(4, CAPTURE_CONTROLLER, 0);
  test_clock_advance_ms(1200);
  // compose() waits three seconds more: the countdown reads 1 s.
  compose();
  pin("binding_capture");
}

// --- Extras and ROM Selection

TEST_F(MenuPicture, ExtrasPageOverARunningGameWithRewindHistory) {
  fe.running = 1;
  fe.feature_enabled[FEATURE_REWIND] = 1;
  fe.feature_enabled[FEATURE_INPUT_MOVIES] = 1;
  fe.settings.rewind = 1;
  fe.settings.autosave_menu = 0;
  reset_rewind_ring();
  for (int i = 0; i < 15; i++) ASSERT_EQ(rewind_capture(), 1);
  // The data folder as a user would see it, not the test's scratch folder.
  snprintf(fe.data_dir, sizeof fe.data_dir, "/home/player/.local/share/Larkspindle/Cobaltine");
  stack({MENU_PAGE_PAUSE, MENU_PAGE_EXTRAS});
  fe.menu.cursor[MENU_PAGE_EXTRAS] = 1;  // the memory limit, with its arrows
  compose();
  pin("extras");
}

TEST_F(MenuPicture, RomSelectionOnAFolderHoldingTheGamesArchive) {
  // A relative folder, so the subtitle does not show the scratch folder's random name.
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(chdir(dir.path().c_str()), 0);
  for (const char* folder : {"arcade-roms", "arcade-roms/homebrew", "arcade-roms/old-sets"}) {
    ASSERT_EQ(mkdir(folder, 0755), 0);
  }
  ASSERT_EQ(fake_game_write_rom("arcade-roms/fakegame.zip"), 1);
  for (const char* file : {"arcade-roms/other-set.zip", "arcade-roms/Notes.ZIP",
                           "arcade-roms/readme.txt", "arcade-roms/.hidden.zip"}) {
    ASSERT_TRUE(write_text(file, "x"));
  }
  fe.rom_ready = 0;
  fake.loaded = 0;
  fe.rom_path[0] = '\0';
  snprintf(fe.browse_dir, sizeof fe.browse_dir, "arcade-roms");
  stack({MENU_PAGE_MAIN, MENU_PAGE_ROM_SELECTION});
  compose();                                    // the visit lists its folder, the cursor on top
  fe.menu.cursor[MENU_PAGE_ROM_SELECTION] = 5;  // fakegame.zip, the expected name
  fe.menu.highlight_y = -1.0f;                  // shown there at once, as if just opened
  compose();
  pin("rom_selection");
  ASSERT_EQ(chdir(cwd), 0);
}
