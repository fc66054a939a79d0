// The shutdown's order, read from a call log: the game's NVRAM copy, the audio device's close
// and the game's unload each note what had already happened when they were called, and the log
// file shows the exit line before the movie's toast and nothing after the shutdown.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/shutdown.h"
#include "fake_game.h"
#include "frontend/audio_output.h"
#include "frontend/frontend_state.h"
#include "frontend/game_lifecycle.h"
#include "frontend/log.h"
#include "frontend/rewind.h"
#include "frontend_fixture.h"
#include "test_platform.h"

namespace {

std::vector<std::string> calls;
std::string screenshot_path, settings_path;

std::string done(bool what, const char* name) {
  return what ? std::string(" ") + name : "";
}

size_t logged_nvram_save(uint8_t* buffer, size_t capacity) {
  calls.push_back("nvram_save" + done(exists_at_all(screenshot_path), "screenshot") +
                  done(exists_at_all(settings_path), "settings") +
                  done(fe.movie_record == nullptr, "movie-closed"));
  return fake_game_descriptor.nvram_save(buffer, capacity);
}
void logged_audio_close(SDL_AudioDeviceID device) {
  calls.push_back("audio_close" + done(fe.movie_record == nullptr, "movie-closed") +
                  done(fe.rewind.entries == nullptr, "rewind-freed") +
                  done(fe.slots[3].thumbnail == nullptr, "thumbnails-gone"));
  test_platform.audio_close(device);
}
void logged_unload() {
  calls.push_back("unload" +
                  done(fe.audio_device == 0 && fe.audio_stream == nullptr, "audio-gone") +
                  done(fe.controller_count == 0, "controllers-gone") +
                  done(fe.renderer != nullptr, "renderer-still-there"));
  fake_game_descriptor.unload();
}

struct ShutdownTest : frontend_fixture {};

TEST_F(ShutdownTest, RunsItsStepsInOrder) {
  const std::string rom = dir.at("fakegame.zip");
  ASSERT_EQ(fake_game_write_rom(rom.c_str()), 1);
  ASSERT_EQ(load_rom(rom.c_str()), 1);
  fe.settings.rewind = 1;
  start_game();
  ASSERT_NE(fe.rewind.entries, nullptr);
  open_audio();
  fe.frame_counter = 7;
  fe.underruns = 2;
  fe.drops = 1;
  fe.movie_record = tmpfile();
  fe.slots[3].thumbnail =
      SDL_CreateTexture(fe.renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STATIC, 4, 4);

  calls.clear();
  screenshot_path = dir.at("exit.png");
  settings_path = fe.settings_path;
  snprintf(fe.screenshot_path, sizeof fe.screenshot_path, "%s", screenshot_path.c_str());
  fe.adapter_copy.nvram_save = logged_nvram_save;
  fe.adapter_copy.unload = logged_unload;
  platform_ops logged = test_platform;
  logged.audio_close = logged_audio_close;
  platform = &logged;
  log_file_open(fe.log_path);

  EXPECT_EQ(frontend_shutdown(), 0);
  log_printf("after the shutdown");
  platform = &test_platform;

  const std::vector<std::string> expected = {
      "nvram_save screenshot settings",  // the movie is still open when NVRAM is saved
      "audio_close movie-closed rewind-freed thumbnails-gone",
      "unload audio-gone controllers-gone renderer-still-there",
  };
  EXPECT_EQ(calls, expected);
  const std::string log = read_text(fe.log_path);
  const size_t exit_line = log.find("] exit: 7 frames, 2 audio underruns, 1 drops\n");
  const size_t movie_line = log.find("] Recording saved\n");
  EXPECT_NE(exit_line, std::string::npos) << log;
  EXPECT_NE(movie_line, std::string::npos) << log;
  EXPECT_LT(exit_line, movie_line);
  EXPECT_EQ(log.find("after the shutdown"), std::string::npos);  // the log was closed
  EXPECT_EQ(fe.renderer, nullptr);
  EXPECT_EQ(fe.frame, nullptr);
  EXPECT_EQ(fe.settings_file.entries, nullptr);
  EXPECT_EQ(SDL_WasInit(0), 0u);
}

}  // namespace
