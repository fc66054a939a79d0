// The row log and the one-frame menu run.
#include "menu_rows.h"

#include "frontend/frontend_state.h"
#include "menu/menu_pages.h"
#include "menu/menu_toolkit.h"

static void record_row(const menu_row_record* r, void* user) {
  menu_row row;
  row.page = r->page;
  row.row = r->row;
  row.label = r->label;
  row.has_value = r->value != nullptr;
  if (r->value) row.value = r->value;
  row.has_hint = r->hint != nullptr;
  if (r->hint) row.hint = r->hint;
  row.enabled = r->enabled != 0;
  row.has_step = r->has_step != 0;
  row.selected = r->selected != 0;
  row.visible = r->visible != 0;
  static_cast<menu_row_log*>(user)->rows.push_back(row);
}

menu_row_log::menu_row_log() {
  menu_set_row_hook(record_row, this);
}

menu_row_log::~menu_row_log() {
  menu_set_row_hook(nullptr, nullptr);
}

std::vector<menu_row> menu_row_log::of(int32_t page) const {
  std::vector<menu_row> out;
  for (const menu_row& row : rows) {
    if (row.page == page) out.push_back(row);
  }
  return out;
}

std::vector<std::string> menu_row_log::labels(int32_t page) const {
  std::vector<std::string> out;
  for (const menu_row& row : rows) {
    if (row.page == page) out.push_back(row.label);
  }
  return out;
}

const menu_row* menu_row_log::find(int32_t page, const std::string& label) const {
  for (const menu_row& row : rows) {
    if (row.page == page && row.label == label) return &row;
  }
  return nullptr;
}

static void draw_page(int32_t page) {
  if (page >= 0 && page < MENU_PAGE_COUNT && menu_page_table[page].draw) {
    menu_page_table[page].draw();
  }
}

void run_menu_frame() {
  if (fe.menu_open) {
    const int32_t top = menu_top_page();
    const bool overlay =
        top == MENU_PAGE_CONFIRM || top == MENU_PAGE_ERROR || top == MENU_PAGE_CAPTURE;
    if (overlay && fe.menu.depth > 1) {
      const menu_state saved = fe.menu;
      menu_clear_latches();
      fe.menu.mouse_x = -1;
      fe.menu.mouse_y = -1;
      fe.menu.depth--;
      const int32_t beneath = menu_top_page();
      if (beneath != MENU_PAGE_PLAYER_CONTROLLERS && beneath != MENU_PAGE_GADGETS &&
          beneath != MENU_PAGE_ABOUT) {
        draw_page(beneath);
      }
      fe.menu.depth++;
      // Back the latches come; what the page beneath drew (its geometry, hint) stays.
      fe.menu.nav_up = saved.nav_up;
      fe.menu.nav_down = saved.nav_down;
      fe.menu.nav_left = saved.nav_left;
      fe.menu.nav_right = saved.nav_right;
      fe.menu.nav_accept = saved.nav_accept;
      fe.menu.nav_back = saved.nav_back;
      fe.menu.nav_page_up = saved.nav_page_up;
      fe.menu.nav_page_down = saved.nav_page_down;
      fe.menu.row_action = saved.row_action;
      fe.menu.mouse_x = saved.mouse_x;
      fe.menu.mouse_y = saved.mouse_y;
      fe.menu.mouse_moved = saved.mouse_moved;
      fe.menu.mouse_click = saved.mouse_click;
      fe.menu.wheel = saved.wheel;
    }
    draw_page(top);
    if (fe.menu_open && fe.menu.depth == 0) menu_settle_empty_stack();
  }
  menu_clear_latches();
}
