// The menu tests' fixture: the frontend fixture with the menu open on one page, drawn on a
// recording canvas, every emitted row logged, the fake game's ROM set loaded or not as the test
// says, and the clock past every fade-in. `frame()` runs one frame of the menu as the main loop
// would, after the test has set this frame's latches in fe.menu.
#pragma once

#include <cstdio>
#include <vector>

#include "canvas_recorder.h"
#include "fake_game.h"
#include "frontend/frontend_state.h"
#include "frontend_fixture.h"
#include "menu/menu_toolkit.h"
#include "menu_rows.h"
#include "test_platform.h"

class menu_fixture : public frontend_fixture {
 protected:
  void SetUp() override {
    frontend_fixture::SetUp();
    fe.draw = rec.target();
    fe.feature_enabled[FEATURE_SAVE_STATES] = 1;
    fe.menu.mouse_x = -1;
    fe.menu.mouse_y = -1;
    open_on(MENU_PAGE_MAIN);
  }

  // The menu open with these pages stacked, bottom first, the fade-in long over.
  void open_on(int32_t page) { stack({page}); }
  void stack(const std::vector<int32_t>& pages) {
    fe.menu_open = 1;
    fe.menu.depth = 0;
    for (int32_t page : pages) fe.menu.page_stack[fe.menu.depth++] = page;
    menu_restart_fade();
    test_clock_advance_ms(500);
  }

  // The fake game's ROM set loaded (rom_path "/roms/fakegame.zip"), and a game started on it.
  void rom_ready() {
    fake.loaded = 1;
    fe.rom_ready = 1;
    snprintf(fe.rom_path, sizeof fe.rom_path, "/roms/fakegame.zip");
    fe.rom_status[0] = '\0';
  }
  void game_running() {
    rom_ready();
    fe.running = 1;
  }

  // One frame of the menu: fresh records, the page dispatch, then the latches cleared.
  void frame() {
    rows.clear();
    rec.clear();
    run_menu_frame();
    test_clock_advance_ms(8);
  }

  // Puts the cursor of the page on top on `row` and runs one frame, which scrolls the row into
  // view, as moving there by keys would have.
  void select(int32_t row) {
    fe.menu.cursor[menu_top_page()] = row;
    frame();
  }

  // The mouse moved onto a point (this frame's latches).
  void move_mouse(int32_t x, int32_t y) {
    fe.menu.mouse_x = x;
    fe.menu.mouse_y = y;
    fe.menu.mouse_moved = 1;
  }
  // A point inside on-screen row `row` at ui unit 100 (rows are 48 high from y = 146; the list
  // starts at x = 40), for a page whose first row is on screen.
  static int32_t row_y(int32_t row) { return 146 + 48 * row + 20; }
  static constexpr int32_t ROW_X = 100;

  canvas_recorder rec;
  menu_row_log rows;
};
