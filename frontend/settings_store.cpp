// INI reading and writing for the settings table. Lines are cut and stripped in a fixed order
// so that what a user edits by hand reads back the way it looks; comments count only at the
// start of a line, so '#' and ';' inside values are kept. Entries live in one array in the order
// they were first set; two hash indexes find an entry by section and key and a section by name,
// and a save sorts the entries by section in one counting pass, keeping table order inside each.
#include "frontend/settings_store.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frontend/file_util.h"
#include "frontend/log.h"

static const char SETTINGS_HEADER[] =
    "# Settings written by the frontend. Safe to edit while the game is closed.\n";

enum {
  SETTINGS_FIRST_CAPACITY = 64,  // entries allocated for the first one
  SETTINGS_BROKEN_LOGGED = 8,    // broken section lines logged one by one; the rest are counted
};

static int settings_is_blank(char c) {
  return c == ' ' || c == '\t';
}
static int settings_is_trailing(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Copies length bytes of text into out as a string, cut to fit out_size.
static void settings_copy_span(char* out, size_t out_size, const char* text, size_t length) {
  if (length >= out_size) length = out_size - 1;
  memcpy(out, text, length);
  out[length] = '\0';
}

// A new heap copy of the string; null without memory.
static char* settings_strdup(const char* text) {
  const size_t size = strlen(text) + 1;
  char* copy = static_cast<char*>(malloc(size));
  if (copy) memcpy(copy, text, size);
  return copy;
}

// A section and key cut as they are stored, so that lookups agree with what was stored.
struct settings_name {
  char section[SETTINGS_SECTION_MAX + 1];
  char key[SETTINGS_KEY_MAX + 1];
};

static settings_name settings_make_name(const char* section, const char* key) {
  settings_name name;
  settings_copy_span(name.section, sizeof name.section, section, strlen(section));
  settings_copy_span(name.key, sizeof name.key, key, strlen(key));
  return name;
}

// --- the hash indexes

// FNV-1a over the text, started from a seed (the section's id for keys).
static uint32_t settings_hash(uint32_t seed, const char* text) {
  uint32_t hash = 2166136261u ^ (seed * 16777619u);
  for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c; c++) {
    hash = (hash ^ *c) * 16777619u;
  }
  return hash;
}

static uint32_t settings_entry_hash(const settings_entry* entry) {
  return settings_hash(uint32_t(entry->section_id) + 1, entry->key);
}

static uint32_t settings_name_hash(const char* name) {
  return settings_hash(0, name);
}

// Puts item (an array index) into the first free slot from hash on; the index has room.
static void settings_index_put(settings_index* index, uint32_t hash, int32_t item) {
  const uint32_t mask = index->size - 1;
  uint32_t at = hash & mask;
  while (index->slots[at]) at = (at + 1) & mask;
  index->slots[at] = item + 1;
}

// Makes room for one more item beside the `items` indexed, rebuilding the index at twice the
// size when it would be more than half full; hash_of gives the hash of item i. 0 without
// memory, the index then unchanged.
template <typename hash_fn>
static int settings_index_reserve(settings_index* index, int32_t items, hash_fn hash_of) {
  if (uint64_t(items + 1) * 2 <= index->size) return 1;
  uint32_t size = index->size ? index->size * 2 : 2 * SETTINGS_FIRST_CAPACITY;
  while (uint64_t(items + 1) * 2 > size) size *= 2;
  int32_t* slots = static_cast<int32_t*>(calloc(size, sizeof(int32_t)));
  if (!slots) return 0;
  free(index->slots);
  index->slots = slots;
  index->size = size;
  for (int32_t i = 0; i < items; i++) settings_index_put(index, hash_of(i), i);
  return 1;
}

static int32_t settings_find_section(const settings_table* table, const char* name) {
  const settings_index* index = &table->by_name;
  if (!index->size) return -1;
  const uint32_t mask = index->size - 1;
  for (uint32_t at = settings_name_hash(name) & mask; index->slots[at]; at = (at + 1) & mask) {
    const int32_t id = index->slots[at] - 1;
    if (strcmp(table->sections[id], name) == 0) return id;
  }
  return -1;
}

static settings_entry* settings_find(const settings_table* table, const settings_name* name) {
  const int32_t section_id = settings_find_section(table, name->section);
  const settings_index* index = &table->by_key;
  if (section_id < 0 || !index->size) return nullptr;
  const uint32_t mask = index->size - 1;
  for (uint32_t at = settings_hash(uint32_t(section_id) + 1, name->key) & mask; index->slots[at];
       at = (at + 1) & mask) {
    settings_entry* entry = &table->entries[index->slots[at] - 1];
    if (entry->section_id == section_id && strcmp(entry->key, name->key) == 0) return entry;
  }
  return nullptr;
}

// --- the table

void settings_table_clear(settings_table* table) {
  for (int32_t i = 0; i < table->count; i++) {
    free(table->entries[i].key);
    free(table->entries[i].value);
  }
  for (int32_t i = 0; i < table->section_count; i++) free(table->sections[i]);
  free(table->entries);
  free(table->sections);
  free(table->by_key.slots);
  free(table->by_name.slots);
  memset(table, 0, sizeof *table);
}

const char* settings_table_get(const settings_table* table, const char* section, const char* key) {
  settings_name name = settings_make_name(section, key);
  const settings_entry* entry = settings_find(table, &name);
  return entry ? entry->value : nullptr;
}

int32_t settings_table_get_int(const settings_table* table, const char* section, const char* key,
                               int32_t default_value) {
  const char* value = settings_table_get(table, section, key);
  if (!value || !value[0]) return default_value;
  char* end = nullptr;
  long number = strtol(value, &end, 0);
  if (end == value) return default_value;
  return (int32_t)(uint32_t)(unsigned long)number;
}

// Grows the array to hold one more element (64 when empty, else twice the capacity). 0 without
// memory, the array then unchanged.
template <typename item>
static int settings_grow(item** array, int32_t count, int32_t* capacity) {
  if (count < *capacity) return 1;
  const int32_t grown_capacity = *capacity ? *capacity * 2 : SETTINGS_FIRST_CAPACITY;
  item* grown = static_cast<item*>(realloc(*array, sizeof(item) * size_t(grown_capacity)));
  if (!grown) return 0;
  *array = grown;
  *capacity = grown_capacity;
  return 1;
}

// Appends a new entry of the named section (adding the section when it is new). Every
// allocation is made before anything changes, so a failure leaves the table as it was.
static void settings_append(settings_table* table, const settings_name* name, const char* value) {
  int32_t section_id = settings_find_section(table, name->section);
  char* key = settings_strdup(name->key);
  char* value_copy = settings_strdup(value);
  char* section = section_id < 0 ? settings_strdup(name->section) : nullptr;
  const int ready =
      key && value_copy && (section_id >= 0 || section) &&
      settings_grow(&table->entries, table->count, &table->capacity) &&
      settings_index_reserve(
          &table->by_key, table->count,
          [table](int32_t i) { return settings_entry_hash(&table->entries[i]); }) &&
      (section_id >= 0 ||
       (settings_grow(&table->sections, table->section_count, &table->section_capacity) &&
        settings_index_reserve(&table->by_name, table->section_count, [table](int32_t i) {
          return settings_name_hash(table->sections[i]);
        })));
  if (!ready) {
    free(key);
    free(value_copy);
    free(section);
    return;
  }
  if (section_id < 0) {
    section_id = table->section_count++;
    table->sections[section_id] = section;
    settings_index_put(&table->by_name, settings_name_hash(section), section_id);
  }
  settings_entry* entry = &table->entries[table->count];
  entry->section = table->sections[section_id];
  entry->key = key;
  entry->value = value_copy;
  entry->section_id = section_id;
  settings_index_put(&table->by_key, settings_entry_hash(entry), table->count);
  table->count++;
}

void settings_table_set(settings_table* table, const char* section, const char* key,
                        const char* value) {
  // Copied first: the strings may come from this table, whose memory may change below.
  settings_name name = settings_make_name(section, key);
  char cut_value[SETTINGS_VALUE_MAX + 1];
  settings_copy_span(cut_value, sizeof cut_value, value, strlen(value));
  settings_entry* entry = settings_find(table, &name);
  if (!entry) {
    settings_append(table, &name, cut_value);
    return;
  }
  char* replaced = settings_strdup(cut_value);
  if (!replaced) return;
  free(entry->value);
  entry->value = replaced;
}

void settings_table_set_int(settings_table* table, const char* section, const char* key,
                            int32_t value) {
  char text[16];
  snprintf(text, sizeof text, "%d", value);
  settings_table_set(table, section, key, text);
}

// --- reading

// One line of the file, without its '\n'; section holds the current section across lines.
// 0 when the line is a section line without its ']', else 1.
static int settings_parse_line(settings_table* table, char* section, const char* line,
                               size_t length) {
  while (length > 0 && settings_is_blank(*line)) line++, length--;
  while (length > 0 && settings_is_trailing(line[length - 1])) length--;
  if (length == 0 || line[0] == '#' || line[0] == ';') return 1;

  if (line[0] == '[') {
    const char* close = static_cast<const char*>(memchr(line, ']', length));
    if (close) {
      settings_copy_span(section, SETTINGS_SECTION_MAX + 1, line + 1, size_t(close - line - 1));
      return 1;
    }
    // "[display" is a typo: its keys are kept, but they must not set the section above it.
    section[0] = '\0';
    return 0;
  }

  const char* equals = static_cast<const char*>(memchr(line, '=', length));
  if (!equals) return 1;
  char key[SETTINGS_KEY_MAX + 1];
  // Cut first, then strip: the cut can expose trailing blanks of a long key.
  settings_copy_span(key, sizeof key, line, size_t(equals - line));
  size_t key_length = strlen(key);
  while (key_length > 0 && settings_is_trailing(key[key_length - 1])) key[--key_length] = '\0';
  const char* value = equals + 1;
  size_t value_length = length - size_t(value - line);
  while (value_length > 0 && settings_is_blank(*value)) value++, value_length--;

  // Cut first (at the stored length or a NUL byte), then strip, as for the key: otherwise the
  // cut could expose a blank that the next load strips, and a save would not load back alike.
  char value_text[SETTINGS_VALUE_MAX + 1];
  settings_copy_span(value_text, sizeof value_text, value, value_length);
  value_length = strlen(value_text);
  while (value_length > 0 && settings_is_trailing(value_text[value_length - 1]))
    value_text[--value_length] = '\0';
  settings_table_set(table, section, key, value_text);
  return 1;
}

// Parses the text into the table; with a path, every broken line is logged under its name.
static int32_t settings_parse_text(settings_table* table, const char* text, uint64_t length,
                                   const char* path) {
  char section[SETTINGS_SECTION_MAX + 1] = "";
  int32_t broken = 0;
  uint64_t start = 0, line_number = 0;
  while (start < length) {
    const char* newline =
        static_cast<const char*>(memchr(text + start, '\n', size_t(length - start)));
    const uint64_t end = newline ? uint64_t(newline - text) : length;
    line_number++;
    if (!settings_parse_line(table, section, text + start, size_t(end - start))) {
      if (path && broken < SETTINGS_BROKEN_LOGGED) {
        log_printf(
            "%s line %llu: section line without ']' (\"%.*s\"); the keys after it belong "
            "to no section",
            path, static_cast<unsigned long long>(line_number),
            int(end - start > 60 ? 60 : end - start), text + start);
      }
      broken++;
    }
    start = end + 1;
  }
  if (path && broken > SETTINGS_BROKEN_LOGGED) {
    log_printf("%s: %d more section lines without ']'", path, broken - SETTINGS_BROKEN_LOGGED);
  }
  return broken;
}

int32_t settings_table_parse(settings_table* table, const char* text, uint64_t length) {
  return settings_parse_text(table, text, length, nullptr);
}

int settings_table_load(settings_table* table, const char* path) {
  return settings_table_load_msg(table, path, nullptr, nullptr, 0);
}

int settings_table_load_msg(settings_table* table, const char* path, int32_t* refusal, char* msg,
                            size_t msg_size) {
  uint64_t length = 0;
  uint8_t* data = read_file_limited(path, SETTINGS_FILE_MAX, &length, refusal, msg, msg_size);
  if (!data) return 0;
  settings_parse_text(table, reinterpret_cast<const char*>(data), length, path);
  free(data);
  return 1;
}

// --- writing

// The save's text, built in one growing buffer and written once.
struct settings_text {
  char* data;
  size_t length;
  size_t size;
};

static int settings_text_reserve(settings_text* text, size_t key_length, size_t value_length) {
  // The margin also leaves room for the next section header.
  if (text->size - text->length >= key_length + value_length + 68) return 1;
  size_t size = key_length + value_length + text->size * 2 + 4;
  char* grown = static_cast<char*>(realloc(text->data, size));
  if (!grown) return 0;
  text->data = grown;
  text->size = size;
  return 1;
}

// Room was reserved by the caller.
static void settings_text_append(settings_text* text, const char* part) {
  size_t n = strlen(part);
  memcpy(text->data + text->length, part, n);
  text->length += n;
}

// The entries' indexes grouped by section in the order the sections were first used, each
// group in table order: order[first[s]] to order[first[s + 1] - 1] are section s's. Both
// arrays are new (the caller frees them); 0 without memory.
static int settings_group_by_section(const settings_table* table, int32_t** order,
                                     int32_t** first) {
  *order = static_cast<int32_t*>(malloc(sizeof(int32_t) * size_t(table->count + 1)));
  *first = static_cast<int32_t*>(calloc(size_t(table->section_count + 1), sizeof(int32_t)));
  if (!*order || !*first) return 0;
  int32_t* next = *first + 1;  // counts first, then the next free place of each section
  for (int32_t i = 0; i < table->count; i++) next[table->entries[i].section_id]++;
  for (int32_t s = 1; s <= table->section_count; s++) (*first)[s] += (*first)[s - 1];
  int32_t* place =
      static_cast<int32_t*>(malloc(sizeof(int32_t) * size_t(table->section_count + 1)));
  if (!place) return 0;
  memcpy(place, *first, sizeof(int32_t) * size_t(table->section_count + 1));
  for (int32_t i = 0; i < table->count; i++) (*order)[place[table->entries[i].section_id]++] = i;
  free(place);
  return 1;
}

int settings_table_save(const settings_table* table, const char* path) {
  return settings_table_save_msg(table, path, nullptr, 0);
}

int settings_table_save_msg(const settings_table* table, const char* path, char* msg,
                            size_t msg_size) {
  settings_text text;
  text.size = size_t(table->count) * 160 + 4096;
  text.length = 0;
  text.data = static_cast<char*>(malloc(text.size));
  int32_t* order = nullptr;
  int32_t* first = nullptr;
  int ok = text.data && settings_group_by_section(table, &order, &first);
  if (ok) settings_text_append(&text, SETTINGS_HEADER);
  for (int32_t s = 0; ok && s < table->section_count; s++) {
    settings_text_append(&text, "\n[");
    settings_text_append(&text, table->sections[s]);
    settings_text_append(&text, "]\n");
    for (int32_t at = first[s]; ok && at < first[s + 1]; at++) {
      const settings_entry* entry = &table->entries[order[at]];
      ok = settings_text_reserve(&text, strlen(entry->key), strlen(entry->value));
      if (!ok) break;
      settings_text_append(&text, entry->key);
      settings_text_append(&text, " = ");
      settings_text_append(&text, entry->value);
      settings_text_append(&text, "\n");
    }
  }
  free(order);
  free(first);
  if (!ok) message_printf(msg, msg_size, "out of memory");
  if (ok) ok = write_file_atomic_msg(path, text.data, text.length, msg, msg_size);
  free(text.data);
  return ok;
}
