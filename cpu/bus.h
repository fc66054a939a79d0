// What the CPU core requires of the memory system: sized reads and writes by SH-2 address, and a
// host view of plain memory pages for instruction fetch. The board implements these (its memory
// map); CPU tests link a test bus instead. Narrow values come and go in the low bits; addresses
// are passed unchanged (no alignment check).
#pragma once

#include <cstdint>

enum : uint32_t {
  BUS_FETCH_PAGE_BYTES = 0x1000,  // size and alignment of the pages bus_fetch_page describes
};

uint32_t bus_read32(uint32_t address);
uint32_t bus_read16(uint32_t address);
uint32_t bus_read8(uint32_t address);
void bus_write32(uint32_t address, uint32_t value);
void bus_write16(uint32_t address, uint32_t value);
void bus_write8(uint32_t address, uint32_t value);

// The host memory behind the page of SH-2 addresses that starts at `page` (a multiple of
// BUS_FETCH_PAGE_BYTES), as BUS_FETCH_PAGE_BYTES / 4 host-order 32-bit words with big-endian
// lanes, when reading that page has no effect and its contents change only through the bus
// writes above; null when fetches from it must go through bus_read16. Every fetch the view
// serves reads what bus_read16 would. Valid until the bus is bound to other memory.
const uint32_t* bus_fetch_page(uint32_t page);
