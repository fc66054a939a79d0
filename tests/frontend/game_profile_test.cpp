// Game profiles: texts to fields, or to the exact "line N: message" where reading stopped,
// the checks after reading, the file loader and the feature names.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "frontend/game_profile.h"
#include "scratch_dir.h"

namespace {

std::string nested_arrays(int depth, const char* innermost) {
  return std::string(depth, '[') + innermost + std::string(depth, ']');
}

void expect_unset(const game_profile& p) {
  EXPECT_STREQ(p.id, "");
  EXPECT_STREQ(p.title, "");
  EXPECT_STREQ(p.year, "");
  EXPECT_EQ(p.aspect, 0.0);
  EXPECT_EQ(p.rotation, -1);
  EXPECT_EQ(p.players, 0);
  EXPECT_EQ(p.integer_scale, -1);
  for (int f : p.features) EXPECT_EQ(f, -1);
}

}  // namespace

TEST(ProfileParse, TextsGiveFieldsOrTheLineAndReason) {
  using check = std::function<void(const game_profile&)>;
  struct parse_case {
    std::string text;
    const char* error;  // null: accepted
    check fields;       // may be null
  };
  const std::string long_title(120, 't');
  const parse_case cases[] = {
      // Accepted texts.
      {" \n\t{ }\r\n", nullptr, expect_unset},
      {R"({"id": "cobaltin", "title": "Cobaltine", "subtitle": "native port",
           "manufacturer": "Korvane", "year": "2000", "rom_hint": "cobaltin.zip",
           "players": 2, "unknown": {"a": [1, -2.5e3, "x", true, false, null, {}]},
           "display": {"aspect": "16:9", "rotation": 270.9, "integer_scale": true, "x": []},
           "features": {"rewind": false, "widescreen": true, "nvram": null, "other": 1}})",
       nullptr,
       [](const game_profile& p) {
         EXPECT_STREQ(p.id, "cobaltin");
         EXPECT_STREQ(p.title, "Cobaltine");
         EXPECT_STREQ(p.subtitle, "native port");
         EXPECT_STREQ(p.manufacturer, "Korvane");
         EXPECT_STREQ(p.year, "2000");
         EXPECT_STREQ(p.rom_hint, "cobaltin.zip");
         EXPECT_EQ(p.players, 2);
         EXPECT_NEAR(p.aspect, 16.0 / 9.0, 1e-12);
         EXPECT_EQ(p.rotation, 270);
         EXPECT_EQ(p.integer_scale, 1);
         const int features[FEATURE_COUNT] = {-1, 0, -1, -1, -1, -1, -1, 1};
         for (int i = 0; i < FEATURE_COUNT; i++) EXPECT_EQ(p.features[i], features[i]) << i;
       }},
      {R"({"year": 2000.9, "players": 0, "display": {"aspect": 4.0}})", nullptr,
       [](const game_profile& p) {
         EXPECT_STREQ(p.year, "2000");
         EXPECT_EQ(p.players, 0);
         EXPECT_EQ(p.aspect, 4.0);
       }},
      {R"({"players": 8, "display": {"rotation": -90, "integer_scale": null}})", nullptr,
       [](const game_profile& p) {
         EXPECT_EQ(p.players, 8);
         EXPECT_EQ(p.rotation, -90);
         EXPECT_EQ(p.integer_scale, -1);
       }},
      {R"({"title": "first", "title": "second", "players": +0x3})", nullptr,
       [](const game_profile& p) {
         EXPECT_STREQ(p.title, "second");
         EXPECT_EQ(p.players, 3);
       }},
      {R"({"title": "a\"b\\c\/d\ne\tf\rg\bh\u0041\u00e9\u!!!!"})", nullptr,
       [](const game_profile& p) { EXPECT_STREQ(p.title, "a\"b\\c/d\ne\tf\rgbhA??"); }},
      {"{\"title\": \"" + long_title + "\", \"year\": \"1999-2000-2001-2002\"}", nullptr,
       [&](const game_profile& p) {
         EXPECT_EQ(std::string(p.title), long_title.substr(0, 95));
         EXPECT_STREQ(p.year, "1999-2000-2001-");
       }},
      {"{\"skip\": " + nested_arrays(33, "") + "}", nullptr, nullptr},
      // Numbers that do not fit an int saturate.
      {R"({"year": 1e20, "display": {"rotation": -inf}})", nullptr,
       [](const game_profile& p) {
         EXPECT_STREQ(p.year, "2147483647");
         EXPECT_EQ(p.rotation, INT_MIN);
       }},
      {R"({"display": {"rotation": nan}})", nullptr,
       [](const game_profile& p) { EXPECT_EQ(p.rotation, INT_MIN); }},
      {R"({"display": {"rotation": 1e300}})", nullptr,
       [](const game_profile& p) { EXPECT_EQ(p.rotation, INT_MAX); }},
      {R"({"players": 1e20})", "players must be 1-8", nullptr},
      {R"({"players": -inf})", "players must be 1-8", nullptr},
      {R"({"players": nan})", "players must be 1-8", nullptr},
      // Reading errors, with the line where reading stopped.
      {"", "line 1: expected an object", nullptr},
      {"[]", "line 1: expected an object", nullptr},
      {"{}\n\n  {}", "line 3: trailing data after the profile object", nullptr},
      {"{\"a\" 1}", "line 1: expected ':'", nullptr},
      {"{\"a\": 1 \"b\": 2}", "line 1: expected ',' or '}'", nullptr},
      {"{\"a\": 1,\n}", "line 2: expected a string", nullptr},
      {"{a: 1}", "line 1: expected a string", nullptr},
      {"{\n\"title\": 5\n}", "line 2: expected a string", nullptr},
      {"{\"title\": \"no end", "line 1: unterminated string", nullptr},
      {"{\"title\": \"ends in a backslash\\", "line 1: unterminated string", nullptr},
      {"{\"players\": \"2\"}", "line 1: expected a number", nullptr},
      {"{\"year\": x}", "line 1: expected a number", nullptr},
      {"{\"display\": {\"rotation\": []}}", "line 1: expected a number", nullptr},
      {"{\"skip\": nope}", "line 1: expected a number", nullptr},
      {"{\"display\": {\"integer_scale\": 1}}", "line 1: expected true or false", nullptr},
      {"{\"features\": {\"rewind\":\n\n yes}}", "line 3: expected true or false", nullptr},
      {"{\"display\": {\"integer_scale\": truex}}", "line 1: expected ',' or '}'", nullptr},
      {"{\"display\": 1}", "line 1: expected an object", nullptr},
      {"{\"skip\": " + nested_arrays(34, "") + "}", "line 1: nesting too deep", nullptr},
      {"{\"skip\": " + nested_arrays(33, "1") + "}", "line 1: nesting too deep", nullptr},
      {"{\"skip\":\n", "line 2: unexpected end", nullptr},
      {"{\"skip\": [1, 2", "line 1: expected ',' or a closing bracket", nullptr},
      {"{\"skip\": {\"a\" 1}}", "line 1: expected ':'", nullptr},
      {"{\"skip\": [1}", "line 1: expected ',' or a closing bracket", nullptr},
      {"{\"players\": 2", "line 1: expected ',' or '}'", nullptr},
      {"{\n \"display\": {\n  \"aspect\": \"4:0\"}}",
       "line 3: display.aspect must look like \"4:3\"", nullptr},
      {R"({"display": {"aspect": "0:3"}})", "line 1: display.aspect must look like \"4:3\"",
       nullptr},
      {R"({"display": {"aspect": "wide"}})", "line 1: display.aspect must look like \"4:3\"",
       nullptr},
      // Checks after reading.
      {R"({"players": 9})", "players must be 1-8", nullptr},
      {R"({"players": -1})", "players must be 1-8", nullptr},
      {R"({"display": {"aspect": 4.5}})", "display.aspect is out of range", nullptr},
      {R"({"display": {"aspect": -0.5}})", "display.aspect is out of range", nullptr},
      {R"({"display": {"aspect": nan}})", "display.aspect is out of range", nullptr},
      {R"({"display": {"aspect": "inf:1"}})", "display.aspect is out of range", nullptr},
      // A UTF-8 byte order mark before the object is read as if it were not there; only there.
      {"\xEF\xBB\xBF{\"title\": \"Marked\"}", nullptr,
       [](const game_profile& p) { EXPECT_STREQ(p.title, "Marked"); }},
      {"\xEF\xBB\xBF", "line 1: expected an object", nullptr},
      {" \xEF\xBB\xBF{}", "line 1: expected an object", nullptr},
  };

  for (const parse_case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 120));
    game_profile profile;
    memset(&profile, 0x5A, sizeof profile);  // every field must be reset
    const int ok = profile_parse(&profile, c.text.data(), c.text.size());
    if (c.error) {
      EXPECT_EQ(ok, 0);
      EXPECT_STREQ(profile.error, c.error);
      EXPECT_EQ(profile.valid, 0);
    } else {
      EXPECT_EQ(ok, 1) << profile.error;
      EXPECT_STREQ(profile.error, "");
      EXPECT_EQ(profile.valid, 1);
    }
    EXPECT_STREQ(profile.path, "");
    if (c.fields) c.fields(profile);
  }
}

TEST(ProfileParse, ReadsNoFurtherThanTheGivenLength) {
  // The text ends inside a number and is not terminated there (an exact heap copy, so a read
  // past the end would also be caught by the address sanitizer).
  const std::string text = "{\"year\": 1234}";
  const std::vector<char> cut(text.begin(), text.begin() + 11);
  game_profile profile;
  EXPECT_EQ(profile_parse(&profile, cut.data(), cut.size()), 0);
  EXPECT_STREQ(profile.error, "line 1: expected ',' or '}'");
  EXPECT_STREQ(profile.year, "12");
}

TEST(ProfileLoadFile, RecordsThePathOnlyOnSuccess) {
  scratch_dir dir;
  game_profile profile;
  const std::string good = dir.at("cobaltin.json");
  ASSERT_TRUE(write_text(good, "{\"title\": \"Cobaltine DX\", \"players\": 2}\n"));
  ASSERT_EQ(profile_load_file(&profile, good.c_str()), 1) << profile.error;
  EXPECT_EQ(profile.valid, 1);
  EXPECT_EQ(profile.path, good);
  EXPECT_STREQ(profile.title, "Cobaltine DX");

  const std::string bad = dir.at("bad.json");
  ASSERT_TRUE(write_text(bad, "{\"title\": \"Kept\",\n \"players\": 12}"));
  EXPECT_EQ(profile_load_file(&profile, bad.c_str()), 0);
  EXPECT_EQ(profile.valid, 0);
  EXPECT_STREQ(profile.path, "");
  EXPECT_STREQ(profile.error, "players must be 1-8");
  EXPECT_STREQ(profile.title, "Kept");  // fields read so far stay

  const std::string missing = dir.at("missing.json");
  EXPECT_EQ(profile_load_file(&profile, missing.c_str()), 0);
  EXPECT_EQ(profile.error, "cannot read " + missing);
  EXPECT_EQ(profile.valid, 0);
  EXPECT_STREQ(profile.title, "");
  EXPECT_EQ(profile.rotation, 0);  // the whole record is cleared

  // Refused unread: a FIFO would wait for a writer, a huge file would fill memory.
  const std::string fifo = dir.at("fifo.json"), huge = dir.at("huge.json");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  ASSERT_TRUE(write_text(huge, "{}"));
  ASSERT_EQ(truncate(huge.c_str(), PROFILE_FILE_MAX + 1), 0);
  EXPECT_EQ(profile_load_file(&profile, fifo.c_str()), 0);
  EXPECT_EQ(profile.error, fifo + " is not a file (a FIFO)");
  EXPECT_EQ(profile_load_file(&profile, huge.c_str()), 0);
  EXPECT_EQ(profile.error, "cannot read " + huge + ": file is too large");
}

TEST(FeatureName, NamesTheEightFeaturesAndNothingElse) {
  const char* names[] = {"save_states", "rewind",        "nvram",       "input_movies",
                         "gadgets",     "input_display", "screenshots", "widescreen"};
  for (int i = 0; i < FEATURE_COUNT; i++) EXPECT_STREQ(feature_name(i), names[i]);
  EXPECT_STREQ(feature_name(-1), "?");
  EXPECT_STREQ(feature_name(FEATURE_COUNT), "?");
}
