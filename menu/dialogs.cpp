// The confirmation and error dialogs.
#include "menu/dialogs.h"

#include <cstring>

#include "frontend/confirm_actions.h"
#include "frontend/frontend_state.h"
#include "menu/menu_toolkit.h"
#include "ui/draw.h"
#include "ui/text.h"
#include "ui/text_fit.h"

enum { CONFIRM_YES = 0, CONFIRM_NO = 1 };

static bool in_box(int32_t x, int32_t y, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return x >= left && x < right && y >= top && y < bottom;
}

// A dialog's width: `wanted`, or the window's less 16 u on each side when that is less.
static int32_t dialog_width(int32_t wanted) {
  const int32_t room = fe.output_w - 2 * menu_units(16);
  return wanted < room ? wanted : room;
}

void menu_page_confirm() {
  menu_state& m = fe.menu;
  const int32_t w = fe.output_w, h = fe.output_h, u = menu_unit();
  const ui_color accent = menu_accent_color();
  canvas* c = &fe.draw;
  draw_fill_rect(c, 0, 0, w, h, 0xa0000000);
  // Within the window; a question wider than the box goes on over a second line.
  const int32_t box_w = dialog_width(menu_units(760)), box_h = menu_units(250);
  const int32_t left = (w - box_w) / 2, top = (h - box_h) / 2, bottom = top + box_h;
  draw_round_rect(c, left, top, box_w, box_h, menu_units(16), 0xfc261b18);
  draw_fill_rect(c, left, top, box_w, u / 25, accent);
  const int32_t size = menu_units(22);
  menu_text_lines(fe.confirm_text, w / 2, top + menu_units(56), box_w - menu_units(72), size,
                  text_line_height(size), 0xfff0eae8, TEXT_ALIGN_CENTRE);

  int32_t& selected = m.cursor[MENU_PAGE_CONFIRM];
  if (m.nav_up || m.nav_left) selected = CONFIRM_YES;
  if (m.nav_down || m.nav_right) selected = CONFIRM_NO;

  const int32_t button_w = 2 * u, button_h = menu_units(56);
  const int32_t button_top = bottom - menu_units(36) - button_h;
  const int32_t button_left[2] = {w / 2 - u / 5 - 2 * u, w / 2 + u / 5};
  int32_t choice = -1;
  for (int32_t b = 0; b < 2; b++) {
    if (!in_box(m.mouse_x, m.mouse_y, button_left[b], button_top, button_left[b] + button_w,
                bottom - menu_units(36))) {
      continue;
    }
    if (m.mouse_moved) selected = b;
    if (m.mouse_click) choice = b;
  }
  static const char* const labels[2] = {"Yes", "No"};
  const int32_t label_size = menu_units(24);
  for (int32_t b = 0; b < 2; b++) {
    const bool on = b == selected;
    draw_round_rect(c, button_left[b], button_top, button_w, button_h, u / 10,
                    on ? accent : 0xff3e302c);
    text_draw(c, labels[b], button_left[b] + button_w / 2,
              button_top + (button_h - text_line_height(label_size)) / 2, label_size,
              on ? 0xff100c0a : 0xffe8e0dc, TEXT_ALIGN_CENTRE);
  }

  if (m.nav_accept) choice = selected;
  if (m.nav_back) choice = CONFIRM_NO;
  if (choice < 0) return;
  // The dialog goes first, so an action that pushes or replaces pages works on the pages beneath.
  menu_pop_page();
  if (choice == CONFIRM_YES) run_confirm_action(fe.confirm_action, fe.confirm_value);
}

void menu_page_error() {
  menu_state& m = fe.menu;
  const int32_t w = fe.output_w, h = fe.output_h, u = menu_unit();
  canvas* c = &fe.draw;
  draw_fill_rect(c, 0, 0, w, h, 0xaa000000);
  const int32_t box_w = dialog_width(9 * u), box_h = menu_units(380);
  const int32_t left = (w - box_w) / 2, top = (h - box_h) / 2, bottom = top + box_h;
  draw_round_rect(c, left, top, box_w, box_h, menu_units(16), 0xfc261b18);
  draw_fill_rect(c, left, top, box_w, u / 25, 0xff5878ec);
  text_draw(c, fe.error_title, left + menu_units(36), top + menu_units(28), menu_units(30),
            0xfffaf6f4, TEXT_ALIGN_LEFT);

  const char* at = fe.error_body;
  const int32_t size = u / 5, width = box_w - menu_units(72);
  for (int32_t y = top + menu_units(84); *at && y < bottom - menu_units(80);) {
    const char* end = strchr(at, '\n');
    const int32_t n = end ? int32_t(end - at) : int32_t(strlen(at));
    if (n == 0) {  // an empty line: half a line's gap
      y += menu_units(14);
      at++;
      continue;
    }
    const int32_t len = text_fit_line(at, n, width, size);
    char line[200];
    memcpy(line, at, size_t(len));
    line[len] = '\0';
    text_draw(c, line, left + menu_units(36), y, size, 0xffded6d2, TEXT_ALIGN_LEFT);
    at += len;
    if (*at == ' ' || *at == '\n') at++;
    y += menu_units(28);
  }
  text_draw(c, "Press Enter / A to continue", left + box_w - menu_units(36),
            bottom - menu_units(52), menu_units(18), 0xffa0928c, TEXT_ALIGN_RIGHT);

  if (!m.nav_accept && !m.nav_back && !m.mouse_click) return;
  menu_pop_page();
  menu_settle_empty_stack();
}
