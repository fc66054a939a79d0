// The PNG writer: files decode with libpng to the exact input pixels, and the chunk layout,
// sizes, checksums and filter bytes are the fixed ones.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "frontend/file_util.h"
#include "frontend/png_writer.h"
#include "png_read.h"
#include "scratch_dir.h"
#include "write_limit.h"

namespace {

std::vector<uint8_t> random_pixels(int width, int height, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> pixels((size_t)width * height * 3);
  for (uint8_t& p : pixels) p = (uint8_t)rng();
  return pixels;
}

uint32_t be32(const std::string& s, size_t at) {
  return (uint32_t)(uint8_t)s[at] << 24 | (uint32_t)(uint8_t)s[at + 1] << 16 |
         (uint32_t)(uint8_t)s[at + 2] << 8 | (uint8_t)s[at + 3];
}

struct png_chunk {
  std::string type;
  std::string data;
  bool crc_ok;
};

// Walks the chunks after the signature; stops at the end or at a chunk that does not fit.
std::vector<png_chunk> walk_chunks(const std::string& file) {
  std::vector<png_chunk> chunks;
  size_t at = 8;
  while (at + 12 <= file.size()) {
    uint32_t length = be32(file, at);
    if (at + 12 + length > file.size()) break;
    png_chunk chunk;
    chunk.type = file.substr(at + 4, 4);
    chunk.data = file.substr(at + 8, length);
    uLong crc = crc32(0L, (const Bytef*)file.data() + at + 4, length + 4);
    chunk.crc_ok = crc == be32(file, at + 8 + length);
    chunks.push_back(chunk);
    at += 12 + length;
  }
  return chunks;
}

}  // namespace

TEST(PngWriter, FilesDecodeToTheInputPixels) {
  const int sizes[][2] = {{1, 1}, {320, 224}, {224, 320}};
  for (const auto& size : sizes) {
    const int width = size[0], height = size[1];
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    scratch_dir dir;
    const std::string path = dir.at("shot.png");
    const std::vector<uint8_t> pixels = random_pixels(width, height, (unsigned)(width * height));
    ASSERT_EQ(png_write_rgb(path.c_str(), pixels.data(), width, height), 1);

    uint32_t decoded_w = 0, decoded_h = 0;
    std::vector<uint8_t> decoded;
    ASSERT_TRUE(png_read_rgb(path, &decoded_w, &decoded_h, &decoded));
    EXPECT_EQ(decoded_w, (uint32_t)width);
    EXPECT_EQ(decoded_h, (uint32_t)height);
    EXPECT_TRUE(decoded == pixels);
    EXPECT_FALSE(exists_at_all(path + ".tmp"));
  }
}

TEST(PngWriter, WritesSignatureIhdrOneIdatAndIend) {
  const int sizes[][2] = {{1, 1}, {320, 224}};
  for (const auto& size : sizes) {
    const int width = size[0], height = size[1];
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    scratch_dir dir;
    const std::string path = dir.at("shot.png");
    const std::vector<uint8_t> pixels = random_pixels(width, height, 7);
    ASSERT_EQ(png_write_rgb(path.c_str(), pixels.data(), width, height), 1);
    const std::string file = read_text(path);

    EXPECT_EQ(file.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    const std::vector<png_chunk> chunks = walk_chunks(file);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(chunks[1].type, "IDAT");
    EXPECT_EQ(chunks[2].type, "IEND");
    for (const png_chunk& c : chunks) EXPECT_TRUE(c.crc_ok) << c.type;

    const std::string& ihdr = chunks[0].data;
    ASSERT_EQ(ihdr.size(), 13u);
    EXPECT_EQ(be32(ihdr, 0), (uint32_t)width);
    EXPECT_EQ(be32(ihdr, 4), (uint32_t)height);
    EXPECT_EQ(ihdr.substr(8), std::string("\x08\x02\x00\x00\x00", 5));  // 8-bit RGB, plain

    const std::string& idat = chunks[1].data;
    EXPECT_EQ(file.size(), 57 + idat.size());
    EXPECT_EQ(chunks[2].data.size(), 0u);
    EXPECT_EQ(file.substr(file.size() - 4), "\xAE\x42\x60\x82");

    // The zlib header's level field is 2 only for level 6 (1 for levels 2-5, 3 for 7-9).
    ASSERT_GE(idat.size(), 2u);
    EXPECT_EQ(idat.substr(0, 2), "\x78\x9C");

    // The zlib stream holds every row behind filter byte 0.
    const size_t row = 1 + 3 * (size_t)width;
    std::vector<uint8_t> raw(row * height + 1);
    uLongf raw_size = raw.size();
    ASSERT_EQ(uncompress(raw.data(), &raw_size, (const Bytef*)idat.data(), idat.size()), Z_OK);
    ASSERT_EQ(raw_size, row * height);
    for (int y = 0; y < height; y++) {
      ASSERT_EQ(raw[row * y], 0) << "row " << y;
      ASSERT_TRUE(std::equal(pixels.begin() + (row - 1) * y, pixels.begin() + (row - 1) * (y + 1),
                             raw.begin() + row * y + 1))
          << "row " << y;
    }
  }
}

TEST(PngWriter, AFailedWriteOrBadSizeLeavesNoFile) {
  scratch_dir dir;
  const std::vector<uint8_t> pixels = random_pixels(4, 4, 1);
  EXPECT_EQ(png_write_rgb(dir.at("missing/shot.png").c_str(), pixels.data(), 4, 4), 0);

  const std::string full = dir.at("full.png");
  {
    write_limit disk_full(16);
    EXPECT_EQ(png_write_rgb(full.c_str(), pixels.data(), 4, 4), 0);
  }
  EXPECT_FALSE(exists_at_all(full));

  // A device named as the file (as root, a link to one) is refused and stays a device.
  const std::string device = dir.at("device"), link = dir.at("link.png");
  ASSERT_EQ(mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
  ASSERT_EQ(symlink(device.c_str(), link.c_str()), 0);
  char message[FILE_MESSAGE_MAX] = "";
  EXPECT_EQ(png_write_rgb_msg(link.c_str(), pixels.data(), 4, 4, message, sizeof message), 0);
  EXPECT_EQ(message, link + " is not a file (a character device)");
  struct stat st;
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(stat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
  EXPECT_EQ(png_write_rgb_msg(link.c_str(), pixels.data(), 0, 4, message, sizeof message), 0);
  EXPECT_STREQ(message, "bad picture size");

  const std::string bad = dir.at("bad.png");
  EXPECT_EQ(png_write_rgb(bad.c_str(), pixels.data(), 0, 4), 0);
  EXPECT_EQ(png_write_rgb(bad.c_str(), pixels.data(), 4, -1), 0);
  EXPECT_EQ(png_write_rgb(bad.c_str(), nullptr, 4, 4), 0);
  EXPECT_FALSE(exists_at_all(bad));
}
