// Preview boxes: fitting the shown aspect and copying a turned picture into the box.
#include "menu/menu_preview.h"

#include "frontend/frontend_state.h"

// The aspect of the picture as shown: width over height, inverted for an odd rotation.
static double shown_aspect() {
  const double a = fe.adapter->aspect > 0.0 ? fe.adapter->aspect : 4.0 / 3.0;
  return (fe.settings.rotation & 1) ? 1.0 / a : a;
}

void menu_preview_fit(int32_t avail_w, int32_t avail_h, int32_t* box_w, int32_t* box_h) {
  *box_w = *box_h = 0;
  if (avail_w <= 0 || avail_h <= 0) return;
  const double a = shown_aspect();
  if (avail_h < int32_t(avail_w / a)) {
    *box_h = avail_h;
    *box_w = int32_t(avail_h * a);
  } else {
    *box_w = avail_w;
    *box_h = int32_t(avail_w / a);
  }
}

void menu_preview_copy(SDL_Texture* texture, int32_t left, int32_t top, int32_t box_w,
                       int32_t box_h) {
  if (!texture || box_w <= 0 || box_h <= 0) return;
  const int32_t rotation = fe.settings.rotation & 3;
  const double a = shown_aspect();
  const bool odd = rotation & 1;
  const int32_t q = int32_t(box_w / a);
  int32_t w, h;
  if (box_h < q) {
    const int32_t across = int32_t(box_h * a);
    w = odd ? box_h : across;
    h = odd ? across : box_h;
  } else {
    w = odd ? q : box_w;
    h = odd ? box_w : q;
  }
  // Unturned, centred on the box: turning it about its centre makes it fill the box.
  const SDL_Rect dest = {left + (box_w - w) / 2, top + (box_h - h) / 2, w, h};
  fe.draw.ops->copy(&fe.draw, texture, nullptr, &dest, rotation * 90.0, 0xffffffffu);
}
