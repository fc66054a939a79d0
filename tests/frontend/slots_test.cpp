// Save-state slots through real files with the fake game: paths, save, the browser records,
// load and what the user is told on every road, and a write that fails on a full disk.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>

#include "fake_game.h"
#include "file_bytes.h"
#include "frontend/frontend_state.h"
#include "frontend/log.h"
#include "frontend/picture.h"
#include "frontend/slots.h"
#include "frontend_fixture.h"
#include "test_platform.h"
#include "write_limit.h"

namespace {

struct SlotsTest : frontend_fixture {
  void SetUp() override {
    frontend_fixture::SetUp();
    fake.loaded = 1;
    fe.rom_ready = 1;
    fe.audio_device = 1;
    tp.open_device = 1;
  }
  std::string slot_path(const char* file) { return dir.at("states/fakegame-1234ABCD/") + file; }
  // Saves the fake game at frame `frame` into the slot.
  int save_at(int32_t slot, uint32_t frame) {
    fake.frame_count = frame;
    fetch_frame();
    return save_slot(slot);
  }
};

TEST_F(SlotsTest, SlotPathsNameTheGameAndRomSetAndCreateTheirFolder) {
  char path[FILE_PATH_MAX];
  ASSERT_EQ(slot_file_path(7, path), 1);
  EXPECT_EQ(std::string(path), slot_path("slot07.fest"));
  EXPECT_TRUE(path_is_dir(dir.at("states/fakegame-1234ABCD").c_str()));
  ASSERT_EQ(slot_file_path(0, path), 1);
  EXPECT_EQ(std::string(path), slot_path("autosave.fest"));
  ASSERT_EQ(slot_file_path(10, path), 1);
  EXPECT_EQ(std::string(path), slot_path("slot10.fest"));
  EXPECT_EQ(slot_file_path(11, path), 0);
  EXPECT_EQ(slot_file_path(-1, path), 0);
  fe.adapter_copy.rom_fingerprint = nullptr;
  ASSERT_EQ(slot_file_path(1, path), 1);
  EXPECT_EQ(std::string(path), dir.at("states/fakegame-00000000/slot01.fest"));
}

TEST_F(SlotsTest, ASavedSlotIsListedAndLoadsBackIntoTheGame) {
  fe.frame_counter = 1234;
  ASSERT_EQ(save_at(3, 42), 1);
  EXPECT_STREQ(fe.toast_text, "Saved to slot 3");
  EXPECT_EQ(fe.slots_dirty, 1);
  EXPECT_TRUE(path_is_file(slot_path("slot03.fest").c_str()));

  refresh_slot_info();
  EXPECT_EQ(fe.slots_dirty, 0);
  for (int32_t i = 0; i < FE_SLOTS; i++) {
    EXPECT_EQ(fe.slots[i].exists, i == 3 ? 1 : 0) << i;
    EXPECT_EQ(fe.slots[i].usable, i == 3 ? 1 : 0) << i;
  }
  EXPECT_EQ(fe.slots[3].frame_counter, 1234u);
  EXPECT_EQ(fe.slots[3].thumb_width, 160);
  EXPECT_EQ(fe.slots[3].thumb_height, 112);
  EXPECT_NE(fe.slots[3].thumbnail, nullptr);
  EXPECT_STREQ(fe.slots[3].reason, "");

  // The game moves on, with inputs held and audio queued; the load takes it all back.
  fake.frame_count = 900;
  fe.running = 0;
  fe.input_word = 0x21;
  fe.pulse[8] = 2;
  fe.accumulator = 12.5;
  tp.queued = 4096;
  ASSERT_EQ(load_slot(3), 1);
  EXPECT_EQ(fake.frame_count, 42u);
  EXPECT_EQ(fe.running, 1);
  EXPECT_EQ(fe.release_wait, 1);
  EXPECT_EQ(fe.input_word, 0u);
  EXPECT_EQ(fe.pulse[8], 0);
  EXPECT_EQ(fe.held[0], 1u);
  EXPECT_EQ(fake.input_word, 0u);
  EXPECT_EQ(tp.queued, 0u);
  EXPECT_EQ(fe.accumulator, 0.0);
  EXPECT_EQ(fe.frame[5 * 320 + 100], fake_game_pixel(100, 5, 42, 0));
  EXPECT_STREQ(fe.toast_text, "Loaded slot 3");
}

TEST_F(SlotsTest, TheAutosaveOnlyLogsAndContinuesWithItsOwnToast) {
  log_file_open(fe.log_path);
  ASSERT_EQ(save_at(0, 77), 1);
  log_file_close();
  EXPECT_STREQ(fe.toast_text, "");
  std::string log = read_text(fe.log_path);
  EXPECT_NE(log.find("] autosaved to " + slot_path("autosave.fest") + "\n"), std::string::npos)
      << log;
  fake.frame_count = 5;
  ASSERT_EQ(load_slot(0), 1);
  EXPECT_EQ(fake.frame_count, 77u);
  EXPECT_STREQ(fe.toast_text, "Continued from autosave");
}

TEST_F(SlotsTest, AMissingSlotToastsAndLeavesTheGameAlone) {
  fake.frame_count = 10;
  EXPECT_EQ(load_slot(4), 0);
  EXPECT_STREQ(fe.toast_text, "Slot 4 is empty");
  EXPECT_EQ(load_slot(0), 0);
  EXPECT_STREQ(fe.toast_text, "No autosave yet");
  EXPECT_EQ(fake.frame_count, 10u);
  EXPECT_EQ(fe.running, 0);
  EXPECT_EQ(fe.menu_open, 0);
}

TEST_F(SlotsTest, ADamagedSlotOpensTheDialogAndTheRunningGameGoesOn) {
  ASSERT_EQ(save_at(4, 30), 1);
  file_bytes data = bytes_read(slot_path("slot04.fest"));
  data[100] ^= 1;
  ASSERT_TRUE(bytes_write(slot_path("slot04.fest"), data));
  ASSERT_TRUE(write_text(slot_path("autosave.fest"), "FESTATE0 and then some"));
  fe.running = 1;
  fe.paused = 1;
  fake.frame_count = 31;

  EXPECT_EQ(load_slot(4), 0);
  EXPECT_STREQ(fe.error_title, "Cannot load state");
  EXPECT_STREQ(fe.error_body,
               "Slot 4 could not be loaded:\nfile is damaged (checksum mismatch)\n\n"
               "The running game was not changed.");
  EXPECT_EQ(fe.menu_open, 1);
  EXPECT_EQ(fe.menu.page_stack[fe.menu.depth - 1], MENU_PAGE_ERROR);
  EXPECT_EQ(fake.frame_count, 31u);
  EXPECT_EQ(fe.running, 1);
  EXPECT_EQ(fe.paused, 1);

  EXPECT_EQ(load_slot(0), 0);
  EXPECT_STREQ(fe.error_body,
               "The autosave could not be loaded:\nfile is truncated\n\n"
               "The running game was not changed.");

  // The browser reads only the header and the thumbnail: damage beneath them shows at the load.
  refresh_slot_info();
  EXPECT_EQ(fe.slots[4].exists, 1);
  EXPECT_EQ(fe.slots[4].usable, 1);
  EXPECT_EQ(fe.slots[0].exists, 1);
  EXPECT_STREQ(fe.slots[0].reason, "file is truncated");
}

TEST_F(SlotsTest, WhatIsNoSlotFileIsShownUnusableAndRefusedWithoutBeingRead) {
  ASSERT_EQ(save_at(6, 8), 1);
  file_bytes longer = bytes_read(slot_path("slot06.fest"));
  longer.push_back(0);
  struct hostile_case {
    int32_t slot;
    std::function<void(const std::string&)> make;
    std::string reason;  // "PATH" stands for the slot file's path
  };
  const hostile_case cases[] = {
      // A FIFO would make both the browser and the load wait for a writer for ever.
      {3, [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0644), 0); },
       "PATH is not a file (a FIFO)"},
      {4, [](const std::string& p) { ASSERT_EQ(mkdir(p.c_str(), 0755), 0); },
       "PATH is not a file (a folder)"},
      // 3 GiB, sparse: reading it whole would take seconds and gigabytes.
      {5,
       [](const std::string& p) {
         ASSERT_TRUE(write_text(p, "FESTATE1"));
         ASSERT_EQ(truncate(p.c_str(), 3ll << 30), 0);
       },
       "file is too large"},
      {7, [&](const std::string& p) { ASSERT_TRUE(bytes_write(p, longer)); },
       "file is damaged (size mismatch)"},
  };
  for (const hostile_case& c : cases) {
    char name[32];
    snprintf(name, sizeof name, "slot%02d.fest", c.slot);
    c.make(slot_path(name));
  }
  refresh_slot_info();
  for (const hostile_case& c : cases) {
    SCOPED_TRACE(c.slot);
    char name[32];
    snprintf(name, sizeof name, "slot%02d.fest", c.slot);
    std::string reason = c.reason;
    if (reason.rfind("PATH", 0) == 0) reason.replace(0, 4, slot_path(name));
    EXPECT_EQ(fe.slots[c.slot].exists, 1);
    EXPECT_EQ(fe.slots[c.slot].usable, 0);
    // The browser's text names the file alone; the load's names the whole path.
    std::string shown = c.reason;
    if (shown.rfind("PATH", 0) == 0) shown.replace(0, 4, name);
    EXPECT_EQ(fe.slots[c.slot].reason, shown);
    fe.error_body[0] = '\0';
    EXPECT_EQ(load_slot(c.slot), 0);
    if (c.slot == 7) {  // a file that could be read: the dialog gives the whole check's reason
      EXPECT_STREQ(fe.error_body,
                   "Slot 7 could not be loaded:\nfile is damaged (checksum mismatch)\n\nThe "
                   "running game was not changed.");
    } else {
      const std::string toast = "Slot " + std::to_string(c.slot) + " cannot be read: " + reason;
      EXPECT_EQ(fe.toast_text, toast.substr(0, sizeof fe.toast_text - 1));
    }
  }
  EXPECT_EQ(fe.slots[6].usable, 1);  // the good one beside them
}

TEST_F(SlotsTest, TheGamesRefusalOfTheBlobIsTheDialogsReason) {
  ASSERT_EQ(save_at(6, 8), 1);
  file_bytes data = bytes_read(slot_path("slot06.fest"));
  data[84 + 2 * 160 * 112 + 8] ^= 1;  // the fake's frame count, under its own CRC
  bytes_reseal(&data);
  ASSERT_TRUE(bytes_write(slot_path("slot06.fest"), data));
  EXPECT_EQ(load_slot(6), 0);
  EXPECT_STREQ(fe.error_body,
               "Slot 6 could not be loaded:\nfake state is damaged\n\nThe running game was not "
               "changed.");
}

TEST_F(SlotsTest, ARemovedSlotFileLosesItsThumbnailButKeepsItsOldFigures) {
  fe.frame_counter = 99;
  ASSERT_EQ(save_at(2, 1), 1);
  refresh_slot_info();
  ASSERT_NE(fe.slots[2].thumbnail, nullptr);
  ASSERT_EQ(unlink(slot_path("slot02.fest").c_str()), 0);
  refresh_slot_info();
  EXPECT_EQ(fe.slots[2].exists, 0);
  EXPECT_EQ(fe.slots[2].thumbnail, nullptr);
  EXPECT_EQ(fe.slots[2].frame_counter, 99u);
}

TEST_F(SlotsTest, AGameWithoutLoadStateGetsAnErrorInsteadOfACall) {
  ASSERT_EQ(save_at(5, 12), 1);
  fe.adapter_copy.load_state = nullptr;
  fe.adapter_copy.validate_state = nullptr;
  fake.frame_count = 13;
  EXPECT_EQ(load_slot(5), 0);
  EXPECT_STREQ(fe.error_body,
               "Slot 5 could not be loaded:\nthis game cannot load save states\n\nThe running "
               "game was not changed.");
  EXPECT_EQ(fake.frame_count, 13u);
  refresh_slot_info();
  EXPECT_EQ(fe.slots[5].usable, 0);
  EXPECT_STREQ(fe.slots[5].reason, "this game cannot load save states");
}

TEST_F(SlotsTest, AGameWithoutAStateToGiveSavesNothing) {
  fake.loaded = 0;
  EXPECT_EQ(save_slot(1), 0);
  EXPECT_STREQ(fe.toast_text, "Save failed: could not serialize the game state");
  EXPECT_FALSE(exists_at_all(slot_path("slot01.fest")));
}

TEST_F(SlotsTest, AFullDiskKeepsTheOldSlotFileAndSaysWhereItFailed) {
  ASSERT_EQ(save_at(8, 50), 1);
  const file_bytes before = bytes_read(slot_path("slot08.fest"));
  {
    write_limit disk_full(1000);
    EXPECT_EQ(save_at(8, 60), 0);
    EXPECT_EQ(std::string(fe.toast_text),
              "Save failed: cannot write " + slot_path("slot08.fest") + " (file too large)");
    // The autosave fails the same way, with the same toast.
    EXPECT_EQ(save_at(0, 61), 0);
    EXPECT_EQ(std::string(fe.toast_text),
              "Save failed: cannot write " + slot_path("autosave.fest") + " (file too large)");
  }
  EXPECT_EQ(bytes_read(slot_path("slot08.fest")), before);
  EXPECT_FALSE(exists_at_all(slot_path("autosave.fest")));
  EXPECT_EQ(names_in(dir.at("states/fakegame-1234ABCD")), std::set<std::string>{"slot08.fest"});
}

}  // namespace
