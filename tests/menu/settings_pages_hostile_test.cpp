// Settings values no load would leave (a hand-edited settings.ini, a stray write) and awkward
// descriptor tables, driven through every settings page and the capture with every latch: each
// page still draws its rows, steps back into range and never reads outside a table (the
// sanitizer build runs this too).
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "frontend/frontend_state.h"
#include "frontend/input_event.h"
#include "menu/binding_capture.h"
#include "menu/menu_pages.h"
#include "menu_fixture.h"

namespace {

const adapter_dip_switch hostile_dips[] = {
    {.id = "none",
     .label = "No choices",
     .word = 0,
     .mask = 0x3,
     .default_value = 1,
     .choice_count = 0,
     .choices = {}},
    {.id = "many",
     .label = nullptr,
     .word = 3,
     .mask = 0xFFFF,
     .default_value = 0,
     .choice_count = UINT64_MAX,
     .choices = {{.label = nullptr, .value = UINT64_MAX}}},
    {.id = "far",
     .label = "Far",
     .word = INT_MAX,
     .mask = 0x1,
     .default_value = 1,
     .choice_count = 2,
     .choices = {{.label = "Off", .value = 0}, {.label = "On", .value = 1}}},
    {.id = "below",
     .label = "Below",
     .word = INT_MIN,
     .mask = 0x1,
     .default_value = 1,
     .choice_count = 2,
     .choices = {{.label = "Off", .value = 0}, {.label = "On", .value = 1}}},
};

class HostileSettings : public menu_fixture {
 protected:
  const game_adapter* game() override {
    static game_adapter descriptor = [] {
      game_adapter d = fake_game_descriptor;
      d.dip_switches = hostile_dips;
      d.dip_switch_count = 4;
      d.dip_word_count = 99;
      d.players = INT_MAX;
      d.rotation = UINT32_MAX;
      d.about = "no newline at the end";
      return d;
    }();
    return &descriptor;
  }

  void make_hostile() {
    frontend_settings& s = fe.settings;
    s.fullscreen = INT_MIN, s.window_scale = INT_MAX, s.scale_mode = INT_MIN;
    s.aspect_mode = INT_MAX, s.filter = -7, s.vsync = INT_MIN, s.pacing = INT_MAX;
    s.scanlines = INT_MIN, s.mask = INT_MAX, s.mask_strength = INT_MIN;
    s.brightness = INT_MAX, s.gamma = INT_MIN, s.border = INT_MIN, s.rotation = INT_MAX;
    s.volume = INT_MIN, s.mute = INT_MAX, s.latency_ms = INT_MAX;
    memset(s.device, 'x', sizeof s.device);  // not terminated
    s.device[sizeof s.device - 1] = '\0';
    s.accent = INT_MIN, s.deadzone = INT_MAX, s.menu_combo = INT_MIN;
    s.player_controller[0] = INT_MIN, s.player_controller[1] = INT_MAX;
    s.player_controller[2] = -2, s.player_controller[3] = 8;
    for (gadget_config& g : s.gadgets) g = {INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MIN};
    s.gadgets[1] = {INT_MAX, INT_MAX, INT_MIN, INT_MIN, INT_MAX};
    for (input_binding& b : fe.input_bindings) b = {INT_MAX, INT_MIN, INT_MAX};
    for (input_binding& b : fe.hotkeys) b = {INT_MIN, 600, INT_MIN};
    fe.underruns = fe.drops = UINT32_MAX;
  }

  // Every latch once, alone, on every row of the page on top.
  void drive(const std::vector<int32_t>& pages) {
    int32_t menu_state::*const latches[] = {&menu_state::nav_left,   &menu_state::nav_right,
                                            &menu_state::nav_accept, &menu_state::nav_up,
                                            &menu_state::nav_down,   &menu_state::nav_page_down};
    for (int32_t row = 0; row < 20; row++) {
      for (int32_t menu_state::*latch : latches) {
        restack(pages);
        fe.menu.cursor[pages.back()] = row;
        frame();
        fe.menu.*latch = 1;
        frame();
        for (int32_t action : {1, 2}) {
          restack(pages);
          fe.menu.cursor[pages.back()] = row;
          fe.menu.row_action = action;
          frame();
        }
      }
    }
    restack(pages);
    fe.menu.nav_back = 1;
    frame();
  }
  void restack(const std::vector<int32_t>& pages) {
    make_hostile();
    fe.menu_open = 1;
    fe.menu.depth = 0;
    for (int32_t page : pages) fe.menu.page_stack[fe.menu.depth++] = page;
  }
};

TEST_F(HostileSettings, EveryPageDrawsAndStepsWithoutReadingOutsideItsTables) {
  tp.devices = {"Speakers"};
  const std::vector<std::vector<int32_t>> stacks = {
      {MENU_PAGE_MAIN, MENU_PAGE_DISPLAY},
      {MENU_PAGE_MAIN, MENU_PAGE_AUDIO},
      {MENU_PAGE_MAIN, MENU_PAGE_CONTROLS},
      {MENU_PAGE_MAIN, MENU_PAGE_CONTROLS, MENU_PAGE_HOTKEYS},
      {MENU_PAGE_MAIN, MENU_PAGE_CONTROLS, MENU_PAGE_PLAYER_CONTROLLERS},
      {MENU_PAGE_MAIN, MENU_PAGE_GAMEPLAY},
      {MENU_PAGE_MAIN, MENU_PAGE_GADGETS},
      {MENU_PAGE_MAIN, MENU_PAGE_ABOUT},
      {MENU_PAGE_MAIN, MENU_PAGE_GADGETS, MENU_PAGE_GADGET_EDITOR},
  };
  game_running();
  for (const std::vector<int32_t>& pages : stacks) {
    SCOPED_TRACE(pages.back());
    const bool editor = pages.back() == MENU_PAGE_GADGET_EDITOR;
    for (int32_t target : {0, 1, 4}) {
      fe.gadget_target = target;
      drive(pages);
      if (!editor) break;
    }
  }
  // What the pages show for the worst of it.
  restack({MENU_PAGE_MAIN, MENU_PAGE_CONTROLS, MENU_PAGE_PLAYER_CONTROLLERS});
  frame();
  EXPECT_EQ(rows.find(MENU_PAGE_PLAYER_CONTROLLERS, "Player 1")->value,
            "Controller -2147483647 (not connected)");
  EXPECT_EQ(rows.find(MENU_PAGE_PLAYER_CONTROLLERS, "Player 3")->value,
            "Controller -1 (not connected)");
  EXPECT_EQ(rows.labels(MENU_PAGE_PLAYER_CONTROLLERS).size(), 5u);  // four players at most
  restack({MENU_PAGE_MAIN, MENU_PAGE_GAMEPLAY});
  frame();
  const std::vector<menu_row> dips = rows.of(MENU_PAGE_GAMEPLAY);
  ASSERT_GE(dips.size(), 4u);
  EXPECT_FALSE(dips[0].has_value);  // no choices
  EXPECT_EQ(dips[1].label, "");
  EXPECT_FALSE(dips[2].has_value);  // word beyond the four kept
  EXPECT_FALSE(dips[3].has_value);
  restack({MENU_PAGE_MAIN, MENU_PAGE_CONTROLS});
  frame();
  EXPECT_EQ(rows.find(MENU_PAGE_CONTROLS, "P1 Up")->value, "? / -   |   axis+");
}

TEST_F(HostileSettings, TheCaptureTakesNothingForATargetThatIsNoBinding) {
  struct target_case {
    int32_t target, hotkey;
  };
  for (const target_case& c :
       {target_case{-1, 0}, {FAKE_GAME_INPUTS, 0}, {INT_MAX, 0}, {HOTKEY_COUNT, 1}, {INT_MIN, 1}}) {
    SCOPED_TRACE(c.target);
    for (int32_t mode : {0, 1, 2, 7, -3}) {
      stack({MENU_PAGE_MAIN, MENU_PAGE_CONTROLS});
      menu_start_capture(c.target, mode, c.hotkey);
      input_event key = {};
      key.type = INPUT_EVENT_KEY_DOWN;
      key.scancode = 20;
      menu_page_table[MENU_PAGE_CAPTURE].event(&key);
      EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_CONTROLS));
      menu_start_capture(c.target, mode, c.hotkey);
      frame();  // the overlay closes itself
      EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_CONTROLS));
    }
  }
  // A real target in a mode that is none of the three takes no key either.
  stack({MENU_PAGE_MAIN, MENU_PAGE_CONTROLS});
  menu_start_capture(0, 7, 0);
  input_event key = {};
  key.type = INPUT_EVENT_KEY_DOWN;
  key.scancode = 20;
  menu_page_table[MENU_PAGE_CAPTURE].event(&key);
  EXPECT_EQ(fe.input_bindings[0].key, 82);
  EXPECT_EQ(fe.input_bindings[0].alt_key, 26);
  // Odd events: negative codes, unknown axes, other kinds.
  auto event = [](int32_t type, int32_t button, int32_t axis, int32_t value, int32_t scancode) {
    input_event e = {};
    e.type = type, e.button = button, e.axis = axis, e.value = value, e.scancode = scancode;
    return e;
  };
  for (const input_event& e :
       {event(INPUT_EVENT_PAD_BUTTON, -4, 0, 0, 0), event(INPUT_EVENT_PAD_AXIS, 0, -1, 32767, 0),
        event(INPUT_EVENT_PAD_AXIS, 0, 99, -32768, 0), event(INPUT_EVENT_KEY_DOWN, 0, 0, 0, -9),
        event(INPUT_EVENT_MOUSE_BUTTON, 1, 0, 0, 0), event(12345, 0, 0, 0, 0)}) {
    stack({MENU_PAGE_MAIN, MENU_PAGE_CONTROLS});
    menu_start_capture(0, CAPTURE_CONTROLLER, 0);
    menu_page_table[MENU_PAGE_CAPTURE].event(&e);
    EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_CAPTURE)) << e.type;
    EXPECT_EQ(fe.input_bindings[0].controller, 11);
  }
}

}  // namespace
