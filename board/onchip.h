// The SH7604's on-chip register area (0xFFFFFE00-0xFFFFFFFF): a stored byte image for every
// module, with behaviour for the division unit and the 16-bit free-running timer (FRT) and
// its interrupt request. The bus hands every on-chip access here; the frame loop runs the FRT
// event step when the CPU reaches `frt_next_cycle`; the CPU accepts the request posted in its
// on-chip request fields.
#pragma once

#include <cstddef>
#include <cstdint>

struct onchip_regs {
  uint8_t image[512];          // stored bytes of 0xFFFFFE00 + i, registers big-endian
  int32_t divu_divisor;        // DVSR
  uint32_t divu_quotient;      // quotient (DVDNT, DVDNTL)
  uint32_t divu_remainder;     // remainder; also the DVDNTH latch
  uint8_t divu_overflow;       // OVF 0/1
  uint8_t divu_overflow_irq;   // OVFIE 0/1 (stored only)
  uint8_t frt_tier;            // TIER
  uint8_t frt_ftcsr;           // FTCSR: ICF 0x80, OCFA 0x08, OCFB 0x04, OVF 0x02, CCLRA 0x01
  uint8_t frt_tcr;             // TCR & 0x83; bits 1-0: clock / 8, / 32, / 128, external
  uint8_t frt_tocr;            // TOCR & 0x13; bit 4 (OCRS) steers 0xFFFFFE14 to OCRB
  uint16_t frt_frc;            // FRC
  uint16_t frt_ocra;           // OCRA
  uint16_t frt_ocrb;           // OCRB
  uint64_t frt_last_cycle;     // CPU cycle up to which FRC has been advanced
  uint64_t frt_next_cycle;     // CPU cycle of the next FRT event; all-ones = none
};

static_assert(sizeof(onchip_regs) == 552 && offsetof(onchip_regs, frt_last_cycle) == 536);

enum {
  ONCHIP_BASE = 0xFFFFFE00u,  // first address of the area

  FRT_ICF = 0x80,  // FTCSR flags; the TIER enables share the positions
  FRT_OCFA = 0x08,
  FRT_OCFB = 0x04,
  FRT_OVF = 0x02,
  FRT_CCLRA = 0x01,
  FRT_OCRS = 0x10,  // TOCR: 0xFFFFFE14-0xFFFFFE15 reach OCRB
};

struct machine;

// A write of `size` (1, 2 or 4) bytes at `address`, aligned to its size by the bus.
void onchip_write(machine* m, uint32_t address, uint32_t value, uint32_t size);

// The long word at `address` with its low two bits cleared.
uint32_t onchip_read32(machine* m, uint32_t address);

// One FRT register byte by offset 0x10-0x17 (FRC reads advance the counter first); 0 otherwise.
uint8_t frt_read8(machine* m, uint32_t offset);

// A write of one FRT register byte by offset 0x10-0x17: advance, store, schedule, request.
void frt_write8(machine* m, uint32_t offset, uint8_t value);

// Recomputes the FRT's request in the CPU's on-chip request fields and sets `check_irq`.
void frt_update_request(machine* m);

// The event at `frt_next_cycle` has come: advance, compare, post the request, schedule the next.
void frt_event_step(machine* m);
