// The byte stream under the board save state: one cursor type for both directions, so that a
// single visitor writes a blob and reads it back. All integers are little-endian whatever the
// host. The error sticks: after the first failure writes do nothing and reads give 0, so the
// visitor runs to the end and the caller checks `error` once.
#pragma once

#include <cstddef>
#include <cstdint>

enum {
  STATE_OK = 0,
  STATE_OVERRUN = 1,   // read past the end, or the buffer could not grow
  STATE_MISMATCH = 2,  // a chunk tag or length other than expected
};

struct state_stream {
  uint32_t writing;       // 1 writing, 0 reading
  uint8_t* data;          // writing: owned, grown by doubling; reading: the caller's blob
  uint64_t size;          // writing: bytes written; reading: readable length
  uint64_t capacity;      // writing: allocated bytes
  uint64_t read_pos;      // reading: next byte
  uint32_t error;         // STATE_OK, STATE_OVERRUN or STATE_MISMATCH
  uint64_t chunk_start;   // writing: position of the length placeholder; reading: payload start
  uint32_t chunk_length;  // reading: the length the chunk header claims
};

// A writing stream over a fresh buffer of `capacity` bytes (error set when it cannot be had).
// The buffer belongs to the stream until the caller takes `data`; free it with free().
void state_stream_init_writer(state_stream* s, uint64_t capacity);

// A reading stream over data[0..size), starting at `read_pos`. Nothing is copied.
void state_stream_init_reader(state_stream* s, const uint8_t* data, uint64_t size,
                              uint64_t read_pos);

// The primitive visits: write the field, or read into it.
void state_io_bytes(state_stream* s, void* bytes, uint64_t n);
void state_io_u8(state_stream* s, uint8_t* v);
void state_io_u16(state_stream* s, uint16_t* v);
void state_io_u32(state_stream* s, uint32_t* v);
void state_io_i32(state_stream* s, int32_t* v);
void state_io_u64(state_stream* s, uint64_t* v);  // two u32 halves, low first
void state_io_u32_array(state_stream* s, uint32_t* words, uint64_t count);

// Chunk framing: a 4-byte tag and a u32 payload length. Writing leaves a placeholder that the
// end step fills in; reading checks the tag at the start and the length at the end.
void state_chunk_begin(state_stream* s, const char tag[4]);
void state_chunk_end(state_stream* s);

// zlib's crc32 of the bytes, continuing from `seed` (0 to start).
uint32_t state_crc32(uint32_t seed, const uint8_t* bytes, uint64_t length);
