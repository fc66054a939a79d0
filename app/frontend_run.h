// The frontend's run function and its three phases. The program's entry point calls
// frontend_run once; tests step the phases in-process: frontend_start, then
// frontend_loop_iteration until fe.quit is set, then frontend_shutdown.
#pragma once

#include "adapter/game_adapter.h"

// Everything before the main loop: the command line, SDL, the data folder and log, the profile
// and features, settings, window, renderer, textures and buffers, controllers and audio, the
// ROM, the --state file and the first page. Returns -1 when the loop is to run; otherwise the
// exit code to return at once: 0 after --help, 1 when SDL, the window, the renderer or the
// first buffers could not be had.
int frontend_start(const game_adapter* game, int argc, char** argv);

// One iteration of the main loop.
void frontend_loop_iteration();

// Start-up, the main loop until quit, the shutdown. The program's exit code.
int frontend_run(const game_adapter* game, int argc, char** argv);
