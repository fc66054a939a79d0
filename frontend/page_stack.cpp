// The page stack, opening and closing the menu, and the input latches.
#include "frontend/page_stack.h"

#include "frontend/audio_output.h"
#include "frontend/bindings.h"
#include "frontend/frontend_state.h"
#include "frontend/platform.h"

void open_menu(int32_t page) {
  fe.menu_open = 1;
  menu_show_only(page);
  if (page == MENU_PAGE_SAVE_STATE || page == MENU_PAGE_LOAD_STATE) fe.slots_dirty = 1;
  release_inputs();
  clear_audio();
  if (fe.audio_device) platform->audio_pause(fe.audio_device, 1);
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
  fe.menu.stack_changes++;
  menu_restart_fade();
}

void menu_pop_page() {
  if (fe.menu.depth > 0) fe.menu.depth--;
  fe.menu.stack_changes++;
  menu_restart_fade();
}

void menu_show_only(int32_t page) {
  fe.menu.page_stack[0] = page;
  fe.menu.depth = 1;
  fe.menu.stack_changes++;
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
  fe.menu.stack_changes++;
  release_inputs();
  fe.release_wait = 1;
  fe.combo_held_before = 1;  // a combination still held must be let go before it opens the menu
  fe.accumulator = 0.0;
  fe.last_loop = platform_now();
  if (fe.audio_device) platform->audio_pause(fe.audio_device, 0);
}

void menu_clear_latches() {
  menu_state& m = fe.menu;
  m.nav_up = m.nav_down = m.nav_left = m.nav_right = 0;
  m.nav_accept = m.nav_back = 0;
  m.nav_page_up = m.nav_page_down = 0;
  m.row_action = 0;
  m.mouse_moved = 0;
  m.mouse_click = 0;
  m.wheel = 0;
}
