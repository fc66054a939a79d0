// Loading the synthetic ROM set: the images the loader builds from the members, what a failed
// load leaves behind, members whose data cannot be extracted (a flipped byte, an unknown
// compression method) and archives that change between the check and the load. That last case
// replaces or removes the archive on disk at the loader's second open: this binary links with
// --wrap=zip_open so the test can step in there.
#include <gtest/gtest.h>
#include <zip.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "board/machine.h"
#include "board/rom_set.h"
#include "cpu/bus.h"
#include "sh2_program.h"
#include "test_romset.h"

namespace {

typedef std::vector<uint8_t> bytes_t;

std::string swap_in;  // when set: the archive that replaces the loaded one at its second open
int remove_at_second_open = 0;  // 1: the loaded archive is gone at its second open
int read_opens = 0;

const test_rom_members& good_members() {
  return test_romset_program_members("cartridge");
}

const std::vector<uint8_t>& member(const char* name) {
  for (const test_rom_member& m : good_members())
    if (m.name == name) return m.data;
  std::abort();
}

// Loads the good set from dir/<file> into a new record, with the archive replaced by `later`
// between the check and the extraction.
loaded_machine load_swapped(const char* file, const test_rom_members& later) {
  std::string error;
  const std::string path = test_romset_temp_path(file);
  swap_in = test_romset_temp_path((std::string("later_") + file).c_str());
  EXPECT_TRUE(test_romset_write_zip(path.c_str(), good_members(), 0, &error)) << error;
  EXPECT_TRUE(test_romset_write_zip(swap_in.c_str(), later, 0, &error)) << error;
  read_opens = 0;
  loaded_machine m((machine*)std::calloc(1, sizeof(machine)));
  machine_load(m.get(), path.c_str());
  swap_in.clear();
  return m;
}

}  // namespace

extern "C" zip_t* __real__Z16zip_open_archivePKcPcm(const char* path, char* reason,
                                                    size_t reason_size);
extern "C" zip_t* __wrap__Z16zip_open_archivePKcPcm(const char* path, char* reason,
                                                    size_t reason_size) {
  if (++read_opens == 2) {
    if (!swap_in.empty()) std::rename(swap_in.c_str(), path);
    if (remove_at_second_open) std::remove(path);
  }
  return __real__Z16zip_open_archivePKcPcm(path, reason, reason_size);
}

TEST(RomLoad, TheLoaderBuildsProgramGraphicsSamplesAndEepromImages) {
  std::string error;
  loaded_machine m = test_romset_load(good_members(), "good.zip", &error);
  ASSERT_TRUE(m) << error;
  const std::vector<uint8_t>& high = member("2prog_h.u21");
  const std::vector<uint8_t>& low = member("1prog_l.u22");

  // Word 0 and 1 are the cartridge's reset vectors as the SH-2 reads them.
  const sh2_program* p = sh2_program_find("cartridge");
  auto be32 = [&](size_t a) {
    return (uint32_t)p->data[a] << 24 | p->data[a + 1] << 16 | p->data[a + 2] << 8 | p->data[a + 3];
  };
  EXPECT_EQ(m->program_rom[0], be32(0));
  EXPECT_EQ(m->program_rom[1], 0x06100000u);
  EXPECT_EQ(bus_read32(4), 0x06100000u);
  const uint32_t last = 262143;
  EXPECT_EQ(m->program_rom[last], (uint32_t)high[2 * last + 1] << 24 | high[2 * last] << 16 |
                                      low[2 * last + 1] << 8 | low[2 * last]);
  EXPECT_NE(m->program_rom[last], 0u);  // the CRC fix bytes
  for (uint32_t i = 262144; i < MACHINE_PROGRAM_ROM_BYTES / 4; i++)
    ASSERT_EQ(m->program_rom[i], 0u);

  std::vector<uint8_t> little_endian;
  for (size_t i = 0; i < high.size() / 2; i++)
    for (uint8_t b : {low[2 * i], low[2 * i + 1], high[2 * i], high[2 * i + 1]})
      little_endian.push_back(b);
  EXPECT_EQ(program_rom_crc32(m.get()),
            (uint32_t)crc32(0, little_endian.data(), (uInt)little_endian.size()));

  // Graphics: nothing below pair 1; through the window, bank 32 is the start of pair 1 and
  // bank 32 * 10 + 31 the end of pair 10.
  for (size_t i = 0; i < 0x400000; i++) ASSERT_EQ(m->graphics_rom[i], 0);
  const std::vector<uint8_t>& p1l = member("1l.u4");
  const std::vector<uint8_t>& p1h = member("1h.u12");
  m->video_regs[4] = 32;
  EXPECT_EQ(bus_read32(0x04060000), (uint32_t)p1l[0] | p1l[1] << 8 | p1h[0] << 16 | p1h[1] << 24);
  EXPECT_EQ(bus_read32(0x04060008),
            (uint32_t)p1l[4] | p1l[5] << 8 | (uint32_t)p1h[4] << 16 | (uint32_t)p1h[5] << 24);
  const std::vector<uint8_t>& p10l = member("10l.u58");
  const std::vector<uint8_t>& p10h = member("10h.u59");
  m->video_regs[4] = 32 * 10 + 31;
  const size_t k = p10l.size() / 2 - 1;
  EXPECT_EQ(bus_read32(0x0407FFFC), (uint32_t)p10l[2 * k] | p10l[2 * k + 1] << 8 |
                                        (uint32_t)p10h[2 * k] << 16 |
                                        (uint32_t)p10h[2 * k + 1] << 24);

  const std::vector<uint8_t>& samples = member("snd0.u52");
  EXPECT_EQ(std::memcmp(m->sound_rom, samples.data(), samples.size()), 0);
  for (size_t i = samples.size(); i < MACHINE_SOUND_ROM_BYTES; i++) ASSERT_EQ(m->sound_rom[i], 0);

  const std::vector<uint8_t>& eeprom = member("eeprom-cobaltin.u44");
  for (int j = 0; j < 128; j++) {
    EXPECT_EQ(m->eeprom_default[2 * j], eeprom[2 * j + 1]);
    EXPECT_EQ(m->eeprom_default[2 * j + 1], eeprom[2 * j]);
  }
  EXPECT_EQ(std::memcmp(m->eeprom.memory, m->eeprom_default, 256), 0);
  EXPECT_EQ(m->eeprom.write_protect, 1);
  EXPECT_EQ(m->dip_bits, 0x01000000u);
  EXPECT_NE(m->sound, nullptr);
  EXPECT_EQ(m->xlate_length, 0u);
  EXPECT_EQ(m->sh2.pc, be32(0));
}

TEST(RomLoad, AFailedLoadHoldsNothingAndALaterLoadSucceeds) {
  test_rom_members incomplete = good_members();
  ASSERT_TRUE(test_romset_vary(&incomplete, TEST_ROMSET_MISSING, "9h.u42"));
  const std::string bad = test_romset_temp_path("incomplete.zip");
  const std::string good = test_romset_temp_path("good_again.zip");
  std::string error;
  ASSERT_TRUE(test_romset_write_zip(bad.c_str(), incomplete, 0, &error));
  ASSERT_TRUE(test_romset_write_zip(good.c_str(), good_members(), 0, &error));

  loaded_machine m((machine*)std::calloc(1, sizeof(machine)));
  ASSERT_TRUE(machine_load(m.get(), good.c_str()));
  machine_unload(m.get());
  machine_unload(m.get());  // a second unload finds nothing to release
  EXPECT_EQ(machine_load(m.get(), bad.c_str()), 0);
  EXPECT_STREQ(m->error_text, "Not the standard 'cobaltin' set. Missing: 9h.u42");
  EXPECT_EQ(m->program_rom, nullptr);
  EXPECT_EQ(m->graphics_rom, nullptr);
  EXPECT_EQ(m->sound_rom, nullptr);
  EXPECT_EQ(m->sound, nullptr);
  EXPECT_EQ(machine_load(m.get(), nullptr), 0);
  EXPECT_STREQ(m->error_text, "Cannot open \"\" as a zip archive. No file was named.");
  EXPECT_TRUE(machine_load(m.get(), good.c_str()));
  EXPECT_STREQ(m->error_text, "");
}

// Expects a failed load that holds nothing, with `message`.
void expect_refused(const loaded_machine& m, const char* message) {
  EXPECT_STREQ(m->error_text, message);
  EXPECT_EQ(m->program_rom, nullptr);
  EXPECT_EQ(m->graphics_rom, nullptr);
  EXPECT_EQ(m->sound_rom, nullptr);
  EXPECT_EQ(m->sound, nullptr);
}

TEST(RomLoad, AMemberThatChangedAfterTheCheckFailsTheLoadAndIsNamed) {
  // The replacement archives keep every member's name, only one member is shorter; or one
  // member is gone.
  auto shorter = [](const char* name, size_t size) {
    test_rom_members later = good_members();
    for (test_rom_member& m : later)
      if (m.name == name) m.data.resize(size);
    return later;
  };
  test_rom_members without = good_members();
  ASSERT_TRUE(test_romset_vary(&without, TEST_ROMSET_MISSING, "7h.u20"));

  const struct {
    const char* file;
    test_rom_members later;
    const char* message;
  } cases[] = {
      {"short_low.zip", shorter("1prog_l.u22", 0x7FFFF),
       "Could not read the program ROMs. 1prog_l.u22: only 524287 of 524288 bytes."},
      {"short_high.zip", shorter("2prog_h.u21", 0x7FFFF),
       "Could not read the program ROMs. 2prog_h.u21: only 524287 of 524288 bytes."},
      {"short_graphics.zip", shorter("3h.u14", 0x100000),
       "Could not read 3h.u14 from the archive (only 1048576 of 2097152 bytes)."},
      {"gone_graphics.zip", without,
       "Could not read 7h.u20 from the archive (not in the archive)."},
      {"short_samples.zip", shorter("snd0.u52", 0x1000),
       "Could not read snd0.u52 from the archive (only 4096 of 2097152 bytes)."},
      {"short_eeprom.zip", shorter("eeprom-cobaltin.u44", 200),
       "Could not read eeprom-cobaltin.u44 from the archive (only 200 of 256 bytes)."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    expect_refused(load_swapped(c.file, c.later), c.message);
  }
}

TEST(RomLoad, AnArchiveGoneAfterTheCheckFailsTheLoadWithLibzipsReason) {
  const std::string path = test_romset_temp_path("gone.zip");
  std::string error;
  ASSERT_TRUE(test_romset_write_zip(path.c_str(), good_members(), 0, &error)) << error;
  read_opens = 0;
  remove_at_second_open = 1;
  loaded_machine m((machine*)std::calloc(1, sizeof(machine)));
  EXPECT_EQ(machine_load(m.get(), path.c_str()), 0);
  remove_at_second_open = 0;
  expect_refused(
      m, ("Could not read the program ROMs. " + path + ": No such file or directory.").c_str());
}

// Where a member's headers and data lie in a zip file.
struct zip_member_at {
  size_t central;  // its central directory entry
  size_t local;    // its local header
  size_t data;     // its (stored) data
};

uint16_t le16(const bytes_t& b, size_t at) {
  return uint16_t(b.at(at) | b.at(at + 1) << 8);
}
uint32_t le32(const bytes_t& b, size_t at) {
  return le16(b, at) | uint32_t(le16(b, at + 2)) << 16;
}

zip_member_at locate(const bytes_t& zip, const std::string& name) {
  size_t end = zip.size() - 22;  // the end record, without a comment
  EXPECT_EQ(le32(zip, end), 0x06054B50u);
  size_t at = le32(zip, end + 16);
  for (int i = 0, count = le16(zip, end + 10); i < count; i++) {
    EXPECT_EQ(le32(zip, at), 0x02014B50u);
    const size_t name_length = le16(zip, at + 28);
    const size_t next = at + 46 + name_length + le16(zip, at + 30) + le16(zip, at + 32);
    if (std::string(zip.begin() + at + 46, zip.begin() + at + 46 + name_length) == name) {
      const size_t local = le32(zip, at + 42);
      return {at, local, local + 30 + le16(zip, local + 26) + le16(zip, local + 28)};
    }
    at = next;
  }
  ADD_FAILURE() << name << " is not in the archive";
  return {0, 0, 0};
}

// The good set as a stored archive at dir/<file>, with `damage` applied to its bytes.
std::string damaged_archive(const char* file, void (*damage)(bytes_t&, const zip_member_at&),
                            const char* member) {
  const std::string path = test_romset_temp_path(file);
  std::string error;
  EXPECT_TRUE(test_romset_write_zip(path.c_str(), good_members(), 0, &error)) << error;
  bytes_t zip;
  if (FILE* in = std::fopen(path.c_str(), "rb")) {
    std::fseek(in, 0, SEEK_END);
    zip.resize((size_t)std::ftell(in));
    std::fseek(in, 0, SEEK_SET);
    EXPECT_EQ(std::fread(zip.data(), 1, zip.size(), in), zip.size());
    std::fclose(in);
  }
  damage(zip, locate(zip, member));
  FILE* out = std::fopen(path.c_str(), "wb");
  EXPECT_EQ(std::fwrite(zip.data(), 1, zip.size(), out), zip.size());
  std::fclose(out);
  return path;
}

void flip_a_data_byte(bytes_t& zip, const zip_member_at& m) {
  zip.at(m.data + 100) ^= 0x01;  // the directory keeps the good CRC-32
}

void unknown_method(bytes_t& zip, const zip_member_at& m) {
  for (size_t at : {m.local + 8, m.central + 10}) zip.at(at) = 77, zip.at(at + 1) = 0;
}

TEST(RomLoad, AMemberWhoseDataCannotBeExtractedFailsTheLoadAndTheContentCheckWithLibzipsReason) {
  const struct {
    const char* file;
    void (*damage)(bytes_t&, const zip_member_at&);
    const char* member;
    const char* message;  // the load's
    const char* check;    // the content check's, when it differs
  } cases[] = {
      {"crc_program.zip", flip_a_data_byte, "2prog_h.u21",
       "Could not read the program ROMs. 2prog_h.u21: CRC error.",
       "Could not read 2prog_h.u21 from the archive (CRC error)."},
      {"crc_graphics.zip", flip_a_data_byte, "3l.u6",
       "Could not read 3l.u6 from the archive (CRC error).", nullptr},
      {"crc_samples.zip", flip_a_data_byte, "snd0.u52",
       "Could not read snd0.u52 from the archive (CRC error).", nullptr},
      {"crc_eeprom.zip", flip_a_data_byte, "eeprom-cobaltin.u44",
       "Could not read eeprom-cobaltin.u44 from the archive (CRC error).", nullptr},
      {"method_graphics.zip", unknown_method, "10h.u59",
       "Could not read 10h.u59 from the archive (Compression method not supported).", nullptr},
      {"method_program.zip", unknown_method, "1prog_l.u22",
       "Could not read the program ROMs. 1prog_l.u22: Compression method not supported.",
       "Could not read 1prog_l.u22 from the archive (Compression method not supported)."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = damaged_archive(c.file, c.damage, c.member);
    char message[256] = "untouched";
    EXPECT_EQ(rom_set_verify(path.c_str(), message, sizeof message), 1) << message;
    EXPECT_EQ(rom_set_verify_contents(path.c_str(), message, sizeof message), 0);
    EXPECT_STREQ(message, c.check ? c.check : c.message);
    loaded_machine m((machine*)std::calloc(1, sizeof(machine)));
    EXPECT_EQ(machine_load(m.get(), path.c_str()), 0);
    expect_refused(m, c.message);
  }
  // The good set passes the content check without a word.
  const std::string good = test_romset_temp_path("good_contents.zip");
  std::string error;
  ASSERT_TRUE(test_romset_write_zip(good.c_str(), good_members(), 1, &error)) << error;
  char message[64] = "untouched";
  EXPECT_EQ(rom_set_verify_contents(good.c_str(), message, sizeof message), 1);
  EXPECT_STREQ(message, "untouched");
}
