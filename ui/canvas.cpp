// The SDL canvas: the drawing operations over an SDL renderer.
#include "ui/canvas.h"

static void sdl_fill(canvas* c, int32_t x, int32_t y, int32_t w, int32_t h, ui_color color) {
  uint8_t alpha = ui_color_a(color);
  SDL_SetRenderDrawBlendMode(c->renderer, alpha < 255 ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE);
  SDL_SetRenderDrawColor(c->renderer, ui_color_r(color), ui_color_g(color), ui_color_b(color),
                         alpha);
  SDL_Rect rect = {x, y, w, h};
  SDL_RenderFillRect(c->renderer, &rect);
}

static void sdl_copy(canvas* c, SDL_Texture* texture, const SDL_Rect* source, const SDL_Rect* dest,
                     double angle, ui_color modulation) {
  if (!texture) return;
  SDL_SetTextureColorMod(texture, ui_color_r(modulation), ui_color_g(modulation),
                         ui_color_b(modulation));
  SDL_SetTextureAlphaMod(texture, ui_color_a(modulation));
  if (angle == 0.0) {
    SDL_RenderCopy(c->renderer, texture, source, dest);
  } else {
    SDL_RenderCopyEx(c->renderer, texture, source, dest, angle, nullptr, SDL_FLIP_NONE);
  }
}

static void sdl_viewport(canvas* c, const SDL_Rect* rect) {
  SDL_RenderSetViewport(c->renderer, rect);
}

static const canvas_ops sdl_canvas_ops = {
    .fill = sdl_fill,
    .copy = sdl_copy,
    .viewport = sdl_viewport,
    .text = nullptr,
};

canvas canvas_for_renderer(SDL_Renderer* renderer) {
  return canvas{.ops = &sdl_canvas_ops, .renderer = renderer, .user = nullptr};
}
