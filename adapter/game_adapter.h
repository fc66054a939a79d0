// The game as the frontend sees it: the record types of the one constant descriptor (identity,
// picture and timing figures, the input, DIP-switch and readout tables, the operations as
// function pointers, null when absent) and the adapter's operations over the board. The frontend
// copies the descriptor once and reaches the game only through it; the board and the video chip
// do the work. Results: operations return 1 for success and 0 for failure, except run_frame
// (0 = frame done, 1 = stopped, with a message); messages go into the caller's buffer, cut to its
// size and always terminated (a null buffer or size 0 is allowed).
#pragma once

#include <cstddef>
#include <cstdint>

// One input of the game: a bit of the 32-bit input word and its default bindings.
struct adapter_input {
  const char* id;        // also the settings key of its binding
  const char* label;     // shown in the Controls page
  uint32_t player;       // 1 or 2; 0 = any controller
  uint32_t mask;         // the input's single bit in the input word
  int32_t key;           // default SDL scancode
  int32_t key2;          // second default scancode; -1 = none
  int32_t pad_button;    // default SDL game-controller button; -1 = none
  int32_t pulse_frames;  // 0 = the bit follows the binding; N > 0 = a press sets it for N frames
};

// One labelled value of a DIP switch.
struct adapter_dip_choice {
  const char* label;
  uint64_t value;  // the bits within the switch's mask
};

enum { ADAPTER_DIP_CHOICES_MAX = 20 };

// One DIP option: some bits of one DIP word.
struct adapter_dip_switch {
  const char* id;                                       // also its settings key
  const char* label;                                    // shown in the Gameplay page
  int32_t word;                                         // index of the DIP word
  uint16_t mask;                                        // the switch's bits in that word
  uint16_t default_value;                               // within the mask
  uint64_t choice_count;                                // used entries of `choices`
  adapter_dip_choice choices[ADAPTER_DIP_CHOICES_MAX];  // the rest are empty
};

// One on-screen value of the game (a gadget).
struct adapter_readout {
  const char* id;     // also the gadget's settings key
  const char* label;  // shown in the Gadgets page
  // Writes the current value's text into buffer (cut to size); 0 when there is no value.
  int (*format)(char* buffer, size_t size);
};

struct game_adapter {
  // --- identity
  const char* id;           // "cobaltin": also the name part of the state and NVRAM files
  const char* title;        // "Cobaltine"
  const char* subtitle;     // "native port"
  const char* about;        // ten lines separated by '\n'
  const char* rom_archive;  // default archive name for the ROM search

  // --- picture, timing, tables
  uint32_t width;            // native picture width in pixels
  uint32_t height;           // native picture height
  double aspect;             // display aspect of the native picture
  uint32_t rotation;         // quarter turns by which the picture is shown turned
  double fps;                // frames per second
  double audio_rate;         // samples per second of run_frame's audio
  int32_t max_audio_frames;  // most stereo frames one run_frame returns
  int32_t dip_word_count;    // 16-bit DIP words that set_dip_switches takes
  int32_t players;
  const adapter_input* inputs;
  int32_t input_count;
  const adapter_dip_switch* dip_switches;
  int32_t dip_switch_count;
  const adapter_readout* readouts;
  int32_t readout_count;

  // --- operations (null = not supported)
  int (*check_rom)(const char* path, char* message, size_t size);
  int (*load_rom)(const char* path, char* message, size_t size);
  void (*unload)();
  void (*reset)();
  void (*set_dip_switches)(const uint16_t* words);
  void (*set_inputs)(uint32_t word);
  int (*run_frame)(int16_t* stereo, uint32_t* frames, char* message, size_t size);
  void (*get_frame_xrgb1555)(uint16_t* out);
  void (*get_frame_xrgb8888)(uint32_t* out);
  uint8_t* (*save_state)(size_t* size);
  int (*validate_state)(const uint8_t* blob, size_t size, char* message, size_t message_size);
  int (*load_state)(const uint8_t* blob, size_t size, char* message, size_t message_size);
  uint32_t (*rom_fingerprint)();
  const char* version;  // adapter version, written into save-state containers
  size_t (*nvram_save)(uint8_t* buffer, size_t capacity);
  int (*nvram_load)(const uint8_t* data, size_t size);
  int (*nvram_dirty)();
  const char* profile_id;  // name of the game-profile file "%s.json"
};

static_assert(sizeof(game_adapter) == 288, "the descriptor's layout is fixed");

enum {
  ADAPTER_INPUTS = 20,
  ADAPTER_DIP_SWITCHES = 2,
  ADAPTER_READOUTS = 2,
  ADAPTER_MAX_AUDIO_FRAMES = 1024,
  ADAPTER_NVRAM_BYTES = 256,
  ADAPTER_DIP_WORD_DEFAULT = 0x0001,  // region "International Ver. B", debug "Off"
};

// The descriptor of this game, handed by the entry point to the frontend.
extern const game_adapter cobaltin_adapter;

// --- operations (descriptor order; the descriptor points at these)

// Checks the archive at `path` (its directory, then every member's data) without loading anything;
// 0 with a message.
int adapter_check_rom(const char* path, char* message, size_t size);
// Loads the ROM set (allocating the machine record on first use) and starts the board with the
// adapter's DIP word; a loaded set is unloaded first. 0 with a message, nothing loaded then.
int adapter_load_rom(const char* path, char* message, size_t size);
void adapter_unload();
void adapter_reset();
// Keeps words[0] as the DIP word (kept across loads) and applies it at once while loaded.
void adapter_set_dip_switches(const uint16_t* words);
void adapter_set_inputs(uint32_t word);
// One frame: up to ADAPTER_MAX_AUDIO_FRAMES stereo frames into `stereo` (room for 2 x 1024
// i16), the count into *frames. 0 after a complete frame; 1 with a message when the game program
// stopped or no ROM set is loaded.
int adapter_run_frame(int16_t* stereo, uint32_t* frames, char* message, size_t size);
// The 320 x 224 picture of the last frame, 0x00RRGGBB, rows top to bottom; black when no ROM set
// is loaded.
void adapter_get_frame_xrgb8888(uint32_t* out);
// A new board save state in a malloc'd buffer that the caller frees with free(); its length goes
// to *size. Null when memory runs out or no ROM set is loaded.
uint8_t* adapter_save_state(size_t* size);
int adapter_validate_state(const uint8_t* blob, size_t size, char* message, size_t message_size);
int adapter_load_state(const uint8_t* blob, size_t size, char* message, size_t message_size);
// CRC-32 of the first MiB of the program ROM; 0 when no ROM set is loaded.
uint32_t adapter_rom_fingerprint();
// Copies the EEPROM's 256 bytes out and clears its dirty flag: 256, or 0 (nothing changed) when
// not loaded or the capacity is below 256.
size_t adapter_nvram_save(uint8_t* buffer, size_t capacity);
// Replaces the EEPROM's bytes and clears its dirty flag: 1, or 0 (nothing changed) when not
// loaded or size is not exactly 256.
int adapter_nvram_load(const uint8_t* data, size_t size);
// 1 when loaded and the EEPROM changed since the last NVRAM save or load.
int adapter_nvram_dirty();

// Readouts: "1P %9u" and "2P %9u" of the players' scores; 0 and nothing written when no ROM set
// is loaded.
int readout_score_p1(char* buffer, size_t size);
int readout_score_p2(char* buffer, size_t size);

// For the entry point at exit: unloads a loaded set and frees the machine record (nothing when
// it was never allocated). The adapter is back in its initial state afterwards, but for the DIP
// word.
void adapter_release();
