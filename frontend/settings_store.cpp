// INI reading and writing for the settings table. Lines are cut and stripped in a fixed order
// so that what a user edits by hand reads back the way it looks; comments count only at the
// start of a line, so '#' and ';' inside values are kept.
#include "frontend/settings_store.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frontend/file_util.h"

static const char SETTINGS_HEADER[] =
    "# Settings written by the frontend. Safe to edit while the game is closed.\n";

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

// A section and key cut as they are stored, so that lookups agree with what was stored.
struct settings_name {
  char section[sizeof(settings_entry::section)];
  char key[sizeof(settings_entry::key)];
};

static settings_name settings_make_name(const char* section, const char* key) {
  settings_name name;
  settings_copy_span(name.section, sizeof name.section, section, strlen(section));
  settings_copy_span(name.key, sizeof name.key, key, strlen(key));
  return name;
}

static settings_entry* settings_find(const settings_table* table, const settings_name* name) {
  for (int32_t i = 0; i < table->count; i++) {
    settings_entry* entry = &table->entries[i];
    if (strcmp(entry->section, name->section) == 0 && strcmp(entry->key, name->key) == 0) {
      return entry;
    }
  }
  return nullptr;
}

void settings_table_clear(settings_table* table) {
  free(table->entries);
  table->entries = nullptr;
  table->count = 0;
  table->capacity = 0;
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

void settings_table_set(settings_table* table, const char* section, const char* key,
                        const char* value) {
  // Copied first: the strings may come from this table, whose array may move below.
  settings_name name = settings_make_name(section, key);
  char cut_value[sizeof(settings_entry::value)];
  settings_copy_span(cut_value, sizeof cut_value, value, strlen(value));
  settings_entry* entry = settings_find(table, &name);
  if (!entry) {
    if (table->count == table->capacity) {
      int32_t capacity = table->capacity ? table->capacity * 2 : 64;
      settings_entry* grown =
          (settings_entry*)realloc(table->entries, sizeof(settings_entry) * (size_t)capacity);
      if (!grown) return;
      table->entries = grown;
      table->capacity = capacity;
    }
    entry = &table->entries[table->count++];
    memcpy(entry->section, name.section, sizeof name.section);
    memcpy(entry->key, name.key, sizeof name.key);
  }
  memcpy(entry->value, cut_value, sizeof cut_value);
}

void settings_table_set_int(settings_table* table, const char* section, const char* key,
                            int32_t value) {
  char text[16];
  snprintf(text, sizeof text, "%d", value);
  settings_table_set(table, section, key, text);
}

// One line of the file, without its '\n'; section holds the current section across lines.
static void settings_parse_line(settings_table* table, char* section, const char* line,
                                size_t length) {
  while (length > 0 && settings_is_blank(*line)) line++, length--;
  while (length > 0 && settings_is_trailing(line[length - 1])) length--;
  if (length == 0 || line[0] == '#' || line[0] == ';') return;

  if (line[0] == '[') {
    const char* close = (const char*)memchr(line, ']', length);
    // "[x" without its bracket is a typo, not a section: keep the current one.
    if (close) {
      settings_copy_span(section, sizeof(settings_entry::section), line + 1,
                         (size_t)(close - line - 1));
    }
    return;
  }

  const char* equals = (const char*)memchr(line, '=', length);
  if (!equals) return;
  char key[sizeof(settings_entry::key)];
  // Cut first, then strip: the cut can expose trailing blanks of a long key.
  settings_copy_span(key, sizeof key, line, (size_t)(equals - line));
  size_t key_length = strlen(key);
  while (key_length > 0 && settings_is_trailing(key[key_length - 1])) key[--key_length] = '\0';
  const char* value = equals + 1;
  size_t value_length = length - (size_t)(value - line);
  while (value_length > 0 && settings_is_blank(*value)) value++, value_length--;

  // Cut first (at the stored length or a NUL byte), then strip, as for the key: otherwise the
  // cut could expose a blank that the next load strips, and a save would not load back alike.
  char value_text[sizeof(settings_entry::value)];
  settings_copy_span(value_text, sizeof value_text, value, value_length);
  value_length = strlen(value_text);
  while (value_length > 0 && settings_is_trailing(value_text[value_length - 1]))
    value_text[--value_length] = '\0';
  settings_table_set(table, section, key, value_text);
}

void settings_table_parse(settings_table* table, const char* text, uint64_t length) {
  char section[sizeof(settings_entry::section)] = "";
  uint64_t start = 0;
  while (start < length) {
    const char* newline = (const char*)memchr(text + start, '\n', size_t(length - start));
    uint64_t end = newline ? (uint64_t)(newline - text) : length;
    settings_parse_line(table, section, text + start, size_t(end - start));
    start = end + 1;
  }
}

int settings_table_load(settings_table* table, const char* path) {
  uint64_t length = 0;
  uint8_t* data = read_file(path, &length);
  if (!data) return 0;
  settings_table_parse(table, (const char*)data, length);
  free(data);
  return 1;
}

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
  char* grown = (char*)realloc(text->data, size);
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

int settings_table_save(const settings_table* table, const char* path) {
  settings_text text;
  text.size = (size_t)table->count * 160 + 4096;
  text.length = 0;
  text.data = (char*)malloc(text.size);
  if (!text.data) return 0;
  settings_text_append(&text, SETTINGS_HEADER);

  for (int32_t i = 0; i < table->count; i++) {
    const char* section = table->entries[i].section;
    int seen = 0;
    for (int32_t j = 0; j < i && !seen; j++) seen = strcmp(table->entries[j].section, section) == 0;
    if (seen) continue;
    settings_text_append(&text, "\n[");
    settings_text_append(&text, section);
    settings_text_append(&text, "]\n");
    for (int32_t j = i; j < table->count; j++) {
      const settings_entry* entry = &table->entries[j];
      if (strcmp(entry->section, section) != 0) continue;
      if (!settings_text_reserve(&text, strlen(entry->key), strlen(entry->value))) {
        free(text.data);
        return 0;
      }
      settings_text_append(&text, entry->key);
      settings_text_append(&text, " = ");
      settings_text_append(&text, entry->value);
      settings_text_append(&text, "\n");
    }
  }

  int ok = write_file_atomic(path, text.data, text.length);
  free(text.data);
  return ok;
}
