// The CPU tests' bus: sparse big-endian memory, hooks and access log (see test_bus.h).
#include "test_bus.h"

#include <cstdlib>
#include <cstring>

#include "cpu/bus.h"
#include "sh2_program.h"

namespace {

enum { PAGE_BITS = 12, PAGE_SIZE = 1 << PAGE_BITS, PAGE_COUNT = 1 << (32 - PAGE_BITS) };

uint8_t* pages[PAGE_COUNT];  // null = never written
std::vector<uint32_t> made;  // indexes of the pages made, so a reset frees only those
test_bus_hooks hooks;
bool log_on;
std::vector<test_bus_access> access_log;

uint8_t get_byte(uint32_t a) {
  const uint8_t* p = pages[a >> PAGE_BITS];
  return p ? p[a & (PAGE_SIZE - 1)] : 0;
}

void put_byte(uint32_t a, uint8_t v) {
  uint8_t*& p = pages[a >> PAGE_BITS];
  if (!p) {
    p = static_cast<uint8_t*>(std::calloc(PAGE_SIZE, 1));
    made.push_back(a >> PAGE_BITS);
  }
  p[a & (PAGE_SIZE - 1)] = v;
}

uint32_t get(uint32_t a, int size) {
  uint32_t v = 0;
  for (int i = 0; i < size; i++) v = (v << 8) | get_byte(a + i);
  return v;
}

void put(uint32_t a, int size, uint32_t v) {
  for (int i = size - 1; i >= 0; i--, v >>= 8) put_byte(a + i, (uint8_t)v);
}

uint32_t read(int size, uint32_t a) {
  uint32_t v;
  if (!(hooks.read && hooks.read(hooks.ctx, size, a, &v))) v = get(a, size);
  if (log_on) access_log.push_back({'r', (uint8_t)size, a, v});
  return v;
}

void write(int size, uint32_t a, uint32_t v) {
  v &= size == 4 ? 0xFFFFFFFFu : (1u << (size * 8)) - 1;
  if (log_on) access_log.push_back({'w', (uint8_t)size, a, v});
  if (!(hooks.write && hooks.write(hooks.ctx, size, a, v))) put(a, size, v);
}

}  // namespace

void test_bus_reset() {
  for (uint32_t i : made) {
    std::free(pages[i]);
    pages[i] = nullptr;
  }
  made.clear();
  hooks = {};
  log_on = false;
  access_log.clear();
}

void test_bus_set_hooks(const test_bus_hooks* h) {
  hooks = h ? *h : test_bus_hooks{};
}

void test_bus_log_enable(int on) {
  log_on = on != 0;
  access_log.clear();
}

const std::vector<test_bus_access>& test_bus_log() {
  return access_log;
}

void test_bus_load(uint32_t address, const void* bytes, size_t size) {
  const uint8_t* b = static_cast<const uint8_t*>(bytes);
  for (size_t i = 0; i < size; i++) put_byte(address + (uint32_t)i, b[i]);
}

void test_bus_load_program(uint32_t address, const sh2_program* program) {
  test_bus_load(address, program->data, program->size);
}

void test_bus_put16(uint32_t address, uint32_t value) {
  put(address, 2, value);
}
void test_bus_put32(uint32_t address, uint32_t value) {
  put(address, 4, value);
}
uint32_t test_bus_get8(uint32_t address) {
  return get(address, 1);
}
uint32_t test_bus_get16(uint32_t address) {
  return get(address, 2);
}
uint32_t test_bus_get32(uint32_t address) {
  return get(address, 4);
}

uint32_t bus_read32(uint32_t address) {
  return read(4, address);
}
uint32_t bus_read16(uint32_t address) {
  return read(2, address);
}
uint32_t bus_read8(uint32_t address) {
  return read(1, address);
}
void bus_write32(uint32_t address, uint32_t value) {
  write(4, address, value);
}
void bus_write16(uint32_t address, uint32_t value) {
  write(2, address, value);
}
void bus_write8(uint32_t address, uint32_t value) {
  write(1, address, value);
}

// No host views: every fetch and data access goes through the sized functions, so hooks and the
// log see each one.
const uint32_t* bus_read_page(uint32_t) {
  return nullptr;
}
uint32_t* bus_write_page(uint32_t) {
  return nullptr;
}
