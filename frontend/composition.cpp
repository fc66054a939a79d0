// Frame composition: border, game picture, gadgets or the menu's backdrop, and the overlays and
// toast drawn over everything, menu included.
#include "frontend/composition.h"

#include <cstdio>
#include <cstring>

#include "frontend/frontend_state.h"
#include "frontend/menu_style.h"
#include "frontend/page_stack.h"
#include "frontend/picture.h"
#include "frontend/platform.h"
#include "ui/draw.h"
#include "ui/text.h"
#include "ui/text_fit.h"
#include "ui/textures.h"

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

// Where one gadget goes and what it shows.
struct gadget_layout {
  char text[96];       // a text gadget's text
  int32_t b, t, p;     // base size (hundredths of a pixel), text size, padding
  int32_t x, y, w, h;  // its box
  bool input_display;
};

// The smallest base sizes from 640 x 480 up: text gadgets' text 11 pixels, and the input
// display's labels (three quarters of its size) too.
enum { GADGET_MIN_TEXT_BASE = 1100, GADGET_MIN_INPUT_BASE = 1500 };

// The layout of gadget record `index` in a w x h output; 0 when it is not drawn (disabled, or a
// readout with nothing to show). The box is kept inside the output whatever its offsets.
static int layout_gadget(int32_t index, int32_t w, int32_t h, gadget_layout* out) {
  const gadget_config& g = fe.settings.gadgets[index];
  if (!g.enabled) return 0;
  const int32_t u = fe.ui_unit;
  gadget_layout& l = *out;
  l.input_display = index == GADGET_INPUT_DISPLAY;
  l.text[0] = '\0';
  if (index == GADGET_FPS) {
    snprintf(l.text, sizeof l.text, "%.1f fps", fe.fps);
  } else if (index == GADGET_FRAME_TIME) {
    snprintf(l.text, sizeof l.text, "%.2f ms", fe.frame_time_avg);
  } else if (!l.input_display) {
    const adapter_readout* readout = &fe.adapter->readouts[index - GADGET_FIRST_READOUT];
    if (!readout->format || !readout->format(l.text, sizeof l.text)) return 0;
  }

  l.b = (g.size == 0 ? 18 : g.size == 1 ? 24 : 34) * u;
  const int32_t min_base = l.input_display ? GADGET_MIN_INPUT_BASE : GADGET_MIN_TEXT_BASE;
  if (w >= 640 && h >= 480 && l.b < min_base) l.b = min_base;
  l.t = l.b / 100;
  l.p = l.b / 300;
  const int32_t rows = fe_player_count();
  l.w = l.input_display ? 14 * l.t : l.t + text_measure(l.text, l.t);
  l.h = l.input_display ? l.p + rows * (l.t + l.p) : l.b / 200 + text_line_height(l.t);

  const int32_t m = 16 * u / 100;
  int32_t x = 0, y = 0;
  switch (g.position % 6) {  // a negative position leaves the box at (0, 0)
    case 0:
      x = m, y = m;
      break;
    case 1:
      x = w - l.w - m, y = m;
      break;
    case 2:
      x = m, y = h - l.h - m;
      break;
    case 3:
      x = w - l.w - m, y = h - l.h - m;
      break;
    case 4:
      x = (w - l.w) / 2, y = m;
      break;
    case 5:
      x = (w - l.w) / 2, y = h - l.h - m;
      break;
  }
  x += g.offset_x * u / 100;
  y += g.offset_y * u / 100;
  // Inside the output, the top left first when the box is the larger.
  if (x > w - l.w) x = w - l.w;
  if (y > h - l.h) y = h - l.h;
  l.x = x < 0 ? 0 : x;
  l.y = y < 0 ? 0 : y;
  return 1;
}

// One gadget record, when enabled and it has something to show.
static void draw_gadget(int32_t index, int32_t w, int32_t h, ui_color accent) {
  gadget_layout l;
  if (!layout_gadget(index, w, h, &l)) return;
  const int32_t b = l.b, t = l.t, p = l.p, x = l.x, y = l.y, rows = fe_player_count();
  canvas* c = &fe.draw;
  draw_round_rect(c, x, y, l.w, l.h, p, 0xaa0e0a08);
  if (!l.input_display) {
    text_draw(c, l.text, x + b / 200, y + b / 400, t, 0xfff6f2f0, TEXT_ALIGN_LEFT);
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

// The text split into a first line that fits in width and the rest (after the break's blank).
// 1 when the rest fits too.
static int split_in_two(const char* text, int32_t size, int32_t width, char lines[2][TOAST_CHARS]) {
  const int32_t n = text_fit_line(text, int32_t(strlen(text)), width, size);
  snprintf(lines[0], TOAST_CHARS, "%.*s", int(n), text);
  const char* rest = text + n;
  if (*rest == ' ') rest++;
  snprintf(lines[1], TOAST_CHARS, "%s", rest);
  return text_measure(lines[1], size) <= width;
}

int32_t toast_lines(const char* text, int32_t size, int32_t width, char lines[2][TOAST_CHARS]) {
  if (text_measure(text, size) <= width) {
    snprintf(lines[0], TOAST_CHARS, "%s", text);
    lines[1][0] = '\0';
    return 1;
  }
  if (split_in_two(text, size, width, lines)) return 2;
  // A path: a word begun with '/', up to the ": " of a reason after it or the end. Its start
  // gives way, a folder at a time, until the whole fits on two lines.
  const char* path = text[0] == '/' ? text : strstr(text, " /");
  if (path && path != text) path++;
  char shortened[TOAST_CHARS];
  if (path) {
    const char* end = strstr(path, ": ");
    if (!end) end = path + strlen(path);
    const char* last = nullptr;
    for (const char* from = strchr(path + 1, '/'); from && from < end;
         from = strchr(from + 1, '/')) {
      snprintf(shortened, sizeof shortened, "%.*s...%.*s%s", int(path - text), text,
               int(end - from), from, end);
      if (split_in_two(shortened, size, width, lines)) return 2;
      last = from;
    }
    if (last) text = shortened;  // the file name alone after "...", when even that is too long
  }
  char rest[TOAST_CHARS];
  split_in_two(text, size, width, lines);
  snprintf(rest, sizeof rest, "%s", lines[1]);
  text_cut_end(rest, size, width, lines[1], TOAST_CHARS);
  return 2;
}

// The toast: a box near the bottom centre, above the menu's footer when a menu is open, else
// above every gadget it would cover; its text on one line or two, never wider than the output.
static void draw_toast(int32_t w, int32_t h, ui_color accent) {
  canvas* c = &fe.draw;
  const int32_t s = menu_units(22), line = text_line_height(s);
  const int32_t widest = w - 2 * menu_units(16) - menu_units(40);
  char lines[2][TOAST_CHARS];
  const int32_t count = toast_lines(fe.toast_text, s, widest > 0 ? widest : 1, lines);
  int32_t text_w = text_measure(lines[0], s);
  if (count == 2 && text_measure(lines[1], s) > text_w) text_w = text_measure(lines[1], s);
  const int32_t box_w = menu_units(40) + text_w, box_h = menu_units(18) + count * line;
  const int32_t left = (w - box_w) / 2;
  int32_t bottom = h - menu_units(40);
  if (fe.menu_open) {
    bottom = menu_footer_line_y() - menu_units(12);
  } else {
    // Each gadget it meets lifts it above that gadget; a lifted box is checked again.
    for (int32_t pass = 0, moved = 1; moved && pass <= fe_gadget_count(); pass++) {
      moved = 0;
      for (int32_t i = 0; i < fe_gadget_count(); i++) {
        gadget_layout g;
        if (!layout_gadget(i, w, h, &g)) continue;
        const bool meets =
            g.x < left + box_w && left < g.x + g.w && g.y < bottom && bottom - box_h < g.y + g.h;
        if (!meets) continue;
        bottom = g.y - menu_units(8);
        moved = 1;
      }
    }
  }
  const int32_t top = bottom - box_h;
  draw_round_rect(c, left, top, box_w, box_h, menu_unit() / 10, 0xe61a1210);
  draw_fill_rect(c, left, top + box_h - menu_units(3), box_w, menu_units(3), accent);
  for (int32_t i = 0; i < count; i++) {
    text_draw(c, lines[i], w / 2, top + menu_units(8) + i * line, s, 0xfff6f2f0, TEXT_ALIGN_CENTRE);
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
  if (fe.toast_text[0] && platform_now() <= fe.toast_end) draw_toast(w, h, accent);
}
