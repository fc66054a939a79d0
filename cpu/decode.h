// The decode table: one constant entry per 16-bit SH-2 code, generated at build time by
// decode_gen.cpp from the rows in decode_rows.txt (never computed at run time), and the
// dispatcher's compact form of the same rule (dispatch_table), generated with it: one dispatch
// index per code for operations and control flow alike, and the operand bytes already extracted,
// so no handler looks at the code again.
#pragma once

#include <cstdint>

enum {
  DECODE_OP = 0,          // plain operation: its handler runs with the operand bytes
  DECODE_OP_PCREL = 1,    // PC-relative operation: the instruction's address + 2 goes into pc first
  DECODE_OP_LOAD_SR = 2,  // operation that loads SR (LDC Rm,SR, LDC.L @Rm+,SR); runs like kind 0
  DECODE_BT = 3,
  DECODE_BF = 4,
  DECODE_BTS = 5,  // BT/S
  DECODE_BFS = 6,  // BF/S
  DECODE_BRA = 7,
  DECODE_BSR = 8,
  DECODE_BRAF = 9,
  DECODE_BSRF = 10,
  DECODE_JMP = 11,
  DECODE_JSR = 12,
  DECODE_RTS = 13,
  DECODE_RTE = 14,
  DECODE_TRAPA = 15,
  DECODE_SLEEP = 16,
  DECODE_ILLEGAL = 17,  // every code that no row matches; all other fields 0
  DECODE_KIND_COUNT = 18,
  DECODE_OP_COUNT = 128,  // operations are numbered 1-128
  DECODE_ILLEGAL_CODES = 9024,
  DISPATCH_CONTROL = 128,  // dispatch index of a code of kind 3-17: DISPATCH_CONTROL + kind
};

struct decode_entry {
  uint8_t kind;        // DECODE_* dispatch kind 0-17
  uint8_t op;          // operation 1-128 for kinds 0-2; 0 otherwise
  uint8_t operand[3];  // operand bit fields in handler order, unsigned; unused bytes 0
  int16_t disp;        // branch displacement in instructions (kinds 3-8), sign-extended
};

static_assert(sizeof(decode_entry) == 8);

extern const decode_entry decode_table[65536];

// What the dispatcher reads for a code: 4 bytes, a quarter of the decode table's cache lines.
struct dispatch_entry {
  uint8_t index;       // operation number 1-128 (kinds 0-2), or DISPATCH_CONTROL + kind
  uint8_t operand[3];  // operations: the operand bytes as in decode_entry; control flow: operand
                       // 0 as in decode_entry, disp as a little-endian i16 in bytes 1 and 2
};

static_assert(sizeof(dispatch_entry) == 4);

extern const dispatch_entry dispatch_table[65536];

inline int32_t dispatch_disp(const dispatch_entry* e) {
  return (int16_t)(uint16_t)(e->operand[1] | e->operand[2] << 8);
}

// One row of decode_rows.txt as the generator saw it, for tests (library cpu_decode_rows).
struct decode_row {
  const char* pattern;      // 16 characters, bit 15 first: 0, 1, operand letters, x = ignored
  const char* instruction;  // assembler form, e.g. "MOV.L @(disp,Rm),Rn"
  const char* handler;      // op_ handler name; "" for kinds 3-16
  uint8_t op;               // 1-128, or 0 for kinds 3-16
  uint8_t kind;             // DECODE_* kind
  uint8_t extra_cycles;     // cycles the handler adds beyond the dispatcher's 1
};

extern const decode_row decode_rows[];
extern const int decode_row_count;
