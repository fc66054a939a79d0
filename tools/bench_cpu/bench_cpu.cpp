// Measures the SH-2 interpreter: runs a fixed program (ALU, loads and stores, a conditional
// branch, a call with a stack push and a return, a counted loop) from work RAM through a minimal
// flat bus, in frame-sized slices as the board does, for at least 10^8 guest instructions, and
// prints guest millions of instructions per second and host nanoseconds per instruction.
// The bus stores memory as host-order 32-bit words with big-endian lanes, like the board's, and
// like it lets the core read and write RAM pages without a call.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "cpu/bus.h"
#include "cpu/sh2.h"

namespace {

enum : uint32_t {
  RAM_BASE = 0x06000000,
  RAM_WORDS = 1 << 18,    // 1 MiB
  SLICE_CYCLES = 477272,  // about one 60 Hz frame
  MIN_INSTRUCTIONS = 100000000,
};

uint32_t ram[RAM_WORDS];
const uint32_t vectors[2] = {RAM_BASE, RAM_BASE + 0x10000};  // reset PC and stack

// The program, assembled for address 0x06000000.
const uint16_t program[] = {
    0xD80D,          // start:  mov.l   count,r8
    0xD90E,          //         mov.l   buffer,r9
    0xE200,          //         mov     #0,r2
    0x6083,          // loop:   mov     r8,r0
    0x7003,          //         add     #3,r0
    0x208A,          //         xor     r8,r0
    0x4008,          //         shll2   r0
    0x2902,          //         mov.l   r0,@r9
    0x5191,          //         mov.l   @(4,r9),r1
    0x310C,          //         add     r0,r1
    0x1911,          //         mov.l   r1,@(4,r9)
    0x6591,          //         mov.w   @r9,r5
    0x3106,          //         cmp/hi  r0,r1
    0x8B00,          //         bf      skip
    0x7201,          //         add     #1,r2
    0xB004,          // skip:   bsr     func
    0x0914,          //         mov.b   r1,@(r0,r9)    (slot)
    0x4810,          //         dt      r8
    0x8BEF,          //         bf      loop
    0xAFEB,          //         bra     start
    0x0009,          //         nop                    (slot)
    0x631C,          // func:   extu.b  r1,r3
    0x4F22,          //         sts.l   pr,@-r15
    0x343C,          //         add     r3,r4
    0x4F26,          //         lds.l   @r15+,pr
    0x000B,          //         rts
    0x8098,          //         mov.b   r0,@(8,r9)     (slot)
    0x0009,          //         nop                    (padding)
    0x0000, 0x03E8,  // count:  .long 1000
    0x0608, 0x0000,  // buffer: .long 0x06080000
};

inline bool in_ram(uint32_t a) {
  return (a >> 20) == (RAM_BASE >> 20);
}
inline uint32_t& ram_word(uint32_t a) {
  return ram[(a & 0xFFFFF) >> 2];
}

}  // namespace

uint32_t bus_read32(uint32_t a) {
  if (in_ram(a)) return ram_word(a);
  return a < 8 ? vectors[a >> 2] : 0;
}

uint32_t bus_read16(uint32_t a) {
  if (!in_ram(a)) return 0;
  return (ram_word(a) >> ((~a & 2) * 8)) & 0xFFFF;
}

uint32_t bus_read8(uint32_t a) {
  if (!in_ram(a)) return 0;
  return (ram_word(a) >> ((~a & 3) * 8)) & 0xFF;
}

void bus_write32(uint32_t a, uint32_t v) {
  if (in_ram(a)) ram_word(a) = v;
}

void bus_write16(uint32_t a, uint32_t v) {
  if (!in_ram(a)) return;
  uint32_t shift = (~a & 2) * 8;
  uint32_t& w = ram_word(a);
  w = (w & ~(0xFFFFu << shift)) | ((v & 0xFFFF) << shift);
}

void bus_write8(uint32_t a, uint32_t v) {
  if (!in_ram(a)) return;
  uint32_t shift = (~a & 3) * 8;
  uint32_t& w = ram_word(a);
  w = (w & ~(0xFFu << shift)) | ((v & 0xFF) << shift);
}

const uint32_t* bus_read_page(uint32_t page) {
  return in_ram(page) ? &ram_word(page) : nullptr;
}

uint32_t* bus_write_page(uint32_t page) {
  return in_ram(page) ? &ram_word(page) : nullptr;
}

int main() {
  const size_t n = sizeof program / sizeof program[0];
  for (size_t i = 0; i < n; i++) bus_write16(RAM_BASE + 2 * (uint32_t)i, program[i]);

  static sh2_state s;
  sh2_reset(&s);
  auto start = std::chrono::steady_clock::now();
  while (s.instructions < MIN_INSTRUCTIONS) {
    if (sh2_run(&s, s.cycles + SLICE_CYCLES) != 0) {
      std::fprintf(stderr, "bench_cpu: the program stopped at %08X\n", sh2_stop_pc());
      return 1;
    }
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  double per_second = (double)s.instructions / seconds;
  std::printf("bench_cpu: %llu instructions, %llu cycles in %.3f s\n",
              (unsigned long long)s.instructions, (unsigned long long)s.cycles, seconds);
  std::printf("bench_cpu: %.1f M guest instructions/s, %.2f ns per instruction\n", per_second / 1e6,
              1e9 / per_second);
  return 0;
}
