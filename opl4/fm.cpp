// FM register storage and rendering (see fm.h). The voices are silent for now, so rendering
// adds nothing to the block.
#include "opl4/fm.h"

#include <cstring>

namespace opl4 {

void fm_reset(fm_state& fm) {
  std::memset(fm.regs, 0, sizeof fm.regs);
}

void fm_write(fm_state& fm, uint32_t address, uint8_t data) {
  fm.regs[address & (FM_REGISTERS - 1)] = data;
}

void fm_render(fm_state& fm, render_block& block, uint32_t samples) {
  (void)fm, (void)block, (void)samples;
}

void fm_save_restore(fm_state& fm, saved_state& state) {
  state.save_restore(fm.regs, sizeof fm.regs);
}

}  // namespace opl4
