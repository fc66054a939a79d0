// The game picture: fetch, colour table, texture upload, placement in a box and the CRT
// overlays (scanlines and the phosphor masks).
#include "frontend/picture.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "frontend/frontend_state.h"
#include "ui/textures.h"

uint32_t xrgb1555_to_xrgb8888(uint16_t pixel) {
  uint32_t r = (pixel >> 10) & 31, g = (pixel >> 5) & 31, b = pixel & 31;
  r = r << 3 | r >> 2;
  g = g << 3 | g >> 2;
  b = b << 3 | b >> 2;
  return r << 16 | g << 8 | b;
}

void fetch_frame() {
  const game_adapter* game = fe.adapter;
  if (!fe.frame) return;
  if (game->get_frame_xrgb8888) {
    game->get_frame_xrgb8888(fe.frame);
  } else if (game->get_frame_xrgb1555 && fe.frame16) {
    game->get_frame_xrgb1555(fe.frame16);
    uint32_t pixels = game->width * game->height;
    for (uint32_t i = 0; i < pixels; i++) fe.frame[i] = xrgb1555_to_xrgb8888(fe.frame16[i]);
  }
}

void build_colour_table(int32_t brightness, int32_t gamma, uint8_t table[256]) {
  double gain = brightness / 100.0;
  double exponent = 1.0 / (gamma / 100.0);
  for (int i = 0; i < 256; i++) {
    double x = gain * pow(i / 255.0, exponent);
    if (x > 1.0) x = 1.0;
    table[i] = uint8_t(x * 255.0 + 0.5);
  }
}

void upload_frame() {
  if (fe.colour_dirty) {
    build_colour_table(fe.settings.brightness, fe.settings.gamma, fe.colour_table);
    fe.colour_dirty = 0;
  }
  if (!fe.frame || !fe.upload) return;
  const uint8_t* table = fe.colour_table;
  uint32_t pixels = fe.adapter->width * fe.adapter->height;
  for (uint32_t i = 0; i < pixels; i++) {
    uint32_t p = fe.frame[i];
    fe.upload[i] = 0xFF000000u | uint32_t(table[(p >> 16) & 255]) << 16 |
                   uint32_t(table[(p >> 8) & 255]) << 8 | table[p & 255];
  }
  if (fe.game_texture) {
    SDL_UpdateTexture(fe.game_texture, nullptr, fe.upload, int(fe.adapter->width * 4));
  }
  fe.turned_rotation = 0;
}

// The scale mode the filter setting asks of the picture's textures.
static SDL_ScaleMode picture_scale_mode() {
  return fe.settings.filter == 1 ? SDL_ScaleModeLinear : SDL_ScaleModeNearest;
}

int create_game_texture() {
  if (fe.game_texture) SDL_DestroyTexture(fe.game_texture);
  // Opaque (the upload's alpha is 255 throughout): copies of it need no blending.
  fe.game_texture =
      texture_create(fe.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                     int32_t(fe.adapter->width), int32_t(fe.adapter->height), picture_scale_mode(),
                     SDL_BLENDMODE_NONE);
  return fe.game_texture != nullptr;
}

void apply_picture_filter() {
  texture_set_scale_mode(fe.renderer, fe.game_texture, picture_scale_mode());
  texture_set_scale_mode(fe.renderer, fe.turned_texture, picture_scale_mode());
}

// trunc(v) kept within what a rectangle can hold; a NaN counts as 0.
static int32_t truncate_size(double v) {
  const double limit = 1 << 28;
  if (v != v) return 0;
  if (v > limit) return int32_t(limit);
  if (v < -limit) return -int32_t(limit);
  return int32_t(v);
}

SDL_Rect picture_placement(int32_t box_w, int32_t box_h, int32_t native_w, int32_t native_h,
                           double aspect, int32_t scale_mode, int32_t square_pixels,
                           int32_t rotation) {
  if (native_w <= 0 || native_h <= 0) return SDL_Rect{box_w / 2, box_h / 2, 0, 0};
  if (square_pixels) aspect = double(native_w) / double(native_h);
  // The picture's own width has to fit W and its height H; turned, they swap on screen.
  const int32_t W = (rotation & 1) ? box_h : box_w;
  const int32_t H = (rotation & 1) ? box_w : box_h;
  int32_t w = 0, h = 0;
  if (scale_mode == 1) {
    int32_t n = H / native_h;
    if (n < 1) n = 1;
    for (;;) {
      h = native_h * n;
      w = square_pixels ? native_w * n : truncate_size(h * aspect + 0.5);
      if (n > 1 && w > W) {
        n--;
        continue;
      }
      break;
    }
  } else {
    w = truncate_size(H * aspect + 0.5);
    h = H;
    if (w > W) {
      h = truncate_size(W / aspect + 0.5);
      w = W;
    }
  }
  return SDL_Rect{(box_w - w) / 2, (box_h - h) / 2, w, h};
}

SDL_Rect picture_screen_rect(const SDL_Rect* placed, int32_t rotation) {
  if (!(rotation & 1)) return *placed;
  // Twice the centre stays put; halving floors, so both halves of an odd difference agree.
  const int64_t cx2 = 2 * int64_t(placed->x) + placed->w, cy2 = 2 * int64_t(placed->y) + placed->h;
  const int64_t x2 = cx2 - placed->h, y2 = cy2 - placed->w;
  return SDL_Rect{int32_t(x2 >= 0 ? x2 / 2 : -((1 - x2) / 2)),
                  int32_t(y2 >= 0 ? y2 / 2 : -((1 - y2) / 2)), placed->h, placed->w};
}

turn_walk picture_turn_row(int32_t width, int32_t height, int32_t rotation, int32_t row) {
  switch (rotation & 3) {
    case 1:  // the left column, bottom to top, becomes the top row
      return turn_walk{row, height - 1, 0, -1};
    case 2:
      return turn_walk{width - 1, height - 1 - row, -1, 0};
    case 3:  // the right column, top to bottom, becomes the top row
      return turn_walk{width - 1 - row, 0, 0, 1};
    default:
      return turn_walk{0, row, 1, 0};
  }
}

uint32_t crt_mask_pixel(int32_t mask, int32_t strength, int32_t row, int32_t column) {
  if (strength < 0) strength = 0;
  if (strength > 100) strength = 100;
  const uint32_t a = uint32_t(strength) * 255 / 100;
  const uint32_t off = 255 - 2 * a / 3;
  const uint32_t triad = uint32_t(column) / 3;
  uint32_t lit = 0;  // 0 red, 1 green, 2 blue
  switch (mask) {
    case 1:
    case 3:
      lit = uint32_t(column) % 3;
      break;
    case 2:
      lit = (uint32_t(row & 2) + uint32_t(column)) % 3;
      break;
    default:
      return 0xFFFFFFFFu;
  }
  uint32_t channel[3] = {off, off, off};
  const bool slot_gap =
      mask == 3 && (((row & 3) == 1 && (triad & 1)) || ((row & 3) == 3 && !(triad & 1)));
  if (!slot_gap) channel[lit] = 255;
  if (mask == 2 && (row & 1)) {
    for (uint32_t& c : channel) c = c * 9 / 10;
  }
  return 0xFF000000u | channel[0] << 16 | channel[1] << 8 | channel[2];
}

// One pixel of an overlay at the unturned row and column: the scanlines for mask 0 (a clear
// upper and a black lower half per game line), else the phosphor mask.
static uint32_t overlay_pixel(int32_t mask, int32_t strength, int32_t row, int32_t column) {
  if (mask == 0) return (row & 1) ? 0xFF000000u : 0u;
  return crt_mask_pixel(mask, strength, row, column);
}

// A static texture of a width x height overlay (overlay_pixel) turned by rotation, drawn with
// these modes, or null. The caller destroys it.
static SDL_Texture* turned_overlay(int32_t width, int32_t height, int32_t rotation, int32_t mask,
                                   int32_t strength, SDL_ScaleMode scale_mode,
                                   SDL_BlendMode blend_mode) {
  const int32_t tw = (rotation & 1) ? height : width, th = (rotation & 1) ? width : height;
  SDL_Texture* texture = texture_create(fe.renderer, SDL_PIXELFORMAT_ARGB8888,
                                        SDL_TEXTUREACCESS_STATIC, tw, th, scale_mode, blend_mode);
  if (!texture) return nullptr;
  uint32_t* pixels = static_cast<uint32_t*>(malloc(size_t(tw) * size_t(th) * 4));
  if (!pixels) {
    SDL_DestroyTexture(texture);
    return nullptr;
  }
  for (int32_t y = 0; y < th; y++) {
    turn_walk at = picture_turn_row(width, height, rotation, y);
    uint32_t* out = pixels + size_t(y) * size_t(tw);
    for (int32_t x = 0; x < tw; x++, at.sx += at.dx, at.sy += at.dy) {
      out[x] = overlay_pixel(mask, strength, at.sy, at.sx);
    }
  }
  SDL_UpdateTexture(texture, nullptr, pixels, tw * 4);
  free(pixels);
  return texture;
}

void build_crt_overlays(const SDL_Rect* picture) {
  if (!fe.renderer || !picture) return;
  const frontend_settings& s = fe.settings;
  const int32_t rotation = s.rotation & 3;
  if (fe.scanline_texture && fe.scanline_rotation != rotation) {
    SDL_DestroyTexture(fe.scanline_texture);
    fe.scanline_texture = nullptr;
  }
  if (!fe.scanline_texture) {
    // Stretched over the picture with linear filtering, which softens the line edges.
    fe.scanline_texture = turned_overlay(1, 2 * int32_t(fe.adapter->height), rotation, 0, 0,
                                         SDL_ScaleModeLinear, SDL_BLENDMODE_BLEND);
    fe.scanline_rotation = rotation;
  }

  if (s.mask == 0) return;
  const int32_t key[4] = {picture->w, picture->h, s.mask, s.mask_strength};
  if (memcmp(key, fe.mask_key, sizeof key) == 0 && fe.mask_rotation == rotation) return;
  if (fe.mask_texture) SDL_DestroyTexture(fe.mask_texture);
  memcpy(fe.mask_key, key, sizeof key);  // also after a failure: not retried for this key
  fe.mask_rotation = rotation;
  // Drawn multiplying: the picture's colours times the mask's.
  fe.mask_texture = picture->w > 0 && picture->h > 0
                        ? turned_overlay(picture->w, picture->h, rotation, s.mask, s.mask_strength,
                                         SDL_ScaleModeNearest, SDL_BLENDMODE_MOD)
                        : nullptr;
}

// Fills turned_texture with the upload buffer turned by rotation (1-3). 0 when it cannot.
static int fill_turned_texture(int32_t rotation) {
  const int32_t w = int32_t(fe.adapter->width), h = int32_t(fe.adapter->height);
  const int32_t tw = (rotation & 1) ? h : w, th = (rotation & 1) ? w : h;
  if (!fe.upload || !fe.renderer) return 0;
  if (fe.turned_texture) {
    int texture_w = 0, texture_h = 0;
    SDL_QueryTexture(fe.turned_texture, nullptr, nullptr, &texture_w, &texture_h);
    if (texture_w != tw || texture_h != th) {
      SDL_DestroyTexture(fe.turned_texture);
      fe.turned_texture = nullptr;
    }
  }
  if (!fe.turned_texture) {
    // Without alpha: the picture is opaque, and opaque copies are the fast ones.
    fe.turned_texture =
        texture_create(fe.renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, tw, th,
                       picture_scale_mode(), SDL_BLENDMODE_NONE);
    if (!fe.turned_texture) return 0;
  }
  void* pixels = nullptr;
  int pitch = 0;
  if (SDL_LockTexture(fe.turned_texture, nullptr, &pixels, &pitch) != 0) return 0;
  for (int32_t y = 0; y < th; y++) {
    const turn_walk at = picture_turn_row(w, h, rotation, y);
    const uint32_t* from = fe.upload + size_t(at.sy) * size_t(w) + size_t(at.sx);
    const ptrdiff_t step = ptrdiff_t(at.dy) * w + at.dx;
    uint32_t* out =
        reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(pixels) + ptrdiff_t(y) * pitch);
    for (int32_t x = 0; x < tw; x++) out[x] = from[ptrdiff_t(x) * step];
  }
  SDL_UnlockTexture(fe.turned_texture);
  fe.turned_rotation = rotation;
  return 1;
}

void draw_game_picture(int32_t box_w, int32_t box_h, int32_t dim) {
  if (!fe.game_texture) return;
  const frontend_settings& s = fe.settings;
  const int32_t rotation = s.rotation & 3;
  const SDL_Rect rect =
      picture_placement(box_w, box_h, int32_t(fe.adapter->width), int32_t(fe.adapter->height),
                        fe.adapter->aspect, s.scale_mode, s.aspect_mode != 0, rotation);
  const SDL_Rect screen = picture_screen_rect(&rect, rotation);
  const ui_color modulation = dim ? ui_rgba(90, 90, 100, 255) : 0xFFFFFFFFu;
  canvas* c = &fe.draw;
  // No texture state changes here: the textures got their modes when they were made.
  if (rotation != 0 &&
      ((fe.turned_texture && fe.turned_rotation == rotation) || fill_turned_texture(rotation))) {
    c->ops->copy(c, fe.turned_texture, nullptr, &screen, 0.0, modulation);
  } else {
    c->ops->copy(c, fe.game_texture, nullptr, &rect, rotation * 90.0, modulation);
  }
  // The overlays are built turned, so they go straight onto the picture's screen rectangle.
  if (s.scanlines > 0) {
    build_crt_overlays(&rect);
    const uint32_t alpha = uint32_t(s.scanlines) * 255 / 100 & 255;
    if (fe.scanline_texture) {
      c->ops->copy(c, fe.scanline_texture, nullptr, &screen, 0.0, ui_rgba(255, 255, 255, alpha));
    }
  }
  if (s.mask > 0) {
    build_crt_overlays(&rect);
    if (fe.mask_texture) c->ops->copy(c, fe.mask_texture, nullptr, &screen, 0.0, 0xFFFFFFFFu);
  }
}
