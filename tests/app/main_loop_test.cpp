// The main loop with the fake game and the test platform: pacing (exact rate with its cap and
// tolerance, display sync), the --frames limit, rewind and its mark, events (quit, focus, drops,
// hot-plug, Alt+Return), the menu's latches and raw-event pages, the hotkeys in their tiers,
// stick navigation, the menu combination, the page dispatch over a test page table, sleeping.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/main_loop.h"
#include "fake_game.h"
#include "frontend/audio_output.h"
#include "frontend/frontend_state.h"
#include "frontend/game_lifecycle.h"
#include "frontend/rewind.h"
#include "frontend/slots.h"
#include "frontend_fixture.h"
#include "log_capture.h"
#include "menu/menu_pages.h"
#include "menu/menu_toolkit.h"
#include "test_platform.h"

namespace {

input_event key(int scancode, int repeat = 0, int alt = 0) {
  input_event e = {};
  e.type = INPUT_EVENT_KEY_DOWN;
  e.scancode = scancode;
  e.repeat = repeat;
  e.alt = alt;
  return e;
}
input_event event_of(int32_t type, int32_t button = 0) {
  input_event e = {};
  e.type = type;
  e.button = button;
  return e;
}

struct MainLoopTest : frontend_fixture {
  void SetUp() override {
    frontend_fixture::SetUp();
    rom = dir.at("fakegame.zip");
    ASSERT_EQ(fake_game_write_rom(rom.c_str()), 1);
    ASSERT_EQ(load_rom(rom.c_str()), 1);
    fe.feature_enabled[FEATURE_SAVE_STATES] = 1;
    fe.settings.pacing = 0;
    fe.settings.vsync = 1;
    fe.settings.autosave_exit = 1;
    fe.settings.pause_on_focus_loss = 1;
    start_game();
  }
  void TearDown() override {
    main_loop_pages = menu_page_table;
    frontend_fixture::TearDown();
  }
  // Frames the advance step runs for this many milliseconds since the last loop.
  int advance_ms(double ms) {
    const int before = fake.run_calls;
    main_loop_advance(uint64_t(ms * 1000.0));  // the test clock counts microseconds
    return fake.run_calls - before;
  }
  std::string rom;
};

TEST_F(MainLoopTest, ExactRatePacingRunsTheWholePeriodsOwedAtMostFour) {
  struct row {
    double elapsed_ms;
    int steps;
  };
  const row rows[] = {
      {16.667, 1}, {10.0, 0}, {10.0, 1},  // 20 ms owed: one frame, 3.3 ms left
      {500.0, 4},                         // a stall runs 4 frames, not 30
      {16.667, 1},                        // and leaves nothing owed beyond them
      {33.334, 2}, {0.0, 0},
  };
  for (const row& r : rows) EXPECT_EQ(advance_ms(r.elapsed_ms), r.steps) << r.elapsed_ms;
  advance_ms(1000.0);
  EXPECT_LE(fe.accumulator, 4 * 1000.0 / 60.0);
}

TEST_F(MainLoopTest, DisplaySyncRunsOneFramePerLoopOnlyNear60HzWithVsync) {
  fe.settings.pacing = 1;
  struct row {
    int32_t refresh, vsync;
    double elapsed_ms;
    int steps;
  };
  const row rows[] = {
      {60, 1, 0.0, 1},   {60, 1, 500.0, 1}, {59, 1, 5.0, 1},
      {61, 1, 5.0, 1},   {75, 1, 0.0, 0},   {75, 1, 16.667, 1},  // 75 Hz: exact game rate instead
      {75, 1, 500.0, 4}, {60, 0, 0.0, 0},                        // no vsync: exact game rate too
  };
  for (const row& r : rows) {
    tp.refresh = r.refresh;
    fe.settings.vsync = r.vsync;
    fe.accumulator = 0.0;
    EXPECT_EQ(advance_ms(r.elapsed_ms), r.steps) << r.refresh << " Hz, " << r.elapsed_ms;
  }
}

TEST_F(MainLoopTest, TheFrameLimitStopsSteppingExactlyAtItsFrame) {
  fe.frame_limit = 6;
  EXPECT_EQ(advance_ms(500.0), 4);
  EXPECT_EQ(advance_ms(500.0), 2);
  EXPECT_EQ(advance_ms(500.0), 0);
  EXPECT_EQ(fe.frame_counter, 6u);
  main_loop_iteration();
  EXPECT_EQ(fe.quit, 1);
  EXPECT_EQ(fe.running, 1);  // no stop, so no autosave
  EXPECT_EQ(fe.frame_counter, 6u);

  fe.settings.pacing = 1;  // display sync honours the limit as well
  tp.refresh = 60;
  EXPECT_EQ(advance_ms(16.667), 0);
}

TEST_F(MainLoopTest, HoldingRewindStepsBackOneSnapshotPerLoopThenStandsStill) {
  fe.settings.rewind = 1;
  reset_rewind_ring();
  for (int i = 0; i < 20; i++) advance_ms(1000.0 / 60.0 + 0.001);
  ASSERT_EQ(fe.rewind.count, 5);
  tp.input.keys[42] = 1;  // Backspace, the rewind hotkey
  const int frames = fake.run_calls;
  for (int loop = 0; loop < 6; loop++) advance_ms(100.0);
  EXPECT_EQ(fe.rewind.count, 1);      // four restored, the last one kept
  EXPECT_EQ(fake.run_calls, frames);  // no frame ran meanwhile
  EXPECT_EQ(fake.frame_count, 8u);    // the last one restored; frame 4's stays in the ring
  EXPECT_EQ(fe.rewinding, 1);
  EXPECT_EQ(fe.accumulator, 0.0);

  tp.input.keys[42] = 0;
  EXPECT_EQ(advance_ms(16.667), 1);
  EXPECT_EQ(fe.rewinding, 0);
}

TEST_F(MainLoopTest, TheRewindMarkGoesWheneverTheGameDoesNotAdvance) {
  fe.settings.rewind = 1;
  reset_rewind_ring();
  tp.input.keys[42] = 1;
  main_loop_iteration();
  EXPECT_EQ(fe.rewinding, 1);
  fe.paused = 1;
  main_loop_iteration();
  EXPECT_EQ(fe.rewinding, 0);
  fe.paused = 0;
  main_loop_iteration();
  EXPECT_EQ(fe.rewinding, 1);
  open_menu(MENU_PAGE_PAUSE);
  main_loop_iteration();
  EXPECT_EQ(fe.rewinding, 0);
  close_menu();
  free_rewind_ring();  // rewind off: holding the key does nothing
  main_loop_iteration();
  EXPECT_EQ(fe.rewinding, 0);
}

TEST_F(MainLoopTest, QuittingWhilePlayingAutosavesAndFocusLossPausesIntoTheMenu) {
  input_event focus = event_of(INPUT_EVENT_FOCUS_LOST);
  fe.settings.pause_on_focus_loss = 0;
  fe.held[3] = 0;
  main_loop_handle_event(&focus);
  EXPECT_EQ(fe.held[3], 1u);  // inputs released either way
  EXPECT_EQ(fe.menu_open, 0);
  fe.settings.pause_on_focus_loss = 1;
  main_loop_handle_event(&focus);
  EXPECT_EQ(fe.menu_open, 1);
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_PAUSE));

  input_event quit = event_of(INPUT_EVENT_QUIT);
  main_loop_handle_event(&quit);
  EXPECT_EQ(fe.quit, 1);
  EXPECT_EQ(fe.running, 0);
  EXPECT_TRUE(exists_at_all(dir.at("states/fakegame-1234ABCD/autosave.fest")));
}

TEST_F(MainLoopTest, AFileDroppedOnTheRunningGameOpensThePauseMenuRomSelectionAndTheQuestion) {
  open_audio();
  input_event drop = event_of(INPUT_EVENT_FILE_DROPPED);
  snprintf(drop.file, sizeof drop.file, "%s", rom.c_str());
  main_loop_handle_event(&drop);
  EXPECT_EQ(fe.menu_open, 1);
  ASSERT_EQ(fe.menu.depth, 3);
  EXPECT_EQ(fe.menu.page_stack[0], int32_t(MENU_PAGE_PAUSE));
  EXPECT_EQ(fe.menu.page_stack[1], int32_t(MENU_PAGE_ROM_SELECTION));
  EXPECT_EQ(fe.menu.page_stack[2], int32_t(MENU_PAGE_CONFIRM));
  EXPECT_EQ(fe.confirm_action, int32_t(CONFIRM_SWITCH_ROM));
  EXPECT_STREQ(fe.pending_rom_path, rom.c_str());
  EXPECT_EQ(tp.paused, 1);

  // An unusable file over the running game: the error stands on ROM Selection.
  close_menu();
  ASSERT_TRUE(write_text(dir.at("junk.zip"), "junk"));
  snprintf(drop.file, sizeof drop.file, "%s", dir.at("junk.zip").c_str());
  main_loop_handle_event(&drop);
  ASSERT_EQ(fe.menu.depth, 3);
  EXPECT_EQ(fe.menu.page_stack[1], int32_t(MENU_PAGE_ROM_SELECTION));
  EXPECT_EQ(fe.menu.page_stack[2], int32_t(MENU_PAGE_ERROR));

  // With no game running the set loads at once and ROM Selection goes again.
  stop_game(0);
  menu_show_only(MENU_PAGE_MAIN);
  snprintf(drop.file, sizeof drop.file, "%s", rom.c_str());
  main_loop_handle_event(&drop);
  EXPECT_EQ(fe.menu.depth, 1);
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_MAIN));
  EXPECT_EQ(std::string(fe.toast_text), "ROM ready: fakegame.zip");
}

TEST_F(MainLoopTest, ASecondFileDroppedWhileTheQuestionIsOpenReplacesItAndNothingComesBack) {
  const std::string second = dir.at("second.zip");
  ASSERT_EQ(fake_game_write_rom(second.c_str()), 1);
  log_capture log(dir.at("test.log"));
  input_event drop = event_of(INPUT_EVENT_FILE_DROPPED);
  snprintf(drop.file, sizeof drop.file, "%s", rom.c_str());
  main_loop_handle_event(&drop);
  snprintf(drop.file, sizeof drop.file, "%s", second.c_str());
  main_loop_handle_event(&drop);
  int confirmations = 0;
  for (int32_t i = 0; i < fe.menu.depth; i++)
    confirmations += fe.menu.page_stack[i] == MENU_PAGE_CONFIRM;
  EXPECT_EQ(confirmations, 1);
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_CONFIRM));
  EXPECT_STREQ(fe.confirm_text, "Switch to second.zip? The current game will end.");
  EXPECT_STREQ(fe.pending_rom_path, second.c_str());
  EXPECT_TRUE(log.has("Switch to fakegame.zip? The current game will end."));  // asked, and logged
  EXPECT_TRUE(log.has("Switch to second.zip? The current game will end."));

  // "No": the question goes and no other comes back in its place.
  fe.menu.nav_back = 1;
  main_loop_dispatch_page();
  EXPECT_NE(menu_top_page(), int32_t(MENU_PAGE_CONFIRM));
  for (int32_t i = 0; i < fe.menu.depth; i++) {
    EXPECT_NE(fe.menu.page_stack[i], int32_t(MENU_PAGE_CONFIRM)) << i;
  }
}

TEST_F(MainLoopTest, ControllerHotPlugRescansAndReleases) {
  fe.held[0] = 0;
  input_event added = event_of(INPUT_EVENT_PAD_ADDED);
  main_loop_handle_event(&added);
  EXPECT_EQ(fe.held[0], 1u);
  EXPECT_STREQ(fe.toast_text, "");  // no controller was opened (the toasts: controllers_test)
}

TEST_F(MainLoopTest, AltReturnTogglesFullScreenOnlyAndNeverActsAsReturn) {
  fe.settings.fullscreen = 0;
  fe.settings.window_scale = 3;
  fe.hotkeys[HOTKEY_SCREENSHOT] = {40, -1, -1};  // Return takes screenshots
  input_event alt_return = key(40, 0, 1);
  main_loop_handle_event(&alt_return);
  EXPECT_EQ(fe.settings.fullscreen, 1);
  EXPECT_EQ(tp.fullscreen, 1);
  EXPECT_STREQ(fe.toast_text, "");                // no screenshot
  EXPECT_FALSE(exists_at_all(fe.settings_path));  // settings are not written

  open_menu(MENU_PAGE_PAUSE);
  input_event repeated = key(40, 1, 1);  // repeats toggle too
  main_loop_handle_event(&repeated);
  EXPECT_EQ(fe.settings.fullscreen, 0);
  EXPECT_EQ(tp.fullscreen, 0);
  EXPECT_EQ(tp.window_w, 672);
  EXPECT_EQ(tp.window_h, 896);
  EXPECT_EQ(fe.menu.nav_accept, 0);  // the selected row is not activated
  input_event plain_return = key(40);
  main_loop_handle_event(&plain_return);
  EXPECT_EQ(fe.menu.nav_accept, 1);
}

TEST_F(MainLoopTest, MenuEventsSetTheirLatches) {
  open_menu(MENU_PAGE_PAUSE);
  struct row {
    input_event event;
    int32_t menu_state::*latch;
    int32_t value;
  };
  input_event wheel = event_of(INPUT_EVENT_MOUSE_WHEEL);
  wheel.wheel = -2;
  input_event left_click = event_of(INPUT_EVENT_MOUSE_BUTTON, 1);
  left_click.x = 30;
  input_event right_click = event_of(INPUT_EVENT_MOUSE_BUTTON, 3);
  const row rows[] = {
      {key(40), &menu_state::nav_accept, 1},
      {key(44), &menu_state::nav_accept, 1},
      {key(88), &menu_state::nav_accept, 1},
      {key(40, 1), &menu_state::nav_accept, 0},
      {key(41), &menu_state::nav_back, 1},
      {key(42), &menu_state::nav_back, 1},
      {key(41, 1), &menu_state::nav_back, 0},
      {key(43), &menu_state::row_action, 1},
      {key(76), &menu_state::row_action, 2},
      {key(75, 1), &menu_state::nav_page_up, 1},
      {key(78), &menu_state::nav_page_down, 1},
      {key(82, 1), &menu_state::nav_up, 1},
      {key(81), &menu_state::nav_down, 1},
      {key(80), &menu_state::nav_left, 1},
      {key(79), &menu_state::nav_right, 1},
      {event_of(INPUT_EVENT_PAD_BUTTON, 0), &menu_state::nav_accept, 1},
      {event_of(INPUT_EVENT_PAD_BUTTON, 1), &menu_state::nav_back, 1},
      {event_of(INPUT_EVENT_PAD_BUTTON, 3), &menu_state::row_action, 1},
      {event_of(INPUT_EVENT_PAD_BUTTON, 2), &menu_state::row_action, 2},
      {event_of(INPUT_EVENT_PAD_BUTTON, 9), &menu_state::nav_page_up, 1},
      {event_of(INPUT_EVENT_PAD_BUTTON, 10), &menu_state::nav_page_down, 1},
      {event_of(INPUT_EVENT_PAD_BUTTON, 11), &menu_state::nav_up, 1},
      {event_of(INPUT_EVENT_PAD_BUTTON, 12), &menu_state::nav_down, 1},
      {event_of(INPUT_EVENT_PAD_BUTTON, 13), &menu_state::nav_left, 1},
      {event_of(INPUT_EVENT_PAD_BUTTON, 14), &menu_state::nav_right, 1},
      {left_click, &menu_state::mouse_click, 1},
      {left_click, &menu_state::mouse_x, 30},
      {right_click, &menu_state::nav_back, 1},
      {wheel, &menu_state::wheel, -2},
  };
  for (const row& r : rows) {
    menu_state clean = fe.menu;
    clean.nav_up = clean.nav_down = clean.nav_left = clean.nav_right = 0;
    clean.nav_accept = clean.nav_back = clean.nav_page_up = clean.nav_page_down = 0;
    clean.row_action = clean.mouse_click = clean.wheel = clean.mouse_x = 0;
    fe.menu = clean;
    main_loop_handle_event(&r.event);
    EXPECT_EQ(fe.menu.*r.latch, r.value)
        << "type " << r.event.type << " code " << r.event.scancode << "/" << r.event.button;
  }
  EXPECT_EQ(fe.menu_open, 1);  // Escape in the menu is its back latch, not the hotkey
  EXPECT_EQ(fe.paused, 0);
}

TEST_F(MainLoopTest, MouseMotionCountsAsMovedOnlyAfterAnEarlierPosition) {
  open_menu(MENU_PAGE_PAUSE);
  input_event motion = event_of(INPUT_EVENT_MOUSE_MOTION);
  motion.x = 10;
  motion.y = 20;
  main_loop_handle_event(&motion);
  EXPECT_EQ(fe.menu.mouse_moved, 0);
  EXPECT_EQ(fe.menu.mouse_y, 20);
  main_loop_handle_event(&motion);
  EXPECT_EQ(fe.menu.mouse_moved, 0);  // the same place
  motion.x = 11;
  main_loop_handle_event(&motion);
  EXPECT_EQ(fe.menu.mouse_moved, 1);
}

std::vector<int32_t> raw_events;
void capture_event(const input_event* event) {
  raw_events.push_back(event->type);
}

TEST_F(MainLoopTest, APageThatTakesRawEventsGetsKeysButtonsAndAxesAndNoLatchIsSet) {
  menu_page_entry pages[MENU_PAGE_COUNT] = {};
  pages[MENU_PAGE_CAPTURE].event = capture_event;
  main_loop_pages = pages;
  raw_events.clear();
  open_menu(MENU_PAGE_CONTROLS);
  menu_push_page(MENU_PAGE_CAPTURE);
  input_event axis = event_of(INPUT_EVENT_PAD_AXIS);
  input_event click = event_of(INPUT_EVENT_MOUSE_BUTTON, 1);
  for (input_event e : {key(41), event_of(INPUT_EVENT_PAD_BUTTON, 0), axis, click}) {
    main_loop_handle_event(&e);
  }
  EXPECT_EQ(raw_events, (std::vector<int32_t>{INPUT_EVENT_KEY_DOWN, INPUT_EVENT_PAD_BUTTON,
                                              INPUT_EVENT_PAD_AXIS}));
  EXPECT_EQ(fe.menu.nav_back, 0);
  EXPECT_EQ(fe.menu.nav_accept, 0);
  EXPECT_EQ(fe.menu.mouse_click, 0);

  pages[MENU_PAGE_CAPTURE].event = nullptr;  // the capture page not built: still no latch
  input_event escape = key(41);
  main_loop_handle_event(&escape);
  EXPECT_EQ(fe.menu.nav_back, 0);
}

TEST_F(MainLoopTest, HotkeysActInTheirTiersOnlyWhileTheMenuIsClosed) {
  // Tier 1: Escape opens the pause menu even with the menu hotkey elsewhere; repeats do not.
  fe.hotkeys[HOTKEY_MENU] = {58, -1, 7};
  input_event held_escape = key(41, 1);
  main_loop_handle_event(&held_escape);
  EXPECT_EQ(fe.menu_open, 0);
  input_event escape = key(41);
  main_loop_handle_event(&escape);
  EXPECT_EQ(fe.menu_open, 1);
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_PAUSE));
  close_menu();
  input_event menu_button = event_of(INPUT_EVENT_PAD_BUTTON, 7);
  main_loop_handle_event(&menu_button);
  EXPECT_EQ(fe.menu_open, 1);
  close_menu();

  // Tier 2: a slot hotkey that matches ends the event, even when it cannot act.
  fe.hotkeys[HOTKEY_SCREENSHOT] = {62, -1, -1};  // F5 is also quick save
  fe.feature_enabled[FEATURE_SAVE_STATES] = 0;
  input_event f5 = key(62);
  main_loop_handle_event(&f5);
  EXPECT_FALSE(exists_at_all(dir.at("states/fakegame-1234ABCD/slot01.fest")));
  EXPECT_STREQ(fe.toast_text, "");  // and no screenshot either
  fe.feature_enabled[FEATURE_SAVE_STATES] = 1;
  main_loop_handle_event(&f5);
  EXPECT_TRUE(exists_at_all(dir.at("states/fakegame-1234ABCD/slot01.fest")));

  input_event f6 = key(63), f7 = key(64);
  main_loop_handle_event(&f6);
  EXPECT_EQ(fe.slot, 10);
  EXPECT_STREQ(fe.toast_text, "Slot 10");
  main_loop_handle_event(&f7);
  EXPECT_EQ(fe.slot, 1);
  EXPECT_STREQ(fe.toast_text, "Slot 1");

  // Tier 3: the first match only (pause before toggle_fps on a shared key).
  fe.hotkeys[HOTKEY_TOGGLE_FPS] = {19, -1, -1};  // P is also a pause key
  fe.settings.gadgets[GADGET_FPS].enabled = 0;
  fe.held[2] = 0;
  open_audio();
  const int clears = tp.clears;
  input_event p = key(19);
  main_loop_handle_event(&p);
  EXPECT_EQ(fe.paused, 1);
  EXPECT_EQ(fe.held[2], 1u);
  EXPECT_GT(tp.clears, clears);
  EXPECT_EQ(fe.settings.gadgets[GADGET_FPS].enabled, 0);
  fe.hotkeys[HOTKEY_TOGGLE_FPS] = {67, -1, -1};
  input_event f10 = key(67);
  main_loop_handle_event(&f10);
  EXPECT_EQ(fe.settings.gadgets[GADGET_FPS].enabled, 1);
  EXPECT_FALSE(exists_at_all(fe.settings_path));

  input_event f11 = key(68);
  main_loop_handle_event(&f11);
  EXPECT_EQ(fe.settings.fullscreen, 1);
  EXPECT_EQ(tp.fullscreen, 1);
  EXPECT_TRUE(exists_at_all(fe.settings_path));  // the fullscreen hotkey saves

  // Events other than presses do nothing while the menu is closed.
  input_event wheel = event_of(INPUT_EVENT_MOUSE_WHEEL);
  wheel.wheel = 3;
  main_loop_handle_event(&wheel);
  EXPECT_EQ(fe.menu.wheel, 0);
}

TEST_F(MainLoopTest, TheResetHotkeyOpensThePauseMenuThenAsks) {
  open_audio();
  tp.paused = 0;
  fe.held[1] = 0;
  input_event f3 = key(60);
  main_loop_handle_event(&f3);
  EXPECT_EQ(fe.menu_open, 1);
  ASSERT_EQ(fe.menu.depth, 2);
  EXPECT_EQ(fe.menu.page_stack[0], int32_t(MENU_PAGE_PAUSE));
  EXPECT_EQ(fe.menu.page_stack[1], int32_t(MENU_PAGE_CONFIRM));
  EXPECT_EQ(fe.confirm_action, int32_t(CONFIRM_RESTART));
  EXPECT_EQ(fe.confirm_value, 0);
  EXPECT_STREQ(fe.confirm_text, "Restart the game? Unsaved progress will be lost.");
  EXPECT_EQ(fe.menu.cursor[MENU_PAGE_CONFIRM], 1);
  EXPECT_EQ(fe.held[1], 1u);  // opened the usual way: inputs released, sound paused
  EXPECT_EQ(tp.paused, 1);
}

TEST_F(MainLoopTest, TheStickStepsTheMenuAtOnceThenAfter350AndEvery110Ms) {
  open_menu(MENU_PAGE_PAUSE);
  tp.input.controller_count = 2;
  tp.input.axes[1][SDL_CONTROLLER_AXIS_LEFTY] = 30000;  // the second controller, down
  // (ms since the stick was pushed, latch set)
  const int schedule[][2] = {{0, 1},   {1, 0},   {349, 0}, {350, 1},
                             {459, 0}, {460, 1}, {569, 0}, {570, 1}};
  const uint64_t start = tp.now;
  for (const auto& s : schedule) {
    tp.now = start + uint64_t(s[0]) * 1000;
    fe.menu.nav_down = 0;
    main_loop_stick_navigation(&tp.input);
    EXPECT_EQ(fe.menu.nav_down, s[1]) << s[0] << " ms";
  }
  // The first controller pushed, up and left at once: vertical first, and it wins.
  tp.input.axes[0][SDL_CONTROLLER_AXIS_LEFTY] = -25000;
  tp.input.axes[0][SDL_CONTROLLER_AXIS_LEFTX] = -25000;
  fe.menu.nav_up = fe.menu.nav_down = fe.menu.nav_left = 0;
  main_loop_stick_navigation(&tp.input);
  EXPECT_EQ(fe.menu.nav_up, 1);
  EXPECT_EQ(fe.menu.nav_down, 0);
  EXPECT_EQ(fe.menu.nav_left, 0);
  memset(tp.input.axes, 0, sizeof tp.input.axes);
  main_loop_stick_navigation(&tp.input);
  EXPECT_EQ(fe.stick_dir, 0);
}

TEST_F(MainLoopTest, TheControllerCombinationOpensThePauseMenuOncePerPress) {
  tp.input.controller_count = 1;
  tp.input.buttons[0][SDL_CONTROLLER_BUTTON_BACK] = 1;
  tp.input.buttons[0][SDL_CONTROLLER_BUTTON_START] = 1;
  main_loop_iteration();
  EXPECT_EQ(fe.menu_open, 1);
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_PAUSE));
  close_menu();
  main_loop_iteration();  // still held from the menu: it must be let go first
  EXPECT_EQ(fe.menu_open, 0);
  tp.input.buttons[0][SDL_CONTROLLER_BUTTON_START] = 0;
  main_loop_iteration();
  tp.input.buttons[0][SDL_CONTROLLER_BUTTON_START] = 1;
  main_loop_iteration();
  EXPECT_EQ(fe.menu_open, 1);
}

// A page table whose pages log what they saw.
struct page_call {
  int32_t page, depth, accept, mouse_x;
};
std::vector<page_call> page_calls;
template <int Page>
void logging_page() {
  page_calls.push_back({Page, fe.menu.depth, fe.menu.nav_accept, fe.menu.mouse_x});
}
void page_that_leaves() {
  page_calls.push_back({-1, fe.menu.depth, 0, 0});
  menu_pop_page();
}

struct PageDispatchTest : MainLoopTest {
  void SetUp() override {
    MainLoopTest::SetUp();
    pages[MENU_PAGE_MAIN].draw = logging_page<MENU_PAGE_MAIN>;
    pages[MENU_PAGE_PAUSE].draw = logging_page<MENU_PAGE_PAUSE>;
    pages[MENU_PAGE_PLAYER_CONTROLLERS].draw = logging_page<MENU_PAGE_PLAYER_CONTROLLERS>;
    pages[MENU_PAGE_ABOUT].draw = logging_page<MENU_PAGE_ABOUT>;
    pages[MENU_PAGE_ROM_SELECTION].draw = logging_page<MENU_PAGE_ROM_SELECTION>;
    pages[MENU_PAGE_CONFIRM].draw = logging_page<MENU_PAGE_CONFIRM>;
    pages[MENU_PAGE_ERROR].draw = logging_page<MENU_PAGE_ERROR>;
    main_loop_pages = pages;
    page_calls.clear();
    fe.menu_open = 1;
    fe.menu.nav_accept = 1;
    fe.menu.mouse_x = 500;
  }
  void stack(std::initializer_list<int32_t> ids) {
    fe.menu.depth = 0;
    for (int32_t id : ids) fe.menu.page_stack[fe.menu.depth++] = id;
  }
  menu_page_entry pages[MENU_PAGE_COUNT] = {};
};

TEST_F(PageDispatchTest, AnOverlayDrawsOverItsPageBeneathWhoseLatchesAreCleared) {
  stack({MENU_PAGE_PAUSE, MENU_PAGE_CONFIRM});
  main_loop_dispatch_page();
  ASSERT_EQ(page_calls.size(), 2u);
  EXPECT_EQ(page_calls[0].page, MENU_PAGE_PAUSE);
  EXPECT_EQ(page_calls[0].depth, 1);
  EXPECT_EQ(page_calls[0].accept, 0);
  EXPECT_EQ(page_calls[0].mouse_x, -1);
  EXPECT_EQ(page_calls[1].page, MENU_PAGE_CONFIRM);
  EXPECT_EQ(page_calls[1].depth, 2);
  EXPECT_EQ(page_calls[1].accept, 1);  // the overlay gets the latches back
  EXPECT_EQ(page_calls[1].mouse_x, 500);
}

TEST_F(PageDispatchTest, SomePagesAndOverlaysAreNotDrawnBeneathAnOverlay) {
  struct row {
    std::initializer_list<int32_t> stack;
    std::vector<int32_t> drawn;
  };
  const row rows[] = {
      {{MENU_PAGE_PLAYER_CONTROLLERS, MENU_PAGE_ERROR}, {MENU_PAGE_ERROR}},
      {{MENU_PAGE_ABOUT, MENU_PAGE_CONFIRM}, {MENU_PAGE_CONFIRM}},
      {{MENU_PAGE_ERROR, MENU_PAGE_CONFIRM}, {MENU_PAGE_CONFIRM}},
      {{MENU_PAGE_ROM_SELECTION, MENU_PAGE_ERROR}, {MENU_PAGE_ROM_SELECTION, MENU_PAGE_ERROR}},
      {{MENU_PAGE_CONFIRM}, {MENU_PAGE_CONFIRM}},                              // nothing beneath
      {{MENU_PAGE_MAIN, MENU_PAGE_ROM_SELECTION}, {MENU_PAGE_ROM_SELECTION}},  // no overlay
      {{}, {MENU_PAGE_MAIN}},     // nothing stacked: the Main Menu
      {{MENU_PAGE_DISPLAY}, {}},  // a page without a function draws nothing
  };
  for (const row& r : rows) {
    stack(r.stack);
    fe.running = 0;  // an empty stack then keeps the Main Menu
    page_calls.clear();
    main_loop_dispatch_page();
    std::vector<int32_t> drawn;
    for (const page_call& c : page_calls) drawn.push_back(c.page);
    EXPECT_EQ(drawn, r.drawn) << "top " << (r.stack.size() ? *(r.stack.end() - 1) : -1);
  }
}

TEST_F(PageDispatchTest, APageThatEmptiesTheStackClosesTheMenuOverTheGameElseLeavesTheMainMenu) {
  pages[MENU_PAGE_PAUSE].draw = page_that_leaves;
  stack({MENU_PAGE_PAUSE});
  main_loop_dispatch_page();
  EXPECT_EQ(fe.menu_open, 0);
  EXPECT_EQ(fe.release_wait, 1);

  stop_game(0);
  fe.menu_open = 1;
  stack({MENU_PAGE_PAUSE});
  main_loop_dispatch_page();
  EXPECT_EQ(fe.menu_open, 1);
  ASSERT_EQ(fe.menu.depth, 1);
  EXPECT_EQ(fe.menu.page_stack[0], int32_t(MENU_PAGE_MAIN));
}

TEST_F(MainLoopTest, TheLoopSleepsWithTheMenuOpenOrUntilTheNextFrameWithoutVsync) {
  open_menu(MENU_PAGE_PAUSE);
  tp.slept_ms = 0;
  main_loop_iteration();
  EXPECT_EQ(tp.slept_ms, 8u);

  close_menu();
  fe.settings.vsync = 1;
  tp.slept_ms = 0;
  main_loop_iteration();
  EXPECT_EQ(tp.slept_ms, 0u);  // vsync paces the loop

  fe.settings.vsync = 0;
  fe.last_loop = tp.now;
  test_clock_advance_ms(5.0);  // 5 ms owed: the next frame is 11.67 ms away
  main_loop_iteration();
  EXPECT_EQ(tp.slept_ms, 10u);
}

TEST_F(MainLoopTest, VsyncThatDoesNotHoldThePresentsIsNoticedAndTheLoopSleepsItself) {
  fake_game_write_rom(dir.at("fakegame.zip").c_str());
  ASSERT_EQ(load_rom(dir.at("fakegame.zip").c_str()), 1);
  start_game();
  fe.settings.vsync = 1;
  fe.fps_window_start = tp.now;
  fe.last_loop = tp.now;
  // A second of presents 2 ms apart, 500 a second: no display holds them back like that.
  tp.slept_ms = 0;
  for (int i = 0; i < 600 && !fe.vsync_unpaced; i++) {
    EXPECT_EQ(tp.slept_ms, 0u);  // trusted to pace until the count says otherwise
    test_clock_advance_ms(2.0);
    main_loop_iteration();
  }
  ASSERT_EQ(fe.vsync_unpaced, 1);
  EXPECT_GT(tp.slept_ms, 0u);
  // Presents at 144 Hz are a display's pace.
  fe.vsync_unpaced = 0;
  for (int i = 0; i < 300; i++) {
    test_clock_advance_ms(1000.0 / 144);
    main_loop_iteration();
  }
  EXPECT_EQ(fe.vsync_unpaced, 0);
}

TEST_F(MainLoopTest, OneBadSecondOfVsyncIsCheckedAgainWhenTheWindowShowsOrItsModeChanges) {
  fe.settings.pacing = 1;
  tp.refresh = 60;
  fe.fps_window_start = tp.now;
  fe.last_loop = tp.now;
  const auto bad_second = [] {  // a minimised window: presents return at once
    for (int i = 0; i < 600 && !fe.vsync_unpaced; i++) {
      test_clock_advance_ms(2.0);
      main_loop_iteration();
    }
    return fe.vsync_unpaced;
  };
  const auto display_paced = [this] { return advance_ms(0.0) == 1; };  // one frame a picture

  ASSERT_EQ(bad_second(), 1);
  EXPECT_FALSE(display_paced());
  input_event shown = event_of(INPUT_EVENT_WINDOW_SHOWN);
  main_loop_handle_event(&shown);
  EXPECT_TRUE(display_paced());

  ASSERT_EQ(bad_second(), 1);
  input_event alt_return = key(SDL_SCANCODE_RETURN, 0, 1);  // the window mode changes
  main_loop_handle_event(&alt_return);
  EXPECT_TRUE(display_paced());
}

TEST_F(MainLoopTest, TheFrameRateIsCountedOverWindowsOfASecondAndProfilingLogsEvery120Loops) {
  fe.fps_window_start = tp.now;
  fe.last_loop = tp.now;
  for (int i = 0; i < 60; i++) {
    test_clock_advance_ms(1000.0 / 60.0 + 0.01);
    main_loop_iteration();
  }
  EXPECT_NEAR(fe.fps, 60.0, 0.5);
  EXPECT_EQ(fe.frames_this_second, 0);

  setenv("FE_PROFILE", "1", 1);
  log_capture log(dir.at("test.log"));
  fe.profile_loops = 0;
  for (int i = 0; i < 120; i++) main_loop_iteration();
  unsetenv("FE_PROFILE");
  EXPECT_TRUE(log.has_prefix("profile: loop "));
  EXPECT_EQ(fe.profile_loops, 0);
}

}  // namespace
