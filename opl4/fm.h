// The FM side of the YMF278B: its two 256-byte register arrays and the synthesis that turns them
// into the FM outputs A-D. The chip's control registers that live in these arrays (timers,
// NEW/NEW2) are interpreted by ymf278b.cpp; this module stores every register and renders the
// voices. Voice synthesis is not built yet: the outputs are silent.
#pragma once

#include <cstdint>

#include "opl4/render_block.h"
#include "opl4/saved_state.h"

namespace opl4 {

enum {
  FM_REGISTERS = 512,  // array 0 at 0x000-0x0FF, array 1 at 0x100-0x1FF
};

struct fm_state {
  uint8_t regs[FM_REGISTERS];  // as last written; cleared at reset
};

void fm_reset(fm_state& fm);
// Stores one register write (address 0-0x1FF, already folded by the chip's mode).
void fm_write(fm_state& fm, uint32_t address, uint8_t data);
// Adds `samples` samples of the four FM outputs to the block's FM rows.
void fm_render(fm_state& fm, render_block& block, uint32_t samples);
// Visits the FM state; loading only reads into `fm`, the caller decides whether to keep it.
void fm_save_restore(fm_state& fm, saved_state& state);

}  // namespace opl4
