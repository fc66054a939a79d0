// Frame composition: border, game picture, gadgets or the menu's backdrop, and the overlays and
// toast drawn over everything, menu included.
#include "frontend/composition.h"

#include <cstdio>

#include "frontend/frontend_state.h"
#include "frontend/picture.h"
#include "frontend/platform.h"
#include "frontend/textures.h"
#include "menu/draw.h"
#include "menu/menu_toolkit.h"
#include "menu/text.h"

int32_t compose_game_visible() {
  if (!fe.running) return 0;
  if (!fe.menu_open) return 1;
  switch (menu_top_page()) {
    case MENU_PAGE_PAUSE:
    case MENU_PAGE_SAVE_STATE:
    case MENU_PAGE_LOAD_STATE:
    case MENU_PAGE_CONFIRM:
    case MENU_PAGE_ERROR:
      return 1;
    default:
      return 0;
  }
}

void ambient_glow_cells(const uint32_t* picture, int32_t width, int32_t height, int32_t rotation,
                        uint32_t cells[AMBIENT_GLOW_W * AMBIENT_GLOW_H]) {
  uint64_t sum[AMBIENT_GLOW_W * AMBIENT_GLOW_H][3] = {};
  uint32_t count[AMBIENT_GLOW_W * AMBIENT_GLOW_H] = {};
  const int32_t shown_w = (rotation & 1) ? height : width,
                shown_h = (rotation & 1) ? width : height;
  for (int32_t y = 0; y < shown_h; y++) {
    const int32_t row = y * AMBIENT_GLOW_H / shown_h * AMBIENT_GLOW_W;
    turn_walk at = picture_turn_row(width, height, rotation, y);
    for (int32_t x = 0; x < shown_w; x++, at.sx += at.dx, at.sy += at.dy) {
      const uint32_t p = picture[size_t(at.sy) * size_t(width) + size_t(at.sx)];
      const int32_t cell = row + x * AMBIENT_GLOW_W / shown_w;
      sum[cell][0] += (p >> 16) & 255;
      sum[cell][1] += (p >> 8) & 255;
      sum[cell][2] += p & 255;
      count[cell]++;
    }
  }
  for (int32_t i = 0; i < AMBIENT_GLOW_W * AMBIENT_GLOW_H; i++) {
    const uint64_t n = count[i] ? count[i] : 1;
    cells[i] = 0xFF000000u | uint32_t(sum[i][0] / n) << 16 | uint32_t(sum[i][1] / n) << 8 |
               uint32_t(sum[i][2] / n);
  }
}

// The picture as shown, averaged into the glow texture's cells and stretched, darkened, over the
// whole output. Made on the processor, so no render target, and no scale-mode change of the
// picture's own textures, comes between the frame's draws. 0 when the glow texture cannot be
// made.
static int draw_ambient_glow(int32_t w, int32_t h) {
  if (!fe.upload || fe.adapter->width == 0 || fe.adapter->height == 0) return 0;
  if (!fe.glow_texture) {
    fe.glow_texture =
        texture_create(fe.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                       AMBIENT_GLOW_W, AMBIENT_GLOW_H, SDL_ScaleModeLinear, SDL_BLENDMODE_NONE);
    if (!fe.glow_texture) return 0;
  }
  uint32_t cells[AMBIENT_GLOW_W * AMBIENT_GLOW_H];
  ambient_glow_cells(fe.upload, int32_t(fe.adapter->width), int32_t(fe.adapter->height),
                     fe.settings.rotation & 3, cells);
  SDL_UpdateTexture(fe.glow_texture, nullptr, cells, AMBIENT_GLOW_W * 4);
  const SDL_Rect whole = {0, 0, w, h};
  fe.draw.ops->copy(&fe.draw, fe.glow_texture, nullptr, &whole, 0.0, ui_rgba(70, 70, 80, 255));
  return 1;
}

static void draw_border(int32_t w, int32_t h, ui_color accent) {
  canvas* c = &fe.draw;
  if (fe.settings.border == 1) {
    draw_vertical_gradient(c, 0, 0, w, h, 0xff1e1512, 0xff0b0706);
    for (int32_t k = 1; k <= 6; k++)
      draw_fill_rect(c, 0, h * k / 7, w, 1, ui_with_alpha(accent, 0x0a));
    return;
  }
  if (fe.settings.border == 2 && draw_ambient_glow(w, h)) return;
  draw_fill_rect(c, 0, 0, w, h, 0xff000000);
}

// One gadget record, when enabled and it has something to show.
static void draw_gadget(int32_t index, int32_t w, int32_t h, ui_color accent) {
  const gadget_config& g = fe.settings.gadgets[index];
  if (!g.enabled) return;
  const int32_t u = fe.ui_unit;
  const bool input_display = index == GADGET_INPUT_DISPLAY;
  char text[96] = "";
  if (index == GADGET_FPS) {
    snprintf(text, sizeof text, "%.1f fps", fe.fps);
  } else if (index == GADGET_FRAME_TIME) {
    snprintf(text, sizeof text, "%.2f ms", fe.frame_time_avg);
  } else if (!input_display) {
    const adapter_readout* readout = &fe.adapter->readouts[index - GADGET_FIRST_READOUT];
    if (!readout->format || !readout->format(text, sizeof text)) return;
  }

  const int32_t b = (g.size == 0 ? 18 : g.size == 1 ? 24 : 34) * u;
  const int32_t t = b / 100, p = b / 300;
  const int32_t rows = fe_player_count();
  const int32_t box_w = input_display ? 14 * t : t + text_measure(text, t);
  const int32_t box_h = input_display ? p + rows * (t + p) : b / 200 + text_line_height(t);

  const int32_t m = 16 * u / 100;  // the gadgets follow the ui unit, not the menu's
  int32_t x = 0, y = 0;
  switch (g.position % 6) {  // a negative position leaves the box at (0, 0)
    case 0:
      x = m, y = m;
      break;
    case 1:
      x = w - box_w - m, y = m;
      break;
    case 2:
      x = m, y = h - box_h - m;
      break;
    case 3:
      x = w - box_w - m, y = h - box_h - m;
      break;
    case 4:
      x = (w - box_w) / 2, y = m;
      break;
    case 5:
      x = (w - box_w) / 2, y = h - box_h - m;
      break;
  }
  x += g.offset_x * u / 100;
  y += g.offset_y * u / 100;

  canvas* c = &fe.draw;
  draw_round_rect(c, x, y, box_w, box_h, p, 0xaa0e0a08);
  if (!input_display) {
    text_draw(c, text, x + b / 200, y + b / 400, t, 0xfff6f2f0, TEXT_ALIGN_LEFT);
    return;
  }
  // One row per player: its label, then a lamp per input of that player (8 at most).
  for (int32_t r = 0; r < rows; r++) {
    const int32_t row_top = y + p + r * (t + p);
    char label[8];
    snprintf(label, sizeof label, "%dP", int(r + 1));
    text_draw(c, label, x + p, row_top - b / 800, 3 * t / 4, 0xffbeb0aa, TEXT_ALIGN_LEFT);
    int32_t j = 0;
    for (int32_t i = 0; i < fe_input_count() && j < 8; i++) {
      const adapter_input& input = fe.adapter->inputs[i];
      if (input.player != uint32_t(r + 1)) continue;
      const ui_color lamp = (fe.input_word & input.mask) ? accent : 0xff423632;
      draw_round_rect(c, x + 2 * t + j * (t + p), row_top, t, 3 * t / 4, b / 400, lamp);
      j++;
    }
  }
}

void compose_frame_base() {
  const int32_t w = fe.output_w, h = fe.output_h;
  const ui_color accent = menu_accent_color();
  canvas* c = &fe.draw;
  if (compose_game_visible()) {
    draw_border(w, h, accent);
    draw_game_picture(w, h, fe.menu_open);
    if (!fe.menu_open) {
      for (int32_t i = 0; i < fe_gadget_count(); i++) draw_gadget(i, w, h, accent);
    } else {
      draw_vertical_gradient(c, 0, 0, w * 55 / 100, h, 0xeb100a08, 0xc8100a08);
    }
  } else if (fe.menu_open) {
    draw_vertical_gradient(c, 0, 0, w, h, 0xff211714, 0xff0c0807);
    draw_fill_rect(c, 0, 0, w, menu_units(3), ui_with_alpha(accent, 0xc8));
  }
}

void compose_frame_overlays() {
  const int32_t w = fe.output_w, h = fe.output_h;
  const ui_color accent = menu_accent_color();
  canvas* c = &fe.draw;
  if (fe.paused && !fe.menu_open) {
    text_draw(c, "PAUSED", w / 2, menu_units(30), menu_units(40), 0xe6ffffff, TEXT_ALIGN_CENTRE);
  }
  if (fe.rewinding) {
    text_draw(c, "<< REWIND", menu_units(30), menu_units(30), menu_units(30), accent,
              TEXT_ALIGN_LEFT);
  }
  if (fe.movie_text[0] && !fe.menu_open) {
    text_draw(c, fe.movie_text, w - menu_units(24), h - menu_units(40), menu_units(18), 0xdc5a5aff,
              TEXT_ALIGN_RIGHT);
  }
  if (fe.toast_text[0] && platform_now() <= fe.toast_end) {
    const int32_t s = menu_units(22);
    const int32_t box_w = menu_units(40) + text_measure(fe.toast_text, s);
    const int32_t box_h = menu_units(18) + text_line_height(s);
    const int32_t top = h - menu_units(40) - box_h, left = (w - box_w) / 2;
    draw_round_rect(c, left, top, box_w, box_h, fe.ui_unit / 10, 0xe61a1210);
    draw_fill_rect(c, left, top + box_h - menu_units(3), box_w, menu_units(3), accent);
    text_draw(c, fe.toast_text, w / 2, top + menu_units(8), s, 0xfff6f2f0, TEXT_ALIGN_CENTRE);
  }
}
