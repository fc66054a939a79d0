// The frame loop on small SH-2 programs loaded from synthetic ROM sets: frame ends and sample
// counts, the vertical-blank interrupt, the stop path, and timer events that the game's own
// register and port writes schedule in the middle of a CPU slice.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "board/frame_loop.h"
#include "board/machine.h"
#include "board/time_base.h"
#include "cpu/sh2.h"
#include "sh2_program.h"
#include "test_romset.h"

namespace {

// Longest instruction the programs below execute (RTE with its slot, interrupt entry aside).
constexpr uint64_t MAX_INSTRUCTION_CYCLES = 8;

loaded_machine load_program(const char* name) {
  std::string error;
  loaded_machine m = test_romset_load(test_romset_program_members(name),
                                      (std::string(name) + ".zip").c_str(), &error);
  EXPECT_TRUE(m) << error;
  return m;
}

uint32_t run_frame(machine* m, std::vector<int16_t>* audio = nullptr) {
  int16_t out[FRAME_MAX_SAMPLES];
  uint32_t count = 0;
  EXPECT_EQ(machine_run_frame(m, out, &count), 0);
  if (audio) audio->insert(audio->end(), out, out + count);
  return count;
}

}  // namespace

TEST(FrameLoop, FramesEndAtTheirEndCyclesAndYieldTheirSamples) {
  loaded_machine m = load_program("frame_basic");
  ASSERT_TRUE(m);
  EXPECT_EQ(run_frame(m.get()), 622u);
  EXPECT_GE(m->sh2.cycles, 477272u);
  EXPECT_LT(m->sh2.cycles, 477272u + MAX_INSTRUCTION_CYCLES);
  EXPECT_EQ(m->frame_counter, 1u);

  uint64_t total = 622;
  for (int f = 1; f < 60; f++) {
    const uint32_t n = run_frame(m.get());
    EXPECT_TRUE(n == 621 || n == 622) << "frame " << f << ": " << n;
    total += n;
    EXPECT_GE(m->sh2.cycles, frame_end_cycle(f));
    EXPECT_LT(m->sh2.cycles, frame_end_cycle(f) + MAX_INSTRUCTION_CYCLES);
  }
  EXPECT_EQ(total, 37286u);
  EXPECT_EQ(m->sound_samples, 37286u);
  EXPECT_GE(m->sh2.cycles, 28636350u);

  // Without an output buffer the count is still reported.
  uint32_t count = 0;
  EXPECT_EQ(machine_run_frame(m.get(), nullptr, &count), 0);
  EXPECT_TRUE(count == 621 || count == 622);
}

TEST(FrameLoop, TheVerticalBlankIsRaisedAtTheFrameEndAndLoweredByTheAcknowledge) {
  loaded_machine m = load_program("frame_basic");
  ASSERT_TRUE(m);
  run_frame(m.get());
  EXPECT_TRUE(m->sh2.irq_pending & (1u << 4));
  EXPECT_EQ(m->work_ram[0], 0u);
  run_frame(m.get());
  // The handler ran once at the start of frame 1 and its acknowledge lowered the held level.
  EXPECT_EQ(m->work_ram[0], 1u);
  EXPECT_TRUE(m->sh2.irq_pending & (1u << 4));  // raised again at the end of frame 1
  for (int f = 0; f < 8; f++) run_frame(m.get());
  EXPECT_EQ(m->work_ram[0], 9u);
}

TEST(FrameLoop, AStopEndsTheFrameWithoutPictureLatchOrCount) {
  loaded_machine m = load_program("frame_basic");
  ASSERT_TRUE(m);
  run_frame(m.get());
  run_frame(m.get());
  m->work_ram[1] = 1;  // asks the program to jump to 0xFFFFFFFF
  std::memset(m->frame, 0x5A, sizeof m->frame);
  m->video_ram[0xE00] = 0x40000000;  // a list of one sprite, were it latched
  const int32_t sprites = m->sprite_count;
  const uint32_t pending = m->sh2.irq_pending;

  int16_t out[FRAME_MAX_SAMPLES];
  uint32_t count = 1234;
  EXPECT_EQ(machine_run_frame(m.get(), out, &count), 1);
  EXPECT_EQ(sh2_stop_pc(), 0x480u);
  EXPECT_EQ(count, 0u);  // the program never touched the sound chip
  EXPECT_EQ(m->frame_counter, 2u);
  EXPECT_EQ(m->sprite_count, sprites);
  EXPECT_EQ(m->sh2.irq_pending, pending & ~(1u << 4));  // acknowledged, not raised again
  EXPECT_LT(m->sh2.cycles, frame_end_cycle(2));
  for (uint32_t px : m->frame) ASSERT_EQ(px, 0x5A5A5A5Au);
}

TEST(FrameLoop, PeriodicCompareInterruptsOfTheTimerArriveEvery8000Cycles) {
  loaded_machine m = load_program("frt_periodic");
  ASSERT_TRUE(m);
  uint32_t before = 0;
  for (int f = 0; f < 10; f++) {
    run_frame(m.get());
    const uint32_t in_frame = m->work_ram[2] - before;
    before = m->work_ram[2];
    // 477,272 cycles a frame; the handler's own cycles add a little to each period.
    EXPECT_GE(in_frame, 58u) << "frame " << f;
    EXPECT_LE(in_frame, 60u) << "frame " << f;
  }
}

TEST(FrameLoop, SoundTimerExpiriesRaiseLevel12AndRearmFromTheExactExpiry) {
  loaded_machine m = load_program("sound_timer");
  ASSERT_TRUE(m);
  const uint64_t period = 20 * 2736;  // (256 - 236) steps of 2,736 clocks
  run_frame(m.get());
  ASSERT_EQ(m->sound_timer_cycle[1], ~0ull);
  const uint64_t first = m->sound_timer_cycle[0];
  const uint32_t first_count = m->work_ram[3];
  ASSERT_GT(first_count, 0u);
  for (int f = 1; f < 30; f++) {
    run_frame(m.get());
    const uint64_t armed = m->sound_timer_cycle[0];
    ASSERT_GT(armed, m->sh2.cycles);
    ASSERT_LE(armed, m->sh2.cycles + period);
    // Every expiry re-armed the timer at expiry + period, however far the slice ran past it,
    // and each ran the handler once: its flag reset lowered the held level 12.
    EXPECT_EQ((armed - first) % period, 0u);
    EXPECT_EQ(m->work_ram[3] - first_count, (armed - first) / period);
  }
  EXPECT_FALSE(m->sh2.irq_pending & (1u << 12));
  // The first expiry came one period after the start write of frame 0's first instructions.
  EXPECT_EQ(first_count, (first - period) / period);
}
