// Helpers for the FM engine's tests, over the chip fixture: operator and channel set-up through
// the FM registers, and measurements of the rendered outputs (zero crossings, the amplitude at
// one frequency, the attenuation of a level). FM runs at clock / 684, outputs come at
// clock / 768.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "chip_fixture.h"

constexpr double FM_RATE = 28636350.0 / 684;      // FM samples per second
constexpr double OUTPUT_RATE = 28636350.0 / 768;  // output samples per second
constexpr int FM_OPERATOR_PEAK = 4084;  // an operator's 13-bit value at full level, as modulation
// One operator at full level on a chip output: twice its value, a quarter of full scale.
constexpr int FM_PEAK = 2 * FM_OPERATOR_PEAK;
constexpr int OUT_FM_C = 0, OUT_FM_D = 1, OUT_FM_A = 4, OUT_FM_B = 5;  // chip outputs

// One operator's registers 0x20, 0x40, 0x60, 0x80 and 0xE0. The default sounds at once at full
// level and holds it (sustain bit, no decay).
struct fm_op {
  uint8_t flags = 0x21;   // AM, VIB, sustain, KSR, multiplier
  uint8_t levels = 0x00;  // KSL, total level
  uint8_t ar_dr = 0xF0;
  uint8_t sl_rr = 0x00;
  uint8_t wave = 0;
};
// Never leaves silence: attack rate 0. As a modulator it adds nothing.
constexpr fm_op FM_SILENT = {.ar_dr = 0x00};

inline uint32_t fm_base(int channel) {
  return channel >= 9 ? 0x100 : 0;
}

inline void set_op(chip_fixture& f, int channel, int slot, const fm_op& op) {
  int k = channel % 9;
  uint32_t o = fm_base(channel) + uint32_t((k / 3) * 8 + k % 3 + slot * 3);
  f.fm(0x20 + o, op.flags);
  f.fm(0x40 + o, op.levels);
  f.fm(0x60 + o, op.ar_dr);
  f.fm(0x80 + o, op.sl_rr);
  f.fm(0xE0 + o, op.wave);
}

// Connection, feedback and output bits (register 0xC0).
inline void set_control(chip_fixture& f, int channel, uint8_t control) {
  f.fm(fm_base(channel) + 0xC0 + uint32_t(channel % 9), control);
}

inline void set_note(chip_fixture& f, int channel, int fnumber, int block, int key) {
  uint32_t a = fm_base(channel) + uint32_t(channel % 9);
  f.fm(0xA0 + a, uint8_t(fnumber));
  f.fm(0xB0 + a, uint8_t((key ? 0x20 : 0) | (block << 2) | (fnumber >> 8)));
}

// NEW mode, channel `channel` on output A: a silent modulator and `carrier`, keyed on.
inline void play_carrier(chip_fixture& f, int channel, const fm_op& carrier, int fnumber,
                         int block) {
  f.fm(0x105, 0x01);
  set_op(f, channel, 0, FM_SILENT);
  set_op(f, channel, 1, carrier);
  set_control(f, channel, 0x10);
  set_note(f, channel, fnumber, block, 1);
}

inline std::vector<int32_t> render_output(chip_fixture& f, int output, uint32_t samples) {
  return chip_fixture::column(f.render(samples), output);
}

inline int rising_zero_crossings(const std::vector<int32_t>& v) {
  int n = 0;
  for (size_t i = 1; i < v.size(); i++) n += v[i - 1] < 0 && v[i] >= 0;
  return n;
}

// Amplitude of the component at `hz` (output sample rate), as a fraction of FM_PEAK.
inline double amplitude_at(const std::vector<int32_t>& v, double hz) {
  double re = 0, im = 0;
  for (size_t i = 0; i < v.size(); i++) {
    double a = 2 * M_PI * hz * double(i) / OUTPUT_RATE;
    re += v[i] * std::cos(a);
    im -= v[i] * std::sin(a);
  }
  return 2 * std::hypot(re, im) / double(v.size()) / FM_PEAK;
}

// Attenuation in dB of a level against an operator's full output.
inline double attenuation_db(double level) {
  return level <= 0 ? 1e9 : -20 * std::log10(level / FM_PEAK);
}

inline double output_to_fm_samples(double output_samples) {
  return output_samples * FM_RATE / OUTPUT_RATE;
}

// The FM sample, counted from 0 at reset, that output sample `i` of a chip rendered from reset
// holds: by output i, i + 1 + 21 (i + 1) / 171 FM samples are due, and the output lies between
// the last two of them. -1 = the silence before the first.
inline int64_t fm_sample_of_output(int64_t i) {
  return i + 1 + (i + 1) * 21 / 171 - 2;
}
