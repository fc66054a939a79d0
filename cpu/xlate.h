// The translated-code module: the hook through which ahead-of-time translated blocks of the game
// program could replace interpretation. The program links the stub module (library cpu_xlate,
// xlate_stub.cpp), which never has a block; a test may link a scripted module in its place by
// defining all four functions itself. The run loop (sh2_run.cpp) is the only caller of
// xlate_lookup; the board calls the other three at load and when writing a save state.
#pragma once

#include <cstdint>

#include "cpu/sh2.h"

enum {
  XLATE_NO_BLOCK = -1,   // xlate_lookup: no block starts at pc
  XLATE_INTERPRET = -2,  // xlate_lookup: interpret this one instruction
  // xlate_lookup: no block starts at pc nor anywhere else in its 4 KiB page (pc with the low 12
  // bits cleared). The run loop takes it as XLATE_NO_BLOCK for pc and for every later pc in that
  // page, and asks again once execution has left the page.
  XLATE_NO_BLOCK_IN_PAGE = -3,
};

// Prepares the module; called before a ROM set is loaded.
void xlate_init();

// Describes the RAM image the blocks were built against: SH-2 base address, length in bytes and
// the offset in the program ROM of the bytes it mirrors. The caller presets all three to 0.
void xlate_image_info(uint32_t* base, uint32_t* length, uint32_t* rom_offset);

// XLATE_NO_BLOCK, XLATE_INTERPRET, XLATE_NO_BLOCK_IN_PAGE, or the next PC after a block starting
// at pc has run against the state (registers, memory and cycles updated by the block).
int32_t xlate_lookup(sh2_state* s, uint32_t pc);

// Identifier of the translated code, written into save-state headers.
uint32_t xlate_module_id();
