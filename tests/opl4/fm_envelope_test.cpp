// FM envelopes and LFOs: attack, decay to the sustain level, the sustain bit, key-scaled rates
// and release take the chip's times; tremolo and vibrato have their depths and periods. The
// probe is a square-wave carrier held at phase 0 (F-number 0): its output is a level that
// shows the envelope's attenuation directly.
#include <gtest/gtest.h>

#include <algorithm>

#include "fm_fixture.h"

namespace {

constexpr double DB_PER_UNIT = 0.1875;  // one envelope step

// The probe's attenuation in envelope steps at each output sample. A probe with a moving
// phase flips sign now and then; the samples beside a flip keep the step before.
std::vector<double> envelope_steps(const std::vector<int32_t>& v) {
  std::vector<double> steps;
  for (size_t i = 0; i < v.size(); i++) {
    int flip = (i > 0 && (v[i - 1] < 0) != (v[i] < 0)) ||
               (i + 1 < v.size() && (v[i + 1] < 0) != (v[i] < 0));
    steps.push_back(flip && i > 0 ? steps.back() : attenuation_db(std::abs(v[i])) / DB_PER_UNIT);
  }
  return steps;
}

// FM samples from the start of `steps` until the attenuation first comes down to `target`
// (`falling`) or, after first being within a step of full level, rises to it; -1 if never.
double fm_time_to(const std::vector<double>& steps, double target, int falling) {
  int full = falling;
  for (size_t i = 0; i < steps.size(); i++) {
    full |= steps[i] <= 1;
    if (full && (falling ? steps[i] <= target + 0.01 : steps[i] >= target - 0.5))
      return output_to_fm_samples(double(i));
  }
  return -1;
}

void play_probe(chip_fixture& f, fm_op probe, int block = 0, int fnumber = 0) {
  probe.wave = 6;
  play_carrier(f, 0, probe, fnumber, block);
}

TEST(FmEnvelope, AttackTakesTheChipsTimeForEachRate) {
  // From silence to full level: 2826.24 ms at rate 1 and a 50 kHz sample rate (141,312 FM
  // samples), halving with each rate step; rate 15 is immediate. Within one envelope step:
  // an update is due every 2^(13 - rate) FM samples. The slow attacks below rate 9 take
  // longer than this nominal time; the next test pins them.
  for (int rate : {9, 10, 12, 15}) {
    chip_fixture f;
    play_probe(f, {.ar_dr = uint8_t(rate << 4)});
    double expected = rate == 15 ? 0 : 141312 * std::exp2(1 - rate);
    uint32_t samples = uint32_t((expected + 20000) * OUTPUT_RATE / FM_RATE);
    double t = fm_time_to(envelope_steps(render_output(f, OUT_FM_A, samples)), 0, 1);
    EXPECT_NEAR(t, expected, std::exp2(13 - std::min(rate, 13)) + 2) << "attack rate " << rate;
  }
}

// The chip's attacks at rates 3 to 8, measured from key-on to within 1 dB of full level over
// three key-on phases, on a note whose key scaling adds 2 to the rate (block 4, KSR off). The
// table was read off a sounding tone's peaks, which lag the envelope by a constant; its own
// figures give that lag: they follow a 2^-rate + lag. The probe shows the envelope itself.
TEST(FmEnvelope, SlowAttacksTakeTheChipsTimeToComeWithinOneDecibel) {
  const struct {
    int rate, low, high;  // output samples
  } table[] = {{3, 18947, 19199}, {4, 9588, 9638}, {5, 4808, 4858},
               {6, 2395, 2444},   {7, 1235, 1235}, {8, 632, 632}};
  // Least squares of the table's midpoints against 2^-rate: the constant is the lag.
  double sx = 0, sy = 0, sxx = 0, sxy = 0, n = 0;
  for (const auto& r : table) {
    double x = std::exp2(-r.rate), y = (r.low + r.high) / 2.0;
    sx += x, sy += y, sxx += x * x, sxy += x * y, n++;
  }
  const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx), lag = (sy - slope * sx) / n;
  ASSERT_GT(lag, 0);
  ASSERT_LT(lag, 100);
  for (const auto& r : table) {
    double sum = 0;
    for (int phase : {0, 1000, 2345}) {
      chip_fixture f;
      f.render(uint32_t(phase));
      play_probe(f, {.ar_dr = uint8_t(r.rate << 4)}, 4);
      std::vector<int32_t> v = render_output(f, OUT_FM_A, uint32_t(r.high + 2000));
      const double within = FM_PEAK * std::pow(10.0, -1 / 20.0);
      size_t t = 0;
      while (t < v.size() && std::abs(v[t]) < within) t++;
      ASSERT_LT(t, v.size()) << "attack rate " << r.rate;
      sum += double(t);
    }
    const double chip = (r.low + r.high) / 2.0 - lag;
    EXPECT_NEAR(sum / 3, chip, chip * 0.03) << "attack rate " << r.rate;
  }
}

TEST(FmEnvelope, DecayReachesTheSustainLevelInTheChipsTimeAndHoldsThere) {
  // Decay moves one step (0.1875 dB) per 4096 FM samples at rate 1 (the manual's 39.28 s at
  // 50 kHz over 480 steps), twice as fast per rate step; the key-scale rate adds block x 2
  // plus F-number bit 9 (bit 8 with the note-select bit) to the rate x 4 with KSR set, a
  // quarter of that without, and each quarter step of the rate speeds it by a further 25%.
  struct row {
    int rate, sustain, ksr, block, fnumber, note_select;
    double fm_samples, step;  // expected time, and the time of one envelope step
  };
  const row rows[] = {
      {4, 1, 0, 0, 0, 0, 16 * 512, 512},  // 3 dB
      {8, 4, 0, 0, 0, 0, 64 * 32, 32},
      {12, 8, 0, 0, 0, 0, 128 * 2, 2},
      {14, 6, 0, 0, 0, 0, 96 / 2, 1},
      {4, 2, 1, 5, 0, 0, 32 * 128 / 1.5, 128},       // rate 16 + 10: 1.5 steps per 128 samples
      {4, 2, 0, 5, 0, 0, 32 * 512 / 1.5, 512},       // rate 16 + 2: 1.5 steps per 512 samples
      {4, 2, 1, 0, 0x100, 1, 32 * 512 / 1.25, 512},  // rate 16 + 1
      {4, 2, 1, 0, 0x100, 0, 32 * 512, 512},         // bit 9 is clear
  };
  for (const row& r : rows) {
    chip_fixture f;
    f.fm(0x08, uint8_t(r.note_select << 6));
    play_probe(f,
               {.flags = uint8_t(0x21 | (r.ksr ? 0x10 : 0)),
                .ar_dr = uint8_t(0xF0 | r.rate),
                .sl_rr = uint8_t(r.sustain << 4)},
               r.block, r.fnumber);
    uint32_t samples = uint32_t((r.fm_samples + 8000) * OUTPUT_RATE / FM_RATE);
    std::vector<double> steps = envelope_steps(render_output(f, OUT_FM_A, samples));
    double target = 16 * r.sustain;  // 3 dB per sustain step
    EXPECT_NEAR(fm_time_to(steps, target, 0), r.fm_samples, r.step + 2)
        << "rate " << r.rate << " sustain " << r.sustain << " KSR " << r.ksr << " block " << r.block
        << " note select " << r.note_select;
    EXPECT_NEAR(steps.back(), target, 0.5) << "the sustain bit holds the level";
  }
}

TEST(FmEnvelope, WithoutTheSustainBitTheLevelFallsOnAtTheReleaseRate) {
  chip_fixture f;
  play_probe(f, {.flags = 0x01, .ar_dr = 0xF8, .sl_rr = 0x46});
  std::vector<double> steps = envelope_steps(render_output(f, OUT_FM_A, 12000));
  // 64 steps at decay rate 8 (32 FM samples each), then 64 at release rate 6 (128 each).
  EXPECT_NEAR(fm_time_to(steps, 64, 0), 64 * 32, 34);
  EXPECT_NEAR(fm_time_to(steps, 128, 0), 64 * 32 + 64 * 128, 130);
}

TEST(FmEnvelope, KeyOffReleasesAtTheReleaseRateUntilSilence) {
  for (int rate : {5, 9, 13}) {
    chip_fixture f;
    play_probe(f, {.sl_rr = uint8_t(rate)});
    f.render(100);
    set_note(f, 0, 0, 0, 0);
    double expected = 128 * std::exp2(13 - rate);  // 24 dB
    uint32_t samples = uint32_t((4 * expected + 2000) * OUTPUT_RATE / FM_RATE);
    std::vector<int32_t> out = render_output(f, OUT_FM_A, samples);
    EXPECT_NEAR(fm_time_to(envelope_steps(out), 128, 0), expected, std::exp2(13 - rate) + 2)
        << "release rate " << rate;
    EXPECT_EQ(out.back(), 0) << "release rate " << rate;
  }
}

TEST(FmLfo, TremoloSwingsTheLevelByItsDepthOnceEvery13440FmSamples) {
  struct row {
    uint8_t depth;  // register 0xBD bit 7
    double db;      // 4.8 dB and 1 dB nominal, in whole envelope steps
  };
  const row rows[] = {{0x80, 26 * DB_PER_UNIT}, {0x00, 6 * DB_PER_UNIT}};
  for (const row& r : rows) {
    chip_fixture f;
    f.fm(0xBD, r.depth);
    play_probe(f, {.flags = 0xA1});
    std::vector<double> steps = envelope_steps(render_output(f, OUT_FM_A, 40000));
    steps.erase(steps.begin(), steps.begin() + 2);
    auto [low, high] = std::minmax_element(steps.begin(), steps.end());
    EXPECT_NEAR((*high - *low) * DB_PER_UNIT, r.db, 0.05) << int(r.depth);
    // Full level comes round once per period.
    std::vector<size_t> returns;
    for (size_t i = 1; i < steps.size(); i++)
      if (steps[i - 1] > 0.01 && steps[i] <= 0.01) returns.push_back(i);
    ASSERT_GE(returns.size(), 2u);
    EXPECT_NEAR(output_to_fm_samples(double(returns[1] - returns[0])), 13440, 4) << int(r.depth);
  }
}

TEST(FmLfo, VibratoBendsThePitchByTheTopBitsOfTheFNumberOnceEvery8192FmSamples) {
  // F-number 0x380: its top three bits (7) swing it by 7 with the deep setting (13.5 cents,
  // the nominal 14) and by 3 with the shallow one (5.8 cents, nominally 7).
  struct row {
    uint8_t depth;  // register 0xBD bit 6
    double cents;
  };
  const row rows[] = {{0x40, 1200 * std::log2(903.0 / 896)}, {0x00, 1200 * std::log2(899.0 / 896)}};
  for (const row& r : rows) {
    chip_fixture f;
    f.fm(0xBD, r.depth);
    play_carrier(f, 0, {.flags = 0x61}, 0x380, 5);
    std::vector<int32_t> v = render_output(f, OUT_FM_A, 20000);
    // Rising zero crossings in FM samples: each output holds one FM sample, whose time is known.
    std::vector<double> crossings;
    for (size_t i = 1; i < v.size(); i++)
      if (v[i - 1] < 0 && v[i] >= 0) {
        double before = double(fm_sample_of_output(int64_t(i - 1)));
        double after = double(fm_sample_of_output(int64_t(i)));
        crossings.push_back(before + (after - before) * v[i - 1] / double(v[i - 1] - v[i]));
      }
    // The pitch over each run of 8 periods, at the time the run starts.
    std::vector<double> at, hz;
    for (size_t k = 0; k + 8 < crossings.size(); k++) {
      at.push_back(crossings[k]);
      hz.push_back(8 * FM_RATE / (crossings[k + 8] - crossings[k]));
    }
    // The highest pitch between two times, and when it starts.
    auto peak = [&](double from, double to) {
      size_t best = 0;
      for (size_t k = 0; k < hz.size(); k++)
        if (at[k] >= from && at[k] < to && (best == 0 || hz[k] > hz[best])) best = k;
      return best;
    };
    double centre = 0x380 * FM_RATE * std::exp2(5 - 20);
    double period = 8192;
    size_t first = peak(0, period), second = peak(at[first] + period / 2, at[first] + 1.5 * period);
    EXPECT_NEAR(1200 * std::log2(hz[first] / centre), r.cents, 0.5) << int(r.depth);
    EXPECT_NEAR(1200 * std::log2(centre / *std::min_element(hz.begin(), hz.end())), r.cents, 0.5)
        << int(r.depth);
    EXPECT_NEAR(at[second] - at[first], period, 1024) << int(r.depth);
  }
}

}  // namespace
