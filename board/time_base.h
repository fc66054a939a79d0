// The board's time base: every quantity is derived from the CPU's 64-bit cycle counter through
// exact attosecond products in unsigned 128-bit arithmetic (a 64-bit product of a cycle count
// and the cycle length overflows after about 18 s of emulated time). The frame loop uses the
// frame ends; the sound catch-up uses the due sample counts.
#pragma once

#include <cstdint>

enum : uint64_t {
  TIME_CPU_HZ = 28636350,
  TIME_SAMPLE_HZ = 37286,                         // TIME_CPU_HZ / 768: the sound chip's rate
  TIME_ATTO_PER_SECOND = 1000000000000000000ull,  // 10^18
  TIME_ATTO_PER_CYCLE = 34920651549ull,           // 10^18 / TIME_CPU_HZ, rounded down
  TIME_ATTO_PER_FRAME = 16666666666666666ull,     // 10^18 / 60, rounded down
  TIME_ATTO_PER_SAMPLE = 26819717856568ull,       // 10^18 / TIME_SAMPLE_HZ, rounded down
};

// The cycle at which frame `frame` (counted from reset, from 0) ends.
uint64_t frame_end_cycle(uint64_t frame);

// The number of samples, counted from reset, that belong to the time up to cycle `cycle`.
// Remembers the span of cycles around its last answer, so repeated calls between two sample
// boundaries cost one comparison.
uint64_t samples_due(uint64_t cycle);
