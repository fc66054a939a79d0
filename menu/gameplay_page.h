// The Gameplay page (menu_page 7): one row per cabinet DIP switch of the descriptor, stepping
// through its labelled choices, "Restore Defaults" and, while a game runs, a restart that applies
// the switches. The page changes only the DIP words kept in the settings; they reach the board
// when the game next starts. Leaving the page writes settings.ini.
#pragma once

void menu_page_gameplay();
