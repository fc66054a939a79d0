// Screenshots: turning the picture into RGB bytes, naming the file and writing the PNG.
#include "frontend/screenshot.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "frontend/file_util.h"
#include "frontend/frontend_state.h"
#include "frontend/messages.h"
#include "frontend/picture.h"
#include "frontend/png_writer.h"

void screenshot_rotate_rgb(const uint32_t* frame, int32_t width, int32_t height, int32_t rotation,
                           uint8_t* out) {
  const int32_t out_w = (rotation & 1) ? height : width, out_h = (rotation & 1) ? width : height;
  for (int32_t y = 0; y < out_h; y++) {
    turn_walk at = picture_turn_row(width, height, rotation, y);
    for (int32_t x = 0; x < out_w; x++, at.sx += at.dx, at.sy += at.dy) {
      const uint32_t p = frame[size_t(at.sy) * size_t(width) + size_t(at.sx)];
      *out++ = uint8_t(p >> 16);
      *out++ = uint8_t(p >> 8);
      *out++ = uint8_t(p);
    }
  }
}

uint8_t* screenshot_rgb(int32_t rotation, int32_t* width, int32_t* height) {
  const int32_t w = int32_t(fe.adapter->width), h = int32_t(fe.adapter->height);
  if (!fe.frame || w <= 0 || h <= 0) return nullptr;
  uint8_t* rgb = static_cast<uint8_t*>(malloc(size_t(w) * size_t(h) * 3));
  if (!rgb) return nullptr;
  screenshot_rotate_rgb(fe.frame, w, h, rotation, rgb);
  *width = (rotation & 1) ? h : w;
  *height = (rotation & 1) ? w : h;
  return rgb;
}

int take_screenshot() {
  char stamp[64] = "";
  char name[80];
  char path[FILE_PATH_MAX];
  const time_t now = time(nullptr);
  struct tm local;
  if (localtime_r(&now, &local)) strftime(stamp, sizeof stamp, "shot-%Y%m%d-%H%M%S", &local);
  snprintf(name, sizeof name, "%s-%03u.png", stamp, unsigned(fe.frame_counter % 1000));
  char reason[FILE_MESSAGE_MAX] = "";
  const int path_ok = path_join_for_writing(path, sizeof path, fe.screenshots_dir, name);
  if (!path_ok) file_error_text(errno, reason, sizeof reason);

  int32_t w = 0, h = 0;
  uint8_t* rgb = screenshot_rgb(fe.settings.rotation, &w, &h);
  if (!rgb) return 0;
  const int written = path_ok && png_write_rgb_msg(path, rgb, w, h, reason, sizeof reason);
  free(rgb);
  if (written) {
    show_toast("Screenshot saved: %s", name);
  } else {
    show_failure_toast("Screenshot failed: ", path, reason, "");
  }
  return written;
}
