// The menu's accent colour.
#include "frontend/menu_style.h"

ui_color menu_accent_color() {
  static const ui_color accents[6] = {0xffff9c40, 0xff2eb0ff, 0xff5848ec,
                                      0xff84ce40, 0xffff70a8, 0xffece6e6};
  int32_t index = fe.settings.accent % 6;
  return accents[index < 0 ? index + 6 : index];
}
