// The operation handlers where the single-step vectors cannot reach: cycle charges and
// last_address of every operation row, MAC.W and MAC.L (both S settings, saturation, read
// order), the SR loads and stores, DIV1 with Rm = Rn, and a few flag rules at their edges.
#include <string>
#include <vector>

#include "cpu/decode.h"
#include "cpu/sh2_dispatch.h"
#include "cpu_fixture.h"

namespace {

using sh2_ops = cpu_test;

// A code of the row's pattern with Rn = R2, Rm = R3 and every other field 1 (x bits 0).
uint32_t sample_code(const char* pattern) {
  uint32_t code = 0;
  for (int i = 0; i < 16; i++) {
    const char c = pattern[i];
    const bool last_of_field = i == 15 || pattern[i + 1] != c;
    uint32_t bit = 0;
    if (c == '1') bit = 1;
    if (c == 'n') bit = (i % 4) == 2;               // 0010
    if (c == 'm') bit = (i % 4) >= 2;               // 0011
    if (c == 'd' || c == 'i') bit = last_of_field;  // 0...01
    code = code << 1 | bit;
  }
  return code;
}

bool leaves_last_address(int op) {
  switch (op) {
    case 12:
    case 63:  // MAC.L, MAC.W
    case 25:
    case 26:
    case 27:  // MOV Rm,@-Rn
    case 93:
    case 94:
    case 95:  // MOV @Rm+,Rn
      return true;
    default:
      return false;
  }
}

// Every operation costs 1 + its row's extra cycles; an operation that addresses memory records
// the address of its first data access (MOVA: the address it forms) unless it is one of the
// listed exceptions; register-only operations leave last_address alone.
TEST_F(sh2_ops, EveryOperationChargesItsRowsCyclesAndKeepsLastAddressByTheRules) {
  for (int i = 0; i < decode_row_count; i++) {
    const decode_row& row = decode_rows[i];
    if (row.op == 0) continue;
    SCOPED_TRACE(row.instruction);
    SetUp();
    const uint32_t code = sample_code(row.pattern);
    ASSERT_EQ(decode_table[code].op, row.op);
    for (int r = 0; r < 16; r++) s.r[r] = 0x4000 + 0x100 * r;
    s.gbr = 0x8000;
    s.sr = 0;
    s.last_address = 0xDEADBEEF;
    test_bus_put16(0x100, code);
    test_bus_log_enable(1);

    EXPECT_EQ(sh2_step(&s, 0x100), 0x102u);
    EXPECT_EQ(s.cycles, 1u + row.extra_cycles);

    const bool memory = std::string(row.instruction).find('@') != std::string::npos;
    const std::vector<test_bus_access>& log = test_bus_log();
    if (!memory || leaves_last_address(row.op)) {
      EXPECT_EQ(s.last_address, 0xDEADBEEFu);
    } else if (row.op == 118) {  // MOVA
      EXPECT_EQ(s.last_address, s.r[0]);
    } else {
      ASSERT_GE(log.size(), 2u);  // the fetch, then the data access
      EXPECT_EQ(s.last_address, log[1].address);
    }
    EXPECT_EQ(log.size() > 1, memory && row.op != 118) << "data accesses: " << log.size() - 1;
  }
}

struct mac_case {
  const char* what;
  uint32_t code;  // MAC.L @R3+,@R2+ = 0x023F, MAC.W @R3+,@R2+ = 0x423F
  uint32_t s_bit;
  uint32_t mach, macl;    // before
  uint32_t at_rn, at_rm;  // operands in memory (words use the low 16 bits)
  uint32_t want_mach, want_macl;
};

const mac_case mac_cases[] = {
    {"L S=0 adds the 64-bit product", 0x023F, 0, 0x00000001, 0xFFFFFFFF, 0xFFFFFFFE, 3, 0x00000001,
     0xFFFFFFF9},
    {"L S=0 wraps", 0x023F, 0, 0xFFFFFFFF, 0xFFFFFFFF, 1, 1, 0, 0},
    {"L S=1 in range", 0x023F, 1, 0x00000000, 0xFFFFFFFF, 2, 3, 0x00000001, 0x00000005},
    {"L S=1 saturates upward", 0x023F, 1, 0x00007FFF, 0xFFFFFFF0, 0x100, 0x100, 0x00007FFF,
     0xFFFFFFFF},
    {"L S=1 saturates downward", 0x023F, 1, 0xFFFF8000, 0x00000010, 0xFFFFFF00, 0x100, 0xFFFF8000,
     0x00000000},
    {"L S=1 reaching -0x8000 exactly", 0x023F, 1, 0xFFFF8001, 0, 0xFFFF0000, 0x10000, 0xFFFF8000,
     0},
    {"L S=1 zero product keeps a negative accumulator", 0x023F, 1, 0xFFFF9000, 0, 0, 0x1234,
     0xFFFF9000, 0},
    {"L S=1 reads MACH as 16 bits", 0x023F, 1, 0x12340001, 0, 1, 1, 0x00000001, 1},
    {"W S=0 sign-extends the product", 0x423F, 0, 0, 1, 0xFFFF, 3, 0xFFFFFFFF, 0xFFFFFFFE},
    {"W S=1 saturates upward, MACH untouched", 0x423F, 1, 0xABCD, 0x7FFFFFFF, 2, 3, 0xABCD,
     0x7FFFFFFF},
    {"W S=1 saturates downward", 0x423F, 1, 0x1, 0x80000000, 0xFFFF, 1, 0x1, 0x80000000},
    {"W S=1 in range ignores MACH", 0x423F, 1, 0x55, 0xFFFFFFFF, 0xFFFF, 1, 0x55, 0xFFFFFFFE},
};

TEST_F(sh2_ops, MacAccumulatesWithAndWithoutSaturation) {
  for (const mac_case& c : mac_cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    const bool is_long = c.code == 0x023F;
    test_bus_put16(0x100, c.code);
    s.r[2] = 0x5000;
    s.r[3] = 0x6000;
    if (is_long) {
      test_bus_put32(0x5000, c.at_rn);
      test_bus_put32(0x6000, c.at_rm);
    } else {
      test_bus_put16(0x5000, c.at_rn);
      test_bus_put16(0x6000, c.at_rm);
    }
    s.sr = c.s_bit << 1;
    s.mach = c.mach;
    s.macl = c.macl;
    s.last_address = 0x77;
    test_bus_log_enable(1);
    sh2_step(&s, 0x100);
    EXPECT_EQ(s.mach, c.want_mach);
    EXPECT_EQ(s.macl, c.want_macl);
    EXPECT_EQ(s.cycles, 3u);
    EXPECT_EQ(s.last_address, 0x77u);
    EXPECT_EQ(s.r[2], 0x5000u + (is_long ? 4 : 2));
    EXPECT_EQ(s.r[3], 0x6000u + (is_long ? 4 : 2));
    // Rn is read before Rm.
    ASSERT_EQ(test_bus_log().size(), 3u);
    EXPECT_EQ(test_bus_log()[1].address, 0x5000u);
    EXPECT_EQ(test_bus_log()[2].address, 0x6000u);
  }
}

TEST_F(sh2_ops, MacWithOneRegisterReadsConsecutiveOperandsAndAdvancesTwice) {
  test_bus_put16(0x100, 0x022F);  // MAC.L @R2+,@R2+
  test_bus_put16(0x102, 0x422F);  // MAC.W @R2+,@R2+
  s.r[2] = 0x5000;
  test_bus_put32(0x5000, 3);
  test_bus_put32(0x5004, 5);
  test_bus_put16(0x5008, 0xFFFE);
  test_bus_put16(0x500A, 7);
  sh2_step(&s, 0x100);
  EXPECT_EQ(s.r[2], 0x5008u);
  EXPECT_EQ(s.macl, 15u);
  sh2_step(&s, 0x102);
  EXPECT_EQ(s.r[2], 0x500Cu);
  EXPECT_EQ(s.macl, 1u);  // 15 + (-2 * 7)
  EXPECT_EQ(s.mach, 0u);
}

TEST_F(sh2_ops, SrLoadsKeepOnlyTheDefinedBitsAndAskForAnInterruptCheck) {
  code(0x100, {0x410E, 0x4207, 0x0302, 0x4403});  // LDC R1,SR; LDC.L @R2+,SR; STC SR,R3;
                                                  // STC.L SR,@-R4
  s.r[1] = 0xFFFFFFFF;
  s.r[2] = 0x5000;
  s.r[4] = 0x6000;
  test_bus_put32(0x5000, 0xFFFFFC0E);

  sh2_step(&s, 0x100);
  EXPECT_EQ(s.sr, 0x3F3u);
  EXPECT_EQ(s.check_irq, 1);
  EXPECT_EQ(s.cycles, 1u);

  s.check_irq = 0;
  sh2_step(&s, 0x102);
  EXPECT_EQ(s.sr, 0x002u);
  EXPECT_EQ(s.r[2], 0x5004u);
  EXPECT_EQ(s.last_address, 0x5000u);
  EXPECT_EQ(s.check_irq, 1);
  EXPECT_EQ(s.cycles, 4u);

  s.sr = 0x3F3;
  sh2_step(&s, 0x104);
  EXPECT_EQ(s.r[3], 0x3F3u);
  sh2_step(&s, 0x106);
  EXPECT_EQ(s.r[4], 0x5FFCu);
  EXPECT_EQ(test_bus_get32(0x5FFC), 0x3F3u);
  EXPECT_EQ(s.last_address, 0x5FFCu);
  EXPECT_EQ(s.cycles, 4u + 1 + 2);
}

TEST_F(sh2_ops, DivOneWithTheSameRegisterDividesByItsValueBeforeTheShift) {
  code(0x100, {0x3444});  // DIV1 R4,R4
  s.r[4] = 0xB1E12951;
  s.sr = 0x271;  // M = 1, Q = 0, T = 1
  sh2_step(&s, 0x100);
  // Shifted 0x63C252A3; Q (0) differs from M (1), so the old value is added.
  EXPECT_EQ(s.r[4], 0x63C252A3u + 0xB1E12951u);
  // c = 1 (the add carries): Q = 1 ^ 1 ^ 1 = 1 = M, so T = 1.
  EXPECT_EQ(s.sr & 0x3F3, 0x371u);
}

struct flag_case {
  const char* what;
  uint32_t code;
  uint32_t rn, rm, t;  // R2, R3 and T before
  uint32_t want_rn, want_t;
};

// Codes with Rn = R2, Rm = R3.
const flag_case flag_cases[] = {
    {"ADDC carries from the T add", 0x323E, 0xFFFFFFFF, 0, 1, 0, 1},
    {"SUBC borrows from the T subtract", 0x323A, 0, 0, 1, 0xFFFFFFFF, 1},
    {"NEGC of 0 without T", 0x623A, 5, 0, 0, 0, 0},
    {"NEGC of 0 with T", 0x623A, 5, 0, 1, 0xFFFFFFFF, 1},
    {"ADDV overflows", 0x323F, 0x7FFFFFFF, 1, 0, 0x80000000, 1},
    {"SUBV of 1 from the minimum", 0x323B, 0x80000000, 1, 0, 0x7FFFFFFF, 1},
    {"SUBV of the minimum from 0", 0x323B, 0, 0x80000000, 0, 0x80000000, 1},
    {"CMP/STR with two equal bytes", 0x223C, 0x12345678, 0x99345699, 0, 0x12345678, 1},
    {"CMP/STR with no equal byte", 0x223C, 0x12345678, 0x21436587, 1, 0x12345678, 0},
    {"TST #0x80 sees a clear bit 7", 0xC880, 0, 0, 0, 0, 1},
};

TEST_F(sh2_ops, FlagRulesHoldAtTheirEdges) {
  for (const flag_case& c : flag_cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    test_bus_put16(0x100, c.code);
    s.r[2] = c.rn;
    s.r[3] = c.rm;
    s.r[0] = 0xFFFFFF7F;
    s.sr = c.t;
    sh2_step(&s, 0x100);
    EXPECT_EQ(s.r[2], c.want_rn);
    EXPECT_EQ(s.sr & 1, c.want_t);
  }
}

TEST_F(sh2_ops, DmulsOfTwoMinimumsFillsBothHalves) {
  code(0x100, {0x323D, 0xC90F});  // DMULS.L R3,R2; AND #0x0F,R0
  s.r[2] = s.r[3] = 0x80000000;
  s.r[0] = 0xFFFFFFFF;
  sh2_step(&s, 0x100);
  EXPECT_EQ(s.mach, 0x40000000u);
  EXPECT_EQ(s.macl, 0u);
  EXPECT_EQ(s.cycles, 2u);
  sh2_step(&s, 0x102);
  EXPECT_EQ(s.r[0], 0x0Fu);
}

TEST_F(sh2_ops, TasSetsTheFlagOnAZeroByteAndStoresBitSeven) {
  code(0x100, {0x421B, 0x421B});  // TAS.B @R2, twice
  s.r[2] = 0x5001;
  sh2_step(&s, 0x100);
  EXPECT_EQ(s.sr & 1, 1u);
  EXPECT_EQ(test_bus_get8(0x5001), 0x80u);
  EXPECT_EQ(s.cycles, 4u);
  sh2_step(&s, 0x102);
  EXPECT_EQ(s.sr & 1, 0u);
  EXPECT_EQ(test_bus_get8(0x5001), 0x80u);
}

}  // namespace
