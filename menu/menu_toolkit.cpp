// The menu toolkit: page layout, rows, cursor movement and the footer.
#include "menu/menu_toolkit.h"

#include <cstdio>
#include <cstring>

#include "frontend/frontend_state.h"
#include "frontend/platform.h"
#include "ui/draw.h"
#include "ui/text.h"
#include "ui/text_fit.h"

static menu_row_hook_fn row_hook = nullptr;
static void* row_hook_user = nullptr;

void menu_set_row_hook(menu_row_hook_fn hook, void* user) {
  row_hook = hook;
  row_hook_user = user;
}

// Pages that draw a panel (a picture, a slot's thumbnail) right of their list.
static bool has_side_panel(int32_t page) {
  return page == MENU_PAGE_MAIN || page == MENU_PAGE_DISPLAY || page == MENU_PAGE_SAVE_STATE ||
         page == MENU_PAGE_LOAD_STATE;
}

int32_t menu_beside_list(int32_t left) {
  const menu_state& m = fe.menu;
  // The highlight ends at the list's right edge; the scroll bar takes 8 u to 11 u beyond it.
  const int32_t clear = m.list_x + m.list_width + menu_units(16);
  return left > clear ? left : clear;
}

int32_t menu_text_lines(const char* text, int32_t x, int32_t y, int32_t width, int32_t size,
                        int32_t line_step, ui_color color, int32_t align) {
  if (!text) return y;
  for (const char* at = text; *at;) {
    const int32_t n = text_fit_line(at, int32_t(strlen(at)), width, size);
    char line[200];
    snprintf(line, sizeof line, "%.*s", int(n), at);
    text_draw(&fe.draw, line, x, y, size, color, align);
    y += line_step;
    at += n;
    while (*at == ' ') at++;
  }
  return y;
}

int32_t menu_page_gone() {
  const menu_state& m = fe.menu;
  return m.stack_changes != m.drawn_changes || m.depth != m.drawn_depth ||
         fe.menu_open != m.drawn_menu_open || menu_top_page() != m.drawn_page;
}

void menu_begin_page(const char* title, const char* subtitle) {
  menu_state& m = fe.menu;
  m.drawn_changes = m.stack_changes;
  m.drawn_depth = m.depth;
  m.drawn_menu_open = fe.menu_open;
  m.drawn_page = menu_top_page();

  const int32_t w = fe.output_w, h = fe.output_h;
  const uint64_t now = platform_now();
  const uint64_t frequency = fe.frequency ? fe.frequency : platform->frequency();
  const double elapsed_ms = now > m.page_open_time && frequency
                                ? double(now - m.page_open_time) * 1000.0 / frequency
                                : 0.0;
  const double fade = elapsed_ms >= 160.0 ? 1.0 : elapsed_ms / 160.0;
  const uint32_t a = uint32_t(fade * 255.0);

  canvas* c = &fe.draw;
  const int32_t x0 = menu_units(40), y0 = menu_units(36);
  text_draw(c, fe.adapter->title, x0, y0, menu_units(22), ui_with_alpha(0x00ac9c96, a),
            TEXT_ALIGN_LEFT);
  text_draw(c, title, x0, y0 + menu_units(30), menu_units(44), ui_with_alpha(0x00faf6f4, a),
            TEXT_ALIGN_LEFT);
  draw_fill_rect(c, x0, y0 + menu_units(86), menu_units(64), menu_unit() / 25,
                 ui_with_alpha(menu_accent_color(), a));
  if (subtitle && subtitle[0]) {
    char cut[512];
    text_cut_end(subtitle, menu_units(18), w - x0 - menu_units(80) - x0, cut, sizeof cut);
    text_draw(c, cut, x0 + menu_units(80), y0 + menu_units(78), menu_units(18),
              ui_with_alpha(0x00ac9c96, a), TEXT_ALIGN_LEFT);
  }

  // The list leaves the right part of the window to a page's panel; a compact window gives the
  // whole width to a page that has none.
  int32_t right = menu_units(520) > w * 46 / 100 ? menu_units(520) : w * 46 / 100;
  if (menu_compact() && !has_side_panel(m.drawn_page)) right = w - x0;
  if (right > w - x0) right = w - x0;
  m.list_x = x0;
  m.list_width = right - x0;
  m.row_height = menu_units(48);
  m.list_top = y0 + menu_units(110);
  m.list_bottom = h - menu_units(70);
  m.visible_rows = m.row_height > 0 ? (m.list_bottom - m.list_top) / m.row_height : 0;
  if (m.visible_rows < 3) m.visible_rows = 3;
  m.rows_emitted = 0;
  m.hint[0] = '\0';
}

int menu_item(const char* label, const char* value, int32_t enabled, int32_t* step,
              const char* hint) {
  menu_state& m = fe.menu;
  if (step) *step = 0;
  if (menu_page_gone()) return 0;
  const int32_t page = m.drawn_page;
  const int32_t row = m.rows_emitted++;
  const int32_t f = m.first_row[page];
  const bool visible = row >= f && row < f + m.visible_rows;
  if (!label) label = "";

  const int32_t y = m.list_top + (row - f) * m.row_height;
  const int32_t hh = m.row_height - menu_units(6);
  const bool hovering = visible && m.mouse_x >= m.list_x && m.mouse_x < m.list_x + m.list_width &&
                        m.mouse_y >= y && m.mouse_y < y + hh;
  if (hovering && m.mouse_moved) m.cursor[page] = row;
  const bool selected = row == m.cursor[page];

  if (row_hook) {
    const menu_row_record record = {page,         row,  label,    value,  enabled ? 1 : 0,
                                    step ? 1 : 0, hint, selected, visible};
    row_hook(&record, row_hook_user);
  }
  if (!visible) return 0;

  canvas* c = &fe.draw;
  const ui_color accent = menu_accent_color();
  if (selected) {
    const float target = float(y);
    if (m.highlight_y < 0.0f) m.highlight_y = target;
    m.highlight_y += (target - m.highlight_y) * 0.35f;
    const int32_t box_top = int32_t(m.highlight_y + 0.5f);
    const ui_color box = ui_rgba(ui_color_r(accent) / 5 + 20, ui_color_g(accent) / 5 + 22,
                                 ui_color_b(accent) / 5 + 30, 235);
    draw_round_rect(c, m.list_x - menu_units(12), box_top, m.list_width + menu_units(12), hh,
                    menu_units(8), box);
    draw_fill_rect(c, m.list_x - menu_units(12), box_top + menu_units(8), menu_unit() / 25,
                   hh - menu_units(16), accent);
    if (hint) snprintf(m.hint, sizeof m.hint, "%s", hint);
  }

  const int32_t s = menu_units(24), value_size = menu_units(22);
  const int32_t label_x = m.list_x + menu_units(8),
                value_right = m.list_x + m.list_width - menu_units(16);
  const int32_t label_y = y + (hh - text_line_height(s)) / 2;
  char text[300];
  int32_t label_room = value_right - label_x;
  if (value) {
    // The room of an enabled row with a step keeps the arrows' width whether or not they show,
    // so that its label does not change as the cursor comes and goes.
    snprintf(text, sizeof text, step && enabled ? "<  %s  >" : "%s", value);
    label_room -= text_measure(text, value_size) + menu_units(16);
    if (!(selected && enabled && step)) snprintf(text, sizeof text, "%s", value);
  }
  // The label gives way to the value, which stays whole: it is cut with "..." where they would
  // meet.
  char cut[300];
  text_cut_end(label, s, label_room, cut, sizeof cut);
  const ui_color label_color = !enabled ? 0xff706460 : selected ? 0xffffffff : 0xffdcd2ce;
  text_draw(c, cut, label_x, label_y, s, label_color, TEXT_ALIGN_LEFT);

  if (value) {
    const ui_color color = selected && enabled ? accent : enabled ? 0xffb6a6a0 : 0xff706460;
    text_draw(c, text, value_right, label_y, value_size, color, TEXT_ALIGN_RIGHT);
  }

  if (!selected || !enabled) return 0;
  if (step) {
    if (m.nav_left) *step = -1;
    if (m.nav_right) *step = 1;
  }
  if (m.nav_accept) return 1;
  return hovering && m.mouse_click ? 1 : 0;
}

void menu_end_page() {
  menu_state& m = fe.menu;
  if (menu_page_gone()) return;
  const int32_t page = m.drawn_page;
  const int32_t n = m.rows_emitted;
  if (n == 0) return;

  int32_t& cursor = m.cursor[page];
  int32_t& first = m.first_row[page];
  cursor -= m.wheel;
  if (m.nav_up) cursor -= 1;
  if (m.nav_down) cursor += 1;
  if (m.nav_page_up) cursor -= m.visible_rows;
  if (m.nav_page_down) cursor += m.visible_rows;
  // Single steps wrap around the list; page steps and the wheel stop at the ends.
  if (cursor < 0) cursor = m.nav_up && !m.nav_page_up ? n - 1 : 0;
  if (cursor >= n) cursor = m.nav_down && !m.nav_page_down ? 0 : n - 1;

  if (cursor < first) first = cursor;
  if (cursor >= first + m.visible_rows) first = cursor - m.visible_rows + 1;
  if (first > n - m.visible_rows) first = n - m.visible_rows > 0 ? n - m.visible_rows : 0;

  canvas* c = &fe.draw;
  const int32_t w = fe.output_w;
  if (n > m.visible_rows) {
    const int32_t track = m.list_bottom - m.list_top;
    const int32_t x = m.list_x + m.list_width + menu_units(8);
    draw_fill_rect(c, x, m.list_top, menu_units(3), track, 0xff382c28);
    draw_fill_rect(c, x, m.list_top + first * track / n, menu_units(3), m.visible_rows * track / n,
                   menu_accent_color());
  }

  // The footer: the hint left and the legend right on one line; a hint that would run into the
  // legend has the line to itself (cut with "..." if even that is too short) and the legend goes
  // one line lower, within the footer.
  static const char legend[] = "Enter/A  Select     Esc/B  Back     Left/Right  Change";
  const int32_t line_y = menu_footer_line_y(), fy = line_y + menu_unit() / 10;
  const int32_t hint_size = menu_units(19), legend_size = menu_units(18);
  const int32_t left = menu_units(40), right = w - menu_units(40);
  draw_fill_rect(c, 0, line_y, w, 1, 0xff382c28);
  int32_t legend_y = fy;
  if (m.hint[0]) {
    const int32_t beside = right - text_measure(legend, legend_size) - menu_units(24) - left;
    char hint[256];
    if (text_measure(m.hint, hint_size) <= beside) {
      snprintf(hint, sizeof hint, "%s", m.hint);
    } else {
      text_cut_end(m.hint, hint_size, right - left, hint, sizeof hint);
      legend_y = fy + text_line_height(hint_size);
    }
    text_draw(c, hint, left, fy, hint_size, 0xffbeb0aa, TEXT_ALIGN_LEFT);
  }
  text_draw(c, legend, right, legend_y, legend_size, 0xff82746e, TEXT_ALIGN_RIGHT);
}
