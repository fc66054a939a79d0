// The dispatcher: sh2_execute_code carries out one fetched code with its branch, delay-slot,
// exception and cycle handling, through one switch over the dispatch table's index that holds
// the operation handlers (generated cases) and the control-flow kinds alike; a delay slot goes
// back into the same switch. sh2_step fetches and executes one instruction through the bus.
// Everything is inline so that the run loop compiles the whole step in place. Neither writes pc
// (except the PC-relative operations' store) nor counts instructions: the run loop does both with
// the address they return (SH2_STOP when the instruction cannot be executed).
#pragma once

#include <cstdint>

#include "cpu/bus.h"
#include "cpu/decode.h"
#include "cpu/sh2_core.h"
#include "cpu/sh2_memory.h"
#include "cpu/sh2_ops.h"

// The code at pc in a read view's page (bit 0 ignored, as the bus does).
inline uint32_t sh2_page_halfword(const void* page_words, uint32_t pc) {
  return sh2_view_load(page_words, pc, 2);
}

// A fetch: from the view when pc lies in its page, else through the bus.
[[gnu::always_inline]] inline uint32_t sh2_fetch(const sh2_read_view* view, uint32_t pc) {
  if ((pc & ~SH2_PAGE_MASK) == view->page) [[likely]]
    return sh2_page_halfword(view->bytes, pc);
  sh2_recheck();
  return bus_read16(pc) & 0xFFFF;
}

inline uint32_t sh2_branch_target(uint32_t pc, const dispatch_entry* d) {
  return pc + 4 + (uint32_t)dispatch_disp(d) * 2;
}

// Executes the instruction `code` fetched from pc; returns the next PC and adds the
// instruction's cycles to `cycles`, the caller's copy of the cycle counter, which it keeps in a
// register. The record's counter is brought up to date before each instruction (the devices read
// it at their accesses; the instruction's own base cycle counts only after it, so it is added to
// the copy alone), and read back after whatever adds to it itself (the handlers with extra
// cycles, the exception sequences). The delay slot of a delayed branch is fetched through `view`.
[[gnu::always_inline]] inline uint32_t sh2_execute_code(sh2_state* s, uint32_t pc, uint32_t code,
                                                        const sh2_read_view* view,
                                                        uint64_t& cycles) {
  const dispatch_entry* d = &dispatch_table[code];
  uint32_t at = pc;        // address of the instruction the switch carries out (the slot's too)
  uint32_t next = pc + 2;  // where execution continues after it
  uint32_t slot;           // a delayed branch's slot code
dispatch:
  s->cycles = cycles;
  cycles += 1;
  switch (d->index) {
#include "sh2_step_cases.inc"

    // The cycles below come on top of the 1 already counted. No bus access lies between the
    // cycles of a branch, so they are added at once.
    case DISPATCH_CONTROL + DECODE_BT:
      cycles += sh2_t(s) ? 2 : 0;
      return sh2_t(s) ? sh2_branch_target(pc, d) : pc + 2;
    case DISPATCH_CONTROL + DECODE_BF:
      cycles += sh2_t(s) ? 0 : 2;
      return sh2_t(s) ? pc + 2 : sh2_branch_target(pc, d);
    case DISPATCH_CONTROL + DECODE_TRAPA:
      next = sh2_trapa(s, d->operand[0], pc + 2);
      cycles = s->cycles + 1;
      return next;
    case DISPATCH_CONTROL + DECODE_SLEEP:
      s->cycles = cycles;
      next = sh2_sleep(s, pc);
      cycles = s->cycles;
      return next;
    case DISPATCH_CONTROL + DECODE_ILLEGAL:
      next = sh2_illegal(s, pc);
      cycles = s->cycles + 1;
      return next;

    // Delayed branches: the slot is fetched before anything of the branch happens; targets are
    // formed (and PR written) before the slot runs, which then counts its own cycle.
    // Not taken, BT/S and BF/S leave the following instruction to run as a normal step.
    case DISPATCH_CONTROL + DECODE_BTS:
      slot = sh2_fetch(view, pc + 2);
      if (!sh2_t(s)) return pc + 2;
      cycles += 1;
      next = sh2_branch_target(pc, d);
      goto delay_slot;
    case DISPATCH_CONTROL + DECODE_BFS:
      slot = sh2_fetch(view, pc + 2);
      if (sh2_t(s)) return pc + 2;
      cycles += 1;
      next = sh2_branch_target(pc, d);
      goto delay_slot;
    case DISPATCH_CONTROL + DECODE_BRA:
      slot = sh2_fetch(view, pc + 2);
      cycles += 1;
      next = sh2_branch_target(pc, d);
      goto delay_slot;
    case DISPATCH_CONTROL + DECODE_BSR:
      slot = sh2_fetch(view, pc + 2);
      cycles += 1;
      s->pr = pc + 4;
      next = sh2_branch_target(pc, d);
      goto delay_slot;
    case DISPATCH_CONTROL + DECODE_BRAF:
      slot = sh2_fetch(view, pc + 2);
      next = s->r[d->operand[0]] + pc + 4;
      cycles += 1;
      goto delay_slot;
    case DISPATCH_CONTROL + DECODE_BSRF:
      slot = sh2_fetch(view, pc + 2);
      next = s->r[d->operand[0]] + pc + 4;
      s->pr = pc + 4;
      cycles += 1;
      goto delay_slot;
    case DISPATCH_CONTROL + DECODE_JMP:
      slot = sh2_fetch(view, pc + 2);
      next = s->r[d->operand[0]];
      goto delay_slot;
    case DISPATCH_CONTROL + DECODE_JSR:
      slot = sh2_fetch(view, pc + 2);
      next = s->r[d->operand[0]];
      s->pr = pc + 4;
      cycles += 1;
      goto delay_slot;
    case DISPATCH_CONTROL + DECODE_RTS:
      slot = sh2_fetch(view, pc + 2);
      next = s->pr;
      cycles += 1;
      goto delay_slot;
    case DISPATCH_CONTROL + DECODE_RTE:
      slot = sh2_fetch(view, pc + 2);
      next = sh2_rte(s);
      cycles = s->cycles + 1;
      goto delay_slot;

    // The guard for the indexes below the last control-flow one that no code has; it charges
    // nothing. decode_gen gives no code an index above that one, so the switch needs no range
    // test.
    case 0:
    case DISPATCH_CONTROL + DECODE_OP_PCREL:
    case DISPATCH_CONTROL + DECODE_OP_LOAD_SR:
      cycles -= 1;
      return sh2_report_unmodelled(s, pc);
    default:
      __builtin_unreachable();
  }
  // An operation (or a delay slot's) has run.
  return next;

delay_slot:
  // A slot that is itself a branch, RTS, RTE, TRAPA, SLEEP or illegal code enters vector 4 with
  // the slot's address; the branch's own effects stay done.
  d = &dispatch_table[slot];
  if (d->index - 1u >= DECODE_OP_COUNT) [[unlikely]] {
    s->cycles = cycles;
    next = sh2_illegal(s, pc + 2);
    cycles = s->cycles;
    return next;
  }
  at = pc + 2;
  goto dispatch;
}

// Executes the instruction at pc, every fetch through the bus; returns the next PC. Adds the
// instruction's cycles. For callers outside the run loop.
inline uint32_t sh2_step(sh2_state* s, uint32_t pc) {
  const sh2_read_view none = {SH2_NO_PAGE, nullptr};
  uint64_t cycles = s->cycles;
  const uint32_t next = sh2_execute_code(s, pc, bus_read16(pc) & 0xFFFF, &none, cycles);
  s->cycles = cycles;
  return next;
}
