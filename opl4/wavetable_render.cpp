// Wavetable synthesis: per sample and slot, the LFO, the level glide, the envelope step, the
// sample fetch with linear interpolation, level and pan, and the advance of the position with
// its loop. Slots render one at a time over a whole block; every step depends only on the
// slot's own state and the sample counter, so a block gives exactly what single samples give.
// Register handling and the derived values used here are in wavetable.cpp.
#include <algorithm>
#include <cmath>

#include "opl4/envelope_patterns.h"
#include "opl4/wavetable.h"

namespace opl4 {

namespace {

enum {
  LFO_MASK = 0x3FFFF,     // LFO phase: 18 bits per period
  LFO_INDEX_SHIFT = 10,   // 256 positions of the LFO's triangle
  GAIN_SILENT = 17 * 64,  // attenuation at which the gain reaches 0
  QUIET_MIN = 8,          // shortest run of quiet samples worth its set-up (see quiet_samples)
};

// LFO period: 2^18 / increment samples (0.168 Hz to 7.07 Hz at the chip's nominal rate).
const uint32_t LFO_INCREMENT[8] = {1, 12, 19, 25, 31, 35, 37, 42};
const double VIBRATO_CENTS[8] = {0, 3.378, 5.065, 6.75, 10.114, 20.170, 40.108, 79.307};
const double AM_DECIBELS[8] = {0, 1.781, 2.906, 3.656, 4.406, 5.906, 7.406, 11.91};

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

// The hot part of a slot while it renders: plain scalars that the compiler keeps in registers
// (the slot record itself has arrays indexed at run time, which would keep it in memory).
struct voice {
  uint64_t position;
  uint32_t step, start, format, end, loop;
  uint32_t cache_index;
  int32_t sample0, sample1;
  uint32_t attenuation, eg_phase, level, lfo_phase;
  uint32_t pan_left, pan_right, decay_level;
};

voice voice_of(const wavetable_slot& s) {
  return {s.position,    s.step,     s.start,     s.format,      s.end,      s.loop,
          s.cache_index, s.sample0,  s.sample1,   s.attenuation, s.eg_phase, s.level,
          s.lfo_phase,   s.pan_left, s.pan_right, s.decay_level};
}

void store_voice(wavetable_slot& s, const voice& v) {
  s.position = v.position;
  s.cache_index = v.cache_index;
  s.sample0 = v.sample0;
  s.sample1 = v.sample1;
  s.attenuation = uint16_t(v.attenuation);
  s.eg_phase = uint8_t(v.eg_phase);
  s.level = uint8_t(v.level);
  s.lfo_phase = v.lfo_phase;
}

// The envelope's schedule for one rate: rates below 48 update when the counter's low `shift`
// bits are zero, with 0 or 1 from the low pattern; faster rates update every sample with
// 2^(rate / 4 - 12), doubled where the high pattern says so; 60 and up step by 8.
struct eg_schedule {
  uint32_t rate;  // 0 = the envelope holds
  uint32_t mask;  // update when (counter & mask) == 0
  uint32_t shift;
};

inline eg_schedule eg_schedule_for(const voice& v, const wavetable_slot& s, int reverb) {
  uint32_t rate = s.rates[v.eg_phase];
  // Pseudo reverb: below -18 dB the decay and release tails slow to the reverb rate.
  if (reverb && (v.eg_phase == WT_EG_DECAY2 || v.eg_phase == WT_EG_RELEASE) && v.attenuation >= 192)
    rate = s.reverb_rate;
  uint32_t shift = rate < 48 ? 11 - (rate >> 2) : 0;
  return {rate, (1u << shift) - 1, shift};
}

inline uint32_t eg_increment(const eg_schedule& e, uint32_t counter) {
  if (e.rate < 48) return OPL4_EG_LOW[e.rate & 3][(counter >> e.shift) & 7];
  if (e.rate >= 60) return 8;
  return (1u << ((e.rate >> 2) - 12)) << OPL4_EG_HIGH[e.rate & 3][counter & 7];
}

// Decay 1 ends as soon as the attenuation reaches the decay level.
inline void eg_check_decay_level(voice& v) {
  if (v.eg_phase == WT_EG_DECAY1 && v.attenuation >= v.decay_level) v.eg_phase = WT_EG_DECAY2;
}

// One envelope update at a counter value the schedule selects; leaves the phase at WT_EG_OFF
// when the slot has gone silent.
inline void eg_update(voice& v, const eg_schedule& e, uint32_t counter) {
  int32_t att = int32_t(v.attenuation);
  if (v.eg_phase == WT_EG_ATTACK) {
    if (e.rate >= 60)
      att = 0;
    else
      att += (~att * int32_t(eg_increment(e, counter))) >> 4;
    if (att <= 0) {
      att = 0;
      v.eg_phase = WT_EG_DECAY1;
    }
  } else {
    att += int32_t(eg_increment(e, counter));
    if (att >= WT_ATTENUATION_MAX) {
      att = WT_ATTENUATION_MAX;
      if (v.eg_phase != WT_EG_DECAY1) v.eg_phase = WT_EG_OFF;
    } else if (v.eg_phase == WT_EG_RELEASE && att >= WT_RELEASE_END) {
      v.eg_phase = WT_EG_OFF;  // the chip stops a released voice 48 dB down
    }
  }
  v.attenuation = uint32_t(att);
  eg_check_decay_level(v);
}

inline uint32_t byte_at(const uint8_t* copy, sample_memory& memory, uint32_t address) {
  address &= WT_ADDRESS_MASK;
  return copy ? copy[address] : memory.host->external_read(OPL4_ACCESS_PCM, address);
}

// One sample of format FORMAT, decoded to 16 bits, its bytes read through byte(address).
template <uint32_t FORMAT, typename Byte>
inline int32_t decode(const voice& v, uint32_t index, Byte byte) {
  if constexpr (FORMAT == 0) {
    return int32_t(int8_t(byte(v.start + index))) * 256;
  } else if constexpr (FORMAT == 1) {
    // Two samples in three bytes; the middle byte holds both low nibbles.
    uint32_t base = v.start + (index >> 1) * 3;
    uint32_t middle = byte(base + 1);
    if (index & 1) return int16_t((byte(base + 2) << 8) | ((middle & 0x0F) << 4));
    return int16_t((byte(base) << 8) | (middle & 0xF0));
  } else {
    uint32_t address = v.start + index * 2;
    return int16_t((byte(address) << 8) | byte(address + 1));
  }
}

// One sample, decoded to 16 bits. With the memory's copy, the slot's pages are already in it
// (wavetable.cpp loads them with the tone).
inline int32_t fetch(const uint8_t* copy, sample_memory& memory, const voice& v, uint32_t index) {
  const auto byte = [&](uint32_t address) { return byte_at(copy, memory, address); };
  switch (v.format) {
    case 0:
      return decode<0>(v, index, byte);
    case 1:
      return decode<1>(v, index, byte);
    default:
      return decode<2>(v, index, byte);
  }
}

// fetch for a format known at compile time, from the memory's copy.
template <uint32_t FORMAT>
inline int32_t fetch_copy(const uint8_t* copy, const voice& v, uint32_t index) {
  return decode<FORMAT>(
      v, index, [copy](uint32_t address) -> uint32_t { return copy[address & WT_ADDRESS_MASK]; });
}

inline uint32_t next_index(const voice& v, uint32_t index) {
  return index >= v.end ? v.loop : index + 1;
}

// Makes sample0/sample1 the samples at `index` and the one played after it.
inline void fill_cache(voice& v, const uint8_t* copy, sample_memory& memory, uint32_t index) {
  if (v.cache_index != WT_NO_CACHE && next_index(v, v.cache_index) == index)
    v.sample0 = v.sample1;
  else
    v.sample0 = fetch(copy, memory, v, index);
  v.sample1 = fetch(copy, memory, v, next_index(v, index));
  v.cache_index = index;
}

// Past the end, playback continues at the loop point by the same distance.
inline void wrap_position(voice& v) {
  uint32_t index = uint32_t(v.position >> WT_FRACTION_BITS);
  uint64_t fraction = v.position & ((uint64_t(1) << WT_FRACTION_BITS) - 1);
  if (v.loop <= v.end)
    index = v.loop + (index - v.end - 1) % (v.end + 1 - v.loop);
  else
    index = v.loop;
  v.position = (uint64_t(index) << WT_FRACTION_BITS) | fraction;
}

// The glide's pace: a level above its target (quieter) comes down every
// WT_GLIDE_LOUDER_SAMPLES samples, one below it goes up every WT_GLIDE_QUIETER_SAMPLES, counted
// from reset (`phase` is a sample's count since reset, modulo any multiple of both).
inline uint32_t glide_period(uint32_t level, uint32_t target) {
  return level > target ? uint32_t(WT_GLIDE_LOUDER_SAMPLES) : uint32_t(WT_GLIDE_QUIETER_SAMPLES);
}

// How many of the samples [phase, phase + samples) move a gliding level.
inline uint32_t glide_steps(uint32_t period, uint32_t phase, uint32_t samples) {
  return (phase + samples + period - 1) / period - (phase + period - 1) / period;
}

inline uint32_t glide(uint32_t level, uint32_t target, uint32_t steps) {
  if (level < target) return std::min(target, level + steps);
  if (level > target) return level - std::min(level - target, steps);
  return level;
}

// A silent slot's LFO and level glide still run; nothing else changes.
void advance_idle(wavetable_slot& s, uint32_t lfo_increment, uint32_t target, uint32_t phase,
                  uint32_t samples) {
  s.lfo_phase = (s.lfo_phase + lfo_increment * samples) & LFO_MASK;
  uint32_t steps = glide_steps(glide_period(s.level, target), phase, samples);
  s.level = uint8_t(glide(s.level, target, steps));
}

// What stays fixed while one slot renders one block.
struct slot_setup {
  int32_t* left;  // accumulator rows the slot adds to
  int32_t* right;
  const int32_t* vibrato;   // pitch factors of the slot's vibrato depth
  const uint16_t* tremolo;  // attenuations of the slot's AM depth
  uint32_t lfo_increment;
  uint32_t target;       // total level the level glides to
  uint32_t glide_phase;  // the glide's phase at the block's first sample
  int reverb;
};

// How many samples from sample `counter` on, at most `samples`, move nothing but the position:
// the level has reached its target (no glide), the envelope does not update (its schedule skips
// them) and the position stays within the end (no wrap, which the general step handles).
// Returns 0 for fewer than QUIET_MIN, which the general step renders as cheaply.
inline uint32_t quiet_samples(const voice& v, const eg_schedule& e, uint32_t counter,
                              uint32_t samples) {
  uint32_t n = samples;
  if (e.rate != 0) n = std::min(n, (0u - counter) & e.mask);
  if (n < QUIET_MIN) return 0;
  const uint64_t room = (uint64_t(v.end) + 1) << WT_FRACTION_BITS;
  if (v.position >= room) return 0;  // past the end (a loop point beyond it): wraps at once
  if (v.step != 0) {
    // The advance of the k-th sample (k from 1) wraps when position + k * step reaches the end.
    const uint64_t k = (room - v.position + v.step - 1) / v.step;
    n = uint32_t(std::min<uint64_t>(n, k - 1));
  }
  return n < QUIET_MIN ? 0 : n;
}

// Renders `n` quiet samples (see quiet_samples) into left[0..n) and right[0..n): what the
// general step does for them, without the parts that cannot apply.
template <uint32_t FORMAT>
void render_quiet(voice& v, const uint8_t* copy, int64_t gain_left, int64_t gain_right,
                  int32_t* __restrict left, int32_t* __restrict right, uint32_t n) {
  for (uint32_t i = 0; i < n; i++) {
    uint32_t index = uint32_t(v.position >> WT_FRACTION_BITS);
    if (index != v.cache_index) {
      if (v.cache_index != WT_NO_CACHE && next_index(v, v.cache_index) == index)
        v.sample0 = v.sample1;
      else
        v.sample0 = fetch_copy<FORMAT>(copy, v, index);
      v.sample1 = fetch_copy<FORMAT>(copy, v, next_index(v, index));
      v.cache_index = index;
    }
    int64_t fraction = int64_t(v.position & ((uint64_t(1) << WT_FRACTION_BITS) - 1));
    int64_t value = v.sample0 + (((v.sample1 - v.sample0) * fraction) >> WT_FRACTION_BITS);
    left[i] += int32_t((value * gain_left) >> 16);
    right[i] += int32_t((value * gain_right) >> 16);
    v.position += v.step;
  }
}

// Renders a sounding slot from sample `counter`; returns how many samples it rendered, fewer
// than `samples` when the slot fell silent. The LFO only runs here when the slot uses it.
template <bool VIBRATO, bool TREMOLO>
uint32_t render_slot(wavetable_slot& slot, const slot_setup p, sample_memory& memory,
                     const render_tables& t, uint32_t counter, uint32_t samples) {
  voice v = voice_of(slot);
  const uint8_t* copy = memory.copy;
  int32_t* __restrict left = p.left;
  int32_t* __restrict right = p.right;
  uint32_t rendered = samples;
  eg_check_decay_level(v);  // a register write may have moved the decay level
  eg_schedule e = eg_schedule_for(v, slot, p.reverb);
  uint32_t last_att = ~0u;  // the gains below belong to this total attenuation
  int64_t gain_left = 0, gain_right = 0;
  for (uint32_t i = 0; i < samples; i++, counter++) {
    // Without LFO, most samples are quiet: they render in a tight loop.
    if (!VIBRATO && !TREMOLO && copy && v.level == p.target) {
      const uint32_t n = quiet_samples(v, e, counter, samples - i);
      if (n) {
        const uint32_t att = v.attenuation + (v.level << 2);
        if (att != last_att) {
          gain_left = gain(t, att + v.pan_left);
          gain_right = gain(t, att + v.pan_right);
          last_att = att;
        }
        if (v.format == 0)
          render_quiet<0>(v, copy, gain_left, gain_right, left + i, right + i, n);
        else if (v.format == 1)
          render_quiet<1>(v, copy, gain_left, gain_right, left + i, right + i, n);
        else
          render_quiet<2>(v, copy, gain_left, gain_right, left + i, right + i, n);
        i += n;
        counter += n;
        if (i == samples) break;
      }
    }
    uint32_t lfo_index = 0;
    if (VIBRATO || TREMOLO) {
      v.lfo_phase = (v.lfo_phase + p.lfo_increment) & LFO_MASK;
      lfo_index = v.lfo_phase >> LFO_INDEX_SHIFT;
    }
    if (v.level != p.target && (p.glide_phase + i) % glide_period(v.level, p.target) == 0)
      v.level = glide(v.level, p.target, 1);
    if (e.rate != 0 && (counter & e.mask) == 0) {
      eg_update(v, e, counter);
      if (v.eg_phase == WT_EG_OFF) {
        rendered = i + 1;  // this sample's LFO and glide have run
        break;
      }
      e = eg_schedule_for(v, slot, p.reverb);
    }
    uint32_t index = uint32_t(v.position >> WT_FRACTION_BITS);
    if (index != v.cache_index) fill_cache(v, copy, memory, index);
    int64_t fraction = int64_t(v.position & ((uint64_t(1) << WT_FRACTION_BITS) - 1));
    int64_t value = v.sample0 + (((v.sample1 - v.sample0) * fraction) >> WT_FRACTION_BITS);
    uint32_t att = v.attenuation + (v.level << 2);
    if (TREMOLO) att += p.tremolo[lfo_index];
    if (att != last_att) {
      gain_left = gain(t, att + v.pan_left);
      gain_right = gain(t, att + v.pan_right);
      last_att = att;
    }
    left[i] += int32_t((value * gain_left) >> 16);
    right[i] += int32_t((value * gain_right) >> 16);
    if (VIBRATO)
      v.position += (uint64_t(v.step) * uint32_t(p.vibrato[lfo_index])) >> 16;
    else
      v.position += v.step;
    if ((v.position >> WT_FRACTION_BITS) > v.end) wrap_position(v);
  }
  if (!VIBRATO && !TREMOLO) v.lfo_phase = (v.lfo_phase + p.lfo_increment * rendered) & LFO_MASK;
  store_voice(slot, v);
  return rendered;
}

}  // namespace

void wavetable_render(wavetable_state& wt, sample_memory& memory, render_block& block,
                      uint32_t samples) {
  const render_tables& t = tables();
  for (int n = 0; n < WT_SLOTS; n++) {
    wavetable_slot& s = wt.slots[n];
    uint8_t key = wt.regs[0x68 + n], lfo = wt.regs[0x80 + n], am = wt.regs[0xE0 + n] & 7;
    int lfo_hold = (key & 0x20) != 0;
    if (lfo_hold) s.lfo_phase = 0;
    slot_setup p = {
        .left = block.pcm[(key & 0x10) ? 0 : 2],
        .right = block.pcm[(key & 0x10) ? 1 : 3],
        .vibrato = t.vibrato[lfo & 7],
        .tremolo = t.tremolo[am],
        .lfo_increment = lfo_hold ? 0 : LFO_INCREMENT[(lfo >> 3) & 7],
        .target = uint32_t(wt.regs[0x50 + n] >> 1),
        .glide_phase = wt.glide_phase,
        .reverb = (wt.regs[0x38 + n] & 0x08) != 0,
    };
    uint32_t counter = wt.eg_counter, done = 0;
    if (s.eg_phase != WT_EG_OFF) {
      int vibrato = (lfo & 7) != 0, tremolo = am != 0;
      if (vibrato && tremolo)
        done = render_slot<true, true>(s, p, memory, t, counter, samples);
      else if (vibrato)
        done = render_slot<true, false>(s, p, memory, t, counter, samples);
      else if (tremolo)
        done = render_slot<false, true>(s, p, memory, t, counter, samples);
      else
        done = render_slot<false, false>(s, p, memory, t, counter, samples);
    }
    if (done < samples)
      advance_idle(s, p.lfo_increment, p.target, p.glide_phase + done, samples - done);
  }
  wt.eg_counter += samples;
  wt.glide_phase = uint8_t((wt.glide_phase + samples) % WT_GLIDE_QUIETER_SAMPLES);
  wt.ld_samples = uint8_t(wt.ld_samples > samples ? wt.ld_samples - samples : 0);
}

}  // namespace opl4
