// One whole composed frame per menu page on the software renderer with the built-in font, each
// pinned by the hash of its pixels in golden/hashes.txt and kept as golden/<name>.png to look at:
// the Main Menu with a ROM set ready, the pause menu over the game, both slot pages with their
// previews, and the two dialogs over the page beneath. To re-pin after a deliberate change, run
// this binary (not ctest) with CB_REPIN_GOLDEN=1.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <ctime>

#include "frontend/composition.h"
#include "frontend/frontend_state.h"
#include "frontend/messages.h"
#include "frontend/picture.h"
#include "frontend/slots.h"
#include "golden_image.h"
#include "menu/text.h"
#include "menu_fixture.h"

namespace {

class MenuPicture : public menu_fixture {
 protected:
  void SetUp() override {
    menu_fixture::SetUp();
    setenv("TZ", "UTC", 1);
    tzset();
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
  // Slot 2 saved with the game's picture, slot 5 damaged; fixed times for the captions.
  void make_slots() {
    fe.running = 1;
    ASSERT_EQ(save_slot(2), 1);
    ASSERT_TRUE(write_text(dir.at("states/fakegame-1234ABCD/slot05.fest"), "FESTATE1 only"));
    refresh_slot_info();
    fe.slots[2].save_time = 1700000000;
    fe.slots[2].frame_counter = 4321;
  }
  // One composed frame, drawn twice so the highlight has settled as a still menu shows it.
  void compose() {
    test_clock_advance_ms(3000);  // past any toast
    for (int i = 0; i < 2; i++) {
      SDL_SetRenderDrawColor(fe.renderer, 0, 0, 0, 255);
      SDL_RenderClear(fe.renderer);
      compose_frame_base();
      run_menu_frame();
      compose_frame_overlays();
      SDL_RenderPresent(fe.renderer);
    }
  }
  void pin(const char* name) { check_golden_surface(CB_MENU_GOLDEN_DIR, name); }
};

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

}  // namespace
