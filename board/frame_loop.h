// One 60 Hz frame of the board: CPU slices between timer events, sound-timer and free-running
// timer delivery, audio kept in step with CPU time, then the picture, the vertical-blank
// interrupt and the sprite latch.
#pragma once

#include <cstdint>

struct machine;

enum { FRAME_MAX_SAMPLES = 1024 };  // most samples a frame hands out

// Runs one frame. 0 after a complete frame; 1 when the game program stopped (sh2_stop_pc gives
// the address): then nothing is rendered, latched or counted. `out` (null allowed) receives up
// to FRAME_MAX_SAMPLES mono samples clamped to 16 bits; `count` (null allowed) their number.
int machine_run_frame(machine* m, int16_t* out, uint32_t* count);
