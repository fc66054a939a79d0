// The Extras page over the fake game: its rows in each state (no ROM, a ROM ready, a game
// running, recording, rewind unsupported), the rewind rows and the ring they steer, the option
// toggles, recording and stopping a movie, playing the latest movie (none, a bad one, a good one,
// and the question while a game runs), the screenshot, the reset question and Back.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "frontend/frontend_state.h"
#include "frontend/movies.h"
#include "frontend/rewind.h"
#include "frontend/state_container.h"
#include "menu/extras_page.h"
#include "menu_fixture.h"
#include "ui/text.h"

namespace {

const char REWIND_HINT[] = "Hold the Rewind hotkey (Backspace) to step back in time.";
const char LIMIT_HINT[] = "Older history is discarded beyond this budget.";
const char RECORD_HINT[] = "Records your inputs from the current moment; replays exactly.";
const char PLAY_HINT[] = "Loads the movie's starting point and replays its inputs.";
const char FOLDER_HINT[] = "Settings, save states, screenshots, movies and the log live here.";
const char RESET_HINT[] = "Restores every setting and mapping. Save states are kept.";

class ExtrasPage : public menu_fixture {
 protected:
  void SetUp() override {
    menu_fixture::SetUp();
    fe.feature_enabled[FEATURE_REWIND] = 1;
    fe.feature_enabled[FEATURE_INPUT_MOVIES] = 1;
    frontend_settings& s = fe.settings;
    s.rewind = 0;
    s.rewind_mb = 64;
    s.autosave_exit = 1;
    s.autosave_menu = 0;
    s.pause_on_focus_loss = 1;
    stack({MENU_PAGE_MAIN, MENU_PAGE_EXTRAS});
  }
  int32_t row_of(const char* label) {
    frame();
    const std::vector<std::string> labels = rows.labels(MENU_PAGE_EXTRAS);
    for (size_t i = 0; i < labels.size(); i++) {
      if (labels[i] == label) return int32_t(i);
    }
    ADD_FAILURE() << "no row " << label;
    return 0;
  }
  void activate(const char* label) {
    select(row_of(label));
    fe.menu.nav_accept = 1;
    frame();
  }
  void step(const char* label, int32_t direction) {
    select(row_of(label));
    (direction < 0 ? fe.menu.nav_left : fe.menu.nav_right) = 1;
    frame();
  }
  // The row as one frame emits it.
  menu_row row(const char* label) {
    frame();
    const menu_row* found = rows.find(MENU_PAGE_EXTRAS, label);
    EXPECT_NE(found, nullptr) << label;
    return found ? *found : menu_row();
  }
  std::string movie_path(const std::string& name) { return dir.at("movies/" + name); }
  // A movie of the fake game starting at frame `start` with these input words.
  void write_movie(const std::string& name, uint32_t start, const std::vector<uint32_t>& words) {
    const uint32_t frames = fake.frame_count;
    fake.frame_count = start;
    const file_bytes container = bytes_of_state_container();
    ASSERT_FALSE(container.empty());
    ASSERT_TRUE(bytes_write(movie_path(name), bytes_of_movie(container, uint32_t(container.size()),
                                                             bytes_of_words(words))));
    fake.frame_count = frames;
  }
};

TEST_F(ExtrasPage, TheRowsFollowTheStateOfTheGameAndOfTheMovies) {
  const std::string data_dir = fe.data_dir;
  const std::string shots = fe.screenshots_dir;
  // The page: the rewind rows, the three options, the movie row, then the fixed tail.
  auto rows_with = [&](const std::vector<expected_row>& rewind, const expected_row& movie,
                       bool play, bool shot) {
    std::vector<expected_row> all = rewind;
    all.push_back({"Autosave on Exit", "On", true, nullptr});
    all.push_back({"Autosave on Main Menu", "Off", true, nullptr});
    all.push_back({"Pause When Unfocused", "On", true, nullptr});
    all.push_back(movie);
    all.push_back({"Play Latest Movie", nullptr, play, PLAY_HINT});
    all.push_back({"Take Screenshot", nullptr, shot, shots.c_str()});
    all.push_back({"Data Folder", data_dir.c_str(), false, FOLDER_HINT});
    all.push_back({"Reset All Settings", nullptr, true, RESET_HINT});
    return all;
  };
  const std::vector<expected_row> rewind_off = {
      {"Rewind", "Off", true, REWIND_HINT},
      {"Rewind Memory Limit", "64 MB", false, LIMIT_HINT},
  };
  const std::vector<expected_row> rewind_on = {
      {"Rewind", "On", true, REWIND_HINT},
      {"Rewind Memory Limit", "64 MB", true, LIMIT_HINT},
      {"Rewind History", "0.0 s, 0.0 MB", false, nullptr},
  };
  const expected_row record_closed = {"Record Input Movie", nullptr, false, RECORD_HINT};

  // No ROM: nothing to record, play or photograph.
  frame();
  expect_rows(rows.of(MENU_PAGE_EXTRAS), rows_with(rewind_off, record_closed, false, false),
              "no ROM");

  // A ROM ready: a movie can be played (it starts the game itself).
  rom_ready();
  frame();
  expect_rows(rows.of(MENU_PAGE_EXTRAS), rows_with(rewind_off, record_closed, true, false),
              "ROM ready");

  // A game running with rewind on: the history shows, recording and screenshots open up.
  game_running();
  fe.settings.rewind = 1;
  reset_rewind_ring();
  frame();
  expect_rows(rows.of(MENU_PAGE_EXTRAS),
              rows_with(rewind_on, {"Record Input Movie", nullptr, true, RECORD_HINT}, true, true),
              "running");

  // Without the movie feature the game runs but cannot be recorded.
  fe.feature_enabled[FEATURE_INPUT_MOVIES] = 0;
  EXPECT_FALSE(row("Record Input Movie").enabled);
  fe.feature_enabled[FEATURE_INPUT_MOVIES] = 1;

  // Recording: "Stop Recording" in its place with the overlay text as hint; no playback.
  fe.movie_record = fopen(movie_path("movie-20240101-000000.femv").c_str(), "wb");
  ASSERT_NE(fe.movie_record, nullptr);
  snprintf(fe.movie_text, sizeof fe.movie_text, "REC movie-20240101-000000.femv");
  frame();
  expect_rows(
      rows.of(MENU_PAGE_EXTRAS),
      rows_with(rewind_on, {"Stop Recording", nullptr, true, "REC movie-20240101-000000.femv"},
                false, true),
      "recording");
  movie_stop_all();

  // Rewind unsupported: the row says so and is closed; the budget row follows the setting.
  fe.feature_enabled[FEATURE_REWIND] = 0;
  const menu_row rewind = row("Rewind");
  EXPECT_EQ(rewind.value, "Unsupported");
  EXPECT_FALSE(rewind.enabled);
  EXPECT_TRUE(row("Rewind Memory Limit").enabled);
  fe.settings.rewind = 0;
  EXPECT_FALSE(row("Rewind Memory Limit").enabled);
  const int32_t before = fe.settings.rewind;
  activate("Rewind");
  EXPECT_EQ(fe.settings.rewind, before);
}

TEST_F(ExtrasPage, ALongDataFolderIsCutFromTheLeftToEndBesideItsLabel) {
  // The row's room at ui unit 100: the list (548) less the label's inset, the label, a gap and
  // the value's right margin.
  const int32_t room = 548 - 8 - text_measure("Data Folder", 24) - 24 - 16;
  struct folder_case {
    std::string folder, value;
  };
  const folder_case cases[] = {
      {"/home/player/games", "/home/player/games"},
      {"/home/player/.local/share/Larkspindle/Cobaltine", ".../share/Larkspindle/Cobaltine"},
      {"/" + std::string(60, 'x'), "..."},
  };
  for (const folder_case& c : cases) {
    snprintf(fe.data_dir, sizeof fe.data_dir, "%s", c.folder.c_str());
    const std::string value = row("Data Folder").value;
    if (c.value != "...") {
      EXPECT_EQ(value, c.value);
    } else {
      EXPECT_EQ(value.rfind("...x", 0), 0u) << value;
      EXPECT_EQ(c.folder.substr(c.folder.size() - (value.size() - 3)), value.substr(3));
    }
    EXPECT_LE(text_measure(value.c_str(), 22), room) << value;
  }
}

TEST_F(ExtrasPage, RewindSwitchesTheRingOfARunningGameAtOnce) {
  // Without a game the setting changes and the ring waits for the next start.
  activate("Rewind");
  EXPECT_EQ(fe.settings.rewind, 1);
  EXPECT_EQ(fe.rewind.entries, nullptr);
  step("Rewind", -1);
  EXPECT_EQ(fe.settings.rewind, 0);

  game_running();
  step("Rewind", +1);
  EXPECT_EQ(fe.settings.rewind, 1);
  ASSERT_NE(fe.rewind.entries, nullptr);
  EXPECT_EQ(fe.rewind.budget, 64ull << 20);
  for (int i = 0; i < 15; i++) ASSERT_EQ(rewind_capture(), 1);
  char history[64];
  snprintf(history, sizeof history, "1.0 s, %.1f MB", double(fe.rewind.total) / 1048576.0);
  EXPECT_EQ(row("Rewind History").value, history) << "15 snapshots at 60 frames per second";

  activate("Rewind");
  EXPECT_EQ(fe.settings.rewind, 0);
  EXPECT_EQ(fe.rewind.entries, nullptr);
  frame();
  EXPECT_EQ(rows.find(MENU_PAGE_EXTRAS, "Rewind History"), nullptr);
}

TEST_F(ExtrasPage, RewindTurnedOffWhileNoGameRunsFreesTheRingOfTheLastOne) {
  fe.settings.rewind = 1;
  game_running();
  reset_rewind_ring();
  for (int i = 0; i < 3; i++) ASSERT_EQ(rewind_capture(), 1);
  fe.running = 0;  // the game stopped; its snapshots would come back with the next Continue
  activate("Rewind");
  EXPECT_EQ(fe.settings.rewind, 0);
  EXPECT_EQ(fe.rewind.entries, nullptr);
  EXPECT_EQ(fe.rewind.total, 0u);
  activate("Rewind");  // on again: the ring waits for the next game
  EXPECT_EQ(fe.settings.rewind, 1);
  EXPECT_EQ(fe.rewind.entries, nullptr);
}

TEST_F(ExtrasPage, TheMemoryLimitStepsBySixteenWithinItsRangeAndSetsTheBudget) {
  game_running();
  fe.settings.rewind = 1;
  reset_rewind_ring();
  struct limit_case {
    int32_t from, direction, to;  // direction 0: activation
  };
  const limit_case cases[] = {{64, +1, 80}, {64, -1, 48},   {64, 0, 80},    {16, -1, 16},
                              {32, -1, 16}, {512, +1, 512}, {500, +1, 512}, {512, 0, 512}};
  for (const limit_case& c : cases) {
    fe.settings.rewind_mb = c.from;
    if (c.direction) {
      step("Rewind Memory Limit", c.direction);
    } else {
      activate("Rewind Memory Limit");
    }
    EXPECT_EQ(fe.settings.rewind_mb, c.to) << c.from << " " << c.direction;
    EXPECT_EQ(fe.rewind.budget, uint64_t(c.to) << 20);
    char value[16];
    snprintf(value, sizeof value, "%d MB", c.to);
    EXPECT_EQ(row("Rewind Memory Limit").value, value);
  }
}

TEST_F(ExtrasPage, TheOptionsFlipOnEnterAndOnEitherArrow) {
  struct option_case {
    const char* label;
    int32_t* setting;
  };
  const option_case options[] = {{"Autosave on Exit", &fe.settings.autosave_exit},
                                 {"Autosave on Main Menu", &fe.settings.autosave_menu},
                                 {"Pause When Unfocused", &fe.settings.pause_on_focus_loss}};
  for (const option_case& o : options) {
    const int32_t start = *o.setting;
    activate(o.label);
    EXPECT_EQ(*o.setting, !start) << o.label;
    step(o.label, -1);
    EXPECT_EQ(*o.setting, start) << o.label;
    step(o.label, +1);
    EXPECT_EQ(*o.setting, !start) << o.label;
    EXPECT_EQ(row(o.label).value, !start ? "On" : "Off");
  }
}

TEST_F(ExtrasPage, RecordingStartsFromTheGameNowAndStopsWithTheMenuOpen) {
  game_running();
  fake.frame_count = 250;
  activate("Record Input Movie");
  ASSERT_NE(fe.movie_record, nullptr) << fe.toast_text;
  EXPECT_EQ(fe.menu_open, 0);
  const std::string text = fe.movie_text;
  ASSERT_EQ(text.rfind("REC movie-", 0), 0u) << text;
  const std::string name = text.substr(4);
  EXPECT_EQ(std::string(fe.toast_text), "Recording inputs to " + name);
  EXPECT_EQ(read_text(movie_path(name)).substr(0, 8), "FEMOVIE1");

  stack({MENU_PAGE_PAUSE, MENU_PAGE_EXTRAS});
  activate("Stop Recording");
  EXPECT_EQ(fe.movie_record, nullptr);
  EXPECT_STREQ(fe.toast_text, "Recording saved");
  EXPECT_STREQ(fe.movie_text, "");
  EXPECT_EQ(fe.menu_open, 1);
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_EXTRAS));
  EXPECT_TRUE(row("Record Input Movie").enabled);
}

TEST_F(ExtrasPage, AFailedRecordingStartStillClosesTheMenu) {
  game_running();
  ASSERT_EQ(rmdir(fe.movies_dir), 0);
  activate("Record Input Movie");
  EXPECT_EQ(fe.movie_record, nullptr);
  EXPECT_EQ(std::string(fe.toast_text).rfind("Cannot write " + std::string(fe.movies_dir), 0), 0u)
      << fe.toast_text;
  EXPECT_EQ(fe.menu_open, 0);
  EXPECT_STREQ(fe.movie_text, "");
}

TEST_F(ExtrasPage, PlayingTheLatestMovieWithNoneABadOneAndAGoodOne) {
  rom_ready();
  // None yet: a toast, and the menu stays.
  activate("Play Latest Movie");
  EXPECT_STREQ(fe.toast_text, "No recorded movies yet");
  EXPECT_EQ(fe.menu_open, 1);
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_EXTRAS));
  EXPECT_EQ(fe.running, 0);

  // The newest one is damaged: refused by its message, and nothing plays.
  write_movie("movie-20240101-120000.femv", 10, {1, 2});
  ASSERT_TRUE(write_text(movie_path("movie-20240102-120000.femv"), "FEMOVIE2 and more bytes"));
  activate("Play Latest Movie");
  EXPECT_STREQ(fe.toast_text, "Movie file is not valid");
  EXPECT_EQ(fe.movie_data, nullptr);
  EXPECT_EQ(fe.menu_open, 1);

  // Its starting point is not a state: the dialog, over the page.
  ASSERT_TRUE(
      write_text(movie_path("movie-20240102-120000.femv"), std::string("FEMOVIE1\0\0\0\0", 12)));
  activate("Play Latest Movie");
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_ERROR));
  EXPECT_STREQ(fe.error_title, "Cannot play movie");
  EXPECT_EQ(fe.movie_data, nullptr);
  EXPECT_EQ(fe.running, 0);
  fe.menu.nav_accept = 1;
  frame();
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_EXTRAS));

  // A good one: its start is loaded, the game runs and the menu closes.
  ASSERT_EQ(unlink(movie_path("movie-20240102-120000.femv").c_str()), 0);
  fake.frame_count = 3;
  activate("Play Latest Movie");
  ASSERT_NE(fe.movie_data, nullptr) << fe.toast_text;
  EXPECT_EQ(fake.frame_count, 10u);
  EXPECT_EQ(fe.running, 1);
  EXPECT_EQ(fe.menu_open, 0);
  EXPECT_STREQ(fe.movie_text, "PLAY movie-20240101-120000.femv");
}

TEST_F(ExtrasPage, WhileAGameRunsPlayingAMovieAsksFirst) {
  game_running();
  write_movie("movie-20240101-120000.femv", 10, {5});
  fake.frame_count = 99;
  activate("Play Latest Movie");
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_CONFIRM));
  EXPECT_EQ(fe.confirm_action, CONFIRM_PLAY_MOVIE);
  EXPECT_EQ(fe.confirm_value, 99);
  EXPECT_STREQ(fe.confirm_text, "Play the latest movie? Unsaved progress will be lost.");
  EXPECT_EQ(fake.frame_count, 99u);
  // "Yes": the movie plays and the game resumes.
  fe.menu.nav_left = 1;
  frame();
  fe.menu.nav_accept = 1;
  frame();
  EXPECT_NE(fe.movie_data, nullptr);
  EXPECT_EQ(fake.frame_count, 10u);
  EXPECT_EQ(fe.menu_open, 0);
}

TEST_F(ExtrasPage, ScreenshotResetAndBack) {
  game_running();
  activate("Take Screenshot");
  EXPECT_EQ(std::string(fe.toast_text).rfind("Screenshot saved: shot-", 0), 0u) << fe.toast_text;
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_EXTRAS));

  activate("Reset All Settings");
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_CONFIRM));
  EXPECT_EQ(fe.confirm_action, CONFIRM_RESET_SETTINGS);
  EXPECT_EQ(fe.confirm_value, 0);
  EXPECT_STREQ(fe.confirm_text,
               "Reset all settings and controls to defaults? Save states are kept.");
  fe.menu.nav_back = 1;  // "No"
  frame();
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_EXTRAS));

  // Back writes the settings and returns to the page beneath.
  activate("Autosave on Main Menu");
  fe.menu.nav_back = 1;
  frame();
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_MAIN));
  EXPECT_NE(read_text(fe.settings_path).find("autosave_menu = 1"), std::string::npos);
}

}  // namespace
