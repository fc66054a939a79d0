// Game profiles: optional JSON files that adjust identity texts, display aspect, rotation,
// player count, integer scaling and the requested frontend features. This module reads one
// into a record, checks it and words the reason when it refuses one; finding the file and
// applying the fields is start-up's business.
#pragma once

#include <cstdint>

#include "frontend/json_reader.h"

// Frontend features a profile can ask for; also the order of game_profile::features.
enum feature_id {
  FEATURE_SAVE_STATES = 0,
  FEATURE_REWIND = 1,
  FEATURE_NVRAM = 2,
  FEATURE_INPUT_MOVIES = 3,
  FEATURE_GADGETS = 4,
  FEATURE_INPUT_DISPLAY = 5,
  FEATURE_SCREENSHOTS = 6,
  FEATURE_WIDESCREEN = 7,
};
constexpr int FEATURE_COUNT = 8;

// Largest profile file read; a profile is a few hundred bytes.
constexpr uint64_t PROFILE_FILE_MAX = 1 << 20;

struct game_profile {
  int32_t valid;                    // 1 after a successful load
  char path[512];                   // file it was loaded from; set only on success
  char id[32];                      // "id"
  char title[96];                   // "title"
  char subtitle[128];               // "subtitle"
  char manufacturer[96];            // "manufacturer"
  char year[16];                    // "year": a string, or a number written as "%d"
  char rom_hint[64];                // "rom_hint"
  double aspect;                    // display.aspect; 0 = not set
  int32_t rotation;                 // display.rotation in degrees as written; -1 = not set
  int32_t players;                  // "players"; 0 = not set
  int32_t integer_scale;            // display.integer_scale: -1 not set or null, 0 false, 1 true
  int32_t features[FEATURE_COUNT];  // per feature_id: -1 not set or null, 0 false, 1 true
  char error[256];                  // why the last load failed
};

// The key of a feature in profiles and logs ("save_states" ... "widescreen"); "?" for a
// number outside the table. The text is static.
const char* feature_name(int feature);

// Reads and parses the file (a regular file of at most PROFILE_FILE_MAX bytes). 1 when it was
// read and accepted; 0 otherwise with the reason in profile->error ("cannot read %s", "cannot
// read %s: file is too large", "%s is not a file (a FIFO)", or what profile_parse reports).
int profile_load_file(game_profile* profile, const char* path);

// Resets the record and parses length bytes of JSON text into it (after a UTF-8 byte order
// mark, when the text starts with one). 1 when accepted; 0 with "line %d: %s" (a reading error)
// or a check's message in profile->error, the fields read so far kept and valid left at 0.
int profile_parse(game_profile* profile, const char* text, uint64_t length);

// The key handlers of the top-level, "display" and "features" objects; target is the
// game_profile being filled.
void profile_top_key(json_cursor* cursor, const char* key, void* target);
void profile_display_key(json_cursor* cursor, const char* key, void* target);
void profile_features_key(json_cursor* cursor, const char* key, void* target);
