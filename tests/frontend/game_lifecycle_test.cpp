// The game's lifecycle with the fake game: loading archives (with the NVRAM of the set that goes
// and of the one that comes), starting and stopping, and switching to another archive.
#include <gtest/gtest.h>

#include <string>

#include "fake_game.h"
#include "frontend/frontend_state.h"
#include "frontend/game_lifecycle.h"
#include "frontend/movies.h"
#include "frontend/slots.h"
#include "frontend_fixture.h"
#include "log_capture.h"
#include "test_platform.h"

namespace {

struct GameLifecycleTest : frontend_fixture {
  void SetUp() override {
    frontend_fixture::SetUp();
    rom = dir.at("fakegame.zip");
    ASSERT_EQ(fake_game_write_rom(rom.c_str()), 1);
    ASSERT_TRUE(write_text(dir.at("junk.zip"), "PK not a set"));
    fe.feature_enabled[FEATURE_SAVE_STATES] = 1;
  }
  std::string rom;
};

TEST_F(GameLifecycleTest, LoadingAnArchiveMakesTheSetReadyAndRestoresItsNvram) {
  std::string nvram(FAKE_GAME_NVRAM_BYTES, '\x5a');
  ASSERT_TRUE(write_text(dir.at("nvram/fakegame-1234ABCD.nv"), nvram));
  log_capture log(dir.at("test.log"));
  ASSERT_EQ(load_rom(rom.c_str()), 1);
  EXPECT_EQ(fe.rom_ready, 1);
  EXPECT_EQ(std::string(fe.rom_path), rom);
  EXPECT_STREQ(fe.rom_status, "");
  EXPECT_EQ(fe.slots_dirty, 1);
  EXPECT_EQ(fake.nvram[17], 0x5a);
  EXPECT_TRUE(log.has("NVRAM restored from " + dir.at("nvram/fakegame-1234ABCD.nv")));
  EXPECT_TRUE(log.has("ROM loaded: " + rom + " (fingerprint 1234ABCD)"));
}

TEST_F(GameLifecycleTest, AFailedLoadLeavesNoSetButTheOldOnesNvramWasSavedFirst) {
  ASSERT_EQ(load_rom(rom.c_str()), 1);
  start_game();
  fake.nvram[0] = 0xEE;
  fake.nvram_dirty = 1;
  log_capture log(dir.at("test.log"));
  EXPECT_EQ(load_rom(dir.at("junk.zip").c_str()), 0);
  EXPECT_EQ(fe.rom_ready, 0);
  EXPECT_EQ(fe.running, 0);
  EXPECT_EQ(fake.loaded, 0);
  EXPECT_STREQ(fe.rom_status, "The archive is not a ROM set of the fake game.");
  EXPECT_TRUE(log.has("ROM " + dir.at("junk.zip") +
                      " rejected: The archive is not a ROM set of the fake game."));
  EXPECT_EQ(read_text(dir.at("nvram/fakegame-1234ABCD.nv"))[0], '\xEE');
  EXPECT_EQ(std::string(fe.rom_path), rom);  // the settings keep the last good archive

  EXPECT_EQ(load_rom(nullptr), 0);
  EXPECT_STREQ(fe.rom_status, "No ROM selected.");
}

TEST_F(GameLifecycleTest, StartingTheGamePowersOnWithTheDipWordsAndAFreshRun) {
  start_game();  // no set ready: nothing happens
  EXPECT_EQ(fe.running, 0);
  EXPECT_EQ(fake.resets, 0);

  ASSERT_EQ(load_rom(rom.c_str()), 1);
  fe.settings.dip_words[0] = 0xFFFE;
  fe.settings.rewind = 1;
  fe.frame_counter = 99;
  fe.paused = 1;
  fe.accumulator = 12.5;
  fe.pulse[8] = 2;
  fe.movie_record = tmpfile();
  start_game();
  EXPECT_EQ(fake.dips[0], 0xFFFE);
  EXPECT_EQ(fake.resets, 1);
  EXPECT_EQ(fe.running, 1);
  EXPECT_EQ(fe.paused, 0);
  EXPECT_EQ(fe.frame_counter, 0u);
  EXPECT_EQ(fe.release_wait, 1);
  EXPECT_EQ(fe.pulse[8], 0);
  EXPECT_EQ(fe.accumulator, 0.0);
  EXPECT_NE(fe.rewind.entries, nullptr);
  EXPECT_EQ(fe.movie_record, nullptr);
  EXPECT_STREQ(fe.toast_text, "Recording saved");
}

TEST_F(GameLifecycleTest, StoppingAutosavesOnlyWhenAskedWhileAGameRuns) {
  ASSERT_EQ(load_rom(rom.c_str()), 1);
  char autosave[FILE_PATH_MAX];
  ASSERT_EQ(slot_file_path(0, autosave), 1);

  start_game();
  stop_game(0);
  EXPECT_EQ(fe.running, 0);
  EXPECT_FALSE(path_is_file(autosave));

  start_game();
  stop_game(1);
  EXPECT_TRUE(path_is_file(autosave));
  EXPECT_TRUE(path_is_file(dir.at("nvram/fakegame-1234ABCD.nv").c_str()));

  remove(autosave);
  stop_game(1);  // no game runs any more
  EXPECT_FALSE(path_is_file(autosave));
}

TEST_F(GameLifecycleTest, AGameStartedFromASlotGetsItsRewindRing) {
  ASSERT_EQ(load_rom(rom.c_str()), 1);
  start_game();
  ASSERT_EQ(save_slot(2), 1);
  stop_game(0);
  fe.settings.rewind = 1;
  ASSERT_EQ(fe.rewind.entries, nullptr);
  ASSERT_EQ(load_slot(2), 1);
  EXPECT_NE(fe.rewind.entries, nullptr);
}

TEST_F(GameLifecycleTest, SwitchingRomChecksAsksWhileAGameRunsAndLoadsAtOnceOtherwise) {
  // An unusable archive: the dialog names it, the reason and the expected set.
  switch_rom(dir.at("junk.zip").c_str());
  EXPECT_STREQ(fe.error_title, "ROM not usable");
  EXPECT_STREQ(fe.error_body,
               "junk.zip\n\nThe archive is not a ROM set of the fake game.\n\n"
               "Expected: fakegame.zip (standard set, unmodified).");

  // No game: it loads, the settings are written and ROM Selection goes.
  fe.menu_open = 1;
  fe.menu.depth = 2;
  fe.menu.page_stack[0] = MENU_PAGE_MAIN;
  fe.menu.page_stack[1] = MENU_PAGE_ROM_SELECTION;
  switch_rom(rom.c_str());
  EXPECT_EQ(fe.rom_ready, 1);
  EXPECT_STREQ(fe.toast_text, "ROM ready: fakegame.zip");
  EXPECT_EQ(fe.menu.depth, 1);
  EXPECT_NE(read_text(fe.settings_path).find("rom = " + rom), std::string::npos);

  // A game runs: the question, with the path kept whole for the answer.
  start_game();
  const std::string part(200, 'd');
  std::string deep = dir.at(part + "/" + part + "/" + part + "/" + part);  // over 800 characters
  ASSERT_TRUE(path_make_dirs(deep.c_str()));
  std::string other = deep + "/fakegame.zip";
  ASSERT_EQ(fake_game_write_rom(other.c_str()), 1);
  switch_rom(other.c_str());
  EXPECT_EQ(fe.menu.page_stack[fe.menu.depth - 1], MENU_PAGE_CONFIRM);
  EXPECT_EQ(fe.confirm_action, CONFIRM_SWITCH_ROM);
  EXPECT_STREQ(fe.confirm_text, "Switch to fakegame.zip? The current game will end.");
  EXPECT_EQ(std::string(fe.pending_rom_path), other);
  EXPECT_EQ(fe.running, 1);
}

}  // namespace
