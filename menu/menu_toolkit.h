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

#include "frontend/frontend_state.h"
#include "frontend/menu_style.h"
#include "frontend/page_stack.h"
#include "ui/canvas.h"

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
