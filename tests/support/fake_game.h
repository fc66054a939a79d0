// A small stand-in for the game behind the descriptor, for the frontend and menu tests: a picture
// that depends on the frame counter and the input word, a steady tone, a tiny checksummed state
// blob, 256 bytes of NVRAM with a dirty flag, two readouts and one DIP switch. Its geometry and
// timing are the real game's (320 x 224, 4:3, three quarter turns, 60 fps, 37,286 Hz), so sizes
// that tests compute carry over. A test copies `fake_game_descriptor` and nulls the operations
// it wants missing; `fake` holds what the operations saw and lets a test steer them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "adapter/game_adapter.h"

enum {
  FAKE_GAME_INPUTS = 10,
  FAKE_GAME_NVRAM_BYTES = 256,
  FAKE_GAME_FINGERPRINT = 0x1234ABCD,
};

struct fake_game_state {
  int loaded;             // load_rom succeeded and unload was not called since
  std::string rom_path;   // the path load_rom last accepted
  int resets;             // reset calls
  uint32_t frame_count;   // frames since the last reset (or as a state load restored it)
  uint32_t input_word;    // last word from set_inputs
  uint64_t sample_clock;  // samples produced since reset; the tone's phase
  uint16_t dips[4];       // last words from set_dip_switches
  int dip_calls;          // set_dip_switches calls
  uint8_t nvram[FAKE_GAME_NVRAM_BYTES];
  int nvram_dirty;         // set by every frame while loaded; cleared by NVRAM save and load
  uint32_t score;          // shown by both readouts
  uint32_t fingerprint;    // rom_fingerprint while loaded; FAKE_GAME_FINGERPRINT by default
  size_t state_padding;    // extra pseudo-random bytes in every state blob (poorly packed)
  uint32_t stop_at_frame;  // run_frame reports a program stop when it would make this frame
  int run_calls;           // run_frame calls
};

extern fake_game_state fake;

// The descriptor (id "fakegame", archive "fakegame.zip"); all operations present.
extern const game_adapter fake_game_descriptor;

// Puts `fake` back to its initial values (nothing loaded).
void fake_game_reset();

// Writes a file that check_rom and load_rom accept ("FAKEROM" and a line of text); 1 on success.
int fake_game_write_rom(const char* path);

// The picture the fake draws for a frame counter and input word (what get_frame_xrgb8888 gives).
uint32_t fake_game_pixel(uint32_t x, uint32_t y, uint32_t frame, uint32_t input_word);

// The stop message run_frame reports at stop_at_frame.
extern const char FAKE_GAME_STOP_MESSAGE[];
