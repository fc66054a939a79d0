// The loader's check of the translated RAM image that the translated-code module describes:
// this binary links a scripted module in place of the stub, so the accepted and refused images
// and the page counts that a reset derives from an accepted one can be seen.
#include <gtest/gtest.h>

#include <string>

#include "board/machine.h"
#include "cpu/xlate.h"
#include "test_romset.h"

namespace {

struct image_info {
  uint32_t base, length, offset;
};
image_info scripted_image;

}  // namespace

void xlate_init() {}
void xlate_image_info(uint32_t* base, uint32_t* length, uint32_t* rom_offset) {
  *base = scripted_image.base;
  *length = scripted_image.length;
  *rom_offset = scripted_image.offset;
}
int32_t xlate_lookup(sh2_state*, uint32_t) {
  return XLATE_NO_BLOCK;
}
uint32_t xlate_module_id() {
  return 0;
}

TEST(XlateImage, TheLoaderKeepsOnlyAnImageThatLiesInsideRamAndTheProgram) {
  const struct {
    const char* label;
    image_info image;
    uint32_t kept_length;
  } cases[] = {
      {"whole first MiB", {0x06000000, 0x100000, 0}, 0x100000},
      {"a page at an offset", {0x06000000, 0x1000, 0x8000}, 0x1000},
      {"other base", {0x06001000, 0x1000, 0}, 0},
      {"longer than RAM", {0x06000000, 0x100004, 0}, 0},
      {"past the program's end", {0x06000000, 0x1000, 0xFF004}, 0},
      {"offset that wraps round", {0x06000000, 0x10, 0xFFFFFFF8}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    scripted_image = c.image;
    std::string error;
    loaded_machine m =
        test_romset_load(test_romset_program_members("cartridge"), "xlate.zip", &error);
    ASSERT_TRUE(m) << error;
    EXPECT_EQ(m->xlate_length, c.kept_length);
    EXPECT_EQ(m->xlate_offset, c.kept_length ? c.image.offset : 0);
  }
}

TEST(XlateImage, AResetCountsTheNonZeroProgramWordsOfEachImagePage) {
  scripted_image = {0x06000000, 0x2000, 0};
  std::string error;
  loaded_machine m =
      test_romset_load(test_romset_program_members("cartridge"), "xlate.zip", &error);
  ASSERT_TRUE(m) << error;
  for (uint32_t page = 0; page < 2; page++) {
    uint32_t nonzero = 0;
    for (uint32_t w = 0; w < 1024; w++) nonzero += m->program_rom[page * 1024 + w] != 0;
    EXPECT_EQ(m->page_change_counts[page], nonzero);
  }
  EXPECT_GT(m->page_change_counts[0], 0u);
  EXPECT_EQ(m->page_change_counts[2], 0u);
}
