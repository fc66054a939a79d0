// The synthetic "cobaltin" ROM set for tests, the frontend's tests and anyone who wants to see
// the board run without the game: all 24 members of the set table with their exact sizes and
// CRC-32s, holding an SH-2 test program of this project (not the game), synthetic tiles, wave
// data and a known EEPROM pattern. Each member's last 4 bytes are chosen to give its CRC-32.
// Used in-process by tests and by tools/make_test_romset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct test_rom_member {
  std::string name;           // path inside the archive
  std::vector<uint8_t> data;  // contents
};
typedef std::vector<test_rom_member> test_rom_members;

// Ways to spoil or rearrange a good set, for the check's and the loader's tests.
enum test_romset_variant {
  TEST_ROMSET_SUBFOLDER,   // every member moved into the folder "cobaltin/"
  TEST_ROMSET_UPPER_CASE,  // every name in upper case
  TEST_ROMSET_DUPLICATE,   // a damaged second copy of `name` added after all members
  TEST_ROMSET_WRONG_SIZE,  // `name` one byte short
  TEST_ROMSET_WRONG_CRC,   // one byte of `name` flipped, size kept
  TEST_ROMSET_MISSING,     // `name` left out
};

// Largest program image: the program members' last 4 bytes each hold the CRC fix.
enum { TEST_ROMSET_PROGRAM_MAX = 1048576 - 8 };

// Builds the 24 members in table order around the program image (big-endian bytes as the
// SH-2 fetches them, placed at address 0). 0 with a message when the image is too large.
int test_romset_members(const uint8_t* program, size_t program_size, test_rom_members* out,
                        std::string* error);

// Applies a variant; `name` names the member for the variants that take one. 0 when the member
// is not in the list.
int test_romset_vary(test_rom_members* members, test_romset_variant variant, const char* name);

// Writes the members to a new zip at `path` in list order (stored, or deflated at level 1
// when `deflate` is 1). 0 with a message on failure; no file is left behind then.
int test_romset_write_zip(const char* path, const test_rom_members& members, int deflate,
                          std::string* error);

// Sets the last 4 bytes of data[0..size) so that its CRC-32 becomes `crc` (size >= 4).
void test_romset_force_crc(uint8_t* data, size_t size, uint32_t crc);

// A folder for the archives of one test binary, created on first use and removed with its
// files when the process exits. Returns dir/<file>.
std::string test_romset_temp_path(const char* file);

// A machine record loaded from a synthetic set, unloaded and freed together.
struct machine;
struct loaded_machine_deleter {
  void operator()(machine* m) const;  // machine_unload, then free
};
typedef std::unique_ptr<machine, loaded_machine_deleter> loaded_machine;

// Writes the members as the temporary archive `file` (test_romset_temp_path) and loads it
// into a new zero-filled record; null (with the load's message in *error) on failure.
loaded_machine test_romset_load(const test_rom_members& members, const char* file,
                                std::string* error);

// The 24 members around the program `name` embedded in this binary (sh2_program_find), built
// on first use and kept for the process. Aborts when there is no such program.
const test_rom_members& test_romset_program_members(const char* name);
