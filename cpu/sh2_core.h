// The core's internal sequences, shared by the dispatcher, the run loop and the tests: the
// acceptance step, the exception and SR-loading sequences (sh2_exceptions.cpp) and the guard for
// an unknown dispatch kind. The board never calls these; it uses cpu/sh2.h. Those that return a
// u32 return the address at which execution continues.
#pragma once

#include <cstdint>

#include "cpu/sh2.h"

enum : uint32_t {
  SH2_SR_T = 0x001,
  SH2_SR_S = 0x002,
  SH2_SR_I = 0x0F0,  // interrupt mask, bits 4-7
  SH2_SR_Q = 0x100,
  SH2_SR_M = 0x200,
  SH2_SR_MASK = 0x3F3,  // every SR load keeps only these bits
  SH2_SR_RESET = 0x0F0,
  SH2_STOP = 0xFFFFFFFFu,  // next-PC value that stops the run loop
  SH2_VECTOR_ILLEGAL = 4,
  SH2_VECTOR_NMI = 11,
};

// Only when check_irq is set (the run loop tests it): clears check_irq, then takes an NMI or the
// highest unmasked request. Returns 1 when one was accepted (pc then holds the handler address).
int sh2_accept_interrupt(sh2_state* s);

uint32_t sh2_rte(sh2_state* s);                                      // pops PC and SR; +3 cycles
uint32_t sh2_trapa(sh2_state* s, uint32_t imm, uint32_t return_pc);  // +7 cycles
uint32_t sh2_illegal(sh2_state* s, uint32_t saved_pc);               // vector 4; +5 cycles
uint32_t sh2_sleep(sh2_state* s, uint32_t pc);                       // +2 cycles

void op_ldc_sr(sh2_state* s, uint32_t m);   // LDC Rm,SR
void op_ldcl_sr(sh2_state* s, uint32_t m);  // LDC.L @Rm+,SR; +2 cycles

// The cycle at which the run loop next leaves its fast path to look at the slice end and at the
// flags that ask for acceptance or an idle exit: the slice end, or 0 once anything may have
// changed either. Whatever runs out of line during a step and may reach a device or change those
// flags (a bus access that no view served, an exception sequence, an SR load, SLEEP) calls
// sh2_recheck. Meaningful only while sh2_run is in progress.
extern uint64_t sh2_check_cycle;
inline void sh2_recheck() {
  sh2_check_cycle = 0;
}

// Prints the unknown-kind message for pc to standard error and returns SH2_STOP.
uint32_t sh2_report_unmodelled(sh2_state* s, uint32_t pc);
