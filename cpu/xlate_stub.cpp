// The translated-code module of this program: there are no translated blocks, so the image is
// empty, every lookup answers "no block in this page" and the run loop interprets every
// instruction, asking once per page it enters. Kept in its own library (cpu_xlate) so that a
// test can link a scripted module instead.
#include "cpu/xlate.h"

void xlate_init() {}

void xlate_image_info(uint32_t* base, uint32_t* length, uint32_t* rom_offset) {
  *base = 0;
  *length = 0;
  *rom_offset = 0;
}

int32_t xlate_lookup(sh2_state*, uint32_t) {
  return XLATE_NO_BLOCK_IN_PAGE;
}

uint32_t xlate_module_id() {
  return 0;
}
