// The SH7604's on-chip register area (0xFFFFFE00-0xFFFFFFFF): a stored byte image for every
// module, with behaviour for the division unit and the 16-bit free-running timer (FRT) and
// its interrupt request.
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
