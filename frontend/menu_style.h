// The menu's measures and its accent colour, which the toasts and gadgets drawn over the game
// share with the pages.
#pragma once

#include <cstdint>

#include "frontend/frontend_state.h"
#include "ui/canvas.h"

// The accent colour: the accent setting's entry (taken modulo 6) of Azure, Amber, Crimson, Jade,
// Violet and Silver.
ui_color menu_accent_color();

enum {
  MENU_MIN_UNIT = 73,  // the menu's unit at least, from 640 x 480 up: 18 u is then 13 pixels
  MENU_TEXT_MIN = 13,  // pixels: no menu text is smaller from 640 x 480 up
};

// 1 while the ui unit is below MENU_MIN_UNIT (a window narrower than about 935 pixels or lower
// than about 555): the menu is then laid out compactly, with its text raised to 13 pixels from
// 640 x 480 up and the list over the whole width on pages with nothing beside it. Larger
// windows (1280 x 720 has a ui unit of 94) are laid out by the ui unit alone.
inline int32_t menu_compact() {
  return fe.ui_unit < MENU_MIN_UNIT;
}

// The unit the menu, its dialogs and the toasts are laid out in: the ui unit of this loop, but
// MENU_MIN_UNIT in a compact window of at least 640 x 480.
inline int32_t menu_unit() {
  return menu_compact() && fe.output_w >= 640 && fe.output_h >= 480 ? int32_t(MENU_MIN_UNIT)
                                                                    : fe.ui_unit;
}

// n u: the menu's unit of this loop times n / 100, truncated.
inline int32_t menu_units(int32_t n) {
  return menu_unit() * n / 100;
}

// A menu text size of n u, raised to MENU_TEXT_MIN wherever the menu's unit is raised (for the
// few texts smaller than 18 u).
inline int32_t menu_text_size(int32_t n) {
  const int32_t size = menu_units(n);
  return menu_unit() != fe.ui_unit && size < MENU_TEXT_MIN ? int32_t(MENU_TEXT_MIN) : size;
}

// The y of the line over the menu's footer (the hint and the key legend below it): 52 u and a
// tenth of a unit above the output's bottom. What must stay clear of the footer ends above it.
inline int32_t menu_footer_line_y() {
  return fe.output_h - menu_units(52) - menu_unit() / 10;
}
