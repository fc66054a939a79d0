// Writes 8-bit RGB pictures as PNG files in the smallest valid layout: signature, IHDR, one
// IDAT holding the whole zlib stream, IEND. Used for screenshots; what to capture and how to
// name the file is the caller's business.
#pragma once

#include <cstddef>
#include <cstdint>

// pixels: width * height * 3 bytes, rows top to bottom, red, green, blue per pixel, no row
// padding. The file appears under path only when complete. 1 when written, 0 on bad sizes,
// out of memory, a compression error or a failed write.
int png_write_rgb(const char* path, const uint8_t* pixels, int32_t width, int32_t height);

// png_write_rgb, with why it failed in msg (may be null): "bad picture size", "out of memory",
// "compression failed", or what the atomic write says ("PATH is not a file (a device)").
int png_write_rgb_msg(const char* path, const uint8_t* pixels, int32_t width, int32_t height,
                      char* msg, size_t msg_size);
