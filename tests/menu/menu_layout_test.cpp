// The menu's layout as geometry, over a table of window sizes and every page with each of its
// rows selected in turn, with this game's own labels (the real descriptor's tables on the fake
// game's operations): no text is drawn over another, none runs past the window's sides, no
// picture beside the list covers a row, and from 640 x 480 up no text is smaller than 13 pixels.
// Drawn on the recording canvas with the built-in font's real widths.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "adapter/game_adapter.h"
#include "app/main_loop.h"
#include "fake_game.h"
#include "frontend/messages.h"
#include "frontend/slots.h"
#include "menu/binding_capture.h"
#include "menu_fixture.h"

namespace {

struct window_size {
  int32_t w, h;
};
const window_size sizes[] = {{320, 299}, {448, 597},  {640, 480},
                             {672, 896}, {1280, 760}, {1920, 1080}};

struct rect {
  int32_t x0, y0, x1, y1;  // half-open
  bool meets(const rect& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
  bool holds(int32_t x, int32_t y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

// What a text covers: its width, and of its line the band from the capitals' tops to the
// baseline (rows 12 to 44 of the font's 58), which two lines must not share; a descender may
// come down to the next line's capitals.
rect text_box(const recorded_text& t) {
  return {t.left, t.y + t.height * 12 / 58, t.left + t.width, t.y + t.height * 44 / 58};
}

std::string describe(const recorded_text& t) {
  char at[64];
  snprintf(at, sizeof at, " at (%d, %d) %dx%d size %d", t.left, t.y, t.width, t.height, t.size);
  return "\"" + t.text + "\"" + at;
}

// A fill drawn between two records that hides (alpha 0xc0 or more) this point.
bool hidden_between(const canvas_recorder& rec, uint32_t after, uint32_t before, int32_t x,
                    int32_t y) {
  for (const recorded_fill& f : rec.fills) {
    if (f.seq > after && f.seq < before && ui_color_a(f.color) >= 0xc0 &&
        rect{f.x, f.y, f.x + f.w, f.y + f.h}.holds(x, y)) {
      return true;
    }
  }
  return false;
}

// This game's labels, inputs, switches, readouts and About text on the fake game's operations.
const game_adapter* cobaltine_tables() {
  static game_adapter descriptor = [] {
    game_adapter d = fake_game_descriptor;
    const game_adapter& real = cobaltin_adapter;
    d.title = real.title;
    d.subtitle = real.subtitle;
    d.about = real.about;
    d.rom_archive = real.rom_archive;
    d.inputs = real.inputs;
    d.input_count = real.input_count;
    d.dip_switches = real.dip_switches;
    d.dip_switch_count = real.dip_switch_count;
    d.readouts = real.readouts;
    d.readout_count = real.readout_count;
    return d;
  }();
  return &descriptor;
}

class MenuLayout : public menu_fixture {
 protected:
  const game_adapter* game() override { return cobaltine_tables(); }
  void SetUp() override {
    menu_fixture::SetUp();
    rec.measure_text = true;
    snprintf(fe.data_dir, sizeof fe.data_dir, "/home/player/.local/share/Larkspindle/Cobaltine");
  }

  // One settled picture at this size: twice, so that a page's first frame (a listing, a slot
  // refresh) is behind it.
  void picture(const window_size& s) {
    main_loop_set_output(s.w, s.h);
    for (int i = 0; i < 2; i++) {
      rows.clear();
      rec.clear();
      main_loop_compose_picture();
      menu_clear_latches();
      test_clock_advance_ms(400);
    }
  }

  static int failures() {
    return ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
  }

  // Every rule on the picture just drawn.
  void check(const window_size& s, const std::string& what) {
    const bool floor = s.w >= 640 && s.h >= 480;
    const std::vector<recorded_text>& texts = rec.texts;
    for (size_t i = 0; i < texts.size(); i++) {
      const recorded_text& a = texts[i];
      if (a.text.empty() || a.width == 0) continue;
      if (floor) {
        EXPECT_GE(a.size, 13) << what << ": " << describe(a);
      }
      EXPECT_TRUE(a.left >= 0 && a.left + a.width <= s.w)
          << what << ": past a side " << describe(a);
      for (size_t j = i + 1; j < texts.size(); j++) {
        const recorded_text& b = texts[j];
        if (b.text.empty() || b.width == 0) continue;
        const rect ab = text_box(a), bb = text_box(b);
        if (!ab.meets(bb)) continue;
        // Over each other, unless what lies between hides the first where they meet.
        const rect both = {std::max(ab.x0, bb.x0), std::max(ab.y0, bb.y0), std::min(ab.x1, bb.x1),
                           std::min(ab.y1, bb.y1)};
        const int32_t cx = (both.x0 + both.x1) / 2, cy = (both.y0 + both.y1) / 2;
        EXPECT_TRUE(hidden_between(rec, a.seq, b.seq, cx, cy))
            << what << ": " << describe(a) << " and " << describe(b);
      }
    }
    // A picture drawn after text covers none of it, and none reaches into the list.
    const menu_state& m = fe.menu;
    const rect list = {m.list_x - menu_units(12), m.list_top,
                       m.list_x + m.list_width + menu_units(11), m.list_bottom};
    for (const recorded_copy& c : rec.copies) {
      // As shown: a quarter-turned copy keeps its centre and exchanges its sides.
      const SDL_Rect& v = c.viewport;
      const bool turned = int32_t(c.angle) % 180 == 90;
      const int32_t w = turned ? c.dest.h : c.dest.w, h = turned ? c.dest.w : c.dest.h;
      const int32_t x = v.x + c.dest.x + (c.dest.w - w) / 2,
                    y = v.y + c.dest.y + (c.dest.h - h) / 2;
      const rect r = {x, y, x + w, y + h};
      bool after_text = false;
      for (const recorded_text& t : texts) {
        if (t.seq > c.seq || t.width == 0) continue;
        after_text = true;
        EXPECT_FALSE(r.meets(text_box(t))) << what << ": a picture covers " << describe(t);
      }
      if (after_text && fe.menu_open && m.rows_emitted > 0) {
        EXPECT_FALSE(r.meets(list))
            << what << ": a picture at (" << r.x0 << ", " << r.y0 << ") reaches into the list";
      }
    }
  }

  // The page stack `pages` over the state `set`, with each of the top page's rows selected in
  // turn, at every size.
  void check_page(const std::string& name, const std::vector<int32_t>& pages,
                  const std::function<void()>& set = nullptr) {
    for (const window_size& s : sizes) {
      if (set) set();
      stack(pages);
      const int32_t top = pages.back();
      fe.menu.cursor[top] = 0;
      fe.menu.first_row[top] = 0;
      picture(s);
      const int32_t count = int32_t(rows.of(top).size());
      for (int32_t row = 0; row < (count > 0 ? count : 1); row++) {
        if (count > 0) fe.menu.cursor[top] = row;
        picture(s);
        const int failures_before = failures();
        check(s, name + " at " + std::to_string(s.w) + "x" + std::to_string(s.h) + ", row " +
                     std::to_string(row));
        if (failures() > failures_before) break;  // one failing picture per size tells enough
      }
    }
  }
};

TEST_F(MenuLayout, RootPages) {
  check_page("the Main Menu without a ROM", {MENU_PAGE_MAIN}, [] {
    snprintf(fe.rom_status, sizeof fe.rom_status,
             "No ROM selected. Choose ROM Selection and pick cobaltin.zip.");
  });
  check_page("the Main Menu with a ROM set ready", {MENU_PAGE_MAIN}, [this] { rom_ready(); });
  check_page("the Main Menu over the game", {MENU_PAGE_MAIN}, [this] { game_running(); });
  check_page("the pause menu", {MENU_PAGE_PAUSE}, [this] { game_running(); });
}

TEST_F(MenuLayout, SettingsPages) {
  const auto running = [this] { game_running(); };
  check_page("Display", {MENU_PAGE_PAUSE, MENU_PAGE_DISPLAY}, running);
  check_page("Audio", {MENU_PAGE_PAUSE, MENU_PAGE_AUDIO}, running);
  check_page("Controls", {MENU_PAGE_PAUSE, MENU_PAGE_CONTROLS}, running);
  check_page("Hotkeys", {MENU_PAGE_PAUSE, MENU_PAGE_CONTROLS, MENU_PAGE_HOTKEYS}, running);
  check_page("Player Controllers",
             {MENU_PAGE_PAUSE, MENU_PAGE_CONTROLS, MENU_PAGE_PLAYER_CONTROLLERS}, running);
  check_page("Gameplay", {MENU_PAGE_PAUSE, MENU_PAGE_GAMEPLAY}, running);
  check_page("Gadgets", {MENU_PAGE_PAUSE, MENU_PAGE_GADGETS}, running);
  check_page("the gadget editor", {MENU_PAGE_PAUSE, MENU_PAGE_GADGETS, MENU_PAGE_GADGET_EDITOR},
             [this] {
               game_running();
               fe.gadget_target = GADGET_FIRST_READOUT;
             });
  check_page("Extras", {MENU_PAGE_PAUSE, MENU_PAGE_EXTRAS}, [this] {
    game_running();
    fe.feature_enabled[FEATURE_REWIND] = 1;
    fe.feature_enabled[FEATURE_INPUT_MOVIES] = 1;
  });
  check_page("About", {MENU_PAGE_MAIN, MENU_PAGE_ABOUT}, [] {
    snprintf(fe.feature_summary, sizeof fe.feature_summary,
             "save_states: on, rewind: on, nvram: on, input_movies: on, gadgets: on, "
             "input_display: on, screenshots: on, widescreen: n/a");
  });
}

TEST_F(MenuLayout, SlotPagesAndRomSelection) {
  const auto slots = [this] {
    game_running();
    ASSERT_EQ(save_slot(2), 1);
    refresh_slot_info();
  };
  check_page("Save State", {MENU_PAGE_PAUSE, MENU_PAGE_SAVE_STATE}, slots);
  check_page("Load State", {MENU_PAGE_PAUSE, MENU_PAGE_LOAD_STATE}, slots);
  check_page("ROM Selection", {MENU_PAGE_MAIN, MENU_PAGE_ROM_SELECTION}, [this] {
    snprintf(fe.browse_dir, sizeof fe.browse_dir, "%s", dir.path().c_str());
    ASSERT_TRUE(write_text(dir.at("cobaltin.zip"), "x"));
    ASSERT_TRUE(write_text(dir.at("an-archive-with-a-rather-long-name-of-old-sets.zip"), "x"));
    fe.browse_listed = 0;
  });
}

TEST_F(MenuLayout, Dialogs) {
  check_page("the restart question", {MENU_PAGE_PAUSE, MENU_PAGE_CONFIRM}, [this] {
    game_running();
    snprintf(fe.confirm_text, sizeof fe.confirm_text,
             "Restart the game with the new switch settings? Unsaved progress will be lost.");
  });
  check_page("the error dialog", {MENU_PAGE_MAIN, MENU_PAGE_ERROR}, [] {
    snprintf(fe.error_title, sizeof fe.error_title, "ROM not usable");
    snprintf(fe.error_body, sizeof fe.error_body,
             "cobaltin.zip\n\n/home/player/roms/cobaltin.zip: member \"cb-pr0.u1\" has the "
             "wrong CRC-32 (expected 0x1234ABCD).\n\nExpected: cobaltin.zip (standard set, "
             "unmodified).");
  });
  check_page("the binding capture", {MENU_PAGE_MAIN, MENU_PAGE_CONTROLS, MENU_PAGE_CAPTURE}, [] {
    fe.capture_target = 4;
    fe.capture_mode = CAPTURE_CONTROLLER;
    fe.capture_hotkey = 0;
    fe.capture_start = platform_now();
  });
}

}  // namespace
