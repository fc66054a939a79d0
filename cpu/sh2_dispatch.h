// The dispatcher: sh2_step fetches one code, looks up its decode entry and carries it out with
// its branch, delay-slot, exception and cycle handling; sh2_execute runs one operation entry
// through the generated switch over the handlers. Both are inline so that the run loop compiles
// the whole step in place. sh2_step neither writes pc nor counts instructions: the run loop does
// both with the address it returns (SH2_STOP when the instruction cannot be executed).
#pragma once

#include <cstdint>

#include "cpu/bus.h"
#include "cpu/decode.h"
#include "cpu/sh2_core.h"
#include "cpu/sh2_ops.h"

// Runs operation entry e (kinds 0-2) and returns 1; for op 0 or above 128 (a control-flow code,
// as in a delay slot) does nothing and returns 0. pc_value is the instruction's address + 2; a
// PC-relative entry (kind 1) stores it into pc first. The step's main path always compiles this
// in place; delay slots go through sh2_execute below, which the compiler may keep out of line.
[[gnu::always_inline]] inline int sh2_execute_in_place(sh2_state* s, const decode_entry* e,
                                                       uint32_t pc_value) {
  if (e->kind == DECODE_OP_PCREL) s->pc = pc_value;
  switch (e->op) {
#include "sh2_execute_cases.inc"
    default:
      return 0;
  }
}

inline int sh2_execute(sh2_state* s, const decode_entry* e, uint32_t pc_value) {
  return sh2_execute_in_place(s, e, pc_value);
}

inline uint32_t sh2_branch_target(uint32_t pc, const decode_entry* e) {
  return pc + 4 + (uint32_t)(int32_t)e->disp * 2;
}

// Executes the instruction at pc; returns the next PC. Adds the instruction's cycles. The run
// loop compiles this in place; everyone else calls sh2_step below.
[[gnu::always_inline]] inline uint32_t sh2_step_in_place(sh2_state* s, uint32_t pc) {
  const decode_entry* e = &decode_table[bus_read16(pc) & 0xFFFF];
  uint32_t target;
  // Operations (kinds 0-2, the only entries with an op number) dispatch on op straight away.
  if (e->op) {
    sh2_execute_in_place(s, e, pc + 2);
    s->cycles += 1;
    return pc + 2;
  }
  switch (e->kind) {
    case DECODE_BT:
    case DECODE_BF:
      s->cycles += 1;
      if (sh2_t(s) != (e->kind == DECODE_BT ? 1u : 0u)) return pc + 2;
      s->cycles += 2;
      return sh2_branch_target(pc, e);
    case DECODE_TRAPA: {
      uint32_t next = sh2_trapa(s, e->operand[0], pc + 2);
      s->cycles += 1;
      return next;
    }
    case DECODE_SLEEP:
      s->cycles += 1;
      return sh2_sleep(s, pc);
    case DECODE_ILLEGAL: {
      uint32_t next = sh2_illegal(s, pc);
      s->cycles += 1;
      return next;
    }
    default:
      break;
  }

  // Delayed branches: the slot is fetched before anything of the branch happens; targets are
  // formed (and PR written) before the slot runs.
  const decode_entry* slot = &decode_table[bus_read16(pc + 2) & 0xFFFF];
  switch (e->kind) {
    case DECODE_BTS:
    case DECODE_BFS:
      s->cycles += 1;
      // Not taken: the following instruction runs as a normal step, not as a slot.
      if (sh2_t(s) != (e->kind == DECODE_BTS ? 1u : 0u)) return pc + 2;
      s->cycles += 1;
      target = sh2_branch_target(pc, e);
      break;
    case DECODE_BRA:
      s->cycles += 2;
      target = sh2_branch_target(pc, e);
      break;
    case DECODE_BSR:
      s->cycles += 2;
      s->pr = pc + 4;
      target = sh2_branch_target(pc, e);
      break;
    case DECODE_BRAF:
      target = s->r[e->operand[0]] + pc + 4;
      s->cycles += 2;
      break;
    case DECODE_BSRF:
      target = s->r[e->operand[0]] + pc + 4;
      s->pr = pc + 4;
      s->cycles += 2;
      break;
    case DECODE_JMP:
      target = s->r[e->operand[0]];
      s->cycles += 1;
      break;
    case DECODE_JSR:
      target = s->r[e->operand[0]];
      s->pr = pc + 4;
      s->cycles += 2;
      break;
    case DECODE_RTS:
      target = s->pr;
      s->cycles += 2;
      break;
    case DECODE_RTE:
      target = sh2_rte(s);
      s->cycles += 1;
      break;
    default:
      return sh2_report_unmodelled(s, pc);
  }
  // A slot that is itself a branch, RTS, RTE, TRAPA, SLEEP or illegal code enters vector 4 with
  // the slot's address; the branch's own effects stay done.
  if (!sh2_execute(s, slot, pc + 4)) return sh2_illegal(s, pc + 2);
  s->cycles += 1;
  return target;
}

inline uint32_t sh2_step(sh2_state* s, uint32_t pc) {
  return sh2_step_in_place(s, pc);
}
