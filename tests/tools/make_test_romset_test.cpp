// The ROM set builder as a person or the frontend's tests run it: its archives pass the zip
// tools' own test and the set check, and its options give the variants.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "board/rom_set.h"

namespace {

std::string temp_dir() {
  static std::string dir;
  if (dir.empty()) {
    const char* base = std::getenv("TMPDIR");
    dir = std::string(base && *base ? base : "/tmp") + "/cb_tool_XXXXXX";
    if (!mkdtemp(dir.data())) std::abort();
  }
  return dir;
}

int run(const std::string& command) {
  return std::system(command.c_str());
}

}  // namespace

TEST(MakeTestRomset, ItsArchivesPassUnzipAndTheSetCheckOrFailItAsAsked) {
  const struct {
    const char* options;
    int verified;
    const char* message;
  } cases[] = {
      {"", 1, ""},
      {"--deflate --subfolder --upper-case", 1, ""},
      {"--duplicate snd0.u52", 1, ""},
      {"--missing 2h.u13 --wrong-crc 5l.u8", 0,
       "Not the standard 'cobaltin' set. Missing: 2h.u13 Wrong size/CRC: 5l.u8"},
      {"--wrong-size eeprom-cobaltin.u44", 0,
       "Not the standard 'cobaltin' set. Wrong size/CRC: eeprom-cobaltin.u44"},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    const std::string zip = temp_dir() + "/set" + std::to_string(n++) + ".zip";
    ASSERT_EQ(run(std::string(MAKE_TEST_ROMSET) + " " + zip + " " + c.options), 0);
    EXPECT_EQ(run("unzip -tqq " + zip + " >/dev/null"), 0);
    char message[512] = "";
    EXPECT_EQ(rom_set_verify(zip.c_str(), message, sizeof message), c.verified);
    EXPECT_STREQ(message, c.message);
  }
  EXPECT_NE(
      run(std::string(MAKE_TEST_ROMSET) + " " + temp_dir() + "/x.zip --missing nope 2>/dev/null"),
      0);
  EXPECT_NE(run(std::string(MAKE_TEST_ROMSET) + " 2>/dev/null"), 0);
  run("rm -rf " + temp_dir());
}
