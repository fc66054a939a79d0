// The adapter's operations over the board: loads, unloads and the DIP word, safe answers when
// no ROM set is loaded, stereo audio, the stop message, the NVRAM rules and the score readouts.
#include <cstring>
#include <string>
#include <vector>

#include "adapter_fixture.h"
#include "scratch_dir.h"

namespace {

using AdapterOperations = adapter_test;

const char NOT_A_SET[] = "/nonexistent/cobaltin.zip";

// What the board holds, seen through the operations: a loaded set has a fingerprint, and the
// save state ends with the MISC chunk (dip_bits, dip_flag, frame_counter) before its CRC.
struct board_view {
  int loaded;
  uint32_t dip_bits;
  int dip_flag;
  bool operator==(const board_view&) const = default;
};

board_view view() {
  board_view v = {adapter_rom_fingerprint() != 0, 0, 0};
  const std::vector<uint8_t> s = adapter_test::state();
  if (!s.empty()) {
    const uint8_t* misc = s.data() + s.size() - 4 - 13;
    v.dip_bits = le32(misc);
    v.dip_flag = misc[4];
  }
  return v;
}

void load_good() {
  adapter_test::load("cartridge");
}

void load_bad() {
  char message[200];
  EXPECT_EQ(adapter_load_rom(NOT_A_SET, message, sizeof message), 0);
}

void set_word(uint16_t word) {
  adapter_set_dip_switches(&word);
}

}  // namespace

TEST_F(AdapterOperations, LoadsUnloadsAndTheDipWordFollowTheirLifecycle) {
  struct lifecycle_case {
    const char* label;
    void (*steps)();
    board_view expected;
  };
  const lifecycle_case cases[] = {
      {"unload without a load", [] { adapter_unload(); }, {0, 0, 0}},
      {"a failed load", [] { load_bad(); }, {0, 0, 0}},
      {"a failed load after a good one",
       [] {
         load_good();
         load_bad();
       },
       {0, 0, 0}},
      {"a second load over the first",
       [] {
         load_good();
         load_good();
       },
       {1, 0x01000000, 0}},
      {"the word set before the load",
       [] {
         set_word(2);
         load_good();
       },
       {1, 0x02000000, 0}},
      {"all three bits set before the load",
       [] {
         set_word(7);
         load_good();
       },
       {1, 0x03000000, 1}},
      {"the word kept across an unload",
       [] {
         set_word(7);
         load_good();
         adapter_unload();
         load_good();
       },
       {1, 0x03000000, 1}},
      {"the word set while loaded",
       [] {
         load_good();
         set_word(4);
       },
       {1, 0, 1}},
      {"a reset after a new word",
       [] {
         load_good();
         set_word(2);
         adapter_reset();
       },
       {1, 0x02000000, 0}},
  };
  for (const lifecycle_case& c : cases) {
    SCOPED_TRACE(c.label);
    restart();
    c.steps();
    EXPECT_EQ(view(), c.expected);
    if (c.expected.loaded) frame();  // the board runs
  }
}

TEST_F(AdapterOperations, CheckAndLoadPassTheSetChecksMessageThrough) {
  char message[200] = "untouched";
  EXPECT_EQ(adapter_check_rom(program_zip("cartridge").c_str(), message, sizeof message), 1);
  EXPECT_STREQ(message, "untouched");
  const char expected[] =
      "Cannot open \"/nonexistent/cobaltin.zip\" as a zip archive. No such file or directory.";
  EXPECT_EQ(adapter_check_rom(NOT_A_SET, message, sizeof message), 0);
  EXPECT_STREQ(message, expected);
  std::strcpy(message, "untouched");
  EXPECT_EQ(adapter_load_rom(NOT_A_SET, message, sizeof message), 0);
  EXPECT_STREQ(message, expected);
  char cut[8];
  EXPECT_EQ(adapter_load_rom(NOT_A_SET, cut, sizeof cut), 0);
  EXPECT_STREQ(cut, "Cannot ");

  // A member whose data is damaged under a good directory entry is refused by the check too.
  std::string zip = read_text(program_zip("cartridge"));
  ASSERT_GT(zip.size(), 1000u);
  const size_t data = 30 + size_t(uint8_t(zip[26]) | uint8_t(zip[27]) << 8) +
                      size_t(uint8_t(zip[28]) | uint8_t(zip[29]) << 8);
  zip[data + 100] ^= 1;  // in the first member, stored as it is
  const std::string damaged = test_romset_temp_path("damaged_data.zip");
  ASSERT_TRUE(write_text(damaged, zip));
  EXPECT_EQ(adapter_check_rom(damaged.c_str(), message, sizeof message), 0);
  EXPECT_STREQ(message, "Could not read 2prog_h.u21 from the archive (CRC error).");
}

TEST_F(AdapterOperations, WithoutALoadedSetEveryOperationAnswersSafely) {
  load("cartridge");
  frames(2);
  const std::vector<uint8_t> blob = state();
  ASSERT_FALSE(blob.empty());

  struct situation {
    const char* label;
    void (*enter)();
  };
  const situation situations[] = {
      {"the record was never allocated", [] { restart(); }},
      {"the set was unloaded",
       [] {
         restart();
         load_good();
         frame();
         adapter_unload();
       }},
  };
  for (const situation& s : situations) {
    SCOPED_TRACE(s.label);
    s.enter();
    adapter_reset();
    adapter_set_inputs(0xFFFFF);

    std::vector<uint32_t> pixels(VIDEO_PIXELS, 0xFFFFFFFF);
    adapter_get_frame_xrgb8888(pixels.data());
    EXPECT_EQ(pixels, std::vector<uint32_t>(VIDEO_PIXELS, 0));

    int16_t stereo[2 * ADAPTER_MAX_AUDIO_FRAMES] = {7};
    uint32_t count = 99;
    char message[64] = "";
    EXPECT_EQ(adapter_run_frame(stereo, &count, message, sizeof message), 1);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(stereo[0], 7);
    EXPECT_STREQ(message, "no ROM set is loaded");

    size_t size = 99;
    EXPECT_EQ(adapter_save_state(&size), nullptr);
    EXPECT_EQ(size, 0u);
    std::strcpy(message, "");
    EXPECT_EQ(adapter_validate_state(blob.data(), blob.size(), message, sizeof message), 0);
    EXPECT_STREQ(message, "no ROM set is loaded");
    std::strcpy(message, "");
    EXPECT_EQ(adapter_load_state(blob.data(), blob.size(), message, sizeof message), 0);
    EXPECT_STREQ(message, "no ROM set is loaded");

    EXPECT_EQ(adapter_rom_fingerprint(), 0u);
    uint8_t nv[ADAPTER_NVRAM_BYTES];
    std::memset(nv, 0xEE, sizeof nv);
    EXPECT_EQ(adapter_nvram_save(nv, sizeof nv), 0u);
    EXPECT_EQ(nv[0], 0xEE);
    EXPECT_EQ(adapter_nvram_load(nv, sizeof nv), 0);
    EXPECT_EQ(adapter_nvram_dirty(), 0);
    char text[16] = "untouched";
    EXPECT_EQ(readout_score_p1(text, sizeof text), 0);
    EXPECT_EQ(readout_score_p2(text, sizeof text), 0);
    EXPECT_STREQ(text, "untouched");
  }
}

TEST_F(AdapterOperations, SixtyFramesGive37286StereoFramesWithTheSameSampleLeftAndRight) {
  load("cartridge");
  std::vector<int16_t> audio;
  uint32_t total = 0;
  for (int f = 0; f < 60; f++) {
    const uint32_t n = frame(0, &audio);
    EXPECT_TRUE(n == 621 || n == 622) << "frame " << f << ": " << n;
    total += n;
  }
  EXPECT_EQ(total, 37286u);
  ASSERT_EQ(audio.size(), 2u * total);
  int nonzero = 0;
  for (uint32_t i = 0; i < total; i++) {
    ASSERT_EQ(audio[2 * i], audio[2 * i + 1]) << "frame " << i;
    nonzero += audio[2 * i] != 0;
  }
  EXPECT_GT(nonzero, 30000);

  // Without a count pointer the samples still come.
  int16_t stereo[2 * ADAPTER_MAX_AUDIO_FRAMES] = {};
  char message[64];
  EXPECT_EQ(adapter_run_frame(stereo, nullptr, message, sizeof message), 0);
  EXPECT_NE(stereo[0] | stereo[100] | stereo[1000], 0);
}

TEST_F(AdapterOperations, AStoppedProgramIsReportedWithTheAddressOfItsJump) {
  load("stop_at_abc");
  int16_t stereo[2 * ADAPTER_MAX_AUDIO_FRAMES];
  uint32_t count = 99;
  char message[300] = "";
  EXPECT_EQ(adapter_run_frame(stereo, &count, message, sizeof message), 1);
  EXPECT_STREQ(message,
               "The SH-2 program stopped at address 00000ABC (an instruction the runtime cannot "
               "execute).");
  EXPECT_EQ(count, 0u);
  char cut[12];
  EXPECT_EQ(adapter_run_frame(stereo, &count, cut, sizeof cut), 1);
  EXPECT_STREQ(cut, "The SH-2 pr");
}

TEST_F(AdapterOperations, NvramTakesExactly256BytesAndEachTransferClearsTheDirtyFlag) {
  load("cartridge");
  // The EEPROM starts as the set's default image with its 16-bit pairs swapped.
  std::vector<uint8_t> member;
  for (const test_rom_member& m : test_romset_program_members("cartridge"))
    if (m.name == "eeprom-cobaltin.u44") member = m.data;
  ASSERT_EQ(member.size(), 256u);
  const std::vector<uint8_t> image = nvram();
  for (int j = 0; j < 128; j++) {
    EXPECT_EQ(image[2 * j], member[2 * j + 1]);
    EXPECT_EQ(image[2 * j + 1], member[2 * j]);
  }
  EXPECT_EQ(adapter_nvram_dirty(), 0);

  const std::vector<uint8_t> blob = state();
  char message[100];
  auto make_dirty = [&] {  // a state load marks the EEPROM for writing
    ASSERT_EQ(adapter_load_state(blob.data(), blob.size(), message, sizeof message), 1);
    ASSERT_EQ(adapter_nvram_dirty(), 1);
  };
  make_dirty();
  uint8_t out[257];
  std::memset(out, 0xEE, sizeof out);
  EXPECT_EQ(adapter_nvram_save(out, 255), 0u);
  EXPECT_EQ(adapter_nvram_save(nullptr, 256), 0u);
  EXPECT_EQ(out[0], 0xEE);
  EXPECT_EQ(adapter_nvram_dirty(), 1);
  EXPECT_EQ(adapter_nvram_save(out, sizeof out), 256u);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 256), image);
  EXPECT_EQ(out[256], 0xEE);
  EXPECT_EQ(adapter_nvram_dirty(), 0);

  make_dirty();
  const std::vector<uint8_t> mine(257, 0x5A);
  EXPECT_EQ(adapter_nvram_load(mine.data(), 255), 0);
  EXPECT_EQ(adapter_nvram_load(mine.data(), 257), 0);
  EXPECT_EQ(adapter_nvram_dirty(), 1);
  EXPECT_EQ(adapter_nvram_load(mine.data(), 256), 1);
  EXPECT_EQ(adapter_nvram_dirty(), 0);
  EXPECT_EQ(nvram(), std::vector<uint8_t>(256, 0x5A));
}

TEST_F(AdapterOperations, ReadoutsShowBothScoresCutToTheBuffer) {
  load("cartridge");
  frames(60);  // the program adds 10 and 3 per frame from its second frame on
  char text[32];
  EXPECT_EQ(cobaltin_adapter.readouts[0].format(text, sizeof text), 1);
  EXPECT_STREQ(text, "1P       590");
  EXPECT_EQ(cobaltin_adapter.readouts[1].format(text, sizeof text), 1);
  EXPECT_STREQ(text, "2P       177");
  char one[1] = {'x'};
  EXPECT_EQ(readout_score_p1(one, sizeof one), 1);
  EXPECT_EQ(one[0], '\0');
  char five[5];
  EXPECT_EQ(readout_score_p2(five, sizeof five), 1);
  EXPECT_STREQ(five, "2P  ");
  EXPECT_EQ(readout_score_p1(nullptr, 0), 1);
}

TEST_F(AdapterOperations, StatesRoundTripAndRejectionsKeepTheBoardsMessages) {
  load("cartridge");
  frames(5);
  std::vector<uint8_t> blob = state();
  ASSERT_GT(blob.size(), 20u);
  EXPECT_EQ(le32(blob.data() + 12), adapter_rom_fingerprint());
  char message[100] = "";
  EXPECT_EQ(adapter_validate_state(blob.data(), blob.size(), message, sizeof message), 1);
  frames(5);
  EXPECT_EQ(adapter_load_state(blob.data(), blob.size(), message, sizeof message), 1);
  EXPECT_EQ(state(), blob);
  EXPECT_EQ(adapter_validate_state(blob.data(), 23, message, sizeof message), 0);
  EXPECT_STREQ(message, "state file is truncated");
  blob[30] ^= 1;
  EXPECT_EQ(adapter_load_state(blob.data(), blob.size(), message, sizeof message), 0);
  EXPECT_STREQ(message, "state is damaged (checksum mismatch)");
}
