// The in-memory table of settings.ini: section, key and value strings in the order they were
// first set, read from and written back to INI text. It knows nothing of what the keys mean;
// the settings model converts and clamps them. Keys it was never asked about survive a load
// and a save unchanged. Look-ups go through hash indexes and a save groups the sections in one
// pass, so a file of any number of keys loads and saves in time linear in its size.
#pragma once

#include <cstddef>
#include <cstdint>

// Cut lengths of the stored strings (their buffers hold one more byte for the NUL).
enum {
  SETTINGS_SECTION_MAX = 47,
  SETTINGS_KEY_MAX = 63,
  SETTINGS_VALUE_MAX = 2047,
  SETTINGS_FILE_MAX = 8 << 20,  // bytes; a larger settings.ini is refused unread
};

struct settings_entry {
  const char* section;  // cut to 47 characters; "" for keys before any section header; the
                        // table's one copy of the name, shared by the section's entries
  char* key;            // cut to 63 characters; owned by the table
  char* value;          // cut to 2047 characters; owned by the table
  int32_t section_id;   // index of the section in the order the sections were first used
};

// An open-addressed hash index: slots hold an array index + 1, 0 marks a free slot. Its size is
// a power of two and at least twice the number of indexed items.
struct settings_index {
  int32_t* slots;  // heap array owned by the table; null when nothing is indexed
  uint32_t size;   // slots allocated
};

struct settings_table {
  settings_entry* entries;   // heap array owned by the table; null when empty
  int32_t count;             // entries in use; one per section and key
  int32_t capacity;          // entries allocated
  char** sections;           // section names in the order of their first entry; owned
  int32_t section_count;     // names in use
  int32_t section_capacity;  // names allocated
  settings_index by_key;     // entries by section and key
  settings_index by_name;    // sections by name
};

// Frees everything and leaves the table empty (a zero-filled table is an empty one).
void settings_table_clear(settings_table* table);

// Reads the INI file at path and sets every pair it holds into the table, over what the table
// already holds; broken lines are logged with their line number. 1 when the file was read
// (whatever its content), 0 when it was unreadable, not a regular file or larger than
// SETTINGS_FILE_MAX bytes (the table is then unchanged).
int settings_table_load(settings_table* table, const char* path);

// settings_table_load, with the file_refusal in *refusal and why in msg (read_file_limited's
// words; either may be null).
int settings_table_load_msg(settings_table* table, const char* path, int32_t* refusal, char* msg,
                            size_t msg_size);

// Sets every pair that length bytes of INI text hold into the table, as settings_table_load
// does with a file's contents (without logging). A section line without its ']' makes the keys
// after it belong to no section, so they go to the empty section "" (and are kept); the result
// is the number of such lines.
int32_t settings_table_parse(settings_table* table, const char* text, uint64_t length);

// The stored value (owned by the table, valid until the next set or clear), or null.
const char* settings_table_get(const settings_table* table, const char* section, const char* key);

// The value read with strtol in base 0 and truncated to 32 bits; the default when the key is
// absent, its value empty, or no digit could be read.
int32_t settings_table_get_int(const settings_table* table, const char* section, const char* key,
                               int32_t default_value);

// Replaces the value of an existing section and key, or appends a new entry. When memory runs
// out, nothing is stored and the table is as it was.
void settings_table_set(settings_table* table, const char* section, const char* key,
                        const char* value);
void settings_table_set_int(settings_table* table, const char* section, const char* key,
                            int32_t value);

// Writes the table as INI text (a comment header, then each section in the order of its first
// entry, its keys in table order) to path atomically. 1 when written, 0 on failure.
int settings_table_save(const settings_table* table, const char* path);

// settings_table_save, with why it failed in msg (may be null): "out of memory", or the atomic
// write's words.
int settings_table_save_msg(const settings_table* table, const char* path, char* msg,
                            size_t msg_size);
