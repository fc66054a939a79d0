// Rectangles, rounded rectangles and gradients on a canvas.
#include "ui/draw.h"

#include <cmath>

void draw_fill_rect(canvas* c, int32_t x, int32_t y, int32_t w, int32_t h, ui_color color) {
  c->ops->fill(c, x, y, w, h, color);
}

void draw_frame_rect(canvas* c, int32_t x, int32_t y, int32_t w, int32_t h, int32_t thickness,
                     ui_color color) {
  const int32_t t = thickness;
  c->ops->fill(c, x, y, w, t, color);
  c->ops->fill(c, x, y + h - t, w, t, color);
  c->ops->fill(c, x, y + t, t, h - 2 * t, color);
  c->ops->fill(c, x + w - t, y + t, t, h - 2 * t, color);
}

void draw_round_rect(canvas* c, int32_t x, int32_t y, int32_t w, int32_t h, int32_t radius,
                     ui_color color) {
  int32_t r = radius;
  if (2 * r > h) r = h / 2;
  if (2 * r > w) r = w / 2;
  c->ops->fill(c, x + r, y, w - 2 * r, h, color);
  for (int32_t i = 0; r > 0 && i < r; i++) {
    const double k = r - i - 0.5;  // the row's centre line, measured from the circle's centre
    const int32_t inset = int32_t(r - std::sqrt(double(r) * r - k * k) + 0.5);
    c->ops->fill(c, x + inset, y + i, r - inset, 1, color);
    c->ops->fill(c, x + w - r, y + i, r - inset, 1, color);
    c->ops->fill(c, x + inset, y + h - 1 - i, r - inset, 1, color);
    c->ops->fill(c, x + w - r, y + h - 1 - i, r - inset, 1, color);
  }
  c->ops->fill(c, x, y + r, r, h - 2 * r, color);
  c->ops->fill(c, x + w - r, y + r, r, h - 2 * r, color);
}

void draw_vertical_gradient(canvas* c, int32_t x, int32_t y, int32_t w, int32_t h, ui_color top,
                            ui_color bottom) {
  if (h <= 0) return;
  const uint32_t n = h < 64 ? uint32_t(h) : 64u, height = uint32_t(h);
  for (uint32_t i = 0; i < n; i++) {
    const int32_t y0 = int32_t(i * height / n), y1 = int32_t((i + 1) * height / n);
    ui_color color = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      const int32_t a = int32_t(top >> shift & 255), b = int32_t(bottom >> shift & 255);
      color |= uint32_t(a + (b - a) * int32_t(i) / int32_t(n)) << shift;
    }
    c->ops->fill(c, x, y + y0, w, y1 - y0, color);
  }
}
