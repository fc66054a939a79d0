// Audio output: the arithmetic of buffer size, gain and queue limit, the frame step's queueing
// with its underrun and drop rules on the test platform, and opening devices, on the test
// platform and through SDL's dummy and disk drivers.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "fake_game.h"
#include "frontend/audio_output.h"
#include "frontend/frontend_state.h"
#include "frontend/platform.h"
#include "frontend_fixture.h"
#include "log_capture.h"
#include "test_platform.h"

using AudioOutputTest = frontend_fixture;

namespace {

// One frame of the fake game's share of 37,286 Hz: 621 stereo frames of a square wave.
std::vector<int16_t> tone(uint32_t frames, int16_t level) {
  std::vector<int16_t> samples(2 * size_t(frames));
  for (size_t i = 0; i < samples.size(); i++) samples[i] = ((i / 84) & 1) ? level : int16_t(-level);
  return samples;
}

}  // namespace

TEST_F(AudioOutputTest, TheLatencyChoosesTheDeviceBuffer) {
  const int32_t cases[][2] = {{16, 256},   {23, 256},   {24, 512},  {43, 512},
                              {44, 1024},  {64, 1024},  {87, 1024}, {88, 2048},
                              {171, 2048}, {172, 4096}, {250, 4096}};
  for (const auto& c : cases) EXPECT_EQ(audio_buffer_frames(c[0]), c[1]) << c[0] << " ms";
}

TEST_F(AudioOutputTest, TheGainScalesSamplesWithAnArithmeticShift) {
  const int32_t gains[][3] = {{80, 0, 204}, {100, 0, 256}, {0, 0, 0},
                              {80, 1, 0},   {1, 0, 2},     {150, 0, 256}};
  for (const auto& c : gains) EXPECT_EQ(audio_gain(c[0], c[1]), c[2]) << c[0] << " mute " << c[1];

  const int16_t in[] = {1000, -1000, 32767, -32768, 1};
  int16_t out[5];
  audio_scale_samples(in, out, 5, 204);
  const int16_t want[] = {796, -797, 26111, -26112, 0};
  for (int i = 0; i < 5; i++) EXPECT_EQ(out[i], want[i]) << in[i];
  audio_scale_samples(in, out, 5, 256);
  for (int i = 0; i < 5; i++) EXPECT_EQ(out[i], in[i]) << "full volume keeps " << in[i];
}

TEST_F(AudioOutputTest, TheDropLimitIsTwiceTheLatencyPlusFortyMillisecondsOfTheDeviceFormat) {
  struct limit_case {
    int freq;
    uint16_t format;
    uint8_t channels;
    int32_t latency;
    int64_t limit;
  };
  const limit_case cases[] = {
      {48000, AUDIO_S16LSB, 2, 64, 32256},  // 168 ms x 192 bytes
      {44100, AUDIO_S16LSB, 1, 16, 6336},   // 72 ms x 88 (88,200 bytes a second)
      {48000, AUDIO_F32LSB, 6, 250, 622080},
      {400, AUDIO_U8, 1, 64, -1},  // below 1000 bytes a second: never drop
  };
  for (const limit_case& c : cases) {
    SDL_AudioSpec have = {};
    have.freq = c.freq;
    have.format = c.format;
    have.channels = c.channels;
    EXPECT_EQ(audio_drop_limit(&have, c.latency), c.limit) << c.freq << " Hz " << c.latency;
  }
}

TEST_F(AudioOutputTest, OpeningAsksForTheLatencysBufferAndStartsPlayback) {
  log_capture log(fe.log_path);
  fe.settings.latency_ms = 250;
  open_audio();
  EXPECT_EQ(fe.audio_device, 1u);
  ASSERT_NE(fe.audio_stream, nullptr);
  EXPECT_EQ(tp.obtained.freq, 48000);
  EXPECT_EQ(tp.obtained.format, AUDIO_S16LSB);
  EXPECT_EQ(tp.obtained.channels, 2);
  EXPECT_EQ(tp.obtained.samples, 4096);
  EXPECT_EQ(tp.last_open_name, "");
  EXPECT_EQ(tp.paused, 0);
  EXPECT_TRUE(log.has("audio: 48000 Hz, 2 ch, buffer 4096 samples, target latency 250 ms"));

  // Reopening closes the device (its queue is lost) and replaces the stream.
  tp.queued = 5000;
  tp.devices = {"USB DAC"};
  snprintf(fe.settings.device, sizeof fe.settings.device, "USB DAC");
  fe.settings.latency_ms = 16;
  open_audio();
  EXPECT_EQ(tp.opens, 2);
  EXPECT_EQ(tp.queued, 0u);
  EXPECT_EQ(tp.last_open_name, "USB DAC");
  EXPECT_EQ(tp.obtained.samples, 256);
  EXPECT_NE(fe.audio_stream, nullptr);
  EXPECT_FALSE(log.has_prefix("audio device"));
}

TEST_F(AudioOutputTest, ANamedDeviceThatFailsFallsBackToTheDefault) {
  log_capture log(fe.log_path);
  snprintf(fe.settings.device, sizeof fe.settings.device, "Gone DAC");
  open_audio();
  EXPECT_TRUE(log.has("audio device 'Gone DAC' unavailable (test platform error); using default"));
  EXPECT_EQ(tp.last_open_name, "");
  EXPECT_EQ(fe.audio_device, 1u);
  EXPECT_NE(fe.audio_stream, nullptr);
}

TEST_F(AudioOutputTest, WithoutAnyDeviceTheGameRunsSilently) {
  log_capture log(fe.log_path);
  open_audio();  // a device and a stream from before
  tp.open_fails = 1;
  open_audio();
  EXPECT_TRUE(log.has("audio disabled: test platform error"));
  EXPECT_EQ(fe.audio_device, 0u);
  EXPECT_EQ(fe.audio_stream, nullptr);
  std::vector<int16_t> samples = tone(621, 8000);
  queue_frame_audio(samples.data(), 621);
  EXPECT_EQ(tp.queue_calls, 0);
}

TEST_F(AudioOutputTest, AFrameIsScaledResampledToTheDeviceRateAndQueued) {
  fe.settings.volume = 80;
  open_audio();
  std::vector<int16_t> samples(2 * 621, 1000);
  uint64_t before = 0;
  for (int frame = 0; frame < 60; frame++) {
    queue_frame_audio(samples.data(), 621);
    tp.queued = 0;  // the device plays it
    if (frame == 0) before = tp.total_queued;
  }
  EXPECT_EQ(fe.audio_scaled[0], 796);
  EXPECT_EQ(fe.audio_scaled[2 * 621 - 1], 796);
  // 37,260 samples in at 37,286 Hz are about 47,966 out at 48 kHz, less what the resampler
  // still holds.
  EXPECT_GT(before, 0u);
  EXPECT_GT(tp.total_queued, 47000u * 4);
  EXPECT_LE(tp.total_queued, 47966u * 4);
  EXPECT_EQ(fe.underruns, 0u);
  EXPECT_EQ(fe.drops, 0u);

  // Muted, silence is still queued.
  fe.settings.mute = 1;
  uint64_t queued = tp.total_queued;
  queue_frame_audio(samples.data(), 621);
  EXPECT_EQ(fe.audio_scaled[0], 0);
  EXPECT_GT(tp.total_queued, queued);
}

TEST_F(AudioOutputTest, UnderrunsCountOnlyAfterTheFirst120Frames) {
  open_audio();
  std::vector<int16_t> samples = tone(621, 8000);
  fe.frame_counter = 120;
  queue_frame_audio(samples.data(), 621);
  EXPECT_EQ(fe.underruns, 0u);
  tp.queued = 0;
  fe.frame_counter = 121;
  queue_frame_audio(samples.data(), 621);
  EXPECT_EQ(fe.underruns, 1u);
  fe.frame_counter = 122;  // something still waits: no underrun
  queue_frame_audio(samples.data(), 621);
  EXPECT_EQ(fe.underruns, 1u);
}

TEST_F(AudioOutputTest, ChunksAreDroppedWhileMoreThanTheLimitWaits) {
  fe.settings.latency_ms = 64;
  open_audio();
  std::vector<int16_t> samples = tone(621, 8000);
  tp.queued = 32256;  // exactly the limit: still queued
  queue_frame_audio(samples.data(), 621);
  EXPECT_EQ(tp.queue_calls, 1);
  EXPECT_EQ(fe.drops, 0u);
  tp.queued = 32257;
  queue_frame_audio(samples.data(), 621);
  EXPECT_EQ(tp.queue_calls, 1);
  EXPECT_EQ(fe.drops, 1u);
  EXPECT_EQ(tp.queued, 32257u);
}

TEST_F(AudioOutputTest, AFrameOfMoreThan4096SampleFramesIsCutTo4096) {
  open_audio();
  std::vector<int16_t> samples = tone(5000, 8000);
  queue_frame_audio(samples.data(), 4096);
  uint64_t cut = tp.total_queued;
  clear_audio();
  tp.total_queued = 0;
  queue_frame_audio(samples.data(), 5000);
  EXPECT_GT(cut, 0u);
  EXPECT_EQ(tp.total_queued, cut);
}

// The same through SDL's own drivers, with the program's platform table.
class AudioDriverTest : public frontend_fixture {
 protected:
  void TearDown() override {
    frontend_fixture::TearDown();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    unsetenv("SDL_DISKAUDIOFILE");
  }
  // Restarts SDL's audio on another driver and makes the program's table the platform.
  void use_driver(const char* driver) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    setenv("SDL_AUDIODRIVER", driver, 1);
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
    ASSERT_STREQ(SDL_GetCurrentAudioDriver(), driver);
    platform = &platform_sdl;
  }
};

TEST_F(AudioDriverTest, TheDummyDriverPlaysAndRefusesANamedDeviceItDoesNotHave) {
  use_driver("dummy");
  log_capture log(fe.log_path);
  snprintf(fe.settings.device, sizeof fe.settings.device, "Gone DAC");
  open_audio();
  EXPECT_TRUE(log.has_prefix("audio device 'Gone DAC' unavailable ("));
  ASSERT_NE(fe.audio_device, 0u);
  EXPECT_NE(fe.audio_stream, nullptr);
  EXPECT_EQ(SDL_GetAudioDeviceStatus(fe.audio_device), SDL_AUDIO_PLAYING);
  EXPECT_EQ(fe.audio_have.format, AUDIO_S16LSB);
  EXPECT_TRUE(log.has("audio: " + std::to_string(fe.audio_have.freq) + " Hz, " +
                      std::to_string(fe.audio_have.channels) + " ch, buffer " +
                      std::to_string(fe.audio_have.samples) + " samples, target latency 64 ms"));
}

TEST_F(AudioDriverTest, TheDiskDriverWritesWhatTheFrameStepQueued) {
  const std::string file = dir.at("audio.raw");
  setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
  use_driver("disk");
  fe.settings.volume = 100;
  open_audio();
  ASSERT_NE(fe.audio_device, 0u);
  ASSERT_NE(fe.audio_stream, nullptr);
  ASSERT_EQ(fe.audio_have.format, AUDIO_S16LSB);
  std::vector<int16_t> samples = tone(621, 8000);
  for (int frame = 0; frame < 6; frame++) queue_frame_audio(samples.data(), 621);
  EXPECT_EQ(fe.drops, 0u);
  for (int wait = 0; wait < 300 && SDL_GetQueuedAudioSize(fe.audio_device) > 0; wait++) {
    SDL_Delay(10);
  }
  EXPECT_EQ(SDL_GetQueuedAudioSize(fe.audio_device), 0u);
  SDL_CloseAudioDevice(fe.audio_device);  // flushes and closes the file
  fe.audio_device = 0;

  const std::string bytes = read_text(file);
  ASSERT_GE(bytes.size(), 4u * 3000);
  int peak = 0;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    int16_t sample = int16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8);
    peak = std::max(peak, std::abs(int(sample)));
  }
  EXPECT_GT(peak, 6000);  // the tone, not silence
  EXPECT_LT(peak, 12000);
}
