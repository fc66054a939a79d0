// The in-memory table of settings.ini: section, key and value strings in the order they were
// first set, read from and written back to INI text. It knows nothing of what the keys mean;
// the settings model converts and clamps them. Keys it was never asked about survive a load
// and a save unchanged.
#pragma once

#include <cstdint>

struct settings_entry {
  char section[48];  // cut to 47 characters; "" for keys before any section header
  char key[64];      // cut to 63 characters
  char value[2048];  // cut to 2047 characters
};

struct settings_table {
  settings_entry* entries;  // heap array owned by the table; null when empty
  int32_t count;            // entries in use; one per section and key
  int32_t capacity;         // entries allocated
};

// Frees the array and leaves the table empty.
void settings_table_clear(settings_table* table);

// Reads the INI file at path and sets every pair it holds into the table, over what the table
// already holds. 1 when the file was read (whatever its content), 0 when it was unreadable
// (the table is then unchanged).
int settings_table_load(settings_table* table, const char* path);

// Sets every pair that length bytes of INI text hold into the table, as settings_table_load
// does with a file's contents.
void settings_table_parse(settings_table* table, const char* text, uint64_t length);

// The stored value (owned by the table, valid until the next set or clear), or null.
const char* settings_table_get(const settings_table* table, const char* section, const char* key);

// The value read with strtol in base 0 and truncated to 32 bits; the default when the key is
// absent, its value empty, or no digit could be read.
int32_t settings_table_get_int(const settings_table* table, const char* section, const char* key,
                               int32_t default_value);

// Replaces the value of an existing section and key, or appends a new entry. When the array
// cannot grow, nothing is stored.
void settings_table_set(settings_table* table, const char* section, const char* key,
                        const char* value);
void settings_table_set_int(settings_table* table, const char* section, const char* key,
                            int32_t value);

// Writes the table as INI text (a comment header, then each section in the order of its first
// entry) to path atomically. 1 when written, 0 on failure.
int settings_table_save(const settings_table* table, const char* path);
