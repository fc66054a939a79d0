// Each confirmed action with the fake game: what it does to the game, the menu's page stack,
// the slots, the settings and the ROM set.
#include <gtest/gtest.h>

#include <string>

#include "fake_game.h"
#include "frontend/confirm_actions.h"
#include "frontend/frontend_state.h"
#include "frontend/game_lifecycle.h"
#include "frontend/page_stack.h"
#include "frontend/slots.h"
#include "frontend_fixture.h"
#include "test_platform.h"

namespace {

struct ConfirmActionsTest : frontend_fixture {
  void SetUp() override {
    frontend_fixture::SetUp();
    rom = dir.at("fakegame.zip");
    ASSERT_EQ(fake_game_write_rom(rom.c_str()), 1);
    fe.feature_enabled[FEATURE_SAVE_STATES] = 1;
    ASSERT_EQ(load_rom(rom.c_str()), 1);
    fe.audio_device = 1;
    tp.open_device = 1;
    start_game();
  }
  // The menu open with these pages, bottom first, as the dialog leaves it after popping itself.
  void stack(std::initializer_list<int32_t> pages) {
    open_menu(*pages.begin());
    for (auto page = pages.begin() + 1; page != pages.end(); ++page) {
      fe.menu.page_stack[fe.menu.depth++] = *page;
    }
  }
  std::string slot_file(int32_t slot) {
    char path[FILE_PATH_MAX];
    slot_file_path(slot, path);
    return path;
  }
  std::string rom;
};

TEST_F(ConfirmActionsTest, ExitStopsTheGameWithTheAutosaveTheSettingAsksFor) {
  for (int32_t autosave : {0, 1}) {
    remove(slot_file(0).c_str());
    start_game();
    fe.quit = 0;
    fe.settings.autosave_exit = autosave;
    stack({MENU_PAGE_PAUSE});
    run_confirm_action(CONFIRM_EXIT, 0);
    EXPECT_EQ(fe.quit, 1);
    EXPECT_EQ(fe.running, 0);
    EXPECT_EQ(path_is_file(slot_file(0).c_str()), autosave);
  }
}

TEST_F(ConfirmActionsTest, ReturningToTheMainMenuStopsTheGameAndLeavesOnlyTheMainMenu) {
  fe.settings.autosave_menu = 1;
  stack({MENU_PAGE_PAUSE});
  run_confirm_action(CONFIRM_MAIN_MENU, 0);
  EXPECT_EQ(fe.running, 0);
  EXPECT_EQ(fe.menu_open, 1);
  ASSERT_EQ(fe.menu.depth, 1);
  EXPECT_EQ(fe.menu.page_stack[0], MENU_PAGE_MAIN);
  EXPECT_TRUE(path_is_file(slot_file(0).c_str()));
}

TEST_F(ConfirmActionsTest, RestartAndNewGameResetTheBoardAndCloseTheMenu) {
  for (int32_t action : {CONFIRM_RESTART, CONFIRM_NEW_GAME}) {
    int resets = fake.resets;
    fe.frame_counter = 500;
    stack({MENU_PAGE_PAUSE});
    tp.paused = 1;
    run_confirm_action(action, 0);
    EXPECT_EQ(fake.resets, resets + 1);
    EXPECT_EQ(fe.frame_counter, 0u);
    EXPECT_EQ(fe.menu_open, 0);
    EXPECT_EQ(fe.menu.depth, 0);
    EXPECT_EQ(tp.paused, 0);
    EXPECT_EQ(fe.release_wait, 1);
  }
}

TEST_F(ConfirmActionsTest, LoadingTheAutosaveKeepsTheSlotAndLoadingSlotSevenMakesItCurrent) {
  ASSERT_EQ(save_slot(0), 1);
  ASSERT_EQ(save_slot(7), 1);
  fe.slot = 3;
  stack({MENU_PAGE_MAIN});
  run_confirm_action(CONFIRM_LOAD_SLOT, 0);
  EXPECT_EQ(fe.slot, 3);
  EXPECT_EQ(fe.menu_open, 0);
  stack({MENU_PAGE_PAUSE, MENU_PAGE_LOAD_STATE});
  run_confirm_action(CONFIRM_LOAD_SLOT, 7);
  EXPECT_EQ(fe.slot, 7);
  EXPECT_EQ(fe.menu_open, 0);

  // A slot that cannot be loaded leaves its dialog and the slot as they were.
  stack({MENU_PAGE_PAUSE, MENU_PAGE_LOAD_STATE});
  ASSERT_TRUE(write_text(slot_file(5), "FESTATE1 broken"));
  run_confirm_action(CONFIRM_LOAD_SLOT, 5);
  EXPECT_EQ(fe.slot, 7);
  EXPECT_EQ(fe.menu_open, 1);
  EXPECT_EQ(fe.menu.page_stack[fe.menu.depth - 1], MENU_PAGE_ERROR);
}

TEST_F(ConfirmActionsTest, ASaveFromThePauseMenuReturnsToTheGameAndFromTheMainMenuToIt) {
  stack({MENU_PAGE_PAUSE, MENU_PAGE_SAVE_STATE});
  run_confirm_action(CONFIRM_SAVE_SLOT, 4);
  EXPECT_TRUE(path_is_file(slot_file(4).c_str()));
  EXPECT_EQ(fe.slot, 4);
  EXPECT_EQ(fe.slots[4].exists, 1);
  EXPECT_EQ(fe.menu_open, 0);

  stack({MENU_PAGE_MAIN, MENU_PAGE_SAVE_STATE});
  run_confirm_action(CONFIRM_SAVE_SLOT, 6);
  EXPECT_EQ(fe.slot, 6);
  EXPECT_EQ(fe.menu_open, 1);
  ASSERT_EQ(fe.menu.depth, 1);
  EXPECT_EQ(fe.menu.page_stack[0], MENU_PAGE_MAIN);

  // The Save State page alone: the emptied stack closes the menu over the running game.
  stack({MENU_PAGE_SAVE_STATE});
  run_confirm_action(CONFIRM_SAVE_SLOT, 2);
  EXPECT_EQ(fe.menu_open, 0);
}

TEST_F(ConfirmActionsTest, ResettingAllSettingsKeepsRomPathSlotAndFolderAndStopsRewind) {
  fe.settings.rewind = 1;
  start_game();
  ASSERT_NE(fe.rewind.entries, nullptr);
  fe.slot = 9;
  snprintf(fe.browse_dir, sizeof fe.browse_dir, "/somewhere");
  fe.settings.volume = 15;
  fe.settings.border = 0;
  fe.hotkeys[HOTKEY_MENU].key = 4;
  stack({MENU_PAGE_PAUSE, MENU_PAGE_EXTRAS});
  run_confirm_action(CONFIRM_RESET_SETTINGS, 0);
  EXPECT_EQ(fe.settings.volume, 80);
  EXPECT_EQ(fe.settings.border, 1);
  EXPECT_EQ(fe.hotkeys[HOTKEY_MENU].key, 41);
  EXPECT_EQ(fe.slot, 9);
  EXPECT_STREQ(fe.browse_dir, "/somewhere");
  EXPECT_EQ(std::string(fe.rom_path), rom);
  EXPECT_EQ(fe.rewind.entries, nullptr);
  EXPECT_EQ(fe.menu_open, 1);
  EXPECT_EQ(tp.paused, 1);
  EXPECT_EQ(tp.last_open_name, "");
  EXPECT_EQ(fe.colour_dirty, 1);
  EXPECT_STREQ(fe.toast_text, "All settings restored");
  EXPECT_NE(read_text(fe.settings_path).find("volume = 80"), std::string::npos);
}

TEST_F(ConfirmActionsTest, RestoringDefaultControlsResetsBindingsDeadZoneAndCombination) {
  fe.input_bindings[0] = {1, 2, 3};
  fe.hotkeys[HOTKEY_QUICK_SAVE] = {-1, -1, -1};
  fe.settings.deadzone = 75;
  fe.settings.menu_combo = 2;
  fe.settings.volume = 15;
  run_confirm_action(CONFIRM_DEFAULT_CONTROLS, 0);
  EXPECT_EQ(fe.input_bindings[0].key, 82);
  EXPECT_EQ(fe.input_bindings[0].alt_key, 26);
  EXPECT_EQ(fe.input_bindings[0].controller, 11);
  EXPECT_EQ(fe.hotkeys[HOTKEY_QUICK_SAVE].key, 62);
  EXPECT_EQ(fe.settings.deadzone, 30);
  EXPECT_EQ(fe.settings.menu_combo, 0);
  EXPECT_EQ(fe.settings.volume, 15);
  EXPECT_STREQ(fe.toast_text, "Default controls restored");
}

TEST_F(ConfirmActionsTest, DeletingASlotRemovesItsFileAndMarksTheRecords) {
  ASSERT_EQ(save_slot(8), 1);
  fe.slots_dirty = 0;
  run_confirm_action(CONFIRM_DELETE_SLOT, 8);
  EXPECT_FALSE(path_is_file(slot_file(8).c_str()));
  EXPECT_EQ(fe.slots_dirty, 1);
  run_confirm_action(CONFIRM_DELETE_SLOT, 8);  // gone already: nothing to say
  EXPECT_EQ(fe.slots_dirty, 1);
}

TEST_F(ConfirmActionsTest, ASwitchedRomLoadsAfterTheQuestionOrShowsWhyNot) {
  std::string other = dir.at("other.zip");
  ASSERT_EQ(fake_game_write_rom(other.c_str()), 1);
  stack({MENU_PAGE_PAUSE, MENU_PAGE_ROM_SELECTION});
  switch_rom(other.c_str());
  ASSERT_EQ(fe.confirm_action, CONFIRM_SWITCH_ROM);
  fe.menu.depth--;  // the dialog pops itself before the action
  run_confirm_action(CONFIRM_SWITCH_ROM, 0);
  EXPECT_EQ(fe.running, 0);
  EXPECT_EQ(std::string(fe.rom_path), other);
  EXPECT_STREQ(fe.toast_text, "ROM ready: other.zip");
  ASSERT_EQ(fe.menu.depth, 1);
  EXPECT_EQ(fe.menu.page_stack[0], MENU_PAGE_MAIN);

  // The archive went bad between the question and the answer: the running game stays.
  ASSERT_EQ(load_rom(rom.c_str()), 1);
  start_game();
  fake.frame_count = 77;
  ASSERT_TRUE(write_text(other, "FAKE-ROM damaged"));
  snprintf(fe.pending_rom_path, sizeof fe.pending_rom_path, "%s", other.c_str());
  stack({MENU_PAGE_PAUSE, MENU_PAGE_ROM_SELECTION});
  run_confirm_action(CONFIRM_SWITCH_ROM, 0);
  EXPECT_EQ(fe.rom_ready, 1);
  EXPECT_EQ(fe.running, 1);
  EXPECT_EQ(fake.loaded, 1);
  EXPECT_EQ(fake.rom_path, rom);
  EXPECT_EQ(fake.frame_count, 77u);
  EXPECT_STREQ(fe.error_title, "ROM not usable");
  EXPECT_EQ(std::string(fe.error_body).rfind("other.zip\n\n", 0), 0u) << fe.error_body;
  EXPECT_EQ(fe.menu.page_stack[fe.menu.depth - 1], MENU_PAGE_ERROR);
}

TEST_F(ConfirmActionsTest, PlayingTheLatestMovieWithNoneKeepsTheMenuOpen) {
  stack({MENU_PAGE_PAUSE, MENU_PAGE_EXTRAS});
  run_confirm_action(CONFIRM_PLAY_MOVIE, 98);  // not the movie value: nothing
  EXPECT_STREQ(fe.toast_text, "");
  run_confirm_action(CONFIRM_PLAY_MOVIE, 99);
  EXPECT_STREQ(fe.toast_text, "No recorded movies yet");
  EXPECT_EQ(fe.menu_open, 1);
}

TEST_F(ConfirmActionsTest, AFailedAutosaveOnLeavingSaysWhyAndLetsTheUserLeaveAnywayOrStay) {
  struct leave_case {
    int32_t action;
    int32_t* setting;
    int32_t unsaved_action;
    int quits;  // leaving anyway ends the program (else it shows the Main Menu)
  };
  const leave_case cases[] = {
      {CONFIRM_EXIT, &fe.settings.autosave_exit, CONFIRM_EXIT_UNSAVED, 1},
      {CONFIRM_MAIN_MENU, &fe.settings.autosave_menu, CONFIRM_MAIN_MENU_UNSAVED, 0},
  };
  // A regular file where the game's state folder goes fails the write, even for root.
  const std::string folder = std::string(fe.states_dir) + "/fakegame-1234ABCD";
  for (const leave_case& c : cases) {
    SCOPED_TRACE(c.action);
    start_game();
    fe.quit = 0;
    *c.setting = 1;
    remove(slot_file(0).c_str());
    rmdir(folder.c_str());
    ASSERT_TRUE(write_text(folder, "in the way"));
    stack({MENU_PAGE_PAUSE});
    run_confirm_action(c.action, 0);
    EXPECT_EQ(fe.quit, 0);
    EXPECT_EQ(fe.running, 1);
    ASSERT_EQ(fe.menu.depth, 3);
    EXPECT_EQ(fe.menu.page_stack[1], int32_t(MENU_PAGE_CONFIRM));
    EXPECT_EQ(fe.menu.page_stack[2], int32_t(MENU_PAGE_ERROR));
    EXPECT_STREQ(fe.error_title, "Autosave failed");
    EXPECT_NE(std::string(fe.error_body).find("(not a directory)"), std::string::npos)
        << fe.error_body;
    EXPECT_EQ(fe.confirm_action, c.unsaved_action);

    // Leaving anyway ("Yes" to the question beneath the dialog).
    fe.menu.depth = 1;
    run_confirm_action(fe.confirm_action, 0);
    EXPECT_EQ(fe.running, 0);
    EXPECT_EQ(fe.quit, c.quits);
    if (!c.quits) {
      EXPECT_EQ(fe.menu.page_stack[0], int32_t(MENU_PAGE_MAIN));
    }
    remove(folder.c_str());
  }
}

}  // namespace
