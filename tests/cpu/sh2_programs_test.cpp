// Assembled SH-2 routines run through sh2_run from work RAM: the unsigned and signed division
// idioms (DIV0U or DIV0S with DIV1) over seeded operand pairs against host division, a bitwise
// CRC-32 against zlib, and a recursive routine with BSR, RTS and PR pushes. Each routine returns
// to PR = 0xFFFFFFFF, which stops the run right after its RTS, so the cycle total is exact.
#include <random>
#include <vector>

#include <zlib.h>

#include "cpu_fixture.h"
#include "sh2_program.h"

namespace {

enum : uint32_t {
  CODE_BASE = 0x06000000,
  DATA_BASE = 0x06010000,
  STACK_TOP = 0x06100000,
};

class sh2_programs : public cpu_test {
 protected:
  // Loads the routine at CODE_BASE once per test.
  void load(const char* name) {
    const sh2_program* p = sh2_program_find(name);
    ASSERT_NE(p, nullptr) << name;
    test_bus_load_program(CODE_BASE, p);
    rts_offset = 0;
    for (size_t i = 0; i + 1 < p->size; i += 2)
      if (p->data[i] == 0x00 && p->data[i + 1] == 0x0B) rts_offset = (uint32_t)i;
  }
  // Calls the routine with the registers set by the caller; returns the cycles it took.
  uint64_t call() {
    s.pc = CODE_BASE;
    s.pr = 0xFFFFFFFF;
    s.r[15] = STACK_TOP;
    s.cycles = 0;
    s.instructions = 0;
    EXPECT_EQ(sh2_run(&s, 100000000), -1);
    EXPECT_EQ(s.r[15], STACK_TOP);
    EXPECT_EQ(s.pr, 0xFFFFFFFFu);
    return s.cycles;
  }
  uint32_t rts_offset = 0;  // last RTS of the routine
};

std::vector<std::pair<uint32_t, uint32_t>> operand_pairs(uint32_t seed) {
  std::vector<std::pair<uint32_t, uint32_t>> pairs = {
      {0, 1},
      {1, 1},
      {0xFFFFFFFF, 1},
      {0xFFFFFFFF, 0xFFFFFFFF},
      {0x80000000, 3},
      {7, 0x80000000},
      {100, 7},
      {0xFFFFFFFE, 0x7FFFFFFF},
      {12345, 0xFFFFFFF9},
  };
  std::mt19937 rng(seed);
  for (int i = 0; i < 300; i++) {
    uint32_t a = rng(), b = rng();
    b >>= rng() % 32;  // divisors of every magnitude
    if (b == 0) b = 1;
    pairs.push_back({a >> (rng() % 32), b});
  }
  return pairs;
}

TEST_F(sh2_programs, UnsignedDivisionMatchesTheHost) {
  load("udiv");
  for (auto [dividend, divisor] : operand_pairs(1)) {
    s.r[4] = dividend;
    s.r[5] = divisor;
    EXPECT_EQ(call(), 70u);
    EXPECT_EQ(s.r[0], dividend / divisor) << dividend << " / " << divisor;
    EXPECT_EQ(s.r[5], divisor);
    EXPECT_EQ(sh2_stop_pc(), CODE_BASE + rts_offset);
  }
}

TEST_F(sh2_programs, SignedDivisionMatchesTheHost) {
  load("sdiv");
  for (auto [a, b] : operand_pairs(2)) {
    const int32_t dividend = (int32_t)a, divisor = (int32_t)b;
    if (dividend == INT32_MIN && divisor == -1) continue;  // the quotient does not fit
    s.r[1] = a;
    s.r[0] = b;
    EXPECT_EQ(call(), 75u);
    EXPECT_EQ((int32_t)s.r[1], dividend / divisor) << dividend << " / " << divisor;
    EXPECT_EQ(s.r[0], b);
  }
}

TEST_F(sh2_programs, BitwiseCrc32MatchesZlib) {
  load("crc32");
  std::mt19937 rng(3);
  for (uint32_t length : {1u, 2u, 37u, 256u, 1000u}) {
    std::vector<uint8_t> data(length);
    for (uint8_t& b : data) b = (uint8_t)rng();
    test_bus_load(DATA_BASE, data.data(), data.size());
    s.r[4] = DATA_BASE;
    s.r[5] = length;
    EXPECT_EQ(call(), 70u * length + 3) << length;
    EXPECT_EQ(s.r[0], (uint32_t)crc32(0, data.data(), length)) << length;
    EXPECT_EQ(s.r[4], DATA_BASE + length);
    EXPECT_EQ(s.r[5], 0u);
    // The returning RTS is the stopping step, which the counter does not count.
    EXPECT_EQ(s.instructions, 2u + length * (4 + 8 * 6 + 2)) << length;
  }
}

uint32_t fib(uint32_t n) {
  return n < 2 ? n : fib(n - 1) + fib(n - 2);
}
uint64_t fib_cycles(uint32_t n) {
  return n < 2 ? 6 : 21 + fib_cycles(n - 1) + fib_cycles(n - 2);
}

TEST_F(sh2_programs, RecursiveCallsSaveAndRestorePrAndTheStack) {
  load("fib");
  for (uint32_t n : {0u, 1u, 2u, 3u, 10u, 20u}) {
    s.r[4] = n;
    EXPECT_EQ(call(), fib_cycles(n)) << n;
    EXPECT_EQ(s.r[0], fib(n)) << n;
    // A recursing outermost level pushed the caller's PR first.
    if (n >= 2) {
      EXPECT_EQ(test_bus_get32(STACK_TOP - 4), 0xFFFFFFFFu) << n;
    }
  }
}

}  // namespace
