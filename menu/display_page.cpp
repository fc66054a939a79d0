// The Display page.
#include "menu/display_page.h"

#include <SDL.h>

#include <cstdio>

#include "frontend/frontend_state.h"
#include "frontend/messages.h"
#include "frontend/picture.h"
#include "frontend/settings_model.h"
#include "menu/menu_toolkit.h"
#include "menu/setting_rows.h"

// The display fields back at their defaults; the accent and every other setting stay.
static void restore_display_defaults() {
  const frontend_settings defaults = default_settings();
  frontend_settings& s = fe.settings;
  s.fullscreen = defaults.fullscreen;
  s.window_scale = defaults.window_scale;
  s.scale_mode = defaults.scale_mode;
  s.aspect_mode = defaults.aspect_mode;
  s.filter = defaults.filter;
  s.vsync = defaults.vsync;
  s.pacing = defaults.pacing;
  s.scanlines = defaults.scanlines;
  s.mask = defaults.mask;
  s.mask_strength = defaults.mask_strength;
  s.brightness = defaults.brightness;
  s.gamma = defaults.gamma;
  s.border = defaults.border;
  s.rotation = defaults.rotation;

  fe.colour_dirty = 1;
  apply_picture_filter();
  apply_vsync();
  apply_window_mode();
  show_toast("Display settings restored");
}

// The running game in the space right of the list, undimmed, when that space is wide enough:
// from 52 % of the width, or further right where the list reaches further, so that it never
// covers a row.
static void draw_live_preview() {
  if (!fe.running) return;
  const int32_t w = fe.output_w, h = fe.output_h;
  const int32_t left = menu_beside_list(w * 52 / 100);
  const int32_t width = w - menu_units(48) - left;
  const int32_t height = h - menu_units(120) - menu_units(150);
  if (width <= 2 * menu_unit() || height <= 0) return;
  canvas* c = &fe.draw;
  const SDL_Rect box = {left, menu_units(150), width, height};
  c->ops->viewport(c, &box);
  draw_game_picture(width, height, 0);
  c->ops->viewport(c, nullptr);
}

void menu_page_display() {
  static const char* const scale_names[2] = {"Fit to screen", "Integer"};
  static const char* const aspect_names[2] = {"Original 4:3", "Square pixels"};
  static const char* const filter_names[2] = {"Nearest (sharp)", "Bilinear (smooth)"};
  static const char* const mask_names[4] = {"Off", "Aperture grille", "Shadow mask", "Slot mask"};
  static const char* const border_names[3] = {"Black", "Gradient wallpaper", "Ambient glow"};
  static const char* const accent_names[6] = {"Azure", "Amber",  "Crimson",
                                              "Jade",  "Violet", "Silver"};
  static const char* const rotation_names[4] = {"0", "90", "180", "270"};
  static const char* const original_names[4] = {"0 (original)", "90 (original)", "180 (original)",
                                                "270 (original)"};
  frontend_settings& s = fe.settings;
  char value[64];
  int32_t step = 0, sv = 0;
  int activated = 0;

  menu_begin_page("Display", nullptr);

  activated = menu_item("Mode", s.fullscreen ? "Fullscreen" : "Windowed", 1, &step,
                        "Borderless fullscreen or a window.");
  if (menu_row_step(activated, step)) {
    s.fullscreen = s.fullscreen ? 0 : 1;
    apply_window_mode();
  }

  snprintf(value, sizeof value, "%dx", int(s.window_scale));
  activated = menu_item("Window Size", value, !s.fullscreen, &step,
                        "Initial window size as a multiple of the native height.");
  if ((sv = menu_row_step(activated, step)) != 0) {
    s.window_scale = menu_clamp_step(s.window_scale, sv, 1, 8);
    apply_window_mode();
  }

  activated = menu_item("Scaling", scale_names[s.scale_mode & 1], 1, &step,
                        "Integer keeps every source line the same height (pixel-perfect).");
  if ((sv = menu_row_step(activated, step)) != 0) {
    s.scale_mode = menu_bits_step(s.scale_mode, sv, 1);
  }

  activated = menu_item("Aspect Ratio", aspect_names[s.aspect_mode & 1], 1, &step,
                        "4:3 matches the original arcade monitor.");
  if ((sv = menu_row_step(activated, step)) != 0) {
    s.aspect_mode = menu_bits_step(s.aspect_mode, sv, 1);
  }

  activated = menu_item("Filtering", filter_names[s.filter & 1], 1, &step, nullptr);
  if ((sv = menu_row_step(activated, step)) != 0) {
    s.filter = menu_bits_step(s.filter, sv, 1);
    apply_picture_filter();
  }

  activated = menu_item("VSync", menu_on_off(s.vsync), 1, &step,
                        "Synchronise presentation with the display refresh.");
  if (menu_row_step(activated, step)) {
    s.vsync = s.vsync ? 0 : 1;
    apply_vsync();
  }

  // The main loop locks to the display only for 1; any other value runs at the game's own rate.
  activated =
      menu_item("Frame Pacing", s.pacing == 1 ? "Display sync" : "Exact game rate", 1, &step,
                "Exact keeps the game's own frame rate; Display sync locks one game frame "
                "per refresh when the display is 59-61 Hz.");
  if ((sv = menu_row_step(activated, step)) != 0) s.pacing = menu_bits_step(s.pacing, sv, 1);

  const int32_t own = int32_t(fe.adapter->rotation & 3), rotation = s.rotation & 3;
  activated = menu_item("Rotation", (rotation == own ? original_names : rotation_names)[rotation],
                        1, &step, "Rotate the picture for rotated or vertical monitors.");
  if ((sv = menu_row_step(activated, step)) != 0) s.rotation = menu_bits_step(s.rotation, sv, 3);

  snprintf(value, sizeof value, "%d%%", int(s.scanlines));
  activated =
      menu_item("Scanlines", value, 1, &step, "Darkens every other line of the scaled picture.");
  if ((sv = menu_row_step(activated, step)) != 0) {
    s.scanlines = menu_clamp_step(s.scanlines, 10 * sv, 0, 100);
  }

  activated = menu_item("Phosphor Mask", mask_names[s.mask & 3], 1, &step,
                        "Simulated CRT phosphor pattern.");
  if ((sv = menu_row_step(activated, step)) != 0) s.mask = menu_bits_step(s.mask, sv, 3);

  snprintf(value, sizeof value, "%d%%", int(s.mask_strength));
  activated = menu_item("Mask Strength", value, s.mask != 0, &step, nullptr);
  if ((sv = menu_row_step(activated, step)) != 0) {
    s.mask_strength = menu_clamp_step(s.mask_strength, 10 * sv, 0, 100);
  }

  snprintf(value, sizeof value, "%d%%", int(s.brightness));
  activated = menu_item("Brightness", value, 1, &step, nullptr);
  if ((sv = menu_row_step(activated, step)) != 0) {
    s.brightness = menu_clamp_step(s.brightness, 5 * sv, 50, 150);
    fe.colour_dirty = 1;
  }

  snprintf(value, sizeof value, "%.2f", s.gamma / 100.0);
  activated = menu_item("Gamma", value, 1, &step, nullptr);
  if ((sv = menu_row_step(activated, step)) != 0) {
    s.gamma = menu_clamp_step(s.gamma, 5 * sv, 50, 200);
    fe.colour_dirty = 1;
  }

  activated = menu_item("Background", border_names[menu_wrap_step(s.border, 0, 3)], 1, &step,
                        "What fills the space around the picture.");
  if ((sv = menu_row_step(activated, step)) != 0) s.border = menu_wrap_step(s.border, sv, 3);

  activated =
      menu_item("Menu Accent", accent_names[menu_wrap_step(s.accent, 0, 6)], 1, &step, nullptr);
  if ((sv = menu_row_step(activated, step)) != 0) s.accent = menu_wrap_step(s.accent, sv, 6);

  if (menu_item("Restore Defaults", nullptr, 1, nullptr, "Reset display settings only.")) {
    restore_display_defaults();
  }

  menu_end_page();
  if (menu_page_gone()) return;
  draw_live_preview();
  menu_leave_on_back();
}
