// The About page.
#include "menu/about_page.h"

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "frontend/frontend_state.h"
#include "menu/menu_toolkit.h"
#include "ui/text.h"
#include "ui/text_fit.h"

// "<name><path>" into out, the path shortened from its left when the line would be wider than
// width at the page's 18 u.
static void about_path_line(const char* name, const char* path, int32_t width, char* out,
                            size_t out_size) {
  const int32_t size = menu_units(18);
  char cut[2112];
  text_cut_path(path, size, width - text_measure(name, size), cut, sizeof cut);
  snprintf(out, out_size, "%s", name);
  const size_t n = strlen(out);
  snprintf(out + n, out_size - n, "%s", cut);
}

void menu_page_about() {
  menu_begin_page("About", nullptr);
  menu_end_page();
  if (menu_page_gone()) return;

  canvas* c = &fe.draw;
  const int32_t x = menu_units(40), width = fe.output_w - 2 * x;
  int32_t y = menu_units(160);
  // One line per '\n'-ended piece, each cut to 255 characters; a final '\n' ends the last line
  // and starts no new one.
  for (const char* at = fe.adapter->about; at && *at;) {
    const char* end = strchr(at, '\n');
    const size_t n = end ? size_t(end - at) : strlen(at);
    char line[256];
    size_t kept = n < sizeof line - 1 ? n : sizeof line - 1;
    while (kept < n && kept > 0 && (uint8_t(at[kept]) & 0xC0) == 0x80) kept--;  // whole characters
    memcpy(line, at, kept);
    line[kept] = '\0';
    // A line wider than the window goes on over the lines below it.
    const int32_t next = menu_text_lines(line, x, y, width, menu_units(21), menu_units(30),
                                         0xffdcd2ce, TEXT_ALIGN_LEFT);
    y = next > y ? next : y + menu_units(30);
    at = end ? end + 1 : at + n;
  }

  const ui_color grey = 0xffa0928c;
  const int32_t size = menu_units(18);
  char text[2112];
  about_path_line("Data folder: ", fe.data_dir, width, text, sizeof text);
  text_draw(c, text, x, y + menu_units(16), size, grey, TEXT_ALIGN_LEFT);

  SDL_version version;
  SDL_GetVersion(&version);
  SDL_RendererInfo info;
  const char* renderer = fe.renderer && SDL_GetRendererInfo(fe.renderer, &info) == 0 && info.name
                             ? info.name
                             : "SDL_Renderer";
  snprintf(text, sizeof text, "SDL %d.%d.%d   Renderer: %s", int(version.major), int(version.minor),
           int(version.patch), renderer);
  text_draw(c, text, x, y + menu_units(44), menu_units(18), grey, TEXT_ALIGN_LEFT);

  about_path_line("Profile: ", fe.profile.valid ? fe.profile.path : "none (adapter defaults)",
                  width, text, sizeof text);
  text_draw(c, text, x, y + menu_units(72), size, grey, TEXT_ALIGN_LEFT);

  const int32_t small = menu_text_size(16);
  menu_text_lines(fe.feature_summary, x, y + menu_unit(), width, small, text_line_height(small),
                  grey, TEXT_ALIGN_LEFT);

  if (fe.menu.nav_accept || fe.menu.nav_back) menu_pop_page();
}
