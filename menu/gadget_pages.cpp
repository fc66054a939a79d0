// The Gadgets page and the gadget editor.
#include "menu/gadget_pages.h"

#include <cstdio>

#include "frontend/frontend_state.h"
#include "menu/menu_toolkit.h"
#include "menu/setting_rows.h"

static const char* const position_names[6] = {"Top left",     "Top right",  "Bottom left",
                                              "Bottom right", "Top centre", "Bottom centre"};
static const char* const size_names[3] = {"Small", "Medium", "Large"};

// The composition places a gadget by position % 6, and a negative remainder in the top-left
// corner; it sizes 0 small, 1 medium and everything else large.
static int32_t shown_position(int32_t position) {
  return position < 0 ? 0 : position % 6;
}
static int32_t shown_size(int32_t size) {
  return size == 0 || size == 1 ? size : 2;
}

const char* menu_gadget_position_name(int32_t position) {
  return position_names[shown_position(position)];
}

const char* menu_gadget_size_name(int32_t size) {
  return size_names[shown_size(size)];
}

// "FPS", "Frame Time", "Input Display", then the readouts' labels.
static const char* gadget_label(int32_t index) {
  static const char* const built_in[GADGET_FIRST_READOUT] = {"FPS", "Frame Time", "Input Display"};
  if (index < GADGET_FIRST_READOUT) return built_in[index];
  const adapter_readout* readouts = fe.adapter->readouts;
  const char* label = readouts ? readouts[index - GADGET_FIRST_READOUT].label : nullptr;
  return label ? label : "";
}

void menu_page_gadgets() {
  menu_begin_page("Gadgets", "Enter: position and size");
  for (int32_t i = 0; i < fe_gadget_count() && !menu_page_gone(); i++) {
    gadget_config& g = fe.settings.gadgets[i];
    char value[64];
    if (g.enabled) {
      snprintf(value, sizeof value, "On  -  %s", menu_gadget_position_name(g.position));
    } else {
      snprintf(value, sizeof value, "Off");
    }
    const char* hint = i == GADGET_INPUT_DISPLAY ? "Shows the inputs sent to the board each frame."
                       : i >= GADGET_FIRST_READOUT ? "Read from the game's verified RAM layout."
                                                   : nullptr;
    int32_t step = 0;
    if (menu_item(gadget_label(i), value, 1, &step, hint)) {
      fe.gadget_target = i;
      menu_push_page(MENU_PAGE_GADGET_EDITOR);
    } else if (step != 0) {
      g.enabled = g.enabled ? 0 : 1;
    }
  }
  menu_end_page();
  menu_leave_on_back();
}

void menu_page_gadget_editor() {
  const int32_t target = fe.gadget_target;
  if (target < 0 || target >= fe_gadget_count()) {  // no such gadget: nothing to edit
    menu_pop_page();
    return;
  }
  gadget_config& g = fe.settings.gadgets[target];
  char value[32];
  int32_t step = 0, sv = 0;
  int activated = 0;

  menu_begin_page(gadget_label(target), nullptr);

  activated = menu_item("Enabled", menu_on_off(g.enabled), 1, &step, nullptr);
  if (menu_row_step(activated, step)) g.enabled = g.enabled ? 0 : 1;

  activated = menu_item("Position", menu_gadget_position_name(g.position), 1, &step, nullptr);
  if ((sv = menu_row_step(activated, step)) != 0) {
    g.position = menu_wrap_step(shown_position(g.position), sv, 6);
  }

  activated = menu_item("Size", menu_gadget_size_name(g.size), 1, &step, nullptr);
  if ((sv = menu_row_step(activated, step)) != 0) {
    g.size = menu_wrap_step(shown_size(g.size), sv, 3);
  }

  snprintf(value, sizeof value, "%+d", int(g.offset_x));
  activated = menu_item("Offset X", value, 1, &step, "Fine horizontal adjustment in UI pixels.");
  if ((sv = menu_row_step(activated, step)) != 0) {
    g.offset_x = menu_clamp_step(g.offset_x, 8 * sv, -400, 400);
  }

  snprintf(value, sizeof value, "%+d", int(g.offset_y));
  activated = menu_item("Offset Y", value, 1, &step, nullptr);
  if ((sv = menu_row_step(activated, step)) != 0) {
    g.offset_y = menu_clamp_step(g.offset_y, 8 * sv, -300, 300);
  }

  menu_end_page();
  menu_leave_on_back();
}
