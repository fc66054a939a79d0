// The drawing seam: every shape, text line and texture copy of the frontend and the menu goes
// through a canvas, a small table of drawing operations. The program's canvas draws on the SDL
// renderer; tests use a recording canvas to read geometry instead of pixels. Shapes and text are
// composed from these operations by the drawing primitives and the text module.
#pragma once

#include <SDL.h>

#include <cstdint>

// A colour with red in the low byte, then green, blue and alpha in the top byte (0xAABBGGRR).
typedef uint32_t ui_color;

inline uint8_t ui_color_r(ui_color c) {
  return uint8_t(c);
}
inline uint8_t ui_color_g(ui_color c) {
  return uint8_t(c >> 8);
}
inline uint8_t ui_color_b(ui_color c) {
  return uint8_t(c >> 16);
}
inline uint8_t ui_color_a(ui_color c) {
  return uint8_t(c >> 24);
}
inline ui_color ui_rgba(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  return (r & 255) | (g & 255) << 8 | (b & 255) << 16 | (a & 255) << 24;
}
// The colour with its alpha byte replaced.
inline ui_color ui_with_alpha(ui_color c, uint32_t a) {
  return (c & 0x00FFFFFFu) | (a & 255) << 24;
}

struct canvas;

struct canvas_ops {
  // One filled rectangle, blended when the colour's alpha is below 255, else copied.
  void (*fill)(canvas* c, int32_t x, int32_t y, int32_t w, int32_t h, ui_color color);
  // Copies `source` of the texture (null = all of it) into `dest`, turned clockwise by angle
  // degrees about the centre of dest, with the texture's colour and alpha modulated by
  // `modulation` (0xffffffff = unchanged).
  void (*copy)(canvas* c, SDL_Texture* texture, const SDL_Rect* source, const SDL_Rect* dest,
               double angle, ui_color modulation);
  // Sets the drawing viewport; null restores the whole output.
  void (*viewport)(canvas* c, const SDL_Rect* rect);
  // Optional: draws one text line at the level of text_draw (same arguments and result).
  // Null on the SDL canvas, where text_draw copies glyphs from the font atlas instead.
  int32_t (*text)(canvas* c, const char* text, int32_t x, int32_t y, int32_t size, ui_color color,
                  int32_t align);
};

struct canvas {
  const canvas_ops* ops;
  SDL_Renderer* renderer;  // the renderer behind the SDL canvas; null on a recording canvas
  void* user;              // a test canvas's own record
};

// A canvas that draws on renderer.
canvas canvas_for_renderer(SDL_Renderer* renderer);
