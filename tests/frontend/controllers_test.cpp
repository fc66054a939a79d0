// Game controllers through SDL itself: virtual controllers are plugged in and out, the frontend
// rescans, and their buttons and sticks are read through the program's own platform table.
#include <gtest/gtest.h>

#include <SDL.h>

#include <string>
#include <vector>

#include "app/main_loop.h"
#include "frontend/bindings.h"
#include "frontend/frontend_state.h"
#include "frontend/input_event.h"
#include "frontend/platform.h"
#include "frontend_fixture.h"
#include "log_capture.h"
#include "virtual_controller.h"

namespace {

class ControllersTest : public frontend_fixture {
 protected:
  void SetUp() override {
    frontend_fixture::SetUp();
    if (HasFatalFailure()) return;
    if (SDL_NumJoysticks() != 0) GTEST_SKIP() << "a joystick is attached to this machine";
    platform = &platform_sdl;
  }

  // The neutral events of everything SDL has queued.
  static std::vector<int32_t> drain_events() {
    std::vector<int32_t> types;
    SDL_Event event;
    input_event translated;
    while (SDL_PollEvent(&event)) {
      if (input_event_from_sdl(&event, &translated) != INPUT_EVENT_NONE) {
        types.push_back(translated.type);
      }
    }
    return types;
  }
};

}  // namespace

TEST_F(ControllersTest, HotPluggedControllersAreOpenedInOrderAndReadThroughSdl) {
  log_capture log(fe.log_path);
  ASSERT_GE(attach_virtual_controller("Pad One"), 0) << SDL_GetError();
  EXPECT_EQ(drain_events(), std::vector<int32_t>{INPUT_EVENT_PAD_ADDED});
  rescan_controllers();
  ASSERT_EQ(fe.controller_count, 1);
  EXPECT_TRUE(log.has("controller 1: Pad One"));

  ASSERT_GE(attach_virtual_controller(""), 0) << SDL_GetError();  // SDL then has no name to give
  EXPECT_EQ(drain_events(), std::vector<int32_t>{INPUT_EVENT_PAD_ADDED});
  rescan_controllers();
  ASSERT_EQ(fe.controller_count, 2);
  EXPECT_TRUE(log.has("controller 2: ?"));

  // Player 2 (automatic: controller 1) holds A and pushes the left stick left.
  SDL_Joystick* second = SDL_GameControllerGetJoystick(fe.controllers[1]);
  SDL_JoystickSetVirtualButton(second, SDL_CONTROLLER_BUTTON_A, 1);
  SDL_JoystickSetVirtualAxis(second, SDL_CONTROLLER_AXIS_LEFTX, -20000);
  SDL_GameControllerUpdate();
  input_snapshot snapshot;
  platform->read_input(&snapshot);
  EXPECT_EQ(snapshot.controller_count, 2);
  fe.settings.player_controller[0] = fe.settings.player_controller[1] = -1;
  const input_binding a = {-1, -1, SDL_CONTROLLER_BUTTON_A};
  const input_binding left = {-1, -1, SDL_CONTROLLER_BUTTON_DPAD_LEFT};
  EXPECT_EQ(binding_pressed(&a, 2, &snapshot), 1);
  EXPECT_EQ(binding_pressed(&a, 1, &snapshot), 0);
  EXPECT_EQ(binding_pressed(&a, 0, &snapshot), 1);
  EXPECT_EQ(binding_pressed(&left, 2, &snapshot), 1);

  // Unplugging the first leaves the second as controller 1.
  drain_events();  // the button and stick motion above
  ASSERT_EQ(SDL_JoystickDetachVirtual(0), 0) << SDL_GetError();
  EXPECT_EQ(drain_events(), std::vector<int32_t>{INPUT_EVENT_PAD_REMOVED});
  rescan_controllers();
  ASSERT_EQ(fe.controller_count, 1);
  EXPECT_TRUE(log.has("controller 1: ?"));
  SDL_GameControllerUpdate();
  platform->read_input(&snapshot);
  EXPECT_EQ(binding_pressed(&a, 1, &snapshot), 1);
  EXPECT_EQ(binding_pressed(&a, 2, &snapshot), 0);  // player 2's controller is gone
}

TEST_F(ControllersTest, ANinthGameControllerIsNotOpened) {
  log_capture log(fe.log_path);
  for (int i = 1; i <= 9; i++) {
    ASSERT_GE(attach_virtual_controller(("Pad " + std::to_string(i)).c_str()), 0) << SDL_GetError();
  }
  rescan_controllers();
  EXPECT_EQ(fe.controller_count, FE_MAX_CONTROLLERS);
  EXPECT_TRUE(log.has("controller 8: Pad 8"));
  EXPECT_FALSE(log.has_prefix("controller 9:"));

  // A rescan closes what it had open first: the count does not grow.
  rescan_controllers();
  EXPECT_EQ(fe.controller_count, FE_MAX_CONTROLLERS);
  EXPECT_EQ(SDL_GameControllerName(fe.controllers[0]), std::string("Pad 1"));
}

TEST_F(ControllersTest, OnlyControllersThatAreOpenedAreToldAsConnectedOrDisconnected) {
  const auto plug_event = [](int32_t type) {
    input_event e = {};
    e.type = type;
    fe.toast_text[0] = '\0';
    main_loop_handle_event(&e);
    return std::string(fe.toast_text);
  };
  for (int i = 1; i <= 8; i++) {
    ASSERT_GE(attach_virtual_controller(("Pad " + std::to_string(i)).c_str()), 0) << SDL_GetError();
    EXPECT_EQ(plug_event(INPUT_EVENT_PAD_ADDED), "Controller connected") << i;
  }
  const int ninth = attach_virtual_controller("Pad 9");
  ASSERT_GE(ninth, 0) << SDL_GetError();
  EXPECT_EQ(plug_event(INPUT_EVENT_PAD_ADDED), "");  // not opened: nothing to tell
  ASSERT_EQ(SDL_JoystickDetachVirtual(ninth), 0) << SDL_GetError();
  EXPECT_EQ(plug_event(INPUT_EVENT_PAD_REMOVED), "");
  ASSERT_EQ(SDL_JoystickDetachVirtual(0), 0) << SDL_GetError();
  EXPECT_EQ(plug_event(INPUT_EVENT_PAD_REMOVED), "Controller disconnected");
  EXPECT_EQ(fe.controller_count, 7);
}
