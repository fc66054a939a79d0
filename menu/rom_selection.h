// The ROM Selection page (menu_page 13): a small file browser for the ROM archive. It lists a
// folder (folders first, then ZIP archives or every file), marks the file named like the game's
// archive, offers that file when the folder holds it, climbs from a root to the list of
// locations, and hands the chosen file to switch_rom, which checks it and loads it (or asks
// while a game runs). The listing lives in fe.browse_entries for one visit of the page (the
// game lifecycle's rom_selection_forget drops it); the folder browsed last is kept as browse_dir
// in settings.ini.
#pragma once

// Draws and handles one frame of the page; the main loop calls it while page 13 is on top.
void menu_page_rom_selection();
