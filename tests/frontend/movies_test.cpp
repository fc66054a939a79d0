// Input movies with the fake game: a recording played back gives the same words and the same
// final state; the newest movie is chosen by name; bad movie files are refused with their exact
// message and leave the game alone; a full disk or a missing folder leaves no recording behind.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "fake_game.h"
#include "file_bytes.h"
#include "frontend/file_util.h"
#include "frontend/frame_step.h"
#include "frontend/frontend_state.h"
#include "frontend/movies.h"
#include "frontend/rewind.h"
#include "frontend/slots.h"
#include "frontend/state_container.h"
#include "frontend_fixture.h"
#include "test_platform.h"
#include "write_limit.h"

namespace {

file_bytes fake_state_blob() {
  size_t size = 0;
  uint8_t* blob = fake_game_descriptor.save_state(&size);
  file_bytes bytes(blob, blob + (blob ? size : 0));
  free(blob);
  return bytes;
}

struct MoviesTest : frontend_fixture {
  void SetUp() override {
    frontend_fixture::SetUp();
    fake.loaded = 1;
    fe.rom_ready = 1;
    fe.running = 1;
  }
  std::string movie_path(const std::string& name) {
    return std::string(fe.movies_dir) + "/" + name;
  }
  // One frame as the frame step runs it: the movie's word or the live one, recorded, sent, run.
  uint32_t step(uint32_t live) {
    uint32_t word = 0;
    if (!movie_next_word(&word)) word = live;
    movie_record_word(word);
    fe.input_word = word;
    fe.adapter->set_inputs(word);
    uint32_t frames = 0;
    char message[300] = "";
    EXPECT_EQ(fe.adapter->run_frame(fe.audio_buffer, &frames, message, sizeof message), 0);
    return word;
  }
  // Empties the movies folder (files and folders).
  void clear_movies() {
    dir_entry* entries = nullptr;
    int count = list_dir(fe.movies_dir, &entries);
    for (int i = 0; i < count; i++) {
      std::string path = movie_path(entries[i].name);
      if (entries[i].is_dir) {
        rmdir(path.c_str());
      } else {
        unlink(path.c_str());
      }
    }
    free(entries);
  }
  void open_extras_page() {
    fe.menu_open = 1;
    fe.menu.depth = 1;
    fe.menu.page_stack[0] = MENU_PAGE_EXTRAS;
  }
};

TEST_F(MoviesTest, ARecordingPlaysBackTheSameWordsToTheSameFinalState) {
  fake.frame_count = 100;
  fake.score = 5;
  open_extras_page();
  movie_start_recording();
  ASSERT_NE(fe.movie_record, nullptr) << fe.toast_text;
  EXPECT_EQ(fe.menu_open, 0);
  EXPECT_EQ(fe.release_wait, 1);
  const std::string text = fe.movie_text;
  ASSERT_EQ(text.rfind("REC movie-", 0), 0u) << text;
  const std::string name = text.substr(4);
  ASSERT_EQ(name.size(), strlen("movie-20240101-000000.femv"));
  EXPECT_EQ(name.substr(name.size() - 5), ".femv");
  EXPECT_EQ(std::string(fe.toast_text), "Recording inputs to " + name);

  std::mt19937 rng(7);
  std::vector<uint32_t> recorded;
  const int frames = 90;
  for (int i = 0; i < frames; i++) recorded.push_back(step(rng() & 0x3FF));
  const file_bytes final_state = fake_state_blob();

  movie_stop_recording();
  EXPECT_EQ(fe.movie_record, nullptr);
  EXPECT_STREQ(fe.toast_text, "Recording saved");
  EXPECT_STREQ(fe.movie_text, "");

  const file_bytes file = bytes_read(movie_path(name));
  ASSERT_GE(file.size(), 12u);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 8), "FEMOVIE1");
  const uint32_t length = bytes_get_u32(file, 8);
  EXPECT_EQ(length, 88 + 2 * 160 * 112 + fake_state_blob().size());
  ASSERT_EQ(file.size(), 12 + length + 4 * frames);
  EXPECT_EQ(bytes_get_u32(file, file.size() - 4), recorded.back());

  // The game goes elsewhere; the movie brings it back to its start and replays it.
  for (int i = 0; i < 30; i++) step(0x155);
  fe.running = 0;
  play_latest_movie();
  ASSERT_NE(fe.movie_data, nullptr) << fe.toast_text << fe.error_body;
  EXPECT_EQ(fe.running, 1);
  EXPECT_EQ(fe.movie_pos, 12u + length);
  EXPECT_EQ(fe.movie_size, uint64_t(file.size()));
  EXPECT_EQ(std::string(fe.movie_text), "PLAY " + name);
  EXPECT_EQ(fake.frame_count, 100u);
  EXPECT_EQ(fake.input_word, 0u);
  std::vector<uint32_t> played;
  for (int i = 0; i < frames; i++) played.push_back(step(0xFFFFFFFF));
  EXPECT_EQ(played, recorded);
  EXPECT_EQ(fake_state_blob(), final_state);

  EXPECT_EQ(step(0xFFFFFFFF), 0u);  // the end: a word of 0, then the bindings again
  EXPECT_EQ(fe.movie_data, nullptr);
  EXPECT_STREQ(fe.toast_text, "Playback finished");
  EXPECT_STREQ(fe.movie_text, "");
  EXPECT_EQ(step(0x21), 0x21u);
}

TEST_F(MoviesTest, TrailingBytesAfterTheLastWholeWordAreNeverPlayed) {
  file_bytes inputs = bytes_of_words({0x11, 0x22});
  inputs.push_back(0x33);
  inputs.push_back(0x44);
  const file_bytes container = bytes_of_state_container();
  ASSERT_TRUE(bytes_write(movie_path("movie-20240101-000000.femv"),
                          bytes_of_movie(container, uint32_t(container.size()), inputs)));
  play_latest_movie();
  ASSERT_NE(fe.movie_data, nullptr);
  EXPECT_EQ(step(7), 0x11u);
  EXPECT_EQ(step(7), 0x22u);
  EXPECT_EQ(step(7), 0u);
  EXPECT_STREQ(fe.toast_text, "Playback finished");
  EXPECT_EQ(fe.movie_data, nullptr);
}

TEST_F(MoviesTest, AKeyHeldWhenPlaybackEndsCountsOnlyAfterItWasLetGo) {
  const file_bytes container = bytes_of_state_container();
  ASSERT_TRUE(
      bytes_write(movie_path("movie-20240101-000000.femv"),
                  bytes_of_movie(container, uint32_t(container.size()), bytes_of_words({0x0}))));
  const adapter_input& first = fe.adapter->inputs[0];  // a level input
  ASSERT_EQ(first.pulse_frames, 0);
  fe.release_wait = 0;
  tp.input.keys[fe.input_bindings[0].key] = 1;  // held all along
  play_latest_movie();
  ASSERT_NE(fe.movie_data, nullptr);
  EXPECT_EQ(fe.release_wait, 1);
  run_frame_step();  // the movie's one word
  run_frame_step();  // playback ends: word 0
  ASSERT_EQ(fe.movie_data, nullptr);
  run_frame_step();  // live again, the key still held from before
  EXPECT_EQ(fe.input_word & first.mask, 0u);
  tp.input.keys[fe.input_bindings[0].key] = 0;
  run_frame_step();
  tp.input.keys[fe.input_bindings[0].key] = 1;
  run_frame_step();
  EXPECT_EQ(fe.input_word & first.mask, first.mask);
}

TEST_F(MoviesTest, TheGreatestMovieNamePlaysAndFoldersFifosAndOtherCasesAreSkipped) {
  const struct {
    const char* name;
    uint32_t start_frame;
  } movies[] = {
      {"movie-20240101-000000.femv", 20},
      {"movie-20231231-235959.femv", 10},
      {"movie-20991231-000001.FEMV", 30},
      {"movie-20991231-000002.femv.bak", 40},
  };
  for (const auto& m : movies) {
    fake.frame_count = m.start_frame;
    const file_bytes container = bytes_of_state_container();
    ASSERT_TRUE(
        bytes_write(movie_path(m.name), bytes_of_movie(container, uint32_t(container.size()))));
  }
  ASSERT_EQ(mkdir(movie_path("movie-20991231-000000.femv").c_str(), 0755), 0);
  // A FIFO would never give its bytes: reading it would freeze the program.
  ASSERT_EQ(mkfifo(movie_path("movie-20991231-000003.femv").c_str(), 0644), 0);
  fake.frame_count = 0;
  play_latest_movie();
  ASSERT_NE(fe.movie_data, nullptr);
  EXPECT_EQ(fake.frame_count, 20u);
  EXPECT_STREQ(fe.movie_text, "PLAY movie-20240101-000000.femv");
}

TEST_F(MoviesTest, BadMovieFilesAreRefusedAndTheGameGoesOn) {
  const file_bytes good = bytes_of_state_container();
  const uint32_t good_length = uint32_t(good.size());
  file_bytes other_game = good;
  memset(&other_game[12], 0, 16);
  memcpy(&other_game[12], "othergame", 9);
  bytes_reseal(&other_game);
  file_bytes damaged = good;
  damaged[70] ^= 1;
  file_bytes rejected = good;
  rejected[84 + 2 * 160 * 112 + 8] ^= 1;  // the fake's frame count, under its own CRC
  bytes_reseal(&rejected);

  const std::string newest = "movie-20240101-000000.femv";
  const std::string too_large = "Cannot read " + movie_path(newest) + ": file is too large";
  struct bad_movie {
    const char* name;
    std::function<void()> make;
    const char* toast;        // the toast, or null for the error dialog
    const char* dialog_body;  // the dialog's body
  };
  const bad_movie table[] = {
      {"an empty folder", [] {}, "No recorded movies yet", nullptr},
      {"a folder named like a movie", [&] { mkdir(movie_path(newest).c_str(), 0755); },
       "No recorded movies yet", nullptr},
      {"another extension",
       [&] {
         bytes_write(movie_path("movie-20240101-000000.FEMV"), bytes_of_movie(good, good_length));
       },
       "No recorded movies yet", nullptr},
      {"a FIFO named like a movie", [&] { mkfifo(movie_path(newest).c_str(), 0644); },
       "No recorded movies yet", nullptr},
      {"a 2 GiB movie (sparse), refused unread",
       [&] {
         bytes_write(movie_path(newest), bytes_of_movie(good, good_length));
         truncate(movie_path(newest).c_str(), 2ll << 30);
       },
       too_large.c_str(), nullptr},
      {"11 bytes", [&] { write_text(movie_path(newest), "FEMOVIE1abc"); },
       "Movie file is not valid", nullptr},
      {"another magic",
       [&] {
         file_bytes data = bytes_of_movie(good, good_length);
         data[7] = '2';
         bytes_write(movie_path(newest), data);
       },
       "Movie file is not valid", nullptr},
      {"a length beyond the file",
       [&] { bytes_write(movie_path(newest), bytes_of_movie(good, good_length + 1)); },
       "Movie file is truncated", nullptr},
      {"a length near 2^32",
       [&] { bytes_write(movie_path(newest), bytes_of_movie(file_bytes(40, 0), 0xFFFFFFF8u)); },
       "Movie file is truncated", nullptr},
      {"a length of 0", [&] { bytes_write(movie_path(newest), bytes_of_movie(good, 0)); }, nullptr,
       "file is truncated"},
      {"a state of another game",
       [&] { bytes_write(movie_path(newest), bytes_of_movie(other_game, good_length)); }, nullptr,
       "state belongs to another game (othergame)"},
      {"a damaged state",
       [&] { bytes_write(movie_path(newest), bytes_of_movie(damaged, good_length)); }, nullptr,
       "file is damaged (checksum mismatch)"},
      {"a state the game rejects",
       [&] { bytes_write(movie_path(newest), bytes_of_movie(rejected, good_length)); }, nullptr,
       "fake state is damaged"},
  };
  for (const bad_movie& c : table) {
    clear_movies();
    c.make();
    fe.menu_open = 0;
    fe.menu.depth = 0;
    fe.error_title[0] = '\0';
    fe.toast_text[0] = '\0';
    fe.running = 1;
    fake.frame_count = 555;
    play_latest_movie();
    if (c.toast) {
      EXPECT_STREQ(fe.toast_text, c.toast) << c.name;
      EXPECT_EQ(fe.menu_open, 0) << c.name;
    } else {
      EXPECT_STREQ(fe.error_title, "Cannot play movie") << c.name;
      EXPECT_STREQ(fe.error_body, c.dialog_body) << c.name;
      EXPECT_EQ(fe.menu.page_stack[0], MENU_PAGE_ERROR) << c.name;
    }
    EXPECT_EQ(fe.movie_data, nullptr) << c.name;
    EXPECT_STREQ(fe.movie_text, "") << c.name;
    EXPECT_EQ(fake.frame_count, 555u) << c.name;
    EXPECT_EQ(fe.running, 1) << c.name;
  }
}

TEST_F(MoviesTest, TheParseStepPlacesTheStartingPointAndTheFirstWordOrSaysWhyNot) {
  const file_bytes container = bytes_of_state_container();
  const uint32_t length = uint32_t(container.size());
  const file_bytes good = bytes_of_movie(container, length, bytes_of_words({7, 8}));
  movie_view view = {};
  char message[200] = "";
  ASSERT_EQ(movie_parse(good.data(), good.size(), &view, message, sizeof message), 1);
  EXPECT_EQ(view.blob, good.data() + 12 + 84 + 2 * 160 * 112);
  EXPECT_EQ(view.blob, good.data() + 12 + length - 4 - view.blob_size);
  EXPECT_EQ(view.first_word, 12u + length);

  const struct {
    file_bytes data;
    int result;
    const char* message;
  } refused[] = {
      {file_bytes(good.begin(), good.begin() + 11), 0, "Movie file is not valid"},
      {bytes_of_movie(container, length + 1), 0, "Movie file is truncated"},
      {bytes_of_movie(container, 0), -1, "file is truncated"},
  };
  for (const auto& c : refused) {
    message[0] = '\0';
    EXPECT_EQ(movie_parse(c.data.data(), c.data.size(), &view, message, sizeof message), c.result)
        << c.message;
    EXPECT_STREQ(message, c.message);
  }
  EXPECT_EQ(movie_parse(nullptr, 0, &view, message, sizeof message), 0);
}

TEST_F(MoviesTest, AGameWithoutLoadStateCannotPlayAMovie) {
  const file_bytes container = bytes_of_state_container();
  ASSERT_TRUE(bytes_write(movie_path("movie-20240101-000000.femv"),
                          bytes_of_movie(container, uint32_t(container.size()))));
  fe.adapter_copy.load_state = nullptr;
  fe.adapter_copy.validate_state = nullptr;
  play_latest_movie();
  EXPECT_STREQ(fe.error_title, "Cannot play movie");
  EXPECT_STREQ(fe.error_body, "this game cannot load save states");
  EXPECT_EQ(fe.movie_data, nullptr);
}

TEST_F(MoviesTest, AFullDiskLeavesNoRecordingBehindAndStillClosesTheMenu) {
  open_extras_page();
  {
    write_limit disk_full(1000);  // the starting point alone is larger
    movie_start_recording();
  }
  const std::string toast = fe.toast_text;
  ASSERT_EQ(toast.rfind("Cannot write " + movie_path("movie-"), 0), 0u) << toast;
  EXPECT_EQ(toast.substr(toast.size() - strlen(" (file too large)")), " (file too large)");
  EXPECT_EQ(names_in(fe.movies_dir), std::set<std::string>{});
  EXPECT_EQ(fe.movie_record, nullptr);
  EXPECT_STREQ(fe.movie_text, "");
  EXPECT_EQ(fe.menu_open, 0);
}

TEST_F(MoviesTest, ADeviceUnderTheNewMoviesNameIsRefusedNotWrittenInto) {
  // Every name the next seconds can give is a link to a device node of the test's own.
  const std::string device = dir.at("device");
  ASSERT_EQ(mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
  for (time_t t = time(nullptr); t < time(nullptr) + 3; t++) {
    char name[64];
    struct tm local;
    localtime_r(&t, &local);
    strftime(name, sizeof name, "movie-%Y%m%d-%H%M%S.femv", &local);
    ASSERT_EQ(symlink(device.c_str(), movie_path(name).c_str()), 0);
  }
  open_extras_page();
  movie_start_recording();
  const std::string toast = fe.toast_text;
  ASSERT_EQ(toast.rfind("Cannot write " + movie_path("movie-"), 0), 0u) << toast;
  EXPECT_NE(toast.find(" (not a file (a character device))"), std::string::npos) << toast;
  EXPECT_EQ(fe.movie_record, nullptr);
  EXPECT_EQ(fe.menu_open, 0);
  struct stat st;
  ASSERT_EQ(stat(device.c_str(), &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
}

TEST_F(MoviesTest, ARecordingEndsBeforeItGrowsPastWhatPlaybackReads) {
  open_extras_page();
  movie_start_recording();
  ASSERT_NE(fe.movie_record, nullptr);
  fe.movie_record_size = MOVIE_FILE_MAX - 4;  // as after a very long recording
  step(7);
  ASSERT_NE(fe.movie_record, nullptr);  // the last word that fits
  EXPECT_EQ(fe.movie_record_size, MOVIE_FILE_MAX);
  step(8);
  EXPECT_EQ(fe.movie_record, nullptr);
  EXPECT_STREQ(fe.toast_text, "Recording saved");
  EXPECT_STREQ(fe.movie_text, "");
}

TEST_F(MoviesTest, AMissingFolderOrAMissingStateEndsTheStartWithAToastAndAClosedMenu) {
  snprintf(fe.movies_dir, sizeof fe.movies_dir, "%s", dir.at("gone").c_str());
  open_extras_page();
  movie_start_recording();
  EXPECT_EQ(std::string(fe.toast_text).rfind("Cannot write " + dir.at("gone/movie-"), 0), 0u)
      << fe.toast_text;
  EXPECT_EQ(fe.movie_record, nullptr);
  EXPECT_EQ(fe.menu_open, 0);

  fake.loaded = 0;  // no state to start from
  open_extras_page();
  movie_start_recording();
  EXPECT_STREQ(fe.toast_text, "Cannot start recording");
  EXPECT_EQ(fe.movie_record, nullptr);
  EXPECT_EQ(fe.menu_open, 0);
}

TEST_F(MoviesTest, StartingOneMovieEndsTheOtherAndStopAllEndsBoth) {
  const file_bytes container = bytes_of_state_container();
  ASSERT_TRUE(
      bytes_write(movie_path("movie-20000101-000000.femv"),
                  bytes_of_movie(container, uint32_t(container.size()), bytes_of_words({1}))));
  play_latest_movie();
  ASSERT_NE(fe.movie_data, nullptr);
  movie_start_recording();
  EXPECT_EQ(fe.movie_data, nullptr);
  ASSERT_NE(fe.movie_record, nullptr);
  ASSERT_EQ(std::string(fe.movie_text).rfind("REC ", 0), 0u);

  play_latest_movie();  // the recording just made is the newest now
  EXPECT_EQ(fe.movie_record, nullptr);
  ASSERT_NE(fe.movie_data, nullptr);
  EXPECT_EQ(std::string(fe.movie_text).rfind("PLAY ", 0), 0u);

  movie_stop_all();
  EXPECT_EQ(fe.movie_data, nullptr);
  EXPECT_STREQ(fe.toast_text, "Playback finished");
  EXPECT_STREQ(fe.movie_text, "");
  uint32_t word = 5;
  EXPECT_EQ(movie_next_word(&word), 0);
  EXPECT_EQ(word, 5u);
}

// A state load takes the game where the movie's words never went: a rewind step back or a slot
// load ends the recording at that point, so that what was recorded still replays exactly, and it
// ends a playback, whose words would go on from the wrong state.
TEST_F(MoviesTest, ARewindOrASlotLoadEndsTheMovieSoThatWhatWasRecordedStillReplays) {
  fe.settings.rewind = 1;
  fe.settings.rewind_mb = 64;
  reset_rewind_ring();
  fake.frame_count = 10;
  ASSERT_EQ(save_slot(3), 1);
  const struct {
    const char* what;
    std::function<void()> load;
  } loads[] = {
      {"a rewind step back", [] { EXPECT_EQ(rewind_step_back(), 1); }},
      {"a slot load", [] { EXPECT_EQ(load_slot(3), 1); }},
  };
  for (const auto& l : loads) {
    clear_movies();
    movie_start_recording();
    ASSERT_NE(fe.movie_record, nullptr);
    for (int i = 0; i < 8; i++) {
      step(uint32_t(i * 37));
      if (i % 4 == 3) rewind_capture();
    }
    const file_bytes recorded_end = fake_state_blob();
    l.load();
    EXPECT_EQ(fe.movie_record, nullptr) << l.what;
    for (int i = 0; i < 5; i++) step(0x3FF);  // after the load: not part of the movie

    play_latest_movie();
    ASSERT_NE(fe.movie_data, nullptr) << l.what;
    while (fe.movie_size - fe.movie_pos >= 4) step(0);
    EXPECT_EQ(fake_state_blob(), recorded_end) << l.what;

    play_latest_movie();
    step(0);
    rewind_capture();
    rewind_capture();
    l.load();
    EXPECT_EQ(fe.movie_data, nullptr) << l.what;
    EXPECT_STREQ(fe.movie_text, "") << l.what;
  }
}

}  // namespace
