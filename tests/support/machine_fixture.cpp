#include "machine_fixture.h"

#include <cstdlib>

void machine_deleter::operator()(machine* m) const {
  std::free(m->program_rom);
  std::free(m->graphics_rom);
  std::free(m->sound_rom);
  std::free(m);
}

machine_ptr machine_new(int with_roms) {
  machine_ptr m(static_cast<machine*>(std::calloc(1, sizeof(machine))));
  if (m && with_roms) {
    m->program_rom = static_cast<uint32_t*>(std::calloc(1, MACHINE_PROGRAM_ROM_BYTES));
    m->graphics_rom = static_cast<uint8_t*>(std::calloc(1, MACHINE_GRAPHICS_ROM_BYTES));
    m->sound_rom = static_cast<uint8_t*>(std::calloc(1, MACHINE_SOUND_ROM_BYTES));
  }
  return m;
}
