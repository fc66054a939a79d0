// What follows the main loop, in a fixed order: the --screenshot PNG (unrotated), the exit line,
// settings.ini, NVRAM, open movies, the rewind ring, thumbnails, audio, controllers, the game's
// unload, the font atlas, textures, renderer and window, the buffers, the settings table, the
// log and SDL. The autosave is not part of it: quitting stops the game with one before the loop
// ends (a --frames exit stops without one).
#pragma once

// Runs the shutdown once and returns the program's exit code: 0, or 1 after an unattended run
// (--frames) gave up because no game frame could run.
int frontend_shutdown();

// Everything drawn with the renderer (the font atlas and every texture), then the renderer and
// the window, as far as they exist; each is left null.
void close_display();

// The shutdown's last steps, also the end of a start-up that cannot go on: close_display, the
// picture and sound buffers, the ROM browser's listing, the settings table, the log and SDL.
void frontend_release();
