// The frame step with the fake game: the input word from the bindings (pulse, held, release
// wait, the controller menu combination), a movie's words, the stop dialog, the frame-time
// average, audio, and the rewind capture and NVRAM flush on their frames.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "fake_game.h"
#include "frontend/audio_output.h"
#include "frontend/frame_step.h"
#include "frontend/frontend_state.h"
#include "frontend/game_lifecycle.h"
#include "frontend/rewind.h"
#include "frontend_fixture.h"
#include "log_capture.h"
#include "menu/menu_toolkit.h"
#include "test_platform.h"

namespace {

enum {
  KEY_P1_B1 = 29,  // p1_b1, bit 4
  KEY_P1_UP = 82,  // p1_up, bit 0
  KEY_COIN = 34,   // coin1, bit 8, a 3-frame pulse
  BIT_P1_UP = 1u << 0,
  BIT_P1_B1 = 1u << 4,
  BIT_COIN = 1u << 8,
};

struct FrameStepTest : frontend_fixture {
  void SetUp() override {
    frontend_fixture::SetUp();
    const std::string rom = dir.at("fakegame.zip");
    ASSERT_EQ(fake_game_write_rom(rom.c_str()), 1);
    ASSERT_EQ(load_rom(rom.c_str()), 1);
    start_game();
  }
  // One step with these keys held (and nothing else); the word the game got.
  uint32_t step(std::initializer_list<int> keys) {
    memset(tp.input.keys, 0, sizeof tp.input.keys);
    for (int k : keys) tp.input.keys[k] = 1;
    run_frame_step();
    return fake.input_word;
  }
};

TEST_F(FrameStepTest, APulseInputSetsItsBitForItsLengthFromEachFreshPress) {
  step({});  // the release wait of the game start ends with nothing pressed
  ASSERT_EQ(fe.release_wait, 0);
  // Held for ten frames, let go for two, pressed for five: bits on 3, then 3 again.
  const char* held = "PPPPPPPPPP..PPPPP";
  const char* bits = "XXX.........XXX..";
  for (int f = 0; held[f]; f++) {
    uint32_t word = held[f] == 'P' ? step({KEY_COIN}) : step({});
    EXPECT_EQ((word & BIT_COIN) != 0, bits[f] == 'X') << "frame " << f;
    EXPECT_EQ(fe.input_word, word);
  }
}

TEST_F(FrameStepTest, AfterTheMenuClosesAHeldInputStaysOutUntilEveryInputIsLetGo) {
  step({});
  EXPECT_EQ(step({KEY_P1_B1}), BIT_P1_B1);
  open_menu(MENU_PAGE_PAUSE);
  close_menu();
  struct row {
    std::initializer_list<int> keys;
    uint32_t word;
    int waiting_after;
  };
  const row rows[] = {
      {{KEY_P1_B1}, 0, 1},             // still held from the menu
      {{KEY_P1_B1, KEY_P1_UP}, 0, 1},  // a second input pressed meanwhile: out too
      {{KEY_P1_UP}, 0, 1},             // one let go is not enough
      {{}, 0, 0},                      // all let go: the wait ends
      {{KEY_P1_B1, KEY_P1_UP}, BIT_P1_B1 | BIT_P1_UP, 0},
  };
  for (const row& r : rows) {
    EXPECT_EQ(step(r.keys), r.word);
    EXPECT_EQ(fe.release_wait, r.waiting_after);
  }
}

TEST_F(FrameStepTest, WhileTheControllerMenuCombinationIsHeldOnlyARunningPulseGoesOn) {
  step({});
  tp.input.controller_count = 1;
  EXPECT_EQ(step({KEY_COIN, KEY_P1_UP}), BIT_COIN | BIT_P1_UP);  // the pulse starts
  tp.input.buttons[0][SDL_CONTROLLER_BUTTON_BACK] = 1;
  tp.input.buttons[0][SDL_CONTROLLER_BUTTON_START] = 1;
  EXPECT_EQ(step({KEY_COIN, KEY_P1_UP}), BIT_COIN);  // two pulse frames remain
  EXPECT_EQ(step({KEY_COIN, KEY_P1_UP}), BIT_COIN);
  EXPECT_EQ(step({KEY_COIN, KEY_P1_UP}), 0u);
  tp.input.buttons[0][SDL_CONTROLLER_BUTTON_BACK] = 0;
  tp.input.buttons[0][SDL_CONTROLLER_BUTTON_START] = 0;
  // The coin counted as let go during the combination: still held now, it is a fresh press.
  EXPECT_EQ(step({KEY_COIN, KEY_P1_UP}), BIT_COIN | BIT_P1_UP);
}

TEST_F(FrameStepTest, ATenByteMoviePlaysTwoWordsThenEndsWithZero) {
  const uint8_t words[10] = {0x10, 0, 0, 0, 0x01, 0x01, 0, 0, 0xAA, 0xBB};
  fe.movie_data = static_cast<uint8_t*>(malloc(sizeof words));
  memcpy(fe.movie_data, words, sizeof words);
  fe.movie_size = sizeof words;
  snprintf(fe.movie_text, sizeof fe.movie_text, "PLAY movie");
  tp.input.keys[KEY_P1_UP] = 1;  // live input does not count while a movie plays
  log_capture log(dir.at("test.log"));
  run_frame_step();
  EXPECT_EQ(fake.input_word, 0x10u);
  run_frame_step();
  EXPECT_EQ(fake.input_word, 0x101u);
  run_frame_step();
  EXPECT_EQ(fake.input_word, 0u);
  EXPECT_EQ(fe.movie_data, nullptr);
  EXPECT_STREQ(fe.movie_text, "");
  EXPECT_TRUE(log.has("Playback finished"));
  EXPECT_EQ(step({KEY_P1_UP}), 0u);  // the bindings again, under the game start's wait
}

TEST_F(FrameStepTest, AStopOfTheGameProgramEndsTheRunWithTheErrorDialog) {
  open_audio();
  fake.stop_at_frame = 3;
  step({});
  step({});
  const uint64_t queued = tp.total_queued;
  EXPECT_GT(queued, 0u);
  step({});
  EXPECT_EQ(fe.running, 0);
  EXPECT_EQ(fe.frame_counter, 3u);
  EXPECT_EQ(fe.menu_open, 1);
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_ERROR));
  EXPECT_STREQ(fe.error_title, "The game stopped");
  EXPECT_EQ(std::string(fe.error_body),
            std::string(FAKE_GAME_STOP_MESSAGE) +
                "\n\nThe native translation does not interpret instructions, so it stops instead "
                "of guessing. Your autosave and slots are unaffected. The log has details:\n" +
                fe.log_path);
  EXPECT_EQ(tp.total_queued, queued);  // no audio for the stopped frame
}

// run_frame that takes 10 ms on the test clock.
int slow_run_frame(int16_t* stereo, uint32_t* frames, char* message, size_t size) {
  test_clock_advance_ms(10);
  return fake_game_descriptor.run_frame(stereo, frames, message, size);
}

TEST_F(FrameStepTest, TheFrameTimeIsAMovingAverage) {
  fe.adapter_copy.run_frame = slow_run_frame;
  fe.frame_time_avg = 0.0;
  run_frame_step();
  EXPECT_NEAR(fe.frame_time_avg, 0.5, 1e-9);
  run_frame_step();
  EXPECT_NEAR(fe.frame_time_avg, 0.975, 1e-9);
  EXPECT_EQ(fe.frames_this_second, 2);
}

int nvram_saves = 0;
size_t counting_nvram_save(uint8_t* buffer, size_t capacity) {
  nvram_saves++;
  return fake_game_descriptor.nvram_save(buffer, capacity);
}

TEST_F(FrameStepTest, EveryFourthFrameIsSnapshottedAndEvery120thFlushesTheNvram) {
  fe.settings.rewind = 1;
  reset_rewind_ring();
  nvram_saves = 0;
  fe.adapter_copy.nvram_save = counting_nvram_save;
  for (int f = 1; f <= 240; f++) {
    run_frame_step();
    EXPECT_EQ(fe.rewind.count, f / 4) << "frame " << f;
    EXPECT_EQ(nvram_saves, f / 120) << "frame " << f;
  }
}

}  // namespace
