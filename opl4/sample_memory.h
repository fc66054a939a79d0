// The chip's view of its external sample memory. The memory sits on the chip's own bus, so
// nothing but the chip changes it: reads go to the host once per 4 KiB page and are served from
// a copy afterwards, which keeps the host's per-byte read call off the synthesis path. A write
// goes to the host and the copy rereads that byte, so the host stays the only source of bytes.
// Without the copy (its allocation failed) every read goes to the host.
#pragma once

#include <cstdint>

#include "opl4/host_interface.h"

namespace opl4 {

enum {
  SAMPLE_MEMORY_BYTES = 0x400000,  // 22-bit byte addresses
  SAMPLE_MEMORY_PAGE_SHIFT = 12,
  SAMPLE_MEMORY_PAGES = SAMPLE_MEMORY_BYTES >> SAMPLE_MEMORY_PAGE_SHIFT,
};

struct sample_memory {
  host_interface* host;
  uint8_t* copy;                             // SAMPLE_MEMORY_BYTES, or null
  uint8_t page_loaded[SAMPLE_MEMORY_PAGES];  // 1 = the page's bytes in `copy` are the host's
};

// Allocates the copy without throwing; the memory works (more slowly) when that fails.
void sample_memory_init(sample_memory& m, host_interface& host);
void sample_memory_free(sample_memory& m);
void sample_memory_load_page(sample_memory& m, uint32_t page);
// Loads every page of `bytes` bytes from `address` (wrapping at the top), so that the synthesis
// can read them straight from `copy`.
void sample_memory_prepare(sample_memory& m, uint32_t address, uint32_t bytes);
void sample_memory_write(sample_memory& m, uint32_t address, uint8_t data);

inline uint8_t sample_memory_read(sample_memory& m, uint32_t address) {
  address &= SAMPLE_MEMORY_BYTES - 1;
  if (!m.copy) return m.host->external_read(OPL4_ACCESS_PCM, address);
  uint32_t page = address >> SAMPLE_MEMORY_PAGE_SHIFT;
  if (!m.page_loaded[page]) sample_memory_load_page(m, page);
  return m.copy[address];
}

}  // namespace opl4
