// The time base against a reference that shares none of its arithmetic: products and
// quotients in base-10^6 digits, so that dividing by 10^18 is dropping three digits. Covers
// the frame ends and due counts where 64-bit products would overflow, and the remembered span
// of samples_due walking forwards, backwards and across second boundaries.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "board/time_base.h"

namespace {

const uint64_t BASE = 1000000;

struct decimal {
  std::vector<uint64_t> d;  // base-10^6 digits, least significant first
};

decimal from(uint64_t v) {
  decimal x;
  do {
    x.d.push_back(v % BASE);
    v /= BASE;
  } while (v);
  return x;
}

decimal times(const decimal& a, const decimal& b) {
  decimal x;
  x.d.assign(a.d.size() + b.d.size() + 1, 0);
  for (size_t i = 0; i < a.d.size(); i++)
    for (size_t j = 0; j < b.d.size(); j++) {
      x.d[i + j] += a.d[i] * b.d[j];
      for (size_t k = i + j; x.d[k] >= BASE; k++) {
        x.d[k + 1] += x.d[k] / BASE;
        x.d[k] %= BASE;
      }
    }
  return x;
}

// Quotient by a divisor below 2^44, as a 64-bit value (the tests keep it in range).
uint64_t divide(const decimal& a, uint64_t divisor) {
  uint64_t rem = 0, q = 0;
  for (size_t i = a.d.size(); i-- > 0;) {
    const uint64_t cur = rem * BASE + a.d[i];
    q = q * BASE + cur / divisor;
    rem = cur % divisor;
  }
  return q;
}

uint64_t value(const decimal& a, size_t from_digit) {
  uint64_t v = 0;
  for (size_t i = a.d.size(); i-- > from_digit;) v = v * BASE + a.d[i];
  return v;
}

uint64_t ref_frame_end(uint64_t frame) {
  return divide(times(from(frame + 1), from(16666666666666666ull)), 34920651549ull);
}

uint64_t ref_samples_due(uint64_t cycle) {
  const decimal t = times(from(cycle), from(34920651549ull));
  decimal low;
  low.d.assign(t.d.begin(), t.d.begin() + std::min<size_t>(3, t.d.size()));
  const uint64_t whole_seconds = value(t, 3);  // t / 10^18
  const uint64_t rest = value(low, 0);         // t mod 10^18
  const uint64_t aps = 26819717856568ull;
  return whole_seconds * 37286 + (rest + aps - 1) / aps;
}

TEST(time_base, FrameEndsAndDueCountsMatchTheReferenceWhere64BitProductsOverflow) {
  const uint64_t frames[] = {0,    1,    2,    3,    59,      1106,
                             1107, 1108, 1109, 1110, 1000000, 123456789012ull};
  for (uint64_t n : frames) {
    SCOPED_TRACE(n);
    EXPECT_EQ(frame_end_cycle(n), ref_frame_end(n));
    EXPECT_EQ(samples_due(frame_end_cycle(n)), ref_samples_due(frame_end_cycle(n)));
  }
  const uint64_t cycles[] = {(1ull << 40) - 1, 1ull << 40,   (1ull << 40) + 1,
                             (1ull << 50) - 1, 1ull << 50,   (1ull << 50) + 1,
                             528280977ull,     528280978ull, UINT64_MAX};
  for (uint64_t c : cycles) {
    SCOPED_TRACE(c);
    EXPECT_EQ(samples_due(c), ref_samples_due(c));
  }
}

TEST(time_base, KnownFrameEndsAndSampleCountsHold) {
  const uint64_t ends[] = {477272, 954545, 1431817, 1909090};
  const uint64_t dues[] = {622, 1243, 1865, 2486};
  for (int n = 0; n < 4; n++) {
    EXPECT_EQ(frame_end_cycle(n), ends[n]);
    EXPECT_EQ(samples_due(ends[n]), dues[n]);
  }
  EXPECT_EQ(frame_end_cycle(59), 28636350u);
  EXPECT_EQ(samples_due(frame_end_cycle(59)), 37286u);
  EXPECT_EQ(samples_due(frame_end_cycle(3599)), 2237160u);
  EXPECT_EQ(samples_due(0), 0u);
  EXPECT_EQ(samples_due(1), 1u);
  EXPECT_EQ(samples_due(768), 1u);
  EXPECT_EQ(samples_due(769), 2u);
}

TEST(time_base, EveryFrameOfAMinuteYields621Or622Samples) {
  uint64_t before = 0;
  for (uint64_t n = 0; n < 3600; n++) {
    const uint64_t due = samples_due(frame_end_cycle(n));
    ASSERT_TRUE(due - before == 621 || due - before == 622) << n;
    before = due;
  }
}

TEST(time_base, TheRememberedSpanNeverChangesAnAnswer) {
  // Every cycle around second boundaries, where the remainder starts again.
  for (uint64_t second : {1ull, 2ull, 1000ull, 40000ull}) {
    const uint64_t b = second * 28636350;
    for (uint64_t c = b - 1600; c < b + 1600; c++)
      ASSERT_EQ(samples_due(c), ref_samples_due(c)) << c;
  }
  // Small steps forwards, repeated cycles, jumps backwards (a reset or a state load).
  std::mt19937_64 rng(5);
  uint64_t c = 1ull << 45;
  for (int i = 0; i < 20000; i++) {
    const uint64_t r = rng();
    if (r % 50 == 0)
      c -= r % 100000;
    else if (r % 7)
      c += r % 900;
    ASSERT_EQ(samples_due(c), ref_samples_due(c)) << c;
  }
}

}  // namespace
