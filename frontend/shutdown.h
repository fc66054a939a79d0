// What follows the main loop, in a fixed order: the --screenshot PNG (unrotated), the exit line,
// settings.ini, NVRAM, open movies, the rewind ring, thumbnails, audio, controllers, the game's
// unload, the font atlas, textures, renderer and window, the buffers, the settings table, the
// log and SDL. The autosave is not part of it: quitting stops the game with one before the loop
// ends (a --frames exit stops without one).
#pragma once

// Runs the shutdown once and returns the program's exit code, 0.
int frontend_shutdown();
