// picture_check: what the window scripts ask of a captured picture. "compare" holds a capture
// to its pinned reference (same size; a pixel differs when a channel differs by more than the
// tolerance; masked rectangles are not compared; at most --allow pixels may differ) and can
// write a picture of the differences; "sprite" reports where the cartridge's player sprite, the
// only pure green thing on screen, is. Capturing, waiting and re-pinning are the scripts' part.
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "picture_diff.h"
#include "png_read.h"

namespace {

struct picture {
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> rgb;
};

int load(const char* path, picture* out) {
  if (png_read_rgb(path, &out->width, &out->height, &out->rgb)) return 1;
  fprintf(stderr, "picture_check: cannot read %s as a PNG\n", path);
  return 0;
}

int compare(int argc, char** argv) {
  if (argc < 2) return 2;
  const char* actual_path = argv[0];
  const char* reference_path = argv[1];
  std::vector<picture_mask> masks;
  long tolerance = 0, allow = 0;
  const char* diff_path = nullptr;
  for (int i = 2; i < argc; i++) {
    const char* a = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (!value) return 2;
    if (strcmp(a, "--mask") == 0) {
      picture_mask m;
      if (sscanf(value, "%ld,%ld,%ld,%ld", &m.x, &m.y, &m.w, &m.h) != 4) return 2;
      masks.push_back(m);
    } else if (strcmp(a, "--tolerance") == 0) {
      tolerance = strtol(value, nullptr, 10);
    } else if (strcmp(a, "--allow") == 0) {
      allow = strtol(value, nullptr, 10);
    } else if (strcmp(a, "--diff") == 0) {
      diff_path = value;
    } else {
      return 2;
    }
    i++;
  }

  picture actual, reference;
  if (!load(actual_path, &actual) || !load(reference_path, &reference)) return 1;
  if (actual.width != reference.width || actual.height != reference.height) {
    printf("size %ux%u, the reference is %ux%u\n", actual.width, actual.height, reference.width,
           reference.height);
    return 1;
  }
  const picture_diff diff =
      picture_compare(actual.rgb.data(), reference.rgb.data(), long(actual.width),
                      long(actual.height), tolerance, masks);
  const long differing = diff.differing;
  if (differing == 0) {
    printf("same (largest channel difference %ld)\n", diff.largest);
  } else {
    printf("%ld pixels differ by more than %ld (largest %ld), the first at (%ld, %ld)\n", differing,
           tolerance, diff.largest, diff.first_x, diff.first_y);
  }
  if (diff_path && differing > 0 &&
      !picture_write_diff(diff_path, reference.rgb.data(), long(reference.width),
                          long(reference.height), diff)) {
    fprintf(stderr, "picture_check: cannot write %s\n", diff_path);
  }
  return differing <= allow ? 0 : 1;
}

// The player sprite: pixels whose green channel is bright and at least three times red and
// blue. Prints the centre of those pixels and their count; 1 when there are none.
int sprite(int argc, char** argv) {
  if (argc != 1) return 2;
  picture p;
  if (!load(argv[0], &p)) return 1;
  double sum_x = 0, sum_y = 0;
  long count = 0;
  for (uint32_t y = 0; y < p.height; y++) {
    for (uint32_t x = 0; x < p.width; x++) {
      const uint8_t* c = &p.rgb[3 * (size_t(y) * p.width + x)];
      if (c[1] < 120 || c[0] * 3 > c[1] || c[2] * 3 > c[1]) continue;
      sum_x += x;
      sum_y += y;
      count++;
    }
  }
  if (count == 0) {
    printf("no sprite\n");
    return 1;
  }
  printf("%ld %ld %ld\n", lround(sum_x / count), lround(sum_y / count), count);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int result = 2;
  if (argc >= 2 && strcmp(argv[1], "compare") == 0) result = compare(argc - 2, argv + 2);
  if (argc >= 2 && strcmp(argv[1], "sprite") == 0) result = sprite(argc - 2, argv + 2);
  if (result == 2) {
    fputs(
        "usage: picture_check compare ACTUAL.png REFERENCE.png [--mask X,Y,W,H]... "
        "[--tolerance N] [--allow PIXELS] [--diff OUT.png]\n"
        "       picture_check sprite PICTURE.png\n",
        stderr);
  }
  return result;
}
