// The Save State and Load State pages.
#include "menu/slot_pages.h"

#include <cstdio>
#include <ctime>

#include "frontend/confirm_actions.h"
#include "frontend/frontend_state.h"
#include "frontend/messages.h"
#include "frontend/slots.h"
#include "menu/menu_preview.h"
#include "menu/menu_toolkit.h"
#include "ui/draw.h"
#include "ui/text.h"
#include "ui/text_fit.h"

// The row's value: "Empty", the save time as local time, or "Unusable".
static void slot_value(const slot_info* slot, char* out, size_t out_size) {
  if (!slot->exists) {
    snprintf(out, out_size, "Empty");
  } else if (slot->usable) {
    const time_t when = time_t(slot->save_time);
    struct tm local;
    if (!localtime_r(&when, &local) || strftime(out, out_size, "%Y-%m-%d %H:%M", &local) == 0) {
      snprintf(out, out_size, "?");
    }
  } else {
    snprintf(out, out_size, "Unusable");
  }
}

// The panel beside the list for the slot under the cursor.
static void draw_slot_preview(const slot_info* slot, const char* value) {
  const int32_t w = fe.output_w, h = fe.output_h, u = menu_unit();
  const int32_t left = menu_beside_list(w * 52 / 100), top = menu_units(150);
  int32_t box_w = 0, box_h = 0;
  menu_preview_fit(w - menu_units(60) - left, h - menu_units(160) - menu_units(150), &box_w,
                   &box_h);
  if (box_w <= 0 || box_h <= 0) return;  // no room beside the list
  canvas* c = &fe.draw;
  draw_round_rect(c, left - menu_units(8), top - menu_units(8), box_w + menu_units(16),
                  box_h + menu_units(16), u / 10, 0xff2e221e);
  if (slot->usable && slot->thumbnail) {
    menu_preview_copy(slot->thumbnail, left, top, box_w, box_h);
  } else {
    draw_fill_rect(c, left, top, box_w, box_h, 0xff120c0a);
    // A usable slot whose thumbnail could not be made is still usable: an empty box, no word.
    if (!slot->usable) {
      text_draw(c, slot->exists ? "Unusable" : "Empty", left + box_w / 2,
                top + box_h / 2 - menu_units(16), menu_units(28), 0xff8c7e78, TEXT_ALIGN_CENTRE);
    }
  }
  // The caption under the box, cut with "..." short of the window's edge.
  const int32_t below = top + box_h + u / 5, room = w - menu_units(40) - left;
  char text[200];
  if (slot->usable) {
    char caption[96];
    snprintf(caption, sizeof caption, "%s   -   %u frames played", value,
             unsigned(slot->frame_counter));
    text_cut_end(caption, u / 5, room, text, sizeof text);
    text_draw(c, text, left, below, u / 5, 0xffcec2be, TEXT_ALIGN_LEFT);
  } else if (slot->exists) {
    text_cut_end(slot->reason, menu_units(18), room, text, sizeof text);
    text_draw(c, text, left, below, menu_units(18), 0xff78a0ff, TEXT_ALIGN_LEFT);
  }
}

void menu_page_state_slots(int32_t save) {
  if (fe.slots_dirty) refresh_slot_info();
  menu_begin_page(save ? "Save State" : "Load State",
                  "Thumbnails show the moment each slot was saved");
  const int32_t page = save ? MENU_PAGE_SAVE_STATE : MENU_PAGE_LOAD_STATE;
  for (int32_t i = save ? 1 : 0; i <= 10 && !menu_page_gone(); i++) {
    const slot_info* slot = &fe.slots[i];
    char label[32];
    if (i == 0) {
      snprintf(label, sizeof label, "Autosave");
    } else {
      snprintf(label, sizeof label, "Slot %d%s", int(i), i == fe.slot ? "  *" : "");
    }
    char value[48];  // a date and time, "Empty" or "Unusable"
    slot_value(slot, value, sizeof value);
    const int32_t under_cursor = fe.menu.rows_emitted == fe.menu.cursor[page];
    const int32_t enabled = save || slot->usable;
    const char* hint = slot->exists && !slot->usable ? slot->reason : nullptr;

    if (menu_item(label, value, enabled, nullptr, hint)) {
      if (save && slot->exists) {
        show_confirm(CONFIRM_SAVE_SLOT, i, "Overwrite slot %d (saved %s)?", int(i), value);
      } else if (save) {
        save_chosen_slot(i);
      } else if (fe.running) {
        show_confirm(CONFIRM_LOAD_SLOT, i, "Load %s? Unsaved progress will be lost.", label);
      } else if (load_slot(i)) {
        if (i != 0) fe.slot = i;
        close_menu();
      }
    } else if (under_cursor && fe.menu.row_action == 2 && i >= 1 && slot->exists) {
      show_confirm(CONFIRM_DELETE_SLOT, i, "Delete slot %d?", int(i));
    }
    // After an action that changed the stack the page is gone: nothing more is drawn.
    if (under_cursor && !menu_page_gone()) draw_slot_preview(slot, value);
  }
  menu_end_page();
  if (menu_page_gone()) return;
  if (fe.menu.nav_back) menu_pop_page();
}

void menu_page_save_state() {
  menu_page_state_slots(1);
}

void menu_page_load_state() {
  menu_page_state_slots(0);
}
