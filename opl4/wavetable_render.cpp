// Wavetable synthesis: per sample and slot, the LFO, the level glide, the envelope step, the
// sample fetch with linear interpolation, level and pan, and the advance of the position with
// its loop. Slots render one at a time over a whole block; every step depends only on the
// slot's own state and the sample counter, so a block gives exactly what single samples give.
// Register handling and the derived values used here are in wavetable.cpp.
#include <algorithm>
#include <cmath>

#include "opl4/wavetable.h"

namespace opl4 {

namespace {

enum {
  LFO_MASK = 0x3FFFF,    // LFO phase: 18 bits per period
  LFO_INDEX_SHIFT = 10,  // 256 positions of the LFO's triangle
  GLIDE_SHIFT = 4,       // a gliding level moves one step every 16 samples
  GAIN_SILENT = 17 * 64  // attenuation at which the gain reaches 0
};

// LFO period: 2^18 / increment samples (0.168 Hz to 7.07 Hz at the chip's nominal rate).
const uint32_t LFO_INCREMENT[8] = {1, 12, 19, 25, 31, 35, 37, 42};
const double VIBRATO_CENTS[8] = {0, 3.378, 5.065, 6.75, 10.114, 20.170, 40.108, 79.307};
const double AM_DECIBELS[8] = {0, 1.781, 2.906, 3.656, 4.406, 5.906, 7.406, 11.91};

// Envelope increments per update, eight updates in a cycle. Rates below 48 update every
// 2^(11 - rate / 4) samples with 0 or 1; faster rates update every sample with 2^(rate / 4 - 12)
// doubled where the high pattern says so; 60 and up step by 8.
const uint8_t EG_LOW[4][8] = {{0, 1, 0, 1, 0, 1, 0, 1},
                              {0, 1, 0, 1, 1, 1, 0, 1},
                              {0, 1, 1, 1, 0, 1, 1, 1},
                              {0, 1, 1, 1, 1, 1, 1, 1}};
const uint8_t EG_HIGH[4][8] = {{0, 0, 0, 0, 0, 0, 0, 0},
                               {0, 0, 0, 1, 0, 0, 0, 1},
                               {0, 1, 0, 1, 0, 1, 0, 1},
                               {0, 1, 1, 1, 0, 1, 1, 1}};

struct render_tables {
  int32_t gain[64];          // 65536 x 2^(-i / 64): attenuation to linear, 6 dB per 64 units
  int32_t vibrato[8][256];   // pitch factor, 16 fraction bits, per depth and LFO position
  uint16_t tremolo[8][256];  // attenuation in envelope units, per depth and LFO position
};

render_tables build_tables() {
  render_tables t{};
  for (int i = 0; i < 64; i++) t.gain[i] = int32_t(std::lround(65536.0 * std::exp2(-i / 64.0)));
  for (int d = 0; d < 8; d++) {
    for (int i = 0; i < 256; i++) {
      // Vibrato: triangle from 0 up to +1, down to -1 and back; tremolo: 0 up to 1 and back.
      double bipolar = i < 64 ? i / 64.0 : i < 192 ? (128 - i) / 64.0 : (i - 256) / 64.0;
      double unipolar = i < 128 ? i / 128.0 : (256 - i) / 128.0;
      t.vibrato[d][i] =
          int32_t(std::lround(65536.0 * std::exp2(VIBRATO_CENTS[d] * bipolar / 1200.0)));
      t.tremolo[d][i] = uint16_t(std::lround(AM_DECIBELS[d] * unipolar / 0.09375));
    }
  }
  return t;
}

const render_tables& tables() {
  static const render_tables t = build_tables();
  return t;
}

inline int32_t gain(const render_tables& t, uint32_t attenuation) {
  return attenuation >= GAIN_SILENT ? 0 : t.gain[attenuation & 63] >> (attenuation >> 6);
}

inline uint32_t eg_increment(uint32_t rate, uint32_t counter) {
  if (rate < 48) {
    uint32_t shift = 11 - (rate >> 2);
    if (counter & ((1u << shift) - 1)) return 0;
    return EG_LOW[rate & 3][(counter >> shift) & 7];
  }
  if (rate >= 60) return 8;
  return (1u << ((rate >> 2) - 12)) << EG_HIGH[rate & 3][counter & 7];
}

// One envelope step; leaves the phase at WT_EG_OFF when the slot has gone silent.
inline void eg_step(wavetable_slot& s, uint32_t counter, int reverb) {
  if (s.eg_phase == WT_EG_DECAY1 && s.attenuation >= s.decay_level) s.eg_phase = WT_EG_DECAY2;
  uint32_t rate = s.rates[s.eg_phase];
  // Pseudo reverb: below -18 dB the decay and release tails slow to the reverb rate.
  if (reverb && (s.eg_phase == WT_EG_DECAY2 || s.eg_phase == WT_EG_RELEASE) && s.attenuation >= 192)
    rate = s.reverb_rate;
  if (rate == 0) return;
  int32_t att = s.attenuation;
  if (s.eg_phase == WT_EG_ATTACK) {
    if (rate >= 60) {
      att = 0;
    } else {
      uint32_t inc = eg_increment(rate, counter);
      if (inc == 0) return;
      att += (~att * int32_t(inc)) >> 4;
    }
    if (att <= 0) {
      att = 0;
      s.eg_phase = WT_EG_DECAY1;
    }
  } else {
    att += int32_t(eg_increment(rate, counter));
    if (att >= WT_ATTENUATION_MAX) {
      att = WT_ATTENUATION_MAX;
      if (s.eg_phase != WT_EG_DECAY1) s.eg_phase = WT_EG_OFF;
    }
  }
  s.attenuation = uint16_t(att);
}

// One sample, decoded to 16 bits.
int32_t fetch(const wavetable_slot& s, host_interface& host, uint32_t index) {
  auto byte = [&host](uint32_t address) -> uint32_t {
    return host.external_read(OPL4_ACCESS_PCM, address & WT_ADDRESS_MASK);
  };
  switch (s.format) {
    case 0:
      return int32_t(int8_t(byte(s.start + index))) * 256;
    case 1: {  // two samples in three bytes; the middle byte holds both low nibbles
      uint32_t base = s.start + (index >> 1) * 3;
      if (index & 1) return int16_t((byte(base + 2) << 8) | ((byte(base + 1) & 0x0F) << 4));
      return int16_t((byte(base) << 8) | (byte(base + 1) & 0xF0));
    }
    default: {
      uint32_t address = s.start + index * 2;
      return int16_t((byte(address) << 8) | byte(address + 1));
    }
  }
}

inline uint32_t next_index(const wavetable_slot& s, uint32_t index) {
  return index >= s.end ? s.loop : index + 1;
}

// Makes sample0/sample1 the samples at `index` and the one played after it.
inline void fill_cache(wavetable_slot& s, host_interface& host, uint32_t index) {
  if (s.cache_index != WT_NO_CACHE && next_index(s, s.cache_index) == index)
    s.sample0 = s.sample1;
  else
    s.sample0 = fetch(s, host, index);
  s.sample1 = fetch(s, host, next_index(s, index));
  s.cache_index = index;
}

// Past the end, playback continues at the loop point by the same distance.
inline void wrap_position(wavetable_slot& s) {
  uint32_t index = uint32_t(s.position >> WT_FRACTION_BITS);
  if (index <= s.end) return;
  uint64_t fraction = s.position & ((uint64_t(1) << WT_FRACTION_BITS) - 1);
  if (s.loop <= s.end)
    index = s.loop + (index - s.end - 1) % (uint32_t(s.end) + 1 - s.loop);
  else
    index = s.loop;
  s.position = (uint64_t(index) << WT_FRACTION_BITS) | fraction;
}

inline void glide(wavetable_slot& s, uint32_t target, uint64_t steps) {
  if (s.level < target)
    s.level = uint8_t(std::min<uint64_t>(target, s.level + steps));
  else if (s.level > target)
    s.level = uint8_t(s.level - std::min<uint64_t>(s.level - target, steps));
}

// A silent slot's LFO and level glide still run; nothing else changes.
void advance_idle(wavetable_slot& s, uint32_t lfo_increment, uint32_t target, uint64_t counter,
                  uint32_t samples) {
  s.lfo_phase = (s.lfo_phase + lfo_increment * samples) & LFO_MASK;
  uint64_t ticks = ((counter + samples + (1u << GLIDE_SHIFT) - 1) >> GLIDE_SHIFT) -
                   ((counter + (1u << GLIDE_SHIFT) - 1) >> GLIDE_SHIFT);
  glide(s, target, ticks);
}

}  // namespace

void wavetable_render(wavetable_state& wt, host_interface& host, render_block& block,
                      uint32_t samples) {
  const render_tables& t = tables();
  for (int n = 0; n < WT_SLOTS; n++) {
    wavetable_slot& s = wt.slots[n];
    uint8_t key = wt.regs[0x68 + n], lfo = wt.regs[0x80 + n];
    int lfo_hold = (key & 0x20) != 0;
    if (lfo_hold) s.lfo_phase = 0;
    uint32_t lfo_increment = lfo_hold ? 0 : LFO_INCREMENT[(lfo >> 3) & 7];
    uint32_t target = wt.regs[0x50 + n] >> 1;
    uint32_t i = 0;
    if (s.eg_phase != WT_EG_OFF) {
      int32_t* left = block.pcm[(key & 0x10) ? 0 : 2];
      int32_t* right = block.pcm[(key & 0x10) ? 1 : 3];
      const int32_t* vibrato = t.vibrato[lfo & 7];
      const uint16_t* tremolo = t.tremolo[wt.regs[0xE0 + n] & 7];
      int vibrating = (lfo & 7) != 0;
      int reverb = (wt.regs[0x38 + n] & 0x08) != 0;
      for (; i < samples; i++) {
        uint32_t counter = wt.eg_counter + i;
        s.lfo_phase = (s.lfo_phase + lfo_increment) & LFO_MASK;
        uint32_t lfo_index = s.lfo_phase >> LFO_INDEX_SHIFT;
        if ((counter & ((1u << GLIDE_SHIFT) - 1)) == 0) glide(s, target, 1);
        eg_step(s, counter, reverb);
        if (s.eg_phase == WT_EG_OFF) {
          i++;  // this sample's LFO and glide have run
          break;
        }
        uint32_t index = uint32_t(s.position >> WT_FRACTION_BITS);
        if (index != s.cache_index) fill_cache(s, host, index);
        int64_t fraction = int64_t(s.position & ((uint64_t(1) << WT_FRACTION_BITS) - 1));
        int64_t value = s.sample0 + (((s.sample1 - s.sample0) * fraction) >> WT_FRACTION_BITS);
        uint32_t att = s.attenuation + (uint32_t(s.level) << 2) + tremolo[lfo_index];
        left[i] += int32_t((value * gain(t, att + s.pan_left)) >> 16);
        right[i] += int32_t((value * gain(t, att + s.pan_right)) >> 16);
        uint64_t step = s.step;
        if (vibrating) step = (step * uint32_t(vibrato[lfo_index])) >> 16;
        s.position += step;
        wrap_position(s);
      }
    }
    if (i < samples)
      advance_idle(s, lfo_increment, target, uint64_t(wt.eg_counter) + i, samples - i);
  }
  wt.eg_counter += samples;
  wt.ld_samples = uint8_t(wt.ld_samples > samples ? wt.ld_samples - samples : 0);
}

}  // namespace opl4
