// The settings table: INI parse rules, the exact save text, a load-save round trip and the
// integer lookups.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "frontend/settings_store.h"
#include "log_capture.h"
#include "scratch_dir.h"

namespace {

using entry_list = std::vector<std::tuple<std::string, std::string, std::string>>;

entry_list entries_of(const settings_table& table) {
  entry_list list;
  for (int i = 0; i < table.count; i++) {
    list.emplace_back(table.entries[i].section, table.entries[i].key, table.entries[i].value);
  }
  return list;
}

entry_list load_text(const std::string& text) {
  scratch_dir dir;
  EXPECT_TRUE(write_text(dir.at("settings.ini"), text));
  settings_table table = {};
  EXPECT_EQ(settings_table_load(&table, dir.at("settings.ini").c_str()), 1);
  entry_list list = entries_of(table);
  settings_table_clear(&table);
  return list;
}

const std::string HEADER =
    "# Settings written by the frontend. Safe to edit while the game is closed.\n";

}  // namespace

TEST(SettingsLoad, ParsesLinesByTheFileRules) {
  const std::string long_value(3000, 'v');
  const std::string long_key = std::string(62, 'k') + " tail";
  struct parse_case {
    const char* what;
    std::string text;
    entry_list expected;
  };
  const parse_case cases[] = {
      {"spaces and tabs around keys and values",
       "[s]\nkey=value\nkey2 = value\n \t key3 \t=\t value \t \nkey4 = value\r\n",
       {{"s", "key", "value"},
        {"s", "key2", "value"},
        {"s", "key3", "value"},
        {"s", "key4", "value"}}},
      {"CR-LF line ends", "[s]\r\na = 1\r\nb = 2\r\n", {{"s", "a", "1"}, {"s", "b", "2"}}},
      {"only the first '=' splits", "[s]\na = b = c\n", {{"s", "a", "b = c"}}},
      {"comments only at the start of a line",
       "# top\n; semicolon\n[s]\n  # indented\nk = v # kept ; kept\n",
       {{"s", "k", "v # kept ; kept"}}},
      {"keys after '[x' without ']' belong to no section, and are kept",
       "[a]\nk = 1\n[x\nj = 2\n[b]\nm = 3\n",
       {{"a", "k", "1"}, {"", "j", "2"}, {"b", "m", "3"}}},
      {"text after ']' is ignored", "[display] old name\nscale = 3\n", {{"display", "scale", "3"}}},
      {"a repeated key keeps its first place and the last value",
       "[s]\na = 1\nb = 2\na = 3\n",
       {{"s", "a", "3"}, {"s", "b", "2"}}},
      {"a long value is cut",
       "[s]\nv = " + long_value + "\n",
       {{"s", "v", long_value.substr(0, 2047)}}},
      {"a long key is cut, then stripped",
       "[s]\n" + long_key + " = v\n",
       {{"s", std::string(62, 'k'), "v"}}},
      {"keys before any section header",
       "top = 1\n[s]\nk = 2\n",
       {{"", "top", "1"}, {"s", "k", "2"}}},
      {"empty keys and values are kept, lines without '=' are not",
       "[s]\n= v\nk =\nno equals here\n",
       {{"s", "", "v"}, {"s", "k", ""}}},
      {"an empty section header", "[]\nk = v\n", {{"", "k", "v"}}},
      {"no line feed at the end", "[s]\nk = v", {{"s", "k", "v"}}},
      {"an empty file", "", {}},
  };
  for (const parse_case& c : cases) EXPECT_EQ(load_text(c.text), c.expected) << c.what;
}

TEST(SettingsLoad, ABrokenSectionLineIsLoggedWithItsLineNumber) {
  scratch_dir dir;
  const std::string path = dir.at("settings.ini");
  std::string text = "[display]\nscale = 2\n[display\nvsync = 0\n";
  for (int i = 0; i < 9; i++) text += "[gadgets\n";
  ASSERT_TRUE(write_text(path, text));
  settings_table table = {};
  {
    log_capture log(dir.at("frontend.log"));
    ASSERT_EQ(settings_table_load(&table, path.c_str()), 1);
    EXPECT_TRUE(log.has(path + " line 3: section line without ']' (\"[display\"); the keys after "
                               "it belong to no section"))
        << log.text();
    EXPECT_TRUE(log.has_prefix(path + " line 11: section line without ']' (\"[gadgets\")"));
    EXPECT_FALSE(log.has_prefix(path + " line 12:"));  // eight are told one by one
    EXPECT_TRUE(log.has(path + ": 2 more section lines without ']'"));
  }
  EXPECT_STREQ(settings_table_get(&table, "display", "scale"), "2");
  EXPECT_EQ(settings_table_get(&table, "display", "vsync"), nullptr);
  EXPECT_STREQ(settings_table_get(&table, "", "vsync"), "0");
  settings_table_clear(&table);
}

TEST(SettingsLoad, AnUnreadableFileLeavesTheTableAsItWas) {
  scratch_dir dir;
  settings_table table = {};
  settings_table_set(&table, "ui", "slot", "3");
  EXPECT_EQ(settings_table_load(&table, dir.at("missing.ini").c_str()), 0);
  // A FIFO would wait for a writer and a huge file fill memory: both are refused unread.
  ASSERT_EQ(mkfifo(dir.at("fifo.ini").c_str(), 0644), 0);
  EXPECT_EQ(settings_table_load(&table, dir.at("fifo.ini").c_str()), 0);
  ASSERT_TRUE(write_text(dir.at("huge.ini"), "[ui]\nslot = 9\n"));
  ASSERT_EQ(truncate(dir.at("huge.ini").c_str(), SETTINGS_FILE_MAX + 1), 0);  // sparse
  EXPECT_EQ(settings_table_load(&table, dir.at("huge.ini").c_str()), 0);
  EXPECT_EQ(entries_of(table), (entry_list{{"ui", "slot", "3"}}));
  settings_table_clear(&table);
  EXPECT_EQ(table.entries, nullptr);
  EXPECT_EQ(table.count, 0);
  EXPECT_EQ(table.capacity, 0);
}

TEST(SettingsLoad, SetsOverWhatTheTableHolds) {
  scratch_dir dir;
  ASSERT_TRUE(write_text(dir.at("settings.ini"), "[ui]\nslot = 7\nnew = x\n"));
  settings_table table = {};
  settings_table_set(&table, "display", "scale", "3");
  settings_table_set(&table, "ui", "slot", "1");
  ASSERT_EQ(settings_table_load(&table, dir.at("settings.ini").c_str()), 1);
  EXPECT_EQ(entries_of(table),
            (entry_list{{"display", "scale", "3"}, {"ui", "slot", "7"}, {"ui", "new", "x"}}));
  settings_table_clear(&table);
}

TEST(SettingsSave, WritesTheHeaderThenSectionsInOrderOfFirstUse) {
  scratch_dir dir;
  const std::string path = dir.at("settings.ini");
  settings_table table = {};
  ASSERT_EQ(settings_table_save(&table, path.c_str()), 1);
  EXPECT_EQ(read_text(path), HEADER);

  settings_table_set(&table, "paths", "rom", "/roms/cobaltin.zip");
  settings_table_set(&table, "display", "window_scale", "3");
  settings_table_set(&table, "", "orphan", "1");
  settings_table_set(&table, "paths", "browse_dir", "");
  settings_table_set_int(&table, "display", "brightness", -5);
  settings_table_set(&table, "paths", "rom", "/other.zip");
  ASSERT_EQ(settings_table_save(&table, path.c_str()), 1);
  EXPECT_EQ(read_text(path), HEADER +
                                 "\n[paths]\nrom = /other.zip\nbrowse_dir = \n"
                                 "\n[display]\nwindow_scale = 3\nbrightness = -5\n"
                                 "\n[]\norphan = 1\n");
  settings_table_clear(&table);
}

TEST(SettingsSave, ALoadAndSaveKeepsUnknownKeysAndTheEmptySection) {
  scratch_dir dir;
  const std::string path = dir.at("settings.ini");
  ASSERT_TRUE(write_text(path,
                         "; hand-edited\r\norphan=1\n[display]\nfoo = bar\nwindow_scale=2\n"
                         "[custom] note\n  x =  y  \n"));
  settings_table table = {};
  ASSERT_EQ(settings_table_load(&table, path.c_str()), 1);
  settings_table_set_int(&table, "display", "window_scale", 4);
  ASSERT_EQ(settings_table_save(&table, path.c_str()), 1);
  const std::string expected = HEADER +
                               "\n[]\norphan = 1\n"
                               "\n[display]\nfoo = bar\nwindow_scale = 4\n"
                               "\n[custom]\nx = y\n";
  EXPECT_EQ(read_text(path), expected);

  settings_table again = {};
  ASSERT_EQ(settings_table_load(&again, path.c_str()), 1);
  EXPECT_EQ(entries_of(again), entries_of(table));
  settings_table_clear(&again);
  settings_table_clear(&table);
}

TEST(SettingsSave, AValueCutAtItsLengthOrANulByteLoadsAndSavesToTheSameBytesEveryTime) {
  // Each cut leaves a blank at the end of the value, which is stripped like any other.
  const std::string long_value = std::string(2046, 'x') + " yz";  // character 2,047 is a blank
  const std::string text = "[s]\nlong = " + long_value + "\nk = a " + std::string(1, '\0') + "b\n";
  scratch_dir dir;
  ASSERT_TRUE(write_text(dir.at("hand.ini"), text));
  settings_table table = {};
  ASSERT_EQ(settings_table_load(&table, dir.at("hand.ini").c_str()), 1);
  EXPECT_EQ(entries_of(table),
            (entry_list{{"s", "long", std::string(2046, 'x')}, {"s", "k", "a"}}));

  std::vector<std::string> saves;
  for (int round = 0; round < 2; round++) {
    const std::string path = dir.at("round" + std::to_string(round) + ".ini");
    ASSERT_EQ(settings_table_save(&table, path.c_str()), 1);
    saves.push_back(read_text(path));
    settings_table_clear(&table);
    ASSERT_EQ(settings_table_load(&table, path.c_str()), 1);
  }
  EXPECT_EQ(saves[0], HEADER + "\n[s]\nlong = " + std::string(2046, 'x') + "\nk = a\n");
  EXPECT_EQ(saves[1], saves[0]);
  settings_table_clear(&table);
}

TEST(SettingsSave, LongValuesGrowTheTextBuffer) {
  scratch_dir dir;
  const std::string path = dir.at("settings.ini");
  settings_table table = {};
  for (int i = 0; i < 200; i++) {
    settings_table_set(&table, i % 2 ? "odd" : "even", ("key" + std::to_string(i)).c_str(),
                       std::string(2047, (char)('a' + i % 26)).c_str());
  }
  ASSERT_EQ(table.count, 200);
  ASSERT_EQ(settings_table_save(&table, path.c_str()), 1);
  settings_table again = {};
  ASSERT_EQ(settings_table_load(&again, path.c_str()), 1);
  entry_list saved = entries_of(table);
  std::stable_partition(saved.begin(), saved.end(),
                        [](const auto& e) { return std::get<0>(e) == "even"; });
  EXPECT_EQ(entries_of(again), saved);
  settings_table_clear(&again);
  settings_table_clear(&table);
}

TEST(SettingsSave, ManySectionsAndKeysKeepTheirOrderAndValuesThroughLoadAndSave) {
  // Sets in an order that mixes sections, repeats keys and grows every index many times; the
  // expected file is built from a plain list kept beside the table.
  std::vector<std::string> section_order;
  std::vector<std::vector<std::pair<std::string, std::string>>> keys;  // per section, in order
  settings_table table = {};
  for (int i = 0; i < 6000; i++) {
    const int s = (i * 7919) % 1500;
    char section[16], key[16], value[16];
    snprintf(section, sizeof section, "s%d", s);
    snprintf(key, sizeof key, "k%d", (i * 31) % 5);
    snprintf(value, sizeof value, "v%d", i);
    settings_table_set(&table, section, key, value);
    size_t at =
        std::find(section_order.begin(), section_order.end(), section) - section_order.begin();
    if (at == section_order.size()) {
      section_order.push_back(section);
      keys.emplace_back();
    }
    auto& list = keys[at];
    auto found =
        std::find_if(list.begin(), list.end(), [&](const auto& p) { return p.first == key; });
    if (found == list.end()) {
      list.emplace_back(key, value);
    } else {
      found->second = value;
    }
  }
  std::string expected = HEADER;
  size_t total = 0;
  for (size_t s = 0; s < section_order.size(); s++) {
    expected.append("\n[").append(section_order[s]).append("]\n");
    for (const auto& [key, value] : keys[s])
      expected.append(key).append(" = ").append(value) += '\n';
    total += keys[s].size();
  }
  ASSERT_EQ(size_t(table.count), total);

  scratch_dir dir;
  const std::string path = dir.at("settings.ini");
  ASSERT_EQ(settings_table_save(&table, path.c_str()), 1);
  EXPECT_EQ(read_text(path), expected);
  settings_table again = {};
  ASSERT_EQ(settings_table_load(&again, path.c_str()), 1);
  ASSERT_EQ(settings_table_save(&again, dir.at("again.ini").c_str()), 1);
  EXPECT_EQ(read_text(dir.at("again.ini")), expected);
  EXPECT_STREQ(settings_table_get(&again, "s1499", "k4"),
               settings_table_get(&table, "s1499", "k4"));
  settings_table_clear(&again);
  settings_table_clear(&table);
}

TEST(SettingsSave, AFailedWriteGivesZero) {
  scratch_dir dir;
  settings_table table = {};
  settings_table_set(&table, "ui", "slot", "1");
  EXPECT_EQ(settings_table_save(&table, dir.at("missing/settings.ini").c_str()), 0);
  settings_table_clear(&table);
}

TEST(SettingsSet, KeepsOneEntryPerSectionAndKeyAsStored) {
  settings_table table = {};
  const std::string long_key(80, 'k');
  settings_table_set(&table, "s", long_key.c_str(), "1");
  settings_table_set(&table, "s", long_key.c_str(), "2");
  settings_table_set(&table, "S", "a", "case");
  settings_table_set(&table, "s", "a", "lower");
  ASSERT_EQ(table.count, 3);
  EXPECT_STREQ(table.entries[0].key, std::string(63, 'k').c_str());
  EXPECT_STREQ(settings_table_get(&table, "s", long_key.c_str()), "2");
  EXPECT_STREQ(settings_table_get(&table, "S", "a"), "case");
  EXPECT_EQ(settings_table_get(&table, "s", "b"), nullptr);

  // A value taken from the table itself survives the array moving.
  for (int i = 0; i < 64; i++) settings_table_set(&table, "fill", std::to_string(i).c_str(), "x");
  settings_table_set(&table, "copy", "a", settings_table_get(&table, "s", "a"));
  EXPECT_STREQ(settings_table_get(&table, "copy", "a"), "lower");
  settings_table_clear(&table);
}

TEST(SettingsGetInt, ReadsBaseZeroNumbersOrGivesTheDefault) {
  const std::pair<const char*, int32_t> cases[] = {
      {"0x10", 16}, {"010", 8},     {"12abc", 12}, {"abc", -7}, {"", -7},          {" -5", -5},
      {"+7", 7},    {"-0x10", -16}, {"0", 0},      {"0x", 0},   {"4294967297", 1},  // truncated to
                                                                                    // 32 bits
  };
  settings_table table = {};
  for (const auto& c : cases) {
    settings_table_set(&table, "s", "k", c.first);
    EXPECT_EQ(settings_table_get_int(&table, "s", "k", -7), c.second) << '"' << c.first << '"';
  }
  EXPECT_EQ(settings_table_get_int(&table, "s", "absent", -7), -7);
  settings_table_set_int(&table, "s", "k", -2147483647 - 1);
  EXPECT_STREQ(settings_table_get(&table, "s", "k"), "-2147483648");
  settings_table_clear(&table);
}
