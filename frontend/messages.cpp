// Toasts, confirmation and error dialogs, and the window mode.
#include "frontend/messages.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "frontend/file_util.h"
#include "frontend/frontend_state.h"
#include "frontend/log.h"
#include "frontend/page_stack.h"
#include "frontend/platform.h"

void show_toast(const char* format, ...) {
  va_list args;
  va_start(args, format);
  vsnprintf(fe.toast_text, sizeof fe.toast_text, format, args);
  va_end(args);
  fe.toast_end = platform_now() + 2 * platform->frequency();
  log_printf("%s", fe.toast_text);
}

void format_path_message(char* out, size_t out_size, const char* lead, const char* path,
                         const char* tail) {
  if (out_size == 0) return;
  const size_t room = out_size - 1;
  const size_t fixed = strlen(lead) + strlen(tail);
  size_t length = strlen(path);
  const char* shown = path;
  const char* ellipsis = "";
  if (fixed + length > room && fixed + 4 <= room) {
    // Keep the tail of the path that fits after "...", never starting inside a UTF-8 sequence.
    shown = path + length - (room - fixed - 3);
    while (*shown && (static_cast<unsigned char>(*shown) & 0xC0) == 0x80) shown++;
    ellipsis = "...";
  }
  snprintf(out, out_size, "%s%s%s%s", lead, ellipsis, shown, tail);
}

void show_path_toast(const char* lead, const char* path, const char* tail) {
  char text[sizeof fe.toast_text];
  format_path_message(text, sizeof text, lead, path, tail);
  show_toast("%s", text);
}

// The words for a failure that came without any.
static const char UNKNOWN_FAILURE[] = "input/output error";

void format_file_failure(char* out, size_t out_size, const char* lead, const char* path,
                         const char* reason, const char* tail) {
  // The file layer names the path itself when something other than a file is in the way
  // ("PATH is not a file (a FIFO)"): its words after "PATH is " say why, the path comes once.
  const size_t path_length = strlen(path);
  if (strncmp(reason, path, path_length) == 0 && strncmp(reason + path_length, " is ", 4) == 0) {
    reason += path_length + 4;
  }
  char rest[FILE_MESSAGE_MAX];
  snprintf(rest, sizeof rest, " (%s)%s", reason[0] ? reason : UNKNOWN_FAILURE, tail);
  format_path_message(out, out_size, lead, path, rest);
}

void show_failure_toast(const char* lead, const char* path, const char* reason, const char* tail) {
  char text[sizeof fe.toast_text];
  format_file_failure(text, sizeof text, lead, path, reason, tail);
  show_toast("%s", text);
}

void report_write_failure(int32_t kind, const char* lead, const char* path, const char* reason) {
  if (kind < 0 || kind >= WRITE_KINDS) return;
  char* last = fe.write_failure[kind];
  if (!reason[0]) reason = UNKNOWN_FAILURE;  // "" stands for "the last write went well"
  if (strncmp(last, reason, sizeof fe.write_failure[kind] - 1) == 0) return;
  const int first = last[0] == '\0';
  snprintf(last, sizeof fe.write_failure[kind], "%s", reason);
  if (first) {
    show_failure_toast(lead, path, reason, "");
  } else {
    char text[FILE_MESSAGE_MAX + 256];
    format_file_failure(text, sizeof text, lead, path, reason, "");
    log_printf("%s", text);
  }
}

void report_write_success(int32_t kind) {
  if (kind >= 0 && kind < WRITE_KINDS) fe.write_failure[kind][0] = '\0';
}

// Takes every confirmation page off the stack, keeping the order of the others.
static void drop_confirmations() {
  menu_state& m = fe.menu;
  int32_t kept = 0;
  for (int32_t i = 0; i < m.depth && i < MENU_STACK_MAX; i++) {
    if (m.page_stack[i] != MENU_PAGE_CONFIRM) m.page_stack[kept++] = m.page_stack[i];
  }
  if (kept != m.depth) {
    m.depth = kept;
    m.stack_changes++;
  }
}

void show_confirm(int32_t action, int32_t value, const char* format, ...) {
  va_list args;
  va_start(args, format);
  vsnprintf(fe.confirm_text, sizeof fe.confirm_text, format, args);
  va_end(args);
  log_printf("%s", fe.confirm_text);
  fe.confirm_action = action;
  fe.confirm_value = value;
  fe.menu.cursor[MENU_PAGE_CONFIRM] = 1;  // "No"
  // A question still open shares the text, action and value just replaced: it must not come
  // back after this one is answered.
  drop_confirmations();
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

void recheck_vsync_pacing() {
  fe.vsync_unpaced = 0;
  fe.pictures_this_second = 0;  // counted while the finding stood, perhaps minimised
}

void apply_vsync() {
  recheck_vsync_pacing();
  platform->set_vsync(fe.settings.vsync);
}

void apply_window_mode() {
  recheck_vsync_pacing();
  platform->window_fullscreen(fe.settings.fullscreen);
  if (fe.settings.fullscreen) return;
  int32_t w = 0, h = 0;
  window_size_for_scale(fe.settings.window_scale, &w, &h);
  platform->window_size(w, h);
}
