// A small, lenient recursive-descent reader of JSON text over a cursor. It reads objects
// member by member through a caller's key handler, strings, numbers and booleans, and skips
// any other value. The first error is kept with its text; once one is recorded every reading
// step does nothing. What the keys mean is the handlers' business (see game_profile).
#pragma once

#include <cstdint>

// Values nested this deep (counted from 0 for a member value) are refused.
constexpr int JSON_MAX_DEPTH = 33;

struct json_cursor {
  const char* position;  // next character to read
  const char* end;       // just past the text
  int32_t error;         // 1 once an error was recorded
  char error_text[160];  // the first error's text
};

// Called once per member, in file order, with the cursor at the member's value; it must read
// or skip exactly that value. target is whatever the caller gave json_read_object.
typedef void (*json_key_handler)(json_cursor* cursor, const char* key, void* target);

// A cursor over length bytes of text (the text need not be NUL-terminated).
void json_cursor_init(json_cursor* cursor, const char* text, uint64_t length);

// Records an error unless one was recorded already (the first one wins).
void json_fail(json_cursor* cursor, const char* text);

// Steps over white space (space, tab, line feed, vertical tab, form feed, carriage return).
void json_skip_space(json_cursor* cursor);

// Reads one object; keys longer than 63 characters are cut.
void json_read_object(json_cursor* cursor, void* target, json_key_handler handler);

// Reads one string into buffer (cut to size - 1 characters, always terminated when size > 0),
// or only skips it when buffer is null.
void json_read_string(json_cursor* cursor, char* buffer, uint64_t size);

// Reads one number as strtod does (signs, exponents, hexadecimal, infinity and NaN) and gives
// its value; 0 on an error.
double json_read_number(json_cursor* cursor);

// 1 for true, 0 for false, -1 for null or an error.
int json_read_bool(json_cursor* cursor);

// Skips any one value; depth is 0 for a member value.
void json_skip_value(json_cursor* cursor, int depth);

// 1 and the cursor moved past word when the text at the cursor begins with it, else 0.
int json_match_literal(json_cursor* cursor, const char* word);
