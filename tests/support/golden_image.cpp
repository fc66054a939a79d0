// Golden pictures of the test surface: hash, PNG and the re-pin switch.
#include "golden_image.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <vector>

#include "frontend/png_writer.h"
#include "frontend_fixture.h"
#include "picture_diff.h"
#include "png_read.h"

namespace {

std::map<std::string, std::string> read_hashes(const std::string& dir) {
  std::map<std::string, std::string> hashes;
  std::ifstream in(dir + "/hashes.txt");
  std::string name, hash;
  while (in >> name >> hash) hashes[name] = hash;
  return hashes;
}

// The surface as RGB bytes.
std::vector<uint8_t> surface_rgb() {
  std::vector<uint8_t> rgb;
  rgb.reserve(1280 * 760 * 3);
  for (int y = 0; y < 760; y++) {
    for (int x = 0; x < 1280; x++) {
      const uint32_t p = frontend_test_pixel(x, y);
      rgb.push_back(uint8_t(p >> 16));
      rgb.push_back(uint8_t(p >> 8));
      rgb.push_back(uint8_t(p));
    }
  }
  return rgb;
}

std::string fnv1a64(const std::vector<uint8_t>& bytes) {
  uint64_t h = 1469598103934665603ull;
  for (uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
  char text[17];
  snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
  return text;
}

}  // namespace

// On OpenGL the picture is held to the pinned PNG with a tolerance: the rasteriser may round a
// blend, a filtered edge or a glyph's coverage a little differently from the software renderer,
// in a few hundred pixels at most; text drawn from a wrong texture, or anything else out of
// place, differs in thousands.
static const long OPENGL_TOLERANCE = 24;
static const long OPENGL_ALLOWED_PIXELS = 1280 * 760 / 5000;

static void check_against_png(const std::string& png, const std::string& name,
                              const std::vector<uint8_t>& rgb,
                              const std::vector<picture_mask>& masks) {
  std::vector<uint8_t> picture;
  uint32_t width = 0, height = 0;
  ASSERT_TRUE(png_read_rgb(png, &width, &height, &picture)) << png;
  ASSERT_EQ(picture.size(), rgb.size()) << png;
  const picture_diff diff =
      picture_compare(rgb.data(), picture.data(), 1280, 760, OPENGL_TOLERANCE, masks);
  if (diff.differing <= OPENGL_ALLOWED_PIXELS) return;
  // What the renderer drew and where it differs, to look at.
  mkdir("opengl-artifacts", 0755);
  const std::string drawn = "opengl-artifacts/" + name + ".png";
  const std::string marked = "opengl-artifacts/" + name + "-diff.png";
  png_write_rgb(drawn.c_str(), rgb.data(), 1280, 760);
  picture_write_diff(marked.c_str(), picture.data(), 1280, 760, diff);
  ADD_FAILURE() << name << " on OpenGL: " << diff.differing << " pixels differ by more than "
                << OPENGL_TOLERANCE << " (largest " << diff.largest << "), the first at ("
                << diff.first_x << ", " << diff.first_y << "); see " << drawn << " and " << marked;
}

void check_golden_surface(const std::string& dir, const std::string& name,
                          const std::vector<picture_mask>& opengl_masks) {
  const std::vector<uint8_t> rgb = surface_rgb();
  const std::string png = dir + "/" + name + ".png";
  const std::string hash = fnv1a64(rgb);
  const char* repin = std::getenv("CB_REPIN_GOLDEN");
  if (repin && *repin) {
    ASSERT_EQ(png_write_rgb(png.c_str(), rgb.data(), 1280, 760), 1) << png;
    std::map<std::string, std::string> hashes = read_hashes(dir);
    hashes[name] = hash;
    std::ofstream out(dir + "/hashes.txt");
    for (const auto& [n, h] : hashes) out << n << " " << h << "\n";
    std::printf("re-pinned %s %s\n", name.c_str(), hash.c_str());
    return;
  }
  if (frontend_test_on_opengl()) {
    check_against_png(png, name, rgb, opengl_masks);
    return;
  }
  const std::map<std::string, std::string> hashes = read_hashes(dir);
  const auto pinned = hashes.find(name);
  ASSERT_NE(pinned, hashes.end()) << name << " is not pinned (CB_REPIN_GOLDEN=1 pins it)";
  EXPECT_EQ(hash, pinned->second) << name << " changed";
  std::vector<uint8_t> picture;
  uint32_t width = 0, height = 0;
  ASSERT_TRUE(png_read_rgb(png, &width, &height, &picture)) << png;
  EXPECT_TRUE(picture == rgb) << png << " is stale";
}
