// One video frame of the running game: the input word (the playing movie's next word, or the
// live bindings with their pulse, held and release-wait rules), recorded when a movie records,
// handed to the game, the frame run and timed, a stop of the game program turned into an error
// dialog, the frame's audio queued, a rewind snapshot every 4th frame and the NVRAM flush every
// 120th. The main loop calls it only while a game runs, unpaused, with the menu closed; it
// fetches and shows the picture itself afterwards.
#pragma once

#include <cstdint>

#include "frontend/platform.h"

// The input word of the live bindings for one frame: each adapter input's mask while its
// binding is pressed (a pulse input for its pulse length from a fresh press), nothing while the
// controller menu combination is held, and nothing pressed while the release wait holds, which
// ends on the first frame in which no bound input is pressed. Updates the pulse counters, the
// held flags and the release wait.
uint32_t input_word_from_bindings(const input_snapshot* input);

// Advances the game by one frame; nothing when the descriptor lacks set_inputs or run_frame.
// The main loop calls it only for a ready ROM set.
void run_frame_step();
