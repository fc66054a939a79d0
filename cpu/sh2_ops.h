// The SH-2 operation handlers, one per operation number of the decode table (decode_rows.txt
// names each row's handler and its operand order). Defined inline here so that the interpreter
// (sh2_run.cpp) compiles them in place. A handler takes the state and its operand bytes (register
// numbers, 4-bit displacements, 8-bit immediates, unsigned), adds only its extra cycles (the
// dispatcher charges the 1 per instruction) and keeps last_address as the rules below say. A
// handler that accesses memory or adds cycles takes the executing instruction (sh2_exec) in place
// of the state, and adds its cycles to the interpreter's counter through it. LDC Rm,SR and
// LDC.L @Rm+,SR live with the exception sequences (sh2_core.h).
#pragma once

#include <cstdint>

#include "cpu/sh2_core.h"
#include "cpu/sh2_memory.h"

// ---- Helpers

inline uint32_t sh2_sext8(uint32_t v) {
  return (uint32_t)(int32_t)(int8_t)(uint8_t)v;
}
inline uint32_t sh2_sext16(uint32_t v) {
  return (uint32_t)(int32_t)(int16_t)(uint16_t)v;
}
inline uint32_t sh2_t(const sh2_state* s) {
  return s->sr & SH2_SR_T;
}
inline void sh2_set_t(sh2_state* s, bool t) {
  s->sr = (s->sr & ~SH2_SR_T) | (t ? 1u : 0u);
}

// Loads with last_address bookkeeping; byte and word loads sign-extend.
[[gnu::always_inline]] inline uint32_t sh2_load8(sh2_exec& x, uint32_t ea) {
  sh2_state* const s = x.s;
  s->last_address = ea;
  return sh2_sext8(sh2_read(x, ea, 1));
}
[[gnu::always_inline]] inline uint32_t sh2_load16(sh2_exec& x, uint32_t ea) {
  sh2_state* const s = x.s;
  s->last_address = ea;
  return sh2_sext16(sh2_read(x, ea, 2));
}
[[gnu::always_inline]] inline uint32_t sh2_load32(sh2_exec& x, uint32_t ea) {
  sh2_state* const s = x.s;
  s->last_address = ea;
  return sh2_read(x, ea, 4);
}
[[gnu::always_inline]] inline void sh2_store8(sh2_exec& x, uint32_t ea, uint32_t v) {
  sh2_state* const s = x.s;
  s->last_address = ea;
  sh2_write(x, ea, 1, v);
}
[[gnu::always_inline]] inline void sh2_store16(sh2_exec& x, uint32_t ea, uint32_t v) {
  sh2_state* const s = x.s;
  s->last_address = ea;
  sh2_write(x, ea, 2, v);
}
[[gnu::always_inline]] inline void sh2_store32(sh2_exec& x, uint32_t ea, uint32_t v) {
  sh2_state* const s = x.s;
  s->last_address = ea;
  sh2_write(x, ea, 4, v);
}

// ---- Data moves: @Rn and @Rm

[[gnu::always_inline]] inline void op_movb_store(sh2_exec& x, uint32_t m, uint32_t n) {
  sh2_state* const s = x.s;
  sh2_store8(x, s->r[n], s->r[m]);
}
[[gnu::always_inline]] inline void op_movw_store(sh2_exec& x, uint32_t m, uint32_t n) {
  sh2_state* const s = x.s;
  sh2_store16(x, s->r[n], s->r[m]);
}
[[gnu::always_inline]] inline void op_movl_store(sh2_exec& x, uint32_t m, uint32_t n) {
  sh2_state* const s = x.s;
  sh2_store32(x, s->r[n], s->r[m]);
}
[[gnu::always_inline]] inline void op_movb_load(sh2_exec& x, uint32_t m, uint32_t n) {
  sh2_state* const s = x.s;
  s->r[n] = sh2_load8(x, s->r[m]);
}
[[gnu::always_inline]] inline void op_movw_load(sh2_exec& x, uint32_t m, uint32_t n) {
  sh2_state* const s = x.s;
  s->r[n] = sh2_load16(x, s->r[m]);
}
[[gnu::always_inline]] inline void op_movl_load(sh2_exec& x, uint32_t m, uint32_t n) {
  sh2_state* const s = x.s;
  s->r[n] = sh2_load32(x, s->r[m]);
}

// Pre-decrement stores and post-increment loads leave last_address alone. With m = n the store
// writes the register's value from before the decrement and the load keeps the loaded value.
[[gnu::always_inline]] inline void op_movb_store_predec(sh2_exec& x, uint32_t m, uint32_t n) {
  sh2_state* const s = x.s;
  uint32_t v = s->r[m];
  s->r[n] -= 1;
  sh2_write(x, s->r[n], 1, v);
}
[[gnu::always_inline]] inline void op_movw_store_predec(sh2_exec& x, uint32_t m, uint32_t n) {
  sh2_state* const s = x.s;
  uint32_t v = s->r[m];
  s->r[n] -= 2;
  sh2_write(x, s->r[n], 2, v);
}
[[gnu::always_inline]] inline void op_movl_store_predec(sh2_exec& x, uint32_t m, uint32_t n) {
  sh2_state* const s = x.s;
  uint32_t v = s->r[m];
  s->r[n] -= 4;
  sh2_write(x, s->r[n], 4, v);
}
[[gnu::always_inline]] inline void op_movb_load_postinc(sh2_exec& x, uint32_t m, uint32_t n) {
  sh2_state* const s = x.s;
  s->r[n] = sh2_sext8(sh2_read(x, s->r[m], 1));
  if (m != n) s->r[m] += 1;
}
[[gnu::always_inline]] inline void op_movw_load_postinc(sh2_exec& x, uint32_t m, uint32_t n) {
  sh2_state* const s = x.s;
  s->r[n] = sh2_sext16(sh2_read(x, s->r[m], 2));
  if (m != n) s->r[m] += 2;
}
[[gnu::always_inline]] inline void op_movl_load_postinc(sh2_exec& x, uint32_t m, uint32_t n) {
  sh2_state* const s = x.s;
  s->r[n] = sh2_read(x, s->r[m], 4);
  if (m != n) s->r[m] += 4;
}

// ---- Data moves: indexed, displacement, GBR, PC-relative

[[gnu::always_inline]] inline void op_movb_store_r0_indexed(sh2_exec& x, uint32_t m, uint32_t n) {
  sh2_state* const s = x.s;
  sh2_store8(x, s->r[0] + s->r[n], s->r[m]);
}
[[gnu::always_inline]] inline void op_movw_store_r0_indexed(sh2_exec& x, uint32_t m, uint32_t n) {
  sh2_state* const s = x.s;
  sh2_store16(x, s->r[0] + s->r[n], s->r[m]);
}
[[gnu::always_inline]] inline void op_movl_store_r0_indexed(sh2_exec& x, uint32_t m, uint32_t n) {
  sh2_state* const s = x.s;
  sh2_store32(x, s->r[0] + s->r[n], s->r[m]);
}
[[gnu::always_inline]] inline void op_movb_load_r0_indexed(sh2_exec& x, uint32_t m, uint32_t n) {
  sh2_state* const s = x.s;
  s->r[n] = sh2_load8(x, s->r[0] + s->r[m]);
}
[[gnu::always_inline]] inline void op_movw_load_r0_indexed(sh2_exec& x, uint32_t m, uint32_t n) {
  sh2_state* const s = x.s;
  s->r[n] = sh2_load16(x, s->r[0] + s->r[m]);
}
[[gnu::always_inline]] inline void op_movl_load_r0_indexed(sh2_exec& x, uint32_t m, uint32_t n) {
  sh2_state* const s = x.s;
  s->r[n] = sh2_load32(x, s->r[0] + s->r[m]);
}

[[gnu::always_inline]] inline void op_movb_store_disp(sh2_exec& x, uint32_t disp, uint32_t n) {
  sh2_state* const s = x.s;
  sh2_store8(x, s->r[n] + disp, s->r[0]);
}
[[gnu::always_inline]] inline void op_movw_store_disp(sh2_exec& x, uint32_t disp, uint32_t n) {
  sh2_state* const s = x.s;
  sh2_store16(x, s->r[n] + disp * 2, s->r[0]);
}
[[gnu::always_inline]] inline void op_movl_store_disp(sh2_exec& x, uint32_t m, uint32_t disp,
                                                      uint32_t n) {
  sh2_state* const s = x.s;
  sh2_store32(x, s->r[n] + disp * 4, s->r[m]);
}
[[gnu::always_inline]] inline void op_movb_load_disp(sh2_exec& x, uint32_t m, uint32_t disp) {
  sh2_state* const s = x.s;
  s->r[0] = sh2_load8(x, s->r[m] + disp);
}
[[gnu::always_inline]] inline void op_movw_load_disp(sh2_exec& x, uint32_t m, uint32_t disp) {
  sh2_state* const s = x.s;
  s->r[0] = sh2_load16(x, s->r[m] + disp * 2);
}
[[gnu::always_inline]] inline void op_movl_load_disp(sh2_exec& x, uint32_t m, uint32_t disp,
                                                     uint32_t n) {
  sh2_state* const s = x.s;
  s->r[n] = sh2_load32(x, s->r[m] + disp * 4);
}

[[gnu::always_inline]] inline void op_movb_store_gbr(sh2_exec& x, uint32_t disp) {
  sh2_state* const s = x.s;
  sh2_store8(x, s->gbr + disp, s->r[0]);
}
[[gnu::always_inline]] inline void op_movw_store_gbr(sh2_exec& x, uint32_t disp) {
  sh2_state* const s = x.s;
  sh2_store16(x, s->gbr + disp * 2, s->r[0]);
}
[[gnu::always_inline]] inline void op_movl_store_gbr(sh2_exec& x, uint32_t disp) {
  sh2_state* const s = x.s;
  sh2_store32(x, s->gbr + disp * 4, s->r[0]);
}
[[gnu::always_inline]] inline void op_movb_load_gbr(sh2_exec& x, uint32_t disp) {
  sh2_state* const s = x.s;
  s->r[0] = sh2_load8(x, s->gbr + disp);
}
[[gnu::always_inline]] inline void op_movw_load_gbr(sh2_exec& x, uint32_t disp) {
  sh2_state* const s = x.s;
  s->r[0] = sh2_load16(x, s->gbr + disp * 2);
}
[[gnu::always_inline]] inline void op_movl_load_gbr(sh2_exec& x, uint32_t disp) {
  sh2_state* const s = x.s;
  s->r[0] = sh2_load32(x, s->gbr + disp * 4);
}

// x.pc holds the instruction's address + 2 here (the interpreter stores it into the record's pc
// too, for kind 1).
[[gnu::always_inline]] inline void op_movw_load_pcrel(sh2_exec& x, uint32_t disp, uint32_t n) {
  sh2_state* const s = x.s;
  const uint32_t ea = x.pc + 2 + disp * 2;
  s->last_address = ea;
  s->r[n] = sh2_sext16(sh2_read_literal(x, ea, 2));
}
[[gnu::always_inline]] inline void op_movl_load_pcrel(sh2_exec& x, uint32_t disp, uint32_t n) {
  sh2_state* const s = x.s;
  const uint32_t ea = ((x.pc + 2) & ~3u) + disp * 4;
  s->last_address = ea;
  s->r[n] = sh2_read_literal(x, ea, 4);
}
[[gnu::always_inline]] inline void op_mova(sh2_exec& x, uint32_t disp) {
  sh2_state* const s = x.s;
  s->r[0] = ((x.pc + 2) & ~3u) + disp * 4;
  s->last_address = s->r[0];
}

// ---- Register moves, immediates, system registers

inline void op_mov(sh2_state* s, uint32_t m, uint32_t n) {
  s->r[n] = s->r[m];
}
inline void op_mov_imm(sh2_state* s, uint32_t imm, uint32_t n) {
  s->r[n] = sh2_sext8(imm);
}
inline void op_movt(sh2_state* s, uint32_t n) {
  s->r[n] = sh2_t(s);
}
inline void op_exts_b(sh2_state* s, uint32_t m, uint32_t n) {
  s->r[n] = sh2_sext8(s->r[m]);
}
inline void op_exts_w(sh2_state* s, uint32_t m, uint32_t n) {
  s->r[n] = sh2_sext16(s->r[m]);
}
inline void op_extu_b(sh2_state* s, uint32_t m, uint32_t n) {
  s->r[n] = s->r[m] & 0xFF;
}
inline void op_extu_w(sh2_state* s, uint32_t m, uint32_t n) {
  s->r[n] = s->r[m] & 0xFFFF;
}
inline void op_swap_b(sh2_state* s, uint32_t m, uint32_t n) {
  uint32_t v = s->r[m];
  s->r[n] = (v & 0xFFFF0000u) | ((v & 0xFF) << 8) | ((v >> 8) & 0xFF);
}
inline void op_swap_w(sh2_state* s, uint32_t m, uint32_t n) {
  uint32_t v = s->r[m];
  s->r[n] = (v << 16) | (v >> 16);
}
inline void op_xtrct(sh2_state* s, uint32_t m, uint32_t n) {
  s->r[n] = (s->r[m] << 16) | (s->r[n] >> 16);
}

inline void op_stc_sr(sh2_state* s, uint32_t n) {
  s->r[n] = s->sr;
}
inline void op_stc_gbr(sh2_state* s, uint32_t n) {
  s->r[n] = s->gbr;
}
inline void op_stc_vbr(sh2_state* s, uint32_t n) {
  s->r[n] = s->vbr;
}
inline void op_sts_mach(sh2_state* s, uint32_t n) {
  s->r[n] = s->mach;
}
inline void op_sts_macl(sh2_state* s, uint32_t n) {
  s->r[n] = s->macl;
}
inline void op_sts_pr(sh2_state* s, uint32_t n) {
  s->r[n] = s->pr;
}
inline void op_ldc_gbr(sh2_state* s, uint32_t m) {
  s->gbr = s->r[m];
}
inline void op_ldc_vbr(sh2_state* s, uint32_t m) {
  s->vbr = s->r[m];
}
inline void op_lds_mach(sh2_state* s, uint32_t m) {
  s->mach = s->r[m];
}
inline void op_lds_macl(sh2_state* s, uint32_t m) {
  s->macl = s->r[m];
}
inline void op_lds_pr(sh2_state* s, uint32_t m) {
  s->pr = s->r[m];
}

// Pre-decrement stores and post-increment loads of system registers do keep last_address.
[[gnu::always_inline]] inline void sh2_push_reg(sh2_exec& x, uint32_t n, uint32_t v) {
  sh2_state* const s = x.s;
  s->r[n] -= 4;
  sh2_store32(x, s->r[n], v);
}
[[gnu::always_inline]] inline uint32_t sh2_pop_reg(sh2_exec& x, uint32_t m) {
  sh2_state* const s = x.s;
  uint32_t v = sh2_load32(x, s->r[m]);
  s->r[m] += 4;
  return v;
}
[[gnu::always_inline]] inline void op_stcl_sr(sh2_exec& x, uint32_t n) {
  sh2_state* const s = x.s;
  sh2_push_reg(x, n, s->sr);
  x.cycles += 1;
}
[[gnu::always_inline]] inline void op_stcl_gbr(sh2_exec& x, uint32_t n) {
  sh2_state* const s = x.s;
  sh2_push_reg(x, n, s->gbr);
  x.cycles += 1;
}
[[gnu::always_inline]] inline void op_stcl_vbr(sh2_exec& x, uint32_t n) {
  sh2_state* const s = x.s;
  sh2_push_reg(x, n, s->vbr);
  x.cycles += 1;
}
[[gnu::always_inline]] inline void op_stsl_mach(sh2_exec& x, uint32_t n) {
  sh2_state* const s = x.s;
  sh2_push_reg(x, n, s->mach);
}
[[gnu::always_inline]] inline void op_stsl_macl(sh2_exec& x, uint32_t n) {
  sh2_state* const s = x.s;
  sh2_push_reg(x, n, s->macl);
}
[[gnu::always_inline]] inline void op_stsl_pr(sh2_exec& x, uint32_t n) {
  sh2_state* const s = x.s;
  sh2_push_reg(x, n, s->pr);
}
[[gnu::always_inline]] inline void op_ldcl_gbr(sh2_exec& x, uint32_t m) {
  sh2_state* const s = x.s;
  s->gbr = sh2_pop_reg(x, m);
  x.cycles += 2;
}
[[gnu::always_inline]] inline void op_ldcl_vbr(sh2_exec& x, uint32_t m) {
  sh2_state* const s = x.s;
  s->vbr = sh2_pop_reg(x, m);
  x.cycles += 2;
}
[[gnu::always_inline]] inline void op_ldsl_mach(sh2_exec& x, uint32_t m) {
  sh2_state* const s = x.s;
  s->mach = sh2_pop_reg(x, m);
}
[[gnu::always_inline]] inline void op_ldsl_macl(sh2_exec& x, uint32_t m) {
  sh2_state* const s = x.s;
  s->macl = sh2_pop_reg(x, m);
}
[[gnu::always_inline]] inline void op_ldsl_pr(sh2_exec& x, uint32_t m) {
  sh2_state* const s = x.s;
  s->pr = sh2_pop_reg(x, m);
}

inline void op_clrt(sh2_state* s) {
  s->sr &= ~SH2_SR_T;
}
inline void op_sett(sh2_state* s) {
  s->sr |= SH2_SR_T;
}
inline void op_clrmac(sh2_state* s) {
  s->mach = s->macl = 0;
}
inline void op_nop(sh2_state*) {}

// ---- Arithmetic

inline void op_add(sh2_state* s, uint32_t m, uint32_t n) {
  s->r[n] += s->r[m];
}
inline void op_add_imm(sh2_state* s, uint32_t imm, uint32_t n) {
  s->r[n] += sh2_sext8(imm);
}
inline void op_sub(sh2_state* s, uint32_t m, uint32_t n) {
  s->r[n] -= s->r[m];
}
inline void op_neg(sh2_state* s, uint32_t m, uint32_t n) {
  s->r[n] = 0u - s->r[m];
}
inline void op_addc(sh2_state* s, uint32_t m, uint32_t n) {
  uint64_t sum = (uint64_t)s->r[n] + s->r[m] + sh2_t(s);
  s->r[n] = (uint32_t)sum;
  sh2_set_t(s, sum >> 32);
}
inline void op_addv(sh2_state* s, uint32_t m, uint32_t n) {
  uint32_t a = s->r[n], b = s->r[m], r = a + b;
  s->r[n] = r;
  sh2_set_t(s, ((~(a ^ b) & (a ^ r)) >> 31) != 0);
}
inline void op_subc(sh2_state* s, uint32_t m, uint32_t n) {
  uint64_t diff = (uint64_t)s->r[n] - s->r[m] - sh2_t(s);
  s->r[n] = (uint32_t)diff;
  sh2_set_t(s, (diff >> 32) != 0);
}
inline void op_subv(sh2_state* s, uint32_t m, uint32_t n) {
  uint32_t a = s->r[n], b = s->r[m], r = a - b;
  s->r[n] = r;
  sh2_set_t(s, (((a ^ b) & (a ^ r)) >> 31) != 0);
}
inline void op_negc(sh2_state* s, uint32_t m, uint32_t n) {
  uint32_t v = s->r[m], t = sh2_t(s);
  s->r[n] = 0u - v - t;
  sh2_set_t(s, v != 0 || t != 0);
}
inline void op_dt(sh2_state* s, uint32_t n) {
  s->r[n] -= 1;
  sh2_set_t(s, s->r[n] == 0);
}

[[gnu::always_inline]] inline void op_mul_l(sh2_exec& x, uint32_t m, uint32_t n) {
  sh2_state* const s = x.s;
  s->macl = s->r[n] * s->r[m];
  x.cycles += 1;
}
inline void op_muls_w(sh2_state* s, uint32_t m, uint32_t n) {
  s->macl = (uint32_t)((int32_t)(int16_t)s->r[n] * (int32_t)(int16_t)s->r[m]);
}
inline void op_mulu_w(sh2_state* s, uint32_t m, uint32_t n) {
  s->macl = (s->r[n] & 0xFFFF) * (s->r[m] & 0xFFFF);
}
[[gnu::always_inline]] inline void op_dmuls_l(sh2_exec& x, uint32_t m, uint32_t n) {
  sh2_state* const s = x.s;
  uint64_t p = (uint64_t)((int64_t)(int32_t)s->r[n] * (int64_t)(int32_t)s->r[m]);
  s->mach = (uint32_t)(p >> 32);
  s->macl = (uint32_t)p;
  x.cycles += 1;
}
[[gnu::always_inline]] inline void op_dmulu_l(sh2_exec& x, uint32_t m, uint32_t n) {
  sh2_state* const s = x.s;
  uint64_t p = (uint64_t)s->r[n] * s->r[m];
  s->mach = (uint32_t)(p >> 32);
  s->macl = (uint32_t)p;
  x.cycles += 1;
}

// ---- Multiply and accumulate (Rn is read first; with m = n the register advances twice)

[[gnu::always_inline]] inline void op_mac_l(sh2_exec& x, uint32_t m, uint32_t n) {
  sh2_state* const s = x.s;
  int32_t a = (int32_t)sh2_read(x, s->r[n], 4);
  s->r[n] += 4;
  int32_t b = (int32_t)sh2_read(x, s->r[m], 4);
  s->r[m] += 4;
  uint64_t p = (uint64_t)((int64_t)a * b);
  if (!(s->sr & SH2_SR_S)) {
    uint64_t acc = ((uint64_t)s->mach << 32 | s->macl) + p;
    s->mach = (uint32_t)(acc >> 32);
    s->macl = (uint32_t)acc;
  } else {
    // 48-bit saturating accumulator: bits 47-32 live in the low half of MACH.
    uint64_t lo = (uint64_t)s->macl + (uint32_t)p;
    int64_t hi = (int64_t)(int16_t)s->mach + (int64_t)(int32_t)(p >> 32) + (int64_t)(lo >> 32);
    if (hi > 0x7FFF) {
      s->mach = 0x00007FFF;
      s->macl = 0xFFFFFFFF;
    } else if (hi < -0x8000) {
      s->mach = 0xFFFF8000;
      s->macl = 0;
    } else {
      s->mach = (uint32_t)hi;
      s->macl = (uint32_t)lo;
    }
  }
  x.cycles += 2;
}

[[gnu::always_inline]] inline void op_mac_w(sh2_exec& x, uint32_t m, uint32_t n) {
  sh2_state* const s = x.s;
  int32_t a = (int32_t)sh2_sext16(sh2_read(x, s->r[n], 2));
  s->r[n] += 2;
  int32_t b = (int32_t)sh2_sext16(sh2_read(x, s->r[m], 2));
  s->r[m] += 2;
  uint32_t p = (uint32_t)(a * b);  // |a * b| <= 2^30: no overflow
  if (!(s->sr & SH2_SR_S)) {
    uint64_t acc = ((uint64_t)s->mach << 32 | s->macl) + (uint64_t)(int64_t)(int32_t)p;
    s->mach = (uint32_t)(acc >> 32);
    s->macl = (uint32_t)acc;
  } else {
    uint32_t old = s->macl, sum = old + p;
    if (((~(old ^ p) & (old ^ sum)) >> 31) != 0) sum = (old >> 31) ? 0x80000000u : 0x7FFFFFFFu;
    s->macl = sum;
  }
  x.cycles += 2;
}

// ---- Compare (only T changes)

inline void op_cmp_eq(sh2_state* s, uint32_t m, uint32_t n) {
  sh2_set_t(s, s->r[n] == s->r[m]);
}
inline void op_cmp_hs(sh2_state* s, uint32_t m, uint32_t n) {
  sh2_set_t(s, s->r[n] >= s->r[m]);
}
inline void op_cmp_ge(sh2_state* s, uint32_t m, uint32_t n) {
  sh2_set_t(s, (int32_t)s->r[n] >= (int32_t)s->r[m]);
}
inline void op_cmp_hi(sh2_state* s, uint32_t m, uint32_t n) {
  sh2_set_t(s, s->r[n] > s->r[m]);
}
inline void op_cmp_gt(sh2_state* s, uint32_t m, uint32_t n) {
  sh2_set_t(s, (int32_t)s->r[n] > (int32_t)s->r[m]);
}
inline void op_cmp_pz(sh2_state* s, uint32_t n) {
  sh2_set_t(s, (int32_t)s->r[n] >= 0);
}
inline void op_cmp_pl(sh2_state* s, uint32_t n) {
  sh2_set_t(s, (int32_t)s->r[n] > 0);
}
inline void op_cmp_str(sh2_state* s, uint32_t m, uint32_t n) {
  uint32_t x = s->r[n] ^ s->r[m];
  sh2_set_t(s, !(x & 0xFF000000u) || !(x & 0x00FF0000u) || !(x & 0x0000FF00u) || !(x & 0xFFu));
}
inline void op_cmp_eq_imm(sh2_state* s, uint32_t imm) {
  sh2_set_t(s, s->r[0] == sh2_sext8(imm));
}

// ---- Division steps

inline void op_div0u(sh2_state* s) {
  s->sr &= ~(SH2_SR_Q | SH2_SR_M | SH2_SR_T);
}
inline void op_div0s(sh2_state* s, uint32_t m, uint32_t n) {
  uint32_t q = s->r[n] >> 31, mm = s->r[m] >> 31;
  s->sr = (s->sr & ~(SH2_SR_Q | SH2_SR_M | SH2_SR_T)) | (q << 8) | (mm << 9) | (q ^ mm);
}
// One step of non-restoring division. Rm is read before Rn is shifted (so m = n divides by the
// register's old value).
inline void op_div1(sh2_state* s, uint32_t m, uint32_t n) {
  uint32_t divisor = s->r[m];
  uint32_t old_q = (s->sr >> 8) & 1, mm = (s->sr >> 9) & 1;
  uint32_t q = s->r[n] >> 31;
  uint32_t v = (s->r[n] << 1) | sh2_t(s);
  uint32_t c;
  if (old_q == mm) {
    c = v < divisor;
    v -= divisor;
  } else {
    uint32_t sum = v + divisor;
    c = sum < v;
    v = sum;
  }
  s->r[n] = v;
  q ^= c ^ mm;
  s->sr = (s->sr & ~(SH2_SR_Q | SH2_SR_T)) | (q << 8) | (q == mm ? 1u : 0u);
}

// ---- Logic

inline void op_and(sh2_state* s, uint32_t m, uint32_t n) {
  s->r[n] &= s->r[m];
}
inline void op_or(sh2_state* s, uint32_t m, uint32_t n) {
  s->r[n] |= s->r[m];
}
inline void op_xor(sh2_state* s, uint32_t m, uint32_t n) {
  s->r[n] ^= s->r[m];
}
inline void op_not(sh2_state* s, uint32_t m, uint32_t n) {
  s->r[n] = ~s->r[m];
}
inline void op_tst(sh2_state* s, uint32_t m, uint32_t n) {
  sh2_set_t(s, (s->r[n] & s->r[m]) == 0);
}
inline void op_and_imm(sh2_state* s, uint32_t imm) {
  s->r[0] &= imm;
}
inline void op_or_imm(sh2_state* s, uint32_t imm) {
  s->r[0] |= imm;
}
inline void op_xor_imm(sh2_state* s, uint32_t imm) {
  s->r[0] ^= imm;
}
inline void op_tst_imm(sh2_state* s, uint32_t imm) {
  sh2_set_t(s, (s->r[0] & imm) == 0);
}

// Byte read-modify-write at GBR + R0 (TST.B only reads).
[[gnu::always_inline]] inline uint32_t sh2_gbr_byte(sh2_exec& x) {
  sh2_state* const s = x.s;
  s->last_address = s->gbr + s->r[0];
  x.cycles += 2;
  return sh2_read(x, s->last_address, 1);
}
[[gnu::always_inline]] inline void op_tstb_gbr(sh2_exec& x, uint32_t imm) {
  sh2_state* const s = x.s;
  sh2_set_t(s, (sh2_gbr_byte(x) & imm) == 0);
}
[[gnu::always_inline]] inline void op_andb_gbr(sh2_exec& x, uint32_t imm) {
  sh2_state* const s = x.s;
  uint32_t v = sh2_gbr_byte(x) & imm;
  sh2_write(x, s->last_address, 1, v);
}
[[gnu::always_inline]] inline void op_xorb_gbr(sh2_exec& x, uint32_t imm) {
  sh2_state* const s = x.s;
  uint32_t v = sh2_gbr_byte(x) ^ imm;
  sh2_write(x, s->last_address, 1, v);
}
[[gnu::always_inline]] inline void op_orb_gbr(sh2_exec& x, uint32_t imm) {
  sh2_state* const s = x.s;
  uint32_t v = sh2_gbr_byte(x) | imm;
  sh2_write(x, s->last_address, 1, v);
}
[[gnu::always_inline]] inline void op_tas_b(sh2_exec& x, uint32_t n) {
  sh2_state* const s = x.s;
  uint32_t ea = s->r[n];
  s->last_address = ea;
  uint32_t v = sh2_read(x, ea, 1) & 0xFF;
  sh2_set_t(s, v == 0);
  sh2_write(x, ea, 1, v | 0x80);
  x.cycles += 3;
}

// ---- Shifts and rotates

inline void op_shll(sh2_state* s, uint32_t n) {
  sh2_set_t(s, s->r[n] >> 31);
  s->r[n] <<= 1;
}
inline void op_shal(sh2_state* s, uint32_t n) {
  op_shll(s, n);
}
inline void op_shlr(sh2_state* s, uint32_t n) {
  sh2_set_t(s, s->r[n] & 1);
  s->r[n] >>= 1;
}
inline void op_shar(sh2_state* s, uint32_t n) {
  sh2_set_t(s, s->r[n] & 1);
  s->r[n] = (s->r[n] >> 1) | (s->r[n] & 0x80000000u);
}
inline void op_rotl(sh2_state* s, uint32_t n) {
  uint32_t v = s->r[n];
  sh2_set_t(s, v >> 31);
  s->r[n] = (v << 1) | (v >> 31);
}
inline void op_rotr(sh2_state* s, uint32_t n) {
  uint32_t v = s->r[n];
  sh2_set_t(s, v & 1);
  s->r[n] = (v >> 1) | (v << 31);
}
inline void op_rotcl(sh2_state* s, uint32_t n) {
  uint32_t v = s->r[n];
  s->r[n] = (v << 1) | sh2_t(s);
  sh2_set_t(s, v >> 31);
}
inline void op_rotcr(sh2_state* s, uint32_t n) {
  uint32_t v = s->r[n];
  s->r[n] = (v >> 1) | (sh2_t(s) << 31);
  sh2_set_t(s, v & 1);
}
inline void op_shll2(sh2_state* s, uint32_t n) {
  s->r[n] <<= 2;
}
inline void op_shll8(sh2_state* s, uint32_t n) {
  s->r[n] <<= 8;
}
inline void op_shll16(sh2_state* s, uint32_t n) {
  s->r[n] <<= 16;
}
inline void op_shlr2(sh2_state* s, uint32_t n) {
  s->r[n] >>= 2;
}
inline void op_shlr8(sh2_state* s, uint32_t n) {
  s->r[n] >>= 8;
}
inline void op_shlr16(sh2_state* s, uint32_t n) {
  s->r[n] >>= 16;
}
