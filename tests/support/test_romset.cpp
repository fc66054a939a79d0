// Builds the synthetic ROM set: the program image split the way the loader interleaves it,
// generated tiles, waves and EEPROM bytes, each member's CRC-32 forced to the table's value
// through its last 4 bytes, and the zip writer over libzip. The member table itself is the
// board's (board/rom_set.h), so the builder and the check cannot drift apart.
#include "test_romset.h"

#include <zip.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "board/machine.h"
#include "board/rom_set.h"
#include "sh2_program.h"

// --- CRC forcing --------------------------------------------------------------------------
// The reflected CRC-32 register takes one byte b as r' = T[(r ^ b) & 0xFF] ^ (r >> 8), and the
// top bytes of the 256 table entries are all different. So from the wanted final register the
// four table indices can be found going backwards (each index fixed by the top byte alone),
// and going forwards from the register after the prefix each index gives its byte.

static const uint32_t* crc_table() {
  static uint32_t table[256];
  static int ready = 0;
  if (!ready) {
    for (uint32_t i = 0; i < 256; i++) {
      uint32_t c = i;
      for (int k = 0; k < 8; k++) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[i] = c;
    }
    ready = 1;
  }
  return table;
}

void test_romset_force_crc(uint8_t* data, size_t size, uint32_t crc) {
  const uint32_t* t = crc_table();
  uint8_t index_of_top[256];
  for (uint32_t i = 0; i < 256; i++) index_of_top[t[i] >> 24] = (uint8_t)i;

  uint8_t k[4];
  uint32_t r = ~crc;
  for (int i = 3; i >= 0; i--) {
    k[i] = index_of_top[r >> 24];
    r = (r ^ t[k[i]]) << 8;
  }
  r = ~(uint32_t)crc32(0, data, (uInt)(size - 4));
  for (int i = 0; i < 4; i++) {
    data[size - 4 + i] = (uint8_t)((r ^ k[i]) & 0xFF);
    r = t[k[i]] ^ (r >> 8);
  }
}

// --- member contents ----------------------------------------------------------------------

// Graphics: 16 x 16 tiles of 8-bit pens with a transparent (pen 0) border column and row, the
// inner pens a diagonal gradient that differs per tile and per pair; read as 4-bit tiles the
// same bytes give other, equally deterministic patterns. `g` is the byte offset in the 4 MiB
// image of pair `pair`.
static uint8_t graphics_byte(int pair, uint32_t g) {
  const uint32_t tile = g >> 8, x = g & 15, y = (g >> 4) & 15;
  if (x == 0 || y == 0) return 0;
  return (uint8_t)(1 + ((x + y + tile * 3 + (uint32_t)pair * 17) % 255));
}

// Sample ROM: a header table of four tone entries (12 bytes each: 8-bit format and start
// address, loop offset 0, end offset stored inverted, a fast attack and release), four
// single-cycle 8-bit waves of 256 samples at 0x1000 (sine, saw, triangle, square), then
// pseudo-random noise.
static void fill_samples(std::vector<uint8_t>& s) {
  uint32_t seed = 0x12345678;
  for (size_t i = 0; i < s.size(); i++) {
    seed = seed * 1103515245u + 12345u;
    s[i] = (uint8_t)(seed >> 24);
  }
  std::memset(s.data(), 0, 0x1000);
  for (int w = 0; w < 4; w++) {
    const uint32_t start = 0x1000 + 0x100 * w, end = 0xFF ^ 0xFFFF;
    uint8_t* h = &s[12 * w];
    h[0] = (uint8_t)((start >> 16) & 0x3F);  // bits 7-6: 0 = 8-bit samples
    h[1] = (uint8_t)(start >> 8);
    h[2] = (uint8_t)start;
    h[3] = 0, h[4] = 0;                               // loop offset
    h[5] = (uint8_t)(end >> 8), h[6] = (uint8_t)end;  // end offset, inverted
    h[8] = 0xF0, h[9] = 0x00, h[10] = 0x0F;           // attack 15, decay 0, release 15
    for (int i = 0; i < 256; i++) {
      const double phase = i / 256.0;
      double v = 0;
      if (w == 0) v = std::sin(2 * M_PI * phase);
      if (w == 1) v = 2 * phase - 1;
      if (w == 2) v = phase < 0.5 ? 4 * phase - 1 : 3 - 4 * phase;
      if (w == 3) v = phase < 0.5 ? 1 : -1;
      s[start + i] = (uint8_t)(int8_t)std::lround(v * 100);
    }
  }
}

int test_romset_members(const uint8_t* program, size_t program_size, test_rom_members* out,
                        std::string* error) {
  if (program_size > TEST_ROMSET_PROGRAM_MAX) {
    if (error)
      *error = "the program image is larger than " + std::to_string((int)TEST_ROMSET_PROGRAM_MAX) +
               " bytes";
    return 0;
  }
  out->clear();
  out->resize(ROM_SET_ENTRIES);
  for (int i = 0; i < ROM_SET_ENTRIES; i++) {
    (*out)[i].name = rom_set_table[i].name;
    (*out)[i].data.assign(rom_set_table[i].size, 0);
  }

  // Program word i (bytes P[4i..4i+3] as the SH-2 reads them) comes from the high member's
  // bytes 2i+1, 2i and the low member's bytes 2i+1, 2i.
  std::vector<uint8_t>& high = (*out)[0].data;
  std::vector<uint8_t>& low = (*out)[1].data;
  for (size_t a = 0; a < program_size; a++) {
    const size_t word = a / 4;
    switch (a & 3) {
      case 0:
        high[2 * word + 1] = program[a];
        break;
      case 1:
        high[2 * word] = program[a];
        break;
      case 2:
        low[2 * word + 1] = program[a];
        break;
      case 3:
        low[2 * word] = program[a];
        break;
    }
  }

  // Graphics pair n: the low member holds bytes 4k, 4k+1 of the pair's image, the high member
  // bytes 4k+2, 4k+3.
  for (int pair = 1; pair <= 10; pair++) {
    std::vector<uint8_t>& l = (*out)[2 * pair].data;
    std::vector<uint8_t>& h = (*out)[2 * pair + 1].data;
    for (uint32_t k = 0; k < l.size() / 2; k++) {
      l[2 * k] = graphics_byte(pair, 4 * k);
      l[2 * k + 1] = graphics_byte(pair, 4 * k + 1);
      h[2 * k] = graphics_byte(pair, 4 * k + 2);
      h[2 * k + 1] = graphics_byte(pair, 4 * k + 3);
    }
  }

  fill_samples((*out)[22].data);
  std::vector<uint8_t>& eeprom = (*out)[23].data;
  for (size_t i = 0; i < eeprom.size(); i++) eeprom[i] = (uint8_t)(i * 37 + 11);

  for (int i = 0; i < ROM_SET_ENTRIES; i++)
    test_romset_force_crc((*out)[i].data.data(), (*out)[i].data.size(), rom_set_table[i].crc);
  return 1;
}

static test_rom_member* find_member(test_rom_members* members, const char* name) {
  for (test_rom_member& m : *members)
    if (m.name == name) return &m;
  return nullptr;
}

int test_romset_vary(test_rom_members* members, test_romset_variant variant, const char* name) {
  if (variant == TEST_ROMSET_SUBFOLDER) {
    for (test_rom_member& m : *members) m.name = "cobaltin/" + m.name;
    return 1;
  }
  if (variant == TEST_ROMSET_UPPER_CASE) {
    for (test_rom_member& m : *members)
      for (char& c : m.name)
        if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
    return 1;
  }
  test_rom_member* m = find_member(members, name);
  if (!m) return 0;
  switch (variant) {
    case TEST_ROMSET_DUPLICATE: {
      test_rom_member copy = {"copy/" + m->name, m->data};
      copy.data[0] ^= 0xFF;
      members->push_back(copy);
      break;
    }
    case TEST_ROMSET_WRONG_SIZE:
      m->data.pop_back();
      break;
    case TEST_ROMSET_WRONG_CRC:
      m->data[m->data.size() / 2] ^= 0x01;
      break;
    case TEST_ROMSET_MISSING:
      members->erase(members->begin() + (m - members->data()));
      break;
    default:
      break;
  }
  return 1;
}

int test_romset_write_zip(const char* path, const test_rom_members& members, int deflate,
                          std::string* error) {
  int code = 0;
  zip_t* archive = zip_open(path, ZIP_CREATE | ZIP_TRUNCATE, &code);
  if (!archive) {
    if (error) *error = std::string("cannot create ") + path;
    return 0;
  }
  for (const test_rom_member& m : members) {
    zip_source_t* source = zip_source_buffer(archive, m.data.data(), m.data.size(), 0);
    const zip_int64_t index =
        source ? zip_file_add(archive, m.name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
    if (index < 0) zip_source_free(source);
    if (index < 0 ||
        zip_set_file_compression(archive, (zip_uint64_t)index,
                                 deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, deflate ? 1 : 0) != 0) {
      if (error) *error = "cannot add " + m.name + ": " + zip_strerror(archive);
      zip_discard(archive);
      std::remove(path);
      return 0;
    }
  }
  if (zip_close(archive) != 0) {
    if (error) *error = std::string("cannot write ") + path + ": " + zip_strerror(archive);
    zip_discard(archive);
    std::remove(path);
    return 0;
  }
  return 1;
}

static std::string temp_dir;

static void remove_temp_dir() {
  const std::string command = "rm -rf '" + temp_dir + "'";
  if (std::system(command.c_str()) != 0)
    std::fprintf(stderr, "cannot remove %s\n", temp_dir.c_str());
}

std::string test_romset_temp_path(const char* file) {
  if (temp_dir.empty()) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/cb_romset_XXXXXX";
    if (!mkdtemp(pattern.data())) {
      std::perror("mkdtemp");
      std::abort();
    }
    temp_dir = pattern;
    std::atexit(remove_temp_dir);
  }
  return temp_dir + "/" + file;
}

void loaded_machine_deleter::operator()(machine* m) const {
  machine_unload(m);
  std::free(m);
}

loaded_machine test_romset_load(const test_rom_members& members, const char* file,
                                std::string* error) {
  const std::string path = test_romset_temp_path(file);
  if (!test_romset_write_zip(path.c_str(), members, 0, error)) return nullptr;
  loaded_machine m((machine*)std::calloc(1, sizeof(machine)));
  if (!m) return nullptr;
  if (!machine_load(m.get(), path.c_str())) {
    if (error) *error = m->error_text;
    return nullptr;
  }
  return m;
}

const test_rom_members& test_romset_program_members(const char* name) {
  static std::map<std::string, test_rom_members> built;
  test_rom_members& members = built[name];
  if (members.empty()) {
    const sh2_program* p = sh2_program_find(name);
    std::string error = "no program ";
    if (!p || !test_romset_members(p->data, p->size, &members, &error)) {
      std::fprintf(stderr, "test_romset: %s%s\n", error.c_str(), p ? "" : name);
      std::abort();
    }
  }
  return members;
}
