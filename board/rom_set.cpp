// The ROM set table and its check: rom_set_verify reads only the archive's directory (names,
// sizes, CRC-32s) and explains in one message what is missing or wrong. Extracting members and
// building the board's buffers is rom_load.cpp's; matching members by name is zip_member.cpp's.
#include "board/rom_set.h"

#include <zip.h>

#include <cstdio>
#include <cstring>

#include "board/zip_member.h"

const rom_entry rom_set_table[ROM_SET_ENTRIES] = {
    {"2prog_h.u21", 0x80000, 0xfc5eade8}, {"1prog_l.u22", 0x80000, 0x95d6fd02},
    {"1l.u4", 0x200000, 0xc2eb565c},      {"1h.u12", 0x200000, 0x23cb46b7},
    {"2l.u5", 0x200000, 0xbc256aea},      {"2h.u13", 0x200000, 0xb75f59ec},
    {"3l.u6", 0x200000, 0x4284f008},      {"3h.u14", 0x200000, 0xabe5cbbf},
    {"4l.u7", 0x200000, 0xc9fcf2e5},      {"4h.u15", 0x200000, 0x0ab0a12a},
    {"5l.u8", 0x200000, 0x68d03ccf},      {"5h.u16", 0x200000, 0x5450fbca},
    {"6l.u1", 0x200000, 0x8b52c90b},      {"6h.u2", 0x200000, 0x7362f929},
    {"7l.u19", 0x200000, 0xb4f4d86e},     {"7h.u20", 0x200000, 0x44b7b9cc},
    {"8l.u28", 0x200000, 0xcd079f89},     {"8h.u29", 0x200000, 0x3edb508a},
    {"9l.u41", 0x200000, 0x0b53cd78},     {"9h.u42", 0x200000, 0xbc61998a},
    {"10l.u58", 0x200000, 0xa3f5c7f8},    {"10h.u59", 0x200000, 0x30e304c4},
    {"snd0.u52", 0x200000, 0x7fd1b225},   {"eeprom-cobaltin.u44", 0x100, 0x46e85da9},
};

// Left empty: the check then only loses the hint.
const other_set_hint other_set_hints[1] = {{nullptr, nullptr}};
const size_t other_set_hint_count = 0;

enum { NAME_LIST_CHARS = 511 };

// Appends a space and the name, cutting the list at NAME_LIST_CHARS characters.
static void list_append(char* list, const char* name) {
  size_t used = std::strlen(list);
  const char* parts[2] = {" ", name};
  for (const char* part : parts)
    for (; *part && used < NAME_LIST_CHARS; part++) list[used++] = *part;
  list[used] = 0;
}

int rom_set_verify_hints(const char* path, const other_set_hint* hints, size_t hint_count,
                         char* message, size_t message_size) {
  if (!path) path = "";
  char reason[160] = "No file was named.";
  zip_t* archive = *path ? zip_open_archive(path, reason, sizeof reason) : nullptr;
  if (!archive) {
    if (message && message_size)
      std::snprintf(message, message_size, "Cannot open \"%s\" as a zip archive. %s", path, reason);
    return 0;
  }
  // The set has 24 members: an archive of thousands is another thing altogether, and looking
  // through it for each of them would take long.
  const zip_int64_t entries = zip_get_num_entries(archive, 0);
  if (entries > ROM_SET_ENTRIES_MAX) {
    if (message && message_size)
      std::snprintf(message, message_size,
                    "Not the standard 'cobaltin' set. The archive holds %lld entries, far more "
                    "than the set's %d.",
                    (long long)entries, ROM_SET_ENTRIES);
    zip_discard(archive);
    return 0;
  }

  char missing[NAME_LIST_CHARS + 1] = "";
  char wrong[NAME_LIST_CHARS + 1] = "";
  int found = 0;
  for (const rom_entry& row : rom_set_table) {
    uint64_t size = 0;
    uint32_t crc = 0;
    if (zip_find_member(archive, row.name, &size, &crc) < 0) {
      list_append(missing, row.name);
      continue;
    }
    found++;
    if (size != (uint64_t)row.size || crc != row.crc) list_append(wrong, row.name);
  }

  if (found == 0) {
    for (size_t i = 0; i < hint_count; i++) {
      if (zip_find_member(archive, hints[i].file_name, nullptr, nullptr) < 0) continue;
      if (message && message_size)
        std::snprintf(message, message_size,
                      "This looks like %s, not Cobaltine. Select the standard 'cobaltin' set.",
                      hints[i].title);
      zip_discard(archive);
      return 0;
    }
  }
  zip_discard(archive);

  if (!missing[0] && !wrong[0]) return 1;
  if (message && message_size)
    std::snprintf(message, message_size, "Not the standard 'cobaltin' set.%s%s%s%s",
                  missing[0] ? " Missing:" : "", missing, wrong[0] ? " Wrong size/CRC:" : "",
                  wrong);
  return 0;
}

int rom_set_verify(const char* path, char* message, size_t message_size) {
  return rom_set_verify_hints(path, other_set_hints, other_set_hint_count, message, message_size);
}
