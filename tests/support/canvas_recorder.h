// A canvas that draws nothing and records every operation, so tests can check geometry and text
// placement without reading pixels. Text is recorded at the level of text_draw (as passed, before
// alignment); the recorder answers every text with the width `text_width`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frontend/canvas.h"

struct recorded_fill {
  int32_t x, y, w, h;
  ui_color color;
};
struct recorded_text {
  std::string text;
  int32_t x, y, size;  // as passed (before alignment)
  ui_color color;
  int32_t align;
};
struct recorded_copy {
  SDL_Texture* texture;
  bool has_source;
  SDL_Rect source, dest;
  double angle;
  ui_color modulation;
};

struct canvas_recorder {
  std::vector<recorded_fill> fills;
  std::vector<recorded_text> texts;
  std::vector<recorded_copy> copies;
  std::vector<SDL_Rect> viewports;  // {0,0,0,0} for a reset
  int32_t text_width = 0;           // what every recorded text_draw returns

  canvas target();  // a canvas that records into this recorder
  void clear();
  // The first recorded text equal to `text`, or null.
  const recorded_text* find_text(const std::string& text) const;
};
