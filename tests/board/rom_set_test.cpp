// The ROM set check against archives built from the synthetic set: which archives pass, and
// the exact message for every way an archive can fail.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "board/rom_set.h"
#include "sh2_program.h"
#include "test_romset.h"

namespace {

const test_rom_members& good_members() {
  return test_romset_program_members("cartridge");
}

std::string write_zip(const char* file, const test_rom_members& members) {
  const std::string path = test_romset_temp_path(file);
  std::string error;
  EXPECT_TRUE(test_romset_write_zip(path.c_str(), members, 0, &error)) << error;
  return path;
}

test_rom_members varied(test_romset_variant variant, const char* name = nullptr) {
  test_rom_members m = good_members();
  EXPECT_TRUE(test_romset_vary(&m, variant, name));
  return m;
}

// The good set with member `from` stored under the name `to`.
test_rom_members renamed(const char* from, const char* to) {
  test_rom_members m = good_members();
  for (test_rom_member& member : m)
    if (member.name == from) member.name = to;
  return m;
}

struct verify_case {
  const char* label;
  test_rom_members members;
  int result;
  const char* message;  // expected text; for a pass the buffer must stay as it was
};

}  // namespace

TEST(RomSetVerify, EachArchiveGivesItsResultAndExactMessage) {
  test_rom_members bad_copy_first = varied(TEST_ROMSET_DUPLICATE, "1l.u4");
  std::swap(bad_copy_first[2], bad_copy_first.back());
  test_rom_members missing_and_short = varied(TEST_ROMSET_MISSING, "snd0.u52");
  ASSERT_TRUE(test_romset_vary(&missing_and_short, TEST_ROMSET_WRONG_SIZE, "1l.u4"));
  test_rom_members everything_wrong = good_members();
  for (int i = 0; i < ROM_SET_ENTRIES; i++)
    ASSERT_TRUE(test_romset_vary(&everything_wrong, TEST_ROMSET_WRONG_CRC, rom_set_table[i].name));

  const verify_case cases[] = {
      {"good", good_members(), 1, nullptr},
      {"subfolder", varied(TEST_ROMSET_SUBFOLDER), 1, nullptr},
      {"upper_case", varied(TEST_ROMSET_UPPER_CASE), 1, nullptr},
      {"damaged_copy_after", varied(TEST_ROMSET_DUPLICATE, "1l.u4"), 1, nullptr},
      {"two_folders_deep", renamed("1l.u4", "sets/cobaltin/1l.u4"), 1, nullptr},
      // The base name must be the whole name, not contain it or be contained in it.
      {"prefixed_name", renamed("1l.u4", "x1l.u4"), 0,
       "Not the standard 'cobaltin' set. Missing: 1l.u4"},
      {"suffixed_name", renamed("1l.u4", "1l.u4.bak"), 0,
       "Not the standard 'cobaltin' set. Missing: 1l.u4"},
      {"shortened_name", renamed("1l.u4", "1l.u"), 0,
       "Not the standard 'cobaltin' set. Missing: 1l.u4"},
      {"name_as_folder", renamed("1l.u4", "1l.u4/data"), 0,
       "Not the standard 'cobaltin' set. Missing: 1l.u4"},
      {"damaged_copy_first", bad_copy_first, 0,
       "Not the standard 'cobaltin' set. Wrong size/CRC: 1l.u4"},
      {"missing_and_short", missing_and_short, 0,
       "Not the standard 'cobaltin' set. Missing: snd0.u52 Wrong size/CRC: 1l.u4"},
      {"wrong_crc", varied(TEST_ROMSET_WRONG_CRC, "eeprom-cobaltin.u44"), 0,
       "Not the standard 'cobaltin' set. Wrong size/CRC: eeprom-cobaltin.u44"},
      {"all_wrong", everything_wrong, 0,
       "Not the standard 'cobaltin' set. Wrong size/CRC: 2prog_h.u21 1prog_l.u22 1l.u4 1h.u12 "
       "2l.u5 2h.u13 3l.u6 3h.u14 4l.u7 4h.u15 5l.u8 5h.u16 6l.u1 6h.u2 7l.u19 7h.u20 8l.u28 "
       "8h.u29 9l.u41 9h.u42 10l.u58 10h.u59 snd0.u52 eeprom-cobaltin.u44"},
  };
  for (const verify_case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string path = write_zip((std::string(c.label) + ".zip").c_str(), c.members);
    char message[512] = "untouched";
    EXPECT_EQ(rom_set_verify(path.c_str(), message, sizeof message), c.result);
    EXPECT_STREQ(message, c.message ? c.message : "untouched");
  }
}

TEST(RomSetVerify, AnArchiveWithNoneOfTheMembersListsAll24InTableOrder) {
  const std::string path = write_zip("none.zip", {{"readme.txt", {'h', 'i'}}});
  char message[512];
  ASSERT_EQ(rom_set_verify(path.c_str(), message, sizeof message), 0);
  std::string expected = "Not the standard 'cobaltin' set. Missing:";
  for (const rom_entry& row : rom_set_table) expected += std::string(" ") + row.name;
  EXPECT_EQ(std::strlen(message), 229u);
  EXPECT_EQ(message, expected);
}

TEST(RomSetVerify, PathsThatAreNoZipArchiveAreNamedInTheMessageWithTheReason) {
  const std::string text = test_romset_temp_path("notes.zip");
  FILE* f = std::fopen(text.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs("not an archive\n", f);
  std::fclose(f);
  const std::string absent = test_romset_temp_path("absent.zip");
  const std::string folder = test_romset_temp_path("folder.zip");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  // Opening a FIFO for reading would wait for a writer that never comes: the check must not.
  const std::string fifo = test_romset_temp_path("fifo.zip");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  const std::string dangling = test_romset_temp_path("dangling.zip");
  ASSERT_EQ(symlink(absent.c_str(), dangling.c_str()), 0);
  const struct {
    const char* path;
    const char* reason;
  } cases[] = {
      {text.c_str(), "Not a zip archive."},
      {absent.c_str(), "No such file or directory."},
      {folder.c_str(), "It is a folder."},
      {fifo.c_str(), "It is a FIFO."},
      {dangling.c_str(), "It is a link to a missing file."},
      {"", "No file was named."},
      {nullptr, "No file was named."},
  };
  for (const auto& c : cases) {
    char message[512] = "";
    EXPECT_EQ(rom_set_verify(c.path, message, sizeof message), 0);
    EXPECT_EQ(message, "Cannot open \"" + std::string(c.path ? c.path : "") +
                           "\" as a zip archive. " + c.reason);
  }
}

TEST(RomSetVerify, AnArchiveOfMoreThan4096EntriesIsRefusedAtOnce) {
  test_rom_members many;
  for (int i = 0; i < 4097; i++) many.push_back({"f" + std::to_string(i), {1}});
  char message[512] = "";
  EXPECT_EQ(rom_set_verify(write_zip("many.zip", many).c_str(), message, sizeof message), 0);
  EXPECT_STREQ(message,
               "Not the standard 'cobaltin' set. The archive holds 4097 entries, far more than "
               "the set's 24.");
  many.pop_back();  // 4,096 are still looked through
  EXPECT_EQ(rom_set_verify(write_zip("many.zip", many).c_str(), message, sizeof message), 0);
  EXPECT_EQ(std::strncmp(message, "Not the standard 'cobaltin' set. Missing: 2prog_h.u21", 53), 0)
      << message;
}

TEST(RomSetVerify, AnotherGamesProgramMemberIsNamedOnlyWhenNoSetMemberIsPresent) {
  const other_set_hint hints[] = {{"unrelated.u1", "Nobody's Game"},
                                  {"otherprog.u21", "Invented Fighter"}};
  char message[512];
  const std::string other = write_zip("other.zip", {{"sets/OTHERPROG.U21", {1, 2, 3}}});
  EXPECT_EQ(rom_set_verify_hints(other.c_str(), hints, 2, message, sizeof message), 0);
  EXPECT_STREQ(message,
               "This looks like Invented Fighter, not Cobaltine. Select the standard 'cobaltin' "
               "set.");

  // Without the table the same archive is just an incomplete set.
  EXPECT_EQ(rom_set_verify(other.c_str(), message, sizeof message), 0);
  EXPECT_EQ(std::strncmp(message, "Not the standard 'cobaltin' set. Missing: 2prog_h.u21", 53), 0);

  test_rom_members mixed = {{"otherprog.u21", {1}}, good_members()[23]};
  const std::string with_member = write_zip("mixed.zip", mixed);
  EXPECT_EQ(rom_set_verify_hints(with_member.c_str(), hints, 2, message, sizeof message), 0);
  EXPECT_EQ(std::strncmp(message, "Not the standard 'cobaltin' set. Missing:", 41), 0);
}

TEST(RomSetVerify, ALongMessageIsCutToTheBufferAndTerminated) {
  const std::string path = write_zip("none_cut.zip", {{"readme.txt", {'h', 'i'}}});
  char message[16];
  std::memset(message, 'x', sizeof message);
  EXPECT_EQ(rom_set_verify(path.c_str(), message, 10), 0);
  EXPECT_STREQ(message, "Not the s");
  EXPECT_EQ(message[10], 'x');
  EXPECT_EQ(rom_set_verify(path.c_str(), nullptr, 0), 0);
}
