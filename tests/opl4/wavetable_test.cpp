// Wavetable synthesis on synthetic tone headers in the test sample memory: sample formats,
// pitch, loops, level, pan, output select and mix levels, and the envelope's attack, decay and
// release.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "chip_fixture.h"

namespace {

constexpr int OUT_MIX_LEFT = 4, OUT_MIX_RIGHT = 5, OUT_DIRECT_LEFT = 2, OUT_DIRECT_RIGHT = 3;

std::vector<int> ramp(int count) {
  std::vector<int> r(count);
  for (int i = 0; i < count; i++) r[i] = i * 211 - 15000;
  return r;
}

// Linear gains of the level steps the tests use: 0, 3, 6 dB and silent.
constexpr int64_t GAIN_0DB = 65536, GAIN_3DB = 46341, GAIN_6DB = 32768, GAIN_OFF = 0;

// A voice at total level 0 carries its sample at a quarter of full scale on the outputs.
int32_t quarter(int value) {
  return value >> 2;
}
int32_t scaled(int value, int64_t gain) {
  return int32_t((value * gain) >> 18);
}

struct ramp_chip : chip_fixture {
  std::vector<int> wave = ramp(150);
  ramp_chip() {
    opl4_mode();
    put_samples16(0x1000, wave);
    put_header(3, {.start = 0x1000, .loop = 0, .end = 149});
  }
};

TEST(Wavetable, ASixteenBitRampAtOctaveOneReproducesItsSamplesScaledByLevelAndPan) {
  struct row {
    int level;    // total level, 0.375 dB per step
    uint8_t pan;  // key register bits 0-3
    int64_t left, right;
  };
  const row rows[] = {
      {0, 0, GAIN_0DB, GAIN_0DB},
      {16, 0, GAIN_6DB, GAIN_6DB},
      {8, 0, GAIN_3DB, GAIN_3DB},
      {0, 1, GAIN_3DB, GAIN_0DB},
      {0, 2, GAIN_6DB, GAIN_0DB},
      {0, 7, GAIN_OFF, GAIN_0DB},
      {0, 8, GAIN_OFF, GAIN_OFF},
      {0, 9, GAIN_0DB, GAIN_OFF},
      {0, 14, GAIN_0DB, GAIN_6DB},
      {0, 15, GAIN_0DB, GAIN_3DB},
      {127, 0, 0, 0},
  };
  for (const row& r : rows) {
    ramp_chip f;
    f.play(7, 3, 1, 0, r.level, r.pan);
    std::vector<int32_t> out = f.render(150);
    for (int i = 0; i < 150; i++) {
      int64_t l = r.level == 127 ? 0 : r.left, rr = r.level == 127 ? 0 : r.right;
      if (r.level == 127) {  // 47.6 dB down: small but not silent
        ASSERT_LE(std::abs(out[i * 6 + OUT_MIX_LEFT]), std::abs(f.wave[i]) / 200 + 1);
        continue;
      }
      ASSERT_EQ(out[i * 6 + OUT_MIX_LEFT], scaled(f.wave[i], l))
          << r.level << "/" << int(r.pan) << " @" << i;
      ASSERT_EQ(out[i * 6 + OUT_MIX_RIGHT], scaled(f.wave[i], rr)) << r.level << "/" << int(r.pan);
      ASSERT_EQ(out[i * 6 + OUT_DIRECT_LEFT], 0);
      ASSERT_EQ(out[i * 6 + 0], 0);
    }
  }
}

TEST(Wavetable, OutputSelectRoutesASlotPastTheMixLevel) {
  struct row {
    uint8_t key;      // output select and pan
    uint8_t pcm_mix;  // register 0xF9
    int left, right;  // outputs that carry the sample
    int64_t gain_left, gain_right;
  };
  const row rows[] = {
      {0x00, 0x00, OUT_MIX_LEFT, OUT_MIX_RIGHT, GAIN_0DB, GAIN_0DB},
      {0x00, 0x0A, OUT_MIX_LEFT, OUT_MIX_RIGHT, GAIN_6DB, GAIN_3DB},  // left 2, right 1 steps
      {0x00, 0x3F, OUT_MIX_LEFT, OUT_MIX_RIGHT, GAIN_OFF, GAIN_OFF},
      {0x10, 0x3F, OUT_DIRECT_LEFT, OUT_DIRECT_RIGHT, GAIN_0DB, GAIN_0DB},
  };
  for (const row& r : rows) {
    ramp_chip f;
    f.wt(0xF9, r.pcm_mix);
    f.wt(0xF8, 0x3F);  // the FM mix level does not touch the wavetable
    f.play(0, 3, 1, 0, 0, r.key);
    std::vector<int32_t> out = f.render(100);
    for (int i = 0; i < 100; i++) {
      ASSERT_EQ(out[i * 6 + r.left], scaled(f.wave[i], r.gain_left)) << int(r.key) << " @" << i;
      ASSERT_EQ(out[i * 6 + r.right], scaled(f.wave[i], r.gain_right)) << int(r.key);
      for (int o = 0; o < 6; o++)
        if (o != r.left && o != r.right) {
          ASSERT_EQ(out[i * 6 + o], 0) << o;
        }
    }
  }
}

TEST(Wavetable, EightAndTwelveBitSamplesDecodeToSixteenBits) {
  chip_fixture f;
  f.opl4_mode();
  // 8-bit: one signed byte per sample.
  const uint8_t bytes8[] = {0x00, 0x7F, 0x80, 0xFF, 0x12};
  for (int i = 0; i < 5; i++) f.host.memory[0x2000 + i] = bytes8[i];
  f.put_header(0, {.start = 0x2000, .format = 0, .loop = 0, .end = 4});
  // 12-bit: two samples in three bytes, the low nibbles of both in the middle byte.
  const uint8_t bytes12[] = {0x12, 0x3A, 0xBC, 0x80, 0x0F, 0x7F};
  for (int i = 0; i < 6; i++) f.host.memory[0x3000 + i] = bytes12[i];
  f.put_header(1, {.start = 0x3000, .format = 1, .loop = 0, .end = 3});
  f.play(0, 0, 1, 0, 0, 0x10);  // direct outputs
  f.play(1, 1, 1, 0, 0);        // mixed outputs
  std::vector<int32_t> out = f.render(4);
  std::vector<int32_t> eight = chip_fixture::column(out, OUT_DIRECT_LEFT);
  std::vector<int32_t> twelve = chip_fixture::column(out, OUT_MIX_LEFT);
  EXPECT_EQ(eight, (std::vector<int32_t>{0x0000 / 4, 0x7F00 / 4, -0x8000 / 4, -0x0100 / 4}));
  EXPECT_EQ(twelve, (std::vector<int32_t>{0x1230 / 4, int16_t(0xBCA0) / 4, int16_t(0x8000) / 4,
                                          0x7FF0 / 4}));
}

// Runs of samples that move nothing but the position render in a loop of their own, one per
// format: a 32-sample loop of each format plays every sample as decoded, through the loop's
// wrap and on round it.
TEST(Wavetable, LongRunsOfEachFormatPlayTheirSamplesAsDecoded) {
  const struct {
    int format;
    uint16_t bits;  // what the format keeps of a 16-bit sample
  } formats[] = {{0, 0xFF00}, {1, 0xFFF0}, {2, 0xFFFF}};
  for (const auto& c : formats) {
    SCOPED_TRACE(c.format);
    chip_fixture f;
    f.opl4_mode();
    std::vector<int> wave(32);
    for (int i = 0; i < 32; i++) wave[i] = int16_t(uint16_t(0x8170 + i * 0x0B37) & c.bits);
    uint8_t* memory = &f.host.memory[0x2000];
    for (int i = 0; i < 32; i++) {
      const uint16_t w = uint16_t(wave[i]);
      if (c.format == 0) {
        memory[i] = uint8_t(w >> 8);
      } else if (c.format == 1) {
        uint8_t* pair = memory + (i / 2) * 3;
        pair[i % 2 ? 2 : 0] = uint8_t(w >> 8);
        pair[1] = uint8_t(i % 2 ? (pair[1] & 0xF0) | (w >> 4 & 15) : (pair[1] & 0x0F) | (w & 0xF0));
      } else {
        memory[2 * i] = uint8_t(w >> 8);
        memory[2 * i + 1] = uint8_t(w);
      }
    }
    f.put_header(0, {.start = 0x2000, .format = c.format, .loop = 0, .end = 31});
    f.play(0, 0, 1, 0, 0);
    std::vector<int32_t> out = chip_fixture::column(f.render(80), OUT_MIX_LEFT);
    for (int i = 0; i < 80; i++) ASSERT_EQ(out[i], quarter(wave[i % 32])) << i;
  }
}

TEST(Wavetable, AKeyOnBeforeAnyToneNumberPlaysWhatTheMemoryHoldsAtAddressZero) {
  // After reset a slot's tone is an 8-bit sample of one byte at address 0.
  chip_fixture f;
  f.opl4_mode();
  f.host.memory[0] = 0x40;
  f.wt(0x98, FIXTURE_AR_D1R);
  f.wt(0xC8, FIXTURE_RC_RR);
  f.wt(0x38, 0x10);  // octave 1
  f.wt(0x50, 0x01);  // level 0, direct
  f.wt(0x68, 0x80);
  EXPECT_EQ(chip_fixture::column(f.render(3), OUT_MIX_LEFT), std::vector<int32_t>(3, 0x1000));
}

TEST(Wavetable, PlaybackPastTheEndContinuesAtTheLoopPoint) {
  ramp_chip f;
  f.put_header(4, {.start = 0x1000, .loop = 3, .end = 7});
  f.play(0, 4, 1, 0, 0);
  std::vector<int32_t> out = chip_fixture::column(f.render(16), OUT_MIX_LEFT);
  const int order[16] = {0, 1, 2, 3, 4, 5, 6, 7, 3, 4, 5, 6, 7, 3, 4, 5};
  for (int i = 0; i < 16; i++) EXPECT_EQ(out[i], quarter(f.wave[order[i]])) << i;

  // Several octaves up, a step longer than the loop lands as far past the loop point.
  ramp_chip g;
  g.put_header(4, {.start = 0x1000, .loop = 3, .end = 7});
  g.play(0, 4, 3, 0, 0);  // 4 samples per step
  out = chip_fixture::column(g.render(5), OUT_MIX_LEFT);
  const int wrapped[5] = {0, 4, 3, 7, 6};
  for (int i = 0; i < 5; i++) EXPECT_EQ(out[i], quarter(g.wave[wrapped[i]])) << i;
}

TEST(Wavetable, PitchFollowsOctaveAndFNumber) {
  struct row {
    int octave, fnumber;
    double step;  // source samples per output sample
  };
  const row rows[] = {{1, 0, 1.0}, {2, 0, 2.0}, {0, 0, 0.5}, {-1, 0, 0.25}, {1, 512, 1.5}};
  for (const row& r : rows) {
    ramp_chip f;
    f.play(0, 3, r.octave, r.fnumber, 0);
    std::vector<int32_t> out = chip_fixture::column(f.render(40), OUT_MIX_LEFT);
    for (int i = 0; i < 40; i++) {
      // The ramp is linear, so the interpolated value is the ramp at the exact position.
      double expected = (-15000 + 211 * (i * r.step)) / 4;
      ASSERT_NEAR(out[i], expected, 1.0) << r.octave << "/" << r.fnumber << " @" << i;
    }
  }
}

// A slot playing a constant level, to watch the envelope: samples of 0x4000, heard at full
// level as DC_FULL.
constexpr int32_t DC_FULL = 0x1000;

struct dc_chip : chip_fixture {
  dc_chip(uint8_t ar_d1r, uint8_t dl_d2r, uint8_t rc_rr) {
    opl4_mode();
    put_samples16(0x1000, std::vector<int>(16, 0x4000));
    put_header(0, {.start = 0x1000,
                   .loop = 0,
                   .end = 15,
                   .ar_d1r = ar_d1r,
                   .dl_d2r = dl_d2r,
                   .rc_rr = rc_rr});
  }
  std::vector<int32_t> level(uint32_t samples) {
    return chip_fixture::column(render(samples), OUT_MIX_LEFT);
  }
};

// Samples until the output first satisfies `done`.
template <typename F>
int samples_until(const std::vector<int32_t>& out, F done) {
  for (size_t i = 0; i < out.size(); i++)
    if (done(out[i])) return int(i);
  return -1;
}

TEST(WavetableEnvelope, AttackTimeHalvesWithEachRateStepAndRisesSteadily) {
  int previous = 0;
  for (int ar = 9; ar <= 13; ar++) {
    dc_chip f(uint8_t(ar << 4), 0x00, 0xF0);  // no rate correction
    f.play(0, 0, 1, 0, 0);
    std::vector<int32_t> out = f.level(40000);
    int full = samples_until(out, [](int32_t v) { return v == DC_FULL; });
    ASSERT_GT(full, 0) << ar;
    for (int i = 1; i <= full; i++) ASSERT_GE(out[i], out[i - 1]) << ar << " @" << i;
    if (previous) {
      EXPECT_NEAR(double(previous) / full, 2.0, 0.25) << ar;
    }
    previous = full;
  }
  dc_chip instant(0xF0, 0x00, 0xF0);
  instant.play(0, 0, 1, 0, 0);
  EXPECT_EQ(instant.level(1)[0], DC_FULL) << "rate 15 starts at full level";
  dc_chip never(0x00, 0x00, 0xF0);
  never.play(0, 0, 1, 0, 0);
  std::vector<int32_t> out = never.level(5000);
  EXPECT_EQ(samples_until(out, [](int32_t v) { return v != 0; }), -1) << "rate 0 never starts";
}

TEST(WavetableEnvelope, KeyOffReleasesAtTheReleaseRateUntilFortyEightDecibelsDown) {
  int previous = 0;
  for (int rr = 8; rr <= 11; rr++) {
    dc_chip f(0xF0, 0x00, uint8_t(0xF0 | rr));
    f.play(0, 0, 1, 0, 0);
    f.render(10);
    f.key_off(0);
    std::vector<int32_t> out = f.level(400000);
    int half = samples_until(out, [](int32_t v) { return v <= DC_FULL / 2; });
    int silent = samples_until(out, [](int32_t v) { return v == 0; });
    ASSERT_GT(half, 0) << rr;
    ASSERT_GT(silent, half) << rr;
    for (int i = 1; i < silent; i++) ASSERT_LE(out[i], out[i - 1]) << rr << " @" << i;
    for (size_t i = silent; i < out.size(); i++) ASSERT_EQ(out[i], 0) << rr;
    // The level falls in equal decibel steps: half, then silence once the voice is 48 dB
    // down (8 halvings), where the chip stops a released voice; it is still at 2^-8 of its
    // level just before.
    EXPECT_NEAR(double(silent) / half, 8.0, 0.5) << rr;
    EXPECT_NEAR(20 * std::log10(out[silent - 1] / double(DC_FULL)), -48, 0.5) << rr;
    if (previous) {
      EXPECT_NEAR(double(previous) / half, 2.0, 0.25) << rr;
    }
    previous = half;
  }
}

TEST(WavetableEnvelope, DecayOneStopsAtTheDecayLevelWhereDecayTwoTakesOver) {
  // Fast decay 1 to the 12 dB decay level, then no decay 2: the level settles at a quarter.
  dc_chip f(0xFC, 0x40, 0xF0);
  f.play(0, 0, 1, 0, 0);
  std::vector<int32_t> out = f.level(20000);
  EXPECT_EQ(out.back(), DC_FULL / 4);
  EXPECT_EQ(out[out.size() / 2], DC_FULL / 4);
}

TEST(WavetableEnvelope, RateCorrectionSpeedsUpHigherOctaves) {
  auto attack_time = [](uint8_t rc_rr, int octave) {
    dc_chip f(0xA0, 0x00, rc_rr);
    f.play(0, 0, octave, 0, 0);
    return samples_until(f.level(60000), [](int32_t v) { return v == DC_FULL; });
  };
  int uncorrected = attack_time(0xF0, 1), corrected = attack_time(0x40, 1);
  int higher = attack_time(0x40, 3);
  EXPECT_LT(corrected, uncorrected);
  EXPECT_LT(higher, corrected);
  EXPECT_EQ(attack_time(0xF0, 3), uncorrected) << "rate correction 15 is off";
}

// A damped voice falls 0.75 dB a sample, the chip's fastest rate: 6, 20 and 40 dB down after
// 7, 26 and 52 samples, whatever its release rate.
TEST(WavetableEnvelope, DampTakesAVoiceDownAtTheFastestRate) {
  dc_chip f(0xF0, 0x00, 0xF1);  // the slowest release
  f.play(0, 0, 1, 0, 0);
  f.render(10);
  f.wt(0x68, 0xC0);  // damp with the key still on
  std::vector<int32_t> out = f.level(400);
  const struct {
    double db;
    int samples;
  } marks[] = {{6, 7}, {20, 26}, {40, 52}};
  for (const auto& m : marks) {
    const double bound = DC_FULL * std::pow(10.0, -m.db / 20);
    EXPECT_NEAR(samples_until(out, [&](int32_t v) { return v <= bound; }), m.samples, 1)
        << m.db << " dB down";
  }
  // 72 dB down this level is below one output step.
  EXPECT_NEAR(samples_until(out, [](int32_t v) { return v == 0; }), 96, 1);
  for (size_t i = 1; i < out.size(); i++) ASSERT_LE(out[i], out[i - 1]) << i;
}

// A looped sine of amplitude 20,000, 64 samples a period; at octave 1 each output sample is one
// sample of it.
struct sine_chip : chip_fixture {
  sine_chip() {
    opl4_mode();
    std::vector<int> wave(64);
    for (int i = 0; i < 64; i++) wave[i] = int(std::lround(20000 * std::sin(2 * M_PI * i / 64)));
    put_samples16(0x1000, wave);
    put_header(0, {.start = 0x1000, .loop = 0, .end = 63});
  }
};

// The pitch step is (1024 + F) << (octave + 7) >> 2 with 16 fraction bits, so octaves -7 and -6
// drop the low bits of the F-number and play slightly flat; from octave -5 up nothing is lost.
// Periods of the 64-sample sine, in output samples, from its rising zero crossings.
TEST(WavetablePitch, TheLowestTwoOctavesLoseTheLowBitsOfTheStep) {
  const struct {
    int octave, fnumber;
    double period;
  } rows[] = {{-7, 3, 64 * 65536 / 256.0},
              {-7, 1023, 64 * 65536 / 511.0},
              {-6, 1, 64 * 65536 / 512.0},
              {-5, 1, 64 * 65536 / 1025.0}};
  for (const auto& r : rows) {
    sine_chip f;
    f.play(0, 0, r.octave, r.fnumber, 0);
    std::vector<int32_t> v = chip_fixture::column(f.render(uint32_t(2.2 * r.period)), OUT_MIX_LEFT);
    std::vector<double> crossings;
    for (size_t i = 1; i < v.size(); i++)
      if (v[i - 1] < 0 && v[i] >= 0)
        crossings.push_back(double(i - 1) + v[i - 1] / double(v[i - 1] - v[i]));
    ASSERT_GE(crossings.size(), 2u) << r.octave << "/" << r.fnumber;
    const double period = (crossings.back() - crossings.front()) / double(crossings.size() - 1);
    EXPECT_NEAR(period, r.period, 1.0) << "octave " << r.octave << " F " << r.fnumber;
  }
}

// The chip's own figures for one voice at total level 0 and pan 0 playing a 16-bit tone of
// amplitude 20,000, with both mix levels at 0 dB: a quarter of full scale, 12 dB of headroom.
constexpr double VOICE_PEAK = 4970, VOICE_RMS = VOICE_PEAK / M_SQRT2;

TEST(WavetableLevel, AVoiceAtFullLevelCarriesItsSampleAtAQuarterOfFullScale) {
  for (uint8_t select : {0x00, 0x10}) {  // mixed outputs, then the direct ones
    SCOPED_TRACE(select ? "direct" : "mixed");
    sine_chip f;
    f.play(0, 0, 1, 0, 0, select);
    f.render(640);
    std::vector<int32_t> frames = f.render(64 * 50);
    const int left = select ? OUT_DIRECT_LEFT : OUT_MIX_LEFT;
    for (int out : {left, left + 1}) {
      std::vector<int32_t> v = chip_fixture::column(frames, out);
      EXPECT_NEAR(chip_fixture::peak(v), VOICE_PEAK, VOICE_PEAK * 0.01) << out;
      EXPECT_NEAR(chip_fixture::rms(v), VOICE_RMS, VOICE_RMS * 0.01) << out;
    }
  }
}

// The pan field is signed: 1 to 6 take 3 dB a step off the left side, -1 to -6 (15 to 10) off
// the right, 7 and -7 silence that side and -8 silences both. Measured on the two mixed outputs
// against pan 0, on top of the total level (a voice at 3 dB with pan 3 is 12 dB down on the left).
TEST(WavetableLevel, PanTakesThreeDecibelsAStepOffOneSideAndEightSilencesBoth) {
  constexpr double OFF = -1;  // silent: every sample 0
  struct row {
    uint8_t pan;
    int level;
    double left_db, right_db;  // attenuation against pan 0 at level 0
  };
  const row rows[] = {
      {0, 0, 0, 0},   {1, 0, 3, 0},     {3, 0, 9, 0},   {6, 0, 18, 0},
      {7, 0, OFF, 0}, {8, 0, OFF, OFF}, {9, 0, 0, OFF}, {10, 0, 0, 18},
      {13, 0, 0, 9},  {15, 0, 0, 3},    {3, 8, 12, 3},  {12, 8, 3, 15},
  };
  auto peaks = [](uint8_t pan, int level) {
    sine_chip f;
    f.play(0, 0, 1, 0, level, pan);
    std::vector<int32_t> frames = f.render(64 * 20);
    return std::pair{chip_fixture::peak(chip_fixture::column(frames, OUT_MIX_LEFT)),
                     chip_fixture::peak(chip_fixture::column(frames, OUT_MIX_RIGHT))};
  };
  const double full = peaks(0, 0).first;
  ASSERT_NEAR(full, VOICE_PEAK, VOICE_PEAK * 0.01);
  for (const row& r : rows) {
    auto [left, right] = peaks(r.pan, r.level);
    const struct {
      const char* side;
      int32_t peak;
      double db;
    } sides[] = {{"left", left, r.left_db}, {"right", right, r.right_db}};
    for (const auto& side : sides) {
      if (side.db == OFF) {
        EXPECT_EQ(side.peak, 0) << "pan " << int(r.pan) << " " << side.side;
      } else {
        ASSERT_GT(side.peak, 0) << "pan " << int(r.pan) << " " << side.side;
        EXPECT_NEAR(-20 * std::log10(side.peak / full), side.db, 0.1)
            << "pan " << int(r.pan) << " " << side.side;
      }
    }
  }
}

TEST(WavetableLevel, AboutFourFullScaleVoicesSumToFullScaleBeforeTheOutputClamps) {
  for (int voices : {1, 2, 4, 5}) {
    chip_fixture f;
    f.opl4_mode();
    f.put_samples16(0x1000, {32767, 32767, -32767, -32767});
    f.put_header(0, {.start = 0x1000, .loop = 0, .end = 3});
    for (int n = 0; n < voices; n++) f.play(n, 0, 1, 0, 0);
    std::vector<int32_t> v = chip_fixture::column(f.render(400), OUT_MIX_LEFT);
    double expected = std::min(32767.0, voices * 32767.0 / 4);
    EXPECT_NEAR(chip_fixture::peak(v), expected, expected * 0.002) << voices << " voices";
    EXPECT_NEAR(chip_fixture::rms(v), expected, expected * 0.002) << voices << " voices";
  }
}

// The constant level of the DC slot after each change, and the samples between the changes.
struct level_steps {
  std::vector<int32_t> levels;
  std::vector<int> gaps;
};

level_steps steps_of(const std::vector<int32_t>& out) {
  level_steps s{{out[0]}, {}};
  int last = 0;
  for (int i = 1; i < int(out.size()); i++)
    if (out[i] != out[i - 1]) {
      s.levels.push_back(out[i]);
      s.gaps.push_back(i - last);
      last = i;
    }
  return s;
}

TEST(WavetableLevel, WithoutLevelDirectTheLevelGlidesBy0375DecibelsEvery54SamplesDownAnd27Up) {
  // From full level to total level 127 (47.6 dB down) and back up, each 127 steps of 0.375 dB.
  dc_chip f(0xF0, 0x00, 0xF0);
  f.play(0, 0, 1, 0, 0);
  f.render(100);
  f.wt(0x50, 127 << 1);
  std::vector<int32_t> down = f.level(7200);
  f.wt(0x50, 0);
  std::vector<int32_t> up = f.level(3600);

  dc_chip quiet(0xF0, 0x00, 0xF0);
  quiet.play(0, 0, 1, 0, 127);
  const int32_t bottom = quiet.level(1)[0];
  ASSERT_GT(bottom, 0);

  const struct {
    const char* label;
    const std::vector<int32_t>& out;
    int samples;         // per step
    int32_t end;         // the level it glides to
    int near_full_last;  // 1 = the steps near full level, where each one shows, come last
  } glides[] = {{"quieter", down, 54, bottom, 0}, {"louder", up, 27, DC_FULL, 1}};
  for (const auto& g : glides) {
    SCOPED_TRACE(g.label);
    level_steps s = steps_of(g.out);
    ASSERT_GE(s.gaps.size(), 100u);
    const int first = g.near_full_last ? int(s.gaps.size()) - 40 : 0;
    for (int k = first + 1; k < first + 40; k++) {
      EXPECT_EQ(s.gaps[k], g.samples) << k;
      double db = 20 * std::log10(double(s.levels[k + 1]) / s.levels[k]);
      EXPECT_NEAR(std::abs(db), 0.375, 0.05) << k;
    }
    // The whole way takes 127 steps.
    int end = samples_until(g.out, [&](int32_t v) { return v == g.end; });
    EXPECT_NEAR(end, 127 * g.samples, g.samples) << "samples to the end of the glide";
  }
  // 47.6 dB down, within the half decibel of one output step at this level.
  EXPECT_NEAR(20 * std::log10(double(bottom) / DC_FULL), -127 * 0.375, 0.6);
  f.wt(0x50, (16 << 1) | 1);  // 6 dB down at once
  EXPECT_EQ(f.level(1)[0], DC_FULL / 2);
}

TEST(WavetableLevel, AfterResetAFirstNoteWithoutLevelDirectFadesInFromTheQuietestLevel) {
  dc_chip f(0xF0, 0x00, 0xF0);
  f.play(0, 0, 1, 0, 0, 0, 0);
  std::vector<int32_t> out = f.level(4000);
  EXPECT_LT(out[0], DC_FULL / 200) << "47.6 dB down";
  EXPECT_NEAR(samples_until(out, [](int32_t v) { return v == DC_FULL; }), 127 * 27, 27);
  for (size_t i = 1; i < out.size(); i++) ASSERT_GE(out[i], out[i - 1]) << i;
}

TEST(WavetableLfo, TremoloSwingsTheLevelByItsDepthOverTheLfoPeriod) {
  dc_chip f(0xF0, 0x00, 0xF0);
  f.play(0, 0, 1, 0, 0);
  f.wt(0x80, 7 << 3);  // the fastest LFO: 2^18 / 42 samples per period
  f.wt(0xE0, 7);       // 11.9 dB
  std::vector<int32_t> out = f.level(2 * 6242);
  int32_t low = DC_FULL, high = 0;
  for (int32_t v : out) low = std::min(low, v), high = std::max(high, v);
  EXPECT_EQ(high, DC_FULL);
  EXPECT_NEAR(20 * std::log10(double(high) / low), 11.9, 0.3);
  f.wt(0x68, 0xA0);  // LFO reset holds it at the start
  out = f.level(3000);
  EXPECT_EQ(out.front(), DC_FULL);
  EXPECT_EQ(out.back(), DC_FULL);
}

TEST(WavetableLfo, VibratoSwingsThePitchByItsDepth) {
  ramp_chip f;
  f.put_header(5, {.start = 0x1000, .loop = 0, .end = 149});
  f.play(0, 5, -7, 0, 0);    // 1/256 sample per output sample: the position reads the pitch
  f.wt(0x80, (7 << 3) | 7);  // 79.3 cents
  std::vector<int32_t> out = chip_fixture::column(f.render(6242), OUT_MIX_LEFT);
  // Over one LFO period the position's rate swings up and back down.
  double fastest = 0, slowest = 1e9;
  for (int i = 400; i + 400 < 6242; i += 400) {
    double rate = (out[i + 400] - out[i]) / 400.0;
    fastest = std::max(fastest, rate), slowest = std::min(slowest, rate);
  }
  double cents = 1200 * std::log2(fastest / slowest);
  EXPECT_GT(cents, 100);  // up to 2 x 79 cents between the peaks
  EXPECT_LT(cents, 170);
}

}  // namespace
