// FM voices: pitch from F-number, block and multiplier at the chip's FM rate, the spectrum of
// a 2-operator note, the eight waveforms, which operators are heard in each 2- and 4-operator
// connection, the output-enable bits, and rhythm mode with its instruments.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "fm_fixture.h"

namespace {

TEST(FmPitch, ASineOperatorSoundsAtFNumberTimesTheFmRateTimesTwoToTheBlockMinusTwenty) {
  struct row {
    int fnumber, block, multiplier;
    double multiple;  // the multiplier's factor
  };
  const row rows[] = {
      {0x200, 4, 1, 1.0},  // 327.1 Hz
      {0x3FF, 1, 0, 0.5},  // the setting 0 is one half
      {0x155, 6, 2, 2.0}, {0x100, 3, 15, 15.0}, {0x2AE, 7, 1, 1.0},
  };
  for (const row& r : rows) {
    chip_fixture f;
    play_carrier(f, 0, {.flags = uint8_t(0x20 | r.multiplier)}, r.fnumber, r.block);
    std::vector<int32_t> second = render_output(f, OUT_FM_A, uint32_t(OUTPUT_RATE));
    double expected = r.fnumber * FM_RATE * std::exp2(r.block - 20) * r.multiple;
    EXPECT_NEAR(rising_zero_crossings(second), expected, 1.5)
        << "F-number " << r.fnumber << " block " << r.block << " multiplier " << r.multiplier;
  }
  EXPECT_NEAR(0x200 * FM_RATE * std::exp2(4 - 20), 327.1, 0.05);
}

TEST(FmPitch, ModulationGivesTheSidebandsOfFrequencyModulation) {
  // Carrier at f, modulator at 3f: components at f + 3kf, so f, 2f, 4f, 5f, 7f are present
  // and 3f, 6f absent. A modulator 24 dB down swings the carrier's phase by 4 periods x 2^-4,
  // an index of about 1.57, which sets the relative heights (Bessel functions J0-J2).
  chip_fixture f;
  f.fm(0x105, 0x01);
  set_op(f, 0, 0, {.flags = 0x23, .levels = 32});
  set_op(f, 0, 1, {});
  set_control(f, 0, 0x10);
  set_note(f, 0, 0x200, 4, 1);
  f.render(500);
  std::vector<int32_t> v = render_output(f, OUT_FM_A, uint32_t(OUTPUT_RATE));
  double base = 0x200 * FM_RATE * std::exp2(4 - 20);
  double index = FM_OPERATOR_PEAK / 16.0 / 1024 * 2 * M_PI;
  double j0 = std::cyl_bessel_j(0.0, index), j1 = std::cyl_bessel_j(1.0, index),
         j2 = std::cyl_bessel_j(2.0, index);
  EXPECT_NEAR(amplitude_at(v, base), j0, 0.05);
  EXPECT_NEAR(amplitude_at(v, 2 * base), j1, 0.05);
  EXPECT_NEAR(amplitude_at(v, 4 * base), j1, 0.05);
  EXPECT_NEAR(amplitude_at(v, 5 * base), j2, 0.05);
  EXPECT_NEAR(amplitude_at(v, 7 * base), j2, 0.05);
  EXPECT_LT(amplitude_at(v, 3 * base), 0.01);
  EXPECT_LT(amplitude_at(v, 6 * base), 0.01);
}

TEST(FmPitch, FeedbackModulatesTheFirstOperatorByItsOwnOutput) {
  // Feedback 1 swings the phase by pi/16 at full output, each setting doubling it; the output
  // y = sin(x + b y) of a swing b has a second harmonic of J2(2b) / b (here within 5%: the chip
  // feeds back the mean of the last two outputs, a sample and a half late).
  for (int feedback : {0, 1, 2, 3}) {
    chip_fixture f;
    f.fm(0x105, 0x01);
    set_op(f, 0, 0, {});
    set_op(f, 0, 1, FM_SILENT);
    set_control(f, 0, uint8_t(0x11 | (feedback << 1)));  // additive: operator 1 is heard
    set_note(f, 0, 0x200, 4, 1);
    std::vector<int32_t> v = render_output(f, OUT_FM_A, uint32_t(OUTPUT_RATE));
    double base = 0x200 * FM_RATE * std::exp2(4 - 20);
    double swing = feedback ? M_PI / 16 * std::exp2(feedback - 1) : 0;
    double second = feedback ? std::cyl_bessel_j(2.0, 2 * swing) / swing : 0;
    EXPECT_NEAR(amplitude_at(v, 2 * base), second, 0.003 + 0.05 * second)
        << "feedback " << feedback;
  }
}

TEST(FmLevel, KeyScaleLevelAttenuatesHigherNotesByItsSettingPerOctave) {
  struct row {
    int setting;  // register 0x40 bits 6-7
    double db_per_octave;
  };
  const row rows[] = {{0, 0}, {1, 3}, {2, 1.5}, {3, 6}};
  for (const row& r : rows) {
    double db[3];
    const int blocks[3] = {1, 5, 6};
    for (int b = 0; b < 3; b++) {
      chip_fixture f;
      play_carrier(f, 0, {.levels = uint8_t(r.setting << 6)}, 0x200, blocks[b]);
      f.render(100);
      std::vector<int32_t> v = render_output(f, OUT_FM_A, 4000);
      int32_t peak = 0;
      for (int32_t s : v) peak = std::max(peak, std::abs(s));
      db[b] = attenuation_db(peak);
    }
    EXPECT_NEAR(db[0], 0, 0.1) << "low notes are not attenuated, setting " << r.setting;
    EXPECT_NEAR(db[2] - db[1], r.db_per_octave, 0.1) << "setting " << r.setting;
  }
}

TEST(FmWaveform, EachWaveformHasItsShapeOverOnePeriod) {
  using shape = std::function<double(double)>;  // over one period, x in [0, 1)
  auto sine = [](double x) { return std::sin(2 * M_PI * x); };
  struct row {
    int mode_new, wave;
    shape expected;
  };
  const row rows[] = {
      {1, 0, sine},
      {1, 1, [&](double x) { return x < 0.5 ? sine(x) : 0; }},
      {1, 2, [&](double x) { return std::fabs(sine(x)); }},
      {1, 3, [&](double x) { return std::fmod(x, 0.5) < 0.25 ? std::fabs(sine(x)) : 0; }},
      {1, 4, [&](double x) { return x < 0.5 ? sine(2 * x) : 0; }},
      {1, 5, [&](double x) { return x < 0.5 ? std::fabs(sine(2 * x)) : 0; }},
      {1, 6, [](double x) { return x < 0.5 ? 1.0 : -1.0; }},
      // Derived square: halves every 1/64 period from the start, mirrored negative.
      {1, 7, [](double x) { return x < 0.5 ? std::exp2(-x * 32) : -std::exp2(-(1 - x) * 32); }},
      // Without NEW only the first four exist: 6 plays as 2.
      {0, 6, [&](double x) { return std::fabs(sine(x)); }},
  };
  for (const row& r : rows) {
    chip_fixture f;
    // F-number 32, block 1: one period per 16384 FM samples.
    play_carrier(f, 0, {.wave = uint8_t(r.wave)}, 32, 1);
    if (!r.mode_new) f.fm(0x105, 0x00);
    double period = 16384 * OUTPUT_RATE / FM_RATE;
    std::vector<int32_t> v = render_output(f, OUT_FM_A, uint32_t(period));
    int checked = 0;
    for (size_t i = 1; i < v.size(); i++) {
      // The middle of the wave step (1/1024 of the period, 16 FM samples) the output holds.
      double x = (double(fm_sample_of_output(int64_t(i)) / 16) + 0.5) / 1024;
      double quarter = std::fmod(x, 0.25);
      if (quarter < 0.004 || quarter > 0.246) continue;  // where a waveform may jump
      ASSERT_NEAR(v[i] / double(FM_PEAK), r.expected(x), 0.02)
          << "waveform " << r.wave << " NEW " << r.mode_new << " at " << x;
      checked++;
    }
    EXPECT_GT(checked, 13000);
  }
}

// Peak output of a channel pair with only operator `audible` (1-4) able to sound; the others
// never leave silence, so they neither sound nor modulate.
int32_t peak_with_one_operator(int mode_new, int pairs, int connection1, int connection2,
                               int audible) {
  chip_fixture f;
  f.fm(0x105, 0x01);
  f.fm(0x104, uint8_t(pairs));  // array 1 is reachable only in NEW mode
  f.fm(0x105, uint8_t(mode_new));
  for (int n = 0; n < 4; n++)
    set_op(f, n < 2 ? 0 : 3, n % 2, n + 1 == audible ? fm_op{} : FM_SILENT);
  set_control(f, 0, uint8_t(0x30 | connection1));
  set_control(f, 3, uint8_t(0x30 | connection2));
  set_note(f, 0, 0x200, 4, 1);
  set_note(f, 3, 0x155, 4, 0);  // not keyed: its operators sound only as part of a pair
  std::vector<int32_t> out = render_output(f, OUT_FM_A, 2000);
  int32_t peak = 0;
  for (int32_t v : out) peak = std::max(peak, std::abs(v));
  return peak;
}

TEST(FmConnection, OnlyTheCarriersOfEachConnectionAreHeard) {
  struct row {
    int mode_new, pairs, connection1, connection2;
    const char* heard;  // operators 1-4: 'x' heard, '.' not
  };
  const row rows[] = {
      {1, 0, 0, 0, ".x.."},  // 2 operators, FM: 1 modulates 2
      {1, 0, 1, 0, "xx.."},  // 2 operators, additive
      {1, 1, 0, 0, "...x"},  // 4 operators: 1 > 2 > 3 > 4
      {1, 1, 0, 1, ".x.x"},  // 1 > 2, 3 > 4
      {1, 1, 1, 0, "x..x"},  // 1, 2 > 3 > 4
      {1, 1, 1, 1, "x.xx"},  // 1, 2 > 3, 4
      {0, 1, 0, 0, ".x.."},  // pairs need NEW
  };
  for (const row& r : rows) {
    for (int op = 1; op <= 4; op++) {
      int32_t peak = peak_with_one_operator(r.mode_new, r.pairs, r.connection1, r.connection2, op);
      if (r.heard[op - 1] == 'x')
        EXPECT_GT(peak, FM_PEAK * 9 / 10) << r.heard << " operator " << op;
      else
        EXPECT_EQ(peak, 0) << r.heard << " operator " << op;
    }
  }
}

bool silent(const std::vector<int32_t>& v) {
  return std::all_of(v.begin(), v.end(), [](int32_t s) { return s == 0; });
}

TEST(FmConnection, AFourOperatorPairTakesPitchKeyAndOutputsFromItsFirstChannel) {
  chip_fixture f;
  f.fm(0x105, 0x01);
  f.fm(0x104, 0x08);  // channels 9 + 12
  for (int n = 0; n < 3; n++) set_op(f, n < 2 ? 9 : 12, n % 2, FM_SILENT);
  set_op(f, 12, 1, {.sl_rr = 0x0F});  // operator 4, fast release
  set_control(f, 9, 0x21);            // output B, connection 1
  set_control(f, 12, 0x11);           // the partner's outputs do not count
  set_note(f, 9, 0x200, 4, 1);
  set_note(f, 12, 0x155, 6, 0);
  std::vector<int32_t> frames = f.render(uint32_t(OUTPUT_RATE));
  EXPECT_NEAR(rising_zero_crossings(chip_fixture::column(frames, OUT_FM_B)), 327.1, 1.5);
  EXPECT_TRUE(silent(chip_fixture::column(frames, OUT_FM_A)));

  set_note(f, 9, 0x200, 4, 0);
  f.render(200);
  EXPECT_TRUE(silent(render_output(f, OUT_FM_B, 500))) << "the first channel's key releases";
  set_note(f, 12, 0x155, 6, 1);
  EXPECT_TRUE(silent(render_output(f, OUT_FM_B, 500))) << "the partner's key does nothing";
}

TEST(FmOutputs, EachOutputBitRoutesTheChannelToItsOutput) {
  struct row {
    int mode_new;
    uint8_t bits;          // register 0xC0 bits 4-7: A, B, C, D
    const char* sounding;  // chip outputs 0-5: FM C, FM D, -, -, FM A, FM B
  };
  const row rows[] = {
      {1, 0x10, "....x."},
      {1, 0x20, ".....x"},
      {1, 0x40, "x....."},
      {1, 0x80, ".x...."},
      {1, 0xF0, "xx..xx"},
      {1, 0x00, "......"},
      {0, 0x00, "....xx"},  // without NEW every channel
                            // plays on A and B
      {0, 0xC0, "....xx"},
  };
  for (const row& r : rows) {
    chip_fixture f;
    play_carrier(f, 13, {}, 0x200, 4);  // array 1: channel 13
    set_control(f, 13, r.bits);
    if (!r.mode_new) f.fm(0x105, 0x00);
    std::vector<int32_t> frames = f.render(500);
    for (int out = 0; out < 6; out++) {
      std::vector<int32_t> c = chip_fixture::column(frames, out);
      int32_t peak = 0;
      for (int32_t v : c) peak = std::max(peak, std::abs(v));
      EXPECT_EQ(peak > FM_PEAK / 2, r.sounding[out] == 'x')
          << "bits " << int(r.bits) << " NEW " << r.mode_new << " output " << out;
    }
  }
}

// The chip's own figure for one operator at full level on a mixed output with the FM mix level
// at 0 dB: a quarter of full scale, the level of one wavetable voice.
constexpr double OPERATOR_PEAK = 8177, OPERATOR_RMS = OPERATOR_PEAK / M_SQRT2;

// NEW2 mode (the mix registers are wavetable registers); channel 2 in additive connection on
// outputs A and B (`outputs`): the first operator at total level 63, the second a sine at
// total level 0 with attack 15 and sustain level 0.
void play_full_operator(chip_fixture& f, uint8_t outputs = 0x30) {
  f.opl4_mode();
  set_op(f, 2, 0, {.levels = 63});
  set_op(f, 2, 1, {});
  set_control(f, 2, uint8_t(outputs | 0x01));
  set_note(f, 2, 0x200, 2, 1);
  f.render(500);
}

TEST(FmOutputs, OneOperatorAtFullLevelPeaksAtAQuarterOfFullScale) {
  for (uint8_t outputs : {0x30, 0xC0}) {  // A and B (mixed), then C and D (direct)
    chip_fixture f;
    play_full_operator(f, outputs);
    std::vector<int32_t> frames = f.render(uint32_t(OUTPUT_RATE / 2));
    for (int out : outputs == 0x30 ? std::vector<int>{OUT_FM_A, OUT_FM_B}
                                   : std::vector<int>{OUT_FM_C, OUT_FM_D}) {
      std::vector<int32_t> v = chip_fixture::column(frames, out);
      EXPECT_NEAR(chip_fixture::peak(v), OPERATOR_PEAK, OPERATOR_PEAK * 0.01) << out;
      EXPECT_NEAR(chip_fixture::rms(v), OPERATOR_RMS, OPERATOR_RMS * 0.01) << out;
    }
  }
}

// Each output takes the latest FM sample as it is, unblended: a pure carrier keeps its full
// level (RMS of a sine at an operator's peak) up to the top of the band, where a blend of two
// FM samples would take 1.7 dB off at 10 kHz and 4.4 dB at 18 kHz.
TEST(FmOutputs, AHighCarrierKeepsItsFullLevelOnTheOutput) {
  for (int fnumber : {97, 489, 881}) {  // block 7, multiplier 4: 1.98, 9.99 and 18.0 kHz
    chip_fixture f;
    play_carrier(f, 0, {.flags = 0x24}, fnumber, 7);
    f.render(100);
    std::vector<int32_t> v = render_output(f, OUT_FM_A, 7000);
    const double hz = fnumber * FM_RATE * std::exp2(7 - 20) * 4;
    EXPECT_NEAR(20 * std::log10(chip_fixture::rms(v) / (FM_PEAK / M_SQRT2)), 0, 0.1) << hz;
    EXPECT_NEAR(chip_fixture::peak(v), FM_PEAK, FM_PEAK * 0.01) << hz;
  }
}

TEST(FmOutputs, TheFmMixRegisterSetsTheLeftAndRightLevelsWhileANoteSounds) {
  // Bits 0-2 the left level, 3-5 the right: about 3 dB a step, step 7 silent.
  const double STEP_DB[7] = {0, -3.0, -6.1, -9.1, -12.1, -15.1, -18.1};
  chip_fixture f;
  play_full_operator(f);
  std::vector<int32_t> frames = f.render(2000);
  const int32_t full[2] = {chip_fixture::peak(chip_fixture::column(frames, OUT_FM_A)),
                           chip_fixture::peak(chip_fixture::column(frames, OUT_FM_B))};
  EXPECT_NEAR(full[0], OPERATOR_PEAK, OPERATOR_PEAK * 0.01);
  EXPECT_EQ(full[1], full[0]);
  for (uint8_t mix : {0x38, 0x07, 0x0A, 0x21, 0x2C, 0x35, 0x00}) {
    SCOPED_TRACE(int(mix));
    f.wt(0xF8, mix);
    frames = f.render(2000);
    for (int side = 0; side < 2; side++) {
      const char* name = side ? "right" : "left";
      int step = side ? mix >> 3 : mix & 7;
      int32_t peak = chip_fixture::peak(chip_fixture::column(frames, side ? OUT_FM_B : OUT_FM_A));
      if (step == 7)
        EXPECT_EQ(peak, 0) << name;
      else
        EXPECT_NEAR(20 * std::log10(double(peak) / full[side]), STEP_DB[step], 0.1) << name;
    }
  }
}

// NEW mode; channels 6-8 on output A with connection `connection`, every operator set to
// `op`, at one pitch, none keyed.
void set_up_rhythm_channels(chip_fixture& f, const fm_op& op, int connection, int fnumber,
                            int block) {
  f.fm(0x105, 0x01);
  for (int c = 6; c <= 8; c++) {
    set_op(f, c, 0, op);
    set_op(f, c, 1, op);
    set_control(f, c, uint8_t(0x10 | connection));
    set_note(f, c, fnumber, block, 0);
  }
}

TEST(FmRhythm, EachInstrumentSoundsOnlyInRhythmModeWithItsKeyBit) {
  const uint8_t keys[] = {0x10, 0x08, 0x04, 0x02, 0x01};  // bass, snare, tom, cymbal, hi-hat
  for (uint8_t key : keys) {
    for (int mode = 0; mode < 2; mode++) {
      chip_fixture f;
      set_up_rhythm_channels(f, {}, 1, 0x200, 4);
      f.fm(0xBD, uint8_t((mode ? 0x20 : 0) | key));
      std::vector<int32_t> out = render_output(f, OUT_FM_A, 2000);
      int32_t peak = 0;
      for (int32_t v : out) peak = std::max(peak, std::abs(v));
      if (mode)
        EXPECT_GT(peak, FM_PEAK / 4) << "key " << int(key);
      else
        EXPECT_EQ(peak, 0) << "key " << int(key);
    }
  }
  chip_fixture f;
  set_up_rhythm_channels(f, {}, 1, 0x200, 4);
  f.fm(0xBD, 0x20);
  EXPECT_TRUE(silent(render_output(f, OUT_FM_A, 2000))) << "rhythm mode without keys";
}

TEST(FmRhythm, BassDrumAndTomTomPlayTheirChannelsPitchAtTwiceAnOperatorsLevel) {
  struct row {
    uint8_t key;
    int channel, slot;  // the operator heard
  };
  const row rows[] = {{0x10, 6, 1}, {0x04, 8, 0}};
  for (const row& r : rows) {
    chip_fixture f;
    set_up_rhythm_channels(f, FM_SILENT, 0, 0x155, 5);
    set_op(f, r.channel, r.slot, {});
    set_note(f, r.channel, 0x200, 4, 0);
    f.fm(0xBD, uint8_t(0x20 | r.key));
    std::vector<int32_t> v = render_output(f, OUT_FM_A, uint32_t(OUTPUT_RATE));
    EXPECT_NEAR(rising_zero_crossings(v), 327.1, 1.5) << int(r.key);
    int32_t peak = 0;
    for (int32_t s : v) peak = std::max(peak, std::abs(s));
    EXPECT_NEAR(peak, 2 * FM_PEAK, 20) << int(r.key);
  }
}

TEST(FmRhythm, HiHatSnareAndCymbalTakeTheirPhasesFromTheNoiseAndTwoPhaseGenerators) {
  // With the hi-hat's and cymbal's phase generators held at 0 (F-number 0), only the noise
  // moves them: the snare drum steps between phase 0 and a quarter period, the hi-hat between
  // phases 0x34 and 0xD0 of 0x400, and the cymbal stays at an eighth of a period.
  struct row {
    uint8_t key;
    int channel, slot;
    double low, high;  // the two levels, as fractions of twice an operator's full output
  };
  const row rows[] = {
      {0x08, 7, 1, std::sin(M_PI / 1024), 1.0},
      {0x01, 7, 0, std::sin(2 * M_PI * 0x34 / 1024), std::sin(2 * M_PI * 0xD0 / 1024)},
      {0x02, 8, 1, std::sin(M_PI / 4), std::sin(M_PI / 4)},
  };
  for (const row& r : rows) {
    chip_fixture f;
    set_up_rhythm_channels(f, FM_SILENT, 0, 0, 0);
    set_op(f, r.channel, r.slot, {});
    f.fm(0xBD, uint8_t(0x20 | r.key));
    std::vector<int32_t> v = render_output(f, OUT_FM_A, 20000);
    v.erase(v.begin(), v.begin() + 2);
    auto [low, high] = std::minmax_element(v.begin(), v.end());
    double mean = 0;
    for (int32_t s : v) mean += s;
    mean /= double(v.size()) * 2 * FM_PEAK;
    EXPECT_NEAR(*low / (2.0 * FM_PEAK), r.low, 0.01) << int(r.key);
    EXPECT_NEAR(*high / (2.0 * FM_PEAK), r.high, 0.01) << int(r.key);
    EXPECT_NEAR(mean, (r.low + r.high) / 2, 0.03) << "the noise is on half the time";
  }
}

TEST(FmRhythm, HiHatCymbalAndSnareTakeTheirSignFromTheTwoPhaseGenerators) {
  // Hi-hat phase generator at a quarter wave step per FM sample, the cymbal's at 3/16. The
  // hi-hat and cymbal are negative while bits 2 ^ 7 of the hi-hat's phase, 3 of the hi-hat's
  // ^ 5 of the cymbal's, or 3 ^ 5 of the cymbal's is set; the snare while bit 8 of the
  // hi-hat's phase is set.
  auto ring = [](uint32_t k) {
    uint32_t h = k / 4, y = k * 3 / 16;
    return (((h >> 2) ^ (h >> 7)) | ((h >> 3) ^ (y >> 5)) | ((y >> 3) ^ (y >> 5))) & 1;
  };
  auto bit8 = [](uint32_t k) { return (k / 4 >> 8) & 1; };
  struct row {
    uint8_t key;
    int channel, slot;
    std::function<uint32_t(uint32_t)> negative;  // at FM sample k after the key on
  };
  const row rows[] = {{0x01, 7, 0, ring}, {0x02, 8, 1, ring}, {0x08, 7, 1, bit8}};
  for (const row& r : rows) {
    chip_fixture f;
    set_up_rhythm_channels(f, FM_SILENT, 0, 0x100, 0);
    set_note(f, 8, 0xC0, 0, 0);
    set_op(f, r.channel, r.slot, {});
    f.fm(0xBD, uint8_t(0x20 | r.key));
    std::vector<int32_t> v = render_output(f, OUT_FM_A, 20000);
    int agree = 0, checked = 0;
    for (size_t i = 4; i < v.size(); i++) {
      uint32_t k = uint32_t(output_to_fm_samples(double(i)));
      uint32_t sign = r.negative(k);
      int steady = 1;  // the same at the FM samples around this output
      for (uint32_t d = k - 3; d <= k + 3; d++) steady &= r.negative(d) == sign;
      if (!steady || std::abs(v[i]) < FM_PEAK / 2) continue;
      checked++;
      agree += (v[i] < 0) == (sign != 0);
    }
    EXPECT_GT(checked, 3000) << int(r.key);
    EXPECT_GE(agree, checked * 99 / 100) << int(r.key);
  }
}

}  // namespace
