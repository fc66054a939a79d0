// Page-wise copy of the external sample memory (see sample_memory.h).
#include "opl4/sample_memory.h"

#include <cstring>
#include <new>

namespace opl4 {

void sample_memory_init(sample_memory& m, host_interface& host) {
  m.host = &host;
  m.copy = new (std::nothrow) uint8_t[SAMPLE_MEMORY_BYTES]();
  std::memset(m.page_loaded, 0, sizeof m.page_loaded);
}

void sample_memory_free(sample_memory& m) {
  delete[] m.copy;
  m.copy = nullptr;
}

void sample_memory_load_page(sample_memory& m, uint32_t page) {
  uint32_t base = page << SAMPLE_MEMORY_PAGE_SHIFT;
  for (uint32_t i = 0; i < (1u << SAMPLE_MEMORY_PAGE_SHIFT); i++)
    m.copy[base + i] = m.host->external_read(OPL4_ACCESS_PCM, base + i);
  m.page_loaded[page] = 1;
}

void sample_memory_prepare(sample_memory& m, uint32_t address, uint32_t bytes) {
  if (!m.copy || bytes == 0) return;
  uint32_t first = (address & (SAMPLE_MEMORY_BYTES - 1)) >> SAMPLE_MEMORY_PAGE_SHIFT;
  uint32_t last = ((address & (SAMPLE_MEMORY_BYTES - 1)) + bytes - 1) >> SAMPLE_MEMORY_PAGE_SHIFT;
  for (uint32_t page = first; page <= last; page++) {
    uint32_t p = page % SAMPLE_MEMORY_PAGES;
    if (!m.page_loaded[p]) sample_memory_load_page(m, p);
  }
}

void sample_memory_write(sample_memory& m, uint32_t address, uint8_t data) {
  address &= SAMPLE_MEMORY_BYTES - 1;
  m.host->external_write(OPL4_ACCESS_PCM, address, data);
  if (m.copy && m.page_loaded[address >> SAMPLE_MEMORY_PAGE_SHIFT])
    m.copy[address] = m.host->external_read(OPL4_ACCESS_PCM, address);  // what the host kept
}

}  // namespace opl4
