// The Main Menu and the pause menu: their rows in each state of the game, what each row does,
// Back, the dialogs they raise, the preview beside the Main Menu, and a closing action that
// leaves every other page's cursor alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontend/frontend_state.h"
#include "frontend/slots.h"
#include "menu/root_pages.h"
#include "menu_fixture.h"

namespace {

const char LEGEND[] = "Enter/A  Select     Esc/B  Back     Left/Right  Change";

const std::vector<expected_row> SETTINGS_ROWS = {
    {"Display Settings", nullptr, true, "Scaling, filtering, CRT effects, colour and borders."},
    {"Audio Settings", nullptr, true, "Volume, output device and latency."},
    {"Controller Settings", nullptr, true, "Keyboard and controller mappings for both players."},
    {"Gameplay Settings", nullptr, true, "Cabinet DIP switches: difficulty, lives, coinage."},
    {"Gadgets", nullptr, true, "On-screen panels: score, FPS, frame time, input display."},
    {"Extras", nullptr, true, "Rewind, input movies, screenshots and folders."},
    {"About", nullptr, true, "Version, credits and licences."},
    {"Exit", nullptr, true, "Quit to the desktop."},
};

std::vector<expected_row> with_settings(std::vector<expected_row> rows) {
  rows.insert(rows.end(), SETTINGS_ROWS.begin(), SETTINGS_ROWS.end());
  return rows;
}

const char CONTINUE_HINT[] = "Resume from the automatic save made when you last left a game.";

using MainMenu = menu_fixture;

TEST_F(MainMenu, WithoutARomOnlyTheSettingsAndTheRomChoiceAreOpen) {
  frame();
  expect_rows(rows.of(MENU_PAGE_MAIN),
              with_settings({
                  {"Start Game", nullptr, false, "Select a ROM set first."},
                  {"Continue", "none", false, CONTINUE_HINT},
                  {"Load State", nullptr, false, "Pick one of the save-state slots."},
                  {"ROM Selection", "not set", true, "Choose the ROM archive to play."},
              }));
  // The disabled first row is selected: its hint shows, and Enter does nothing.
  EXPECT_NE(rec.find_text("Select a ROM set first."), nullptr);
  fe.menu.nav_accept = 1;
  frame();
  EXPECT_EQ(fe.running, 0);
  EXPECT_EQ(fake.resets, 0);
  EXPECT_EQ(fe.menu.depth, 1);
  // Back does nothing without a game.
  fe.menu.nav_back = 1;
  frame();
  EXPECT_EQ(fe.menu_open, 1);
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_MAIN));
}

TEST_F(MainMenu, WithARomReadyTheGameCanStartAndTheArchiveIsNamed) {
  rom_ready();
  frame();
  expect_rows(rows.of(MENU_PAGE_MAIN),
              with_settings({
                  {"Start Game", nullptr, true, "Power on the board and start from the beginning."},
                  {"Continue", "none", false, CONTINUE_HINT},
                  {"Load State", nullptr, true, "Pick one of the save-state slots."},
                  {"ROM Selection", "fakegame.zip", true, "/roms/fakegame.zip"},
              }));
  fe.menu.nav_accept = 1;
  frame();
  EXPECT_EQ(fe.running, 1);
  EXPECT_EQ(fake.resets, 1);
  EXPECT_EQ(fe.menu_open, 0);
}

TEST_F(MainMenu, WithAGameRunningItResumesAndAsksBeforeLosingProgress) {
  game_running();
  ASSERT_EQ(save_slot(0), 1);  // an autosave to continue from
  frame();
  expect_rows(
      rows.of(MENU_PAGE_MAIN),
      with_settings({
          {"Resume", nullptr, true, "Return to the game in progress."},
          {"Start New Game", nullptr, true, "Power on the board and start from the beginning."},
          {"Continue", "Autosave", true, CONTINUE_HINT},
          {"Load State", nullptr, true, "Pick one of the save-state slots."},
          {"Save State", nullptr, true, "Save the current game to a slot."},
          {"ROM Selection", "fakegame.zip", true, "/roms/fakegame.zip"},
      }));
  struct ask_case {
    int32_t row;
    int32_t action;
    const char* text;
  };
  const ask_case asks[] = {
      {1, CONFIRM_NEW_GAME, "Start a new game? Unsaved progress in the current game will be lost."},
      {2, CONFIRM_LOAD_SLOT, "Continue from the autosave? Unsaved progress will be lost."},
      {13, CONFIRM_EXIT, "Exit the game? Progress will be autosaved."},
  };
  for (const ask_case& a : asks) {
    open_on(MENU_PAGE_MAIN);
    select(a.row);
    fe.menu.nav_accept = 1;
    frame();
    EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_CONFIRM)) << a.row;
    EXPECT_EQ(fe.confirm_action, a.action);
    EXPECT_EQ(fe.confirm_value, 0);
    EXPECT_STREQ(fe.confirm_text, a.text);
    EXPECT_EQ(fe.menu.cursor[MENU_PAGE_CONFIRM], 1);
  }
  open_on(MENU_PAGE_MAIN);
  fe.settings.autosave_exit = 0;
  select(13);
  fe.menu.nav_accept = 1;
  frame();
  EXPECT_STREQ(fe.confirm_text, "Exit the game? Unsaved progress will be lost.");
  EXPECT_EQ(fe.quit, 0);

  // Resume, and Back, return to the game.
  open_on(MENU_PAGE_MAIN);
  select(0);
  fe.menu.nav_accept = 1;
  frame();
  EXPECT_EQ(fe.menu_open, 0);
  open_on(MENU_PAGE_MAIN);
  fe.menu.nav_back = 1;
  frame();
  EXPECT_EQ(fe.menu_open, 0);
}

TEST_F(MainMenu, ContinueWithoutAGameLoadsTheAutosaveAndResumes) {
  rom_ready();
  fake.frame_count = 77;
  ASSERT_EQ(save_slot(0), 1);
  fake.frame_count = 5;
  fe.slot = 4;
  select(1);
  fe.menu.nav_accept = 1;
  frame();
  EXPECT_EQ(fake.frame_count, 77u);
  EXPECT_EQ(fe.running, 1);
  EXPECT_EQ(fe.menu_open, 0);
  EXPECT_EQ(fe.slot, 4);
}

TEST_F(MainMenu, ExitWithoutAGameQuitsAtOnce) {
  select(11);
  fe.menu.nav_accept = 1;
  frame();
  EXPECT_EQ(fe.quit, 1);
  EXPECT_EQ(fe.menu.depth, 1);  // no dialog
}

TEST_F(MainMenu, WithoutSaveStatesNeitherPageOffersSlots) {
  fe.feature_enabled[FEATURE_SAVE_STATES] = 0;
  game_running();
  frame();
  for (const std::string& label : rows.labels(MENU_PAGE_MAIN)) {
    EXPECT_TRUE(label != "Continue" && label != "Load State" && label != "Save State") << label;
  }
  EXPECT_EQ(rows.of(MENU_PAGE_MAIN).size(), 11u);
  open_on(MENU_PAGE_PAUSE);
  frame();
  EXPECT_EQ(rows.find(MENU_PAGE_PAUSE, "Save State"), nullptr);
  EXPECT_EQ(rows.find(MENU_PAGE_PAUSE, "Load State"), nullptr);
  EXPECT_EQ(rows.of(MENU_PAGE_PAUSE).size(), 9u);
}

TEST_F(MainMenu, EachSettingsRowOpensItsPage) {
  game_running();
  const int32_t pages[] = {MENU_PAGE_LOAD_STATE, MENU_PAGE_SAVE_STATE, MENU_PAGE_ROM_SELECTION,
                           MENU_PAGE_DISPLAY,    MENU_PAGE_AUDIO,      MENU_PAGE_CONTROLS,
                           MENU_PAGE_GAMEPLAY,   MENU_PAGE_GADGETS,    MENU_PAGE_EXTRAS,
                           MENU_PAGE_ABOUT};
  for (int32_t i = 0; i < 10; i++) {
    open_on(MENU_PAGE_MAIN);
    select(3 + i);
    fe.slots_dirty = 0;
    fe.menu.nav_accept = 1;
    frame();
    ASSERT_EQ(fe.menu.depth, 2) << i;
    EXPECT_EQ(menu_top_page(), pages[i]);
    EXPECT_EQ(fe.menu.highlight_y, -1.0f);
    EXPECT_EQ(fe.slots_dirty, i < 2 ? 1 : 0) << "the slot pages re-read the records";
  }
}

TEST_F(MainMenu, TheRomStatusShowsWhileNoRomIsReady) {
  snprintf(fe.rom_status, sizeof fe.rom_status, "fakegame.zip was not found.");
  frame();
  const recorded_text* head = rec.find_text("ROM not ready");
  ASSERT_NE(head, nullptr);
  EXPECT_EQ(head->x, 640);
  EXPECT_EQ(head->y, 150);
  EXPECT_EQ(head->size, 26);
  const recorded_text* status = rec.find_text("fakegame.zip was not found.");
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->y, 190);
  EXPECT_EQ(rec.find_text("Ready"), nullptr);  // no preview without a ROM
}

TEST_F(MainMenu, ThePreviewShowsTheReadySetOrTheTurnedGame) {
  // 592 x 510 available beside the list; the turned 3:4 picture fits 382 x 510 at (745, 140).
  rom_ready();
  frame();
  const recorded_text* ready = rec.find_text("Ready");
  ASSERT_NE(ready, nullptr);
  EXPECT_EQ(ready->x, 745 + 191);
  EXPECT_EQ(ready->y, 140 + 255 - 20);
  EXPECT_EQ(ready->align, 1);
  const recorded_text* name = nullptr;  // the centred one, not the row's value
  for (const recorded_text& t : rec.texts) {
    if (t.text == "fakegame.zip" && t.align == 1) name = &t;
  }
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->x, 745 + 191);
  EXPECT_EQ(name->y, 140 + 255 + 20);
  EXPECT_TRUE(rec.copies.empty());

  fe.running = 1;
  frame();
  ASSERT_EQ(rec.copies.size(), 1u);
  const recorded_copy& copy = rec.copies[0];
  EXPECT_EQ(copy.texture, fe.game_texture);
  EXPECT_EQ(copy.angle, 270.0);
  // Unturned 509 x 382 about the box centre: turned it covers the box.
  EXPECT_EQ(copy.dest.w, 509);
  EXPECT_EQ(copy.dest.h, 382);
  EXPECT_EQ(copy.dest.x, 745 + (382 - 509) / 2);
  EXPECT_EQ(copy.dest.y, 140 + (510 - 382) / 2);

  // Upright (rotation 0) the 4:3 picture is as wide as the space allows.
  fe.settings.rotation = 0;
  frame();
  ASSERT_EQ(rec.copies.size(), 1u);
  EXPECT_EQ(rec.copies[0].angle, 0.0);
  EXPECT_EQ(rec.copies[0].dest.w, 592);
  EXPECT_EQ(rec.copies[0].dest.h, 444);
  EXPECT_EQ(rec.copies[0].dest.x, 640);
}

class PauseMenu : public menu_fixture {
 protected:
  void SetUp() override {
    menu_fixture::SetUp();
    game_running();
    fe.slot = 3;
    open_on(MENU_PAGE_PAUSE);
  }
};

TEST_F(PauseMenu, ItsRowsNameTheSlotAndFollowTheAutosaveSettings) {
  frame();
  const char* leaves = "Leaves the game; it is autosaved first.";
  expect_rows(rows.of(MENU_PAGE_PAUSE),
              {
                  {"Resume", nullptr, true, "Return to the game."},
                  {"Restart Game", nullptr, true, "Reset the board. Unsaved progress is lost."},
                  {"Save State", "Slot 3", true, "Choose a slot to save to."},
                  {"Load State", "Slot 3", true, "Choose a slot to load."},
                  {"Display Settings", nullptr, true, nullptr},
                  {"Audio Settings", nullptr, true, nullptr},
                  {"Controller Configuration", nullptr, true, nullptr},
                  {"Gadgets", nullptr, true, nullptr},
                  {"Extras", nullptr, true, "Rewind, input movie recording, screenshots."},
                  {"Return to Main Menu", nullptr, true, leaves},
                  {"Exit", nullptr, true, nullptr},
              });
  EXPECT_NE(rec.find_text("Paused"), nullptr);

  struct ask_case {
    int32_t row;
    int32_t autosave;
    int32_t action;
    const char* text;
  };
  const ask_case asks[] = {
      {1, 1, CONFIRM_RESTART, "Restart the game? Unsaved progress will be lost."},
      {9, 1, CONFIRM_MAIN_MENU, "Return to the main menu? The game will be autosaved."},
      {9, 0, CONFIRM_MAIN_MENU, "Return to the main menu? Unsaved progress will be lost."},
      {10, 1, CONFIRM_EXIT, "Exit to the desktop? The game will be autosaved."},
      {10, 0, CONFIRM_EXIT, "Exit to the desktop? Unsaved progress will be lost."},
  };
  for (const ask_case& a : asks) {
    open_on(MENU_PAGE_PAUSE);
    fe.settings.autosave_menu = a.autosave;
    fe.settings.autosave_exit = a.autosave;
    select(a.row);
    fe.menu.nav_accept = 1;
    frame();
    EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_CONFIRM)) << a.row;
    EXPECT_EQ(fe.confirm_action, a.action);
    EXPECT_STREQ(fe.confirm_text, a.text);
  }
  open_on(MENU_PAGE_PAUSE);
  frame();
  EXPECT_EQ(rows.find(MENU_PAGE_PAUSE, "Return to Main Menu")->hint,
            "Leaves the game without saving.");
}

TEST_F(PauseMenu, ItsRowsOpenTheirPagesAndResumeAndBackReturnToTheGame) {
  const int32_t pages[] = {MENU_PAGE_SAVE_STATE, MENU_PAGE_LOAD_STATE, MENU_PAGE_DISPLAY,
                           MENU_PAGE_AUDIO,      MENU_PAGE_CONTROLS,   MENU_PAGE_GADGETS,
                           MENU_PAGE_EXTRAS};
  for (int32_t i = 0; i < 7; i++) {
    open_on(MENU_PAGE_PAUSE);
    select(2 + i);
    fe.menu.nav_accept = 1;
    frame();
    ASSERT_EQ(fe.menu.depth, 2) << i;
    EXPECT_EQ(menu_top_page(), pages[i]);
  }
  open_on(MENU_PAGE_PAUSE);
  fe.menu.cursor[MENU_PAGE_PAUSE] = 0;
  fe.menu.nav_accept = 1;
  frame();
  EXPECT_EQ(fe.menu_open, 0);
  open_on(MENU_PAGE_PAUSE);
  fe.menu.nav_back = 1;
  frame();
  EXPECT_EQ(fe.menu_open, 0);
  // A movie's status is the subtitle.
  open_on(MENU_PAGE_PAUSE);
  snprintf(fe.movie_text, sizeof fe.movie_text, "REC movie-1.femv");
  frame();
  EXPECT_NE(rec.find_text("REC movie-1.femv"), nullptr);
}

TEST_F(PauseMenu, ResumingLeavesEveryOtherPagesCursorAlone) {
  // Resume by Enter while, in the same frame, the pointer moves onto a later row and the wheel
  // and Down are latched: once the menu has closed, nothing of that frame reaches the Main Menu
  // (now the page a closed menu counts as on top) nor draws a footer.
  fe.menu.cursor[MENU_PAGE_PAUSE] = 0;
  fe.menu.cursor[MENU_PAGE_MAIN] = 2;
  fe.menu.first_row[MENU_PAGE_MAIN] = 0;
  fe.menu.nav_accept = 1;
  fe.menu.nav_down = 1;
  fe.menu.wheel = -3;
  move_mouse(ROW_X, row_y(5));
  frame();
  EXPECT_EQ(fe.menu_open, 0);
  EXPECT_EQ(fe.menu.cursor[MENU_PAGE_MAIN], 2);
  EXPECT_EQ(fe.menu.first_row[MENU_PAGE_MAIN], 0);
  EXPECT_EQ(fe.menu.cursor[MENU_PAGE_PAUSE], 0);
  EXPECT_EQ(rec.find_text(LEGEND), nullptr);
  EXPECT_EQ(rows.rows.size(), 1u);

  // The same with a click on Resume after moving onto it.
  open_on(MENU_PAGE_PAUSE);
  fe.menu.cursor[MENU_PAGE_PAUSE] = 4;
  move_mouse(ROW_X, row_y(0));
  fe.menu.mouse_click = 1;
  fe.menu.wheel = 2;
  frame();
  EXPECT_EQ(fe.menu_open, 0);
  EXPECT_EQ(fe.menu.cursor[MENU_PAGE_MAIN], 2);
  EXPECT_EQ(rec.find_text(LEGEND), nullptr);
}

}  // namespace
