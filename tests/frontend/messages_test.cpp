// Toasts, the confirmation and error dialogs' routing onto the page stack, and the window mode.
#include <gtest/gtest.h>

#include <string>

#include "fake_game.h"
#include "frontend/file_util.h"
#include "frontend/frontend_state.h"
#include "frontend/messages.h"
#include "frontend_fixture.h"
#include "log_capture.h"
#include "test_platform.h"

using MessagesTest = frontend_fixture;

TEST_F(MessagesTest, AToastReplacesTheOneShowingAndRestartsItsTwoSeconds) {
  show_toast("Slot %d", 3);
  EXPECT_STREQ(fe.toast_text, "Slot 3");
  EXPECT_EQ(fe.toast_end, tp.now + 2 * tp.frequency);
  test_clock_advance_ms(1500);
  show_toast("%s", std::string(300, 'x').c_str());
  EXPECT_EQ(strlen(fe.toast_text), 159u);
  EXPECT_EQ(fe.toast_end, tp.now + 2 * tp.frequency);
}

TEST_F(MessagesTest, AnErrorWhilePlayingOpensTheMenuOnTheErrorPageWithTheGameSilenced) {
  fe.rom_ready = 1;
  fe.running = 1;
  fe.audio_device = 1;
  tp.open_device = 1;
  tp.paused = 0;
  tp.queued = 4096;
  fe.input_word = 0x15;
  fe.pulse[8] = 2;
  fake.input_word = 0x15;
  show_error("The game stopped", "%s", "details");
  EXPECT_EQ(fe.menu_open, 1);
  ASSERT_EQ(fe.menu.depth, 1);
  EXPECT_EQ(fe.menu.page_stack[0], MENU_PAGE_ERROR);
  EXPECT_STREQ(fe.error_title, "The game stopped");
  EXPECT_STREQ(fe.error_body, "details");
  EXPECT_EQ(tp.paused, 1);
  EXPECT_EQ(tp.queued, 0u);
  EXPECT_EQ(fe.input_word, 0u);
  EXPECT_EQ(fe.pulse[8], 0);
  EXPECT_EQ(fe.held[0], 1u);
  EXPECT_EQ(fake.input_word, 0u);
}

TEST_F(MessagesTest, AnErrorInsideTheMenuStacksOverTheCurrentPage) {
  fe.menu_open = 1;
  fe.menu.depth = 2;
  fe.menu.page_stack[0] = MENU_PAGE_MAIN;
  fe.menu.page_stack[1] = MENU_PAGE_ROM_SELECTION;
  show_error("ROM not usable", "bad archive");
  ASSERT_EQ(fe.menu.depth, 3);
  EXPECT_EQ(fe.menu.page_stack[2], MENU_PAGE_ERROR);
  EXPECT_EQ(fe.menu.page_stack[1], MENU_PAGE_ROM_SELECTION);
}

TEST_F(MessagesTest, WithSixteenPagesStackedADialogIsNotPushedButItsTextIsKept) {
  fe.menu_open = 1;
  fe.menu.depth = MENU_STACK_MAX;
  for (int i = 0; i < MENU_STACK_MAX; i++) fe.menu.page_stack[i] = MENU_PAGE_DISPLAY;
  show_confirm(CONFIRM_RESTART, 0, "Restart the game? Unsaved progress will be lost.");
  show_error("Cannot load state", "body");
  EXPECT_EQ(fe.menu.depth, MENU_STACK_MAX);
  EXPECT_EQ(fe.menu.page_stack[MENU_STACK_MAX - 1], MENU_PAGE_DISPLAY);
  EXPECT_STREQ(fe.confirm_text, "Restart the game? Unsaved progress will be lost.");
  EXPECT_EQ(fe.confirm_action, CONFIRM_RESTART);
  EXPECT_STREQ(fe.error_body, "body");
}

TEST_F(MessagesTest, AConfirmationOpensWithNoSelectedAndTheHighlightJumping) {
  fe.menu_open = 1;
  fe.menu.depth = 1;
  fe.menu.page_stack[0] = MENU_PAGE_LOAD_STATE;
  fe.menu.cursor[MENU_PAGE_CONFIRM] = 0;
  fe.menu.highlight_y = 300.0f;
  test_clock_advance_ms(250);
  show_confirm(CONFIRM_LOAD_SLOT, 7, "Load %s? Unsaved progress will be lost.", "Slot 7");
  EXPECT_EQ(fe.menu.depth, 2);
  EXPECT_EQ(fe.menu.page_stack[1], MENU_PAGE_CONFIRM);
  EXPECT_EQ(fe.menu.cursor[MENU_PAGE_CONFIRM], 1);
  EXPECT_EQ(fe.confirm_value, 7);
  EXPECT_LT(fe.menu.highlight_y, 0.0f);
  EXPECT_EQ(fe.menu.page_open_time, tp.now);
}

TEST_F(MessagesTest, TheWindowModeSizesTheWindowFromScaleAspectAndRotation) {
  struct size_case {
    int32_t scale, rotation, fullscreen;
    int32_t width, height, calls;
  };
  const size_case cases[] = {
      {3, 3, 0, 672, 896, 1},  // 224 x 3 = 672 high, 896 wide, swapped
      {3, 0, 0, 896, 672, 1},
      {1, 2, 0, 299, 224, 1},               // trunc(224 x 4/3 + 0.5) = 299
      {3, 3, 1, 0, 0, 0},                   // full screen: no resize
      {1000000000, 0, 0, 16384, 16384, 1},  // kept within what a window can be, no overflow
  };
  for (const size_case& c : cases) {
    tp.window_w = tp.window_h = 0;
    tp.window_size_calls = 0;
    fe.settings.window_scale = c.scale;
    fe.settings.rotation = c.rotation;
    fe.settings.fullscreen = c.fullscreen;
    apply_window_mode();
    EXPECT_EQ(tp.fullscreen, c.fullscreen);
    EXPECT_EQ(tp.window_size_calls, c.calls) << c.scale << " " << c.rotation;
    EXPECT_EQ(tp.window_w, c.width) << c.scale << " " << c.rotation;
    EXPECT_EQ(tp.window_h, c.height) << c.scale << " " << c.rotation;
  }
}

TEST_F(MessagesTest, APathTooLongForTheToastGivesUpItsLeftKeepingTheFileNameAndTheReason) {
  char out[40];
  struct path_case {
    const char* path;
    const char* expected;
  };
  const path_case cases[] = {
      {"/d/slot03.fest", "Save failed: /d/slot03.fest (no space)"},
      {"/home/player/data/slot03.fest", "Save failed: .../slot03.fest (no space)"},
  };
  for (const path_case& c : cases) {
    format_path_message(out, sizeof out, "Save failed: ", c.path, " (no space)");
    EXPECT_STREQ(out, c.expected) << c.path;
  }
  // A cut never starts inside a character: the two bytes of the accented letter go together.
  format_path_message(out, sizeof out, "Save failed: ",
                      "/home/\xc3\xa9"
                      "abcdefghijkl/slot.fest",
                      "");
  EXPECT_STREQ(out, "Save failed: ...abcdefghijkl/slot.fest");
}

TEST_F(MessagesTest, AFileFailureNamesThePathOnceWhateverWordsTheFileLayerGave) {
  char out[FILE_MESSAGE_MAX];
  struct failure_case {
    const char* reason;
    const char* expected;
  };
  const failure_case cases[] = {
      {"permission denied", "Cannot write /m/a.femv (permission denied)."},
      {"/m/a.femv is not a file (a FIFO)", "Cannot write /m/a.femv (not a file (a FIFO))."},
      {"/m/a.femv is a link to a missing file",
       "Cannot write /m/a.femv (a link to a missing file)."},
      {"/m/a.femvx is not a file (a FIFO)",  // another path that starts alike stays whole
       "Cannot write /m/a.femv (/m/a.femvx is not a file (a FIFO))."},
      {"", "Cannot write /m/a.femv (input/output error)."},
  };
  for (const failure_case& c : cases) {
    format_file_failure(out, sizeof out, "Cannot write ", "/m/a.femv", c.reason, ".");
    EXPECT_STREQ(out, c.expected) << c.reason;
  }
}

TEST_F(MessagesTest, AKindOfWriteFailureToastsOnceAndLogsAgainOnlyWhenItsReasonChanges) {
  log_capture log(dir.at("test.log"));
  const char* full = "no space left on device";
  const char* read_only = "read-only file system";
  report_write_failure(WRITE_NVRAM, "NVRAM save failed: ", "/d/x.nv", full);
  EXPECT_STREQ(fe.toast_text, "NVRAM save failed: /d/x.nv (no space left on device)");
  fe.toast_text[0] = '\0';
  report_write_failure(WRITE_NVRAM, "NVRAM save failed: ", "/d/x.nv", full);
  report_write_failure(WRITE_SETTINGS, "Could not write settings to ", "/d/s.ini", full);
  EXPECT_STREQ(fe.toast_text, "Could not write settings to /d/s.ini (no space left on device)");
  fe.toast_text[0] = '\0';
  report_write_failure(WRITE_NVRAM, "NVRAM save failed: ", "/d/x.nv", read_only);
  EXPECT_STREQ(fe.toast_text, "");
  const std::string text = log.text();
  EXPECT_EQ(text.find("NVRAM save failed: /d/x.nv (no space left on device)"),
            text.rfind("NVRAM save failed: /d/x.nv (no space left on device)"));
  EXPECT_TRUE(log.has("NVRAM save failed: /d/x.nv (read-only file system)"));

  // After a good write the next failure is told again.
  report_write_success(WRITE_NVRAM);
  report_write_failure(WRITE_NVRAM, "NVRAM save failed: ", "/d/x.nv", read_only);
  EXPECT_STREQ(fe.toast_text, "NVRAM save failed: /d/x.nv (read-only file system)");
}
