// fuzz_onchip_bus: the free-running timer, the division unit and the serial EEPROM fed random
// bus traffic through the CPU's own entries (cpu/bus.h) on the loaded test machine, with time
// advanced the way the frame loop does it and whole frames run in between. Each exec starts
// from the same snapshot. Operations, one byte each then their operands:
//   write / read an on-chip register (FRT, DIVU, interrupt controller or any), a division
//   checked against its definition, EEPROM port writes and whole serial commands, DIP port
//   reads, a cycle advance with FRT events, a frame.
// Properties besides the sanitizers: divisions satisfy q * d + r = n with |r| < |d| and r of the
// dividend's sign, or report overflow only when the quotient does not fit; a write-protected
// EEPROM keeps its bytes through port traffic; the EEPROM state stays one of its six; the CPU's
// on-chip request stays a level of 0-15; FRT events always move time forward.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "board/eeprom.h"
#include "board/frame_loop.h"
#include "board/machine.h"
#include "board/onchip.h"
#include "board/time_base.h"
#include "cpu/bus.h"
#include "fuzz_support.h"

namespace {

enum : uint32_t {
  DIP_PORT = 0x03000004,
  PORT_DI = 0x20,
  PORT_CLK = 0x40,
  PORT_CS = 0x80,
  MAX_FRAMES = 2,      // frames per input
  MAX_EVENTS = 100000  // FRT events one advance may deliver before it counts as stuck
};

// Offsets the fuzzer should hit often: the FRT, the interrupt controller's FRT fields, the
// division unit and its mirrors.
const uint16_t interesting[] = {0x10,  0x11,  0x12,  0x13,  0x14,  0x15,  0x16,  0x17,
                                0x18,  0x19,  0x60,  0x61,  0x66,  0x67,  0x68,  0x69,
                                0x100, 0x104, 0x108, 0x10B, 0x110, 0x114, 0x118, 0x11C};

uint32_t onchip_address(fuzz_cursor* in, uint32_t size) {
  const uint8_t pick = in->u8();
  uint32_t offset = pick & 0x80 ? interesting[pick % (sizeof interesting / sizeof interesting[0])]
                                : (uint32_t(pick) << 8 | in->u8()) & 0x1FF;
  return (ONCHIP_BASE + offset) & ~(size - 1);
}

uint32_t size_of(uint8_t bits) {
  static const uint32_t sizes[4] = {1, 2, 4, 4};
  return sizes[bits & 3];
}

void write_sized(uint32_t address, uint32_t value, uint32_t size) {
  if (size == 1) bus_write8(address, value & 0xFF);
  if (size == 2) bus_write16(address, value & 0xFFFF);
  if (size == 4) bus_write32(address, value);
}

uint32_t read_sized(uint32_t address, uint32_t size) {
  if (size == 1) return bus_read8(address);
  if (size == 2) return bus_read16(address);
  return bus_read32(address);
}

// The frame loop's time without the CPU: up to the frame's end, delivering FRT events.
void advance(machine* m, uint64_t cycles) {
  const uint64_t end = frame_end_cycle(m->frame_counter);
  const uint64_t target = m->sh2.cycles + cycles < end ? m->sh2.cycles + cycles : end;
  for (uint32_t events = 0; m->sh2.cycles < target;) {
    const uint64_t next = m->onchip.frt_next_cycle;
    m->sh2.cycles = next < target && next > m->sh2.cycles ? next : target;
    if (m->sh2.cycles >= m->onchip.frt_next_cycle) {
      if (++events > MAX_EVENTS)
        fuzz_fail("the FRT keeps scheduling events at cycle %llu",
                  (unsigned long long)m->sh2.cycles);
      frt_event_step(m);
    }
  }
}

void port(machine* m, uint32_t bits) {
  m->sh2.cycles += 4;  // a few cycles between port writes, as a game's loop takes them
  bus_write8(DIP_PORT, bits);
}

// A whole serial command: chip select, start bit, 2 opcode bits, 9 address bits, 8 data bits
// (for the writing commands) or 9 clocks reading data out, then deselect.
void eeprom_command(machine* m, uint32_t opcode, uint32_t address, uint32_t data) {
  port(m, PORT_CS);
  uint32_t bits = 1u << 11 | (opcode & 3) << 9 | (address & 0x1FF);
  for (int i = 11; i >= 0; i--) {
    const uint32_t di = bits >> i & 1 ? PORT_DI : 0;
    port(m, PORT_CS | di);
    port(m, PORT_CS | di | PORT_CLK);
  }
  for (int i = 7; i >= 0; i--) {
    const uint32_t di = data >> i & 1 ? PORT_DI : 0;
    port(m, PORT_CS | di);
    port(m, PORT_CS | di | PORT_CLK);
    (void)bus_read32(DIP_PORT);
  }
  port(m, PORT_CS);
  port(m, 0);
}

void check_division(int wide, uint32_t high, uint32_t low, uint32_t divisor) {
  bus_write32(0xFFFFFF08, 1);  // clear OVF
  bus_write32(0xFFFFFF00, divisor);
  if (wide) {
    bus_write32(0xFFFFFF10, high);
    bus_write32(0xFFFFFF14, low);
  } else {
    bus_write32(0xFFFFFF04, low);
  }
  const int64_t n = wide ? int64_t(uint64_t(high) << 32 | low) : int64_t(int32_t(low));
  const int64_t d = int32_t(divisor);
  const int32_t q = int32_t(bus_read32(0xFFFFFF04)), r = int32_t(bus_read32(0xFFFFFF10));
  const int overflow = bus_read32(0xFFFFFF08) & 1;
  // Whether the true quotient fits 32 bits, without dividing by 0 or overflowing 64 bits.
  const int fits =
      d != 0 && !(n == INT64_MIN && d == -1) && n / d >= INT32_MIN && n / d <= INT32_MAX;
  if (overflow != !fits)
    fuzz_fail("division %lld / %lld: overflow %d", (long long)n, (long long)d, overflow);
  if (overflow) {
    if (q != 0x7FFFFFFF || r != 0x7FFFFFFF) fuzz_fail("overflow without saturation");
    return;
  }
  const int64_t rem = r;
  if (int64_t(q) * d + rem != n || (rem < 0 ? -rem : rem) >= (d < 0 ? -d : d) ||
      (rem != 0 && (rem < 0) != (n < 0)))
    fuzz_fail("division %lld / %lld gave %d rest %d", (long long)n, (long long)d, q, r);
}

void check_invariants(const machine* m) {
  if (m->eeprom.state > EEPROM_BUSY) fuzz_fail("EEPROM state %u", m->eeprom.state);
  if (m->sh2.onchip_level > 15) fuzz_fail("on-chip request level %d", m->sh2.onchip_level);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  machine* m = fuzz_test_machine(8);
  fuzz_cursor in{data, size};
  int frames = 0;
  while (in.left()) {
    const uint8_t op = in.u8();
    uint8_t memory[256];
    const int protect = m->eeprom.write_protect;
    std::memcpy(memory, m->eeprom.memory, sizeof memory);
    int frame = 0;
    switch (op % 8) {
      case 0: {
        const uint32_t s = size_of(op >> 3);
        write_sized(onchip_address(&in, s), in.u32(), s);
        break;
      }
      case 1: {
        const uint32_t s = size_of(op >> 3);
        (void)read_sized(onchip_address(&in, s), s);
        break;
      }
      case 2:
        port(m, in.u8());
        break;
      case 3: {
        const uint32_t address = in.u16();
        eeprom_command(m, op >> 3, address, in.u8());
        break;
      }
      case 4:
        (void)read_sized(DIP_PORT + (op >> 3 & 3), size_of(op >> 5));
        break;
      case 5:
        advance(m, uint64_t(in.u16()) << (op >> 3 & 7));
        break;
      case 6:
        if (frames < int(MAX_FRAMES)) {
          frames++;
          frame = 1;
          machine_run_frame(m, nullptr, nullptr);
        }
        break;
      case 7: {
        const uint32_t high = in.u32(), low = in.u32();
        check_division(op >> 3 & 1, high, low, in.u32());
        break;
      }
    }
    if (!frame && protect && std::memcmp(memory, m->eeprom.memory, sizeof memory) != 0)
      fuzz_fail("a write-protected EEPROM changed");
    check_invariants(m);
  }
  snapshot_restore(fuzz_test_snapshot(), m);
  return 0;
}
