// Bindings over input snapshots (keys, dead zone, player assignment, the stick as d-pad),
// hotkeys over neutral events, the controller menu combination and the names of binding codes.
#include <gtest/gtest.h>

#include <cstring>

#include "frontend/bindings.h"
#include "frontend/frontend_state.h"
#include "frontend_fixture.h"

using BindingsTest = frontend_fixture;

namespace {

enum { NONE = -1, EVERYTHING = -2 };

struct press_case {
  const char* what;
  input_binding binding;
  int32_t player;
  int32_t pads;        // open controllers in the snapshot
  int32_t assignment;  // the player's controller setting (players 1-4)
  int32_t key;         // scancode held, NONE, or EVERYTHING: every key and button held
  int32_t pad;         // controller with `button` held and `axis` at `value`, or NONE
  int32_t button;
  int32_t axis;
  int16_t value;
  int expected;
};

}  // namespace

TEST_F(BindingsTest, ABindingIsPressedByItsKeysAndByThePlayersController) {
  const int32_t LX = SDL_CONTROLLER_AXIS_LEFTX, LY = SDL_CONTROLLER_AXIS_LEFTY;
  const press_case cases[] = {
      // keys
      {"alternate key alone", {-1, 4, -1}, 1, 0, -1, 4, NONE, NONE, NONE, 0, 1},
      {"key -1 is no key", {-1, 4, -1}, 1, 0, -1, 5, NONE, NONE, NONE, 0, 0},
      {"key beyond the keyboard", {600, -1, -1}, 1, 0, -1, NONE, NONE, NONE, NONE, 0, 0},
      // dead zone 30: threshold 9830
      {"axis + at the threshold", {-1, -1, 101}, 0, 1, -1, NONE, 0, NONE, LX, 9830, 0},
      {"axis + past the threshold", {-1, -1, 101}, 0, 1, -1, NONE, 0, NONE, LX, 9831, 1},
      {"axis - at the threshold", {-1, -1, 100}, 0, 1, -1, NONE, 0, NONE, LX, -9830, 0},
      {"axis - past the threshold", {-1, -1, 100}, 0, 1, -1, NONE, 0, NONE, LX, -9831, 1},
      {"axis + pushed the other way", {-1, -1, 101}, 0, 1, -1, NONE, 0, NONE, LX, -30000, 0},
      // player assignment
      {"player 2 automatic reads controller 1", {-1, -1, 0}, 2, 2, -1, NONE, 1, 0, NONE, 0, 1},
      {"player 2 automatic ignores controller 0", {-1, -1, 0}, 2, 2, -1, NONE, 0, 0, NONE, 0, 0},
      {"player 2 with one controller open", {-1, -1, 0}, 2, 1, -1, NONE, 0, 0, NONE, 0, 0},
      {"player 2 keyboard without its controller", {89, -1, 0}, 2, 1, -1, 89, 0, 0, NONE, 0, 1},
      {"player 2 assigned controller 0", {-1, -1, 0}, 2, 2, 0, NONE, 0, 0, NONE, 0, 1},
      {"assignment not connected", {-1, -1, 0}, 1, 2, 5, NONE, 0, 0, NONE, 0, 0},
      {"assignment below -1 never matches", {-1, -1, 0}, 1, 2, -2, NONE, 0, 0, NONE, 0, 0},
      {"assignment below -1, all held", {-1, -1, 0}, 1, 2, -2, EVERYTHING, NONE, 0, NONE, 0, 0},
      {"player 0 any controller", {-1, -1, 6}, 0, 3, -1, NONE, 2, 6, NONE, 0, 1},
      {"player 0 with none open", {-1, -1, 6}, 0, 0, -1, NONE, 0, 6, NONE, 0, 0},
      {"player 5 has no controller", {-1, -1, 0}, 5, 8, -1, NONE, 4, 0, NONE, 0, 0},
      {"player 5 keyboard", {30, -1, 0}, 5, 8, -1, 30, NONE, NONE, NONE, 0, 1},
      // the left stick as d-pad, players 1-4 only
      {"d-pad left from the stick", {-1, -1, 13}, 1, 1, -1, NONE, 0, NONE, LX, -9831, 1},
      {"d-pad left, stick in dead zone", {-1, -1, 13}, 1, 1, -1, NONE, 0, NONE, LX, -9830, 0},
      {"d-pad left from the stick, player 0", {-1, -1, 13}, 0, 1, -1, NONE, 0, NONE, LX, -20000, 0},
      {"d-pad right from the stick", {-1, -1, 14}, 1, 1, -1, NONE, 0, NONE, LX, 20000, 1},
      {"d-pad up from the stick", {-1, -1, 11}, 1, 1, -1, NONE, 0, NONE, LY, -20000, 1},
      {"d-pad down from the stick", {-1, -1, 12}, 1, 1, -1, NONE, 0, NONE, LY, 20000, 1},
      {"d-pad down, stick up", {-1, -1, 12}, 1, 1, -1, NONE, 0, NONE, LY, -20000, 0},
      {"button A, stick pushed", {-1, -1, 0}, 1, 1, -1, NONE, 0, NONE, LX, -20000, 0},
      // codes beyond the snapshot read as released, never as another controller's state
      {"axis 7 of controller 0", {-1, -1, 115}, 1, 2, -1, NONE, 1, NONE, LY, 30000, 0},
      {"button 40 of controller 0", {-1, -1, 40}, 0, 2, -1, NONE, 1, 8, NONE, 0, 0},
  };
  for (const press_case& c : cases) {
    input_snapshot snapshot = {};
    snapshot.controller_count = c.pads;
    if (c.key == EVERYTHING) {
      memset(snapshot.keys, 1, sizeof snapshot.keys);
      memset(snapshot.buttons, 1, sizeof snapshot.buttons);
    } else if (c.key != NONE) {
      snapshot.keys[c.key] = 1;
    }
    if (c.pad != NONE && c.button != NONE) snapshot.buttons[c.pad][c.button] = 1;
    if (c.pad != NONE && c.axis != NONE) snapshot.axes[c.pad][c.axis] = c.value;
    fe.settings.deadzone = 30;
    for (int32_t p = 0; p < 4; p++) fe.settings.player_controller[p] = -1;
    if (c.player >= 1 && c.player <= 4) fe.settings.player_controller[c.player - 1] = c.assignment;
    EXPECT_EQ(binding_pressed(&c.binding, c.player, &snapshot), c.expected) << c.what;
  }
}

TEST_F(BindingsTest, TheDeadZoneThresholdIsThatPercentOfTheStickRange) {
  const int32_t cases[][2] = {{30, 9830}, {5, 1638}, {90, 29490}, {100, 32767}};
  for (const auto& c : cases) {
    fe.settings.deadzone = c[0];
    EXPECT_EQ(deadzone_threshold(), c[1]) << c[0];
  }
}

TEST_F(BindingsTest, HotkeysMatchFreshKeyPressesAndControllerButtonsButNeverAxes) {
  fe.hotkeys[HOTKEY_MENU] = input_binding{41, -1, 5};
  fe.hotkeys[HOTKEY_REWIND] = input_binding{-1, -1, 101};
  struct hotkey_case {
    const char* what;
    input_event event;
    int32_t hotkey;
    int expected;
  };
  auto key = [](int32_t scancode, int32_t repeat) {
    input_event e = {};
    e.type = INPUT_EVENT_KEY_DOWN;
    e.scancode = scancode;
    e.repeat = repeat;
    return e;
  };
  auto button = [](int32_t index) {
    input_event e = {};
    e.type = INPUT_EVENT_PAD_BUTTON;
    e.button = index;
    return e;
  };
  input_event axis = {};
  axis.type = INPUT_EVENT_PAD_AXIS;
  axis.axis = 0;
  axis.value = 32767;
  const hotkey_case cases[] = {
      {"its key", key(62, 0), HOTKEY_QUICK_SAVE, 1},
      {"its key held down (repeat)", key(62, 1), HOTKEY_QUICK_SAVE, 0},
      {"another key", key(63, 0), HOTKEY_QUICK_SAVE, 0},
      {"the alternate key", key(19, 0), HOTKEY_PAUSE, 1},
      {"its controller button", button(5), HOTKEY_MENU, 1},
      {"another button", button(6), HOTKEY_MENU, 0},
      {"a button against an axis code", button(101), HOTKEY_REWIND, 0},
      {"an axis", axis, HOTKEY_REWIND, 0},
      {"no such hotkey", key(41, 0), HOTKEY_COUNT, 0},
      {"a negative hotkey", key(41, 0), -1, 0},
  };
  for (const hotkey_case& c : cases) {
    EXPECT_EQ(hotkey_event_matches(&c.event, c.hotkey), c.expected) << c.what;
  }
  // A hotkey without an alternate key is not triggered by the scancode -1 of no key.
  input_event none = key(-1, 0);
  EXPECT_EQ(hotkey_event_matches(&none, HOTKEY_QUICK_SAVE), 0);
}

TEST_F(BindingsTest, TheMenuCombinationIsHeldOnAnyOpenController) {
  const int32_t BACK = SDL_CONTROLLER_BUTTON_BACK, START = SDL_CONTROLLER_BUTTON_START;
  const int32_t GUIDE = SDL_CONTROLLER_BUTTON_GUIDE, L3 = SDL_CONTROLLER_BUTTON_LEFTSTICK;
  const int32_t R3 = SDL_CONTROLLER_BUTTON_RIGHTSTICK;
  struct combo_case {
    int32_t combo;
    int32_t first, second;  // buttons held on controller 1, NONE for none
    int32_t pads;
    int expected;
  };
  const combo_case cases[] = {
      {0, BACK, START, 2, 1}, {0, BACK, NONE, 2, 0},   {0, BACK, START, 1, 0},
      {1, GUIDE, NONE, 2, 1}, {1, START, NONE, 2, 0},  {2, R3, NONE, 2, 1},
      {2, L3, NONE, 2, 0},    {3, L3, R3, 2, 1},       {3, R3, NONE, 2, 0},
      {4, GUIDE, R3, 2, 0},   {-1, BACK, START, 2, 0},
  };
  for (const combo_case& c : cases) {
    input_snapshot snapshot = {};
    snapshot.controller_count = c.pads;
    if (c.first != NONE) snapshot.buttons[1][c.first] = 1;
    if (c.second != NONE) snapshot.buttons[1][c.second] = 1;
    fe.settings.menu_combo = c.combo;
    EXPECT_EQ(menu_combo_held(&snapshot), c.expected)
        << "combo " << c.combo << " buttons " << c.first << "," << c.second;
  }
}

TEST(ControllerBindingName, NamesButtonsFurtherButtonsAndStickDirections) {
  const struct {
    int32_t code;
    const char* name;
  } cases[] = {
      {-1, "-"},
      {-7, "-"},
      {0, "A"},
      {6, "Start"},
      {11, "D-Up"},
      {20, "Touchpad"},
      {21, "Button 21"},
      {57, "Button 57"},
      {99, "Button 99"},
      {100, "leftx-"},
      {101, "leftx+"},
      {103, "lefty+"},
      {110, "righttrigger-"},
      {112, "axis-"},
      {2000001, "axis+"},
  };
  for (const auto& c : cases) {
    char name[48];
    controller_binding_name(c.code, name, sizeof name);
    EXPECT_STREQ(name, c.name) << c.code;
  }
}
