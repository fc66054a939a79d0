// The "cobaltin" ROM set: its table of members, the check of an archive against it, and the
// loader that builds the board's ROM buffers from it. All functions return 1 on success and 0
// on failure; messages are the set's exact texts, written into the caller's buffer (cut to its
// size, always terminated; a null buffer or size 0 is allowed).
#pragma once

#include <cstddef>
#include <cstdint>

struct machine;

struct rom_entry {
  const char* name;  // member base name
  uint32_t size;     // bytes
  uint32_t crc;      // CRC-32 of the contents
};

enum {
  ROM_SET_ENTRIES = 24,
  ROM_SET_ENTRIES_MAX = 4096,  // an archive with more entries is refused at once
};
extern const rom_entry rom_set_table[ROM_SET_ENTRIES];  // in check order

// A program member of another game of the same maker, named in the check's message when an
// archive holds none of the set's members but this one.
struct other_set_hint {
  const char* file_name;
  const char* title;
};
extern const other_set_hint other_set_hints[];  // no rows in this program
extern const size_t other_set_hint_count;

// Checks the archive at `path` (null counts as "") from its directory alone: every member of
// the table present (first match by base name, ASCII case ignored) with its size and CRC-32.
// 1 leaves `message` untouched. An archive that cannot be opened gets "Cannot open \"%s\" as a
// zip archive." and the reason after it (zip_open_archive's sentence); one of more than
// ROM_SET_ENTRIES_MAX entries is refused before any member is looked for.
int rom_set_verify(const char* path, char* message, size_t message_size);

// Reads every member of the table from the archive at `path` (one at a time) and checks its data
// against the table's size and CRC-32, which the directory alone cannot vouch for. Call it after
// rom_set_verify passed. 0 with "Could not read %s from the archive (%s)." naming the first
// member whose data is damaged or cannot be read, and why (or rom_set_verify's message for an
// archive that can no longer be opened). Defined beside the loader, whose extraction it shares.
int rom_set_verify_contents(const char* path, char* message, size_t message_size);

// rom_set_verify with an explicit table of other-set hints.
int rom_set_verify_hints(const char* path, const other_set_hint* hints, size_t hint_count,
                         char* message, size_t message_size);

// Zeroes the record, checks the archive, builds the ROM buffers, the EEPROM default and the
// sound glue, then resets the board. 0 leaves the message in `error_text` and no buffer held.
int machine_load(machine* m, const char* path);

// Releases the sound glue and the three ROM buffers and nulls their pointers; the rest of the
// record is left as it is. Safe on a record that holds nothing.
void machine_unload(machine* m);
