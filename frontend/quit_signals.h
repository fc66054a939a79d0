// The signals the program answers itself. SIGHUP (the terminal closed, a logout), SIGTERM and
// SIGINT ask for a quit the way closing the window does: the main loop stops the game with the
// autosave the settings ask for, and the shutdown writes settings.ini and NVRAM and returns 0.
// SIGPIPE and SIGXFSZ are ignored, so that a write into a closed pipe or past a file-size limit
// fails as a write and is reported like any other failed write, instead of ending the run.
#pragma once

// Installs the handlers (before SDL_Init, so that SDL leaves SIGINT and SIGTERM to them).
void quit_signals_install();

// Puts back what was installed before quit_signals_install (nothing when it was not called).
void quit_signals_restore();

// The signal that asked for a quit since the last call (SIGHUP, SIGTERM or SIGINT), or 0; the
// request is then taken.
int quit_signal_take();

// "SIGHUP", "SIGTERM", "SIGINT", or "a signal" for any other number.
const char* quit_signal_name(int signal_number);
