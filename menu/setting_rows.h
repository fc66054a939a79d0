// The small rules the settings pages share for their rows: what a row's activation or Left and
// Right step amounts to, numbers that stop at their ends, choices that wrap both ways, and the
// on/off text. Each is computed in 64 bits, so a value read from a hand-edited settings.ini
// cannot overflow on its way back into range. Also how a settings page is left.
#pragma once

#include <cstdint>

#include "frontend/frontend_state.h"
#include "frontend/settings_model.h"
#include "menu/menu_toolkit.h"

// The step a row acted with this frame: +1 when it was activated (Enter, A, a click), else the
// -1, 0 or +1 that menu_item reported for Left and Right.
inline int32_t menu_row_step(int activated, int32_t step) {
  return activated ? 1 : step;
}

// value + delta, held to lo..hi.
inline int32_t menu_clamp_step(int32_t value, int32_t delta, int32_t lo, int32_t hi) {
  const int64_t v = int64_t(value) + delta;
  return v < lo ? lo : v > hi ? hi : int32_t(v);
}

// (value + step) & mask: a choice of two or four that wraps by its low bits.
inline int32_t menu_bits_step(int32_t value, int32_t step, int32_t mask) {
  return int32_t((int64_t(value) + step) & mask);
}

// (value + step) modulo n (n > 0), wrapping both ways: -1 becomes n - 1.
inline int32_t menu_wrap_step(int32_t value, int32_t step, int32_t n) {
  const int64_t v = (int64_t(value) + step) % n;
  return int32_t(v < 0 ? v + n : v);
}

inline const char* menu_on_off(int32_t on) {
  return on ? "On" : "Off";
}

// Back on a settings page, after its rows: the page's changes are written and the page goes.
// Nothing without Back, or once the page's frame has ended.
inline void menu_leave_on_back() {
  if (menu_page_gone() || !fe.menu.nav_back) return;
  save_settings();
  menu_pop_page();
}
