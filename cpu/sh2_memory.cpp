// The view cache of the core's memory accesses (sh2_memory.h): its misses, which ask the bus for
// a view of the page and fall back to the sized bus functions (asking the run loop to look at
// its flags again), and its reset around each run.
#include "cpu/sh2_memory.h"

#include "cpu/sh2_core.h"

sh2_view_cache sh2_views = {
    {SH2_NO_PAGE, nullptr},
    {{SH2_NO_PAGE, nullptr}, {SH2_NO_PAGE, nullptr}},
    {{SH2_NO_PAGE, nullptr}, {SH2_NO_PAGE, nullptr}},
    SH2_NO_PAGE,
    SH2_NO_PAGE,
    false,
};

namespace {

void empty_views() {
  sh2_views.code = {SH2_NO_PAGE, nullptr};
  sh2_views.read[0] = sh2_views.read[1] = {SH2_NO_PAGE, nullptr};
  sh2_views.write[0] = sh2_views.write[1] = {SH2_NO_PAGE, nullptr};
  sh2_views.bare_read_page = sh2_views.bare_write_page = SH2_NO_PAGE;
}

template <typename view, typename bytes>
void keep(view* views, uint32_t page, bytes* words) {
  views[1] = views[0];
  views[0] = {page, reinterpret_cast<decltype(view::bytes)>(words)};
}

}  // namespace

void sh2_views_begin() {
  empty_views();
  sh2_views.active = true;
}

void sh2_views_end() {
  empty_views();
  sh2_views.active = false;
}

uint32_t sh2_read_uncached(uint32_t address, uint32_t size) {
  const uint32_t page = address & ~SH2_PAGE_MASK;
  if (sh2_views.active && page != sh2_views.bare_read_page) {
    if (const uint32_t* words = bus_read_page(page)) {
      keep(sh2_views.read, page, words);
      return sh2_view_load(words, address, size);
    }
    sh2_views.bare_read_page = page;
  }
  // The bus may reach a device, which may raise an interrupt or lower the slice end.
  sh2_recheck();
  if (size == 4) return bus_read32(address);
  if (size == 2) return bus_read16(address);
  return bus_read8(address);
}

void sh2_write_uncached(uint32_t address, uint32_t size, uint32_t value) {
  const uint32_t page = address & ~SH2_PAGE_MASK;
  if (sh2_views.active && page != sh2_views.bare_write_page) {
    if (uint32_t* words = bus_write_page(page)) {
      keep(sh2_views.write, page, words);
      return sh2_view_store(words, address, size, value);
    }
    sh2_views.bare_write_page = page;
  }
  sh2_recheck();
  if (size == 4) return bus_write32(address, value);
  if (size == 2) return bus_write16(address, value);
  bus_write8(address, value);
}
