// The save state's byte stream: little-endian integers, growth by doubling, and the sticky
// error rules that let the visitor run to the end and be checked once.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "board/state_stream.h"

namespace {

std::vector<uint8_t> written(state_stream& s) {
  std::vector<uint8_t> bytes(s.data, s.data + s.size);
  std::free(s.data);
  return bytes;
}

}  // namespace

TEST(StateStream, IntegersAreWrittenLittleEndianAndReadBackTheSame) {
  state_stream s;
  state_stream_init_writer(&s, 4);
  uint8_t b = 0xAB;
  uint16_t h = 0x1234;
  uint32_t w = 0x89ABCDEF;
  int32_t n = -2;
  uint64_t d = 0x0102030405060708ull;
  uint32_t words[2] = {0x11223344, 0x55667788};
  state_io_u8(&s, &b);
  state_io_u16(&s, &h);
  state_io_u32(&s, &w);
  state_io_i32(&s, &n);
  state_io_u64(&s, &d);
  state_io_u32_array(&s, words, 2);
  ASSERT_EQ(s.error, 0u);
  const std::vector<uint8_t> bytes = written(s);
  const std::vector<uint8_t> expected = {0xAB, 0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x89, 0xFE, 0xFF,
                                         0xFF, 0xFF, 0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02,
                                         0x01, 0x44, 0x33, 0x22, 0x11, 0x88, 0x77, 0x66, 0x55};
  EXPECT_EQ(bytes, expected);

  state_stream r;
  state_stream_init_reader(&r, bytes.data(), bytes.size(), 0);
  uint8_t b2 = 0;
  uint16_t h2 = 0;
  uint32_t w2 = 0, words2[2] = {};
  int32_t n2 = 0;
  uint64_t d2 = 0;
  state_io_u8(&r, &b2);
  state_io_u16(&r, &h2);
  state_io_u32(&r, &w2);
  state_io_i32(&r, &n2);
  state_io_u64(&r, &d2);
  state_io_u32_array(&r, words2, 2);
  EXPECT_EQ(r.error, 0u);
  EXPECT_EQ(r.read_pos, bytes.size());
  EXPECT_EQ(b2, b);
  EXPECT_EQ(h2, h);
  EXPECT_EQ(w2, w);
  EXPECT_EQ(n2, n);
  EXPECT_EQ(d2, d);
  EXPECT_EQ(std::memcmp(words2, words, sizeof words), 0);
}

TEST(StateStream, AWritingStreamGrowsByDoublingFrom256KiB) {
  state_stream s;
  state_stream_init_writer(&s, 0);
  std::vector<uint8_t> block(300000, 7);
  state_io_bytes(&s, block.data(), 1);
  EXPECT_EQ(s.capacity, 262144u);
  state_io_bytes(&s, block.data(), block.size());
  EXPECT_EQ(s.capacity, 524288u);
  state_io_bytes(&s, block.data(), block.size());
  state_io_bytes(&s, block.data(), block.size());
  state_io_bytes(&s, block.data(), block.size());
  EXPECT_EQ(s.capacity, 2097152u);
  EXPECT_EQ(s.size, 1200001u);
  EXPECT_EQ(s.error, 0u);
  std::free(s.data);
}

TEST(StateStream, AReadPastTheEndSticksAndEveryLaterReadGivesZero) {
  const uint8_t bytes[6] = {1, 2, 3, 4, 5, 6};
  state_stream r;
  state_stream_init_reader(&r, bytes, sizeof bytes, 0);
  uint32_t a = 0, b = 99, c = 99;
  uint8_t tail[2] = {9, 9};
  state_io_u32(&r, &a);
  state_io_u32(&r, &b);  // only 2 bytes left
  EXPECT_EQ(r.error, (uint32_t)STATE_OVERRUN);
  state_io_u8(&r, (uint8_t*)&c);
  state_io_bytes(&r, tail, 2);  // these two bytes exist, but the error sticks
  EXPECT_EQ(a, 0x04030201u);
  EXPECT_EQ(b, 0u);
  EXPECT_EQ(c & 0xFF, 0u);
  EXPECT_EQ(tail[0], 0);
  EXPECT_EQ(tail[1], 0);
  EXPECT_EQ(r.read_pos, 4u);
}

TEST(StateStream, ChunkFramingChecksTagAndLength) {
  state_stream s;
  state_stream_init_writer(&s, 64);
  uint32_t v = 5;
  state_chunk_begin(&s, "ABCD");
  state_io_u32(&s, &v);
  state_io_u32(&s, &v);
  state_chunk_end(&s);
  const std::vector<uint8_t> chunk = written(s);
  ASSERT_EQ(chunk.size(), 16u);
  EXPECT_EQ(std::memcmp(chunk.data(), "ABCD\x08\0\0\0", 8), 0);

  const struct {
    const char* label;
    const char* tag;
    int words;  // payload words the reader visits
    uint32_t error;
  } cases[] = {
      {"matching", "ABCD", 2, STATE_OK},
      {"other tag", "ABCE", 2, STATE_MISMATCH},
      {"payload shorter than claimed", "ABCD", 1, STATE_MISMATCH},
      {"payload past the end", "ABCD", 3, STATE_OVERRUN},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    state_stream r;
    state_stream_init_reader(&r, chunk.data(), chunk.size(), 0);
    state_chunk_begin(&r, c.tag);
    uint32_t w = 0;
    for (int i = 0; i < c.words; i++) state_io_u32(&r, &w);
    state_chunk_end(&r);
    EXPECT_EQ(r.error, c.error);
  }

  // A chunk begun after an earlier failure is a mismatch whatever its tag.
  state_stream r;
  state_stream_init_reader(&r, chunk.data(), 2, 0);
  state_io_u32(&r, &v);
  state_chunk_begin(&r, "ABCD");
  EXPECT_EQ(r.error, (uint32_t)STATE_MISMATCH);
}

TEST(StateStream, AWriteAfterAnErrorAddsNothing) {
  state_stream s;
  state_stream_init_writer(&s, 16);
  uint32_t v = 1;
  state_io_u32(&s, &v);
  s.error = STATE_OVERRUN;  // as after a failed growth
  state_chunk_begin(&s, "ABCD");
  state_io_u32(&s, &v);
  state_chunk_end(&s);
  EXPECT_EQ(s.size, 4u);
  std::free(s.data);
}
