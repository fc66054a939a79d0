// The CPU tests' bus: the six bus functions of cpu/bus.h over a sparse, byte-addressed,
// big-endian memory that spans the whole 32-bit address space (4 KiB pages made on first write;
// unwritten memory reads 0). Optional hooks answer or observe accesses before the memory does,
// and an optional log records every access in order, instruction fetches included: the bus
// offers the core no host views of its pages. One bus per process; tests reset it.
// Only test binaries link this; the board implements the real bus.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct sh2_program;

struct test_bus_access {
  char kind;         // 'r' read, 'w' write
  uint8_t size;      // 1, 2 or 4 bytes
  uint32_t address;  // as the core passed it
  uint32_t value;    // value read or written (narrow values in the low bits)
};

// Hooks see each access first. read returns 1 when it answered (*value set), write returns 1 when
// it consumed the write; 0 passes the access on to the memory. Either may be null.
struct test_bus_hooks {
  int (*read)(void* ctx, int size, uint32_t address, uint32_t* value);
  int (*write)(void* ctx, int size, uint32_t address, uint32_t value);
  void* ctx;
};

void test_bus_reset();                                 // empty memory, no hooks, log off
void test_bus_set_hooks(const test_bus_hooks* hooks);  // copied; null removes them
void test_bus_log_enable(int on);                      // also clears the log
const std::vector<test_bus_access>& test_bus_log();

// Direct access that bypasses hooks and log, big-endian.
void test_bus_load(uint32_t address, const void* bytes, size_t size);
void test_bus_load_program(uint32_t address, const sh2_program* program);
void test_bus_put16(uint32_t address, uint32_t value);
void test_bus_put32(uint32_t address, uint32_t value);
uint32_t test_bus_get8(uint32_t address);
uint32_t test_bus_get16(uint32_t address);
uint32_t test_bus_get32(uint32_t address);
