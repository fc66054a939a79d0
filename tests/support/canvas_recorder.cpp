// The recording canvas's operations.
#include "canvas_recorder.h"

static canvas_recorder* recorder_of(canvas* c) {
  return static_cast<canvas_recorder*>(c->user);
}

static void rec_fill(canvas* c, int32_t x, int32_t y, int32_t w, int32_t h, ui_color color) {
  recorder_of(c)->fills.push_back({x, y, w, h, color});
}
static void rec_copy(canvas* c, SDL_Texture* texture, const SDL_Rect* source, const SDL_Rect* dest,
                     double angle, ui_color modulation) {
  recorded_copy copy = {texture, source != nullptr, {}, {}, angle, modulation};
  if (source) copy.source = *source;
  if (dest) copy.dest = *dest;
  recorder_of(c)->copies.push_back(copy);
}
static void rec_viewport(canvas* c, const SDL_Rect* rect) {
  recorder_of(c)->viewports.push_back(rect ? *rect : SDL_Rect{0, 0, 0, 0});
}
static int32_t rec_text(canvas* c, const char* text, int32_t x, int32_t y, int32_t size,
                        ui_color color, int32_t align) {
  canvas_recorder* recorder = recorder_of(c);
  recorder->texts.push_back({text ? text : "", x, y, size, color, align});
  return recorder->text_width;
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
}

const recorded_text* canvas_recorder::find_text(const std::string& text) const {
  for (const recorded_text& t : texts) {
    if (t.text == text) return &t;
  }
  return nullptr;
}
