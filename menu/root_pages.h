// The two root pages of the menu: the Main Menu (menu_page 0: start or continue a game, pick a
// ROM set, reach every settings page, quit) with its preview of the game or the ready ROM set,
// and the pause menu (menu_page 1) over a running game. Each call draws one frame of its page and
// acts on what was chosen in it; the main loop calls them while their page is on top (and, with
// the latches cleared, while they lie beneath a dialog).
#pragma once

void menu_page_main();
void menu_page_pause();
