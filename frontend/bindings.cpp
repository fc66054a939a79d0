// Input bindings, controllers and the release of inputs.
#include "frontend/bindings.h"

#include <cstring>

#include "frontend/frontend_state.h"

void release_inputs() {
  fe.input_word = 0;
  memset(fe.pulse, 0, sizeof fe.pulse);
  for (uint32_t& held : fe.held) held = 1;
  if (fe.rom_ready && fe.adapter->set_inputs) fe.adapter->set_inputs(0);
}
