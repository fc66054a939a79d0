// The rewind ring against a plain model (a deque of snapshot ids and stored sizes) under random
// captures and step-backs, and its edges: the 4,096-entry capacity, the memory budget and what
// the snapshots really occupy, a snapshot that cannot be unpacked or loaded, and the history.
#include <gtest/gtest.h>

#include <malloc.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <random>

#include "fake_game.h"
#include "frontend/frontend_state.h"
#include "frontend/rewind.h"
#include "frontend_fixture.h"
#include "test_platform.h"

namespace {

struct model_entry {
  uint32_t id;    // the fake's frame count when it was taken
  uint64_t size;  // packed size + 8
};

// What a snapshot of the fake game now occupies in the ring: its zlib level-1 size + 8.
uint64_t stored_size_now() {
  size_t raw = 0;
  uint8_t* blob = fake_game_descriptor.save_state(&raw);
  uLongf packed = compressBound(uLong(raw));
  std::vector<uint8_t> out(packed);
  EXPECT_EQ(compress2(out.data(), &packed, blob, uLong(raw), 1), Z_OK);
  free(blob);
  return packed + 8;
}

const rewind_entry* entry_of_age(int32_t age) {
  return fe.rewind.entries[(fe.rewind.head + age) % fe.rewind.capacity];
}

struct RewindTest : frontend_fixture {
  void SetUp() override {
    frontend_fixture::SetUp();
    fake.loaded = 1;
    fe.rom_ready = 1;
    fe.audio_device = 1;
    tp.open_device = 1;
    fe.settings.rewind = 1;
    fe.settings.rewind_mb = 64;
  }
  // Captures a snapshot of the fake game standing at frame `id`, noting what it should occupy.
  int capture(uint32_t id) {
    fake.frame_count = id;
    expected_size[id] = stored_size_now();
    return rewind_capture();
  }
  // The ring holds the snapshots up to `newest` (captured in id order) that fit the budget.
  void expect_trimmed(uint32_t newest, uint64_t budget) {
    uint64_t total = 0;
    uint32_t id = newest;
    for (int32_t kept = 0; kept < fe.rewind.count; kept++) total += expected_size[id--];
    EXPECT_EQ(fe.rewind.total, total);
    EXPECT_TRUE(total <= budget || fe.rewind.count == 1);
    if (id > 0) {
      EXPECT_GT(total + expected_size[id], budget) << "room was left for " << id;
    }
  }
  std::map<uint32_t, uint64_t> expected_size;
};

TEST_F(RewindTest, TheRingFollowsTheModelUnderRandomCapturesAndStepBacks) {
  fe.settings.rewind_mb = 1;
  reset_rewind_ring();
  ASSERT_NE(fe.rewind.entries, nullptr);
  const uint64_t budget = 1u << 20;
  std::deque<model_entry> model;
  uint64_t model_total = 0;
  std::mt19937 rng(20240611);
  uint32_t next_id = 1;
  int trims = 0, frozen = 0;
  unsigned capture_share = 5;  // in tenths; changes every 100 operations
  for (int op = 0; op < 1000; op++) {
    if (op % 100 == 0) capture_share = 2 + rng() % 7;
    if (rng() % 10 < capture_share) {
      fake.state_padding = rng() % 200000;  // pseudo-random bytes: they barely pack
      ASSERT_EQ(capture(next_id), 1);
      model.push_back({next_id, expected_size[next_id]});
      model_total += expected_size[next_id++];
      while (model_total > budget && model.size() > 1) {
        model_total -= model.front().size;
        model.pop_front();
        trims++;
      }
    } else {
      fake.frame_count = 0xDEAD;
      const int loaded = rewind_step_back();
      if (model.size() >= 2) {
        ASSERT_EQ(loaded, 1);
        EXPECT_EQ(fake.frame_count, model.back().id);
        model_total -= model.back().size;
        model.pop_back();
      } else {
        ASSERT_EQ(loaded, 0);
        EXPECT_EQ(fake.frame_count, 0xDEADu);
        frozen++;
      }
    }
    ASSERT_EQ(fe.rewind.count, int32_t(model.size())) << "operation " << op;
    ASSERT_EQ(fe.rewind.total, model_total);
    ASSERT_TRUE(fe.rewind.total <= budget || fe.rewind.count == 1);
    for (int32_t age = 0; age < fe.rewind.count; age++) {
      const rewind_entry* entry = entry_of_age(age);
      ASSERT_NE(entry, nullptr);
      ASSERT_EQ(entry->packed_size + 8u, model[age].size) << "age " << age;
    }
  }
  EXPECT_GT(trims, 40);   // the budget was hit again and again
  EXPECT_GT(frozen, 20);  // and the ring ran down to its last snapshot
}

TEST_F(RewindTest, AfterFourThousandNinetySixCapturesTheNextReplacesTheOldest) {
  reset_rewind_ring();
  for (uint32_t id = 1; id <= 4096; id++) ASSERT_EQ(capture(id), 1);
  EXPECT_EQ(fe.rewind.count, 4096);
  EXPECT_EQ(fe.rewind.head, 0);
  ASSERT_EQ(capture(4097), 1);
  EXPECT_EQ(fe.rewind.count, 4096);
  EXPECT_EQ(fe.rewind.head, 1);
  // Newest first, down to the oldest, which stays: 4097 back to 3, then the game stands on 2.
  for (uint32_t id = 4097; id >= 3; id--) {
    ASSERT_EQ(rewind_step_back(), 1);
    ASSERT_EQ(fake.frame_count, id);
  }
  EXPECT_EQ(fe.rewind.count, 1);
  fake.frame_count = 0;
  EXPECT_EQ(rewind_step_back(), 0);
  EXPECT_EQ(fake.frame_count, 0u);
}

// A state of 1 MiB that packs to a few hundred bytes.
uint8_t* roomy_save_state(size_t* size) {
  const size_t length = 1 << 20;
  uint8_t* blob = static_cast<uint8_t*>(malloc(length));
  memset(blob, int(fake.frame_count & 255), length);
  *size = length;
  return blob;
}

TEST_F(RewindTest, EachSnapshotOccupiesOnlyItsPackedBytes) {
  fe.adapter_copy.save_state = roomy_save_state;
  reset_rewind_ring();
  for (uint32_t id = 1; id <= 20; id++) ASSERT_EQ(capture(id), 1);
  size_t occupied = 0;
  for (int32_t age = 0; age < fe.rewind.count; age++) {
    const rewind_entry* entry = entry_of_age(age);
    EXPECT_EQ(entry->raw_size, 1u << 20);
    EXPECT_LT(entry->packed_size, 8192u);
    // The block is the head and the packed stream, not the worst case compressBound allows.
    EXPECT_LE(malloc_usable_size(const_cast<rewind_entry*>(entry)), 8 + entry->packed_size + 64u);
    occupied += malloc_usable_size(const_cast<rewind_entry*>(entry));
  }
  EXPECT_LT(occupied, 20u * 8192);
}

TEST_F(RewindTest, SnapshotsOfAMebibyteStayWithinASixteenMebibyteBudget) {
  fe.settings.rewind_mb = 16;
  reset_rewind_ring();
  fake.state_padding = (1 << 20) - 400;
  for (uint32_t id = 1; id <= 24; id++) ASSERT_EQ(capture(id), 1);
  EXPECT_GE(expected_size[24], 1u << 20);
  EXPECT_LE(fe.rewind.count, 16);
  expect_trimmed(24, 16u << 20);
}

TEST_F(RewindTest, TheNewestSnapshotStaysEvenWhenItAloneExceedsTheBudget) {
  fe.settings.rewind_mb = 1;
  reset_rewind_ring();
  fake.state_padding = 3 << 20;
  for (uint32_t id = 1; id <= 3; id++) ASSERT_EQ(capture(id), 1);
  EXPECT_EQ(fe.rewind.count, 1);
  EXPECT_GT(fe.rewind.total, 1u << 20);
  fake.state_padding = 0;
  ASSERT_EQ(capture(4), 1);  // a small one pushes the big one out
  EXPECT_EQ(fe.rewind.count, 1);
  EXPECT_EQ(fe.rewind.total, expected_size[4]);
}

TEST_F(RewindTest, ALowerLimitTakesEffectAtTheNextCapture) {
  reset_rewind_ring();
  fake.state_padding = 200000;
  for (uint32_t id = 1; id <= 30; id++) ASSERT_EQ(capture(id), 1);
  ASSERT_EQ(fe.rewind.count, 30);
  const uint64_t total = fe.rewind.total;
  fe.settings.rewind_mb = 1;
  rewind_set_budget();
  EXPECT_EQ(fe.rewind.budget, 1u << 20);
  EXPECT_EQ(fe.rewind.total, total);
  ASSERT_EQ(capture(31), 1);
  EXPECT_LT(fe.rewind.count, 30);
  expect_trimmed(31, 1u << 20);
}

TEST_F(RewindTest, HoldingRewindWithTwoSnapshotsLoadsOnceThenFreezesInSilence) {
  reset_rewind_ring();
  ASSERT_EQ(capture(8), 1);
  ASSERT_EQ(capture(12), 1);
  fake.frame_count = 14;
  for (int loop = 0; loop < 3; loop++) {
    tp.queued = 4096;
    fe.accumulator = 9.0;
    EXPECT_EQ(rewind_step_back(), loop == 0 ? 1 : 0) << loop;
    EXPECT_EQ(fake.frame_count, 12u);
    EXPECT_EQ(fe.rewind.count, 1);
    EXPECT_EQ(tp.queued, 0u);
    EXPECT_EQ(fe.accumulator, 0.0);
  }
  // The picture of the restored frame was fetched and uploaded.
  EXPECT_EQ(fe.frame[10 * 320 + 200], fake_game_pixel(200, 10, 12, 0));
  EXPECT_EQ(fe.upload[0] >> 24, 0xFFu);
}

TEST_F(RewindTest, ASnapshotThatCannotBeUsedIsDroppedAndTheGameStaysPut) {
  reset_rewind_ring();
  for (uint32_t id = 1; id <= 4; id++) ASSERT_EQ(capture(id), 1);
  rewind_entry* newest = fe.rewind.entries[(fe.rewind.head + 3) % fe.rewind.capacity];
  for (uint32_t i = 2; i < newest->packed_size; i += 7) newest->data[i] ^= 0x5A;
  fake.frame_count = 50;
  EXPECT_EQ(rewind_step_back(), 0);  // the stream does not unpack
  EXPECT_EQ(fake.frame_count, 50u);
  EXPECT_EQ(fe.rewind.count, 3);
  EXPECT_EQ(fe.rewind.total, expected_size[1] + expected_size[2] + expected_size[3]);

  fake.loaded = 0;  // the game refuses the state
  EXPECT_EQ(rewind_step_back(), 0);
  EXPECT_EQ(fake.frame_count, 50u);
  EXPECT_EQ(fe.rewind.count, 2);

  fake.loaded = 1;
  fe.adapter_copy.load_state = nullptr;  // a game that cannot load states at all
  EXPECT_EQ(rewind_step_back(), 0);
  EXPECT_EQ(fake.frame_count, 50u);
  EXPECT_EQ(fe.rewind.count, 1);
}

TEST_F(RewindTest, TheRingExistsOnlyWithRewindOnAndEveryResetEmptiesIt) {
  fe.settings.rewind = 0;
  reset_rewind_ring();
  EXPECT_EQ(fe.rewind.entries, nullptr);
  EXPECT_EQ(capture(1), 0);
  double seconds = 9, megabytes = 9;
  EXPECT_EQ(rewind_history(&seconds, &megabytes), 0);
  EXPECT_EQ(seconds, 0.0);

  fe.settings.rewind = 1;
  fe.settings.rewind_mb = 48;
  reset_rewind_ring();
  ASSERT_NE(fe.rewind.entries, nullptr);
  EXPECT_EQ(fe.rewind.capacity, 4096);
  EXPECT_EQ(fe.rewind.budget, 48u << 20);
  for (uint32_t id = 1; id <= 5; id++) ASSERT_EQ(capture(id), 1);
  reset_rewind_ring();
  EXPECT_EQ(fe.rewind.count, 0);
  EXPECT_EQ(fe.rewind.total, 0u);

  fe.adapter_copy.save_state = nullptr;
  EXPECT_EQ(capture(6), 0);
  fe.adapter_copy.save_state = fake_game_descriptor.save_state;
  fake.loaded = 0;  // no state to take
  EXPECT_EQ(capture(7), 0);
  EXPECT_EQ(fe.rewind.count, 0);

  fe.settings.rewind = 0;
  reset_rewind_ring();
  EXPECT_EQ(fe.rewind.entries, nullptr);
  EXPECT_EQ(fe.rewind.scratch, nullptr);
}

TEST_F(RewindTest, FifteenSnapshotsAtSixtyFramesASecondAreOneSecondOfHistory) {
  reset_rewind_ring();
  for (uint32_t id = 1; id <= 15; id++) ASSERT_EQ(capture(id), 1);
  double seconds = 0, megabytes = 0;
  ASSERT_EQ(rewind_history(&seconds, &megabytes), 1);
  EXPECT_DOUBLE_EQ(seconds, 1.0);
  uint64_t total = 0;
  for (uint32_t id = 1; id <= 15; id++) total += expected_size[id];
  EXPECT_DOUBLE_EQ(megabytes, double(total) / 1048576.0);
}

TEST_F(RewindTest, FreeingTheRingLeavesNothingAllocated) {
  reset_rewind_ring();
  for (uint32_t id = 1; id <= 10; id++) ASSERT_EQ(capture(id), 1);
  free_rewind_ring();
  EXPECT_EQ(fe.rewind.entries, nullptr);
  EXPECT_EQ(fe.rewind.sizes, nullptr);
  EXPECT_EQ(fe.rewind.scratch, nullptr);
  EXPECT_EQ(fe.rewind.count, 0);
  EXPECT_EQ(rewind_step_back(), 0);
}

}  // namespace
