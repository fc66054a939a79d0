// PNG assembly: every row gets filter byte 0 (None), the image is deflated in one go at level
// 6, and the file is built in one buffer and written atomically. Nothing is logged here.
#include "frontend/png_writer.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frontend/file_util.h"

static const uint8_t PNG_SIGNATURE[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
static const size_t PNG_OVERHEAD = 57;  // signature, IHDR, the IDAT frame and IEND

static void png_put32(uint8_t* out, uint32_t value) {
  out[0] = (uint8_t)(value >> 24);
  out[1] = (uint8_t)(value >> 16);
  out[2] = (uint8_t)(value >> 8);
  out[3] = (uint8_t)value;
}

// Writes one chunk (length, type, data, CRC of type and data) at out; the data must already
// sit at out + 8. Returns the chunk's total size.
static size_t png_close_chunk(uint8_t* out, const char* type, uint32_t length) {
  png_put32(out, length);
  memcpy(out + 4, type, 4);
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, out + 4, length + 4);
  png_put32(out + 8 + length, (uint32_t)crc);
  return 12 + (size_t)length;
}

// Sets the message and gives 0.
static int png_fail(char* msg, size_t msg_size, const char* text) {
  if (msg && msg_size) snprintf(msg, msg_size, "%s", text);
  return 0;
}

int png_write_rgb_msg(const char* path, const uint8_t* pixels, int32_t width, int32_t height,
                      char* msg, size_t msg_size) {
  if (!pixels || width <= 0 || height <= 0) return png_fail(msg, msg_size, "bad picture size");
  size_t row = 1 + 3 * (size_t)width;
  size_t raw_size = row * (size_t)height;

  uint8_t* raw = (uint8_t*)malloc(raw_size);
  if (!raw) return png_fail(msg, msg_size, "out of memory");
  for (int32_t y = 0; y < height; y++) {
    raw[row * (size_t)y] = 0;
    memcpy(raw + row * (size_t)y + 1, pixels + (row - 1) * (size_t)y, row - 1);
  }

  uLongf packed_size = compressBound((uLong)raw_size);
  uint8_t* packed = (uint8_t*)malloc(packed_size);
  int packed_ok = packed && compress2(packed, &packed_size, raw, (uLong)raw_size, 6) == Z_OK;
  free(raw);
  // A chunk length is 31 bits at most.
  if (!packed_ok || packed_size > 0x7FFFFFFFu) {
    free(packed);
    return png_fail(msg, msg_size, packed ? "compression failed" : "out of memory");
  }

  uint8_t* file = (uint8_t*)malloc(packed_size + PNG_OVERHEAD);
  if (!file) {
    free(packed);
    return png_fail(msg, msg_size, "out of memory");
  }
  memcpy(file, PNG_SIGNATURE, sizeof PNG_SIGNATURE);
  size_t at = sizeof PNG_SIGNATURE;

  uint8_t* header = file + at + 8;
  png_put32(header, (uint32_t)width);
  png_put32(header + 4, (uint32_t)height);
  header[8] = 8;   // bit depth
  header[9] = 2;   // colour type: truecolour RGB
  header[10] = 0;  // compression method
  header[11] = 0;  // filter method
  header[12] = 0;  // no interlace
  at += png_close_chunk(file + at, "IHDR", 13);

  memcpy(file + at + 8, packed, packed_size);
  free(packed);
  at += png_close_chunk(file + at, "IDAT", (uint32_t)packed_size);
  at += png_close_chunk(file + at, "IEND", 0);

  int ok = write_file_atomic_msg(path, file, at, msg, msg_size);
  free(file);
  return ok;
}

int png_write_rgb(const char* path, const uint8_t* pixels, int32_t width, int32_t height) {
  return png_write_rgb_msg(path, pixels, width, height, nullptr, 0);
}
