// Comparing two RGB pictures of one size with a tolerance: a pixel differs when one of its
// channels differs by more than the tolerance; masked rectangles are not compared. Header only;
// the window scripts' picture_check and the golden pictures on the OpenGL renderer both use it,
// and a picture of the differences can be written with libpng (PNG::PNG).
#pragma once

#include <png.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

struct picture_mask {
  long x, y, w, h;
};

struct picture_diff {
  std::vector<uint8_t> state;  // per pixel: 0 same, 1 masked, 2 different
  long differing = 0;          // pixels beyond the tolerance
  long largest = 0;            // largest channel difference outside the masks
  long first_x = -1, first_y = -1;
};

inline bool picture_masked(const std::vector<picture_mask>& masks, long x, long y) {
  for (const picture_mask& m : masks) {
    if (x >= m.x && x < m.x + m.w && y >= m.y && y < m.y + m.h) return true;
  }
  return false;
}

// Compares `actual` with `reference`, both width x height RGB bytes.
inline picture_diff picture_compare(const uint8_t* actual, const uint8_t* reference, long width,
                                    long height, long tolerance,
                                    const std::vector<picture_mask>& masks) {
  picture_diff diff;
  diff.state.assign(size_t(width) * size_t(height), 0);
  for (long y = 0; y < height; y++) {
    for (long x = 0; x < width; x++) {
      const size_t i = size_t(y) * size_t(width) + size_t(x);
      if (picture_masked(masks, x, y)) {
        diff.state[i] = 1;
        continue;
      }
      long worst = 0;
      for (int c = 0; c < 3; c++) {
        const long d = labs(long(actual[3 * i + c]) - long(reference[3 * i + c]));
        if (d > worst) worst = d;
      }
      if (worst > diff.largest) diff.largest = worst;
      if (worst <= tolerance) continue;
      diff.state[i] = 2;
      if (diff.differing++ == 0) diff.first_x = x, diff.first_y = y;
    }
  }
  return diff;
}

// The differences as a picture: differing pixels red, masked ones dark blue, the rest the
// reference dimmed to a quarter. 1 when written.
inline int picture_write_diff(const char* path, const uint8_t* reference, long width, long height,
                              const picture_diff& diff) {
  std::vector<uint8_t> out(diff.state.size() * 3);
  for (size_t i = 0; i < diff.state.size(); i++) {
    uint8_t* p = &out[3 * i];
    const uint8_t* r = &reference[3 * i];
    if (diff.state[i] == 2) {
      p[0] = 255, p[1] = 0, p[2] = 0;
    } else if (diff.state[i] == 1) {
      p[0] = 0, p[1] = 0, p[2] = 96;
    } else {
      p[0] = r[0] / 4, p[1] = r[1] / 4, p[2] = r[2] / 4;
    }
  }
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  image.width = uint32_t(width);
  image.height = uint32_t(height);
  image.format = PNG_FORMAT_RGB;
  return png_image_write_to_file(&image, path, 0, out.data(), 0, nullptr) ? 1 : 0;
}
