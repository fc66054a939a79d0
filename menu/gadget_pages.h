// The Gadgets page (menu_page 8), which lists the on-screen gadgets (frames per second, frame
// time, the input display and one per game readout) with their state, and the gadget editor
// (menu_page 17), which edits one gadget's place, size and offsets. Left or Right on the list
// turns a gadget on or off; Enter opens the editor for it. Both write settings.ini when left.
#pragma once

#include <cstdint>

// The names of a gadget's position and size as the frame composition places and sizes it: the
// position taken modulo 6 (a negative one is drawn in the top-left corner), size 0 "Small",
// 1 "Medium" and anything else "Large".
const char* menu_gadget_position_name(int32_t position);
const char* menu_gadget_size_name(int32_t size);

void menu_page_gadgets();
void menu_page_gadget_editor();
