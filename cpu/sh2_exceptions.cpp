// Reset, the interrupt lines, the acceptance step and the exception sequences of the SH-2 core:
// RTE, TRAPA, the illegal-instruction entry, SLEEP, and the two instructions that load SR. The
// dispatcher charges each instruction's base cycle; these add the rest. Stack pushes and pops
// are always 32-bit through the bus; nothing here checks alignment or can fail.
#include <cstdio>
#include <cstring>

#include "cpu/bus.h"
#include "cpu/sh2_core.h"

namespace {

// Every sequence here accesses the bus or changes the flags that the run loop acts on, so each
// asks the loop to look again (sh2_recheck).
void push(sh2_state* s, uint32_t value) {
  s->r[15] -= 4;
  bus_write32(s->r[15], value);
  sh2_recheck();
}

uint32_t pop(sh2_state* s) {
  uint32_t v = bus_read32(s->r[15]);
  s->r[15] += 4;
  sh2_recheck();
  return v;
}

uint32_t read_vector(uint32_t address) {
  const uint32_t v = bus_read32(address);
  sh2_recheck();
  return v;
}

// Common tail of NMI and interrupt entry: save SR and PC, set the mask, jump through the vector.
void enter(sh2_state* s, uint32_t vector, uint32_t mask) {
  uint32_t old_sr = s->sr;
  push(s, old_sr);
  push(s, s->pc);
  s->sr = (old_sr & ~SH2_SR_I) | (mask << 4);
  s->pc = read_vector(s->vbr + vector * 4);
  if (s->sleep_state == 1) s->sleep_state = 2;
}

}  // namespace

void sh2_reset(sh2_state* s) {
  uint32_t held = s->irq_held;
  std::memset(s, 0, sizeof *s);
  s->irq_held = held;
  s->onchip_level = -1;
  s->sr = SH2_SR_RESET;
  s->pc = bus_read32(0);
  s->r[15] = bus_read32(4);
}

void sh2_set_irq(sh2_state* s, uint32_t level, int on) {
  uint32_t bit = 1u << (level % 32);
  if (!on) {
    s->irq_pending &= ~bit;
    return;
  }
  s->stopped = 0;
  if (s->irq_pending & bit) return;
  s->irq_pending |= bit;
  s->check_irq = 1;
}

void sh2_set_onchip_irq(sh2_state* s, int32_t level, uint32_t vector) {
  s->onchip_level = level;
  s->onchip_vector = vector;
  if (level >= 0) s->check_irq = 1;
}

int sh2_accept_interrupt(sh2_state* s) {
  s->check_irq = 0;
  if (s->nmi_pending) {
    s->nmi_pending = 0;
    enter(s, SH2_VECTOR_NMI, 15);
    return 1;
  }
  int32_t level = s->onchip_level;
  if (s->irq_pending) {
    int32_t external = 31 - __builtin_clz(s->irq_pending);
    if (external > level) level = external;
  }
  if (level < 0 || level <= (int32_t)((s->sr & SH2_SR_I) >> 4)) return 0;
  uint32_t vector;
  if (s->onchip_level == level) {
    // The on-chip request wins a tie with an external level and is consumed.
    vector = s->onchip_vector;
    s->onchip_level = -1;
  } else {
    vector = 64 + (uint32_t)level / 2;
    if (!(s->irq_held & (1u << level))) s->irq_pending &= ~(1u << level);
  }
  enter(s, vector, level < 16 ? (uint32_t)level : 15);
  return 1;
}

uint32_t sh2_rte(sh2_state* s) {
  uint32_t pc = pop(s);
  s->sr = pop(s) & SH2_SR_MASK;
  s->cycles += 3;
  s->check_irq = 1;
  return pc;
}

uint32_t sh2_trapa(sh2_state* s, uint32_t imm, uint32_t return_pc) {
  s->last_address = s->vbr + (imm & 0xFF) * 4;
  push(s, s->sr);
  push(s, return_pc);
  s->cycles += 7;
  return read_vector(s->last_address);
}

uint32_t sh2_illegal(sh2_state* s, uint32_t saved_pc) {
  push(s, s->sr);
  push(s, saved_pc);
  s->cycles += 5;
  return read_vector(s->vbr + SH2_VECTOR_ILLEGAL * 4);
}

uint32_t sh2_sleep(sh2_state* s, uint32_t pc) {
  s->cycles += 2;
  sh2_recheck();
  // A state other than 1 or 2 (only a loaded state can hold one) acts as running.
  if (s->sleep_state == 2) {
    s->sleep_state = 0;
    return pc + 2;
  }
  s->sleep_state = 1;
  return pc;
}

void op_ldc_sr(sh2_state* s, uint32_t m) {
  s->sr = s->r[m] & SH2_SR_MASK;
  s->check_irq = 1;
  sh2_recheck();
}

void op_ldcl_sr(sh2_state* s, uint32_t m) {
  s->last_address = s->r[m];
  s->sr = bus_read32(s->r[m]) & SH2_SR_MASK;
  s->r[m] += 4;
  s->cycles += 2;
  s->check_irq = 1;
  sh2_recheck();
}

uint32_t sh2_report_unmodelled(sh2_state*, uint32_t pc) {
  std::fprintf(stderr, "SH-2: reached an instruction the translator does not model at %08X\n", pc);
  return SH2_STOP;
}
