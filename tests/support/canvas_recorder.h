// A canvas that draws nothing and records every operation, so tests can check geometry and text
// placement without reading pixels. Text is recorded at the level of text_draw (as passed, before
// alignment, and as the box the built-in font gives it); the recorder answers every text with the
// width `text_width`, or with its measured width when `measure_text` is set.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/canvas.h"

// Each record carries `seq`, its place among all the operations recorded since the last clear.
struct recorded_fill {
  int32_t x, y, w, h;
  ui_color color;
  uint32_t seq;
};
struct recorded_text {
  std::string text;
  int32_t x, y, size;  // as passed (before alignment)
  ui_color color;
  int32_t align;
  int32_t left, width, height;  // the line's box: aligned left edge, text_measure, line height
  uint32_t seq;
};
struct recorded_copy {
  SDL_Texture* texture;
  bool has_source;
  SDL_Rect source, dest;
  double angle;
  ui_color modulation;
  uint32_t seq;
  SDL_Rect viewport;  // the viewport it was drawn in ({0,0,0,0}: the whole output)
};

struct canvas_recorder {
  std::vector<recorded_fill> fills;
  std::vector<recorded_text> texts;
  std::vector<recorded_copy> copies;
  std::vector<SDL_Rect> viewports;  // {0,0,0,0} for a reset
  uint32_t next_seq = 0;
  int32_t text_width = 0;     // what every recorded text_draw returns...
  bool measure_text = false;  // ...unless this is set: then its measured width

  canvas target();  // a canvas that records into this recorder
  void clear();
  // The first recorded text equal to `text`, or null.
  const recorded_text* find_text(const std::string& text) const;
};
