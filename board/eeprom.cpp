// The serial EEPROM: line levels from the port byte, the edge-driven state machine with its
// 11-bit commands (READ, WRITE, ERASE, EWDS, EWEN, WRAL, ERAL), write protection, busy times
// and the data-out line. Time is the CPU cycle count handed in by the caller; nothing here
// schedules events. Which bus accesses reach the port is the bus's business.
#include "board/eeprom.h"

#include <cstring>

#include "board/machine.h"

namespace {

void go_idle(eeprom_device* e) {
  e->state = EEPROM_IDLE;
}

// Starts the busy time of a write or erase that changed (or could have changed) the memory.
void start_busy(eeprom_device* e, uint64_t cycles, uint64_t busy_cycles) {
  e->busy_until = cycles + busy_cycles;
  e->dirty = 1;
  e->state = EEPROM_BUSY;
}

void decode_command(eeprom_device* e, uint64_t cycles) {
  e->command = 0;
  e->address = e->command_shift & 0x1FF;
  e->bit_count = 0;
  switch (e->command_shift >> 9 & 3) {
    case 2:  // READ
      e->command = 1;
      e->data_shift = 0;
      e->state = EEPROM_READ;
      return;
    case 1:  // WRITE
      e->command = 2;
      e->data_shift = 0;
      e->state = EEPROM_DATA_IN;
      return;
    case 3:  // ERASE
      e->command = 3;
      if (e->write_protect) return go_idle(e);
      e->memory[e->address & 0xFF] = 0xFF;
      return start_busy(e, cycles, EEPROM_ERASE_CYCLES);
  }
  // Opcode 00: address bits 8-7 pick the command; the address itself is not kept.
  const uint32_t sub = e->address >> 7;
  e->address = 0;
  switch (sub) {
    case 0:  // EWDS
      e->write_protect = 1;
      e->command = 4;
      return go_idle(e);
    case 3:  // EWEN
      e->write_protect = 0;
      e->command = 5;
      return go_idle(e);
    case 1:  // WRAL
      e->command = 6;
      e->data_shift = 0;
      e->state = EEPROM_DATA_IN;
      return;
    default:  // ERAL
      e->command = 7;
      if (e->write_protect) return go_idle(e);
      std::memset(e->memory, 0xFF, sizeof e->memory);
      return start_busy(e, cycles, EEPROM_ALL_CYCLES);
  }
}

void finish_data(eeprom_device* e, uint64_t cycles) {
  const uint8_t data = e->data_shift & 0xFF;
  if (e->write_protect || (e->command != 2 && e->command != 6)) return go_idle(e);
  if (e->command == 6) {
    // WRAL can only clear bits: every byte is ANDed with the data.
    for (uint8_t& b : e->memory) b &= data;
    return start_busy(e, cycles, EEPROM_ALL_CYCLES);
  }
  e->memory[e->address & 0xFF] = data;
  start_busy(e, cycles, EEPROM_WRITE_CYCLES);
}

// Clock rises by state. Chip-select falls are handled before the table; clock falls do nothing.
void rise_idle(eeprom_device*, uint64_t) {}

void rise_selected(eeprom_device* e, uint64_t cycles) {
  // The start bit: data in high, not busy, and not in the cycle chip select rose.
  if (!e->di || cycles < e->busy_until || cycles <= e->cs_rise_cycle) return;
  e->bit_count = 0;
  e->command_shift = 0;
  e->state = EEPROM_COMMAND;
}

void rise_command(eeprom_device* e, uint64_t cycles) {
  e->command_shift = e->command_shift << 1 | e->di;
  if (++e->bit_count >= 11) decode_command(e, cycles);
}

void rise_read(eeprom_device* e, uint64_t) {
  // The first rise loads the byte into the top bits; later rises shift ones in behind it.
  if (e->bit_count == 0)
    e->data_shift = uint32_t{e->memory[e->address & 0xFF]} << 24;
  else
    e->data_shift = e->data_shift << 1 | 1;
  e->bit_count++;
}

void rise_data_in(eeprom_device* e, uint64_t cycles) {
  e->data_shift = e->data_shift << 1 | e->di;
  if (++e->bit_count >= 8) finish_data(e, cycles);
}

using rise_handler = void (*)(eeprom_device*, uint64_t);
const rise_handler clock_rise_by_state[] = {rise_idle, rise_selected, rise_command,
                                            rise_read, rise_data_in,  rise_idle /* busy */};
const uint32_t STATE_COUNT = sizeof clock_rise_by_state / sizeof clock_rise_by_state[0];

}  // namespace

void eeprom_edge(eeprom_device* e, uint64_t cycles, uint32_t event) {
  // A loaded state may carry any byte in `state`: values past the table act as idle.
  const uint32_t state = e->state < STATE_COUNT ? e->state : uint32_t{EEPROM_IDLE};
  if (event == EEPROM_CS_FALL) return go_idle(e);
  if (event == EEPROM_CS_RISE) {
    if (state == EEPROM_IDLE) e->state = EEPROM_SELECTED;
    return;
  }
  if (event == EEPROM_CLK_RISE) clock_rise_by_state[state](e, cycles);
}

void eeprom_set_lines(eeprom_device* e, uint64_t cycles, uint32_t data_in, uint32_t chip_select,
                      uint32_t clock) {
  e->di = data_in & 1;
  if ((chip_select & 1) != e->cs) {
    e->cs = chip_select & 1;
    if (e->cs) e->cs_rise_cycle = cycles;
    eeprom_edge(e, cycles, e->cs ? EEPROM_CS_RISE : EEPROM_CS_FALL);
  }
  if ((clock & 1) != e->clk) {
    e->clk = clock & 1;
    eeprom_edge(e, cycles, e->clk ? EEPROM_CLK_RISE : EEPROM_CLK_FALL);
  }
}

void eeprom_port_write(machine* m, uint8_t port) {
  eeprom_set_lines(&m->eeprom, m->sh2.cycles, port >> 5, port >> 7, port >> 6);
}

uint32_t eeprom_data_out(const eeprom_device* e, uint64_t cycles) {
  if (e->state == EEPROM_READ) return e->data_shift >> 31;
  if (e->state == EEPROM_SELECTED) return cycles >= e->busy_until;  // ready/busy status
  return 1;
}

void eeprom_reset(eeprom_device* e) {
  e->state = EEPROM_IDLE;
  e->cs = e->clk = e->di = 0;
  e->command = 0;
  e->write_protect = 1;
  e->bit_count = e->command_shift = e->address = e->data_shift = 0;
  e->busy_until = 0;
  e->cs_rise_cycle = 0;
}
