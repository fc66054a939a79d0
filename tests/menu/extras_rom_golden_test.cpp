// One whole composed frame of the Extras page and of the ROM Selection page on the software
// renderer with the built-in font, each pinned by the hash of its pixels in
// golden/extras_rom/hashes.txt and kept as a PNG beside it to look at. To re-pin after a
// deliberate change, run this binary (not ctest) with CB_REPIN_GOLDEN=1.
#include <gtest/gtest.h>

#include <SDL.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "fake_game.h"
#include "frontend/composition.h"
#include "frontend/frontend_state.h"
#include "frontend/picture.h"
#include "frontend/rewind.h"
#include "golden_image.h"
#include "menu/text.h"
#include "menu_fixture.h"

namespace {

class PagePicture : public menu_fixture {
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
  void pin(const char* name) { check_golden_surface(CB_EXTRAS_ROM_GOLDEN_DIR, name); }
};

TEST_F(PagePicture, ExtrasPageOverARunningGameWithRewindHistory) {
  fe.running = 1;
  fe.feature_enabled[FEATURE_REWIND] = 1;
  fe.feature_enabled[FEATURE_INPUT_MOVIES] = 1;
  frontend_settings& s = fe.settings;
  s.rewind = 1;
  s.rewind_mb = 64;
  s.autosave_exit = 1;
  s.autosave_menu = 0;
  s.pause_on_focus_loss = 1;
  reset_rewind_ring();
  for (int i = 0; i < 15; i++) ASSERT_EQ(rewind_capture(), 1);
  // The data folder as a user would see it, not the test's scratch folder.
  snprintf(fe.data_dir, sizeof fe.data_dir, "/home/player/.local/share/Larkspindle/Cobaltine");
  stack({MENU_PAGE_PAUSE, MENU_PAGE_EXTRAS});
  fe.menu.cursor[MENU_PAGE_EXTRAS] = 1;  // the memory limit, with its arrows
  compose();
  pin("extras");
}

TEST_F(PagePicture, RomSelectionOnAFolderHoldingTheGamesArchive) {
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

}  // namespace
