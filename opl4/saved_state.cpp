// Little-endian field transfer for the chip's save and restore visitor (see saved_state.h).
#include "opl4/saved_state.h"

namespace opl4 {

saved_state::saved_state(std::vector<uint8_t>& buffer, bool saving)
    : m_buffer(buffer), m_offset(0), m_saving(saving ? 1 : 0), m_ok(1) {}

uint64_t saved_state::transfer(uint64_t value, int bytes) {
  if (m_saving) {
    for (int i = 0; i < bytes; i++) m_buffer.push_back(uint8_t(value >> (8 * i)));
    return value;
  }
  if (!m_ok || m_buffer.size() - m_offset < size_t(bytes)) {
    m_ok = 0;
    return 0;
  }
  uint64_t result = 0;
  for (int i = 0; i < bytes; i++) result |= uint64_t(m_buffer[m_offset + i]) << (8 * i);
  m_offset += bytes;
  return result;
}

void saved_state::save_restore(uint8_t& value) {
  value = uint8_t(transfer(value, 1));
}
void saved_state::save_restore(uint16_t& value) {
  value = uint16_t(transfer(value, 2));
}
void saved_state::save_restore(uint32_t& value) {
  value = uint32_t(transfer(value, 4));
}
void saved_state::save_restore(uint64_t& value) {
  value = transfer(value, 8);
}

void saved_state::save_restore(uint8_t* bytes, size_t count) {
  for (size_t i = 0; i < count; i++) save_restore(bytes[i]);
}

}  // namespace opl4
