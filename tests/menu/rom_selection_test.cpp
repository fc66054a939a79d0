// The ROM Selection page over folder trees made for each test: folders first, hidden names left
// out, a link to a folder, the ZIP filter and "Show", walking down and up to the locations, where
// a visit starts (also without a home folder), a folder that cannot be listed (reported once per
// visit), Back, and choosing an archive: the fake game's, the real game's test ROM set and a
// bogus "cobaltin.zip"; after a switch (chosen here or a dropped file) the next visit lists its
// folder afresh.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "adapter/game_adapter.h"
#include "fake_game.h"
#include "frontend/file_util.h"
#include "frontend/frontend_state.h"
#include "frontend/game_lifecycle.h"
#include "log_capture.h"
#include "menu/rom_selection.h"
#include "menu_fixture.h"
#include "test_romset.h"

namespace {

const char PARENT[] = ".. (parent folder)";
const char USE_THIS[] = "Use this folder's ROM";

// One emitted row as "label|value".
std::vector<std::string> label_values(const std::vector<menu_row>& rows) {
  std::vector<std::string> out;
  for (const menu_row& row : rows) out.push_back(row.label + "|" + row.value);
  return out;
}

size_t count_of(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) n++;
  return n;
}

class RomSelection : public menu_fixture {
 protected:
  void SetUp() override {
    menu_fixture::SetUp();
    const char* home = getenv("HOME");
    had_home = home != nullptr;
    if (home) saved_home = home;
    home_path = dir.at("home");
    mkdir(home_path.c_str(), 0755);
    setenv("HOME", home_path.c_str(), 1);
    fe.browse_dir[0] = '\0';
    fe.browse_show_all = 0;
    tree = dir.at("tree");
    stack({MENU_PAGE_MAIN, MENU_PAGE_ROM_SELECTION});
  }
  void TearDown() override {
    if (had_home) {
      setenv("HOME", saved_home.c_str(), 1);
    } else {
      unsetenv("HOME");
    }
    menu_fixture::TearDown();
  }

  // tree/: the folders Alpha and zeta, a link to the folder elsewhere (holding inside.zip), a
  // dangling link, b.zip, A.ZIP, readme.txt, and the hidden .hidden.zip and .cache/.
  void make_tree() {
    for (const char* folder : {"tree", "tree/Alpha", "tree/zeta", "tree/.cache", "elsewhere"}) {
      ASSERT_EQ(mkdir(dir.at(folder).c_str(), 0755), 0) << folder;
    }
    for (const char* file : {"tree/b.zip", "tree/A.ZIP", "tree/readme.txt", "tree/.hidden.zip",
                             "elsewhere/inside.zip"}) {
      ASSERT_TRUE(write_text(dir.at(file), "not an archive")) << file;
    }
    ASSERT_EQ(symlink(dir.at("elsewhere").c_str(), dir.at("tree/linked").c_str()), 0);
    ASSERT_EQ(symlink(dir.at("nothing-here").c_str(), dir.at("tree/dangling").c_str()), 0);
  }
  void browse(const std::string& folder) {
    snprintf(fe.browse_dir, sizeof fe.browse_dir, "%s", folder.c_str());
  }
  std::vector<std::string> listed() { return label_values(rows.of(MENU_PAGE_ROM_SELECTION)); }
  int32_t row_of(const std::string& label) {
    frame();
    const std::vector<std::string> labels = rows.labels(MENU_PAGE_ROM_SELECTION);
    for (size_t i = 0; i < labels.size(); i++) {
      if (labels[i] == label) return int32_t(i);
    }
    ADD_FAILURE() << "no row " << label;
    return 0;
  }
  void activate(const std::string& label) {
    select(row_of(label));
    fe.menu.nav_accept = 1;
    frame();
  }
  // The page opened from the Main Menu's "ROM Selection" row, and its first frame.
  void open_from_main_menu() {
    open_on(MENU_PAGE_MAIN);
    frame();
    const std::vector<std::string> labels = rows.labels(MENU_PAGE_MAIN);
    for (size_t i = 0; i < labels.size(); i++) {
      if (labels[i] == "ROM Selection") select(int32_t(i));
    }
    fe.menu.nav_accept = 1;
    frame();
    ASSERT_EQ(menu_top_page(), int32_t(MENU_PAGE_ROM_SELECTION));
    frame();
  }

  bool had_home = false;
  std::string saved_home, home_path, tree;
};

TEST_F(RomSelection, AFolderListsItsFoldersFirstThenItsZipArchives) {
  make_tree();
  browse(tree);
  frame();
  const std::vector<std::string> zips = {
      std::string(PARENT) + "|",
      "Show|ZIP archives",
      "Alpha/|folder",
      "linked/|folder",
      "zeta/|folder",
      "A.ZIP|zip",
      "b.zip|zip",
  };
  EXPECT_EQ(listed(), zips);
  const menu_row* parent = rows.find(MENU_PAGE_ROM_SELECTION, PARENT);
  ASSERT_NE(parent, nullptr);
  EXPECT_FALSE(parent->has_value);
  EXPECT_EQ(parent->hint, "Go up one level.");
  EXPECT_EQ(rows.find(MENU_PAGE_ROM_SELECTION, "Show")->hint,
            "Toggle between ZIP archives only and every file.");
  EXPECT_NE(rec.find_text("ROM Selection"), nullptr);
  EXPECT_NE(rec.find_text(tree), nullptr) << "the folder is the subtitle";

  // Every file; the flag outlives the visit.
  activate("Show");
  frame();
  std::vector<std::string> all = zips;
  all[1] = "Show|All files";
  all.push_back("readme.txt|");
  EXPECT_EQ(listed(), all);
  fe.menu.nav_back = 1;
  frame();
  open_from_main_menu();
  EXPECT_EQ(listed(), all);
}

TEST_F(RomSelection, FoldersOpenDownwardsAndTheParentRowClimbsToTheLocations) {
  make_tree();
  browse(tree);
  activate("linked/");
  EXPECT_EQ(std::string(fe.browse_dir), tree + "/linked");
  EXPECT_EQ(fe.menu.cursor[MENU_PAGE_ROM_SELECTION], 0);
  frame();
  EXPECT_EQ(listed(), (std::vector<std::string>{std::string(PARENT) + "|", "Show|ZIP archives",
                                                "inside.zip|zip"}));

  activate(PARENT);
  EXPECT_EQ(std::string(fe.browse_dir), tree);
  activate("Alpha/");
  frame();
  EXPECT_EQ(listed(), (std::vector<std::string>{std::string(PARENT) + "|", "Show|ZIP archives"}));

  // From "/" the parent row leads to the locations, whose first row does nothing.
  browse("/");
  rom_selection_forget();
  activate(PARENT);
  EXPECT_EQ(fe.browse_at_locations, 1);
  frame();
  EXPECT_NE(rec.find_text("Drives and locations"), nullptr);
  std::vector<std::string> labels = rows.labels(MENU_PAGE_ROM_SELECTION);
  ASSERT_GE(labels.size(), 4u);
  EXPECT_EQ(labels[0], "(locations)");
  EXPECT_EQ(labels[1], "Show");
  EXPECT_EQ(labels[2], home_path + "/");
  EXPECT_EQ(labels[3], "//");
  EXPECT_EQ(rows.of(MENU_PAGE_ROM_SELECTION)[2].value, "folder");
  activate("(locations)");
  EXPECT_EQ(fe.browse_at_locations, 1);

  // A location is a whole path; it stays whole while its listing is replaced.
  activate(home_path + "/");
  EXPECT_EQ(fe.browse_at_locations, 0);
  EXPECT_EQ(std::string(fe.browse_dir), home_path);
}

TEST_F(RomSelection, AVisitStartsInTheLastFolderElseTheRomsFolderElseHome) {
  make_tree();
  struct start_case {
    const char* label;
    std::string browse_dir, rom_path, expected;
  };
  const start_case cases[] = {
      {"the last folder", tree, dir.at("elsewhere/x.zip"), tree},
      {"the ROM's folder when the last one is gone", dir.at("gone"), dir.at("elsewhere/x.zip"),
       dir.at("elsewhere")},
      {"home without either", "", "", home_path},
      {"home when the ROM's folder is gone", "", dir.at("gone/x.zip"), home_path},
      {"home for a bare ROM name", "", "x.zip", home_path},
  };
  for (const start_case& c : cases) {
    rom_selection_forget();
    browse(c.browse_dir);
    snprintf(fe.rom_path, sizeof fe.rom_path, "%s", c.rom_path.c_str());
    frame();
    EXPECT_EQ(std::string(fe.browse_dir), c.expected) << c.label;
    EXPECT_EQ(fe.browse_at_locations, 0) << c.label;
    EXPECT_EQ(rows.labels(MENU_PAGE_ROM_SELECTION)[0], PARENT) << c.label;
  }
}

TEST_F(RomSelection, WithoutAHomeFolderAVisitStartsAtTheLocations) {
  log_capture log(fe.log_path);
  struct home_case {
    const char* label;
    bool set;
    std::string value;
    std::string first_location;
  };
  const home_case cases[] = {
      {"HOME unset", false, "", "//"},
      {"HOME naming no folder", true, dir.at("no-such-home"), dir.at("no-such-home") + "/"},
  };
  for (const home_case& c : cases) {
    rom_selection_forget();
    if (c.set) {
      setenv("HOME", c.value.c_str(), 1);
    } else {
      unsetenv("HOME");
    }
    frame();
    EXPECT_EQ(fe.browse_at_locations, 1) << c.label;
    const std::vector<std::string> labels = rows.labels(MENU_PAGE_ROM_SELECTION);
    ASSERT_GE(labels.size(), 3u) << c.label;
    EXPECT_EQ(labels[0], "(locations)") << c.label;
    EXPECT_EQ(labels[2], c.first_location) << c.label;
    EXPECT_NE(rec.find_text("Drives and locations"), nullptr) << c.label;
  }
  EXPECT_EQ(count_of(log.text(), "Cannot open"), 0u);
}

TEST_F(RomSelection, AFolderThatCannotBeListedIsReportedOncePerVisit) {
  log_capture log(fe.log_path);
  make_tree();
  // Each is listed as a folder and then disappears: a removed folder, a link left dangling.
  struct vanish_case {
    const char* name;
    void (*make)(const scratch_dir& dir);
    void (*remove)(const scratch_dir& dir);
  };
  const vanish_case cases[] = {
      {"gone", [](const scratch_dir& d) { ASSERT_EQ(mkdir(d.at("tree/gone").c_str(), 0755), 0); },
       [](const scratch_dir& d) { ASSERT_EQ(rmdir(d.at("tree/gone").c_str()), 0); }},
      {"vanishing",
       [](const scratch_dir& d) {
         ASSERT_EQ(mkdir(d.at("target").c_str(), 0755), 0);
         ASSERT_EQ(symlink(d.at("target").c_str(), d.at("tree/vanishing").c_str()), 0);
       },
       [](const scratch_dir& d) { ASSERT_EQ(rmdir(d.at("target").c_str()), 0); }},
  };
  for (const vanish_case& c : cases) {
    c.make(dir);
    browse(tree);
    rom_selection_forget();
    frame();
    c.remove(dir);
    activate(std::string(c.name) + "/");
    const std::string path = tree + "/" + c.name;
    EXPECT_EQ(std::string(fe.toast_text), "Cannot open " + path);
    for (int i = 0; i < 10; i++) frame();
    EXPECT_EQ(count_of(log.text(), "] Cannot open " + path + "\n"), 1u) << c.name;
    EXPECT_EQ(listed(), (std::vector<std::string>{std::string(PARENT) + "|", "Show|ZIP archives"}));
    EXPECT_EQ(std::string(fe.browse_dir), path);
  }
  EXPECT_EQ(count_of(log.text(), "Cannot open"), 2u);
}

TEST_F(RomSelection, BackKeepsTheFolderInTheSettingsAndTheNextVisitListsAfresh) {
  make_tree();
  browse(tree);
  activate("Alpha/");
  fe.menu.nav_back = 1;
  frame();
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_MAIN));
  EXPECT_EQ(fe.browse_entries, nullptr);
  EXPECT_EQ(fe.browse_listed, 0);
  EXPECT_NE(read_text(fe.settings_path).find("browse_dir = " + tree + "/Alpha\n"),
            std::string::npos);

  ASSERT_TRUE(write_text(dir.at("tree/Alpha/new.zip"), "x"));
  open_from_main_menu();
  EXPECT_EQ(std::string(fe.browse_dir), tree + "/Alpha");
  EXPECT_NE(rows.find(MENU_PAGE_ROM_SELECTION, "new.zip"), nullptr);
}

TEST_F(RomSelection, ChoosingTheGamesArchiveLoadsItAndTheNextVisitListsAfresh) {
  make_tree();
  const std::string archive = tree + "/fakegame.zip";
  ASSERT_EQ(fake_game_write_rom(archive.c_str()), 1);
  browse(tree);
  frame();
  const std::vector<menu_row> page = rows.of(MENU_PAGE_ROM_SELECTION);
  ASSERT_GE(page.size(), 3u);
  EXPECT_EQ(page[1].label, USE_THIS);
  EXPECT_EQ(page[1].value, "fakegame.zip");
  EXPECT_EQ(page[1].hint, archive);
  EXPECT_EQ(page[2].label, "Show");
  const menu_row* file = rows.find(MENU_PAGE_ROM_SELECTION, "fakegame.zip");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->value, "expected name");

  // No game runs: it loads at once and the page goes.
  activate(USE_THIS);
  EXPECT_EQ(fe.rom_ready, 1);
  EXPECT_EQ(std::string(fe.rom_path), archive);
  EXPECT_STREQ(fe.toast_text, "ROM ready: fakegame.zip");
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_MAIN));
  EXPECT_EQ(fe.browse_entries, nullptr);

  ASSERT_TRUE(write_text(tree + "/c.zip", "x"));
  open_from_main_menu();
  EXPECT_NE(rows.find(MENU_PAGE_ROM_SELECTION, "c.zip"), nullptr);

  // A game runs: the question first. "No" keeps the visit and its selection.
  game_running();
  snprintf(fe.rom_path, sizeof fe.rom_path, "%s", archive.c_str());
  const int32_t file_row = row_of("fakegame.zip");
  activate("fakegame.zip");
  ASSERT_EQ(menu_top_page(), int32_t(MENU_PAGE_CONFIRM));
  EXPECT_STREQ(fe.confirm_text, "Switch to fakegame.zip? The current game will end.");
  fe.menu.nav_back = 1;
  frame();
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_ROM_SELECTION));
  EXPECT_EQ(fe.menu.cursor[MENU_PAGE_ROM_SELECTION], file_row);
  EXPECT_EQ(fe.browse_listed, 1);

  // "Yes": the game ends, the set loads, the Main Menu shows, and the visit is over.
  activate("fakegame.zip");
  fe.menu.nav_left = 1;
  frame();
  fe.menu.nav_accept = 1;
  frame();
  EXPECT_EQ(fe.running, 0);
  EXPECT_EQ(fe.rom_ready, 1);
  EXPECT_EQ(fe.menu.depth, 1);
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_MAIN));
  EXPECT_EQ(fe.browse_entries, nullptr);
  ASSERT_TRUE(write_text(tree + "/d.zip", "x"));
  open_from_main_menu();
  EXPECT_NE(rows.find(MENU_PAGE_ROM_SELECTION, "d.zip"), nullptr);
}

TEST_F(RomSelection, AnArchiveDroppedOnTheWindowEndsTheVisitToo) {
  make_tree();
  const std::string archive = dir.at("elsewhere/fakegame.zip");
  ASSERT_EQ(fake_game_write_rom(archive.c_str()), 1);
  browse(tree);
  frame();
  ASSERT_EQ(fe.browse_listed, 1);
  switch_rom(archive.c_str());  // what the main loop does with a dropped file
  EXPECT_EQ(fe.rom_ready, 1);
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_MAIN));
  EXPECT_EQ(fe.browse_entries, nullptr);
  ASSERT_TRUE(write_text(tree + "/e.zip", "x"));
  open_from_main_menu();
  EXPECT_NE(rows.find(MENU_PAGE_ROM_SELECTION, "e.zip"), nullptr);
}

// The real game's descriptor: its archive name and its own check of the set.
class CobaltinRomSelection : public RomSelection {
 protected:
  const game_adapter* game() override { return &cobaltin_adapter; }
  void TearDown() override {
    adapter_release();
    RomSelection::TearDown();
  }
};

TEST_F(CobaltinRomSelection, ChoosingTheTestRomSetLoadsIt) {
  ASSERT_EQ(mkdir(tree.c_str(), 0755), 0);
  const uint8_t program[16] = {0x00, 0x00, 0x01, 0x00, 0x06, 0x00, 0x00, 0x00,
                               0xaf, 0xfe, 0x00, 0x09, 0x00, 0x09, 0x00, 0x09};
  test_rom_members members;
  std::string error;
  ASSERT_EQ(test_romset_members(program, sizeof program, &members, &error), 1) << error;
  const std::string archive = tree + "/cobaltin.zip";
  ASSERT_EQ(test_romset_write_zip(archive.c_str(), members, 0, &error), 1) << error;
  browse(tree);
  frame();
  const menu_row* file = rows.find(MENU_PAGE_ROM_SELECTION, "cobaltin.zip");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->value, "expected name");

  activate(USE_THIS);
  EXPECT_EQ(fe.rom_ready, 1) << fe.error_body;
  EXPECT_EQ(std::string(fe.rom_path), archive);
  EXPECT_STREQ(fe.toast_text, "ROM ready: cobaltin.zip");
  EXPECT_NE(fe.adapter->rom_fingerprint(), 0u);
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_MAIN));
}

TEST_F(CobaltinRomSelection, ABogusCobaltinZipIsNotUsable) {
  ASSERT_EQ(mkdir(tree.c_str(), 0755), 0);
  ASSERT_TRUE(write_text(tree + "/cobaltin.zip", "PK but nothing like a zip archive"));
  browse(tree);
  activate(USE_THIS);
  EXPECT_EQ(fe.rom_ready, 0);
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_ERROR));
  EXPECT_STREQ(fe.error_title, "ROM not usable");
  const std::string body = fe.error_body;
  EXPECT_EQ(body.rfind("cobaltin.zip\n\n", 0), 0u) << body;
  const std::string tail = "\n\nExpected: cobaltin.zip (standard set, unmodified).";
  ASSERT_GT(body.size(), tail.size());
  EXPECT_EQ(body.substr(body.size() - tail.size()), tail) << body;

  // The browser stays beneath the dialog with its listing.
  EXPECT_EQ(fe.browse_listed, 1);
  fe.menu.nav_accept = 1;
  frame();
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_ROM_SELECTION));
  EXPECT_EQ(std::string(fe.browse_dir), tree);
}

}  // namespace
