// The dispatcher as its callers outside the run loop see it: sh2_step carries out one instruction
// with its branch, delay-slot, exception and cycle handling, every fetch through the bus. It is
// the run loop's own interpreter (sh2_run.cpp) stopped after one step, so the two cannot differ.
// It neither writes pc (except the PC-relative operations' store) nor counts instructions, and
// leaves the PC ring, the view cache and interrupt acceptance alone.
#pragma once

#include <cstdint>

#include "cpu/sh2_core.h"

// Executes the instruction at pc; returns the next PC (SH2_STOP when the instruction cannot be
// executed) and adds the instruction's cycles to s->cycles.
uint32_t sh2_step(sh2_state* s, uint32_t pc);
