// The checked-in font data is what tools/make_font_atlas makes from the system's DejaVu Sans:
// regenerated here and compared byte for byte. Skipped when FreeType (and so the tool) or the
// font is missing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "scratch_dir.h"

namespace {

std::string whole_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace

TEST(MakeFontAtlas, RegeneratesTheCheckedInFontDataByteForByte) {
#ifndef MAKE_FONT_ATLAS
  GTEST_SKIP() << "built without FreeType";
#else
  const std::string font = CB_FONT_FILE;
  if (!std::ifstream(font).good()) GTEST_SKIP() << font << " is not installed";
  scratch_dir dir;
  const std::string out = dir.at("font_atlas_data.cpp");
  const std::string command =
      std::string(MAKE_FONT_ATLAS) + " '" + font + "' '" + out + "' >/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string made = whole_file(out), checked_in = whole_file(CB_FONT_DATA);
  ASSERT_FALSE(checked_in.empty());
  EXPECT_TRUE(made == checked_in)
      << "ui/font_atlas_data.cpp differs from what make_font_atlas makes now; regenerate it "
         "with: make_font_atlas "
      << font << " ui/font_atlas_data.cpp";
#endif
}
