// The game picture: fetch, colour table and texture upload.
#include "frontend/picture.h"

#include <cmath>

#include "frontend/frontend_state.h"

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
}
