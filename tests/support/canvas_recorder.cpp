// The recording canvas's operations.
#include "canvas_recorder.h"

#include "ui/text.h"

static canvas_recorder* recorder_of(canvas* c) {
  return static_cast<canvas_recorder*>(c->user);
}

static void rec_fill(canvas* c, int32_t x, int32_t y, int32_t w, int32_t h, ui_color color) {
  canvas_recorder* recorder = recorder_of(c);
  recorder->fills.push_back({x, y, w, h, color, recorder->next_seq++});
}
static void rec_copy(canvas* c, SDL_Texture* texture, const SDL_Rect* source, const SDL_Rect* dest,
                     double angle, ui_color modulation) {
  canvas_recorder* recorder = recorder_of(c);
  const SDL_Rect viewport = recorder->viewports.empty() ? SDL_Rect{} : recorder->viewports.back();
  recorded_copy copy = {texture,    source != nullptr,    {},      {}, angle,
                        modulation, recorder->next_seq++, viewport};
  if (source) copy.source = *source;
  if (dest) copy.dest = *dest;
  recorder->copies.push_back(copy);
}
static void rec_viewport(canvas* c, const SDL_Rect* rect) {
  canvas_recorder* recorder = recorder_of(c);
  recorder->viewports.push_back(rect ? *rect : SDL_Rect{0, 0, 0, 0});
  recorder->next_seq++;
}
static int32_t rec_text(canvas* c, const char* text, int32_t x, int32_t y, int32_t size,
                        ui_color color, int32_t align) {
  canvas_recorder* recorder = recorder_of(c);
  const int32_t width = text_measure(text, size);
  const int32_t left = align == TEXT_ALIGN_CENTRE  ? x - width / 2
                       : align == TEXT_ALIGN_RIGHT ? x - width
                                                   : x;
  recorder->texts.push_back({text ? text : "", x, y, size, color, align, left, width,
                             text_line_height(size), recorder->next_seq++});
  return recorder->measure_text ? width : recorder->text_width;
}

static const canvas_ops recorder_ops = {
    .fill = rec_fill, .copy = rec_copy, .viewport = rec_viewport, .text = rec_text};

canvas canvas_recorder::target() {
  return canvas{.ops = &recorder_ops, .renderer = nullptr, .user = this};
}

void canvas_recorder::clear() {
  fills.clear();
  texts.clear();
  copies.clear();
  viewports.clear();
  next_seq = 0;
}

const recorded_text* canvas_recorder::find_text(const std::string& text) const {
  for (const recorded_text& t : texts) {
    if (t.text == text) return &t;
  }
  return nullptr;
}
