// The constant descriptor: its figures, the tables the frontend builds settings and gadgets
// from, the operations it derives its features from, and an About text that is true to the
// program (ten lines, credits that name what it uses, a licences folder that exists).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "adapter/game_adapter.h"

namespace {

const game_adapter& d = cobaltin_adapter;

std::vector<std::string> about_lines() {
  std::vector<std::string> lines;
  std::string line;
  for (const char* c = d.about; *c; c++) {
    if (*c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += *c;
    }
  }
  lines.push_back(line);
  return lines;
}

long file_size(const std::string& path) {
  struct stat s;
  return stat(path.c_str(), &s) == 0 && S_ISREG(s.st_mode) ? (long)s.st_size : -1;
}

}  // namespace

TEST(AdapterDescriptor, CountsMatchTheTablesAndEveryInputOwnsTheNextBitInOrder) {
  ASSERT_EQ(d.input_count, 20);
  ASSERT_EQ(d.dip_switch_count, 2);
  ASSERT_EQ(d.readout_count, 2);
  uint32_t seen = 0;
  for (int i = 0; i < d.input_count; i++) {
    const adapter_input& in = d.inputs[i];
    SCOPED_TRACE(in.id);
    EXPECT_EQ(in.mask, 1u << i);
    EXPECT_EQ(seen & in.mask, 0u);
    seen |= in.mask;
    EXPECT_LE(in.player, 2u);
    EXPECT_GE(in.pulse_frames, 0);
    for (int j = 0; j < i; j++) EXPECT_STRNE(in.id, d.inputs[j].id);
  }
  EXPECT_EQ(seen, 0x000FFFFFu);
}

TEST(AdapterDescriptor, DipTableDefaultsGiveWordFff9AndEveryChoiceFitsItsMask) {
  uint16_t word = 0xFFFF;  // as the frontend builds it: each default within its mask
  for (int i = 0; i < d.dip_switch_count; i++) {
    const adapter_dip_switch& s = d.dip_switches[i];
    SCOPED_TRACE(s.id);
    EXPECT_EQ(s.word, 0);
    EXPECT_EQ(s.default_value & ~s.mask, 0);
    ASSERT_GE(s.choice_count, 2u);
    ASSERT_LE(s.choice_count, (uint64_t)ADAPTER_DIP_CHOICES_MAX);
    for (uint64_t c = 0; c < s.choice_count; c++) {
      EXPECT_NE(s.choices[c].label, nullptr);
      EXPECT_EQ(s.choices[c].value & ~(uint64_t)s.mask, 0u);
    }
    for (uint64_t c = s.choice_count; c < ADAPTER_DIP_CHOICES_MAX; c++)
      EXPECT_EQ(s.choices[c].label, nullptr);
    word = (uint16_t)((word & ~s.mask) | s.default_value);
  }
  EXPECT_EQ(word, 0xFFF9);  // region "International Ver. B", debug "Off"
}

TEST(AdapterDescriptor, EveryOperationIsPresentButThe16BitPicture) {
  EXPECT_TRUE(d.check_rom && d.load_rom && d.unload && d.reset && d.set_dip_switches &&
              d.set_inputs && d.run_frame && d.get_frame_xrgb8888 && d.save_state &&
              d.validate_state && d.load_state && d.rom_fingerprint && d.nvram_save &&
              d.nvram_load && d.nvram_dirty);
  EXPECT_EQ(d.get_frame_xrgb1555, nullptr);
  EXPECT_TRUE(d.readouts[0].format && d.readouts[1].format);
}

TEST(AdapterDescriptor, AboutTextHasTenLinesThatTellWhatTheProgramIsAndUses) {
  const std::vector<std::string> lines = about_lines();
  ASSERT_EQ(lines.size(), 10u);
  for (const std::string& line : lines) EXPECT_LE(line.size(), 80u) << line;  // fits the page
  EXPECT_TRUE(lines[3].empty());
  const std::string text = d.about;
  for (const char* fact :
       {"Cobaltine", "Korvane", "2000", "KV5", "SH-2", "KV7100A", "YMF278B", "0.1.0", "interpreter",
        "\"cobaltin\" ROM set", "24 files", "SDL2", "zlib", "libzip", "DejaVu Sans", "MIT"})
    EXPECT_NE(text.find(fact), std::string::npos) << fact;
  // The program has no translated code, so the text must not claim any.
  EXPECT_EQ(text.find("ahead-of-time"), std::string::npos);
  EXPECT_NE(lines[9].find("licences/"), std::string::npos);
}

TEST(AdapterDescriptor, TheLicencesFolderHoldsATextForEveryCreditAndTheProgramsOwn) {
  const std::string folder = std::string(CB_SOURCE_DIR) + "/licences/";
  for (const char* file :
       {"Cobaltine-MIT.txt", "SDL2.txt", "zlib.txt", "libzip.txt", "DejaVu-fonts.txt"})
    EXPECT_GT(file_size(folder + file), 500) << file;
  EXPECT_GT(file_size(std::string(CB_SOURCE_DIR) + "/LICENSE"), 500);
}
