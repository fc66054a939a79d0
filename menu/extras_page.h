// The Extras page (menu_page 9): rewind and its memory budget, the autosave and focus options,
// input-movie recording and playback of the latest movie, screenshots, the data folder and the
// reset of every setting. Recording and playback themselves are frontend/movies; the page only
// offers them while they make sense. Leaving the page with Back writes settings.ini.
#pragma once

// Draws and handles one frame of the Extras page; the main loop calls it while page 9 is on top.
void menu_page_extras();
