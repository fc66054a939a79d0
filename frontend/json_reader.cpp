// The JSON reader. It is deliberately lenient where hand-written profiles tend to stray
// (numbers in any form strtod takes, unknown escapes standing for themselves, bare words
// matched without a boundary check) and strict about structure, so a broken file is reported
// with the place where reading stopped.
#include "frontend/json_reader.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static int json_is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

static int json_at(const json_cursor* cursor, char c) {
  return cursor->position < cursor->end && *cursor->position == c;
}

// 1 and the cursor moved past c when it is the next character, else 0.
static int json_take(json_cursor* cursor, char c) {
  if (!json_at(cursor, c)) return 0;
  cursor->position++;
  return 1;
}

// Reads a member's key (into key, or only skips it when key is null) and the ':' after it.
// 0 when an error was recorded.
static int json_read_key(json_cursor* cursor, char* key, uint64_t size) {
  json_skip_space(cursor);
  json_read_string(cursor, key, size);
  json_skip_space(cursor);
  if (cursor->error) return 0;
  if (!json_take(cursor, ':')) {
    json_fail(cursor, "expected ':'");
    return 0;
  }
  return 1;
}

void json_cursor_init(json_cursor* cursor, const char* text, uint64_t length) {
  cursor->position = text;
  cursor->end = text + length;
  cursor->error = 0;
  cursor->error_text[0] = '\0';
}

void json_fail(json_cursor* cursor, const char* text) {
  if (cursor->error) return;
  cursor->error = 1;
  snprintf(cursor->error_text, sizeof cursor->error_text, "%s", text);
}

void json_skip_space(json_cursor* cursor) {
  while (cursor->position < cursor->end && json_is_space(*cursor->position)) cursor->position++;
}

int json_match_literal(json_cursor* cursor, const char* word) {
  size_t length = strlen(word);
  if ((size_t)(cursor->end - cursor->position) < length) return 0;
  if (memcmp(cursor->position, word, length) != 0) return 0;
  cursor->position += length;
  return 1;
}

void json_read_object(json_cursor* cursor, void* target, json_key_handler handler) {
  if (cursor->error) return;
  json_skip_space(cursor);
  if (!json_take(cursor, '{')) {
    json_fail(cursor, "expected an object");
    return;
  }
  json_skip_space(cursor);
  if (json_take(cursor, '}')) return;
  for (;;) {
    char key[64];
    if (!json_read_key(cursor, key, sizeof key)) return;
    json_skip_space(cursor);
    handler(cursor, key, target);
    if (cursor->error) return;
    json_skip_space(cursor);
    if (json_take(cursor, ',')) continue;
    if (json_take(cursor, '}')) return;
    json_fail(cursor, "expected ',' or '}'");
    return;
  }
}

// The value of one character of a \u escape: decimal digits count their value, anything
// else its lower-case code minus 87 (so a to f count 10 to 15).
static int json_escape_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  return tolower((unsigned char)c) - 87;
}

void json_read_string(json_cursor* cursor, char* buffer, uint64_t size) {
  if (buffer && size > 0) buffer[0] = '\0';
  if (cursor->error) return;
  if (!json_take(cursor, '"')) {
    json_fail(cursor, "expected a string");
    return;
  }
  uint64_t stored = 0;
  while (cursor->position < cursor->end && *cursor->position != '"') {
    char c = *cursor->position++;
    if (c == '\\' && cursor->position < cursor->end) {
      char escaped = *cursor->position++;
      if (escaped == 'n') {
        c = '\n';
      } else if (escaped == 'r') {
        c = '\r';
      } else if (escaped == 't') {
        c = '\t';
      } else if (escaped == 'u') {
        int code = 0;
        for (int i = 0; i < 4 && cursor->position < cursor->end; i++) {
          code = code * 16 + json_escape_digit(*cursor->position++);
        }
        // Non-hex characters can drive the code below zero; that is no character either.
        c = (code >= 0 && code < 128) ? (char)code : '?';
      } else {
        c = escaped;  // \" \\ \/ and every unknown escape stand for the character itself
      }
    }
    if (buffer && stored + 1 < size) buffer[stored++] = c;
  }
  if (buffer && size > 0) buffer[stored] = '\0';
  if (!json_take(cursor, '"')) json_fail(cursor, "unterminated string");
}

// Characters strtod may consume after leading white space: digits, letters (hex digits,
// exponents, "inf", "nan", "0x"), signs, the decimal point and the parts of "nan(...)".
static int json_is_number_char(char c) {
  return isalnum((unsigned char)c) || c == '+' || c == '-' || c == '.' || c == '(' || c == ')' ||
         c == '_';
}

double json_read_number(json_cursor* cursor) {
  if (cursor->error) return 0;
  // strtod needs a terminated string and the text need not be one: convert a terminated copy
  // of the longest run strtod could possibly take.
  const char* start = cursor->position;
  const char* stop = start;
  while (stop < cursor->end && json_is_space(*stop)) stop++;
  while (stop < cursor->end && json_is_number_char(*stop)) stop++;
  size_t length = (size_t)(stop - start);

  char small[128];
  char* copy = length < sizeof small ? small : (char*)malloc(length + 1);
  if (!copy) {
    json_fail(cursor, "out of memory");
    return 0;
  }
  memcpy(copy, start, length);
  copy[length] = '\0';
  char* converted_end = nullptr;
  double value = strtod(copy, &converted_end);
  size_t used = (size_t)(converted_end - copy);
  if (copy != small) free(copy);

  if (used == 0) {
    json_fail(cursor, "expected a number");
    return 0;
  }
  cursor->position += used;
  return value;
}

int json_read_bool(json_cursor* cursor) {
  if (cursor->error) return -1;
  json_skip_space(cursor);
  if (json_match_literal(cursor, "true")) return 1;
  if (json_match_literal(cursor, "false")) return 0;
  if (json_match_literal(cursor, "null")) return -1;
  json_fail(cursor, "expected true or false");
  return -1;
}

void json_skip_value(json_cursor* cursor, int depth) {
  if (cursor->error) return;
  json_skip_space(cursor);
  if (depth >= JSON_MAX_DEPTH) {
    json_fail(cursor, "nesting too deep");
    return;
  }
  if (cursor->position >= cursor->end) {
    json_fail(cursor, "unexpected end");
    return;
  }
  char open = *cursor->position;
  if (open == '"') {
    json_read_string(cursor, nullptr, 0);
    return;
  }
  if (open == '{' || open == '[') {
    char close = open == '{' ? '}' : ']';
    cursor->position++;
    json_skip_space(cursor);
    if (json_take(cursor, close)) return;
    for (;;) {
      if (open == '{' && !json_read_key(cursor, nullptr, 0)) return;
      json_skip_value(cursor, depth + 1);
      if (cursor->error) return;
      json_skip_space(cursor);
      if (json_take(cursor, ',')) continue;
      if (json_take(cursor, close)) return;
      json_fail(cursor, "expected ',' or a closing bracket");
      return;
    }
  }
  if (json_match_literal(cursor, "true") || json_match_literal(cursor, "false") ||
      json_match_literal(cursor, "null")) {
    return;
  }
  json_read_number(cursor);
}
