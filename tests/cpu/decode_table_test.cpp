// The generated decode table: codes per row and per kind, the ignored bits 7-6 (and 11-8) of the
// 0000 and 0100 groups, all-zero illegal entries, and one assembled instruction of every row
// (every_form.s, assembled by sh-elf-as) decoding to its row with the operand bytes in order.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "cpu/decode.h"
#include "sh2_program.h"

namespace {

// The fixed bits of a pattern (bit 15 first) and their values.
struct fixed_bits {
  uint32_t mask, value;
};

fixed_bits fixed(const char* pattern) {
  fixed_bits f = {0, 0};
  for (int i = 0; i < 16; i++) {
    const uint32_t bit = 1u << (15 - i);
    if (pattern[i] == '0' || pattern[i] == '1') f.mask |= bit;
    if (pattern[i] == '1') f.value |= bit;
  }
  return f;
}

int free_bits(const char* pattern) {
  int n = 0;
  for (int i = 0; i < 16; i++) n += pattern[i] != '0' && pattern[i] != '1';
  return n;
}

TEST(decode_table, EachRowCoversExactlyTheCodesOfItsPatternAndNothingElseIsLegal) {
  std::vector<int> hits(decode_row_count, 0);
  std::vector<fixed_bits> rows;
  for (int i = 0; i < decode_row_count; i++) rows.push_back(fixed(decode_rows[i].pattern));
  int illegal = 0;
  int illegal_by_nibble[16] = {};
  for (uint32_t code = 0; code < 65536; code++) {
    const decode_entry& e = decode_table[code];
    if (e.kind == DECODE_ILLEGAL) {
      illegal++;
      illegal_by_nibble[code >> 12]++;
      static const decode_entry zero = {DECODE_ILLEGAL, 0, {0, 0, 0}, 0};
      EXPECT_EQ(std::memcmp(&e, &zero, sizeof e), 0) << std::hex << code;
      continue;
    }
    int row = -1;
    for (int i = 0; i < decode_row_count; i++)
      if ((code & rows[i].mask) == rows[i].value) {
        EXPECT_EQ(row, -1) << "two rows match " << std::hex << code;
        row = i;
      }
    ASSERT_GE(row, 0) << "no row matches legal code " << std::hex << code;
    hits[row]++;
    EXPECT_EQ(e.kind, decode_rows[row].kind) << std::hex << code;
    EXPECT_EQ(e.op, decode_rows[row].op) << std::hex << code;
  }
  for (int i = 0; i < decode_row_count; i++)
    EXPECT_EQ(hits[i], 1 << free_bits(decode_rows[i].pattern)) << decode_rows[i].instruction;
  EXPECT_EQ(illegal, 9024);
  const int expected_by_nibble[16] = {960,  0, 256, 512, 1408, 0, 0, 0,
                                      1792, 0, 0,   0,   0,    0, 0, 4096};
  for (int n = 0; n < 16; n++) EXPECT_EQ(illegal_by_nibble[n], expected_by_nibble[n]) << n;
}

TEST(decode_table, OperationsAreNumberedOneToOneHundredTwentyEightWithOneRowForEachKind) {
  int ops = 0, kinds[DECODE_KIND_COUNT] = {};
  for (int i = 0; i < decode_row_count; i++) {
    const decode_row& r = decode_rows[i];
    kinds[r.kind]++;
    if (r.kind <= DECODE_OP_LOAD_SR) {
      EXPECT_EQ(r.op, ++ops) << r.instruction;
    }
  }
  EXPECT_EQ(ops, 128);
  EXPECT_EQ(kinds[DECODE_OP_PCREL], 3);    // MOV.W and MOV.L @(disp,PC), MOVA
  EXPECT_EQ(kinds[DECODE_OP_LOAD_SR], 2);  // LDC Rm,SR and LDC.L @Rm+,SR
  for (int k = DECODE_BT; k < DECODE_ILLEGAL; k++) EXPECT_EQ(kinds[k], 1) << k;
}

TEST(decode_table, TheOneAndNoRegisterFormsIgnoreBitsSevenAndSix) {
  struct alias {
    uint32_t code;
    const char* instruction;
  };
  const alias aliases[] = {
      {0x0009, "NOP"},
      {0x0F49, "NOP"},
      {0x00C9, "NOP"},
      {0x0109, "NOP"},
      {0x0019, "DIV0U"},
      {0x0AC2, "STC SR,Rn"},
      {0x4A67, "LDC.L @Rm+,VBR"},
      {0x41CB, "JSR @Rm"},
      {0x0FEB, "RTE"},
  };
  for (const alias& a : aliases) {
    const decode_entry& e = decode_table[a.code];
    int row = -1;
    for (int i = 0; i < decode_row_count; i++)
      if (std::strcmp(decode_rows[i].instruction, a.instruction) == 0) row = i;
    ASSERT_GE(row, 0) << a.instruction;
    EXPECT_EQ(e.kind, decode_rows[row].kind) << std::hex << a.code;
    EXPECT_EQ(e.op, decode_rows[row].op) << std::hex << a.code;
  }
  EXPECT_EQ(decode_table[0x0AC2].operand[0], 10);  // STC SR,R10 through the alias
  EXPECT_EQ(decode_table[0x41CB].operand[0], 1);
}

// Operand bytes and displacement expected from every_form.s, row by row.
struct form {
  const char* instruction;  // the row's own text, to keep this table aligned with the rows
  uint8_t operand[3];
  int16_t disp = 0;
};

const form forms[] = {
    {"STC SR,Rn", {9}},
    {"MOV.B Rm,@(R0,Rn)", {3, 9}},
    {"MOV.W Rm,@(R0,Rn)", {3, 9}},
    {"MOV.L Rm,@(R0,Rn)", {3, 9}},
    {"MUL.L Rm,Rn", {3, 9}},
    {"CLRT", {}},
    {"NOP", {}},
    {"STS MACH,Rn", {9}},
    {"MOV.B @(R0,Rm),Rn", {3, 9}},
    {"MOV.W @(R0,Rm),Rn", {3, 9}},
    {"MOV.L @(R0,Rm),Rn", {3, 9}},
    {"MAC.L @Rm+,@Rn+", {3, 9}},
    {"STC GBR,Rn", {9}},
    {"SETT", {}},
    {"DIV0U", {}},
    {"STS MACL,Rn", {9}},
    {"STC VBR,Rn", {9}},
    {"CLRMAC", {}},
    {"MOVT Rn", {9}},
    {"STS PR,Rn", {9}},
    {"MOV.L Rm,@(disp,Rn)", {3, 5, 9}},
    {"MOV.B Rm,@Rn", {3, 9}},
    {"MOV.W Rm,@Rn", {3, 9}},
    {"MOV.L Rm,@Rn", {3, 9}},
    {"MOV.B Rm,@-Rn", {3, 9}},
    {"MOV.W Rm,@-Rn", {3, 9}},
    {"MOV.L Rm,@-Rn", {3, 9}},
    {"DIV0S Rm,Rn", {3, 9}},
    {"TST Rm,Rn", {3, 9}},
    {"AND Rm,Rn", {3, 9}},
    {"XOR Rm,Rn", {3, 9}},
    {"OR Rm,Rn", {3, 9}},
    {"CMP/STR Rm,Rn", {3, 9}},
    {"XTRCT Rm,Rn", {3, 9}},
    {"MULU.W Rm,Rn", {3, 9}},
    {"MULS.W Rm,Rn", {3, 9}},
    {"CMP/EQ Rm,Rn", {3, 9}},
    {"CMP/HS Rm,Rn", {3, 9}},
    {"CMP/GE Rm,Rn", {3, 9}},
    {"DIV1 Rm,Rn", {3, 9}},
    {"DMULU.L Rm,Rn", {3, 9}},
    {"CMP/HI Rm,Rn", {3, 9}},
    {"CMP/GT Rm,Rn", {3, 9}},
    {"SUB Rm,Rn", {3, 9}},
    {"SUBC Rm,Rn", {3, 9}},
    {"SUBV Rm,Rn", {3, 9}},
    {"ADD Rm,Rn", {3, 9}},
    {"DMULS.L Rm,Rn", {3, 9}},
    {"ADDC Rm,Rn", {3, 9}},
    {"ADDV Rm,Rn", {3, 9}},
    {"SHLL Rn", {9}},
    {"SHLR Rn", {9}},
    {"STS.L MACH,@-Rn", {9}},
    {"STC.L SR,@-Rn", {9}},
    {"ROTL Rn", {9}},
    {"ROTR Rn", {9}},
    {"LDS.L @Rm+,MACH", {9}},
    {"LDC.L @Rm+,SR", {9}},
    {"SHLL2 Rn", {9}},
    {"SHLR2 Rn", {9}},
    {"LDS Rm,MACH", {9}},
    {"LDC Rm,SR", {9}},
    {"MAC.W @Rm+,@Rn+", {3, 9}},
    {"DT Rn", {9}},
    {"CMP/PZ Rn", {9}},
    {"STS.L MACL,@-Rn", {9}},
    {"STC.L GBR,@-Rn", {9}},
    {"CMP/PL Rn", {9}},
    {"LDS.L @Rm+,MACL", {9}},
    {"LDC.L @Rm+,GBR", {9}},
    {"SHLL8 Rn", {9}},
    {"SHLR8 Rn", {9}},
    {"LDS Rm,MACL", {9}},
    {"TAS.B @Rn", {9}},
    {"LDC Rm,GBR", {9}},
    {"SHAL Rn", {9}},
    {"SHAR Rn", {9}},
    {"STS.L PR,@-Rn", {9}},
    {"STC.L VBR,@-Rn", {9}},
    {"ROTCL Rn", {9}},
    {"ROTCR Rn", {9}},
    {"LDS.L @Rm+,PR", {9}},
    {"LDC.L @Rm+,VBR", {9}},
    {"SHLL16 Rn", {9}},
    {"SHLR16 Rn", {9}},
    {"LDS Rm,PR", {9}},
    {"LDC Rm,VBR", {9}},
    {"MOV.L @(disp,Rm),Rn", {3, 5, 9}},
    {"MOV.B @Rm,Rn", {3, 9}},
    {"MOV.W @Rm,Rn", {3, 9}},
    {"MOV.L @Rm,Rn", {3, 9}},
    {"MOV Rm,Rn", {3, 9}},
    {"MOV.B @Rm+,Rn", {3, 9}},
    {"MOV.W @Rm+,Rn", {3, 9}},
    {"MOV.L @Rm+,Rn", {3, 9}},
    {"NOT Rm,Rn", {3, 9}},
    {"SWAP.B Rm,Rn", {3, 9}},
    {"SWAP.W Rm,Rn", {3, 9}},
    {"NEGC Rm,Rn", {3, 9}},
    {"NEG Rm,Rn", {3, 9}},
    {"EXTU.B Rm,Rn", {3, 9}},
    {"EXTU.W Rm,Rn", {3, 9}},
    {"EXTS.B Rm,Rn", {3, 9}},
    {"EXTS.W Rm,Rn", {3, 9}},
    {"ADD #imm,Rn", {90, 9}},
    {"MOV.B R0,@(disp,Rn)", {5, 9}},
    {"MOV.W R0,@(disp,Rn)", {5, 9}},
    {"MOV.B @(disp,Rm),R0", {3, 5}},
    {"MOV.W @(disp,Rm),R0", {3, 5}},
    {"CMP/EQ #imm,R0", {90}},
    {"MOV.W @(disp,PC),Rn", {90, 9}},
    {"MOV.B R0,@(disp,GBR)", {90}},
    {"MOV.W R0,@(disp,GBR)", {90}},
    {"MOV.L R0,@(disp,GBR)", {90}},
    {"MOV.B @(disp,GBR),R0", {90}},
    {"MOV.W @(disp,GBR),R0", {90}},
    {"MOV.L @(disp,GBR),R0", {90}},
    {"MOVA @(disp,PC),R0", {90}},
    {"TST #imm,R0", {90}},
    {"AND #imm,R0", {90}},
    {"XOR #imm,R0", {90}},
    {"OR #imm,R0", {90}},
    {"TST.B #imm,@(R0,GBR)", {90}},
    {"AND.B #imm,@(R0,GBR)", {90}},
    {"XOR.B #imm,@(R0,GBR)", {90}},
    {"OR.B #imm,@(R0,GBR)", {90}},
    {"MOV.L @(disp,PC),Rn", {90, 9}},
    {"MOV #imm,Rn", {90, 9}},
    {"BT disp", {}, -3},
    {"BF disp", {}, -3},
    {"BT/S disp", {}, -3},
    {"BF/S disp", {}, -3},
    {"BRA disp", {}, -291},
    {"BSR disp", {}, -291},
    {"BRAF Rm", {9}},
    {"BSRF Rm", {9}},
    {"JMP @Rm", {9}},
    {"JSR @Rm", {9}},
    {"RTS", {}},
    {"RTE", {}},
    {"TRAPA #imm", {90}},
    {"SLEEP", {}},
};

TEST(decode_table, EveryAssembledFormDecodesToItsRowWithItsOperandsInHandlerOrder) {
  const sh2_program* p = sh2_program_find("every_form");
  ASSERT_NE(p, nullptr);
  const int count = (int)(sizeof forms / sizeof forms[0]);
  ASSERT_EQ(count, decode_row_count);
  ASSERT_EQ(p->size, 2u * count);
  for (int i = 0; i < count; i++) {
    SCOPED_TRACE(forms[i].instruction);
    ASSERT_STREQ(forms[i].instruction, decode_rows[i].instruction);
    const uint32_t code = (uint32_t)p->data[2 * i] << 8 | p->data[2 * i + 1];
    const decode_entry& e = decode_table[code];
    EXPECT_EQ(e.kind, decode_rows[i].kind);
    EXPECT_EQ(e.op, decode_rows[i].op);
    for (int k = 0; k < 3; k++) EXPECT_EQ(e.operand[k], forms[i].operand[k]) << k;
    EXPECT_EQ(e.disp, forms[i].disp);
  }
}

}  // namespace
