// Text drawing from the built-in font atlas: UTF-8 decoding, measuring and glyph copies.
#include "ui/text.h"

#include <zlib.h>

#include "ui/textures.h"

#include <cstdlib>
#include <cstring>

static SDL_Texture* atlas_texture = nullptr;  // on the renderer font_atlas_init was given

static const double design_size = FONT_DESIGN_SIZE, design_line = FONT_LINE_HEIGHT;

int font_atlas_init(SDL_Renderer* renderer) {
  font_atlas_free();
  const uLong image_bytes = uLong(FONT_IMAGE_WIDTH) * FONT_IMAGE_HEIGHT;
  uint8_t* coverage = static_cast<uint8_t*>(malloc(image_bytes));
  uint32_t* pixels = static_cast<uint32_t*>(malloc(image_bytes * 4));
  uLongf out_size = image_bytes;
  if (renderer && coverage && pixels &&
      uncompress(coverage, &out_size, font_image_packed, font_image_packed_size) == Z_OK &&
      out_size == image_bytes) {
    // White everywhere; the coverage is the alpha.
    for (uLong i = 0; i < image_bytes; i++) pixels[i] = uint32_t(coverage[i]) << 24 | 0xFFFFFFu;
    atlas_texture = texture_create(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC,
                                   FONT_IMAGE_WIDTH, FONT_IMAGE_HEIGHT, SDL_ScaleModeLinear,
                                   SDL_BLENDMODE_BLEND);
    if (atlas_texture && SDL_UpdateTexture(atlas_texture, nullptr, pixels, FONT_IMAGE_WIDTH * 4)) {
      font_atlas_free();
    }
  }
  free(coverage);
  free(pixels);
  return atlas_texture != nullptr;
}

void font_atlas_free() {
  if (atlas_texture) SDL_DestroyTexture(atlas_texture);
  atlas_texture = nullptr;
}

uint32_t text_next_code_point(const char** cursor) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(*cursor);
  uint32_t lead = *s++;
  uint32_t code = lead;
  int follow = 0;
  if (lead >= 0xF0) {
    code = lead & 7;
    follow = 3;
  } else if (lead >= 0xE0) {
    code = lead & 15;
    follow = 2;
  } else if (lead >= 0xC0) {
    code = lead & 31;
    follow = 1;
  } else if (lead >= 0x80) {
    code = 0xFFFD;  // a continuation byte on its own
  }
  for (int i = 0; i < follow; i++) {
    if ((*s & 0xC0) != 0x80) {  // also the terminating 0: it stays for the caller
      code = 0xFFFD;
      break;
    }
    code = code << 6 | (*s++ & 63);
  }
  *cursor = reinterpret_cast<const char*>(s);
  return code;
}

int32_t font_glyph_index(uint32_t code_point) {
  if (code_point >= 0x20 && code_point <= 0x7E) return int32_t(code_point - 32);
  if (code_point >= 0xA0 && code_point <= 0xFF) return int32_t(code_point - 65);
  return FONT_QUESTION_GLYPH;
}

int32_t text_measure_bytes(const char* text, size_t n, int32_t size) {
  if (!text) return 0;
  const char* const end = text + n;
  double sum = 0.0;
  while (text < end && *text) {
    sum += font_glyphs[font_glyph_index(text_next_code_point(&text))].advance;
  }
  return int32_t(sum * size / design_size + 0.5);
}

int32_t text_measure(const char* text, int32_t size) {
  return text ? text_measure_bytes(text, strlen(text), size) : 0;
}

int32_t text_line_height(int32_t size) {
  return int32_t(size / design_size * design_line + 0.5);
}

int32_t text_draw(canvas* c, const char* text, int32_t x, int32_t y, int32_t size, ui_color color,
                  int32_t align) {
  if (!text) return 0;
  if (c->ops->text) return c->ops->text(c, text, x, y, size, color, align);
  if (!atlas_texture) return 0;
  const int32_t width = text_measure(text, size);
  if (align == TEXT_ALIGN_CENTRE) x -= width / 2;
  if (align == TEXT_ALIGN_RIGHT) x -= width;
  const double scale = size / design_size;
  double pen = x;
  while (*text) {
    const uint32_t code = text_next_code_point(&text);
    const font_glyph& g = font_glyphs[font_glyph_index(code)];
    if (code != 0x20) {  // the plain space has nothing to draw; U+00A0 is drawn like any glyph
      const SDL_Rect source = {g.x, g.y, g.width, g.height};
      const SDL_Rect dest = {int32_t(g.x_offset * scale + pen + 0.5), y,
                             int32_t(g.width * scale + 0.99), int32_t(g.height * scale + 0.99)};
      c->ops->copy(c, atlas_texture, &source, &dest, 0.0, color);
    }
    pen += g.advance * scale;
  }
  return width;
}
