// One loaded ROM set and one running game: loading an archive, starting and stopping the game,
// switching to another archive, and opening the menu over the game.
#pragma once

#include <cstdint>

// Shows the menu with `page` (a menu_page) as its only page; the game stays running but no frame
// runs while the menu is open. Inputs are released, audio is cleared and the device paused.
void open_menu(int32_t page);
