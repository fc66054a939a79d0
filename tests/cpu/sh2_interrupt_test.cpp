// Reset, the interrupt lines and the acceptance step: held levels, on-chip ties, masking, NMI,
// and requests that wait for LDC, LDC.L or RTE to lower the mask.
#include <vector>

#include "cpu/sh2_core.h"
#include "cpu_fixture.h"

namespace {

using sh2_interrupts = cpu_test;

TEST_F(sh2_interrupts, ResetKeepsTheHeldMaskAndLoadsPcThenStackFromTheVectors) {
  std::memset(&s, 0xA5, sizeof s);
  s.irq_held = 0x1010;
  test_bus_put32(0, 0x00000400);
  test_bus_put32(4, 0x0600FFF0);
  test_bus_log_enable(1);
  sh2_reset(&s);

  ASSERT_EQ(test_bus_log().size(), 2u);
  EXPECT_EQ(test_bus_log()[0].address, 0u);
  EXPECT_EQ(test_bus_log()[1].address, 4u);
  EXPECT_EQ(s.pc, 0x400u);
  EXPECT_EQ(s.r[15], 0x0600FFF0u);
  EXPECT_EQ(s.irq_held, 0x1010u);
  EXPECT_EQ(s.sr, 0xF0u);
  EXPECT_EQ(s.onchip_level, -1);
  for (int i = 0; i < 15; i++) EXPECT_EQ(s.r[i], 0u);
  EXPECT_EQ(s.pr | s.gbr | s.vbr | s.mach | s.macl | s.last_address | s.reserved, 0u);
  EXPECT_EQ(s.cycles | s.instructions, 0u);
  EXPECT_EQ(s.irq_pending | s.onchip_vector, 0u);
  EXPECT_EQ(s.nmi_pending | s.sleep_state | s.check_irq | s.stopped, 0);
}

TEST_F(sh2_interrupts, RaisingAPendingLevelOrLoweringOneNeverSetsTheCheckFlag) {
  s.stopped = 1;
  sh2_set_irq(&s, 4, 1);
  EXPECT_EQ(s.irq_pending, 0x10u);
  EXPECT_EQ(s.check_irq, 1);
  EXPECT_EQ(s.stopped, 0);

  s.check_irq = 0;
  s.stopped = 1;
  sh2_set_irq(&s, 4, 1);  // already pending: only the stop is cleared
  EXPECT_EQ(s.check_irq, 0);
  EXPECT_EQ(s.stopped, 0);

  sh2_set_irq(&s, 36, 1);  // level mod 32
  EXPECT_EQ(s.irq_pending, 0x10u);
  EXPECT_EQ(s.check_irq, 0);

  sh2_set_irq(&s, 12, 1);
  s.check_irq = 0;
  s.stopped = 1;
  sh2_set_irq(&s, 4, 0);
  EXPECT_EQ(s.irq_pending, 0x1000u);
  EXPECT_EQ(s.check_irq, 0);
  EXPECT_EQ(s.stopped, 1);
}

TEST_F(sh2_interrupts, AnOnChipRequestSetsTheCheckFlagOnlyWithALevel) {
  sh2_set_onchip_irq(&s, -1, 0x55);
  EXPECT_EQ(s.check_irq, 0);
  EXPECT_EQ(s.onchip_vector, 0x55u);
  sh2_set_onchip_irq(&s, 0, 0x56);
  EXPECT_EQ(s.check_irq, 1);
  EXPECT_EQ(s.onchip_level, 0);
  EXPECT_EQ(s.onchip_vector, 0x56u);
}

// One row of the acceptance table: the request state before, and what the step leaves.
struct acceptance_case {
  const char* what;
  uint32_t pending, held;
  int32_t onchip_level;
  uint32_t onchip_vector;
  uint32_t mask;  // SR.I before
  int accepted;
  uint32_t vector, new_mask, pending_after;
  int32_t onchip_after;
};

const acceptance_case acceptance_cases[] = {
    {"held level 12 above mask 3", 0x1010, 0x1010, -1, 0, 3, 1, 70, 12, 0x1010, -1},
    {"held level 12 at mask 12", 0x1010, 0x1010, -1, 0, 12, 0, 0, 12, 0x1010, -1},
    {"unheld level 4 is cleared", 0x10, 0, -1, 0, 0, 1, 66, 4, 0, -1},
    {"levels 2 and 3 share vector 65", 0x08, 0, -1, 0, 0, 1, 65, 3, 0, -1},
    {"level 15", 0x8000, 0, -1, 0, 14, 1, 71, 15, 0, -1},
    {"level 20 gets mask 15", 1u << 20, 0, -1, 0, 15, 1, 74, 15, 0, -1},
    {"on-chip wins a tie", 0x1000, 0x1010, 12, 0x4C, 3, 1, 0x4C, 12, 0x1000, -1},
    {"higher on-chip beats external", 0x10, 0, 9, 0x40, 0, 1, 0x40, 9, 0x10, -1},
    {"higher external beats on-chip", 0x1000, 0, 9, 0x40, 0, 1, 70, 12, 0, 9},
    {"on-chip alone", 0, 0, 7, 0x61, 6, 1, 0x61, 7, 0, -1},
    {"on-chip level 0 never interrupts", 0, 0, 0, 0x61, 0, 0, 0, 0, 0, 0},
    {"nothing pending", 0, 0, -1, 0, 0, 0, 0, 0, 0, -1},
    {"masked on-chip stays", 0, 0, 5, 0x61, 5, 0, 0, 5, 0, 5},
};

TEST_F(sh2_interrupts, TheAcceptanceStepFollowsItsStateTable) {
  for (const acceptance_case& c : acceptance_cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    s.irq_pending = c.pending;
    s.irq_held = c.held;
    s.onchip_level = c.onchip_level;
    s.onchip_vector = c.onchip_vector;
    s.sr = (c.mask << 4) | 0x301;
    s.pc = 0x1234;
    s.r[15] = 0x8000;
    s.vbr = 0x10000;
    s.check_irq = 1;
    test_bus_put32(0x10000 + c.vector * 4, 0xABCD00);

    EXPECT_EQ(sh2_accept_interrupt(&s), c.accepted);
    EXPECT_EQ(s.check_irq, 0);
    EXPECT_EQ(s.irq_pending, c.pending_after);
    EXPECT_EQ(s.onchip_level, c.onchip_after);
    if (c.accepted) {
      EXPECT_EQ(s.pc, 0xABCD00u);
      EXPECT_EQ(s.sr, (c.new_mask << 4) | 0x301);
      EXPECT_EQ(s.r[15], 0x8000u - 8);
      EXPECT_EQ(test_bus_get32(0x8000 - 4), (c.mask << 4) | 0x301);  // SR pushed first
      EXPECT_EQ(test_bus_get32(0x8000 - 8), 0x1234u);
    } else {
      EXPECT_EQ(s.pc, 0x1234u);
      EXPECT_EQ(s.sr, (c.mask << 4) | 0x301);
      EXPECT_EQ(s.r[15], 0x8000u);
    }
    EXPECT_EQ(s.cycles, 0u);
    EXPECT_EQ(s.last_address, 0u);
  }
}

TEST_F(sh2_interrupts, AnNmiIgnoresTheMaskRaisesItToFifteenAndWakesASleepingCpu) {
  // SR before and after: taken under a full mask; a clear mask becomes 15, other bits kept.
  const uint32_t sr_cases[][2] = {{0xF3, 0xF3}, {0x303, 0x3F3}};
  for (const auto& c : sr_cases) {
    SCOPED_TRACE(c[0]);
    SetUp();
    s.nmi_pending = 1;
    s.sleep_state = 1;
    s.sr = c[0];
    s.irq_pending = 0x8000;  // left for later
    s.pc = 0x2000;
    s.r[15] = 0x9000;
    s.vbr = 0x100;
    s.check_irq = 1;
    test_bus_put32(0x100 + 0x2C, 0x3000);
    EXPECT_EQ(sh2_accept_interrupt(&s), 1);
    EXPECT_EQ(s.nmi_pending, 0);
    EXPECT_EQ(s.sleep_state, 2);
    EXPECT_EQ(s.pc, 0x3000u);
    EXPECT_EQ(s.sr, c[1]);
    EXPECT_EQ(test_bus_get32(0x9000 - 4), c[0]);
    EXPECT_EQ(test_bus_get32(0x9000 - 8), 0x2000u);
    EXPECT_EQ(s.irq_pending, 0x8000u);
  }
}

TEST_F(sh2_interrupts, AcceptanceWakesOnlyASleepingCpu) {
  for (uint8_t before : {0, 1, 2, 7}) {
    SetUp();
    s.sleep_state = before;
    s.irq_pending = 0x10;
    s.sr = 0;
    s.r[15] = 0x9000;
    s.check_irq = 1;
    ASSERT_EQ(sh2_accept_interrupt(&s), 1);
    EXPECT_EQ(s.sleep_state, before == 1 ? 2 : before);
  }
}

// A masked request is not looked at again until an instruction that changes the mask sets the
// check flag: level 4 waits under SR.I = 15 through NOPs, and the instruction after the one that
// lowers the mask is the handler's first.
struct unmask_case {
  const char* what;
  std::vector<uint32_t> codes;  // from 0x1000; the last one lowers the mask
};

TEST_F(sh2_interrupts, AMaskedRequestWaitsForAnInstructionThatLowersTheMask) {
  const unmask_case cases[] = {
      {"LDC R1,SR", {0x0009, 0x0009, 0x410E}},
      {"LDC.L @R2+,SR", {0x0009, 0x0009, 0x4207}},
      {"RTE", {0x0009, 0x0009, 0x002B, 0x0009}},
  };
  for (const unmask_case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    code(0x1000, c.codes);
    s.pc = 0x1000;
    s.sr = 0xF0;
    s.r[1] = 0;        // LDC R1,SR: mask 0
    s.r[2] = 0x5000;   // LDC.L: SR word 0
    s.r[15] = 0x6000;  // RTE pops PC 0x1100, SR 0
    test_bus_put32(0x6000, 0x1100);
    test_bus_put32(0x6004, 0);
    test_bus_put16(0x1100, 0x0009);
    s.vbr = 0x8000;
    test_bus_put32(0x8000 + 66 * 4, 0x7000);
    test_bus_put16(0x7000, 0x0009);
    sh2_set_irq(&s, 4, 1);
    s.check_irq = 1;

    // Two NOPs run under the mask; the check flag is spent by the first step.
    ASSERT_EQ(sh2_run(&s, 2), 0);
    EXPECT_EQ(s.pc, 0x1004u);
    EXPECT_EQ(s.check_irq, 0);
    EXPECT_EQ(s.irq_pending, 0x10u);
    // The unmasking instruction runs, then the next step enters the handler and runs its NOP.
    uint64_t start = s.cycles;
    ASSERT_EQ(sh2_run(&s, start + 1), 0);
    EXPECT_EQ(s.check_irq, 1);
    ASSERT_EQ(sh2_run(&s, s.cycles + 1), 0);
    EXPECT_EQ(s.pc, 0x7002u);
    EXPECT_EQ(s.sr & 0xF0, 0x40u);
    EXPECT_EQ(s.irq_pending, 0u);
  }
}

}  // namespace
