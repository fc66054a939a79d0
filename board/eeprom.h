// The board's 256-byte serial EEPROM (three-wire: chip select, clock, data in, data out),
// driven bit by bit by the game through one port. The device never schedules anything; it
// compares the CPU cycle count at each access with the times it stored. The bus decides which
// accesses reach the port; the adapter copies the memory to and from the NVRAM file.
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

enum {
  EEPROM_IDLE = 0,  // values of `state`
  EEPROM_SELECTED = 1,
  EEPROM_COMMAND = 2,
  EEPROM_READ = 3,
  EEPROM_DATA_IN = 4,
  EEPROM_BUSY = 5,

  EEPROM_CS_RISE = 1,  // events of eeprom_edge
  EEPROM_CS_FALL = 2,
  EEPROM_CLK_RISE = 4,
  EEPROM_CLK_FALL = 8,

  EEPROM_WRITE_CYCLES = 50114,  // busy times, in CPU cycles from the completing clock edge
  EEPROM_ERASE_CYCLES = 28637,
  EEPROM_ALL_CYCLES = 229091,  // WRAL and ERAL
};

struct machine;

// The game wrote the port byte: bit 5 data in, bit 6 clock, bit 7 chip select.
void eeprom_port_write(machine* m, uint8_t port);

// Applies new line levels at `cycles`: data in first, then a chip-select edge, then a clock
// edge (which sees the new data-in level).
void eeprom_set_lines(eeprom_device* e, uint64_t cycles, uint32_t data_in, uint32_t chip_select,
                      uint32_t clock);

// One edge event (EEPROM_CS_RISE ... EEPROM_CLK_FALL) through the state machine.
void eeprom_edge(eeprom_device* e, uint64_t cycles, uint32_t event);

// The data-out level 0 or 1 at `cycles`.
uint32_t eeprom_data_out(const eeprom_device* e, uint64_t cycles);

// Serial state back to power-on: idle, write-protected, not busy. Keeps memory and dirty.
void eeprom_reset(eeprom_device* e);
