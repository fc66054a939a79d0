// FM registers and voice set-up (see fm.h): decoding writes to the two register arrays, keeping
// each operator's derived values (phase increments with vibrato, levels with key scaling,
// envelope rates) and each channel's voice kind, connection and output bits in step with them,
// key on and off from the channel and rhythm key bits, and save and restore. The per-sample
// synthesis is in fm_render.cpp.
#include <algorithm>
#include <cstring>

#include "opl4/fm.h"

namespace opl4 {

namespace {

enum {
  REG_NOTE_SELECT = 0x008,  // bit 6: key scaling follows F-number bit 8 instead of bit 9
  REG_RHYTHM = 0x0BD,       // bit 7 tremolo depth, 6 vibrato depth, 5 rhythm, 4-0 drum keys
  REG_PAIRS = 0x104,        // bits 0-5: channels 0+3, 1+4, 2+5, 9+12, 10+13, 11+14 in 4 operators
  REG_MODE = 0x105,         // bit 0 NEW
  MODE_NEW = 0x01,
  RHYTHM_ON = 0x20,
  VIBRATO_DEEP = 0x40,
  KEY_CHANNEL = 1,  // fm_operator::key bits
  KEY_RHYTHM = 2,
  ATTACK_INSTANT = 60,  // attack rates from here on start a note at full level
  // Beyond the sum of all voices' outputs (18 channels, at most four times an operator's
  // largest value each): no restored output can lie past it.
  OUTPUT_LIMIT = 1 << 20,
};

// Frequency multiplier x 2 (the setting 0 is one half).
const uint8_t MULTIPLIER_X2[16] = {1, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 20, 24, 24, 30, 30};
// Key-scale attenuation by the top four F-number bits, 0.75 dB units, less 6 dB for each block
// below 8.
const uint8_t KEY_SCALE_LEVEL[16] = {0, 32, 40, 45, 48, 51, 53, 55, 56, 58, 59, 60, 61, 62, 63, 64};
// Right shift of the 6 dB/octave key-scale attenuation per KSL setting: 0, 3, 1.5, 6 dB/octave.
const uint8_t KEY_SCALE_SHIFT[4] = {8, 1, 2, 0};
// Vibrato offset per LFO position, in quarters of the F-number's top three bits; the second
// half of the LFO period lowers the pitch by the same amounts.
const uint8_t VIBRATO_QUARTERS[4] = {0, 2, 4, 2};
// Rhythm key bits of 0xBD per operator of channels 6-8: bass drum on both operators of 6,
// hi-hat and snare drum on 7, tom-tom and top cymbal on 8.
const uint8_t RHYTHM_KEY[6] = {0x10, 0x10, 0x01, 0x08, 0x04, 0x02};

int is_new(const fm_state& fm) {
  return (fm.regs[REG_MODE] & MODE_NEW) != 0;
}

int rhythm_on(const fm_state& fm) {
  return (fm.regs[REG_RHYTHM] & RHYTHM_ON) != 0;
}

// The first channel of the 4-operator pair that `channel` belongs to, or -1.
int pair_first(const fm_state& fm, int channel) {
  if (!is_new(fm)) return -1;
  int k = channel % 9, first = channel - (k >= 3 ? 3 : 0);
  if (k >= 6) return -1;
  int bit = (first % 9) + (first >= 9 ? 3 : 0);
  return (fm.regs[REG_PAIRS] >> bit) & 1 ? first : -1;
}

uint32_t array_base(int channel) {
  return channel >= 9 ? 0x100 : 0;
}

// Offset within an operator register group (0x20, 0x40, ...) of a channel's operator 0 or 1.
uint32_t operator_offset(int channel, int slot) {
  int k = channel % 9;
  return uint32_t((k / 3) * 8 + k % 3 + slot * 3);
}

uint32_t fnumber(const fm_state& fm, int channel) {
  uint32_t base = array_base(channel) + channel % 9;
  return (uint32_t(fm.regs[base + 0xB0] & 3) << 8) | fm.regs[base + 0xA0];
}

uint32_t block_of(const fm_state& fm, int channel) {
  return (fm.regs[array_base(channel) + 0xB0 + channel % 9] >> 2) & 7;
}

uint8_t effective_rate(uint32_t rate, uint32_t key_scale) {
  return rate == 0 ? 0 : uint8_t(std::min<uint32_t>(63, rate * 4 + key_scale));
}

// Derived values of one operator, from its registers and the frequency of `pitch_channel` (its
// own channel, or the first channel of its 4-operator pair).
void refresh_operator(fm_state& fm, fm_operator& op, uint32_t base, uint32_t offset,
                      int pitch_channel) {
  uint8_t flags = fm.regs[base + 0x20 + offset], levels = fm.regs[base + 0x40 + offset];
  uint8_t ar_dr = fm.regs[base + 0x60 + offset], sl_rr = fm.regs[base + 0x80 + offset];
  uint32_t fnum = fnumber(fm, pitch_channel), block = block_of(fm, pitch_channel);

  uint32_t multiplier = MULTIPLIER_X2[flags & 15];
  int vibrato = (flags & 0x40) != 0, deep = (fm.regs[REG_RHYTHM] & VIBRATO_DEEP) != 0;
  for (uint32_t position = 0; position < 8; position++) {
    uint32_t swing = vibrato ? ((fnum >> 7) * VIBRATO_QUARTERS[position & 3]) >> (deep ? 2 : 3) : 0;
    uint32_t shifted = position < 4 ? fnum + swing : fnum - swing;
    op.increment[position] = ((shifted << block) >> 1) * multiplier >> 1;
  }

  int32_t key_scale_level = KEY_SCALE_LEVEL[fnum >> 6] * 4 - int32_t(8 - block) * 32;
  op.level = uint16_t(((levels & 0x3F) << 2) +
                      (std::max(key_scale_level, 0) >> KEY_SCALE_SHIFT[levels >> 6]));

  uint32_t note = (fm.regs[REG_NOTE_SELECT] & 0x40) ? (fnum >> 8) & 1 : fnum >> 9;
  uint32_t key_scale = (block << 1) | note;
  if (!(flags & 0x10)) key_scale >>= 2;
  op.rates[FM_EG_ATTACK] = effective_rate(ar_dr >> 4, key_scale);
  op.rates[FM_EG_DECAY] = effective_rate(ar_dr & 15, key_scale);
  op.rates[FM_EG_RELEASE] = effective_rate(sl_rr & 15, key_scale);
  op.rates[FM_EG_SUSTAIN] = (flags & 0x20) ? 0 : op.rates[FM_EG_RELEASE];
  uint32_t sustain = sl_rr >> 4;
  op.sustain_level = uint16_t((sustain == 15 ? 31 : sustain) << 4);  // 3 dB steps, 15 = 93 dB
  if (op.eg_phase == FM_EG_DECAY) fm_enter_decay(op);  // a new level may already be reached

  op.tremolo = (flags & 0x80) ? 0xFF : 0;
  op.waveform = fm.regs[base + 0xE0 + offset] & (is_new(fm) ? 7 : 3);
}

void refresh_channel(fm_state& fm, int c) {
  fm_channel& ch = fm.channels[c];
  int first = pair_first(fm, c);
  uint8_t control = fm.regs[array_base(c) + 0xC0 + c % 9];
  if (first < 0) {
    ch.voice = (c >= 6 && c <= 8 && rhythm_on(fm)) ? FM_VOICE_RHYTHM : FM_VOICE_2OP;
    ch.algorithm = control & 1;
  } else if (first == c) {
    ch.voice = FM_VOICE_4OP;
    ch.algorithm = uint8_t(((control & 1) << 1) | (fm.regs[array_base(c) + 0xC3 + c % 9] & 1));
  } else {
    ch.voice = FM_VOICE_PARTNER;
    ch.algorithm = 0;
  }
  int feedback = (control >> 1) & 7;
  ch.feedback_shift = uint8_t(feedback ? 9 - feedback : 0);
  // Outside NEW mode every channel plays on outputs A and B.
  ch.outputs = is_new(fm) ? uint8_t(control >> 4) : 0x3;

  int pitch = first < 0 ? c : first;
  for (int slot = 0; slot < 2; slot++)
    refresh_operator(fm, fm.ops[2 * c + slot], array_base(c), operator_offset(c, slot), pitch);
}

void refresh_all(fm_state& fm) {
  for (int c = 0; c < FM_CHANNELS; c++) refresh_channel(fm, c);
}

void key_on(fm_operator& op) {
  op.phase = 0;
  op.eg_phase = FM_EG_ATTACK;
  if (op.rates[FM_EG_ATTACK] >= ATTACK_INSTANT) {
    op.envelope = 0;
    fm_enter_decay(op);
  }
}

// Recomputes every operator's key bits; with `apply`, a key going on starts the note and a key
// going off releases it. A 4-operator pair takes its key from its first channel.
void update_keys(fm_state& fm, int apply) {
  for (int c = 0; c < FM_CHANNELS; c++) {
    int first = pair_first(fm, c), pitch = first < 0 ? c : first;
    uint8_t channel_key = (fm.regs[array_base(pitch) + 0xB0 + pitch % 9] & 0x20) ? KEY_CHANNEL : 0;
    for (int slot = 0; slot < 2; slot++) {
      fm_operator& op = fm.ops[2 * c + slot];
      uint8_t key = channel_key;
      if (c >= 6 && c <= 8 && rhythm_on(fm) &&
          (fm.regs[REG_RHYTHM] & RHYTHM_KEY[2 * (c - 6) + slot]))
        key |= KEY_RHYTHM;
      if (apply && key && !op.key) key_on(op);
      if (apply && !key && op.key) op.eg_phase = FM_EG_RELEASE;
      op.key = key;
    }
  }
}

}  // namespace

void fm_enter_decay(fm_operator& op) {
  op.envelope_half = 0;
  op.eg_phase = op.envelope >= op.sustain_level ? FM_EG_SUSTAIN : FM_EG_DECAY;
}

void fm_reset(fm_state& fm) {
  std::memset(&fm, 0, sizeof fm);
  fm.noise = 1;
  for (fm_operator& op : fm.ops) {
    op.envelope = FM_ENVELOPE_MAX;
    op.eg_phase = FM_EG_RELEASE;
  }
  refresh_all(fm);
}

void fm_write(fm_state& fm, uint32_t address, uint8_t data) {
  address &= FM_REGISTERS - 1;
  fm.regs[address] = data;
  uint32_t reg = address & 0xFF, array = address >> 8;
  if (address == REG_NOTE_SELECT || address == REG_RHYTHM || address == REG_PAIRS ||
      address == REG_MODE) {
    refresh_all(fm);
    update_keys(fm, 1);
    return;
  }
  int channel = -1, keys = 0;
  if (reg >= 0x20 && reg < 0xA0 && (reg & 0x1F) < 0x16 && (reg & 7) < 6) {
    channel = int(array * 9 + ((reg & 0x1F) >> 3) * 3 + (reg & 7) % 3);
  } else if (reg >= 0xE0 && reg < 0xF6 && (reg & 7) < 6) {
    channel = int(array * 9 + ((reg - 0xE0) >> 3) * 3 + (reg & 7) % 3);
  } else if ((reg >= 0xA0 && reg < 0xA9) || (reg >= 0xB0 && reg < 0xB9) ||
             (reg >= 0xC0 && reg < 0xC9)) {
    channel = int(array * 9 + (reg & 0x0F));
    keys = reg >= 0xB0 && reg < 0xB9;
  }
  if (channel < 0) return;
  // A pair shares pitch, key and connection: refresh both of its channels.
  int first = pair_first(fm, channel);
  if (first >= 0) {
    refresh_channel(fm, first);
    refresh_channel(fm, first + 3);
  } else {
    refresh_channel(fm, channel);
  }
  if (keys) update_keys(fm, 1);
}

void fm_save_restore(fm_state& fm, saved_state& state) {
  state.save_restore(fm.regs, sizeof fm.regs);
  state.save_restore(fm.eg_counter);
  state.save_restore(fm.noise);
  state.save_restore(fm.tremolo_step);
  state.save_restore(fm.converter);
  for (int32_t& value : fm.last) {
    uint32_t bits = uint32_t(value);
    state.save_restore(bits);
    value = int32_t(bits);
  }
  for (fm_operator& op : fm.ops) {
    state.save_restore(op.phase);
    state.save_restore(op.envelope);
    state.save_restore(op.eg_phase);
    state.save_restore(op.envelope_half);
  }
  for (fm_channel& ch : fm.channels) {
    for (int16_t& value : ch.feedback) {
      uint16_t bits = uint16_t(value);
      state.save_restore(bits);
      value = int16_t(bits);
    }
  }
}

void fm_sanitize(fm_state& fm) {
  fm.noise &= FM_NOISE_MASK;
  if (fm.noise == 0) fm.noise = 1;  // the generator never reaches 0
  if (fm.tremolo_step >= FM_TREMOLO_STEPS) fm.tremolo_step = 0;
  if (fm.converter >= FM_STEPS_PER_CYCLE) fm.converter = 0;
  for (int32_t& value : fm.last) value = std::clamp<int32_t>(value, -OUTPUT_LIMIT, OUTPUT_LIMIT);
  for (fm_operator& op : fm.ops) {
    op.phase &= (1u << FM_PHASE_BITS) - 1;
    op.envelope = std::min<uint16_t>(op.envelope, FM_ENVELOPE_MAX);
    if (op.eg_phase >= FM_EG_PHASES) op.eg_phase = FM_EG_RELEASE;
    op.envelope_half &= 1;
  }
  refresh_all(fm);
  update_keys(fm, 0);
}

}  // namespace opl4
