// Where start-up puts its files and looks for the ROM: portable mode, the per-user folder, the
// working folder when neither folder is known, the folder name a title becomes, and the order
// of the ROM archive's candidate places.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/startup_paths.h"

namespace {

TEST(StartupPathsTest, PortableModeNeedsAKnownFolderAndNoAppImage) {
  struct row {
    const char* base;
    int request, marker, appimage;
    int portable;
  };
  const row rows[] = {
      {"/opt/cb/", 1, 0, 0, 1},  // --portable
      {"/opt/cb/", 0, 1, 0, 1},  // portable.txt beside the executable
      {"/opt/cb/", 0, 0, 0, 0},  // neither
      {"/opt/cb/", 0, 1, 1, 0},  // the marker inside an AppImage does not count
      {"/opt/cb/", 1, 0, 1, 0},  // nor does the request
      {"", 1, 1, 0, 0},          // no executable's folder: no portable mode
      {nullptr, 1, 0, 0, 0},
  };
  for (const row& r : rows) {
    EXPECT_EQ(portable_mode(r.base, r.request, r.marker, r.appimage), r.portable)
        << (r.base ? r.base : "null") << " " << r.request << r.marker << r.appimage;
  }
}

TEST(StartupPathsTest, TheDataFolderFallsBackToTheWorkingFolderWhenNoFolderIsKnown) {
  struct row {
    int portable;
    const char* base;
    const char* pref;
    const char* data;
  };
  const row rows[] = {
      {1, "/opt/cb/", "/home/u/.local/share/Larkspindle/Cobaltine/", "/opt/cb/"},
      {0, "/opt/cb/", "/home/u/.local/share/Larkspindle/Cobaltine/",
       "/home/u/.local/share/Larkspindle/Cobaltine/"},
      {0, "/opt/cb/", nullptr, "/opt/cb/"},  // no per-user folder: beside the executable
      {0, "/opt/cb/", "", "/opt/cb/"},
      {0, "", nullptr, "."},  // neither: the working folder, never the root
      {0, nullptr, "", "."},
  };
  for (const row& r : rows) {
    char out[FILE_PATH_MAX];
    choose_data_dir(r.portable, r.base, r.pref, out);
    EXPECT_STREQ(out, r.data);
  }
  char data[FILE_PATH_MAX], settings[FILE_PATH_MAX];
  choose_data_dir(0, "", nullptr, data);
  path_join(settings, sizeof settings, data, "settings.ini");
  EXPECT_STREQ(settings, "./settings.ini");
}

TEST(StartupPathsTest, TitlesBecomeFolderNames) {
  struct row {
    const char* title;
    const char* name;
  };
  const row rows[] = {
      {"Cobaltine", "Cobaltine"}, {"Foo: Bar", "Foo - Bar"},  // the space before the colon goes
      {"Foo:Bar", "Foo -Bar"},  // between two letters: a space and a hyphen
      {"A  : B", "A  - B"},     // only one space is dropped
      {"AC/DC", "AC_DC"},         {"<a>\"b\\c|d?e*", "_a__b_c_d_e_"}, {"", ""},
  };
  for (const row& r : rows) {
    char out[DATA_FOLDER_NAME_MAX];
    data_folder_name(r.title, out);
    EXPECT_STREQ(out, r.name) << r.title;
  }
}

TEST(StartupPathsTest, ALongTitleStopsOnceTheNameReaches125Characters) {
  char out[DATA_FOLDER_NAME_MAX];
  data_folder_name(std::string(300, 'x').c_str(), out);
  EXPECT_EQ(std::string(out), std::string(125, 'x'));
  // A colon at the edge still writes both of its characters.
  data_folder_name((std::string(124, 'x') + ":yyy").c_str(), out);
  EXPECT_EQ(std::string(out), std::string(124, 'x') + " -");
}

TEST(StartupPathsTest, RomCandidatesComeInTheirFixedOrder) {
  static char out[ROM_CANDIDATES_MAX][FILE_PATH_MAX];
  int32_t n = rom_candidates("/opt/cb/", "/data", "/home/u", "cobaltin.zip", out);
  ASSERT_EQ(n, 6);
  EXPECT_STREQ(out[0], "/opt/cb/cobaltin.zip");
  EXPECT_STREQ(out[1], "/data/cobaltin.zip");
  EXPECT_STREQ(out[2], "/data/roms/cobaltin.zip");
  EXPECT_STREQ(out[3], "/home/u/Downloads/cobaltin.zip");
  EXPECT_STREQ(out[4], "/home/u/roms/cobaltin.zip");
  EXPECT_STREQ(out[5], "cobaltin.zip");

  n = rom_candidates("", "/data", nullptr, "cobaltin.zip", out);  // no base, no home
  ASSERT_EQ(n, 3);
  EXPECT_STREQ(out[0], "/data/cobaltin.zip");
  EXPECT_STREQ(out[1], "/data/roms/cobaltin.zip");
  EXPECT_STREQ(out[2], "cobaltin.zip");
}

}  // namespace

TEST(StartupPathsTest, EmptyFolderVariablesCountAsUnset) {
  setenv("HOME", "", 1);
  setenv("XDG_DATA_HOME", "", 1);
  drop_empty_folder_variables();
  EXPECT_EQ(getenv("HOME"), nullptr);  // SDL would build "/.local/share/..." on it
  EXPECT_EQ(getenv("XDG_DATA_HOME"), nullptr);
  setenv("HOME", "/home/player", 1);
  drop_empty_folder_variables();
  EXPECT_STREQ(getenv("HOME"), "/home/player");
}
