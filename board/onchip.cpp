// The SH7604 on-chip register area as the bus sees it: the stored byte image of every module,
// the division unit (32/32 and 64/32, signed, with its overflow rules), the hand-over of
// 0xFFFFFE10-0xFFFFFE17 to the free-running timer (frt.cpp) and the "CB_TRACE_ONCHIP" trace
// of writes. Narrow reads are split into bytes or lanes by the bus.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "board/machine.h"
#include "board/onchip.h"

namespace {

const uint32_t DIVU_SATURATED = 0x7FFFFFFF;

void divu_overflow(onchip_regs* r) {
  r->divu_overflow = 1;
  r->divu_quotient = r->divu_remainder = DIVU_SATURATED;
}

void divu_32(onchip_regs* r, uint32_t value) {
  const int32_t n = static_cast<int32_t>(value), d = r->divu_divisor;
  if (d == 0 || (n == INT32_MIN && d == -1)) return divu_overflow(r);
  r->divu_quotient = static_cast<uint32_t>(n / d);
  r->divu_remainder = static_cast<uint32_t>(n % d);
}

void divu_64(onchip_regs* r, uint32_t low) {
  const int64_t n = static_cast<int64_t>(uint64_t{r->divu_remainder} << 32 | low);
  const int64_t d = r->divu_divisor;
  if (d == 0 || (d == -1 && n == INT64_MIN)) return divu_overflow(r);
  const int64_t q = n / d;
  if (q < INT32_MIN || q > INT32_MAX) return divu_overflow(r);
  r->divu_quotient = static_cast<uint32_t>(q);
  r->divu_remainder = static_cast<uint32_t>(n % d);
}

uint32_t image_long(const onchip_regs* r, uint32_t i) {
  return uint32_t{r->image[i]} << 24 | r->image[i + 1] << 16 | r->image[i + 2] << 8 |
         r->image[i + 3];
}

void trace_write(const machine* m, uint32_t address, uint32_t value, uint32_t size) {
  static int looked_up = 0, enabled = 0;
  if (!looked_up) {
    looked_up = 1;
    enabled = std::getenv("CB_TRACE_ONCHIP") != nullptr;
  }
  if (enabled)
    std::fprintf(stderr, "onchip w%u %08X = %08X pc=%08X\n", size * 8, address, value, m->sh2.pc);
}

bool is_frt(uint32_t offset) {
  return (offset & 0x1F8) == 0x10;
}

}  // namespace

void onchip_write(machine* m, uint32_t address, uint32_t value, uint32_t size) {
  trace_write(m, address, value, size);
  onchip_regs* r = &m->onchip;
  const uint32_t offset = (address - ONCHIP_BASE) & 0x1FF;

  if (is_frt(offset)) {
    // The bytes go to consecutive registers, most significant first; a long covers one half.
    uint32_t first = offset;
    if (size == 2) first = offset & ~1u;
    if (size == 4) first = offset & 0x14;
    for (uint32_t k = 0; k < size; k++)
      frt_write8(m, first + k, static_cast<uint8_t>(value >> (8 * (size - 1 - k))));
    return;
  }

  const uint32_t start = offset & ~(size - 1);
  for (uint32_t k = 0; k < size; k++)
    r->image[start + k] = static_cast<uint8_t>(value >> (8 * (size - 1 - k)));

  const uint32_t l = offset & ~3u;
  const uint32_t stored = image_long(r, l);
  switch (l) {
    case 0x100:
      r->divu_divisor = static_cast<int32_t>(stored);
      break;  // DVSR
    case 0x104:
      divu_32(r, stored);
      break;     // DVDNT
    case 0x108:  // DVCR
      if (r->image[0x10B] & 1) r->divu_overflow = 0;
      if (r->image[0x10B] & 2) r->divu_overflow_irq = 1;
      break;
    case 0x110:
      r->divu_remainder = stored;
      break;  // DVDNTH
    case 0x114:
      divu_64(r, stored);
      break;     // DVDNTL
    case 0x060:  // IPRB, VCRA-VCRD
    case 0x064:
    case 0x068:
      frt_update_request(m);
      break;
  }
}

uint32_t onchip_read32(machine* m, uint32_t address) {
  const onchip_regs* r = &m->onchip;
  const uint32_t l = (address - ONCHIP_BASE) & 0x1FC;
  switch (l) {
    case 0x100:
      return static_cast<uint32_t>(r->divu_divisor);
    case 0x104:
    case 0x114:
    case 0x11C:
      return r->divu_quotient;
    case 0x108:
      return r->divu_overflow_irq * 2u + r->divu_overflow;
    case 0x110:
    case 0x118:
      return r->divu_remainder;
    case 0x010:
    case 0x014:
      return uint32_t{frt_read8(m, l)} << 24 | frt_read8(m, l + 1) << 16 |
             frt_read8(m, l + 2) << 8 | frt_read8(m, l + 3);
    case 0x018:
      return 0;  // input capture: only its bytes read back
    default:
      return image_long(r, l);
  }
}
