// make_test_romset OUT.zip [options]: writes the synthetic "cobaltin" ROM set with the test
// cartridge in its program members (a test program of this project, not the game). Options
// make the variants that the ROM check's tests need. The builder itself is
// tests/support/test_romset.cpp.
#include <cstdio>
#include <cstring>
#include <string>

#include "sh2_program.h"
#include "test_romset.h"

static const char usage[] =
    "usage: make_test_romset OUT.zip [--deflate] [--subfolder] [--upper-case]\n"
    "                        [--duplicate NAME] [--wrong-size NAME] [--wrong-crc NAME]\n"
    "                        [--missing NAME]\n"
    "Writes a ROM set of the 24 'cobaltin' members, each of the right size and CRC-32, holding\n"
    "a test program (not the game).\n";

int main(int argc, char** argv) {
  static const struct {
    const char* option;
    test_romset_variant variant;
    int takes_name;
  } options[] = {
      {"--subfolder", TEST_ROMSET_SUBFOLDER, 0}, {"--upper-case", TEST_ROMSET_UPPER_CASE, 0},
      {"--duplicate", TEST_ROMSET_DUPLICATE, 1}, {"--wrong-size", TEST_ROMSET_WRONG_SIZE, 1},
      {"--wrong-crc", TEST_ROMSET_WRONG_CRC, 1}, {"--missing", TEST_ROMSET_MISSING, 1},
  };
  if (argc < 2 || argv[1][0] == '-') {
    std::fputs(usage, stderr);
    return 2;
  }
  const sh2_program* cartridge = sh2_program_find("cartridge");
  test_rom_members members;
  std::string error;
  if (!cartridge || !test_romset_members(cartridge->data, cartridge->size, &members, &error)) {
    std::fprintf(stderr, "make_test_romset: %s\n", cartridge ? error.c_str() : "no cartridge");
    return 1;
  }
  int deflate = 0;
  for (int i = 2; i < argc; i++) {
    if (std::strcmp(argv[i], "--deflate") == 0) {
      deflate = 1;
      continue;
    }
    int known = 0;
    for (const auto& o : options) {
      if (std::strcmp(argv[i], o.option) != 0) continue;
      known = 1;
      const char* name = nullptr;
      if (o.takes_name) {
        if (i + 1 >= argc) {
          std::fprintf(stderr, "make_test_romset: %s needs a member name\n", o.option);
          return 2;
        }
        name = argv[++i];
      }
      if (!test_romset_vary(&members, o.variant, name)) {
        std::fprintf(stderr, "make_test_romset: no member \"%s\"\n", name);
        return 2;
      }
    }
    if (!known) {
      std::fputs(usage, stderr);
      return 2;
    }
  }
  if (!test_romset_write_zip(argv[1], members, deflate, &error)) {
    std::fprintf(stderr, "make_test_romset: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
