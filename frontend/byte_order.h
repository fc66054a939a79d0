// Little-endian fields of the frontend's own files (save-state containers, input movies), put
// and read byte by byte whatever the host's order.
#pragma once

#include <cstdint>

inline void le_put_u16(uint8_t* at, uint32_t value) {
  at[0] = uint8_t(value);
  at[1] = uint8_t(value >> 8);
}
inline void le_put_u32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; i++) at[i] = uint8_t(value >> (8 * i));
}
inline void le_put_u64(uint8_t* at, uint64_t value) {
  for (int i = 0; i < 8; i++) at[i] = uint8_t(value >> (8 * i));
}
inline uint32_t le_get_u16(const uint8_t* at) {
  return uint32_t(at[0]) | uint32_t(at[1]) << 8;
}
inline uint32_t le_get_u32(const uint8_t* at) {
  return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}
inline uint64_t le_get_u64(const uint8_t* at) {
  uint64_t value = 0;
  for (int i = 0; i < 8; i++) value |= uint64_t(at[i]) << (8 * i);
  return value;
}
