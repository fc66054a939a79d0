// Text on screen from the built-in font: a 1024 x 348 coverage image of 191 glyphs drawn at 44
// pixels (DejaVu Sans, ui/font_atlas_data.cpp, made by tools/make_font_atlas), uploaded once as
// a white texture with alpha and stretched to any size. Text is UTF-8; U+0020-U+007E and
// U+00A0-U+00FF have glyphs, everything else is drawn as '?'. Measuring works from the glyph
// table alone, so it answers also without the texture.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <cstdint>

#include "ui/canvas.h"

enum {
  FONT_GLYPH_COUNT = 191,
  FONT_DESIGN_SIZE = 44,     // pixels the glyphs are drawn at
  FONT_LINE_HEIGHT = 58,     // cell height at the design size
  FONT_IMAGE_WIDTH = 1024,   // coverage image, one byte per pixel
  FONT_IMAGE_HEIGHT = 348,   // six bands of 58
  FONT_QUESTION_GLYPH = 31,  // '?', drawn for every code point without a glyph
  TEXT_ALIGN_LEFT = 0,
  TEXT_ALIGN_CENTRE = 1,
  TEXT_ALIGN_RIGHT = 2,
};

// One glyph's cell in the image and its metrics at the design size.
struct font_glyph {
  uint16_t x, y;           // cell's top left in the image (y is a band top)
  uint16_t width, height;  // cell size; height is 58 for every glyph
  float advance;           // pen advance in pixels
  int16_t x_offset;        // cell's left edge relative to the pen
  int16_t reserved;        // 0
};
static_assert(sizeof(font_glyph) == 16, "the glyph record is 16 bytes");

// The generated font data: records 0-94 are U+0020-U+007E, 95-190 U+00A0-U+00FF.
extern const font_glyph font_glyphs[FONT_GLYPH_COUNT];
extern const uint8_t font_image_packed[];  // zlib stream of the coverage image
extern const uint32_t font_image_packed_size;

// Inflates the image and uploads it as the atlas texture on renderer. 1 when the texture
// exists afterwards, else 0 (then text is measured but not drawn). A second call replaces it.
int font_atlas_init(SDL_Renderer* renderer);
// Destroys the atlas texture (call before the renderer goes).
void font_atlas_free();

// The next code point of UTF-8 text, advancing *cursor: a lead byte takes its continuation
// bytes; a missing continuation gives U+FFFD without consuming that byte, and a stray
// continuation byte gives U+FFFD and is consumed. Overlong forms and surrogates pass as decoded.
// Call only while **cursor is not 0.
uint32_t text_next_code_point(const char** cursor);
// Index of the glyph record drawn for a code point.
int32_t font_glyph_index(uint32_t code_point);

// Width in pixels of text at size pixels: trunc(sum of advances * size / 44 + 0.5); 0 for null.
int32_t text_measure(const char* text, int32_t size);
// The same for the first n bytes of text (a character begun before them counts whole).
int32_t text_measure_bytes(const char* text, size_t n, int32_t size);
// Line height in pixels at size: trunc(size / 44 * 58 + 0.5).
int32_t text_line_height(int32_t size);
// Draws one line with its box's top at y; align 0 starts at x, 1 centres on x, 2 ends at x.
// Returns the measured width; 0 and nothing drawn for null text or without the atlas. On a
// canvas with its own text operation, that operation draws (and answers) instead.
int32_t text_draw(canvas* c, const char* text, int32_t x, int32_t y, int32_t size, ui_color color,
                  int32_t align);
