// Toasts, confirmation and error dialogs, and the window mode.
#include "frontend/messages.h"

#include <cstdarg>
#include <cstdio>

#include "frontend/frontend_state.h"
#include "frontend/game_lifecycle.h"
#include "frontend/log.h"
#include "frontend/platform.h"
#include "menu/menu_toolkit.h"

void show_toast(const char* format, ...) {
  va_list args;
  va_start(args, format);
  vsnprintf(fe.toast_text, sizeof fe.toast_text, format, args);
  va_end(args);
  fe.toast_end = platform_now() + 2 * platform->frequency();
  log_printf("%s", fe.toast_text);
}

void show_confirm(int32_t action, int32_t value, const char* format, ...) {
  va_list args;
  va_start(args, format);
  vsnprintf(fe.confirm_text, sizeof fe.confirm_text, format, args);
  va_end(args);
  fe.confirm_action = action;
  fe.confirm_value = value;
  fe.menu.cursor[MENU_PAGE_CONFIRM] = 1;  // "No"
  menu_push_page(MENU_PAGE_CONFIRM);
}

void show_error(const char* title, const char* format, ...) {
  va_list args;
  va_start(args, format);
  vsnprintf(fe.error_body, sizeof fe.error_body, format, args);
  va_end(args);
  snprintf(fe.error_title, sizeof fe.error_title, "%s", title);
  log_printf("%s: %s", fe.error_title, fe.error_body);
  if (!fe.menu_open) {
    open_menu(MENU_PAGE_ERROR);
  } else {
    menu_push_page(MENU_PAGE_ERROR);
  }
}

void window_size_for_scale(int32_t scale, int32_t* width, int32_t* height) {
  const int64_t limit = 16384;  // beyond any display; keeps every size an int
  int64_t h = int64_t(fe.adapter->height) * scale;
  if (h < 1) h = 1;
  if (h > limit) h = limit;
  double wide = double(h) * fe.adapter->aspect + 0.5;
  if (!(wide >= 1.0)) wide = 1.0;  // also a NaN aspect
  if (wide > double(limit)) wide = double(limit);
  int64_t w = int64_t(wide);
  if (fe.settings.rotation & 1) {
    *width = int32_t(h);
    *height = int32_t(w);
  } else {
    *width = int32_t(w);
    *height = int32_t(h);
  }
}

void apply_vsync() {
  fe.vsync_unpaced = 0;
  platform->set_vsync(fe.settings.vsync);
}

void apply_window_mode() {
  platform->window_fullscreen(fe.settings.fullscreen);
  if (fe.settings.fullscreen) return;
  int32_t w = 0, h = 0;
  window_size_for_scale(fe.settings.window_scale, &w, &h);
  platform->window_size(w, h);
}
