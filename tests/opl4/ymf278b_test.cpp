// The chip's control plane: chip-ID reads, status bits with BUSY and LD, the NEW folding of
// array 1, timers and the interrupt output, reset, the wavetable memory registers, and the
// saved image.
#include <gtest/gtest.h>

#include <cstdlib>

#include "chip_fixture.h"

namespace {

TEST(Ymf278bStatus, TheFirstStatusReadAfterResetOrNew2ReturnsTheChipId) {
  struct row {
    uint8_t mode;  // array-1 0x105 written before the first read; 0xFF = none
    uint8_t id;
  };
  const row rows[] = {{0xFF, 0x06}, {0x01, 0x00}, {0x03, 0x02}};
  for (const row& r : rows) {
    chip_fixture f;
    if (r.mode != 0xFF) f.fm(0x105, r.mode);
    f.host.now = 1000;  // past every busy time
    EXPECT_EQ(f.chip.read(0), r.id) << int(r.mode);
    EXPECT_EQ(f.chip.read(0), 0x00) << "only the first read";
  }

  chip_fixture f;
  f.host.now = 1000;
  EXPECT_EQ(f.chip.read(0), 0x06);
  f.fm(0x105, 0x01);
  f.host.now = 2000;
  EXPECT_EQ(f.chip.read(0), 0x00) << "NEW alone does not re-arm the ID";
  f.fm(0x105, 0x03);
  f.host.now = 3000;
  EXPECT_EQ(f.chip.read(0), 0x02) << "NEW2 going from 0 to 1 does";
  f.fm(0x105, 0x03);
  f.host.now = 4000;
  EXPECT_EQ(f.chip.read(0), 0x00) << "NEW2 staying set does not";
}

TEST(Ymf278bStatus, PortsOtherThanStatusAndWavetableDataReadAllOnes) {
  chip_fixture f;
  for (uint32_t port : {1u, 2u, 3u, 4u, 6u, 7u}) EXPECT_EQ(f.chip.read(port), 0xFF) << port;
}

TEST(Ymf278bStatus, BusyLastsFiftySixClocksAfterFmDataAndEightyEightAfterWavetableData) {
  chip_fixture f;
  f.opl4_mode();
  f.chip.read(0);  // the ID
  struct row {
    uint32_t port;
    uint64_t clocks;
  };
  for (const row& r : {row{1, 56}, row{5, 88}}) {
    f.host.now = 10000 * r.port;
    f.chip.write(r.port - 1, 0x20);  // away from the mode register
    f.chip.write(r.port, 0);
    f.host.now += r.clocks - 1;
    EXPECT_EQ(f.chip.read(0) & opl4::OPL4_STATUS_BUSY, 1) << r.port;
    f.host.now += 1;
    EXPECT_EQ(f.chip.read(0) & opl4::OPL4_STATUS_BUSY, 0) << r.port;
  }
  // Address writes are not data writes.
  f.host.now = 60000;
  f.chip.write(0, 0x20);
  f.chip.write(4, 0x20);
  EXPECT_EQ(f.chip.read(0), 0);
}

TEST(Ymf278bStatus, BusyAndLdShowOnlyWhileNew2IsSet) {
  chip_fixture f;
  f.chip.read(0);
  f.fm(0x20, 0x01);
  EXPECT_EQ(f.chip.read(0), 0) << "busy, but without NEW2";
  f.opl4_mode();
  f.chip.read(0);  // the ID again
  f.wt(0x08, 0);   // a tone-number write sets LD
  EXPECT_EQ(f.chip.read(0), opl4::OPL4_STATUS_LD | opl4::OPL4_STATUS_BUSY);
  f.fm(0x105, 0x01);  // NEW2 off hides both
  EXPECT_EQ(f.chip.read(0), 0);
}

TEST(Ymf278bStatus, LdClearsAfterThirteenSamplesOfOutput) {
  chip_fixture f;
  f.opl4_mode();
  f.chip.read(0);
  f.wt(0x08 + 5, 0);
  f.host.now = 1000;
  f.render(12);
  EXPECT_EQ(f.chip.read(0), opl4::OPL4_STATUS_LD);
  f.render(1);
  EXPECT_EQ(f.chip.read(0), 0);
  f.wt(0x08 + 5, 0);
  f.render(40);  // one call covering the whole time
  f.host.now = 2000;
  EXPECT_EQ(f.chip.read(0), 0);
}

TEST(Ymf278bTimers, PeriodsAreTheComplementOfThePresetInStepsOfFourOrSixteenFmSamples) {
  struct row {
    uint8_t preset;
    int32_t timer1, timer2;
  };
  const row rows[] = {
      {0x00, 256 * 2736, 256 * 10944}, {0x80, 128 * 2736, 128 * 10944}, {0xFF, 2736, 10944}};
  for (const row& r : rows) {
    chip_fixture f;
    f.fm(0x02, r.preset);
    f.fm(0x03, r.preset);
    f.fm(0x04, 0x03);
    EXPECT_EQ(f.host.timer_duration[0], r.timer1) << int(r.preset);
    EXPECT_EQ(f.host.timer_duration[1], r.timer2) << int(r.preset);
    f.chip.engine_timer_expired(0);  // each expiry reloads with the same period
    EXPECT_EQ(f.host.timer_duration[0], r.timer1);
    f.fm(0x04, 0x00);
    EXPECT_EQ(f.host.timer_duration[0], -1) << "stopping reports a negative duration";
    EXPECT_EQ(f.host.timer_duration[1], -1);
  }
}

TEST(Ymf278bTimers, RewritingTheStartBitsDoesNotRestartARunningTimer) {
  chip_fixture f;
  f.fm(0x04, 0x01);
  int calls = f.host.timer_calls[0];
  f.fm(0x04, 0x01);
  f.fm(0x04, 0x41);  // changing only the mask
  EXPECT_EQ(f.host.timer_calls[0], calls);
}

TEST(Ymf278bTimers, AnExpiryRaisesTheInterruptAndResettingTheFlagsLowersItAtOnce) {
  chip_fixture f;
  f.host.now = 1000;
  f.chip.read(0);
  f.fm(0x02, 0xF0);
  f.fm(0x04, 0x01);
  f.host.irq_log.clear();
  f.chip.engine_timer_expired(0);
  EXPECT_EQ(f.host.irq_log, std::vector<int>{1});
  EXPECT_EQ(f.chip.read(0), opl4::OPL4_STATUS_IRQ | opl4::OPL4_STATUS_TIMER1);
  f.chip.engine_timer_expired(0);  // still pending: no new edge
  EXPECT_EQ(f.host.irq_log, std::vector<int>{1});
  f.fm(0x04, 0x80);
  EXPECT_EQ(f.host.irq_log, (std::vector<int>{1, 0}));
  EXPECT_EQ(f.chip.read(0), 0);
  EXPECT_EQ(f.host.timer_duration[0], 16 * 2736) << "the reset bit leaves the timer running";
}

TEST(Ymf278bTimers, AMaskedTimerSetsNoFlagButKeepsCounting) {
  chip_fixture f;
  f.host.now = 1000;
  f.chip.read(0);
  f.fm(0x04, 0x20 | 0x02);  // timer 2 masked and started
  f.fm(0x04, 0x20 | 0x03);  // timer 1 unmasked as well
  f.host.irq_log.clear();
  f.host.timer_duration[1] = -2;
  f.chip.engine_timer_expired(1);
  EXPECT_TRUE(f.host.irq_log.empty());
  EXPECT_EQ(f.chip.read(0), 0);
  EXPECT_EQ(f.host.timer_duration[1], 256 * 10944);
  f.chip.engine_timer_expired(0);
  EXPECT_EQ(f.chip.read(0), opl4::OPL4_STATUS_IRQ | opl4::OPL4_STATUS_TIMER1);
}

TEST(Ymf278bTimers, AnExpiryOfAStoppedTimerChangesNothing) {
  chip_fixture f;
  f.host.now = 1000;
  f.chip.read(0);
  f.host.timer_calls[0] = 0;
  f.chip.engine_timer_expired(0);
  EXPECT_EQ(f.chip.read(0), 0);
  EXPECT_EQ(f.host.timer_calls[0], 0);
}

TEST(Ymf278bModes, WithoutNewArrayOneMirrorsArrayZeroExceptTheModeRegister) {
  chip_fixture f;
  f.fm(0x102, 0x80);  // lands on the timer-1 preset
  f.fm(0x104, 0x01);  // lands on the timer control
  EXPECT_EQ(f.host.timer_duration[0], 128 * 2736);

  chip_fixture g;
  g.fm(0x105, 0x01);
  g.fm(0x102, 0x80);  // array 1 proper now
  g.fm(0x04, 0x01);
  EXPECT_EQ(g.host.timer_duration[0], 256 * 2736);
}

TEST(Ymf278bModes, WavetableDataWritesNeedNew2) {
  chip_fixture f;
  f.wt(0x50, 0x42);
  f.chip.write(4, 0x50);
  EXPECT_EQ(f.chip.read(5), 0x00);
  f.opl4_mode();
  f.wt(0x50, 0x42);
  EXPECT_EQ(f.chip.read(5), 0x42);
}

TEST(Ymf278bModes, MemoryConfigurationReadsBackWithTheDeviceId) {
  chip_fixture f;
  f.opl4_mode();
  f.chip.write(4, 0x02);
  EXPECT_EQ(f.chip.read(5), 0x20);
  f.chip.write(5, 0xFF);
  EXPECT_EQ(f.chip.read(5), 0x3F);
}

TEST(Ymf278bModes, ResetClearsRegistersStopsTimersAndLowersTheInterrupt) {
  chip_fixture f;
  f.opl4_mode();
  f.chip.read(0);
  f.wt(0x50, 0x42);
  f.fm(0x04, 0x01);
  f.chip.engine_timer_expired(0);
  f.host.irq_log.clear();
  f.chip.reset();
  EXPECT_EQ(f.host.irq_log, std::vector<int>{0});
  EXPECT_EQ(f.host.timer_duration[0], -1);
  EXPECT_EQ(f.host.timer_duration[1], -1);
  f.host.now = 1000;
  EXPECT_EQ(f.chip.read(0), 0x06) << "the ID read is armed again";
  EXPECT_EQ(f.chip.read(0), 0x00);
  f.opl4_mode();
  f.chip.write(4, 0x50);
  EXPECT_EQ(f.chip.read(5), 0x00);
}

TEST(Ymf278bMemory, MemoryDataReadsWalkTheSampleMemoryWithAutoIncrement) {
  chip_fixture f;
  f.opl4_mode();
  for (uint32_t a = 0x01FFFE; a < 0x020003; a++) f.host.memory[a] = uint8_t(a * 7 + 1);
  f.wt(0x03, 0x01);
  f.wt(0x04, 0xFF);
  f.wt(0x05, 0xFE);
  f.chip.write(4, 0x06);
  for (uint32_t a = 0x01FFFE; a < 0x020003; a++) EXPECT_EQ(f.chip.read(5), uint8_t(a * 7 + 1));
  // The address registers follow the increments, across the byte carries.
  uint32_t address = 0;
  for (uint8_t reg = 0x03; reg <= 0x05; reg++) {
    f.chip.write(4, reg);
    address = (address << 8) | f.chip.read(5);
  }
  EXPECT_EQ(address, 0x020003u);
  // The 22-bit address wraps at the top of the memory.
  f.host.memory[0x3FFFFF] = 0xAB;
  f.host.memory[0] = 0xCD;
  f.wt(0x03, 0x3F);
  f.wt(0x04, 0xFF);
  f.wt(0x05, 0xFF);
  f.chip.write(4, 0x06);
  EXPECT_EQ(f.chip.read(5), 0xAB);
  EXPECT_EQ(f.chip.read(5), 0xCD);
}

TEST(Ymf278bMemory, MemoryDataWritesGoToTheHostAndPlaybackUsesWhatTheHostKept) {
  for (int writable = 0; writable <= 1; writable++) {
    chip_fixture f;
    f.host.writable = writable;
    f.opl4_mode();
    f.put_samples16(0x1000, std::vector<int>(4, 0x1234));
    f.put_header(0, {.start = 0x1000, .loop = 0, .end = 3});
    f.play(0, 0, 1, 0, 0);
    ASSERT_EQ(f.render(1)[4], 0x1234 / 4);  // a voice at a quarter of full scale
    f.wt(0x03, 0x00);
    f.wt(0x04, 0x10);
    f.wt(0x05, 0x00);
    for (int i = 0; i < 8; i++) f.wt(0x06, i % 2 ? 0x78 : 0x56);
    uint32_t expected = writable ? 0x5678 : 0x1234;
    EXPECT_EQ(f.render(1)[4], int32_t(expected / 4)) << writable;
    f.wt(0x05, 0x01);
    f.chip.write(4, 0x06);
    EXPECT_EQ(f.chip.read(5), uint8_t(expected)) << writable;
  }
}

// Where the wavetable's part of the saved image begins: after the tag, the chip's own fields
// and the FM engine's registers and running state.
constexpr size_t WAVETABLE_IMAGE_AT = 4 + 6 + 898;
// The FM engine's outputs A-D of its latest sample: after its registers, envelope counter,
// noise, tremolo step and converter.
constexpr size_t FM_LAST_IMAGE_AT = 4 + 6 + 512 + 10;

// FM voices in the middle of notes: a 4-operator pair, 2-operator voices with feedback,
// vibrato, tremolo and key-scaled rates, one releasing, and the rhythm instruments.
void start_fm_voices(chip_fixture& f) {
  f.fm(0x104, 0x01);  // channels 0 + 3
  f.fm(0xBD, 0xFF);   // deep LFOs, rhythm mode, every drum keyed
  for (int c = 0; c < 18; c++) {
    uint32_t base = c >= 9 ? 0x100 : 0, k = uint32_t(c % 9);
    for (uint32_t slot = 0; slot < 2; slot++) {
      uint32_t o = base + (k / 3) * 8 + k % 3 + slot * 3;
      f.fm(0x20 + o, uint8_t((c % 2 ? 0xD0 : 0x60) | (1 + (c + slot) % 3)));
      f.fm(0x40 + o, uint8_t(slot ? c % 4 << 6 : 0x10 + c));
      f.fm(0x60 + o, uint8_t(0x90 + c % 7));
      f.fm(0x80 + o, uint8_t(0x34 + c % 9));
      f.fm(0xE0 + o, uint8_t((c + slot) % 8));
    }
    f.fm(base + 0xA0 + k, uint8_t(0x50 + 9 * c));
    f.fm(base + 0xC0 + k, uint8_t(0x10 << (c % 4) | (c % 8) << 1 | c % 3 / 2));
    f.fm(base + 0xB0 + k, uint8_t(0x21 | (c % 8) << 2));
  }
  f.render(150);
  f.fm(0xB5, 0x01);  // channel 5 releases
}

// A chip with several slots sounding, using loops, vibrato, tremolo, a level glide and
// decaying envelopes, and the FM voices above, for the save and block tests.
void start_busy_song(chip_fixture& f) {
  f.opl4_mode();
  std::vector<int> wave(600);
  for (int i = 0; i < 600; i++) wave[i] = (i * 331) % 20000 - 10000;
  f.put_samples16(0x1000, wave);
  f.put_header(0, {.start = 0x1000, .loop = 100, .end = 599});
  f.put_header(1, {.start = 0x1000,
                   .format = 1,
                   .loop = 10,
                   .end = 300,
                   .lfo_vib = 0x3F,
                   .ar_d1r = 0x95,
                   .dl_d2r = 0x43,
                   .rc_rr = 0x57,
                   .am = 7});
  f.put_header(2, {.start = 0x1001,
                   .format = 0,
                   .loop = 0,
                   .end = 200,
                   .lfo_vib = 0x15,
                   .ar_d1r = 0xC8,
                   .dl_d2r = 0x28,
                   .rc_rr = 0x2A,
                   .am = 3});
  f.play(0, 0, 1, 300, 10, 0x03);
  f.play(1, 1, 0, 700, 0, 0x1C);
  f.play(2, 2, 2, 0, 20);
  start_fm_voices(f);
  f.wt(0x50 + 2, 0x7E);  // glide towards silence
  f.wt(0x38 + 2, 0x28);  // pseudo reverb on
  f.fm(0x02, 0x40);
  f.fm(0x04, 0x01);
  f.render(300);
  f.key_off(2);
}

TEST(Ymf278bState, SavingLoadingAndSavingAgainGivesIdenticalBytesInTheMiddleOfNotes) {
  chip_fixture f;
  start_busy_song(f);
  std::vector<uint8_t> first = f.save();
  ASSERT_EQ(first.size(), size_t(opl4::OPL4_STATE_BYTES));
  EXPECT_EQ(first.size(), 1770u) << "the image length is part of the save-state format";
  EXPECT_EQ(std::vector<uint8_t>(first.begin(), first.begin() + 4),
            (std::vector<uint8_t>{'O', 'P', '4', '4'}));
  std::vector<int32_t> expected = f.render(500);

  chip_fixture g;
  g.host.memory = f.host.memory;
  ASSERT_EQ(g.load(first), 1);
  EXPECT_EQ(g.save(), first);
  EXPECT_EQ(g.render(500), expected);
  EXPECT_EQ(f.save(), g.save());
}

TEST(Ymf278bState, ABlockOfSixHundredSamplesEqualsSixHundredSingleSamples) {
  chip_fixture f;
  start_busy_song(f);
  std::vector<uint8_t> image = f.save();
  std::vector<int32_t> block = f.render(600);

  chip_fixture g;
  g.host.memory = f.host.memory;
  ASSERT_EQ(g.load(image), 1);
  std::vector<int32_t> singles;
  for (int i = 0; i < 600; i++) {
    std::vector<int32_t> one = g.render(1);
    singles.insert(singles.end(), one.begin(), one.end());
  }
  EXPECT_EQ(singles, block);
  EXPECT_EQ(g.save(), f.save());
  int nonzero = 0;
  for (int32_t v : block) nonzero += v != 0;
  EXPECT_GT(nonzero, 1000) << "the song must be audible for the comparison to mean anything";
}

TEST(Ymf278bState, ADamagedImageIsRefusedAndChangesNothing) {
  chip_fixture f;
  start_busy_song(f);
  std::vector<uint8_t> good = f.save();

  std::vector<uint8_t> wrong_tag = good;
  wrong_tag[3] ^= 0x01;
  std::vector<uint8_t> truncated(good.begin(), good.end() - 1);

  for (const std::vector<uint8_t>& bad : {wrong_tag, truncated}) {
    chip_fixture g;
    start_busy_song(g);
    g.render(77);
    std::vector<uint8_t> before = g.save();
    EXPECT_EQ(g.load(bad), 0);
    EXPECT_EQ(g.save(), before);
  }
}

TEST(Ymf278bState, ARestoredPositionPastTheEndResumesAtTheLoopPoint) {
  chip_fixture f;
  f.opl4_mode();
  std::vector<int> wave = {100, 200, 300, 400, 500, 600, 700, 800};
  f.put_samples16(0x1000, wave);
  f.put_header(0, {.start = 0x1000, .loop = 3, .end = 7});
  f.play(0, 0, 1, 0, 0);
  std::vector<uint8_t> image = f.save();
  const size_t position = WAVETABLE_IMAGE_AT + 256 + 4 + 1 + 9;  // slot 0's position
  image[position + 3] = 0x40;  // sample offset 0x800 of a tone that ends at 7
  chip_fixture g;
  g.host.memory = f.host.memory;
  ASSERT_EQ(g.load(image), 1);
  std::vector<int32_t> out = chip_fixture::column(g.render(4), 4);
  EXPECT_EQ(out, (std::vector<int32_t>{400 / 4, 500 / 4, 600 / 4, 700 / 4}));
}

TEST(Ymf278bState, OutOfRangeValuesInAnImageAreMaskedOnLoad) {
  chip_fixture f;
  start_busy_song(f);
  std::vector<uint8_t> image = f.save();
  // Everything after the tag set to all-ones, so every index, address and position is out of
  // range; then each slot is given a sounding envelope so that it plays from there.
  for (size_t i = 4; i < image.size(); i++) image[i] = 0xFF;
  const size_t slots = WAVETABLE_IMAGE_AT + 256 + 4 + 1, slot_bytes = 25;
  for (size_t k = 0; k < 24; k++) {
    uint8_t* s = &image[slots + k * slot_bytes];
    s[17] = s[18] = 0;              // attenuation
    s[19] = uint8_t(1 + k % 5);     // attack .. damp
    s[20] = 0;                      // level
    if (k % 2) s[6] = 5, s[7] = 0;  // end 5: the position and loop point lie past it
  }
  chip_fixture g;
  for (uint32_t a = 0; a < g.host.memory.size(); a += 3) g.host.memory[a] = 0x55;
  ASSERT_EQ(g.load(image), 1);
  g.host.now = 1000;
  std::vector<int32_t> out = g.render(2000);
  EXPECT_LT(g.host.highest_read, 0x400000u);
  int nonzero = 0;
  for (int32_t v : out) nonzero += v != 0;
  EXPECT_GT(nonzero, 0);
  std::vector<uint8_t> again = g.save();
  EXPECT_EQ(again.size(), image.size());
  EXPECT_EQ(g.load(again), 1);
  EXPECT_EQ(g.save(), again);
}

TEST(Ymf278bState, RestoredFmOutputsAreLimitedToWhatTheVoicesCanSum) {
  chip_fixture f;
  std::vector<uint8_t> image = f.save();
  const uint32_t extremes[4] = {0x80000000u, 0x7FFFFFFFu, 0x80000001u, 0x7FFFFFFEu};
  for (int r = 0; r < 4; r++)
    for (int i = 0; i < 4; i++)
      image[FM_LAST_IMAGE_AT + 4 * r + i] = uint8_t(extremes[r] >> (8 * i));
  chip_fixture g;
  ASSERT_EQ(g.load(image), 1);
  std::vector<uint8_t> loaded = g.save();
  for (int r = 0; r < 4; r++) {
    uint32_t bits = 0;
    for (int i = 0; i < 4; i++) bits |= uint32_t(loaded[FM_LAST_IMAGE_AT + 4 * r + i]) << (8 * i);
    EXPECT_LE(std::abs(int64_t(int32_t(bits))), int64_t(1) << 20) << r;
  }
  // The first outputs lie between those values and the silence after them.
  std::vector<int32_t> out = g.render(4);
  EXPECT_EQ(out[0], -32768);
  EXPECT_EQ(out[1], 32767);
}

}  // namespace
