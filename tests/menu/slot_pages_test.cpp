// The Save State and Load State pages over real slot files of the fake game: their rows, saving
// into an empty or a used slot, loading with and without a running game, deleting, Back, and the
// preview of the slot under the cursor.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "frontend/frontend_state.h"
#include "frontend/picture.h"
#include "frontend/slots.h"
#include "menu_fixture.h"

namespace {

const int64_t SAVED_AT = 1700000000;  // 2023-11-14 22:13:20 UTC
const char SAVED_TEXT[] = "2023-11-14 22:13";
const char SUBTITLE[] = "Thumbnails show the moment each slot was saved";

class SlotPages : public menu_fixture {
 protected:
  void SetUp() override {
    menu_fixture::SetUp();
    setenv("TZ", "UTC", 1);
    tzset();
    rom_ready();
    fe.slot = 2;
    // Slot 2 and the autosave hold the game at frames 42 and 7; slot 5 is damaged.
    fake.frame_count = 42;
    fetch_frame();
    ASSERT_EQ(save_slot(2), 1);
    fake.frame_count = 7;
    ASSERT_EQ(save_slot(0), 1);
    ASSERT_TRUE(write_text(slot_path("slot05.fest"), "FESTATE1 but nothing more"));
    fake.frame_count = 0;
    reread();
  }
  // The records re-read, with a known save time on slot 2.
  void reread() {
    refresh_slot_info();
    fe.slots[2].save_time = SAVED_AT;
    fe.slots[2].frame_counter = 1234;
  }
  std::string slot_path(const char* file) { return dir.at("states/fakegame-1234ABCD/") + file; }
  // The row of slot i on the page on top (the Load State page lists the autosave first).
  int32_t row_of(int32_t i) { return menu_top_page() == MENU_PAGE_LOAD_STATE ? i : i - 1; }
  void activate(int32_t i) {
    select(row_of(i));
    fe.menu.nav_accept = 1;
    frame();
  }
};

TEST_F(SlotPages, TheSaveStatePageListsTheTenSlotsAllOpen) {
  open_on(MENU_PAGE_SAVE_STATE);
  frame();
  const std::vector<menu_row> list = rows.of(MENU_PAGE_SAVE_STATE);
  ASSERT_EQ(list.size(), 10u);
  for (int32_t i = 1; i <= 10; i++) {
    const menu_row& row = list[size_t(i - 1)];
    EXPECT_EQ(row.label, i == 2 ? "Slot 2  *" : "Slot " + std::to_string(i));
    EXPECT_EQ(row.value, i == 2 ? SAVED_TEXT : i == 5 ? "Unusable" : "Empty") << i;
    EXPECT_TRUE(row.enabled) << i;
    EXPECT_EQ(row.has_hint, i == 5) << i;
  }
  EXPECT_EQ(list[4].hint, fe.slots[5].reason);
  EXPECT_STRNE(fe.slots[5].reason, "");
  EXPECT_NE(rec.find_text("Save State"), nullptr);
  EXPECT_NE(rec.find_text(SUBTITLE), nullptr);
}

TEST_F(SlotPages, TheLoadStatePageListsTheAutosaveFirstAndOpensOnlyUsableSlots) {
  open_on(MENU_PAGE_LOAD_STATE);
  frame();
  const std::vector<menu_row> list = rows.of(MENU_PAGE_LOAD_STATE);
  ASSERT_EQ(list.size(), 11u);
  EXPECT_EQ(list[0].label, "Autosave");
  EXPECT_TRUE(list[0].enabled);
  for (int32_t i = 1; i <= 10; i++) {
    EXPECT_EQ(list[size_t(i)].enabled, i == 2) << i;
  }
  // An empty slot does nothing.
  activate(3);
  EXPECT_EQ(fe.menu_open, 1);
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_LOAD_STATE));
  EXPECT_EQ(fe.running, 0);
}

TEST_F(SlotPages, SavingIntoAnEmptySlotFromThePauseMenuReturnsToTheGame) {
  fe.running = 1;
  stack({MENU_PAGE_PAUSE, MENU_PAGE_SAVE_STATE});
  fake.frame_count = 300;
  activate(4);
  EXPECT_TRUE(path_is_file(slot_path("slot04.fest").c_str()));
  EXPECT_EQ(fe.slot, 4);
  EXPECT_EQ(fe.slots[4].usable, 1);  // re-read at once
  EXPECT_EQ(fe.menu_open, 0);
  EXPECT_STREQ(fe.toast_text, "Saved to slot 4");
}

TEST_F(SlotPages, SavingIntoAnEmptySlotFromTheMainMenuReturnsToIt) {
  fe.running = 1;
  stack({MENU_PAGE_MAIN, MENU_PAGE_SAVE_STATE});
  activate(7);
  EXPECT_TRUE(path_is_file(slot_path("slot07.fest").c_str()));
  EXPECT_EQ(fe.menu_open, 1);
  EXPECT_EQ(fe.menu.depth, 1);
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_MAIN));
}

TEST_F(SlotPages, SavingOverAUsedSlotAsksFirstAndYesSavesAndResumes) {
  fe.running = 1;
  stack({MENU_PAGE_PAUSE, MENU_PAGE_SAVE_STATE});
  activate(2);
  ASSERT_EQ(menu_top_page(), int32_t(MENU_PAGE_CONFIRM));
  EXPECT_EQ(fe.confirm_action, int32_t(CONFIRM_SAVE_SLOT));
  EXPECT_EQ(fe.confirm_value, 2);
  EXPECT_STREQ(fe.confirm_text, "Overwrite slot 2 (saved 2023-11-14 22:13)?");
  fake.frame_count = 999;
  fe.menu.nav_left = 1;
  fe.menu.nav_accept = 1;
  frame();
  EXPECT_EQ(fe.menu_open, 0);
  refresh_slot_info();
  EXPECT_NE(fe.slots[2].save_time, SAVED_AT);
}

TEST_F(SlotPages, LoadingWithoutAGameResumesItAndTheAutosaveKeepsTheSlot) {
  struct load_case {
    int32_t slot;
    uint32_t frame;
    int32_t slot_after;
  };
  for (const load_case& c : {load_case{2, 42, 2}, load_case{0, 7, 5}}) {
    fe.running = 0;
    fe.slot = 5;
    stack({MENU_PAGE_MAIN, MENU_PAGE_LOAD_STATE});
    activate(c.slot);
    EXPECT_EQ(fake.frame_count, c.frame);
    EXPECT_EQ(fe.running, 1);
    EXPECT_EQ(fe.menu_open, 0);
    EXPECT_EQ(fe.slot, c.slot_after);
  }
}

TEST_F(SlotPages, LoadingWhileAGameRunsAsksWithTheRowsLabel) {
  fe.running = 1;
  stack({MENU_PAGE_PAUSE, MENU_PAGE_LOAD_STATE});
  activate(2);
  ASSERT_EQ(menu_top_page(), int32_t(MENU_PAGE_CONFIRM));
  EXPECT_EQ(fe.confirm_action, int32_t(CONFIRM_LOAD_SLOT));
  EXPECT_EQ(fe.confirm_value, 2);
  EXPECT_STREQ(fe.confirm_text, "Load Slot 2  *? Unsaved progress will be lost.");
  EXPECT_EQ(fake.frame_count, 0u);  // nothing loaded yet
  fe.menu.nav_up = 1;
  fe.menu.nav_accept = 1;
  frame();
  EXPECT_EQ(fake.frame_count, 42u);
  EXPECT_EQ(fe.menu_open, 0);
}

TEST_F(SlotPages, DeleteAsksForAUsedSlotOnBothPagesButNotForTheAutosaveOrAnEmptySlot) {
  for (int32_t page : {MENU_PAGE_SAVE_STATE, MENU_PAGE_LOAD_STATE}) {
    for (int32_t i : {2, 5}) {
      open_on(page);
      select(row_of(i));
      fe.menu.row_action = 2;
      frame();
      ASSERT_EQ(menu_top_page(), int32_t(MENU_PAGE_CONFIRM)) << page << " " << i;
      EXPECT_EQ(fe.confirm_action, int32_t(CONFIRM_DELETE_SLOT));
      EXPECT_EQ(fe.confirm_value, i);
      EXPECT_EQ(fe.confirm_text, "Delete slot " + std::to_string(i) + "?");
    }
  }
  open_on(MENU_PAGE_LOAD_STATE);
  for (int32_t i : {0, 3}) {
    select(row_of(i));
    fe.menu.row_action = 2;
    frame();
    EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_LOAD_STATE)) << i;
  }
  // Tab (row action 1) is not Delete.
  select(row_of(2));
  fe.menu.row_action = 1;
  frame();
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_LOAD_STATE));

  // "Yes" removes the file; the page shows the slot empty from the next frame.
  fe.menu.row_action = 2;
  frame();
  fe.menu.nav_left = 1;
  fe.menu.nav_accept = 1;
  frame();
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_LOAD_STATE));
  EXPECT_FALSE(exists_at_all(slot_path("slot02.fest")));
  frame();
  EXPECT_EQ(rows.of(MENU_PAGE_LOAD_STATE)[2].value, "Empty");
}

TEST_F(SlotPages, BackPopsThePage) {
  stack({MENU_PAGE_PAUSE, MENU_PAGE_LOAD_STATE});
  fe.running = 1;
  fe.menu.nav_back = 1;
  frame();
  EXPECT_EQ(fe.menu.depth, 1);
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_PAUSE));
  EXPECT_EQ(fe.menu_open, 1);
}

TEST_F(SlotPages, ThePreviewShowsTheThumbnailTurnedOrWhyTheSlotCannotBeUsed) {
  // Beside the list: 555 x 450 from (665, 150); the turned 3:4 box is 337 x 450.
  open_on(MENU_PAGE_LOAD_STATE);
  select(2);
  ASSERT_EQ(rec.copies.size(), 1u);
  const recorded_copy& copy = rec.copies[0];
  EXPECT_EQ(copy.texture, fe.slots[2].thumbnail);
  EXPECT_EQ(copy.angle, 270.0);
  EXPECT_EQ(copy.dest.w, 449);  // 337 / 0.75, unturned
  EXPECT_EQ(copy.dest.h, 337);
  EXPECT_EQ(copy.dest.x, 665 + (337 - 449) / 2);
  EXPECT_EQ(copy.dest.y, 150 + (450 - 337) / 2);
  const recorded_text* caption = rec.find_text("2023-11-14 22:13   -   1234 frames played");
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(caption->x, 665);
  EXPECT_EQ(caption->y, 150 + 450 + 20);
  for (const recorded_text& t : rec.texts) EXPECT_NE(t.align, 1) << t.text;  // no word in the box

  select(5);
  EXPECT_TRUE(rec.copies.empty());
  const recorded_text* word = nullptr;
  for (const recorded_text& t : rec.texts) {
    if (t.text == "Unusable" && t.align == 1) word = &t;
  }
  ASSERT_NE(word, nullptr);
  EXPECT_EQ(word->x, 665 + 337 / 2);
  EXPECT_EQ(word->y, 150 + 225 - 16);
  const recorded_text* reason = nullptr;
  for (const recorded_text& t : rec.texts) {
    if (t.text == fe.slots[5].reason && t.y == 620) reason = &t;
  }
  ASSERT_NE(reason, nullptr);
  EXPECT_EQ(reason->color, 0xff78a0ffu);

  select(3);
  int32_t empty_words = 0;
  for (const recorded_text& t : rec.texts) empty_words += t.text == "Empty" && t.align == 1;
  EXPECT_EQ(empty_words, 1);
  for (const recorded_text& t : rec.texts) EXPECT_NE(t.y, 620) << t.text;
}

TEST_F(SlotPages, AUsableSlotWithoutAThumbnailShowsAnEmptyBoxNotUnusable) {
  SDL_DestroyTexture(fe.slots[2].thumbnail);
  fe.slots[2].thumbnail = nullptr;
  open_on(MENU_PAGE_LOAD_STATE);
  select(2);
  EXPECT_TRUE(rec.copies.empty());
  for (const recorded_text& t : rec.texts) {
    if (t.align == 1) {
      EXPECT_TRUE(t.text != "Unusable" && t.text != "Empty") << t.text;
    }
  }
  bool box = false;
  for (const recorded_fill& f : rec.fills) box = box || (f.color == 0xff120c0a && f.x == 665);
  EXPECT_TRUE(box);
  EXPECT_NE(rec.find_text("2023-11-14 22:13   -   1234 frames played"), nullptr);
  EXPECT_TRUE(rows.of(MENU_PAGE_LOAD_STATE)[2].enabled);  // and it still loads
}

}  // namespace
