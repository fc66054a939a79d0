// The immediate-mode menu toolkit. Each frame the page on top of the stack calls
// menu_begin_page, then menu_item once per row (the same rows in the same order every frame),
// then menu_end_page, and acts at once on a row menu_item reports as activated. The toolkit keeps
// each page's selected and first visible row, lays the page out in ui units, draws the title
// block, the rows, the scroll bar, the hint and the key legend, and turns this frame's input
// latches (fe.menu, set by the main loop) into cursor moves, value steps and activation.
//
// An action that changes the page stack or closes the menu ends the page's frame: from then on
// menu_item and menu_end_page do nothing, and menu_page_gone tells the page to return, so no
// later row of that frame moves another page's cursor and no footer is drawn for a closed menu.
#pragma once

#include <cstdint>

#include "frontend/canvas.h"
#include "frontend/frontend_state.h"

// The accent colour: the accent setting's entry (taken modulo 6) of Azure, Amber, Crimson, Jade,
// Violet and Silver.
ui_color menu_accent_color();

// The page on top of the stack; the Main Menu when nothing is stacked.
int32_t menu_top_page();

// Restarts the top page's fade-in (open time now) and makes the highlight jump to its row.
void menu_restart_fade();

// Pushes `page` (a menu_page) unless 16 pages are stacked; restarts the fade-in either way.
void menu_push_page(int32_t page);

// Pops the top page when one is stacked; restarts the fade-in either way.
void menu_pop_page();

// Makes `page` the only page of the open menu and restarts the fade-in.
void menu_show_only(int32_t page);

// What an emptied stack means: the menu closes when a game runs, else the Main Menu shows alone.
void menu_settle_empty_stack();

// Leaves the menu and resumes the game: the stack is emptied, every input and the controller
// menu combination wait for release, the word 0 goes to the game, frame timing restarts and the
// audio device is unpaused.
void close_menu();

// Clears this frame's input latches (directions, accept, back, page steps, the row action, the
// mouse's moved and click flags and the wheel); the pointer position stays.
void menu_clear_latches();

enum {
  MENU_MIN_UNIT = 73,  // the menu's unit at least, from 640 x 480 up: 18 u is then 13 pixels
  MENU_TEXT_MIN = 13,  // pixels: no menu text is smaller from 640 x 480 up
};

// 1 while the ui unit is below MENU_MIN_UNIT (a window narrower than about 935 pixels or lower
// than about 555): the menu is then laid out compactly, with its text raised to 13 pixels from
// 640 x 480 up and the list over the whole width on pages with nothing beside it. Larger
// windows (1280 x 720 has a ui unit of 94) are laid out by the ui unit alone.
inline int32_t menu_compact() {
  return fe.ui_unit < MENU_MIN_UNIT;
}

// The unit the menu, its dialogs and the toasts are laid out in: the ui unit of this loop, but
// MENU_MIN_UNIT in a compact window of at least 640 x 480.
inline int32_t menu_unit() {
  return menu_compact() && fe.output_w >= 640 && fe.output_h >= 480 ? int32_t(MENU_MIN_UNIT)
                                                                    : fe.ui_unit;
}

// n u: the menu's unit of this loop times n / 100, truncated.
inline int32_t menu_units(int32_t n) {
  return menu_unit() * n / 100;
}

// A menu text size of n u, raised to MENU_TEXT_MIN wherever the menu's unit is raised (for the
// few texts smaller than 18 u).
inline int32_t menu_text_size(int32_t n) {
  const int32_t size = menu_units(n);
  return menu_unit() != fe.ui_unit && size < MENU_TEXT_MIN ? int32_t(MENU_TEXT_MIN) : size;
}

// The y of the line over the menu's footer (the hint and the key legend below it): 52 u and a
// tenth of a unit above the output's bottom. What must stay clear of the footer ends above it.
inline int32_t menu_footer_line_y() {
  return fe.output_h - menu_units(52) - menu_unit() / 10;
}

// Draws text broken into lines no wider than width (text_fit_line), each line_step below the
// one before, from y; align as for text_draw. Gives the y below the last line.
int32_t menu_text_lines(const char* text, int32_t x, int32_t y, int32_t width, int32_t size,
                        int32_t line_step, ui_color color, int32_t align);

// Where a panel beside the list may begin: at `left`, or right of the list, its highlight and
// its scroll bar when they reach further. Valid from the page's menu_begin_page on.
int32_t menu_beside_list(int32_t left);

// Starts the top page's frame: the title block (fading in over 160 ms), the page geometry, no
// rows yet and no hint. subtitle may be null or empty.
void menu_begin_page(const char* title, const char* subtitle);

// One row: its label, its value (null: none), whether it is enabled, a step pointer for rows that
// react to Left and Right (null: none; set to -1, 0 or +1) and its hint (null: none). 1 when the
// row was activated this frame (Enter, A, or a click on the row under the pointer). A disabled
// row can be selected and shows its hint but never steps or activates.
int menu_item(const char* label, const char* value, int32_t enabled, int32_t* step,
              const char* hint);

// Ends the frame: moves the cursor (wheel, arrows with wrap-around, page steps that stop at the
// ends), scrolls, and draws the scroll bar, the hint and the key legend. Nothing when the page
// emitted no rows.
void menu_end_page();

// 1 once the page stack changed or the menu closed since this page's menu_begin_page: the page
// must return without acting or drawing further.
int32_t menu_page_gone();

// Test hook: when set, every row menu_item emits (also those scrolled out of view, and the rows
// of a page drawn beneath an overlay) is reported here before the row acts. The strings live
// only for the call.
struct menu_row_record {
  int32_t page;       // menu_page
  int32_t row;        // index on the page
  const char* label;  // never null
  const char* value;  // null when the row has none
  int32_t enabled;    // 0 or 1
  int32_t has_step;   // a step pointer was given
  const char* hint;   // null when the row has none
  int32_t selected;   // the row is under the cursor
  int32_t visible;    // the row is on screen
};
typedef void (*menu_row_hook_fn)(const menu_row_record* row, void* user);
// Installs the hook (null removes it).
void menu_set_row_hook(menu_row_hook_fn hook, void* user);
