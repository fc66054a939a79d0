// The fake game's tables and operations.
#include "fake_game.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frontend/byte_order.h"

fake_game_state fake;

const char FAKE_GAME_STOP_MESSAGE[] =
    "The SH-2 program stopped at address 0000ABCD (an instruction the runtime cannot execute).";

static const char FAKE_STATE_MAGIC[8] = {'F', 'A', 'K', 'E', 'S', 'T', 'A', 'T'};
enum { FAKE_STATE_HEAD = 8 + 4 * 5 + 8 + FAKE_GAME_NVRAM_BYTES };  // + padding + CRC

static const adapter_input fake_inputs[FAKE_GAME_INPUTS] = {
    {.id = "p1_up",
     .label = "P1 Up",
     .player = 1,
     .mask = 1u << 0,
     .key = 82,
     .key2 = 26,
     .pad_button = 11,
     .pulse_frames = 0},
    {.id = "p1_down",
     .label = "P1 Down",
     .player = 1,
     .mask = 1u << 1,
     .key = 81,
     .key2 = 22,
     .pad_button = 12,
     .pulse_frames = 0},
    {.id = "p1_left",
     .label = "P1 Left",
     .player = 1,
     .mask = 1u << 2,
     .key = 80,
     .key2 = 4,
     .pad_button = 13,
     .pulse_frames = 0},
    {.id = "p1_right",
     .label = "P1 Right",
     .player = 1,
     .mask = 1u << 3,
     .key = 79,
     .key2 = 7,
     .pad_button = 14,
     .pulse_frames = 0},
    {.id = "p1_b1",
     .label = "P1 Button 1",
     .player = 1,
     .mask = 1u << 4,
     .key = 29,
     .key2 = -1,
     .pad_button = 0,
     .pulse_frames = 0},
    {.id = "p1_start",
     .label = "P1 Start",
     .player = 1,
     .mask = 1u << 5,
     .key = 30,
     .key2 = -1,
     .pad_button = 6,
     .pulse_frames = 0},
    {.id = "p2_up",
     .label = "P2 Up",
     .player = 2,
     .mask = 1u << 6,
     .key = 12,
     .key2 = -1,
     .pad_button = 11,
     .pulse_frames = 0},
    {.id = "p2_b1",
     .label = "P2 Button 1",
     .player = 2,
     .mask = 1u << 7,
     .key = 89,
     .key2 = -1,
     .pad_button = 0,
     .pulse_frames = 0},
    {.id = "coin1",
     .label = "Coin 1",
     .player = 1,
     .mask = 1u << 8,
     .key = 34,
     .key2 = -1,
     .pad_button = 4,
     .pulse_frames = 3},
    {.id = "service",
     .label = "Service",
     .player = 0,
     .mask = 1u << 9,
     .key = 38,
     .key2 = -1,
     .pad_button = -1,
     .pulse_frames = 0},
};

static const adapter_dip_switch fake_dips[1] = {
    {.id = "difficulty",
     .label = "Difficulty",
     .word = 0,
     .mask = 0x0003,
     .default_value = 0x0001,
     .choice_count = 3,
     .choices = {{.label = "Easy", .value = 0},
                 {.label = "Normal", .value = 1},
                 {.label = "Hard", .value = 2}}},
};

static int fake_readout(const char* prefix, char* buffer, size_t size) {
  if (!fake.loaded) return 0;
  snprintf(buffer, size, "%s %9u", prefix, fake.score);
  return 1;
}
static int fake_readout_p1(char* buffer, size_t size) {
  return fake_readout("1P", buffer, size);
}
static int fake_readout_p2(char* buffer, size_t size) {
  return fake_readout("2P", buffer, size);
}

static const adapter_readout fake_readouts[2] = {
    {.id = "score_p1", .label = "Score (Player 1)", .format = fake_readout_p1},
    {.id = "score_p2", .label = "Score (Player 2)", .format = fake_readout_p2},
};

static void fake_message(char* message, size_t size, const char* text) {
  if (message && size) snprintf(message, size, "%s", text);
}

int fake_game_write_rom(const char* path) {
  FILE* file = fopen(path, "wb");
  if (!file) return 0;
  int ok = fputs("FAKEROM a ROM set of the fake game\n", file) >= 0;
  return fclose(file) == 0 && ok;
}

static int fake_check_rom(const char* path, char* message, size_t size) {
  char head[8] = {};
  FILE* file = path ? fopen(path, "rb") : nullptr;
  if (!file) {
    fake_message(message, size, "Could not open the ROM archive.");
    return 0;
  }
  size_t got = fread(head, 1, 7, file);
  fclose(file);
  if (got != 7 || memcmp(head, "FAKEROM", 7) != 0) {
    fake_message(message, size, "The archive is not a ROM set of the fake game.");
    return 0;
  }
  return 1;
}

static void fake_unload() {
  fake.loaded = 0;
}

static int fake_load_rom(const char* path, char* message, size_t size) {
  fake_unload();
  if (!fake_check_rom(path, message, size)) return 0;
  fake.loaded = 1;
  fake.rom_path = path;
  fake.frame_count = 0;
  fake.sample_clock = 0;
  return 1;
}

static void fake_reset() {
  fake.resets++;
  fake.frame_count = 0;
  fake.sample_clock = 0;
}

static void fake_set_dip_switches(const uint16_t* words) {
  fake.dip_calls++;
  memcpy(fake.dips, words, sizeof(uint16_t));  // one DIP word
}

static void fake_set_inputs(uint32_t word) {
  fake.input_word = word;
}

// A square wave of period 84 samples (about 444 Hz), amplitude 8,000, left equal to right.
static int fake_run_frame(int16_t* stereo, uint32_t* frames, char* message, size_t size) {
  fake.run_calls++;
  if (frames) *frames = 0;
  if (!fake.loaded) {
    fake_message(message, size, "no ROM set is loaded");
    return 1;
  }
  if (fake.stop_at_frame && fake.frame_count + 1 == fake.stop_at_frame) {
    fake_message(message, size, FAKE_GAME_STOP_MESSAGE);
    return 1;
  }
  fake.frame_count++;
  fake.nvram_dirty = 1;
  // 37,286 samples per 60 frames: the frame's share of the running total.
  uint64_t due = uint64_t(fake.frame_count) * 37286 / 60;
  uint64_t before = uint64_t(fake.frame_count - 1) * 37286 / 60;
  uint32_t count = uint32_t(due - before);
  for (uint32_t i = 0; i < count; i++) {
    int16_t sample = ((fake.sample_clock++ / 42) & 1) ? -8000 : 8000;
    if (stereo) {
      stereo[2 * i] = sample;
      stereo[2 * i + 1] = sample;
    }
  }
  if (frames) *frames = count;
  return 0;
}

uint32_t fake_game_pixel(uint32_t x, uint32_t y, uint32_t frame, uint32_t input_word) {
  uint32_t r = (x + frame) & 255;
  uint32_t g = (y * 2 + (input_word & 255)) & 255;
  uint32_t b = (x < 16 && y < 16) ? 255 : (frame * 7) & 255;  // a marker in the top-left corner
  return r << 16 | g << 8 | b;
}

static void fake_get_frame_xrgb8888(uint32_t* out) {
  for (uint32_t y = 0; y < 224; y++) {
    for (uint32_t x = 0; x < 320; x++) {
      out[y * 320 + x] = fake_game_pixel(x, y, fake.frame_count, fake.input_word);
    }
  }
}

// The same picture at 5 bits a channel.
static void fake_get_frame_xrgb1555(uint16_t* out) {
  for (uint32_t y = 0; y < 224; y++) {
    for (uint32_t x = 0; x < 320; x++) {
      uint32_t p = fake_game_pixel(x, y, fake.frame_count, fake.input_word);
      out[y * 320 + x] = uint16_t(((p >> 19) & 31) << 10 | ((p >> 11) & 31) << 5 | ((p >> 3) & 31));
    }
  }
}

// Blob: magic, frame count, input word, score, padding length, reserved, sample clock (8), NVRAM,
// padding, CRC-32 of everything before it.
static uint8_t* fake_save_state(size_t* size) {
  if (!fake.loaded) return nullptr;
  size_t length = FAKE_STATE_HEAD + fake.state_padding + 4;
  uint8_t* blob = static_cast<uint8_t*>(malloc(length));
  if (!blob) return nullptr;
  memcpy(blob, FAKE_STATE_MAGIC, 8);
  le_put_u32(blob + 8, fake.frame_count);
  le_put_u32(blob + 12, fake.input_word);
  le_put_u32(blob + 16, fake.score);
  le_put_u32(blob + 20, uint32_t(fake.state_padding));
  le_put_u32(blob + 24, 0);
  le_put_u32(blob + 28, uint32_t(fake.sample_clock));
  le_put_u32(blob + 32, uint32_t(fake.sample_clock >> 32));
  memcpy(blob + 36, fake.nvram, FAKE_GAME_NVRAM_BYTES);
  uint32_t seed = fake.frame_count * 2654435761u + 1;
  for (size_t i = 0; i < fake.state_padding; i++) {
    seed = seed * 1103515245u + 12345u;
    blob[FAKE_STATE_HEAD + i] = uint8_t(seed >> 24);
  }
  le_put_u32(blob + length - 4, uint32_t(crc32(0, blob, uInt(length - 4))));
  if (size) *size = length;
  return blob;
}

static int fake_validate_state(const uint8_t* blob, size_t size, char* message,
                               size_t message_size) {
  if (!blob || size < FAKE_STATE_HEAD + 4 || memcmp(blob, FAKE_STATE_MAGIC, 8) != 0 ||
      size != FAKE_STATE_HEAD + le_get_u32(blob + 20) + 4 ||
      le_get_u32(blob + size - 4) != uint32_t(crc32(0, blob, uInt(size - 4)))) {
    fake_message(message, message_size, "fake state is damaged");
    return 0;
  }
  if (!fake.loaded) {
    fake_message(message, message_size, "no ROM set is loaded");
    return 0;
  }
  return 1;
}

static int fake_load_state(const uint8_t* blob, size_t size, char* message, size_t message_size) {
  if (!fake_validate_state(blob, size, message, message_size)) return 0;
  fake.frame_count = le_get_u32(blob + 8);
  fake.input_word = le_get_u32(blob + 12);
  fake.score = le_get_u32(blob + 16);
  fake.sample_clock = uint64_t(le_get_u32(blob + 28)) | uint64_t(le_get_u32(blob + 32)) << 32;
  memcpy(fake.nvram, blob + 36, FAKE_GAME_NVRAM_BYTES);
  return 1;
}

static uint32_t fake_rom_fingerprint() {
  return fake.loaded ? fake.fingerprint : 0;
}

static size_t fake_nvram_save(uint8_t* buffer, size_t capacity) {
  if (!fake.loaded || !buffer || capacity < FAKE_GAME_NVRAM_BYTES) return 0;
  memcpy(buffer, fake.nvram, FAKE_GAME_NVRAM_BYTES);
  fake.nvram_dirty = 0;
  return FAKE_GAME_NVRAM_BYTES;
}

static int fake_nvram_load(const uint8_t* data, size_t size) {
  if (!fake.loaded || !data || size != FAKE_GAME_NVRAM_BYTES) return 0;
  memcpy(fake.nvram, data, FAKE_GAME_NVRAM_BYTES);
  fake.nvram_dirty = 0;
  return 1;
}

static int fake_nvram_dirty() {
  return fake.loaded && fake.nvram_dirty;
}

void fake_game_reset() {
  fake = fake_game_state{};
  fake.fingerprint = FAKE_GAME_FINGERPRINT;
  for (int i = 0; i < FAKE_GAME_NVRAM_BYTES; i++) fake.nvram[i] = uint8_t(i);
}

const game_adapter fake_game_descriptor = {
    .id = "fakegame",
    .title = "Fake Game",
    .subtitle = "test double",
    .about = "Fake Game for the frontend tests.\nSecond line of the About text.\n",
    .rom_archive = "fakegame.zip",
    .width = 320,
    .height = 224,
    .aspect = 4.0 / 3.0,
    .rotation = 3,
    .fps = 60.0,
    .audio_rate = 37286.0,
    .max_audio_frames = 1024,
    .dip_word_count = 1,
    .players = 2,
    .inputs = fake_inputs,
    .input_count = FAKE_GAME_INPUTS,
    .dip_switches = fake_dips,
    .dip_switch_count = 1,
    .readouts = fake_readouts,
    .readout_count = 2,
    .check_rom = fake_check_rom,
    .load_rom = fake_load_rom,
    .unload = fake_unload,
    .reset = fake_reset,
    .set_dip_switches = fake_set_dip_switches,
    .set_inputs = fake_set_inputs,
    .run_frame = fake_run_frame,
    .get_frame_xrgb1555 = fake_get_frame_xrgb1555,
    .get_frame_xrgb8888 = fake_get_frame_xrgb8888,
    .save_state = fake_save_state,
    .validate_state = fake_validate_state,
    .load_state = fake_load_state,
    .rom_fingerprint = fake_rom_fingerprint,
    .version = "1.0-test",
    .nvram_save = fake_nvram_save,
    .nvram_load = fake_nvram_load,
    .nvram_dirty = fake_nvram_dirty,
    .profile_id = "fakegame",
};
