// The core's memory accesses by SH-2 address: loads and stores that go through the host views of
// plain memory pages (cpu/bus.h) when the bus offers them and through the sized bus functions
// otherwise, with the same result either way. The views in use are cached only while sh2_run
// is in progress, since the bus binding holds still then; outside a run every access goes to
// the bus. Handlers (sh2_ops.h) and the dispatcher use these.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "cpu/bus.h"
#include "cpu/sh2.h"

enum : uint32_t {
  SH2_NO_PAGE = 1,  // not a page address: a view of nothing
  SH2_PAGE_MASK = BUS_PAGE_BYTES - 1,
};

// A page and its host words (see bus_read_page and bus_write_page).
struct sh2_read_view {
  uint32_t page;  // SH-2 address of the page, or SH2_NO_PAGE
  const uint8_t* bytes;
};
struct sh2_write_view {
  uint32_t page;
  uint8_t* bytes;
};

// Two views per direction (the most recent first), enough for a stack and a data page at once,
// and the view of the page being executed, from which PC-relative loads read their literals.
struct sh2_view_cache {
  sh2_read_view code;  // set by the run loop
  sh2_read_view read[2];
  sh2_write_view write[2];
  uint32_t bare_read_page;   // last page found without a read view, so not asked again
  uint32_t bare_write_page;  // the same for writes
  bool active;               // a run is in progress: views may be cached
};

extern sh2_view_cache sh2_views;

// sh2_run brackets itself with these: both empty the cache; begin lets it fill.
void sh2_views_begin();
void sh2_views_end();

// Byte offset in a page of host words of the access at address a of `size` bytes (1, 2 or 4),
// with the bus's alignment (a word access ignores bit 0, a long access bits 0-1): SH-2 lanes are
// big-endian within each host word.
inline uint32_t sh2_view_offset(uint32_t a, uint32_t size) {
  constexpr bool little = std::endian::native == std::endian::little;
  if (size == 4) return a & SH2_PAGE_MASK & ~3u;
  if (size == 2) return (a & SH2_PAGE_MASK & ~1u) ^ (little ? 2 : 0);
  return (a & SH2_PAGE_MASK) ^ (little ? 3 : 0);
}

// The value of `size` bytes at address a in a view's page.
inline uint32_t sh2_view_load(const void* page_words, uint32_t a, uint32_t size) {
  const uint8_t* p = static_cast<const uint8_t*>(page_words) + sh2_view_offset(a, size);
  if (size == 4) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  }
  if (size == 2) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
  }
  return *p;
}

inline void sh2_view_store(void* page_words, uint32_t a, uint32_t size, uint32_t value) {
  uint8_t* p = static_cast<uint8_t*>(page_words) + sh2_view_offset(a, size);
  if (size == 4) {
    std::memcpy(p, &value, 4);
  } else if (size == 2) {
    const uint16_t v = static_cast<uint16_t>(value);
    std::memcpy(p, &v, 2);
  } else {
    *p = static_cast<uint8_t>(value);
  }
}

// The instruction being executed, as a handler that accesses memory sees it. The interpreter
// keeps pc and the cycle counter in registers rather than in the record, so an access that no
// view serves first writes both into the record, since the devices behind the bus read them
// there. Compiled in place, this costs the accesses that views serve nothing.
struct sh2_exec {
  sh2_state* s;
  uint32_t pc;       // what the record's pc shows during the instruction
  uint64_t& cycles;  // the interpreter's counter; handlers add their extra cycles to it
};

// Accesses whose page is not among the cached views (sh2_memory.cpp).
uint32_t sh2_read_uncached(uint32_t address, uint32_t size);
void sh2_write_uncached(uint32_t address, uint32_t size, uint32_t value);

// A read of `size` bytes (the narrow values in the low bits, not extended).
[[gnu::always_inline]] inline uint32_t sh2_read(const sh2_exec& x, uint32_t address,
                                                uint32_t size) {
  const uint32_t page = address & ~SH2_PAGE_MASK;
  if (page == sh2_views.read[0].page) [[likely]]
    return sh2_view_load(sh2_views.read[0].bytes, address, size);
  if (page == sh2_views.read[1].page) return sh2_view_load(sh2_views.read[1].bytes, address, size);
  x.s->pc = x.pc;
  x.s->cycles = x.cycles;
  return sh2_read_uncached(address, size);
}

// A read at a PC-relative address: literals lie next to the code, mostly in its page.
[[gnu::always_inline]] inline uint32_t sh2_read_literal(const sh2_exec& x, uint32_t address,
                                                        uint32_t size) {
  if ((address & ~SH2_PAGE_MASK) == sh2_views.code.page) [[likely]]
    return sh2_view_load(sh2_views.code.bytes, address, size);
  return sh2_read(x, address, size);
}

// A write of the low `size` bytes of value.
[[gnu::always_inline]] inline void sh2_write(const sh2_exec& x, uint32_t address, uint32_t size,
                                             uint32_t value) {
  const uint32_t page = address & ~SH2_PAGE_MASK;
  if (page == sh2_views.write[0].page) [[likely]]
    return sh2_view_store(sh2_views.write[0].bytes, address, size, value);
  if (page == sh2_views.write[1].page)
    return sh2_view_store(sh2_views.write[1].bytes, address, size, value);
  x.s->pc = x.pc;
  x.s->cycles = x.cycles;
  sh2_write_uncached(address, size, value);
}
