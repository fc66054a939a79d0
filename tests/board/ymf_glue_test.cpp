// The sound-chip glue's contract with the board: timers and busy time on the host's clock, the
// interrupt line, sample-memory reads, mono generation, and the sound state image.
#include "board/ymf_glue.h"

#include <gtest/gtest.h>

#include <vector>

#include "opl4/host_interface.h"
#include "opl4/ymf278b.h"

namespace {

constexpr size_t IMAGE_BYTES = 8 + 1770;  // busy time, then the chip's image
constexpr uint64_t DISARMED = ~uint64_t(0);

struct fake_board {
  uint64_t now = 0;
  uint64_t timer[2] = {0, 0};
  std::vector<uint32_t> irq;
  std::vector<uint8_t> rom = std::vector<uint8_t>(0x400000);
};

uint64_t board_now(void* c) {
  return static_cast<fake_board*>(c)->now;
}
void board_set_timer(void* c, uint32_t timer, uint64_t when) {
  static_cast<fake_board*>(c)->timer[timer & 1] = when;
}
void board_set_irq(void* c, uint32_t asserted) {
  static_cast<fake_board*>(c)->irq.push_back(asserted);
}

struct glue_fixture {
  fake_board board;
  ymf_glue* glue = nullptr;
  explicit glue_fixture(uint32_t rom_size = 0x400000) {
    ymf_host host = {&board, board_now, board_set_timer, board_set_irq};
    glue = ymf_glue_create(board.rom.data(), rom_size, &host);
  }
  ~glue_fixture() { ymf_glue_destroy(glue); }
  void fm(uint32_t address, uint8_t data) {
    ymf_glue_write(glue, (address & 0x100) ? 2 : 0, uint8_t(address));
    ymf_glue_write(glue, (address & 0x100) ? 3 : 1, data);
  }
  void wt(uint8_t reg, uint8_t data) {
    ymf_glue_write(glue, 4, reg);
    ymf_glue_write(glue, 5, data);
  }
  std::vector<uint8_t> image() {
    std::vector<uint8_t> bytes(ymf_glue_save_state(glue, nullptr, 0));
    EXPECT_EQ(ymf_glue_save_state(glue, bytes.data(), bytes.size()), bytes.size());
    return bytes;
  }
  // A note sounding on slot 0: a looped 16-bit wave, full level, centre pan.
  void start_note() {
    fm(0x105, 0x03);
    for (int i = 0; i < 64; i++) {
      int v = (i % 16) * 1000 - 8000;
      board.rom[0x1000 + 2 * i] = uint8_t(v >> 8);
      board.rom[0x1000 + 2 * i + 1] = uint8_t(v);
    }
    const uint8_t header[12] = {0x80, 0x10, 0x00, 0x00, 0x00, 0xFF,
                                0xC0, 0x00, 0xF0, 0x00, 0xF0, 0x00};  // end 63, instant attack
    for (int i = 0; i < 12; i++) board.rom[i] = header[i];
    wt(0x38, 0x10);  // octave 1
    wt(0x50, 0x01);  // level 0, direct
    wt(0x08, 0x00);  // tone 0
    wt(0x68, 0x80);  // key on
  }
};

TEST(YmfGlue, TheSampleRateIsTheClockOverSevenHundredSixtyEight) {
  EXPECT_EQ(ymf_sample_rate(28636350), 37286u);
  EXPECT_EQ(ymf_sample_rate(767), 0u);
}

TEST(YmfGlue, CreatingResetsTheChipAndLowersTheInterrupt) {
  glue_fixture f;
  ASSERT_NE(f.glue, nullptr);
  EXPECT_EQ(f.board.irq, std::vector<uint32_t>{0});
  EXPECT_EQ(f.board.timer[0], DISARMED);
  EXPECT_EQ(f.board.timer[1], DISARMED);
  EXPECT_EQ(ymf_glue_read(f.glue, 0), 0x06);
  EXPECT_EQ(ymf_glue_read(f.glue, 8), 0x00) << "offsets are taken modulo 8";
  ymf_glue_destroy(nullptr);
}

TEST(YmfGlue, TimersExpireAtHostTimePlusTheDurationAndStopAsAllOnes) {
  glue_fixture f;
  f.board.now = 5000;
  f.fm(0x02, 0xFF);
  f.fm(0x04, 0x01);
  EXPECT_EQ(f.board.timer[0], 5000u + 2736);
  // Delivered late: the reload counts from the time the host reports, the expiry's own.
  f.board.now = 5000 + 2736;
  ymf_glue_timer_expired(f.glue, 0);
  EXPECT_EQ(f.board.timer[0], 5000u + 2 * 2736);
  EXPECT_EQ(f.board.irq, (std::vector<uint32_t>{0, 1}));
  f.fm(0x04, 0x80);
  EXPECT_EQ(f.board.irq, (std::vector<uint32_t>{0, 1, 0}));
  f.fm(0x04, 0x00);
  EXPECT_EQ(f.board.timer[0], DISARMED);
}

TEST(YmfGlue, ExternalReadsServeOnlyThePcmClassFromTheSampleRom) {
  glue_fixture f(0x100000);
  for (uint32_t n = 0; n < 16; n++) f.board.rom[n] = uint8_t(0xA0 + n);
  f.board.rom[0x100000] = 0x77;  // beyond the readable size
  opl4::host_interface* host = ymf_glue_chip_host(f.glue);
  struct row {
    uint32_t access_class, address;
    uint8_t value;
  };
  const row rows[] = {{3, 5, 0xA5},          {3, 0x400000 + 7, 0xA7},
                      {3, 0xFFC00009, 0xA9}, {3, 0x100000, 0x00},
                      {0, 5, 0x00},          {1, 5, 0x00},
                      {2, 5, 0x00},          {4, 5, 0x00}};
  for (const row& r : rows)
    EXPECT_EQ(host->external_read(r.access_class, r.address), r.value)
        << r.access_class << " " << std::hex << r.address;
}

TEST(YmfGlue, BusyRunsOnTheHostClockAndResetForgetsIt) {
  glue_fixture f;
  f.fm(0x105, 0x03);
  f.board.now = 1000000;
  ymf_glue_read(f.glue, 0);  // the ID
  f.fm(0x20, 0x00);
  EXPECT_EQ(ymf_glue_read(f.glue, 0), 0x01);
  f.board.now += 56;
  EXPECT_EQ(ymf_glue_read(f.glue, 0), 0x00);
  f.fm(0x20, 0x00);
  ymf_glue_reset(f.glue);
  std::vector<uint8_t> image = f.image();
  EXPECT_EQ(std::vector<uint8_t>(image.begin(), image.begin() + 8), std::vector<uint8_t>(8, 0));
  // The clock restarts with the game: nothing of the old busy time shows.
  f.board.now = 0;
  ymf_glue_read(f.glue, 0);
  f.fm(0x105, 0x03);
  f.board.now = 100;
  ymf_glue_read(f.glue, 0);
  EXPECT_EQ(ymf_glue_read(f.glue, 0), 0x00);
}

TEST(YmfGlue, GenerateWritesTheSumOfTheSixOutputsInChunks) {
  glue_fixture f;
  f.start_note();
  std::vector<uint8_t> image = f.image();
  std::vector<int32_t> mono(600);
  ymf_glue_generate(f.glue, mono.data(), 600);
  // Centre pan puts the sample on both mixed outputs at a quarter of full scale, so each sum
  // is half the sample.
  for (int i = 0; i < 600; i++) ASSERT_EQ(mono[i], ((i % 16) * 1000 - 8000) / 2) << i;

  ASSERT_EQ(ymf_glue_load_state(f.glue, image.data(), image.size()), 1);
  std::vector<int32_t> pieces(600);
  for (int done = 0, n = 1; done < 600; done += n, n = n * 3 % 257 + 1)
    ymf_glue_generate(f.glue, pieces.data() + done, std::min(n, 600 - done));
  EXPECT_EQ(pieces, mono);

  std::vector<int32_t> untouched(4, 12345);
  ymf_glue_generate(f.glue, untouched.data(), 0);
  ymf_glue_generate(f.glue, untouched.data(), -3);
  EXPECT_EQ(untouched, std::vector<int32_t>(4, 12345));
}

TEST(YmfGlue, TheStateImageHasAFixedSizeAndIsWrittenOnlyWhenItFits) {
  glue_fixture f;
  EXPECT_EQ(ymf_glue_save_state(f.glue, nullptr, 0), IMAGE_BYTES);
  EXPECT_EQ(ymf_glue_save_state(f.glue, nullptr, 1 << 20), IMAGE_BYTES);
  std::vector<uint8_t> small(IMAGE_BYTES - 1, 0xEE);
  EXPECT_EQ(ymf_glue_save_state(f.glue, small.data(), small.size()), IMAGE_BYTES);
  EXPECT_EQ(small, std::vector<uint8_t>(IMAGE_BYTES - 1, 0xEE));
  f.start_note();
  EXPECT_EQ(f.image().size(), IMAGE_BYTES) << "independent of what the chip is doing";
}

TEST(YmfGlue, OnlyAnImageOfExactlyTheRightLengthAndFormatIsLoadedOrPassesTheCheck) {
  glue_fixture f;
  f.board.now = 777;
  f.start_note();
  std::vector<uint8_t> saved = f.image();
  uint64_t busy_end = 0;
  for (int i = 0; i < 8; i++) busy_end |= uint64_t(saved[i]) << (8 * i);
  EXPECT_EQ(busy_end, 777u + 88) << "the busy time leads the image, little-endian";

  std::vector<int32_t> mono(100);
  ymf_glue_generate(f.glue, mono.data(), 100);
  f.board.now = 5000;
  f.fm(0x20, 0x00);
  std::vector<uint8_t> live = f.image();

  std::vector<uint8_t> longer = saved, shorter = saved;
  longer.push_back(0);
  shorter.pop_back();
  std::vector<uint8_t> other_format = saved;
  other_format[8] ^= 0xFF;  // the chip image's tag
  // The check gives the load's verdict on each image and changes nothing either.
  for (const std::vector<uint8_t>* bad : {&longer, &shorter, &other_format}) {
    EXPECT_EQ(ymf_glue_check_state(f.glue, bad->data(), bad->size()), 0);
    EXPECT_EQ(ymf_glue_load_state(f.glue, bad->data(), bad->size()), 0);
  }
  EXPECT_EQ(ymf_glue_check_state(f.glue, saved.data(), saved.size()), 1);
  EXPECT_EQ(f.image(), live) << "refused loads and checks change nothing";

  EXPECT_EQ(ymf_glue_load_state(f.glue, saved.data(), saved.size()), 1);
  EXPECT_EQ(f.image(), saved) << "busy time and chip restored";
}

}  // namespace
