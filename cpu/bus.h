// What the CPU core requires of the memory system: sized reads and writes by SH-2 address, and
// host views of the pages of plain memory, through which the core reads and writes without a
// call. The board implements these (its memory map); CPU tests link a test bus instead. Narrow
// values come and go in the low bits; addresses are passed unchanged (no alignment check).
#pragma once

#include <cstdint>

enum : uint32_t {
  BUS_PAGE_BYTES = 0x1000,  // size and alignment of the pages that the views describe
};

uint32_t bus_read32(uint32_t address);
uint32_t bus_read16(uint32_t address);
uint32_t bus_read8(uint32_t address);
void bus_write32(uint32_t address, uint32_t value);
void bus_write16(uint32_t address, uint32_t value);
void bus_write8(uint32_t address, uint32_t value);

// Views: the host memory behind the page of SH-2 addresses that starts at `page` (a multiple of
// BUS_PAGE_BYTES), as BUS_PAGE_BYTES / 4 host-order 32-bit words with big-endian lanes, like the
// board's memory. Null when accesses to that page must go through the functions above. A view
// stays valid until the bus is bound to other memory.
//
// bus_read_page: reading the page has no effect, and each read of the view gives what the sized
// read of that address would (fetches and data reads alike).
// bus_write_page: a write to the page does nothing but store into those words, so that a store
// into the view is the sized write of that address.
const uint32_t* bus_read_page(uint32_t page);
uint32_t* bus_write_page(uint32_t page);
