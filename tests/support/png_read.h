// Reading a PNG back as RGB bytes in tests that check what the program wrote. Header only; a
// test that includes it links libpng (PNG::PNG).
#pragma once

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

// The file decoded as 8-bit RGB, rows top to bottom; false when libpng refuses it.
inline bool png_read_rgb(const std::string& path, uint32_t* width, uint32_t* height,
                         std::vector<uint8_t>* rgb) {
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  rgb->resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb->data(), 0, nullptr)) return false;
  *width = image.width;
  *height = image.height;
  return true;
}
