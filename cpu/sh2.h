// The SH-2 (SH7604) register file and control state, and the operations through which the
// board drives the core: reset, interrupt lines and the run loop. The state sits at the very
// start of the board's machine record; its layout is pinned because save states and the
// record's own layout depend on it. Results: sh2_run returns 0 or -1 (stopped).
#pragma once

#include <cstddef>
#include <cstdint>

struct sh2_state {
  // Words 0-23 form one u32 array that operand indices address (R0-R15, then pc ... last_address).
  uint32_t r[16];             // general registers; R15 is the stack pointer
  uint32_t pc;                // address of the instruction about to execute
  uint32_t pr;                // procedure register (return address)
  uint32_t sr;                // T=0, S=1, I=4-7, Q=8, M=9; loads are masked with 0x3F3
  uint32_t gbr;               // global base register
  uint32_t vbr;               // vector base register
  uint32_t mach;              // multiply-accumulate high word
  uint32_t macl;              // multiply-accumulate low word
  uint32_t last_address;      // effective address of the last data access (TRAPA: its vector)
  uint32_t reserved;          // no meaning; cleared at reset, carried in save states
  uint64_t cycles;            // CPU clock cycles executed: the board's time base
  uint64_t instructions;      // instructions completed
  uint32_t irq_pending;       // bit n = external level n requested
  int32_t onchip_level;       // pending on-chip request priority; -1 or 0 = none
  uint32_t onchip_vector;     // vector number of that request
  uint8_t nmi_pending;        // 1 = NMI requested (only a loaded state sets it)
  uint8_t sleep_state;        // 0 running, 1 sleeping, 2 woken by an accepted interrupt
  uint8_t check_irq;          // 1 = run the acceptance step before the next instruction
  uint8_t stopped;            // 1 = stop request: the run loop idles
  uint32_t irq_held;          // bit n = level n stays pending when accepted; survives reset
};

static_assert(sizeof(sh2_state) == 144, "sh2_state layout is part of the machine record");
static_assert(offsetof(sh2_state, pc) == 64 && offsetof(sh2_state, last_address) == 92);
static_assert(offsetof(sh2_state, cycles) == 104, "cycles offset is pinned");
static_assert(offsetof(sh2_state, irq_pending) == 120 && offsetof(sh2_state, irq_held) == 136);
