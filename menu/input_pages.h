// The input settings pages: Controls (menu_page 4: the controller menu combination, the stick
// dead zone, links to the two other pages and one binding row per game input), Hotkeys
// (menu_page 6: one binding row per hotkey) and Player Controllers (menu_page 5: which open
// controller drives each player). A binding row takes Enter for its key, Right for its
// alternate key and Tab or Y for a controller input, each through the binding capture overlay,
// and Delete or X to clear all three. Each page writes settings.ini when it is left.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frontend/frontend_state.h"

// A binding's row value into out (200 characters are enough): "key / alternate key   |   "
// and the controller input, each "-" when unset.
void menu_binding_text(const input_binding* binding, char* out, size_t out_size);

void menu_page_controls();
void menu_page_hotkeys();
void menu_page_player_controllers();
