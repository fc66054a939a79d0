// The save state's byte stream: growth by doubling from 256 KiB when writing, bounds checks
// when reading, little-endian integers, chunk framing and the sticky error. What goes into the
// stream, and in which order, is save_state.cpp's visitor.
#include "board/state_stream.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>

static const uint64_t STATE_INITIAL_CAPACITY = 262144;  // first size of a grown buffer

void state_stream_init_writer(state_stream* s, uint64_t capacity) {
  std::memset(s, 0, sizeof *s);
  s->writing = 1;
  s->data = (uint8_t*)std::malloc(capacity ? capacity : 1);
  s->capacity = s->data ? capacity : 0;
  if (!s->data) s->error = STATE_OVERRUN;
}

void state_stream_init_reader(state_stream* s, const uint8_t* data, uint64_t size,
                              uint64_t read_pos) {
  std::memset(s, 0, sizeof *s);
  s->data = (uint8_t*)data;  // never written through while reading
  s->size = size;
  s->read_pos = read_pos;
}

// Room for n more bytes; 0 (and the error set) when the buffer cannot grow.
static int reserve(state_stream* s, uint64_t n) {
  if (s->size + n <= s->capacity) return 1;
  uint64_t capacity = s->capacity ? s->capacity : STATE_INITIAL_CAPACITY;
  while (capacity < s->size + n) capacity *= 2;
  uint8_t* grown = (uint8_t*)std::realloc(s->data, capacity);
  if (!grown) {
    s->error = STATE_OVERRUN;
    return 0;
  }
  s->data = grown;
  s->capacity = capacity;
  return 1;
}

// The stream's n bytes at the cursor: where a write goes, or where a read comes from. Null
// after an error (a read target is then zero-filled by the caller).
static uint8_t* advance(state_stream* s, uint64_t n) {
  if (s->error) return nullptr;
  if (s->writing) {
    if (!reserve(s, n)) return nullptr;
    uint8_t* p = s->data + s->size;
    s->size += n;
    return p;
  }
  if (n > s->size || s->read_pos > s->size - n) {
    s->error = STATE_OVERRUN;
    return nullptr;
  }
  uint8_t* p = s->data + s->read_pos;
  s->read_pos += n;
  return p;
}

void state_io_bytes(state_stream* s, void* bytes, uint64_t n) {
  uint8_t* p = advance(s, n);
  if (!p) {
    if (!s->writing) std::memset(bytes, 0, n);
    return;
  }
  if (s->writing)
    std::memcpy(p, bytes, n);
  else
    std::memcpy(bytes, p, n);
}

// An integer of `width` bytes, little-endian in the stream.
static uint64_t io_le(state_stream* s, uint64_t value, int width) {
  uint8_t* p = advance(s, width);
  if (!p) return s->writing ? value : 0;
  if (s->writing) {
    for (int i = 0; i < width; i++) p[i] = (uint8_t)(value >> (8 * i));
    return value;
  }
  value = 0;
  for (int i = 0; i < width; i++) value |= (uint64_t)p[i] << (8 * i);
  return value;
}

void state_io_u8(state_stream* s, uint8_t* v) {
  *v = (uint8_t)io_le(s, *v, 1);
}
void state_io_u16(state_stream* s, uint16_t* v) {
  *v = (uint16_t)io_le(s, *v, 2);
}
void state_io_u32(state_stream* s, uint32_t* v) {
  *v = (uint32_t)io_le(s, *v, 4);
}
void state_io_i32(state_stream* s, int32_t* v) {
  *v = (int32_t)(uint32_t)io_le(s, (uint32_t)*v, 4);
}
void state_io_u64(state_stream* s, uint64_t* v) {
  *v = io_le(s, *v, 8);
}

void state_io_u32_array(state_stream* s, uint32_t* words, uint64_t count) {
  uint8_t* p = advance(s, count * 4);
  if (!p) {
    if (!s->writing) std::memset(words, 0, count * 4);
    return;
  }
  if constexpr (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) {
    if (s->writing)
      std::memcpy(p, words, count * 4);
    else
      std::memcpy(words, p, count * 4);
    return;
  }
  for (uint64_t i = 0; i < count; i++, p += 4) {
    if (s->writing) {
      for (int b = 0; b < 4; b++) p[b] = (uint8_t)(words[i] >> (8 * b));
    } else {
      words[i] = (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
    }
  }
}

void state_chunk_begin(state_stream* s, const char tag[4]) {
  if (s->writing) {
    state_io_bytes(s, (void*)tag, 4);
    s->chunk_start = s->size;
    uint32_t placeholder = 0;
    state_io_u32(s, &placeholder);
    return;
  }
  const uint32_t had_error = s->error;
  char found[4] = {};
  state_io_bytes(s, found, 4);
  if (had_error || s->error || std::memcmp(found, tag, 4) != 0) s->error = STATE_MISMATCH;
  state_io_u32(s, &s->chunk_length);
  s->chunk_start = s->read_pos;
}

void state_chunk_end(state_stream* s) {
  if (s->error) return;
  if (s->writing) {
    const uint64_t length = s->size - s->chunk_start - 4;
    for (int i = 0; i < 4; i++) s->data[s->chunk_start + i] = (uint8_t)(length >> (8 * i));
    return;
  }
  if (s->read_pos - s->chunk_start != s->chunk_length) s->error = STATE_MISMATCH;
}

uint32_t state_crc32(uint32_t seed, const uint8_t* bytes, uint64_t length) {
  uLong crc = seed;
  while (length > 0) {
    const uInt n = length > 0x40000000u ? 0x40000000u : (uInt)length;
    crc = crc32(crc, bytes, n);
    bytes += n;
    length -= n;
  }
  return (uint32_t)crc;
}
