// The profile's keys, the checks applied after reading and the feature name table. Unknown
// keys are skipped so that newer profiles still load; every field keeps its "not set" value
// unless the file names it.
#include "frontend/game_profile.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frontend/file_util.h"

static const char* const PROFILE_FEATURE_NAMES[FEATURE_COUNT] = {
    "save_states", "rewind",        "nvram",       "input_movies",
    "gadgets",     "input_display", "screenshots", "widescreen",
};

const char* feature_name(int feature) {
  if (feature < 0 || feature >= FEATURE_COUNT) return "?";
  return PROFILE_FEATURE_NAMES[feature];
}

// A number truncated toward zero, saturated to the int range. NaN has no value at all and
// becomes INT_MIN, which every integer field treats as out of range.
static int32_t profile_to_int(double value) {
  if (std::isnan(value)) return INT_MIN;
  if (value >= 2147483647.0) return INT_MAX;
  if (value <= -2147483648.0) return INT_MIN;
  return (int32_t)value;
}

static int profile_at_string(const json_cursor* cursor) {
  return cursor->position < cursor->end && *cursor->position == '"';
}

// Reads a number into *out (truncated, saturated); *out is left alone on an error.
static void profile_read_int(json_cursor* cursor, int32_t* out) {
  double value = json_read_number(cursor);
  if (!cursor->error) *out = profile_to_int(value);
}

void profile_display_key(json_cursor* cursor, const char* key, void* target) {
  game_profile* profile = (game_profile*)target;
  if (strcmp(key, "aspect") == 0) {
    if (profile_at_string(cursor)) {
      char text[32];
      json_read_string(cursor, text, sizeof text);
      if (cursor->error) return;
      double width = 0, height = 0;
      if (sscanf(text, "%lf:%lf", &width, &height) == 2 && width > 0 && height > 0) {
        profile->aspect = width / height;
      } else {
        json_fail(cursor, "display.aspect must look like \"4:3\"");
      }
    } else {
      double value = json_read_number(cursor);
      if (!cursor->error) profile->aspect = value;
    }
  } else if (strcmp(key, "rotation") == 0) {
    profile_read_int(cursor, &profile->rotation);
  } else if (strcmp(key, "integer_scale") == 0) {
    profile->integer_scale = json_read_bool(cursor);
  } else {
    json_skip_value(cursor, 0);
  }
}

void profile_features_key(json_cursor* cursor, const char* key, void* target) {
  game_profile* profile = (game_profile*)target;
  for (int i = 0; i < FEATURE_COUNT; i++) {
    if (strcmp(key, PROFILE_FEATURE_NAMES[i]) == 0) {
      profile->features[i] = json_read_bool(cursor);
      return;
    }
  }
  json_skip_value(cursor, 0);
}

void profile_top_key(json_cursor* cursor, const char* key, void* target) {
  game_profile* profile = (game_profile*)target;
  struct text_field {
    const char* key;
    char* buffer;
    uint64_t size;
  };
  const text_field text_fields[] = {
      {"id", profile->id, sizeof profile->id},
      {"title", profile->title, sizeof profile->title},
      {"subtitle", profile->subtitle, sizeof profile->subtitle},
      {"manufacturer", profile->manufacturer, sizeof profile->manufacturer},
      {"rom_hint", profile->rom_hint, sizeof profile->rom_hint},
  };
  for (const text_field& field : text_fields) {
    if (strcmp(key, field.key) == 0) {
      json_read_string(cursor, field.buffer, field.size);
      return;
    }
  }

  if (strcmp(key, "year") == 0) {
    if (profile_at_string(cursor)) {
      json_read_string(cursor, profile->year, sizeof profile->year);
    } else {
      double value = json_read_number(cursor);
      if (!cursor->error) {
        snprintf(profile->year, sizeof profile->year, "%d", profile_to_int(value));
      }
    }
  } else if (strcmp(key, "players") == 0) {
    profile_read_int(cursor, &profile->players);
  } else if (strcmp(key, "display") == 0) {
    json_read_object(cursor, profile, profile_display_key);
  } else if (strcmp(key, "features") == 0) {
    json_read_object(cursor, profile, profile_features_key);
  } else {
    json_skip_value(cursor, 0);
  }
}

int profile_parse(game_profile* profile, const char* text, uint64_t length) {
  memset(profile, 0, sizeof *profile);
  profile->rotation = -1;
  profile->integer_scale = -1;
  for (int i = 0; i < FEATURE_COUNT; i++) profile->features[i] = -1;
  if (!text) length = 0;

  // A byte order mark some editors put before UTF-8 text is no part of the JSON.
  if (length >= 3 && memcmp(text, "\xEF\xBB\xBF", 3) == 0) {
    text += 3;
    length -= 3;
  }
  json_cursor cursor;
  json_cursor_init(&cursor, text, length);
  json_read_object(&cursor, profile, profile_top_key);
  json_skip_space(&cursor);
  if (!cursor.error && cursor.position != cursor.end) {
    json_fail(&cursor, "trailing data after the profile object");
  }
  if (cursor.error) {
    int line = 1;
    for (const char* p = text; p < cursor.position; p++) line += *p == '\n';
    snprintf(profile->error, sizeof profile->error, "line %d: %s", line, cursor.error_text);
    return 0;
  }

  // Taken as unsigned, negative counts land above 8 too; 0 means not set.
  if ((uint32_t)profile->players >= 9) {
    snprintf(profile->error, sizeof profile->error, "players must be 1-8");
    return 0;
  }
  // NaN compares false both ways; it is no aspect either.
  if (!(profile->aspect >= 0 && profile->aspect <= 4.0)) {
    snprintf(profile->error, sizeof profile->error, "display.aspect is out of range");
    return 0;
  }
  profile->valid = 1;
  return 1;
}

int profile_load_file(game_profile* profile, const char* path) {
  uint64_t length = 0;
  int32_t refusal = FILE_READ_OK;
  char reason[FILE_MESSAGE_MAX] = "";
  uint8_t* text =
      read_file_limited(path, PROFILE_FILE_MAX, &length, &refusal, reason, sizeof reason);
  if (!text) {
    memset(profile, 0, sizeof *profile);
    if (refusal == FILE_MISSING) {
      snprintf(profile->error, sizeof profile->error, "cannot read %s", path);
    } else if (refusal == FILE_NOT_REGULAR) {
      snprintf(profile->error, sizeof profile->error, "%s", reason);  // it names the path
    } else {
      snprintf(profile->error, sizeof profile->error, "cannot read %s: %s", path, reason);
    }
    return 0;
  }
  int ok = profile_parse(profile, (const char*)text, length);
  free(text);
  if (ok) snprintf(profile->path, sizeof profile->path, "%s", path);
  return ok;
}
