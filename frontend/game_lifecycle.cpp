// Loading and switching ROM sets, starting and stopping the game, opening the menu.
#include "frontend/game_lifecycle.h"

#include "frontend/audio_output.h"
#include "frontend/bindings.h"
#include "frontend/frontend_state.h"
#include "frontend/platform.h"

void open_menu(int32_t page) {
  fe.menu_open = 1;
  fe.menu.page_stack[0] = page;
  fe.menu.depth = 1;
  fe.menu.page_open_time = platform_now();
  fe.menu.highlight_y = -1.0f;
  if (page == MENU_PAGE_SAVE_STATE || page == MENU_PAGE_LOAD_STATE) fe.slots_dirty = 1;
  release_inputs();
  clear_audio();
  if (fe.audio_device) platform->audio_pause(fe.audio_device, 1);
}
