// The About page.
#include "menu/about_page.h"

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "frontend/frontend_state.h"
#include "menu/menu_toolkit.h"
#include "menu/text.h"

void menu_page_about() {
  menu_begin_page("About", nullptr);
  menu_end_page();
  if (menu_page_gone()) return;

  canvas* c = &fe.draw;
  const int32_t x = menu_units(40);
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
    if (line[0]) text_draw(c, line, x, y, menu_units(21), 0xffdcd2ce, TEXT_ALIGN_LEFT);
    y += menu_units(30);
    at = end ? end + 1 : at + n;
  }

  const ui_color grey = 0xffa0928c;
  char text[2112];
  snprintf(text, sizeof text, "Data folder: %s", fe.data_dir);
  text_draw(c, text, x, y + menu_units(16), menu_units(18), grey, TEXT_ALIGN_LEFT);

  SDL_version version;
  SDL_GetVersion(&version);
  SDL_RendererInfo info;
  const char* renderer = fe.renderer && SDL_GetRendererInfo(fe.renderer, &info) == 0 && info.name
                             ? info.name
                             : "SDL_Renderer";
  snprintf(text, sizeof text, "SDL %d.%d.%d   Renderer: %s", int(version.major), int(version.minor),
           int(version.patch), renderer);
  text_draw(c, text, x, y + menu_units(44), menu_units(18), grey, TEXT_ALIGN_LEFT);

  snprintf(text, sizeof text, "Profile: %s",
           fe.profile.valid ? fe.profile.path : "none (adapter defaults)");
  text_draw(c, text, x, y + menu_units(72), menu_units(18), grey, TEXT_ALIGN_LEFT);

  text_draw(c, fe.feature_summary, x, y + fe.ui_unit, menu_units(16), grey, TEXT_ALIGN_LEFT);

  if (fe.menu.nav_accept || fe.menu.nav_back) menu_pop_page();
}
