// The Save State page (menu_page 11: the ten numbered slots) and the Load State page
// (menu_page 12: the autosave and the ten slots), drawn by one function, with a preview of the
// slot under the cursor: its thumbnail, save time and frame count, or why it cannot be loaded.
// Delete (X or the Delete key) asks before removing a slot file; the autosave stays.
#pragma once

#include <cstdint>

// One frame of the Save State page when save is 1, of the Load State page when it is 0.
void menu_page_state_slots(int32_t save);

// The page table's entries for pages 11 and 12.
void menu_page_save_state();
void menu_page_load_state();
