// The chip's save and restore visitor: one walk over the state serves both directions. Saving
// appends every field little-endian to a byte vector; loading reads the same fields back from
// offset 0. Errors stick: after a short read or a failed check every read gives 0 and ok()
// stays 0, so a restore visits every field and the caller checks once at the end. What the
// fields mean, and masking the values read back, is the visiting code's job.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace opl4 {

class saved_state {
 public:
  // Saving appends to `buffer` (which may throw std::bad_alloc); loading reads it from the start.
  saved_state(std::vector<uint8_t>& buffer, bool saving);

  int saving() const { return m_saving; }
  int ok() const { return m_ok; }  // 1 while nothing has gone wrong
  void fail() { m_ok = 0; }        // the visitor found the image unusable

  void save_restore(uint8_t& value);
  void save_restore(uint16_t& value);
  void save_restore(uint32_t& value);
  void save_restore(uint64_t& value);
  void save_restore(uint8_t* bytes, size_t count);

 private:
  uint64_t transfer(uint64_t value, int bytes);  // writes or reads `bytes` little-endian bytes

  std::vector<uint8_t>& m_buffer;
  size_t m_offset;  // next byte to read when loading
  int m_saving;
  int m_ok;
};

}  // namespace opl4
