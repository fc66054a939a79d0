// The board save state on a loaded synthetic set running a program that keeps RAM, EEPROM,
// timer, divider and sound chip busy: the blob's layout, every rejection with its exact
// message (the live machine left byte for byte as it was), validation without side effects,
// the repairs of a load and the determinism of a save, load and replay.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "board/frame_loop.h"
#include "board/machine.h"
#include "board/save_state.h"
#include "board/time_base.h"
#include "board/ymf_glue.h"
#include "sh2_program.h"
#include "test_romset.h"

namespace {

typedef std::vector<uint8_t> bytes;

loaded_machine load_busy_board() {
  std::string error;
  loaded_machine m =
      test_romset_load(test_romset_program_members("busy_board"), "busy_board.zip", &error);
  EXPECT_TRUE(m) << error;
  return m;
}

bytes run_frames(machine* m, int n) {
  bytes audio;
  for (int f = 0; f < n; f++) {
    int16_t out[FRAME_MAX_SAMPLES];
    uint32_t count = 0;
    EXPECT_EQ(machine_run_frame(m, out, &count), 0);
    audio.insert(audio.end(), (uint8_t*)out, (uint8_t*)(out + count));
  }
  return audio;
}

bytes save(machine* m) {
  size_t length = 0;
  uint8_t* blob = state_save(m, &length);
  EXPECT_NE(blob, nullptr);
  bytes b(blob, blob + length);
  std::free(blob);
  return b;
}

bytes chip_image(machine* m) {
  bytes image(ymf_glue_save_state(m->sound, nullptr, 0));
  ymf_glue_save_state(m->sound, image.data(), image.size());
  return image;
}

uint32_t le32(const bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | (uint32_t)b[at + 3] << 24;
}

void put32(bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; i++) b.at(at + i) = (uint8_t)(v >> (8 * i));
}

void put64(bytes& b, size_t at, uint64_t v) {
  put32(b, at, (uint32_t)v);
  put32(b, at + 4, (uint32_t)(v >> 32));
}

// The blob with its trailing CRC-32 recomputed, as a damaged blob that only a deeper check
// can catch.
bytes resealed(bytes b) {
  put32(b, b.size() - 4, (uint32_t)crc32(0, b.data(), (uInt)(b.size() - 4)));
  return b;
}

// Offsets of the chunks in a blob (their tag; the payload follows 8 bytes later).
enum : size_t {
  AT_SH2 = 20,
  AT_ONCH = 164,
  AT_RAM = 724,
  AT_VRAM = 1049308,
  AT_VID = 1135876,
  AT_EEPR = 1513744,
  AT_YMF = 1514046,
  SPRITE_BYTES = 25,
};

class SaveState : public ::testing::Test {
 protected:
  void SetUp() override {
    m = load_busy_board();
    ASSERT_TRUE(m);
    run_frames(m.get(), 3);
    // Two latched sprites, so the sprite checks have records to look at.
    m->video_ram[0xE00] = 0x00014000;  // sprites 0 then 1, the last
    m->video_ram[4] = 0x00100020;
    m->video_ram[5] = 0x01000100;
    m->video_ram[6] = 0x05000123;
    run_frames(m.get(), 1);
    ASSERT_EQ(m->sprite_count, 2);
    blob = save(m.get());
  }
  loaded_machine m;
  bytes blob;
};

}  // namespace

TEST_F(SaveState, TheBlobHasItsHeaderChunksAndChecksumInPlace) {
  const size_t n = ymf_glue_save_state(m->sound, nullptr, 0);
  ASSERT_EQ(blob.size(), 1514107 + n);
  EXPECT_EQ(std::memcmp(blob.data(), "CBLTCORE", 8), 0);
  EXPECT_EQ(le32(blob, 8), 1u);
  EXPECT_EQ(le32(blob, 12), program_rom_crc32(m.get()));
  EXPECT_EQ(le32(blob, 16), 0u);
  const struct {
    size_t at;
    const char* tag;
    size_t length;
  } chunks[] = {{AT_SH2, "SH2 ", 136},    {AT_ONCH, "ONCH", 552},   {AT_RAM, "RAM ", 1048576},
                {AT_VRAM, "VRAM", 86560}, {AT_VID, "VID ", 377860}, {AT_EEPR, "EEPR", 294},
                {AT_YMF, "YMF ", 28 + n}, {1514082 + n, "MISC", 13}};
  for (const auto& c : chunks) {
    EXPECT_EQ(std::memcmp(&blob[c.at], c.tag, 4), 0) << c.tag;
    EXPECT_EQ(le32(blob, c.at + 4), c.length) << c.tag;
  }
  EXPECT_EQ(le32(blob, AT_YMF + 8 + 24), n);
  EXPECT_EQ(le32(blob, blob.size() - 4), (uint32_t)crc32(0, blob.data(), (uInt)blob.size() - 4));
  // Fields land as numbers, whatever the host: the cycle counter in "SH2 ", RAM word 0.
  uint64_t cycles = 0;
  for (int i = 0; i < 8; i++) cycles |= (uint64_t)blob[AT_SH2 + 8 + 100 + i] << (8 * i);
  EXPECT_EQ(cycles, m->sh2.cycles);
  EXPECT_EQ(le32(blob, AT_RAM + 8), m->work_ram[0]);
}

TEST_F(SaveState, EveryRejectedBlobLeavesTheMachineAndChipUntouched) {
  const size_t n = ymf_glue_save_state(m->sound, nullptr, 0);
  auto with = [&](size_t at, uint32_t v) {
    bytes b = blob;
    put32(b, at, v);
    return resealed(b);
  };
  auto with_byte = [&](size_t at, uint8_t v) {
    bytes b = blob;
    b[at] = v;
    return resealed(b);
  };
  auto with64 = [&](size_t at, uint64_t v) {
    bytes b = blob;
    put64(b, at, v);
    return resealed(b);
  };
  const size_t sprite0 = AT_VID + 8 + 4, sprite1 = sprite0 + SPRITE_BYTES;
  const size_t cycles_at = AT_SH2 + 8 + 100, samples_at = AT_YMF + 8 + 16;
  const size_t frame_at = 1514082 + n + 8 + 5;
  const uint64_t cycles = m->sh2.cycles, samples = m->sound_samples, frame = m->frame_counter;
  const size_t timer_at = AT_YMF + 8;
  const uint64_t frame_start = frame_end_cycle(frame - 1);

  bytes flipped_version = blob;
  flipped_version[8] ^= 0x10;
  bytes flipped_ram = blob;
  flipped_ram[AT_RAM + 8 + 1000] ^= 0x01;
  bytes header_only(blob.begin(), blob.begin() + 20);
  header_only.resize(24);
  bytes extra = blob;
  extra.insert(extra.end() - 4, 0);
  // A sound image one byte longer, consistently framed: only its length gives it away.
  bytes longer_sound = blob;
  longer_sound.insert(longer_sound.begin() + AT_YMF + 36 + n, 0);
  put32(longer_sound, AT_YMF + 4, (uint32_t)(29 + n));
  put32(longer_sound, AT_YMF + 32, (uint32_t)(n + 1));

  const char* const layout = "state has an unexpected layout or is truncated";
  const struct {
    const char* label;
    bytes blob;
    const char* message;
  } cases[] = {
      {"23 bytes", bytes(blob.begin(), blob.begin() + 23), "state file is truncated"},
      {"other magic", with_byte(0, 'X'), "not a Cobaltine save state"},
      {"flipped version bit", flipped_version, "state is damaged (checksum mismatch)"},
      {"flipped RAM bit", flipped_ram, "state is damaged (checksum mismatch)"},
      {"version 2", with(8, 2), "state format version 2 is not supported (expected 1)"},
      {"other ROM", with(12, le32(blob, 12) ^ 1), "state was made with a different ROM set"},
      {"header only", resealed(header_only), layout},
      {"byte before the CRC", resealed(extra), layout},
      {"chunk length off by one", with(AT_ONCH + 4, 553), layout},
      {"chunk tag", with_byte(AT_EEPR, 'e'), layout},
      {"sprite count 1025", with(AT_VID + 8, 1025), layout},
      {"sprite count -1", with(AT_VID + 8, 0xFFFFFFFF), layout},
      {"sprite y 512", with(sprite0, 512), layout},
      {"sprite x -513", with(sprite1 + 4, (uint32_t)-513), layout},
      {"height 0", with_byte(sprite1 + 8, 0), layout},
      {"width 17", with_byte(sprite0 + 9, 17), layout},
      {"flip 2", with_byte(sprite0 + 10, 2), layout},
      {"priority index 4", with_byte(sprite1 + 13, 4), layout},
      {"tile 2^19", with(sprite0 + 16, 1u << 19), layout},
      {"palette 256", with_byte(sprite1 + 21, 1), layout},
      {"8bpp 2", with_byte(sprite0 + 22, 2), layout},
      {"alpha select 8", with_byte(sprite1 + 23, 8), layout},
      // Clock, frame count and audio count that no run leaves together: the next frame would run
      // the CPU or the sound chip for hours.
      {"cycles a frame behind", with64(cycles_at, cycles - 477273), layout},
      {"cycles far ahead", with64(cycles_at, cycles + 477273 * 2), layout},
      {"frame count far ahead", with64(frame_at, frame + 1000000000), layout},
      {"last frame count", with64(frame_at, ~0ull), layout},
      {"samples behind the last frame end", with64(samples_at, samples - 700), layout},
      {"samples ahead of the clock", with64(samples_at, samples + 2), layout},
      // A timer behind the clock is delivered once a period until it catches up.
      {"timer A far behind the clock", with64(timer_at, 0), layout},
      {"timer B armed before the frame began", with64(timer_at + 8, frame_start - 1), layout},
      {"longer sound image", resealed(longer_sound), "state has an unexpected sound chip layout"},
  };

  machine* before = (machine*)std::malloc(sizeof(machine));
  std::memcpy(before, m.get(), sizeof(machine));
  const bytes chip = chip_image(m.get());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    char message[256] = "";
    EXPECT_EQ(state_validate(m.get(), c.blob.data(), c.blob.size(), message, sizeof message), 0);
    EXPECT_STREQ(message, c.message);
    message[0] = 0;
    EXPECT_EQ(state_load(m.get(), c.blob.data(), c.blob.size(), message, sizeof message), 0);
    EXPECT_STREQ(message, c.message);
    EXPECT_EQ(std::memcmp(before, m.get(), sizeof(machine)), 0);
    EXPECT_EQ(chip_image(m.get()), chip);
  }
  char message[64];
  EXPECT_EQ(state_load(m.get(), nullptr, 0, message, sizeof message), 0);
  EXPECT_STREQ(message, "state file is truncated");

  // Records past the count are never drawn and may hold anything.
  bytes past_count = with_byte(sprite1 + SPRITE_BYTES + 8, 0);
  EXPECT_EQ(state_validate(m.get(), past_count.data(), past_count.size(), nullptr, 0), 1);
  // A timer due from the frame's start on is one a run can leave.
  bytes timer_at_start = with64(timer_at + 8, frame_start);
  EXPECT_EQ(state_validate(m.get(), timer_at_start.data(), timer_at_start.size(), nullptr, 0), 1);
  std::free(before);
}

TEST_F(SaveState, TheClockMayStandUpTo64CyclesPastTheEndOfTheCurrentFrame) {
  // After four frames the fifth is current; it ends 5/60 s in, at 28,636,350 / 12 =
  // 2,386,362.5 cycles. A slice ends after the instruction that crosses its end, which no
  // instruction does by more than 64 cycles.
  ASSERT_EQ(m->frame_counter, 4u);
  const uint64_t frame_end = 2386362;
  const struct {
    uint64_t cycles;
    int accepted;
  } cases[] = {{frame_end, 1}, {frame_end + 64, 1}, {frame_end + 65, 0}, {frame_end + 4000, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cycles - frame_end);
    bytes b = blob;
    put64(b, AT_SH2 + 8 + 100, c.cycles);
    b = resealed(b);
    char message[64] = "";
    EXPECT_EQ(state_validate(m.get(), b.data(), b.size(), message, sizeof message), c.accepted)
        << message;
  }
}

TEST_F(SaveState, AChipImageOfAnotherFormatIsRefusedByValidationAndLoadAlike) {
  bytes b = blob;
  b[AT_YMF + 36 + 8] ^= 0xFF;  // the chip image's own format tag, after the busy time
  b = resealed(b);
  machine* before = (machine*)std::malloc(sizeof(machine));
  std::memcpy(before, m.get(), sizeof(machine));
  const bytes chip = chip_image(m.get());
  char message[64] = "";
  EXPECT_EQ(state_validate(m.get(), b.data(), b.size(), message, sizeof message), 0);
  EXPECT_STREQ(message, "state has an unexpected sound chip layout");
  message[0] = 0;
  EXPECT_EQ(state_load(m.get(), b.data(), b.size(), message, sizeof message), 0);
  EXPECT_STREQ(message, "state has an unexpected sound chip layout");
  EXPECT_EQ(std::memcmp(before, m.get(), sizeof(machine)), 0);
  EXPECT_EQ(chip_image(m.get()), chip);
  std::free(before);
}

TEST_F(SaveState, WithoutALoadedSetEveryBlobIsOfADifferentRomSet) {
  // Even one that claims the fingerprint an empty record reports (0).
  bytes b = blob;
  put32(b, 12, 0);
  b = resealed(b);
  machine* empty = (machine*)std::calloc(1, sizeof(machine));
  char message[64] = "";
  EXPECT_EQ(state_validate(empty, b.data(), b.size(), message, sizeof message), 0);
  EXPECT_STREQ(message, "state was made with a different ROM set");
  EXPECT_EQ(state_load(empty, blob.data(), blob.size(), message, sizeof message), 0);
  EXPECT_STREQ(message, "state was made with a different ROM set");
  std::free(empty);
}

TEST_F(SaveState, ValidatingAGoodBlobChangesNothing) {
  m->eeprom.dirty = 0;
  m->input_bits = 0x1234;
  machine* before = (machine*)std::malloc(sizeof(machine));
  std::memcpy(before, m.get(), sizeof(machine));
  const bytes chip = chip_image(m.get());
  char message[8] = "same";
  EXPECT_EQ(state_validate(m.get(), blob.data(), blob.size(), message, sizeof message), 1);
  EXPECT_STREQ(message, "same");
  EXPECT_EQ(std::memcmp(before, m.get(), sizeof(machine)), 0);
  EXPECT_EQ(chip_image(m.get()), chip);
  std::free(before);
}

TEST_F(SaveState, ALoadRestoresTheMachineAndRepairsWhatNoChunkCarries) {
  const uint64_t cycles = m->sh2.cycles, frames = m->frame_counter;
  const uint32_t checksum = m->work_ram[4];
  run_frames(m.get(), 5);
  m->eeprom.dirty = 0;
  m->input_bits = 0xFF;
  std::memset(m->palette_argb, 0, sizeof m->palette_argb);
  m->palette_ram[77] = 0x12345600;
  char message[64] = "";
  ASSERT_EQ(state_load(m.get(), blob.data(), blob.size(), message, sizeof message), 1) << message;
  EXPECT_EQ(m->sh2.cycles, cycles);
  EXPECT_EQ(m->frame_counter, frames);
  EXPECT_EQ(m->work_ram[4], checksum);
  EXPECT_EQ(m->eeprom.dirty, 1);
  EXPECT_EQ(m->input_bits, 0u);
  EXPECT_EQ(m->sound_event_cycle, ~0ull);
  for (int i = 0; i < 5120; i++)
    ASSERT_EQ(m->palette_argb[i], 0xFF000000u | m->palette_ram[i] >> 8) << i;
  EXPECT_EQ(save(m.get()), blob);  // saving again gives the same bytes
}

TEST_F(SaveState, ReplayingFromASavedStateGivesTheSameAudioAndState) {
  const bytes s1 = blob;
  const bytes a1 = run_frames(m.get(), 20);
  const bytes s2 = save(m.get());
  // The program really kept everything busy.
  EXPECT_GT(m->work_ram[2], 100u);  // timer compare interrupts
  EXPECT_GT(m->work_ram[3], 20u);   // sound-chip timer interrupts
  EXPECT_NE(m->eeprom.state + m->eeprom.bit_count + m->eeprom.cs_rise_cycle, 0u);
  bool loud = false;
  for (size_t i = 0; i + 1 < a1.size(); i += 2) loud = loud || (a1[i] | a1[i + 1]) != 0;
  EXPECT_TRUE(loud);

  char message[64] = "";
  ASSERT_EQ(state_load(m.get(), s1.data(), s1.size(), message, sizeof message), 1) << message;
  const bytes a2 = run_frames(m.get(), 20);
  const bytes s3 = save(m.get());
  EXPECT_EQ(a1, a2);
  EXPECT_TRUE(s2 == s3);
}
