// The Controls, Hotkeys and Player Controllers pages and the binding capture: the binding rows'
// texts, clearing and the three ways into a capture, the overlay's prompt and countdown, which
// events a capture takes in each mode (Escape, repeats, buttons, axes past 24,000), a caught
// stick direction held for the menu's stick navigation, and the same through SDL with a
// virtual game controller.
#include <gtest/gtest.h>

#include <SDL.h>

#include <climits>
#include <string>
#include <vector>

#include "frontend/bindings.h"
#include "frontend/frontend_state.h"
#include "frontend/input_event.h"
#include "frontend/platform.h"
#include "frontend/settings_model.h"
#include "menu/binding_capture.h"
#include "menu/input_pages.h"
#include "menu/menu_pages.h"
#include "menu_fixture.h"
#include "virtual_controller.h"

namespace {

const char BINDING_HINT[] =
    "Enter: set key.  Right: set alternate key.  Y or Tab: set controller button.  Delete/X: "
    "clear.";
const int32_t FIRST_BINDING_ROW = 4;  // after the combination, two links and the dead zone

input_event key_down(int32_t scancode, int32_t repeat = 0) {
  input_event e = {};
  e.type = INPUT_EVENT_KEY_DOWN;
  e.scancode = scancode;
  e.repeat = repeat;
  return e;
}
input_event button_down(int32_t button) {
  input_event e = {};
  e.type = INPUT_EVENT_PAD_BUTTON;
  e.button = button;
  return e;
}
input_event axis_motion(int32_t axis, int32_t value) {
  input_event e = {};
  e.type = INPUT_EVENT_PAD_AXIS;
  e.axis = axis;
  e.value = value;
  return e;
}

class InputPages : public menu_fixture {
 protected:
  void SetUp() override {
    menu_fixture::SetUp();
    stack({MENU_PAGE_MAIN, MENU_PAGE_CONTROLS});
  }
  // The event handed to the page on top, as the main loop routes it.
  void send(const input_event& event) {
    const menu_page_entry& entry = menu_page_table[menu_top_page()];
    ASSERT_NE(entry.event, nullptr) << "the page on top takes no events";
    entry.event(&event);
  }
  // A capture started from a row of the Controls page by a latch.
  void start_on_row(int32_t row, int32_t menu_state::*latch, int32_t value = 1) {
    select(row);
    fe.menu.*latch = value;
    frame();
  }
  const input_binding& p1_up() const { return fe.input_bindings[0]; }
};

TEST_F(InputPages, BindingRowsNameBothKeysAndTheControllerInput) {
  fe.input_bindings[1] = {-1, SDL_SCANCODE_KP_5, 105};  // P1 Down: right stick pushed right
  fe.input_bindings[2] = {9999, -7, 57};                // P1 Left: numbers SDL does not name
  frame();
  const std::vector<menu_row> list = rows.of(MENU_PAGE_CONTROLS);
  ASSERT_EQ(list.size(), 4u + FAKE_GAME_INPUTS + 1);
  EXPECT_EQ(list[4].label, "P1 Up");
  EXPECT_EQ(list[4].value, "Up / W   |   D-Up");
  EXPECT_TRUE(list[4].has_step);
  EXPECT_EQ(list[4].hint, BINDING_HINT);
  EXPECT_EQ(list[5].value, "- / Keypad 5   |   rightx+");
  EXPECT_EQ(list[6].value, "? / -   |   Button 57");
  EXPECT_EQ(list[13].label, "Service");
  EXPECT_EQ(list[13].value, "9 / -   |   -");
  EXPECT_EQ(list.back().label, "Restore Default Controls");
  EXPECT_NE(
      rec.find_text("Enter: keyboard   Right: alternate key   Y/Tab: controller   Del: clear"),
      nullptr);
}

TEST_F(InputPages, DeleteOrXClearsAllThreeFieldsOfTheSelectedRowOnly) {
  start_on_row(FIRST_BINDING_ROW, &menu_state::row_action, 2);
  EXPECT_EQ(p1_up().key, -1);
  EXPECT_EQ(p1_up().alt_key, -1);
  EXPECT_EQ(p1_up().controller, -1);
  EXPECT_EQ(fe.input_bindings[1].key, 81);  // the next row is untouched
  frame();
  EXPECT_EQ(rows.find(MENU_PAGE_CONTROLS, "P1 Up")->value, "- / -   |   -");
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_CONTROLS));
}

TEST_F(InputPages, EnterRightAndTabStartTheThreeCapturesAndLeftDoesNothing) {
  struct start_case {
    int32_t menu_state::*latch;
    int32_t value;
    int32_t mode;  // -1: no capture
  };
  const start_case cases[] = {{&menu_state::nav_accept, 1, CAPTURE_KEY},
                              {&menu_state::nav_right, 1, CAPTURE_ALT_KEY},
                              {&menu_state::row_action, 1, CAPTURE_CONTROLLER},
                              {&menu_state::nav_left, 1, -1}};
  for (const start_case& c : cases) {
    SCOPED_TRACE(c.mode);
    stack({MENU_PAGE_MAIN, MENU_PAGE_CONTROLS});
    fe.capture_target = -1;
    const uint64_t before = tp.now;
    start_on_row(FIRST_BINDING_ROW + 2, c.latch, c.value);
    if (c.mode < 0) {
      EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_CONTROLS));
      continue;
    }
    ASSERT_EQ(menu_top_page(), int32_t(MENU_PAGE_CAPTURE));
    EXPECT_EQ(fe.capture_target, 2);
    EXPECT_EQ(fe.capture_mode, c.mode);
    EXPECT_EQ(fe.capture_hotkey, 0);
    EXPECT_GT(fe.capture_start, before);
  }
  // The same on the Hotkeys page marks the target as a hotkey.
  stack({MENU_PAGE_MAIN, MENU_PAGE_CONTROLS, MENU_PAGE_HOTKEYS});
  select(HOTKEY_PAUSE);
  fe.menu.row_action = 1;
  frame();
  ASSERT_EQ(menu_top_page(), int32_t(MENU_PAGE_CAPTURE));
  EXPECT_EQ(fe.capture_target, int32_t(HOTKEY_PAUSE));
  EXPECT_EQ(fe.capture_mode, CAPTURE_CONTROLLER);
  EXPECT_EQ(fe.capture_hotkey, 1);
}

TEST_F(InputPages, TheHotkeysPageListsTheElevenHotkeys) {
  stack({MENU_PAGE_MAIN, MENU_PAGE_CONTROLS, MENU_PAGE_HOTKEYS});
  frame();
  const std::vector<menu_row> list = rows.of(MENU_PAGE_HOTKEYS);
  ASSERT_EQ(list.size(), size_t(HOTKEY_COUNT));
  EXPECT_EQ(list[0].label, "Quick Menu");
  EXPECT_EQ(list[0].value, "Escape / -   |   -");
  EXPECT_EQ(list[0].hint, "Esc is always available as a fallback for the menu.");
  EXPECT_EQ(list[8].label, "Pause");
  EXPECT_EQ(list[8].value, "Pause / P   |   -");
  for (size_t i = 1; i < list.size(); i++) EXPECT_FALSE(list[i].has_hint) << i;
  EXPECT_NE(rec.find_text("Enter: key   Right: alternate key   Y/Tab: controller   Del: clear"),
            nullptr);
}

TEST_F(InputPages, RestoringDefaultControlsAsksFirst) {
  fe.settings.menu_combo = 2;
  frame();
  select(int32_t(rows.of(MENU_PAGE_CONTROLS).size()) - 1);
  fe.menu.nav_accept = 1;
  frame();
  ASSERT_EQ(menu_top_page(), int32_t(MENU_PAGE_CONFIRM));
  EXPECT_EQ(fe.confirm_action, int32_t(CONFIRM_DEFAULT_CONTROLS));
  EXPECT_EQ(fe.confirm_value, 0);
  EXPECT_STREQ(fe.confirm_text, "Restore all default keyboard and controller mappings?");
  EXPECT_EQ(fe.settings.menu_combo, 2);  // nothing yet
}

TEST_F(InputPages, TheOverlayPromptsNamesTheTargetAndCountsDownOverThePageBeneath) {
  start_on_row(FIRST_BINDING_ROW + 4, &menu_state::nav_accept);  // P1 Button 1
  frame();
  EXPECT_FALSE(rows.of(MENU_PAGE_CONTROLS).empty());  // the page beneath is drawn
  const recorded_text* prompt = rec.find_text("Press a key for");
  ASSERT_NE(prompt, nullptr);
  EXPECT_EQ(prompt->x, 640);
  EXPECT_EQ(prompt->y, 380 - 70);
  EXPECT_EQ(prompt->size, 24);
  const recorded_text* name = nullptr;  // the overlay's, not the row's of the page beneath
  for (const recorded_text& t : rec.texts) {
    if (t.text == "P1 Button 1" && t.x == 640) name = &t;
  }
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->y, 380 - 30);
  EXPECT_EQ(name->size, 36);
  EXPECT_EQ(name->color, menu_accent_color());
  EXPECT_NE(rec.find_text("Waiting 5 s  -  Esc cancels"), nullptr);

  test_clock_advance_ms(2592);  // 2.4 s left
  frame();
  EXPECT_NE(rec.find_text("Waiting 2 s  -  Esc cancels"), nullptr);
  test_clock_advance_ms(2380);  // 0.012 s left: never below zero
  frame();
  EXPECT_NE(rec.find_text("Waiting 0 s  -  Esc cancels"), nullptr);
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_CAPTURE));
  test_clock_advance_ms(20);
  frame();
  EXPECT_NE(rec.find_text("Waiting 0 s  -  Esc cancels"), nullptr);
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_CONTROLS));  // timed out, nothing stored
  EXPECT_EQ(fe.input_bindings[4].key, 29);

  start_on_row(FIRST_BINDING_ROW + 4, &menu_state::row_action, 1);
  frame();
  EXPECT_NE(rec.find_text("Press a controller button or move a stick for"), nullptr);
}

TEST_F(InputPages, EachEventEndsOrLeavesTheCaptureByItsMode) {
  struct event_case {
    const char* what;
    int32_t target, hotkey, mode;
    input_event event;
    bool ends;
    input_binding after;  // of the target
  };
  const input_binding up = {82, 26, 11}, menu = {41, -1, -1};
  const event_case cases[] = {
      {"a key", 0, 0, CAPTURE_KEY, key_down(SDL_SCANCODE_K), true, {14, 26, 11}},
      {"an alternate key", 0, 0, CAPTURE_ALT_KEY, key_down(SDL_SCANCODE_K), true, {82, 14, 11}},
      {"a repeat", 0, 0, CAPTURE_KEY, key_down(SDL_SCANCODE_K, 1), false, up},
      {"Escape cancels", 0, 0, CAPTURE_KEY, key_down(SDL_SCANCODE_ESCAPE), true, up},
      {"Escape cancels a controller capture", 0, 0, CAPTURE_CONTROLLER,
       key_down(SDL_SCANCODE_ESCAPE), true, up},
      {"Escape cancels another hotkey",
       HOTKEY_PAUSE,
       1,
       CAPTURE_KEY,
       key_down(SDL_SCANCODE_ESCAPE),
       true,
       {72, 19, -1}},
      {"the menu hotkey takes Escape", HOTKEY_MENU, 1, CAPTURE_KEY, key_down(SDL_SCANCODE_ESCAPE),
       true, menu},
      {"the menu hotkey takes Escape as its alternate key",
       HOTKEY_MENU,
       1,
       CAPTURE_ALT_KEY,
       key_down(SDL_SCANCODE_ESCAPE),
       true,
       {41, 41, -1}},
      {"Escape does nothing to the menu hotkey's controller capture", HOTKEY_MENU, 1,
       CAPTURE_CONTROLLER, key_down(SDL_SCANCODE_ESCAPE), false, menu},
      {"a controller capture ignores keys", 0, 0, CAPTURE_CONTROLLER, key_down(SDL_SCANCODE_K),
       false, up},
      {"a button", 0, 0, CAPTURE_CONTROLLER, button_down(3), true, {82, 26, 3}},
      {"a key capture ignores buttons", 0, 0, CAPTURE_KEY, button_down(3), false, up},
      {"a key capture ignores sticks", 0, 0, CAPTURE_ALT_KEY, axis_motion(2, 30000), false, up},
      {"an axis at 24000", 0, 0, CAPTURE_CONTROLLER, axis_motion(2, 24000), false, up},
      {"an axis at -24000", 0, 0, CAPTURE_CONTROLLER, axis_motion(2, -24000), false, up},
      {"an axis past 24000", 0, 0, CAPTURE_CONTROLLER, axis_motion(2, 24001), true, {82, 26, 105}},
      {"an axis past -24000",
       0,
       0,
       CAPTURE_CONTROLLER,
       axis_motion(2, -24001),
       true,
       {82, 26, 104}},
      {"a trigger", 0, 0, CAPTURE_CONTROLLER, axis_motion(5, 32767), true, {82, 26, 111}},
      {"a stick all the way",
       0,
       0,
       CAPTURE_CONTROLLER,
       axis_motion(0, -32768),
       true,
       {82, 26, 100}},
  };
  for (const event_case& c : cases) {
    SCOPED_TRACE(c.what);
    set_default_bindings();
    stack({MENU_PAGE_MAIN, c.hotkey ? int32_t(MENU_PAGE_HOTKEYS) : int32_t(MENU_PAGE_CONTROLS)});
    menu_start_capture(c.target, c.mode, c.hotkey);
    ASSERT_EQ(menu_top_page(), int32_t(MENU_PAGE_CAPTURE));
    send(c.event);
    EXPECT_EQ(menu_top_page() != MENU_PAGE_CAPTURE, c.ends);
    const input_binding& b = c.hotkey ? fe.hotkeys[c.target] : fe.input_bindings[c.target];
    EXPECT_EQ(b.key, c.after.key);
    EXPECT_EQ(b.alt_key, c.after.alt_key);
    EXPECT_EQ(b.controller, c.after.controller);
  }
}

TEST_F(InputPages, ACaughtLeftStickDirectionStaysHeldForTheStickNavigation) {
  struct stick_case {
    int32_t axis, value, dir;  // dir 0: the navigation is left alone
  };
  const stick_case cases[] = {{1, -30000, 1}, {1, 30000, 2}, {0, -30000, 3},
                              {0, 30000, 4},  {2, 30000, 0}, {4, 30000, 0}};
  for (const stick_case& c : cases) {
    SCOPED_TRACE(testing::Message() << "axis " << c.axis << " value " << c.value);
    fe.stick_dir = 0;
    fe.stick_next = 12345;
    stack({MENU_PAGE_MAIN, MENU_PAGE_CONTROLS});
    menu_start_capture(0, CAPTURE_CONTROLLER, 0);
    send(axis_motion(c.axis, c.value));
    EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_CONTROLS));
    EXPECT_EQ(fe.stick_dir, c.dir);
    EXPECT_EQ(fe.stick_next, c.dir ? UINT64_MAX : 12345u);
  }
}

TEST_F(InputPages, APlayerIndexBelowMinusOneShowsAsNotConnectedAndStepsBackIntoRange) {
  stack({MENU_PAGE_MAIN, MENU_PAGE_CONTROLS, MENU_PAGE_PLAYER_CONTROLLERS});
  fe.settings.player_controller[0] = -5;
  fe.settings.player_controller[1] = INT_MAX;
  frame();
  EXPECT_EQ(rows.find(MENU_PAGE_PLAYER_CONTROLLERS, "Player 1")->value,
            "Controller -4 (not connected)");
  EXPECT_EQ(rows.find(MENU_PAGE_PLAYER_CONTROLLERS, "Player 2")->value,
            "Controller 2147483648 (not connected)");
  fe.menu.nav_right = 1;
  frame();
  EXPECT_EQ(fe.settings.player_controller[0], -1);
  select(1);
  fe.menu.nav_left = 1;
  frame();
  EXPECT_EQ(fe.settings.player_controller[1], 7);
}

TEST_F(InputPages, ThePlayerRowsFollowTheGamesPlayerCount) {
  struct players_case {
    int32_t players;
    size_t rows;
  };
  for (const players_case& c : {players_case{0, 2}, {-3, 2}, {1, 1}, {3, 3}, {4, 4}, {9, 4}}) {
    fe.adapter_copy.players = c.players;
    stack({MENU_PAGE_MAIN, MENU_PAGE_CONTROLS, MENU_PAGE_PLAYER_CONTROLLERS});
    frame();
    const std::vector<std::string> labels = rows.labels(MENU_PAGE_PLAYER_CONTROLLERS);
    ASSERT_EQ(labels.size(), c.rows + 1) << c.players;
    EXPECT_EQ(labels[c.rows - 1], "Player " + std::to_string(c.rows));
    EXPECT_EQ(labels.back(), "No controllers connected");
  }
  const menu_row* none = rows.find(MENU_PAGE_PLAYER_CONTROLLERS, "No controllers connected");
  EXPECT_FALSE(none->enabled);
  EXPECT_EQ(none->hint, "Plug one in at any time; it is detected automatically.");
}

// Through SDL: a virtual game controller, its events translated as the main loop does.
class InputPagesWithAController : public InputPages {
 protected:
  void SetUp() override {
    InputPages::SetUp();
    if (HasFatalFailure()) return;
    if (SDL_NumJoysticks() != 0) GTEST_SKIP() << "a joystick is attached to this machine";
    platform = &platform_sdl;
    fe.frequency = platform->frequency();
    ASSERT_GE(attach_virtual_controller("Pad One"), 0) << SDL_GetError();
    rescan_controllers();
    ASSERT_EQ(fe.controller_count, 1);
    pad = SDL_GameControllerGetJoystick(fe.controllers[0]);
    drain();
  }
  // Every queued SDL event that the menu's routing hands on, sent to the page on top.
  void drain() {
    SDL_Event event;
    input_event translated;
    while (SDL_PollEvent(&event)) {
      const int32_t type = input_event_from_sdl(&event, &translated);
      if (type == INPUT_EVENT_KEY_DOWN || type == INPUT_EVENT_PAD_BUTTON ||
          type == INPUT_EVENT_PAD_AXIS) {
        if (menu_page_table[menu_top_page()].event)
          menu_page_table[menu_top_page()].event(&translated);
      }
    }
  }
  void press(int button) {
    SDL_JoystickSetVirtualButton(pad, button, 1);
    SDL_GameControllerUpdate();
    drain();
    SDL_JoystickSetVirtualButton(pad, button, 0);
    SDL_GameControllerUpdate();
    drain();
  }
  void tilt(int axis, int16_t value) {
    SDL_JoystickSetVirtualAxis(pad, axis, value);
    SDL_GameControllerUpdate();
    drain();
  }
  SDL_Joystick* pad = nullptr;
};

TEST_F(InputPagesWithAController, AButtonAndAStickAreCapturedFromTheController) {
  start_on_row(FIRST_BINDING_ROW + 1, &menu_state::row_action, 1);  // P1 Down
  ASSERT_EQ(menu_top_page(), int32_t(MENU_PAGE_CAPTURE));
  tilt(SDL_CONTROLLER_AXIS_RIGHTX, 20000);  // not far enough
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_CAPTURE));
  tilt(SDL_CONTROLLER_AXIS_RIGHTX, 0);
  press(SDL_CONTROLLER_BUTTON_Y);
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_CONTROLS));
  EXPECT_EQ(fe.input_bindings[1].controller, int32_t(SDL_CONTROLLER_BUTTON_Y));
  EXPECT_EQ(fe.input_bindings[1].key, 81);  // the keys stay

  start_on_row(FIRST_BINDING_ROW + 1, &menu_state::row_action, 1);
  tilt(SDL_CONTROLLER_AXIS_LEFTY, -30000);
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_CONTROLS));
  EXPECT_EQ(fe.input_bindings[1].controller, 102);
  EXPECT_EQ(fe.stick_dir, 1);  // up, held until the stick comes back
  EXPECT_EQ(fe.stick_next, UINT64_MAX);
  frame();
  EXPECT_EQ(rows.find(MENU_PAGE_CONTROLS, "P1 Down")->value, "Down / S   |   lefty-");

  // A key capture lets the controller be.
  tilt(SDL_CONTROLLER_AXIS_LEFTY, 0);
  start_on_row(FIRST_BINDING_ROW + 1, &menu_state::nav_accept);
  press(SDL_CONTROLLER_BUTTON_A);
  tilt(SDL_CONTROLLER_AXIS_LEFTX, 32767);
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_CAPTURE));
  EXPECT_EQ(fe.input_bindings[1].controller, 102);
}

TEST_F(InputPagesWithAController,
       ThePlayerPageNamesTheConnectedControllerAndOnlyRealIndicesDriveAPlayer) {
  stack({MENU_PAGE_MAIN, MENU_PAGE_CONTROLS, MENU_PAGE_PLAYER_CONTROLLERS});
  fe.settings.player_controller[0] = 0;
  fe.settings.player_controller[1] = -1;
  frame();
  const std::vector<menu_row> list = rows.of(MENU_PAGE_PLAYER_CONTROLLERS);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].value, "1: Pad One");
  EXPECT_EQ(list[1].value, "Automatic");
  EXPECT_EQ(list[2].label, "Connected 1");
  EXPECT_EQ(list[2].value, "Pad One");
  EXPECT_FALSE(list[2].enabled);

  // Player 1 on controller 0 sees its A button; on -5 (or 1, not connected) nothing does.
  SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_A, 1);
  SDL_GameControllerUpdate();
  input_snapshot snapshot;
  platform->read_input(&snapshot);
  const input_binding a = {-1, -1, SDL_CONTROLLER_BUTTON_A};
  EXPECT_EQ(binding_pressed(&a, 1, &snapshot), 1);
  for (int32_t index : {-5, INT_MIN, 1, 7}) {
    fe.settings.player_controller[0] = index;
    EXPECT_EQ(binding_pressed(&a, 1, &snapshot), 0) << index;
    frame();
    EXPECT_EQ(rows.find(MENU_PAGE_PLAYER_CONTROLLERS, "Player 1")->value,
              "Controller " + std::to_string(int64_t(index) + 1) + " (not connected)");
  }
}

}  // namespace
