// The run loop with this program's translated-code module (no blocks): slice limits and slices
// that end past them, the idle exits for SLEEP and stop requests, wake-up through an interrupt,
// stops at 0xFFFFFFFF, the PC ring, the untranslated list, strict mode and its stop report, and
// the slice end that a bus access lowers while a run is in progress.
#include <string>
#include <vector>

#include "cpu/sh2_core.h"
#include "cpu/sh2_dispatch.h"
#include "cpu_fixture.h"

namespace {

class sh2_runs : public cpu_test {
 protected:
  void SetUp() override {
    cpu_test::SetUp();
    s.pc = 0x1000;
    s.r[15] = 0x8000;
    s.vbr = 0x9000;
    test_bus_put32(0x9000 + 66 * 4, 0x7000);  // level 4
  }
  uint32_t ring_pos() {
    uint32_t pos;
    sh2_pc_ring(&pos);
    return pos;
  }
};

TEST_F(sh2_runs, ARunAtOrPastItsLimitChangesNothing) {
  code(0x1000, {0x0009});
  s.sr = 0;
  sh2_set_irq(&s, 4, 1);
  s.cycles = 100;
  for (uint64_t limit : {100, 50}) {
    EXPECT_EQ(sh2_run(&s, limit), 0);
    EXPECT_EQ(s.cycles, 100u);
    EXPECT_EQ(s.pc, 0x1000u);
    EXPECT_EQ(s.check_irq, 1);
    EXPECT_EQ(s.r[15], 0x8000u);
    EXPECT_EQ(ring_pos(), 0u);
    EXPECT_EQ(sh2_instruction_total(), 0u);
  }
}

TEST_F(sh2_runs, ASliceEndsAfterTheInstructionThatReachesItsLimit) {
  code(0x1000, {0x0009, 0xC320});  // NOP; TRAPA #0x20
  test_bus_put32(0x9000 + 0x80, 0x7000);
  code(0x7000, {0x0009});
  s.cycles = 10;
  EXPECT_EQ(sh2_run(&s, 12), 0);  // NOP at 10, TRAPA begun at 11
  EXPECT_EQ(s.cycles, 12u + 7);
  EXPECT_EQ(s.pc, 0x7000u);
  EXPECT_EQ(s.instructions, 2u);
  EXPECT_EQ(sh2_run(&s, 20), 0);  // the next slice starts from there
  EXPECT_EQ(s.cycles, 20u);
  EXPECT_EQ(s.pc, 0x7002u);
}

TEST_F(sh2_runs, ASleepingCpuIdlesToTheLimitUntilAnInterruptWakesIt) {
  code(0x1000, {0x001B, 0x7101});  // SLEEP; ADD #1,R1
  code(0x7000, {0x002B, 0x0009});  // handler: RTE; NOP
  s.sr = 0;
  EXPECT_EQ(sh2_run(&s, 100), 0);  // SLEEP (3 cycles), then idle
  EXPECT_EQ(s.sleep_state, 1);
  EXPECT_EQ(s.cycles, 100u);
  EXPECT_EQ(s.instructions, 1u);
  EXPECT_EQ(sh2_run(&s, 200), 0);  // nothing to do
  EXPECT_EQ(s.cycles, 200u);
  EXPECT_EQ(s.instructions, 1u);
  EXPECT_EQ(s.pc, 0x1000u);

  sh2_set_irq(&s, 4, 1);
  // Accepted before the first step: RTE (5), then SLEEP falls through (3), then ADD (1).
  EXPECT_EQ(sh2_run(&s, 209), 0);
  EXPECT_EQ(s.cycles, 209u);
  EXPECT_EQ(s.sleep_state, 0);
  EXPECT_EQ(s.pc, 0x1004u);
  EXPECT_EQ(s.r[1], 1u);
  EXPECT_EQ(s.instructions, 4u);
}

TEST_F(sh2_runs, AStopRequestIdlesEveryCallUntilALevelIsRaised) {
  code(0x1000, {0x0009});
  code(0x7000, {0x0009});
  s.stopped = 1;
  s.sr = 0xF0;
  EXPECT_EQ(sh2_run(&s, 10), 0);
  EXPECT_EQ(sh2_run(&s, 20), 0);
  EXPECT_EQ(s.cycles, 20u);
  EXPECT_EQ(s.instructions, 0u);
  sh2_set_irq(&s, 4, 1);  // masked, but raising clears the stop
  EXPECT_EQ(sh2_run(&s, 21), 0);
  EXPECT_EQ(s.pc, 0x1002u);
  EXPECT_EQ(s.instructions, 1u);
}

TEST_F(sh2_runs, AStepThatYieldsAllOnesStopsTheRunWhereItStood) {
  struct stop_case {
    const char* what;
    uint32_t a, b;  // codes at 0x1002
    uint64_t cycles;
  };
  const stop_case cases[] = {
      {"JMP to all ones", 0x412B, 0x0009, 2},
      {"RTS to all ones", 0x000B, 0x0009, 3},
      {"TRAPA through a vector of all ones", 0xC321, 0x0009, 8},
  };
  for (const stop_case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    code(0x1000, {0x0009, c.a, c.b});
    s.r[1] = 0xFFFFFFFF;
    s.pr = 0xFFFFFFFF;
    test_bus_put32(0x9000 + 0x84, 0xFFFFFFFF);
    EXPECT_EQ(sh2_run(&s, 1000), -1);
    EXPECT_EQ(sh2_stop_pc(), 0x1002u);
    EXPECT_EQ(s.pc, 0x1002u);
    EXPECT_EQ(s.instructions, 1u);
    EXPECT_EQ(s.cycles, 1u + c.cycles);
    EXPECT_EQ(sh2_instruction_total(), 2u);
  }
}

TEST_F(sh2_runs, AnInterruptVectorOfAllOnesIsNotAStopByItself) {
  code(0x1000, {0x0009});
  test_bus_put32(0x9000 + 66 * 4, 0xFFFFFFFF);
  test_bus_put16(0xFFFFFFFF, 0x0009);  // a NOP whose second byte wraps to address 0
  s.sr = 0;
  sh2_set_irq(&s, 4, 1);
  EXPECT_EQ(sh2_run(&s, 1), 0);
  EXPECT_EQ(s.pc, 0x00000001u);
  const uint32_t* ring = sh2_pc_ring(nullptr);
  EXPECT_EQ(ring[0], 0xFFFFFFFFu);
}

TEST_F(sh2_runs, TheRingHoldsTheMostRecentPcs) {
  for (uint32_t i = 0; i < 100; i++) test_bus_put16(0x1000 + 2 * i, 0x0009);
  EXPECT_EQ(sh2_run(&s, 100), 0);
  uint32_t pos;
  const uint32_t* ring = sh2_pc_ring(&pos);
  EXPECT_EQ(pos, 100u);
  EXPECT_EQ(ring[99 % 64], 0x1000u + 2 * 99);
  EXPECT_EQ(ring[0], 0x1000u + 2 * 64);
  EXPECT_EQ(sh2_instruction_total(), 100u);
}

// The run keeps the ring by the jumps it makes, so the ring is checked against single steps of a
// program that jumps often: a counted loop, a call with its return, delay slots and an interrupt
// entry with its return, over two runs.
TEST_F(sh2_runs, TheRingFollowsBranchesDelaySlotsAndAnInterruptEntryAcrossRuns) {
  code(0x1000, {0xE105,            // MOV #5,R1
                0x4110,            // loop: DT R1
                0x8BFD,            //       BF loop
                0xB003,            //       BSR sub
                0x7301,            //       ADD #1,R3 (slot)
                0xAFF9,            //       BRA 0x1000
                0x0009,            //       NOP (slot)
                0x0009,            //
                0x7201,            // sub:  ADD #1,R2
                0x000B,            //       RTS
                0x0009});          //       NOP (slot)
  code(0x7000, {0x002B, 0x0009});  // handler: RTE; NOP
  s.sr = 0;
  sh2_set_irq(&s, 4, 1);  // accepted before the first step
  EXPECT_EQ(sh2_run(&s, 301), 0);
  EXPECT_EQ(sh2_run(&s, 700), 0);
  const uint64_t steps = s.instructions;

  // The same steps one at a time: the handler's RTE, then the program from 0x1000.
  std::vector<uint32_t> want = {0x7000};
  sh2_state t = {};
  t.onchip_level = -1;
  uint32_t pc = 0x1000;
  while (want.size() < steps) {
    want.push_back(pc);
    pc = sh2_step(&t, pc);
  }
  EXPECT_EQ(pc, s.pc);
  EXPECT_EQ(t.r[2], s.r[2]);

  uint32_t pos;
  const uint32_t* ring = sh2_pc_ring(&pos);
  EXPECT_EQ(pos, steps);
  EXPECT_EQ(sh2_instruction_total(), steps);
  for (uint32_t k = 0; k < SH2_PC_RING_SIZE; k++) {
    SCOPED_TRACE(k);
    EXPECT_EQ(ring[(pos - 1 - k) % SH2_PC_RING_SIZE], want[steps - 1 - k]);
  }
}

TEST_F(sh2_runs, EachRunRecordsItsFirstPcOnceWhileTheListHasRoom) {
  for (uint32_t i = 0; i < 300; i++) test_bus_put16(0x1000 + 2 * i, 0x0009);
  EXPECT_EQ(sh2_run(&s, 5), 0);
  s.pc = 0x1000;
  EXPECT_EQ(sh2_run(&s, 10), 0);
  const uint32_t* list;
  EXPECT_EQ(sh2_untranslated_entries(&list), 1u);
  EXPECT_EQ(list[0], 0x1000u);

  for (uint32_t i = 1; i < 257; i++) {
    s.pc = 0x1000 + 2 * i;
    ASSERT_EQ(sh2_run(&s, s.cycles + 1), 0);
  }
  EXPECT_EQ(sh2_untranslated_entries(nullptr), 256u);
  EXPECT_EQ(list[255], 0x1000u + 2 * 255);
}

TEST_F(sh2_runs, StrictModeStopsAtTheFirstPcWithoutABlockAndReportsTheRecentPcs) {
  code(0x1000, {0x0009});
  for (uint32_t i = 0; i < 20; i++) {
    s.pc = 0x2000 + 2 * i;
    test_bus_put16(s.pc, 0x0009);
    ASSERT_EQ(sh2_run(&s, s.cycles + 1), 0);
  }
  s.pc = 0x1000;
  sh2_set_strict(1);
  testing::internal::CaptureStderr();
  EXPECT_EQ(sh2_run(&s, s.cycles + 10), -1);
  std::string want =
      "SH-2: missing translated code at 00001000 (after 20 instructions)\nlast PCs: 00001000";
  for (uint32_t k = 0; k < 15; k++) {
    char buf[16];
    std::snprintf(buf, sizeof buf, " %08X", 0x2000 + 2 * (19 - k));
    want += buf;
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), want + "\n");
  EXPECT_EQ(sh2_stop_pc(), 0x1000u);
  EXPECT_EQ(s.pc, 0x1000u);
  EXPECT_EQ(s.cycles, 20u);
  EXPECT_EQ(sh2_instruction_total(), 20u);
  EXPECT_EQ(sh2_untranslated_entries(nullptr), 20u);  // the stopping PC is not recorded
}

// The bus write at 0x5000 stands for a board event scheduled mid-slice: it lowers the slice end
// to the cycle it names.
int shorten_on_write(void* ctx, int, uint32_t address, uint32_t) {
  if (address == 0x5000) sh2_shorten_slice(*static_cast<uint64_t*>(ctx));
  return 0;
}

TEST_F(sh2_runs, ABusAccessCanShortenTheSliceInProgress) {
  // MOV.L R0,@R1 at 0x1000, then NOPs.
  code(0x1000, {0x2102});
  for (uint32_t i = 1; i < 50; i++) test_bus_put16(0x1000 + 2 * i, 0x0009);
  s.r[1] = 0x5000;
  uint64_t end = 4;
  test_bus_hooks hooks = {nullptr, shorten_on_write, &end};
  test_bus_set_hooks(&hooks);

  EXPECT_EQ(sh2_run(&s, 40), 0);
  EXPECT_EQ(s.cycles, 4u);

  // A later cycle than the limit does not lengthen the slice; the next run has its own limit.
  s.pc = 0x1000;
  end = 1000;
  EXPECT_EQ(sh2_run(&s, 10), 0);
  EXPECT_EQ(s.cycles, 10u);

  // An idle exit stops at the lowered end.
  code(0x1000, {0x2102, 0x001B});  // MOV.L R0,@R1; SLEEP
  s.pc = 0x1000;
  s.cycles = 10;
  end = 15;
  EXPECT_EQ(sh2_run(&s, 40), 0);
  EXPECT_EQ(s.sleep_state, 1);
  EXPECT_EQ(s.cycles, 15u);

  // It never moves time back to an end already passed (here the interrupt entry's PC push is the
  // write, and a stop request makes the run idle right after it).
  for (uint64_t lowered : {30, 5}) {
    SCOPED_TRACE(lowered);
    SetUp();
    test_bus_set_hooks(&hooks);
    s.r[15] = 0x5008;
    s.sr = 0;
    sh2_set_irq(&s, 4, 1);
    s.stopped = 1;
    s.cycles = 10;
    end = lowered;
    EXPECT_EQ(sh2_run(&s, 40), 0);
    EXPECT_EQ(s.pc, 0x7000u);
    EXPECT_EQ(s.cycles, lowered == 30 ? 30u : 10u);
  }
}

}  // namespace
