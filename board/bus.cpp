// The SH-2 bus: the six sized accesses of cpu/bus.h over the board's memory map. Memory is kept
// as host-order 32-bit words, and narrow accesses select big-endian lanes. The core reads program
// ROM and work RAM, and writes work RAM outside the translated image, through the host views of
// their pages (bus_read_page, bus_write_page); everything else comes through the sized accesses,
// which fold and try work RAM and program ROM first.
// The regions' own behaviour lives with their devices (onchip.cpp, eeprom.cpp, the sound glue,
// the video chip); this file only decodes addresses, merges lanes and traces port accesses.
#include "board/bus.h"

#include "board/bus_trace.h"
#include "board/eeprom.h"
#include "board/machine.h"
#include "board/onchip.h"
#include "board/sound_host.h"
#include "board/ymf_glue.h"
#include "cpu/bus.h"
#include "cpu/sh2.h"
#include "video/video.h"

bus_binding_record bus_binding = {nullptr};

namespace {

bool in(uint32_t a, uint32_t base, uint32_t bytes) {
  return a - base < bytes;
}

// The 16-bit half of a word: address bit 1 clear = bits 31-16.
uint32_t half(uint32_t word, uint32_t a) {
  return word >> ((~a & 2) << 3) & 0xFFFF;
}

uint32_t lane_byte(uint32_t word, uint32_t a) {
  return word >> (24 - 8 * (a & 3)) & 0xFF;
}

// The long an access puts on the bus: narrow values sit in their lanes.
uint32_t bus_long(uint32_t a, uint32_t value, uint32_t size) {
  if (size == 4) return value;
  if (size == 2) return a & 2 ? value & 0xFFFF : value << 16;
  return (value & 0xFF) << (24 - 8 * (a & 3));
}

void merge(uint32_t* word, uint32_t a, uint32_t value, uint32_t size) {
  if (size == 4) {
    *word = value;
    return;
  }
  const uint32_t mask = size == 2 ? 0xFFFFu << ((~a & 2) << 3) : 0xFFu << (24 - 8 * (a & 3));
  *word = (*word & ~mask) | (bus_long(a, value, size) & mask);
}

// Work RAM inside the translated image keeps its page's count of words that differ from ROM.
void write_work_ram(machine* m, uint32_t o, uint32_t a, uint32_t value, uint32_t size) {
  uint32_t* word = &m->work_ram[o >> 2];
  if (o >= m->xlate_length) return merge(word, a, value, size);
  const uint32_t rom = m->program_rom[((o & ~3u) + (m->xlate_offset & ~3u)) >> 2];
  const int before = *word != rom;
  merge(word, a, value, size);
  m->page_change_counts[o >> 12] += static_cast<uint32_t>((*word != rom) - before);
}

uint32_t graphics_window(const machine* m, uint32_t a) {
  uint32_t g = ((m->video_regs[4] << 17) & 0x1FFE0000u) + (a - BUS_GRAPHICS_WINDOW);
  g %= MACHINE_GRAPHICS_ROM_BYTES;
  const uint8_t* b = m->graphics_rom + g;
  return uint32_t{b[0]} | b[1] << 8 | b[2] << 16 | uint32_t{b[3]} << 24;
}

uint32_t dip_port_read(machine* m) {
  const uint32_t v = (m->dip_bits & 0x03000000u) | eeprom_data_out(&m->eeprom, m->sh2.cycles) << 28;
  io_trace(m, 'r', BUS_DIP_PORT, v);
  return v;
}

// Byte of the on-chip area's first half, where the FRT registers answer for themselves.
uint32_t onchip_low_byte(machine* m, uint32_t a) {
  return (a & 0xF8) == 0x10 ? frt_read8(m, a & 0xFF) : m->onchip.image[a & 0xFF];
}

uint32_t read16_other(machine* m, uint32_t a) {
  if (in(a, BUS_SOUND_PORTS, 8)) {
    // Separate statements: the operands of | are unsequenced, and the high byte goes first.
    const uint32_t o = (a & ~1u) - BUS_SOUND_PORTS;
    const uint32_t high = sound_port_read(m, o);
    return high << 8 | sound_port_read(m, o + 1);
  }
  if (in(a, BUS_ONCHIP, 0x100)) return onchip_low_byte(m, a & ~1u) << 8 | onchip_low_byte(m, a | 1);
  return half(bus_read32_folded(m, a & ~3u), a);
}

}  // namespace

uint32_t input_port_read(const machine* m) {
  // Port bit of each input word bit: player 1 in 31-24, player 2 in 23-16, coins and service
  // low. Left sits below right for both players.
  static const uint8_t port_bit[20] = {31, 30, 28, 29, 27, 26, 25, 24, 23, 22,
                                       20, 21, 19, 18, 17, 16, 0,  1,  4,  5};
  uint32_t v = 0xFFFFFFFF;
  for (uint32_t i = 0; i < 20; i++)
    if (m->input_bits >> i & 1) v &= ~(1u << port_bit[i]);
  if (m->dip_flag == 1) v &= ~(1u << 6);
  return v;
}

uint8_t sound_port_read(machine* m, uint32_t offset) {
  sound_catch_up(m, m->sh2.cycles);
  const uint8_t v = ymf_glue_read(m->sound, offset);
  io_trace(m, 'r', BUS_SOUND_PORTS + offset, v);
  return v;
}

uint32_t bus_read32_folded(machine* m, uint32_t a) {
  if (in(a, BUS_RAM_BASE, BUS_RAM_BYTES)) return m->work_ram[(a - BUS_RAM_BASE) >> 2];
  if (a < BUS_ROM_BYTES) return m->program_rom[a >> 2];
  if (in(a, BUS_VIDEO_RAM, sizeof m->video_ram)) return m->video_ram[(a - BUS_VIDEO_RAM) >> 2];
  if (in(a, BUS_PALETTE, sizeof m->palette_ram)) return m->palette_ram[(a - BUS_PALETTE) >> 2];
  if (in(a, BUS_ZOOM_TABLE, sizeof m->zoom_table)) return m->zoom_table[(a - BUS_ZOOM_TABLE) >> 2];
  if (in(a, BUS_VIDEO_REGS, sizeof m->video_regs)) return m->video_regs[(a - BUS_VIDEO_REGS) >> 2];
  if (in(a, BUS_GRAPHICS_WINDOW, 0x20000)) return graphics_window(m, a);
  if (in(a, BUS_ZERO_WINDOW, 0x80000))
    return m->program_rom[(a - BUS_ZERO_WINDOW + BUS_ROM_BYTES) >> 2];
  if (a == BUS_DIP_PORT) return dip_port_read(m);
  if (a == BUS_INPUT_PORT) {
    const uint32_t v = input_port_read(m);
    io_trace(m, 'r', BUS_INPUT_PORT, v);
    return v;
  }
  if (a >= BUS_ONCHIP) return onchip_read32(m, a);
  return 0;
}

void bus_write(machine* m, uint32_t address, uint32_t value, uint32_t size) {
  const uint32_t a = fold_address(address);
  if (in(a, BUS_RAM_BASE, BUS_RAM_BYTES))
    return write_work_ram(m, a - BUS_RAM_BASE, a, value, size);
  if (in(a, BUS_VIDEO_RAM, sizeof m->video_ram))
    return merge(&m->video_ram[(a - BUS_VIDEO_RAM) >> 2], a, value, size);
  if (in(a, BUS_PALETTE, sizeof m->palette_ram)) {
    merge(&m->palette_ram[(a - BUS_PALETTE) >> 2], a, value, size);
    return video_update_palette_entry(m, (a - BUS_PALETTE) >> 2);
  }
  if (in(a, BUS_ZOOM_TABLE, sizeof m->zoom_table))
    return merge(&m->zoom_table[(a - BUS_ZOOM_TABLE) >> 2], a, value, size);
  if ((a & ~3u) == BUS_VBLANK_ACK) {
    const uint32_t l = bus_long(a, value, size);
    io_trace(m, 'w', BUS_VBLANK_ACK, l);
    if (!(l & 0x00C00000)) sh2_set_irq(&m->sh2, 4, 0);
    return;
  }
  if (in(a, BUS_VIDEO_REGS, sizeof m->video_regs))
    return merge(&m->video_regs[(a - BUS_VIDEO_REGS) >> 2], a, value, size);
  if (in(a, BUS_SOUND_PORTS, 8)) {
    // Each byte the access covers, in address order, with the chip brought up to date first.
    const uint32_t l = bus_long(a, value, size), base = a & ~3u;
    for (uint32_t k = 0; k < 4; k++) {
      if (base + k < a || base + k >= a + size) continue;
      const uint8_t byte = static_cast<uint8_t>(l >> (24 - 8 * k));
      sound_catch_up(m, m->sh2.cycles);
      io_trace(m, 'w', base + k, byte);
      ymf_glue_write(m->sound, base + k - BUS_SOUND_PORTS, byte);
    }
    return;
  }
  if (a == BUS_DIP_PORT)  // 0x03000005-0x03000007 reach nothing
    return eeprom_port_write(m, static_cast<uint8_t>(bus_long(a, value, size) >> 24));
  if (a >= BUS_ONCHIP) return onchip_write(m, a, value, size);
}

// The data reads try work RAM and program ROM before anything else too: most reads are of them.
uint32_t bus_read32(uint32_t address) {
  machine* m = bus_binding.bound;
  const uint32_t a = fold_address(address) & ~3u;
  if (in(a, BUS_RAM_BASE, BUS_RAM_BYTES)) return m->work_ram[(a - BUS_RAM_BASE) >> 2];
  if (a < BUS_ROM_BYTES) return m->program_rom[a >> 2];
  if (in(a, BUS_SOUND_PORTS, 8)) {
    // One port at a time in address order: reads have effects, and | does not sequence them.
    const uint32_t o = a - BUS_SOUND_PORTS;
    uint32_t v = 0;
    for (uint32_t k = 0; k < 4; k++) v = v << 8 | sound_port_read(m, o + k);
    return v;
  }
  return bus_read32_folded(m, a);
}

uint32_t bus_read16(uint32_t address) {
  machine* m = bus_binding.bound;
  const uint32_t a = fold_address(address);
  if (a - BUS_RAM_BASE < BUS_RAM_BYTES) return half(m->work_ram[(a - BUS_RAM_BASE) >> 2], a);
  if (a < BUS_ROM_BYTES) return half(m->program_rom[a >> 2], a);
  return read16_other(m, a);
}

uint32_t bus_read8(uint32_t address) {
  machine* m = bus_binding.bound;
  const uint32_t a = fold_address(address);
  if (in(a, BUS_RAM_BASE, BUS_RAM_BYTES)) return lane_byte(m->work_ram[(a - BUS_RAM_BASE) >> 2], a);
  if (a < BUS_ROM_BYTES) return lane_byte(m->program_rom[a >> 2], a);
  if (in(a, BUS_SOUND_PORTS, 8)) return sound_port_read(m, a - BUS_SOUND_PORTS);
  if (in(a, BUS_ONCHIP, 0x100)) return onchip_low_byte(m, a);
  return lane_byte(bus_read32_folded(m, a & ~3u), a);
}

void bus_write32(uint32_t address, uint32_t value) {
  bus_write(bus_binding.bound, address & ~3u, value, 4);
}

void bus_write16(uint32_t address, uint32_t value) {
  bus_write(bus_binding.bound, address & ~1u, value, 2);
}

void bus_write8(uint32_t address, uint32_t value) {
  bus_write(bus_binding.bound, address, value, 1);
}

const uint32_t* bus_read_page(uint32_t page) {
  const machine* m = bus_binding.bound;
  if (!m) return nullptr;
  const uint32_t a = fold_address(page);
  if (in(a, BUS_RAM_BASE, BUS_RAM_BYTES)) return &m->work_ram[(a - BUS_RAM_BASE) >> 2];
  if (a < BUS_ROM_BYTES && m->program_rom) return &m->program_rom[a >> 2];
  return nullptr;
}

// Work RAM pages that lie wholly past the translated image: no page counting there.
uint32_t* bus_write_page(uint32_t page) {
  machine* m = bus_binding.bound;
  if (!m) return nullptr;
  const uint32_t a = fold_address(page);
  if (in(a, BUS_RAM_BASE, BUS_RAM_BYTES) && a - BUS_RAM_BASE >= m->xlate_length)
    return &m->work_ram[(a - BUS_RAM_BASE) >> 2];
  return nullptr;
}
