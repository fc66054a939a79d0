// The menu toolkit: page stack, page layout, rows, footer, and closing the menu.
#include "menu/menu_toolkit.h"

#include "frontend/bindings.h"
#include "frontend/frontend_state.h"
#include "frontend/platform.h"

ui_color menu_accent_color() {
  static const ui_color accents[6] = {0xffff9c40, 0xff2eb0ff, 0xff5848ec,
                                      0xff84ce40, 0xffff70a8, 0xffece6e6};
  int32_t index = fe.settings.accent % 6;
  return accents[index < 0 ? index + 6 : index];
}

int32_t menu_top_page() {
  return fe.menu.depth > 0 ? fe.menu.page_stack[fe.menu.depth - 1] : int32_t(MENU_PAGE_MAIN);
}

void menu_restart_fade() {
  fe.menu.page_open_time = platform_now();
  fe.menu.highlight_y = -1.0f;
}

void menu_push_page(int32_t page) {
  if (fe.menu.depth < MENU_STACK_MAX) fe.menu.page_stack[fe.menu.depth++] = page;
  menu_restart_fade();
}

void menu_pop_page() {
  if (fe.menu.depth > 0) fe.menu.depth--;
  menu_restart_fade();
}

void menu_show_only(int32_t page) {
  fe.menu.page_stack[0] = page;
  fe.menu.depth = 1;
  menu_restart_fade();
}

void menu_settle_empty_stack() {
  if (fe.menu.depth > 0) return;
  if (fe.running) {
    close_menu();
  } else {
    menu_show_only(MENU_PAGE_MAIN);
  }
}

void close_menu() {
  fe.menu_open = 0;
  fe.menu.depth = 0;
  release_inputs();
  fe.release_wait = 1;
  fe.combo_held_before = 1;  // a combination still held must be let go before it opens the menu
  fe.accumulator = 0.0;
  fe.last_loop = platform_now();
  if (fe.audio_device) platform->audio_pause(fe.audio_device, 0);
}
