// The shapes the menu, the dialogs, the gadgets and the picture border are drawn with, all made
// of filled rectangles on a canvas (each blended when its colour's alpha is below 255).
#pragma once

#include <cstdint>

#include "ui/canvas.h"

void draw_fill_rect(canvas* c, int32_t x, int32_t y, int32_t w, int32_t h, ui_color color);
// An outline `thickness` pixels wide inside (x, y, w, h).
void draw_frame_rect(canvas* c, int32_t x, int32_t y, int32_t w, int32_t h, int32_t thickness,
                     ui_color color);
// A filled rectangle with corners of `radius` (limited to half the height, then half the width),
// each corner row inset to the circle measured at the row's centre line: 3 + 4r fills.
void draw_round_rect(canvas* c, int32_t x, int32_t y, int32_t w, int32_t h, int32_t radius,
                     ui_color color);
// min(h, 64) bands from `top` shading towards `bottom` (the last band one step short of it).
void draw_vertical_gradient(canvas* c, int32_t x, int32_t y, int32_t w, int32_t h, ui_color top,
                            ui_color bottom);
