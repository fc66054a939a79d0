// The adapter's operations: thin wrappers over the board (ROM set, reset, frame loop, save
// state, EEPROM) and the video chip's copy-out. The adapter owns the one machine record
// (allocated zero-filled on the first load, reused for every later one, freed by
// adapter_release), knows whether a ROM set is loaded, keeps the DIP word across loads, turns
// the board's mono audio into stereo and a CPU stop into a message. Without a loaded set every
// operation that touches the machine answers safely: a black picture, 0 or null, and the message
// "no ROM set is loaded" where it writes one.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "adapter/game_adapter.h"
#include "board/frame_loop.h"
#include "board/machine.h"
#include "board/rom_set.h"
#include "board/save_state.h"
#include "cpu/sh2.h"
#include "cpu/xlate.h"
#include "video/video.h"

// --- adapter globals (one set for the process; single-threaded) -----------------------------
static machine* adapter_machine;  // null until the first load; freed by adapter_release
static uint8_t adapter_loaded;    // 1 while a ROM set is loaded
static int16_t adapter_mono[ADAPTER_MAX_AUDIO_FRAMES];        // mono samples of the last run_frame
static uint16_t adapter_dip_word = ADAPTER_DIP_WORD_DEFAULT;  // DIP word 0; survives loads

static const char NOT_LOADED[] = "no ROM set is loaded";

enum : uint32_t {
  WORK_RAM_BASE = 0x06000000,
  SCORE_P1_ADDRESS = 0x06070F34,  // u32 work-RAM words the game keeps its scores in
  SCORE_P2_ADDRESS = 0x0607123C,
};

static void put_message(char* message, size_t size, const char* text) {
  if (message && size) std::snprintf(message, size, "%s", text);
}

// The machine while a set is loaded, else null.
static machine* loaded_machine() {
  return adapter_loaded ? adapter_machine : nullptr;
}

// The same for the operations that report: without a set, null and the message.
static machine* loaded_machine_or_message(char* message, size_t size) {
  machine* m = loaded_machine();
  if (!m) put_message(message, size, NOT_LOADED);
  return m;
}

// The board sees DIP word bits 0-1 on its DIP port and bit 2 as a cleared input-port bit 6.
static void apply_dip_word(machine* m) {
  m->dip_bits = (uint32_t)(adapter_dip_word & 3) << 24;
  m->dip_flag = (uint8_t)((adapter_dip_word >> 2) & 1);
}

int adapter_check_rom(const char* path, char* message, size_t size) {
  // The directory first (quick, and its message lists every missing member), then the data:
  // a set whose members are damaged must be refused before a running game is given up for it.
  return rom_set_verify(path, message, size) && rom_set_verify_contents(path, message, size);
}

int adapter_load_rom(const char* path, char* message, size_t size) {
  // 1. The record is allocated once and kept at one address (the sound glue points at it).
  if (!adapter_machine) {
    adapter_machine = static_cast<machine*>(std::calloc(1, sizeof(machine)));
    if (!adapter_machine) {
      put_message(message, size, "out of memory");
      return 0;
    }
  }
  // 2. The load zeroes the record without releasing, so a loaded set goes first.
  if (adapter_loaded) {
    machine_unload(adapter_machine);
    adapter_loaded = 0;
  }
  // 3. The translated-code module is prepared before the board asks it for its image.
  xlate_init();
  // 4. Load; the board keeps its message in the record.
  if (!machine_load(adapter_machine, path)) {
    put_message(message, size, adapter_machine->error_text);
    return 0;
  }
  // 5. The load ended with a reset; this one starts the game with the adapter's DIP bits.
  apply_dip_word(adapter_machine);
  machine_reset(adapter_machine);
  adapter_loaded = 1;
  return 1;
}

void adapter_unload() {
  if (adapter_loaded) machine_unload(adapter_machine);
  adapter_loaded = 0;
}

void adapter_reset() {
  machine* m = loaded_machine();
  if (!m) return;
  apply_dip_word(m);
  machine_reset(m);
}

void adapter_set_dip_switches(const uint16_t* words) {
  if (!words) return;
  adapter_dip_word = words[0];
  if (machine* m = loaded_machine()) apply_dip_word(m);
}

void adapter_set_inputs(uint32_t word) {
  if (machine* m = loaded_machine()) machine_set_inputs(m, word);
}

int adapter_run_frame(int16_t* stereo, uint32_t* frames, char* message, size_t size) {
  if (frames) *frames = 0;
  machine* m = loaded_machine_or_message(message, size);
  if (!m) return 1;
  uint32_t count = 0;
  const int stopped = machine_run_frame(m, adapter_mono, &count);
  if (stereo) {
    for (uint32_t i = 0; i < count; i++) stereo[2 * i] = stereo[2 * i + 1] = adapter_mono[i];
  }
  if (frames) *frames = count;
  if (!stopped) return 0;
  if (message && size)
    std::snprintf(message, size,
                  "The SH-2 program stopped at address %08X (an instruction the runtime cannot "
                  "execute).",
                  (unsigned)sh2_stop_pc());
  return 1;
}

void adapter_get_frame_xrgb8888(uint32_t* out) {
  if (!out) return;
  if (machine* m = loaded_machine())
    video_copy_frame(m, out);
  else
    std::memset(out, 0, sizeof(uint32_t) * VIDEO_WIDTH * VIDEO_HEIGHT);
}

uint8_t* adapter_save_state(size_t* size) {
  size_t length = 0;
  machine* m = loaded_machine();
  uint8_t* blob = m ? state_save(m, &length) : nullptr;
  if (size) *size = blob ? length : 0;
  return blob;
}

int adapter_validate_state(const uint8_t* blob, size_t size, char* message, size_t message_size) {
  machine* m = loaded_machine_or_message(message, message_size);
  return m ? state_validate(m, blob, size, message, message_size) : 0;
}

int adapter_load_state(const uint8_t* blob, size_t size, char* message, size_t message_size) {
  machine* m = loaded_machine_or_message(message, message_size);
  return m ? state_load(m, blob, size, message, message_size) : 0;
}

uint32_t adapter_rom_fingerprint() {
  machine* m = loaded_machine();
  return m ? program_rom_crc32(m) : 0;
}

size_t adapter_nvram_save(uint8_t* buffer, size_t capacity) {
  machine* m = loaded_machine();
  if (!m || !buffer || capacity < ADAPTER_NVRAM_BYTES) return 0;
  std::memcpy(buffer, m->eeprom.memory, ADAPTER_NVRAM_BYTES);
  m->eeprom.dirty = 0;
  return ADAPTER_NVRAM_BYTES;
}

int adapter_nvram_load(const uint8_t* data, size_t size) {
  machine* m = loaded_machine();
  if (!m || !data || size != ADAPTER_NVRAM_BYTES) return 0;
  std::memcpy(m->eeprom.memory, data, ADAPTER_NVRAM_BYTES);
  m->eeprom.dirty = 0;
  return 1;
}

int adapter_nvram_dirty() {
  machine* m = loaded_machine();
  return m && m->eeprom.dirty ? 1 : 0;
}

// One helper for both score readouts: the u32 work-RAM word at `address` after `format`.
static int readout_word(char* buffer, size_t size, const char* format, uint32_t address) {
  machine* m = loaded_machine();
  if (!m) return 0;
  if (buffer && size)
    std::snprintf(buffer, size, format, (unsigned)m->work_ram[(address - WORK_RAM_BASE) / 4]);
  return 1;
}

int readout_score_p1(char* buffer, size_t size) {
  return readout_word(buffer, size, "1P %9u", SCORE_P1_ADDRESS);
}

int readout_score_p2(char* buffer, size_t size) {
  return readout_word(buffer, size, "2P %9u", SCORE_P2_ADDRESS);
}

void adapter_release() {
  adapter_unload();
  std::free(adapter_machine);
  adapter_machine = nullptr;
}
