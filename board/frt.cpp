// The SH7604's 16-bit free-running timer: FRC counting from the CPU cycle count (clock / 8,
// / 32, / 128 or an external clock that never ticks on this board), the compare registers and
// their flags, the interrupt request posted to the CPU, and the cycle of the next event. The
// frame loop ends its CPU slices at `frt_next_cycle` and calls frt_event_step there.
#include <algorithm>

#include "board/machine.h"
#include "board/onchip.h"

namespace {

const uint32_t FRT_NONE = 0xFFFFF;  // "no distance" in schedule counts

bool external_clock(const onchip_regs* r) {
  return (r->frt_tcr & 3) == 3;
}

// Cycles per count as a shift: TCR 0, 1, 2 give / 8, / 32, / 128; the external clock 0.
uint32_t clock_shift(const onchip_regs* r) {
  static const uint8_t shifts[4] = {3, 5, 7, 0};
  return shifts[r->frt_tcr & 3];
}

// Brings FRC up to `cycles`; cycles that do not make a whole count are dropped.
void frt_advance(onchip_regs* r, uint64_t cycles) {
  const uint64_t n = (cycles - r->frt_last_cycle) >> clock_shift(r);
  if (n == 0) return;
  if (!external_clock(r)) r->frt_frc = static_cast<uint16_t>(r->frt_frc + n);
  r->frt_last_cycle = cycles;
}

void frt_compare(onchip_regs* r) {
  if (r->frt_frc == r->frt_ocrb) r->frt_ftcsr |= FRT_OCFB;
  if (r->frt_frc == 0) r->frt_ftcsr |= FRT_OVF;
  if (r->frt_frc == r->frt_ocra) {
    r->frt_ftcsr |= FRT_OCFA;
    if (r->frt_ftcsr & FRT_CCLRA) r->frt_frc = 0;
  }
}

void frt_schedule(onchip_regs* r, uint64_t cycles) {
  r->frt_next_cycle = ~uint64_t{0};
  const uint32_t frc = r->frt_frc, ftcsr = r->frt_ftcsr;
  uint32_t d = ftcsr & FRT_OCFA ? FRT_NONE : (r->frt_ocra - frc) & 0xFFFF;
  // With CCLRA an OCRB below OCRA is left out: the 0 that reset leaves in OCRB would otherwise
  // fall due at every clear and set OCFB (and OVF) each period.
  if (!(ftcsr & FRT_OCFB) && (!(ftcsr & FRT_CCLRA) || r->frt_ocra <= r->frt_ocrb))
    d = std::min(d, (r->frt_ocrb - frc) & 0xFFFF);
  if (!(ftcsr & (FRT_OVF | FRT_CCLRA))) d = std::min(d, 0x10000 - frc);
  if (d == FRT_NONE || external_clock(r)) return;
  r->frt_last_cycle = cycles;
  r->frt_next_cycle = cycles + (uint64_t{d} << clock_shift(r));
  // A compare scheduled by a register write inside a CPU slice (the handler clearing OCFA)
  // must end that slice on time: the equality compare misses a counter that ran past it.
  sh2_shorten_slice(r->frt_next_cycle);
}

// The compare register that 0xFFFFFE14-0xFFFFFE15 reach.
uint16_t* selected_ocr(onchip_regs* r) {
  return r->frt_tocr & FRT_OCRS ? &r->frt_ocrb : &r->frt_ocra;
}

void store_byte(onchip_regs* r, uint32_t offset, uint8_t v) {
  switch (offset) {
    case 0x10:
      r->frt_tier = v;
      break;
    // Flags are cleared by writing 0 and never set by writing 1; CCLRA and bits 6-4 are plain.
    case 0x11:
      r->frt_ftcsr = (v & 0x71) | (v & r->frt_ftcsr & 0x8E);
      break;
    case 0x12:
      r->frt_frc = static_cast<uint16_t>((r->frt_frc & 0x00FF) | v << 8);
      break;
    case 0x13:
      r->frt_frc = static_cast<uint16_t>((r->frt_frc & 0xFF00) | v);
      break;
    case 0x14:
      *selected_ocr(r) = static_cast<uint16_t>((*selected_ocr(r) & 0x00FF) | v << 8);
      break;
    case 0x15:
      *selected_ocr(r) = static_cast<uint16_t>((*selected_ocr(r) & 0xFF00) | v);
      break;
    case 0x16:
      r->frt_tcr = v & 0x83;
      break;
    case 0x17:
      r->frt_tocr = v & 0x13;
      break;
  }
}

}  // namespace

void frt_update_request(machine* m) {
  const onchip_regs* r = &m->onchip;
  const uint32_t active = r->frt_tier & r->frt_ftcsr;
  const uint32_t priority = r->image[0x60] & 0x0F;  // IPRB bits 11-8
  if ((active & 0x8E) && priority) {
    uint32_t vector;
    if (active & FRT_ICF)
      vector = r->image[0x66];  // VCRC bits 14-8
    else if (active & (FRT_OCFA | FRT_OCFB))
      vector = r->image[0x67];  // VCRC bits 6-0
    else
      vector = r->image[0x68];  // VCRD bits 14-8
    m->sh2.onchip_level = static_cast<int32_t>(priority);
    m->sh2.onchip_vector = vector & 0x7F;
  } else {
    m->sh2.onchip_level = 0;
    m->sh2.onchip_vector = 0xFFFFFFFF;
  }
  m->sh2.check_irq = 1;
}

uint8_t frt_read8(machine* m, uint32_t offset) {
  onchip_regs* r = &m->onchip;
  switch (offset) {
    case 0x10:
      return r->frt_tier;
    case 0x11:
      return r->frt_ftcsr;
    case 0x12:
      frt_advance(r, m->sh2.cycles);
      return r->frt_frc >> 8;
    case 0x13:
      frt_advance(r, m->sh2.cycles);
      return r->frt_frc & 0xFF;
    case 0x14:
      return *selected_ocr(r) >> 8;
    case 0x15:
      return *selected_ocr(r) & 0xFF;
    case 0x16:
      return r->frt_tcr & 0x83;
    case 0x17:
      return (r->frt_tocr & 0x13) | 0xE0;
    default:
      return 0;
  }
}

void frt_write8(machine* m, uint32_t offset, uint8_t value) {
  onchip_regs* r = &m->onchip;
  frt_advance(r, m->sh2.cycles);
  store_byte(r, offset, value);
  frt_schedule(r, m->sh2.cycles);
  frt_update_request(m);
}

void frt_event_step(machine* m) {
  onchip_regs* r = &m->onchip;
  frt_advance(r, m->sh2.cycles);
  frt_compare(r);
  frt_update_request(m);
  frt_schedule(r, m->sh2.cycles);
}
