// Byte helpers for the tests of the frontend's binary files (save-state containers, movies):
// whole files as byte vectors, little-endian fields, the CRC-32 a damaged file gets recomputed
// with so that a later check is reached, and the running game's container and movies around it.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "frontend/byte_order.h"
#include "frontend/state_container.h"

typedef std::vector<uint8_t> file_bytes;

inline uint32_t bytes_get_u32(const file_bytes& data, size_t at) {
  return le_get_u32(data.data() + at);
}

inline void bytes_put_u32(file_bytes* data, size_t at, uint32_t value) {
  le_put_u32(data->data() + at, value);
}

inline void bytes_put_u16(file_bytes* data, size_t at, uint32_t value) {
  le_put_u16(data->data() + at, value);
}

// Rewrites the last four bytes as the CRC-32 of all before them.
inline void bytes_reseal(file_bytes* data) {
  size_t body = data->size() - 4;
  bytes_put_u32(data, body, uint32_t(crc32_z(0, data->data(), body)));
}

// The whole file; empty when it cannot be read.
inline file_bytes bytes_read(const std::string& path) {
  file_bytes data;
  if (FILE* file = fopen(path.c_str(), "rb")) {
    uint8_t chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
      data.insert(data.end(), chunk, chunk + got);
    fclose(file);
  }
  return data;
}

// Writes the bytes as the whole file; false on failure.
inline bool bytes_write(const std::string& path, const file_bytes& data) {
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) return false;
  bool ok = fwrite(data.data(), 1, data.size(), file) == data.size();
  return fclose(file) == 0 && ok;
}

// Lower-case hex of the bytes.
inline std::string bytes_hex(const file_bytes& data) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (uint8_t b : data) {
    hex += digits[b >> 4];
    hex += digits[b & 15];
  }
  return hex;
}

// The running game's "FESTATE1" container as build_state_container makes it; empty when it makes
// none.
inline file_bytes bytes_of_state_container() {
  size_t size = 0;
  uint8_t* data = build_state_container(&size);
  file_bytes bytes(data, data + (data ? size : 0));
  free(data);
  return bytes;
}

// Frame words as a movie holds them, 4 little-endian bytes each.
inline file_bytes bytes_of_words(const std::vector<uint32_t>& words) {
  file_bytes data(4 * words.size());
  for (size_t i = 0; i < words.size(); i++) bytes_put_u32(&data, 4 * i, words[i]);
  return data;
}

// A movie file: "FEMOVIE1", the length field (the starting point's length as the file claims
// it), the container, then the input bytes.
inline file_bytes bytes_of_movie(const file_bytes& container, uint32_t length_field,
                                 const file_bytes& inputs = {}) {
  file_bytes data(12 + container.size() + inputs.size());
  memcpy(data.data(), "FEMOVIE1", 8);
  bytes_put_u32(&data, 8, length_field);
  std::copy(container.begin(), container.end(), data.begin() + 12);
  std::copy(inputs.begin(), inputs.end(), data.begin() + 12 + long(container.size()));
  return data;
}
