// The game profile at start-up (where it is looked for, what of it reaches the descriptor copy,
// when it is refused) and the feature table with its log lines and summary.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "app/startup_profile.h"
#include "fake_game.h"
#include "frontend/file_util.h"
#include "frontend/frontend_state.h"
#include "frontend_fixture.h"
#include "log_capture.h"

namespace {

struct StartupProfileTest : frontend_fixture {
  void SetUp() override {
    frontend_fixture::SetUp();
    path_make_dirs(dir.at("profiles").c_str());
  }
  void write_profile(const std::string& json) {
    ASSERT_TRUE(write_text(dir.at("profiles/fakegame.json"), json));
  }
};

TEST_F(StartupProfileTest, WithoutAProfileTheDescriptorStandsAndEveryFeatureItSupportsIsOn) {
  log_capture log(dir.at("test.log"));
  load_game_profile(nullptr);
  derive_features();
  EXPECT_TRUE(log.has("profile: none found for 'fakegame' (using adapter defaults)"));
  const std::string lines =
      "feature save_states    requested=- supported=yes -> on\n"
      "feature rewind         requested=- supported=yes -> on\n"
      "feature nvram          requested=- supported=yes -> on\n"
      "feature input_movies   requested=- supported=yes -> on\n"
      "feature gadgets        requested=- supported=yes -> on\n"
      "feature input_display  requested=- supported=yes -> on\n"
      "feature screenshots    requested=- supported=yes -> on\n"
      "feature widescreen     requested=- supported=no -> n/a\n";
  std::string logged;  // the messages of the feature lines, in order
  const std::string text = log.text();
  for (size_t at = 0; (at = text.find("] feature ", at)) != std::string::npos;) {
    const size_t end = text.find('\n', at) + 1;
    logged += text.substr(at + 2, end - at - 2);
    at = end;
  }
  EXPECT_EQ(logged, lines);
  EXPECT_STREQ(fe.feature_summary,
               "save_states: on,  rewind: on,  nvram: on,  input_movies: on,  gadgets: on,  "
               "input_display: on,  screenshots: on,  widescreen: n/a");
  for (int f = 0; f < FEATURE_WIDESCREEN; f++) EXPECT_EQ(fe.feature_enabled[f], 1) << f;
  EXPECT_EQ(fe.feature_enabled[FEATURE_WIDESCREEN], 0);
}

TEST_F(StartupProfileTest, MissingOperationsTakeTheirFeaturesAway) {
  fe.adapter_copy.validate_state = nullptr;
  fe.adapter_copy.nvram_load = nullptr;
  log_capture log(dir.at("test.log"));
  derive_features();
  EXPECT_TRUE(log.has("feature save_states    requested=- supported=no -> n/a"));
  EXPECT_TRUE(log.has("feature rewind         requested=- supported=no -> n/a"));
  EXPECT_TRUE(log.has("feature nvram          requested=- supported=no -> n/a"));
  EXPECT_TRUE(log.has("feature input_movies   requested=- supported=no -> n/a"));
  EXPECT_EQ(fe.feature_enabled[FEATURE_SAVE_STATES], 0);
  EXPECT_EQ(fe.feature_enabled[FEATURE_GADGETS], 1);
}

TEST_F(StartupProfileTest, AValidProfileAdjustsTheCopyAndRequestsFeatures) {
  write_profile(R"({"id": "", "title": "Other Title", "subtitle": "sub", "rom_hint": "o.zip",
                   "players": 4, "display": {"aspect": "16:9", "rotation": 270},
                   "features": {"rewind": false, "widescreen": true, "nvram": true}})");
  log_capture log(dir.at("test.log"));
  load_game_profile(nullptr);
  derive_features();
  EXPECT_TRUE(log.has("profile: " + dir.at("profiles/fakegame.json")));
  EXPECT_TRUE(log.has("profile asks for 4 players; the adapter defines 2 (adapter wins)"));
  EXPECT_STREQ(fe.adapter_copy.title, "Other Title");
  EXPECT_STREQ(fe.adapter_copy.subtitle, "sub");
  EXPECT_STREQ(fe.adapter_copy.rom_archive, "o.zip");
  EXPECT_DOUBLE_EQ(fe.adapter_copy.aspect, 16.0 / 9.0);
  EXPECT_EQ(fe.adapter_copy.rotation, 3u);
  EXPECT_EQ(fe.adapter_copy.players, 2);
  EXPECT_STREQ(fake_game_descriptor.title, "Fake Game");  // the constant is never touched
  EXPECT_TRUE(log.has("feature rewind         requested=no supported=yes -> off"));
  EXPECT_TRUE(log.has("feature nvram          requested=yes supported=yes -> on"));
  EXPECT_TRUE(log.has("feature widescreen     requested=yes supported=no -> unsupported"));
  EXPECT_EQ(fe.feature_enabled[FEATURE_REWIND], 0);
  EXPECT_NE(std::string(fe.feature_summary).find("rewind: off,  nvram: on"), std::string::npos);
}

TEST_F(StartupProfileTest, RotationsThatAreNoQuarterTurnAreIgnored) {
  struct row {
    const char* rotation;
    uint32_t result;
    const char* warning;
  };
  const row rows[] = {
      {"45", 3, "profile rotation 45 is not a multiple of 90; ignored"},
      {"-90", 3, nullptr},  // negative: silently not set
      {"0", 0, nullptr},
      {"450", 1, nullptr},
  };
  for (const row& r : rows) {
    fe.adapter_copy = fake_game_descriptor;
    write_profile(std::string(R"({"display": {"rotation": )") + r.rotation + "}}");
    log_capture log(dir.at("test.log"));
    load_game_profile(nullptr);
    EXPECT_EQ(fe.adapter_copy.rotation, r.result) << r.rotation;
    if (r.warning) {
      EXPECT_TRUE(log.has(r.warning)) << r.rotation;
    }
    EXPECT_FALSE(log.has_prefix("profile rotation -90")) << r.rotation;
  }
}

TEST_F(StartupProfileTest, AProfileForAnotherGameOrABrokenOneIsNotApplied) {
  write_profile(R"({"id": "othergame", "title": "Other"})");
  {
    log_capture log(dir.at("test.log"));
    load_game_profile(nullptr);
    EXPECT_TRUE(log.has("profile id 'othergame' does not match game 'fakegame'; ignoring it"));
  }
  EXPECT_EQ(fe.profile.valid, 0);
  EXPECT_STREQ(fe.adapter_copy.title, "Fake Game");

  write_profile(R"({"players": 9, "title": "Broken"})");
  log_capture log(dir.at("test.log"));
  load_game_profile(nullptr);
  EXPECT_TRUE(log.has("profile " + dir.at("profiles/fakegame.json") +
                      " rejected: players must be 1-8 (using adapter defaults)"));
  EXPECT_EQ(fe.profile.valid, 0);
  EXPECT_STREQ(fe.adapter_copy.title, "Fake Game");
  derive_features();  // a refused profile requests nothing
  EXPECT_TRUE(log.has("feature rewind         requested=- supported=yes -> on"));
}

TEST_F(StartupProfileTest, TheRequestedFileComesFirstAndAMissingOneFallsThroughToTheSearch) {
  write_profile(R"({"title": "From The Data Folder"})");
  ASSERT_TRUE(write_text(dir.at("mine.json"), R"({"title": "Requested"})"));
  load_game_profile(dir.at("mine.json").c_str());
  EXPECT_STREQ(fe.adapter_copy.title, "Requested");

  tell_profile_unusable();
  EXPECT_STREQ(fe.toast_text, "");  // the requested file was used: nothing to tell

  fe.adapter_copy = fake_game_descriptor;
  log_capture log(dir.at("test.log"));
  const std::string missing = dir.at("missing.json");
  load_game_profile(missing.c_str());
  EXPECT_STREQ(fe.adapter_copy.title, "From The Data Folder");
  EXPECT_TRUE(log.has("cannot read --profile " + missing +
                      " (no such file or directory); looking for fakegame.json instead"));
  tell_profile_unusable();
  EXPECT_EQ(std::string(fe.toast_text),
            "Profile not used: " + missing + " (no such file or directory)");
}

TEST_F(StartupProfileTest, ARequestedFileThatCannotBeUsedIsToldAsAToast) {
  struct request_case {
    const char* what;
    std::string path;
    std::string reason;
  };
  ASSERT_EQ(mkdir(dir.at("folder.json").c_str(), 0755), 0);
  ASSERT_TRUE(write_text(dir.at("broken.json"), "{\n  \"title\": 3}"));
  const request_case cases[] = {
      {"a folder", dir.at("folder.json"), "not a file (a folder)"},
      {"a rejected profile", dir.at("broken.json"), "line 2: expected a string"},
  };
  for (const request_case& c : cases) {
    fe.toast_text[0] = '\0';
    load_game_profile(c.path.c_str());
    tell_profile_unusable();
    EXPECT_EQ(std::string(fe.toast_text), "Profile not used: " + c.path + " (" + c.reason + ")")
        << c.what;
  }
}

}  // namespace
