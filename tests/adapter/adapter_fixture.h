// Shared by the adapter's tests: synthetic ROM sets around the SH-2 programs embedded in the
// test binary, written once per process, an adapter put back to its start state before and
// after every test, and small helpers over the descriptor's operations.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "adapter/game_adapter.h"
#include "test_romset.h"

// The little-endian u32 at p (the save state's byte order).
inline uint32_t le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24;
}

// The archive of the synthetic set around program `name`, written on first use.
inline const std::string& program_zip(const char* name) {
  static std::map<std::string, std::string> paths;
  std::string& path = paths[name];
  if (path.empty()) {
    std::string error;
    const std::string file = test_romset_temp_path((std::string(name) + ".zip").c_str());
    if (!test_romset_write_zip(file.c_str(), test_romset_program_members(name), 0, &error)) {
      ADD_FAILURE() << error;
      std::abort();
    }
    path = file;
  }
  return path;
}

struct adapter_test : ::testing::Test {
  void SetUp() override { restart(); }
  void TearDown() override { restart(); }

  // No machine record, no set, the DIP word at its default.
  static void restart() {
    adapter_release();
    const uint16_t word = ADAPTER_DIP_WORD_DEFAULT;
    adapter_set_dip_switches(&word);
  }

  static int load(const char* program) {
    char message[512] = "";
    const int ok = adapter_load_rom(program_zip(program).c_str(), message, sizeof message);
    EXPECT_TRUE(ok) << message;
    return ok;
  }

  static void set_dip_word(uint16_t word) { adapter_set_dip_switches(&word); }

  // One frame with `input`; its stereo samples are appended to `audio` when given.
  static uint32_t frame(uint32_t input = 0, std::vector<int16_t>* audio = nullptr) {
    int16_t stereo[2 * ADAPTER_MAX_AUDIO_FRAMES];
    uint32_t frames = 0;
    char message[300] = "";
    adapter_set_inputs(input);
    EXPECT_EQ(adapter_run_frame(stereo, &frames, message, sizeof message), 0) << message;
    if (audio) audio->insert(audio->end(), stereo, stereo + 2 * frames);
    return frames;
  }

  static void frames(int count, uint32_t input = 0, std::vector<int16_t>* audio = nullptr) {
    for (int i = 0; i < count; i++) frame(input, audio);
  }

  static std::vector<uint32_t> picture() {
    std::vector<uint32_t> pixels(VIDEO_PIXELS);
    adapter_get_frame_xrgb8888(pixels.data());
    return pixels;
  }

  static std::vector<uint8_t> nvram() {
    std::vector<uint8_t> bytes(ADAPTER_NVRAM_BYTES);
    EXPECT_EQ(adapter_nvram_save(bytes.data(), bytes.size()), (size_t)ADAPTER_NVRAM_BYTES);
    return bytes;
  }

  // The board save state through the adapter; empty when there is none.
  static std::vector<uint8_t> state() {
    size_t size = 0;
    uint8_t* blob = adapter_save_state(&size);
    std::vector<uint8_t> bytes(blob, blob + (blob ? size : 0));
    std::free(blob);
    return bytes;
  }

  enum { VIDEO_PIXELS = 320 * 224 };
};
