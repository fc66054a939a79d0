// What the CPU core requires of the memory system: sized reads and writes by SH-2 address.
// The board implements these (its memory map); CPU tests link a test bus instead. Narrow
// values come and go in the low bits; addresses are passed unchanged (no alignment check).
#pragma once

#include <cstdint>

uint32_t bus_read32(uint32_t address);
uint32_t bus_read16(uint32_t address);
uint32_t bus_read8(uint32_t address);
void bus_write32(uint32_t address, uint32_t value);
void bus_write16(uint32_t address, uint32_t value);
void bus_write8(uint32_t address, uint32_t value);
