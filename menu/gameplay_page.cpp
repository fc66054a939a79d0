// The Gameplay page.
#include "menu/gameplay_page.h"

#include <cstdint>

#include "frontend/frontend_state.h"
#include "frontend/messages.h"
#include "menu/menu_toolkit.h"
#include "menu/setting_rows.h"

// The switch's choices in use: the descriptor's count, at most the table's 20.
static int32_t choice_count(const adapter_dip_switch* dip) {
  return dip->choice_count > ADAPTER_DIP_CHOICES_MAX ? int32_t(ADAPTER_DIP_CHOICES_MAX)
                                                     : int32_t(dip->choice_count);
}

// The DIP word the switch lives in, or null when its index is one the settings do not keep.
static uint16_t* dip_word(const adapter_dip_switch* dip) {
  return dip->word >= 0 && dip->word < FE_MAX_DIP_WORDS ? &fe.settings.dip_words[dip->word]
                                                        : nullptr;
}

// One switch's row: the last choice whose value matches the word's bits under the mask (the
// first when none does), stepping with wrap-around. A switch without choices, or in a word the
// settings do not keep, shows no value and cannot change.
static void dip_row(const adapter_dip_switch* dip) {
  const char* label = dip->label ? dip->label : "";
  uint16_t* word = dip_word(dip);
  const int32_t count = choice_count(dip);
  if (!word || count == 0) {
    menu_item(label, nullptr, 0, nullptr, nullptr);
    return;
  }
  const uint16_t current = *word & dip->mask;
  int32_t choice = 0;
  for (int32_t i = 0; i < count; i++) {
    if (uint16_t(dip->choices[i].value) == current) choice = i;
  }
  const char* value = dip->choices[choice].label;
  int32_t step = 0;
  const int activated = menu_item(label, value ? value : "", 1, &step, nullptr);
  const int32_t s = menu_row_step(activated, step);
  if (s == 0) return;
  const int32_t next = menu_wrap_step(choice, s, count);
  // The choice's bits go in as they are written in the table.
  *word = uint16_t((*word & ~dip->mask) | uint16_t(dip->choices[next].value));
}

void menu_page_gameplay() {
  const adapter_dip_switch* dips = fe.adapter->dip_switches;
  const int32_t dip_count =
      dips && fe.adapter->dip_switch_count > 0 ? fe.adapter->dip_switch_count : 0;

  menu_begin_page("Gameplay",
                  "Cabinet DIP switches - applied when the game is next started or restarted");
  for (int32_t i = 0; i < dip_count && !menu_page_gone(); i++) dip_row(&dips[i]);

  if (menu_item("Restore Defaults", nullptr, 1, nullptr, nullptr)) {
    for (int32_t i = 0; i < dip_count; i++) {
      uint16_t* word = dip_word(&dips[i]);
      if (word) *word = uint16_t((*word & ~dips[i].mask) | (dips[i].default_value & dips[i].mask));
    }
  }
  if (fe.running && menu_item("Restart Now to Apply", nullptr, 1, nullptr, nullptr)) {
    show_confirm(CONFIRM_RESTART, 0,
                 "Restart the game with the new switch settings? Unsaved progress will be lost.");
  }

  menu_end_page();
  menu_leave_on_back();
}
