// The dispatcher: next PC and cycle charge of every control-flow form, delay slots (fetched
// first, targets and PR formed before the slot runs, PC-relative slots, illegal slots), TRAPA,
// RTE, SLEEP, illegal codes and the guard for an unknown kind.
#include <vector>

#include "cpu/sh2_dispatch.h"
#include "cpu_fixture.h"

namespace {

class sh2_steps : public cpu_test {
 protected:
  void SetUp() override {
    cpu_test::SetUp();
    s.r[1] = 0x2000;
    s.r[2] = 0x2468;
    s.r[15] = 0x8000;
    s.pr = 0x3000;
    s.vbr = 0x9000;
    s.sr = 0xF0;
    test_bus_put32(0x8000, 0x5000);          // RTE pops this PC
    test_bus_put32(0x8004, 0xFFFFFFFF);      // then this SR
    test_bus_put32(0x9000 + 4 * 4, 0x7000);  // illegal instruction and slot
    test_bus_put32(0x9000 + 0x20 * 4, 0x7100);
  }
};

struct flow_case {
  const char* what;
  std::vector<uint32_t> codes;  // from 0x1000
  uint32_t t;                   // T before
  uint32_t want_next;
  uint64_t want_cycles;
  uint32_t want_pr;    // PR after (0x3000 before)
  uint32_t pushed_pc;  // PC value an exception entry pushed; 0 = no entry
};

const flow_case flow_cases[] = {
    {"BT taken to itself", {0x89FE}, 1, 0x1000, 3, 0x3000, 0},
    {"BT not taken", {0x89FE}, 0, 0x1002, 1, 0x3000, 0},
    {"BF taken", {0x8B05}, 0, 0x100E, 3, 0x3000, 0},
    {"BF not taken", {0x8B05}, 1, 0x1002, 1, 0x3000, 0},
    {"BT/S taken", {0x8D05, 0x0009}, 1, 0x100E, 3, 0x3000, 0},
    {"BT/S not taken", {0x8D05, 0x0009}, 0, 0x1002, 1, 0x3000, 0},
    {"BF/S taken", {0x8F05, 0x0009}, 0, 0x100E, 3, 0x3000, 0},
    {"BF/S not taken", {0x8F05, 0x0009}, 1, 0x1002, 1, 0x3000, 0},
    {"BRA back by 4096", {0xA800, 0x0009}, 0, 0x0004, 3, 0x3000, 0},
    {"BSR", {0xB010, 0x0009}, 0, 0x1024, 3, 0x1004, 0},
    {"BRAF R1", {0x0123, 0x0009}, 0, 0x3004, 3, 0x3000, 0},
    {"BSRF R1", {0x0103, 0x0009}, 0, 0x3004, 3, 0x1004, 0},
    {"JMP @R1", {0x412B, 0x0009}, 0, 0x2000, 2, 0x3000, 0},
    {"JSR @R1", {0x410B, 0x0009}, 0, 0x2000, 3, 0x1004, 0},
    {"RTS", {0x000B, 0x0009}, 0, 0x3000, 3, 0x3000, 0},
    {"RTE", {0x002B, 0x0009}, 0, 0x5000, 5, 0x3000, 0},
    {"TRAPA #0x20", {0xC320}, 0, 0x7100, 8, 0x3000, 0x1002},
    {"SLEEP", {0x001B}, 0, 0x1000, 3, 0x3000, 0},
    {"illegal code", {0xFFFF}, 0, 0x7000, 6, 0x3000, 0x1000},
    {"BRA with MUL.L in the slot", {0xA010, 0x0127}, 0, 0x1024, 4, 0x3000, 0},
    {"BRA with BRA in the slot", {0xA010, 0xA010}, 0, 0x7000, 7, 0x3000, 0x1002},
    {"JMP with an illegal slot", {0x412B, 0xFFFF}, 0, 0x7000, 6, 0x3000, 0x1002},
    {"BSR with RTS in the slot", {0xB010, 0x000B}, 0, 0x7000, 7, 0x1004, 0x1002},
    {"BT/S taken with TRAPA in the slot", {0x8D05, 0xC320}, 1, 0x7000, 7, 0x3000, 0x1002},
    {"RTE with SLEEP in the slot", {0x002B, 0x001B}, 0, 0x7000, 9, 0x3000, 0x1002},
};

TEST_F(sh2_steps, EveryControlFlowFormReturnsItsTargetAndChargesItsCycles) {
  for (const flow_case& c : flow_cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    code(0x1000, c.codes);
    s.sr = 0xF0 | c.t;
    s.pc = 0x1000;
    const uint32_t sp = s.r[15];
    EXPECT_EQ(sh2_step(&s, 0x1000), c.want_next);
    EXPECT_EQ(s.cycles, c.want_cycles);
    EXPECT_EQ(s.pr, c.want_pr);
    if (c.pushed_pc) {
      // An RTE in the way has popped 8 bytes first.
      const uint32_t base = c.codes[0] == 0x002B ? sp + 8 : sp;
      EXPECT_EQ(s.r[15], base - 8);
      EXPECT_EQ(test_bus_get32(base - 8), c.pushed_pc);
      EXPECT_EQ(test_bus_get32(base - 4), s.sr);
    }
  }
}

TEST_F(sh2_steps, TheSlotIsFetchedBeforeTheBranchActsAndRunsWithTheRestoredSr) {
  code(0x1000, {0x002B, 0x0002});  // RTE; STC SR,R0
  test_bus_log_enable(1);
  EXPECT_EQ(sh2_step(&s, 0x1000), 0x5000u);
  EXPECT_EQ(s.r[0], 0x3F3u);
  EXPECT_EQ(s.sr, 0x3F3u);
  EXPECT_EQ(s.check_irq, 1);
  EXPECT_EQ(s.r[15], 0x8008u);
  const std::vector<test_bus_access>& log = test_bus_log();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].address, 0x1000u);
  EXPECT_EQ(log[1].address, 0x1002u);  // the slot, before the pops
  EXPECT_EQ(log[2].address, 0x8000u);
  EXPECT_EQ(log[3].address, 0x8004u);
}

TEST_F(sh2_steps, AnUntakenDelayedBranchLeavesItsSlotToTheNextStep) {
  code(0x1000, {0x8D05, 0x7101});  // BT/S; ADD #1,R1
  test_bus_log_enable(1);
  EXPECT_EQ(sh2_step(&s, 0x1000), 0x1002u);
  EXPECT_EQ(s.r[1], 0x2000u);
  EXPECT_EQ(sh2_step(&s, 0x1002), 0x1004u);
  EXPECT_EQ(s.r[1], 0x2001u);
  const std::vector<test_bus_access>& log = test_bus_log();
  ASSERT_EQ(log.size(), 3u);  // the ADD is fetched twice
  EXPECT_EQ(log[1].address, 0x1002u);
  EXPECT_EQ(log[2].address, 0x1002u);
  EXPECT_EQ(s.cycles, 2u);
}

TEST_F(sh2_steps, TargetsAreTakenBeforeTheSlotAndPrIsWrittenBeforeIt) {
  code(0x1000, {0x410B, 0x6123});  // JSR @R1; MOV R2,R1
  EXPECT_EQ(sh2_step(&s, 0x1000), 0x2000u);
  EXPECT_EQ(s.r[1], 0x2468u);
  EXPECT_EQ(s.pr, 0x1004u);

  SetUp();
  code(0x1000, {0x000B, 0x4F26});  // RTS; LDS.L @R15+,PR
  EXPECT_EQ(sh2_step(&s, 0x1000), 0x3000u);
  EXPECT_EQ(s.pr, 0x5000u);

  SetUp();
  code(0x1000, {0xB010, 0x032A});  // BSR; STS PR,R3
  EXPECT_EQ(sh2_step(&s, 0x1000), 0x1024u);
  EXPECT_EQ(s.r[3], 0x1004u);
}

TEST_F(sh2_steps, PcRelativeSlotsAddressAsAtTheirOwnAddress) {
  code(0x1002, {0xA010, 0xC701, 0xD201});  // BRA; MOVA @(4,PC),R0; MOV.L @(4,PC),R2
  test_bus_put32(0x100C, 0xCAFEF00D);
  s.pc = 0x1002;
  EXPECT_EQ(sh2_step(&s, 0x1002), 0x1026u);
  EXPECT_EQ(s.r[0], 0x100Cu);  // ((0x1004 + 4) & ~3) + 4
  EXPECT_EQ(s.pc, 0x1006u);    // the executor stored the slot's pc value
  EXPECT_EQ(s.last_address, 0x100Cu);

  s.r[0] = 0;
  EXPECT_EQ(sh2_step(&s, 0x1004), 0x1006u);  // the same MOVA as a plain step
  EXPECT_EQ(s.r[0], 0x100Cu);
  EXPECT_EQ(s.pc, 0x1006u);

  EXPECT_EQ(sh2_step(&s, 0x1006), 0x1008u);
  EXPECT_EQ(s.r[2], 0xCAFEF00Du);  // ((0x1008 + 2) & ~3) + 4 = 0x100C
}

TEST_F(sh2_steps, TrapaPushesSrAndTheReturnAddressAndRecordsItsVectorAddress) {
  code(0x1000, {0xC3FF});  // TRAPA #255: the immediate is unsigned
  test_bus_put32(0x9000 + 0x3FC, 0x7200);
  s.sr = 0x3F3;
  EXPECT_EQ(sh2_step(&s, 0x1000), 0x7200u);
  EXPECT_EQ(s.last_address, 0x93FCu);
  EXPECT_EQ(s.sr, 0x3F3u);
  EXPECT_EQ(test_bus_get32(0x7FFC), 0x3F3u);
  EXPECT_EQ(test_bus_get32(0x7FF8), 0x1002u);
  EXPECT_EQ(s.cycles, 8u);
}

TEST_F(sh2_steps, SleepMovesThroughItsStates) {
  struct sleep_case {
    uint8_t before, after;
    uint32_t next;
  };
  const sleep_case cases[] = {{0, 1, 0x1000}, {1, 1, 0x1000}, {2, 0, 0x1002}, {9, 1, 0x1000}};
  for (const sleep_case& c : cases) {
    SetUp();
    code(0x1000, {0x001B});
    s.sleep_state = c.before;
    EXPECT_EQ(sh2_step(&s, 0x1000), c.next) << (int)c.before;
    EXPECT_EQ(s.sleep_state, c.after) << (int)c.before;
    EXPECT_EQ(s.cycles, 3u);
  }
}

TEST_F(sh2_steps, TheGuardForAnUnknownKindReportsAndStops) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(sh2_report_unmodelled(&s, 0x06001234), 0xFFFFFFFFu);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "SH-2: reached an instruction the translator does not model at 06001234\n");
}

}  // namespace
