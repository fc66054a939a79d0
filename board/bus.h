// The board's memory map as the SH-2 sees it: the bound machine, the address folding and the
// dispatch of reads and writes over the regions (work RAM, program ROM, video areas, the
// graphics-ROM window, the input, DIP/EEPROM and sound ports, the on-chip area). The CPU core
// calls the six sized functions of cpu/bus.h; these are the board's own entries behind them.
#pragma once

#include <cstdint>

struct machine;

enum : uint32_t {
  BUS_RAM_BASE = 0x06000000,  // work RAM, also the base of the translated image
  BUS_RAM_BYTES = 0x100000,
  BUS_ROM_BYTES = 0x100000,  // program ROM at 0
  BUS_INPUT_PORT = 0x03000000,
  BUS_DIP_PORT = 0x03000004,     // DIP bits and EEPROM data out; written: the EEPROM port byte
  BUS_SOUND_PORTS = 0x03100000,  // eight sound-chip port bytes
  BUS_VIDEO_RAM = 0x04000000,
  BUS_PALETTE = 0x04040000,
  BUS_ZOOM_TABLE = 0x04050000,
  BUS_VBLANK_ACK = 0x0405FFDC,
  BUS_VIDEO_REGS = 0x0405FFE0,
  BUS_GRAPHICS_WINDOW = 0x04060000,  // 128 KiB of the graphics ROM, banked by video word 4
  BUS_ZERO_WINDOW = 0x05000000,      // the always-zero program ROM words past the first MiB
  BUS_ONCHIP = 0xFFFFFE00,
};

// The machine the bus functions reach; set by bus_bind_machine.
struct bus_binding_record {
  machine* bound;  // null until a machine is bound
};
extern bus_binding_record bus_binding;

// The address the map decodes: where bits 31, 30 and 28 are all 0, bits 29 and 27 are
// dropped, so 0x08000000-0x0FFFFFFF and 0x20000000-0x2FFFFFFF mirror the low area.
inline uint32_t fold_address(uint32_t address) {
  return address & 0xD0000000u ? address : address & 0xC7FFFFFFu;
}

// The long word at a folded, long-aligned address (the read dispatch of the map).
uint32_t bus_read32_folded(machine* m, uint32_t address);

// A write of `size` bytes (1, 2 or 4) at an address aligned to its size by the caller; the
// address is folded here.
void bus_write(machine* m, uint32_t address, uint32_t value, uint32_t size);

// Sound-chip port byte 0-7, after bringing the chip up to the current cycle; traced.
uint8_t sound_port_read(machine* m, uint32_t offset);

// The active-low input port word from the input bits and the DIP flag.
uint32_t input_port_read(const machine* m);
