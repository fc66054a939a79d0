// The board's 256-byte serial EEPROM (three-wire: chip select, clock, data in, data out),
// driven bit by bit by the game through one port. The device never schedules anything; it
// compares the CPU cycle count at each access with the times it stored.
#pragma once

#include <cstddef>
#include <cstdint>

struct eeprom_device {
  uint8_t memory[256];     // stored bytes; index = address & 0xFF
  uint8_t state;           // 0 idle, 1 selected, 2 command, 3 read, 4 data in, 5 busy
  uint8_t cs;              // last chip-select level 0/1
  uint8_t clk;             // last clock level 0/1
  uint8_t di;              // last data-in level 0/1
  uint8_t write_protect;   // 1 = WRITE, ERASE, WRAL and ERAL change nothing
  uint8_t command;         // 0 none, 1 READ, 2 WRITE, 3 ERASE, 4 EWDS, 5 EWEN, 6 WRAL, 7 ERAL
  uint32_t bit_count;      // bits shifted in the current phase
  uint32_t command_shift;  // command bits, first bit ends highest
  uint32_t address;        // 9-bit address of the last command
  uint32_t data_shift;     // incoming data bits, or the outgoing byte in the top bits
  uint64_t busy_until;     // cycle at which the last write or erase completes; 0 = never busy
  uint64_t cs_rise_cycle;  // cycle of the last chip-select rise
  uint8_t dirty;           // 1 = memory changed since the NVRAM image was saved or loaded
};

static_assert(sizeof(eeprom_device) == 304 && offsetof(eeprom_device, busy_until) == 280);
