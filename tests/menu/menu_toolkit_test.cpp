// The menu toolkit on a page of plain rows: cursor moves with wrap-around and the stops at the
// ends, scrolling and the scroll bar, the layout of a small window, the footer, disabled rows,
// steps, the mouse, the fade and the highlight, and a row action that changes the page stack
// ending the page's frame.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_loop.h"
#include "frontend/frontend_state.h"
#include "menu/menu_toolkit.h"
#include "menu_fixture.h"

namespace {

const char LEGEND[] = "Enter/A  Select     Esc/B  Back     Left/Right  Change";

// A test page of `count` rows "Row 0".."Row n-1"; what each row reported goes to `activated` and
// `steps`, and `on_activate` runs for an activated row.
struct plain_page {
  int32_t count = 5;
  std::vector<int32_t> disabled;
  int32_t with_step = -1;  // the row that passes a step pointer
  const char* value = nullptr;
  std::vector<int32_t> activated;
  int32_t step = 0;
  void (*on_activate)(int32_t row) = nullptr;

  void draw() {
    activated.clear();
    menu_begin_page("Test Page", "subtitle");
    for (int32_t i = 0; i < count; i++) {
      const std::string label = "Row " + std::to_string(i);
      const std::string hint = "Hint " + std::to_string(i);
      bool enabled = true;
      for (int32_t d : disabled) enabled = enabled && d != i;
      int32_t* step_ptr = i == with_step ? &step : nullptr;
      if (menu_item(label.c_str(), value, enabled, step_ptr, hint.c_str())) {
        activated.push_back(i);
        if (on_activate) on_activate(i);
      }
    }
    menu_end_page();
  }
};

class MenuToolkit : public menu_fixture {
 protected:
  void SetUp() override {
    menu_fixture::SetUp();
    open_on(MENU_PAGE_EXTRAS);  // any page id: the test page stands in for it
  }
  int32_t& cursor() { return fe.menu.cursor[MENU_PAGE_EXTRAS]; }
  int32_t& first_row() { return fe.menu.first_row[MENU_PAGE_EXTRAS]; }
  void page_frame() {
    rows.clear();
    rec.clear();
    page.draw();
    menu_clear_latches();
    test_clock_advance_ms(8);
  }
  plain_page page;
};

TEST_F(MenuToolkit, SingleStepsWrapWhilePageStepsAndTheWheelStopAtTheEnds) {
  struct move {
    int32_t from;
    int32_t menu_state::*latch;
    int32_t amount;
    int32_t to;
  };
  const move moves[] = {
      {0, &menu_state::nav_up, 1, 4},        {4, &menu_state::nav_down, 1, 0},
      {0, &menu_state::nav_page_up, 1, 0},   {4, &menu_state::nav_page_down, 1, 4},
      {0, &menu_state::wheel, 1, 0},         {4, &menu_state::wheel, -1, 4},
      {2, &menu_state::wheel, 1, 1},         {2, &menu_state::nav_down, 1, 3},
      {1, &menu_state::nav_page_down, 1, 4}, {3, &menu_state::nav_page_up, 1, 0},
  };
  for (const move& m : moves) {
    cursor() = m.from;
    fe.menu.*m.latch = m.amount;
    page_frame();
    EXPECT_EQ(cursor(), m.to) << "from " << m.from;
  }
  // Up and Page Up together stop at the top instead of wrapping.
  cursor() = 0;
  fe.menu.nav_up = 1;
  fe.menu.nav_page_up = 1;
  page_frame();
  EXPECT_EQ(cursor(), 0);
}

TEST_F(MenuToolkit, ALongListScrollsToTheCursorAndItsThumbShowsTheVisibleShare) {
  fe.output_h = 720;  // ten rows of 48 fit between 146 and 650
  page.count = 40;
  cursor() = 24;
  fe.menu.nav_down = 1;
  page_frame();
  EXPECT_EQ(fe.menu.visible_rows, 10);
  EXPECT_EQ(cursor(), 25);
  EXPECT_EQ(first_row(), 16);

  page_frame();
  int32_t visible = 0;
  for (const menu_row& row : rows.rows) {
    visible += row.visible;
    EXPECT_EQ(row.visible, row.row >= 16 && row.row <= 25) << row.row;
  }
  EXPECT_EQ(visible, 10);
  ASSERT_EQ(rows.rows.size(), 40u);  // rows out of view are still emitted
  // Track 504 high at x = 40 + 548 + 8; the thumb a quarter of it, 16/40 of the way down.
  const int32_t bar_x = 40 + 548 + 8;
  const recorded_fill* track = nullptr;
  const recorded_fill* thumb = nullptr;
  for (const recorded_fill& f : rec.fills) {
    if (f.x != bar_x) continue;
    if (f.color == 0xff382c28) track = &f;
    if (f.color == menu_accent_color()) thumb = &f;
  }
  ASSERT_NE(track, nullptr);
  ASSERT_NE(thumb, nullptr);
  EXPECT_EQ(track->y, 146);
  EXPECT_EQ(track->h, 504);
  EXPECT_EQ(thumb->w, 3);
  EXPECT_EQ(thumb->h, 504 / 4);
  EXPECT_EQ(thumb->y, 146 + 16 * 504 / 40);

  // Going back up scrolls the first row back to the cursor; a short list has no scroll bar.
  cursor() = 3;
  page_frame();
  EXPECT_EQ(first_row(), 3);
  page.count = 5;
  page_frame();
  EXPECT_EQ(first_row(), 0);
  for (const recorded_fill& f : rec.fills) EXPECT_NE(f.x, bar_x);
}

TEST_F(MenuToolkit, TheLayoutFollowsTheUiUnitAndKeepsThreeRowsInATinyWindow) {
  page_frame();
  EXPECT_EQ(fe.menu.list_x, 40);
  EXPECT_EQ(fe.menu.list_width, 548);  // 46 % of 1280 is wider than 520 u
  EXPECT_EQ(fe.menu.row_height, 48);
  EXPECT_EQ(fe.menu.list_top, 146);
  EXPECT_EQ(fe.menu.list_bottom, 690);
  EXPECT_EQ(fe.menu.visible_rows, 11);

  fe.output_w = 320;
  fe.output_h = 150;
  fe.ui_unit = 45;
  page_frame();
  EXPECT_EQ(fe.menu.row_height, 21);
  // A compact window: the list takes the whole width, 18 u short of each edge, on a page with
  // nothing beside it...
  EXPECT_EQ(fe.menu.list_width, 320 - 18 - 18);
  EXPECT_EQ(fe.menu.list_bottom - fe.menu.list_top, 150 - 31 - 65);  // room for two rows
  EXPECT_EQ(fe.menu.visible_rows, 3);
  int32_t visible = 0;
  for (const menu_row& row : rows.rows) visible += row.visible;
  EXPECT_EQ(visible, 3);
  // ...and 520 u, wider than 46 % of the window, on a page with a picture beside it.
  open_on(MENU_PAGE_DISPLAY);
  page_frame();
  EXPECT_EQ(fe.menu.list_width, 234 - 18);
}

// From 640 x 480 up a compact window lays the menu out in a unit of at least 73, at which its
// smallest text (18 u) is 13 pixels; a window whose ui unit is 73 or more keeps its own.
TEST_F(MenuToolkit, TheMenuUnitIsRaisedFrom640x480UpWhileTheUiUnitIsBelow73) {
  const struct {
    int32_t w, h, ui_unit, menu_unit;
  } cases[] = {
      {639, 896, 49, 49}, {640, 479, 50, 50},  {640, 480, 50, 73},     {672, 896, 52, 73},
      {935, 896, 73, 73}, {1280, 720, 94, 94}, {1920, 1080, 142, 142},
  };
  for (const auto& c : cases) {
    main_loop_set_output(c.w, c.h);
    EXPECT_EQ(fe.ui_unit, c.ui_unit) << c.w << "x" << c.h;
    EXPECT_EQ(menu_unit(), c.menu_unit) << c.w << "x" << c.h;
    EXPECT_EQ(menu_units(18) >= 13, c.menu_unit >= 73) << c.w << "x" << c.h;
  }
}

TEST_F(MenuToolkit, TheFooterShowsTheSelectedRowsHintAndTheLegend) {
  cursor() = 2;
  page_frame();
  const recorded_text* hint = rec.find_text("Hint 2");
  ASSERT_NE(hint, nullptr);
  EXPECT_EQ(hint->x, 40);
  EXPECT_EQ(hint->y, 760 - 52);
  EXPECT_EQ(hint->size, 19);
  EXPECT_EQ(hint->color, 0xffbeb0aau);
  const recorded_text* legend = rec.find_text(LEGEND);
  ASSERT_NE(legend, nullptr);
  EXPECT_EQ(legend->x, 1280 - 40);
  EXPECT_EQ(legend->align, 2);
  EXPECT_EQ(legend->size, 18);
  EXPECT_EQ(legend->color, 0xff82746eu);
  EXPECT_EQ(fe.menu.hint, std::string("Hint 2"));
  // The title block: the game's title, the page title and the subtitle.
  EXPECT_NE(rec.find_text(fe.adapter->title), nullptr);
  ASSERT_NE(rec.find_text("Test Page"), nullptr);
  EXPECT_EQ(rec.find_text("Test Page")->size, 44);
  EXPECT_NE(rec.find_text("subtitle"), nullptr);
}

TEST_F(MenuToolkit, APageWithoutRowsDrawsNoFooterAndKeepsItsCursor) {
  page.count = 0;
  cursor() = 3;
  fe.menu.nav_down = 1;
  fe.menu.wheel = 2;
  page_frame();
  EXPECT_EQ(cursor(), 3);
  EXPECT_EQ(rec.find_text(LEGEND), nullptr);
  EXPECT_TRUE(rec.fills.size() == 1u) << "only the accent bar of the title block";
}

TEST_F(MenuToolkit, ADisabledRowShowsItsHintButNeverStepsOrActivates) {
  page.disabled = {1};
  page.with_step = 1;
  page.value = "7";
  cursor() = 1;
  fe.menu.nav_accept = 1;
  fe.menu.nav_right = 1;
  page_frame();
  EXPECT_TRUE(page.activated.empty());
  EXPECT_EQ(page.step, 0);
  EXPECT_NE(rec.find_text("Hint 1"), nullptr);
  ASSERT_NE(rec.find_text("Row 1"), nullptr);
  EXPECT_EQ(rec.find_text("Row 1")->color, 0xff706460u);
  const recorded_text* value = nullptr;  // row 1's: no arrows on a disabled row
  for (const recorded_text& t : rec.texts) {
    if (t.text == "7" && t.y > 146 + 48 && t.y < 146 + 96) value = &t;
  }
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->color, 0xff706460u);

  // A click on it with the pointer moving onto it selects it but does not activate it.
  cursor() = 0;
  move_mouse(ROW_X, row_y(1));
  fe.menu.mouse_click = 1;
  page_frame();
  EXPECT_EQ(cursor(), 1);
  EXPECT_TRUE(page.activated.empty());
}

TEST_F(MenuToolkit, StepsComeFromLeftAndRightWithRightWinningAndArrowsMarkTheValue) {
  page.with_step = 2;
  page.value = "Medium";
  cursor() = 2;
  struct step_case {
    int32_t left, right, step;
  };
  for (const step_case& c :
       {step_case{1, 0, -1}, step_case{0, 1, 1}, step_case{1, 1, 1}, step_case{0, 0, 0}}) {
    fe.menu.nav_left = c.left;
    fe.menu.nav_right = c.right;
    page_frame();
    EXPECT_EQ(page.step, c.step) << c.left << c.right;
    EXPECT_TRUE(page.activated.empty());
  }
  const recorded_text* value = rec.find_text("<  Medium  >");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->color, menu_accent_color());
  EXPECT_EQ(value->x, 40 + 548 - 16);
  EXPECT_EQ(value->align, 2);
  // Rows without a step pointer show their value plainly, also when selected.
  cursor() = 1;
  page_frame();
  EXPECT_NE(rec.find_text("Medium"), nullptr);
  EXPECT_EQ(rec.find_text("<  Medium  >"), nullptr);
}

TEST_F(MenuToolkit, TheMouseSelectsByMovingAndAClickActsOnlyOnTheRowItSelected) {
  cursor() = 0;
  // A click on row 3 with the pointer still does nothing.
  fe.menu.mouse_x = ROW_X;
  fe.menu.mouse_y = row_y(3);
  fe.menu.mouse_click = 1;
  page_frame();
  EXPECT_EQ(cursor(), 0);
  EXPECT_TRUE(page.activated.empty());
  // Moving onto it selects it; the next click (pointer still) activates it.
  move_mouse(ROW_X, row_y(3));
  page_frame();
  EXPECT_EQ(cursor(), 3);
  EXPECT_TRUE(page.activated.empty());
  fe.menu.mouse_x = ROW_X;
  fe.menu.mouse_y = row_y(3);
  fe.menu.mouse_click = 1;
  page_frame();
  EXPECT_EQ(page.activated, std::vector<int32_t>{3});
  // Right of the list and in the gap below a row's box nothing is hovered.
  move_mouse(40 + 548 + 1, row_y(1));
  page_frame();
  EXPECT_EQ(cursor(), 3);
  move_mouse(ROW_X, 146 + 48 + 43);  // row 1's box is 42 high
  page_frame();
  EXPECT_EQ(cursor(), 3);
  // Enter activates the selected row.
  fe.menu.nav_accept = 1;
  page_frame();
  EXPECT_EQ(page.activated, std::vector<int32_t>{3});
}

TEST_F(MenuToolkit, AFreshPageJumpsItsHighlightAndFadesItsTitleIn) {
  cursor() = 2;
  menu_restart_fade();
  page_frame();  // 0 ms after opening
  EXPECT_EQ(fe.menu.highlight_y, float(146 + 2 * 48));
  EXPECT_EQ(ui_color_a(rec.find_text("Test Page")->color), 0);
  test_clock_advance_ms(72);  // 80 ms after opening
  page_frame();
  EXPECT_EQ(ui_color_a(rec.find_text("Test Page")->color), 127);
  test_clock_advance_ms(152);
  page_frame();
  EXPECT_EQ(ui_color_a(rec.find_text("Test Page")->color), 255);

  // A move glides: 35 % of the way on each frame.
  cursor() = 4;
  page_frame();
  const float from = float(146 + 2 * 48), to = float(146 + 4 * 48);
  EXPECT_FLOAT_EQ(fe.menu.highlight_y, from + (to - from) * 0.35f);
  const recorded_fill* box = nullptr;
  for (const recorded_fill& f : rec.fills) {
    if (f.x == 40 - 12 + 8 && f.w == 548 + 12 - 16) box = &f;  // the round box's middle band
  }
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->y, int32_t(fe.menu.highlight_y + 0.5f));
  EXPECT_EQ(box->color, ui_rgba(0x40 / 5 + 20, 0x9c / 5 + 22, 0xff / 5 + 30, 235));
}

// Row actions that leave the page for another, or close the menu.
void push_display_page(int32_t) {
  menu_push_page(MENU_PAGE_DISPLAY);
}
void close_the_menu(int32_t) {
  close_menu();
}

TEST_F(MenuToolkit, AnActionThatChangesTheStackEndsThePagesFrame) {
  for (auto action : {push_display_page, close_the_menu}) {
    open_on(MENU_PAGE_EXTRAS);
    page.on_activate = action;
    cursor() = 1;
    fe.menu.cursor[MENU_PAGE_DISPLAY] = 0;
    fe.menu.cursor[MENU_PAGE_MAIN] = 0;
    fe.menu.first_row[MENU_PAGE_DISPLAY] = 0;
    // Row 1 is activated by Enter; in the same frame the pointer moves onto row 3, which comes
    // later, and the wheel and Down are latched too.
    fe.menu.nav_accept = 1;
    fe.menu.nav_down = 1;
    fe.menu.wheel = -2;
    move_mouse(ROW_X, row_y(3));
    page_frame();
    EXPECT_EQ(page.activated, std::vector<int32_t>{1});
    // Nothing after the action: no later row, no cursor move on any page, no footer.
    EXPECT_EQ(rows.rows.size(), 2u);
    EXPECT_EQ(fe.menu.cursor[MENU_PAGE_DISPLAY], 0);
    EXPECT_EQ(fe.menu.cursor[MENU_PAGE_MAIN], 0);
    EXPECT_EQ(cursor(), 1);
    EXPECT_EQ(rec.find_text(LEGEND), nullptr);
    EXPECT_EQ(rec.find_text("Hint 1"), nullptr);
    EXPECT_EQ(menu_page_gone(), 1);
  }
}

}  // namespace

namespace {

TEST_F(MenuToolkit, APushOntoAFullStackIsIgnoredButStillRestartsTheFadeAndTheHighlight) {
  fe.menu.depth = MENU_STACK_MAX;
  for (int32_t i = 0; i < MENU_STACK_MAX; i++) fe.menu.page_stack[i] = MENU_PAGE_EXTRAS;
  page_frame();
  fe.menu.highlight_y = 300.0f;
  fe.menu.page_open_time = 0;
  menu_push_page(MENU_PAGE_DISPLAY);
  EXPECT_EQ(fe.menu.depth, MENU_STACK_MAX);
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_EXTRAS));
  EXPECT_EQ(fe.menu.highlight_y, -1.0f);
  EXPECT_EQ(fe.menu.page_open_time, tp.now);
}

}  // namespace
