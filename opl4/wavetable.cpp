// Wavetable registers and slot state: register writes and reads, tone headers, key on and off,
// the memory access registers, the derived values each slot keeps (pitch step, envelope rates,
// pan), and save and restore. The per-sample synthesis is in wavetable_render.cpp.
#include "opl4/wavetable.h"

#include <algorithm>
#include <cstring>

namespace opl4 {

namespace {

// Slot register groups: register 0x08 + 24 * group + slot.
enum {
  GROUP_TONE = 0,     // 0x08: tone number bits 0-7 (writing loads the header)
  GROUP_FNUMBER = 1,  // 0x20: F-number bits 0-6, tone number bit 8
  GROUP_OCTAVE = 2,   // 0x38: octave, pseudo reverb, F-number bits 7-9
  GROUP_LEVEL = 3,    // 0x50: total level, level direct
  GROUP_KEY = 4,      // 0x68: key on, damp, LFO reset, output select, pan
  GROUP_LFO = 5,      // 0x80: LFO frequency, vibrato depth
  GROUP_AR_D1R = 6,   // 0x98
  GROUP_DL_D2R = 7,   // 0xB0
  GROUP_RC_RR = 8,    // 0xC8: rate correction, release rate
  GROUP_AM = 9,       // 0xE0: AM depth
  GROUP_COUNT = 10,
};

enum {
  REG_MEMORY_CONFIG = 0x02,   // bits 2-4 header bank for tones 384-511, bits 5-7 read the device ID
  REG_MEMORY_ADDRESS = 0x03,  // 0x03-0x05: address bits 21-16, 15-8, 7-0
  REG_MEMORY_DATA = 0x06,
  REG_SLOTS = 0x08,
  DEVICE_ID_BITS = 0x20,  // bits 5-7 = 001
  DAMP_RATE = 63,         // a damped slot falls at the fastest rate, 0.75 dB a sample
  REVERB_RATE = 5,        // 4-bit rate of the pseudo-reverb tail
  PAN_SILENT = 0x1000,    // attenuation past anything audible
};

constexpr int REG_SLOTS_END = REG_SLOTS + GROUP_COUNT * int(WT_SLOTS);  // 0xF8: mix levels follow

uint8_t& slot_reg(wavetable_state& wt, int group, int slot) {
  return wt.regs[REG_SLOTS + group * WT_SLOTS + slot];
}

// Envelope rate with key scaling: 4 x rate + a correction from the octave and F-number bit 9,
// scaled by the rate correction (15 = none). Rate 0 never moves.
uint8_t effective_rate(int rate, int correction, int octave, int fnumber) {
  if (rate == 0) return 0;
  int bonus = 0;
  if (correction != 15) bonus = std::clamp((octave + correction) * 2 + ((fnumber >> 9) & 1), 0, 15);
  return uint8_t(std::min(63, rate * 4 + bonus));
}

// Pan attenuation in envelope units, 3 dB (32 units) per step, 7 steps and more silent.
uint16_t pan_attenuation(int steps) {
  return uint16_t(steps >= 7 ? int(PAN_SILENT) : steps * 32);
}

// The pan field is a signed 4-bit value: 1 to 7 turn the left side down, -1 to -7 the right
// side, and -8 silences both.
void set_pan(wavetable_slot& s, uint8_t key) {
  const int pan = (key & 7) - (key & 8);
  s.pan_left = pan_attenuation(pan == -8 ? 8 : std::max(pan, 0));
  s.pan_right = pan_attenuation(std::max(-pan, 0));
}

uint32_t memory_address(const wavetable_state& wt) {
  return (uint32_t(wt.regs[REG_MEMORY_ADDRESS] & 0x3F) << 16) |
         (uint32_t(wt.regs[REG_MEMORY_ADDRESS + 1]) << 8) | wt.regs[REG_MEMORY_ADDRESS + 2];
}

void advance_memory_address(wavetable_state& wt) {
  uint32_t next = (memory_address(wt) + 1) & WT_ADDRESS_MASK;
  wt.regs[REG_MEMORY_ADDRESS] = uint8_t((wt.regs[REG_MEMORY_ADDRESS] & 0xC0) | (next >> 16));
  wt.regs[REG_MEMORY_ADDRESS + 1] = uint8_t(next >> 8);
  wt.regs[REG_MEMORY_ADDRESS + 2] = uint8_t(next);
}

// Readies every byte the slot can play: samples 0 to the end, or to the loop point when a
// damaged header puts it past the end.
void prepare_samples(const wavetable_slot& s, sample_memory& memory) {
  uint32_t samples = uint32_t(std::max(s.end, s.loop)) + 1;
  uint32_t bytes = s.format == 0 ? samples : s.format == 1 ? (samples + 1) / 2 * 3 : samples * 2;
  sample_memory_prepare(memory, s.start, bytes);
}

// A tone-number write: read the tone's 12-byte header and set the slot up to play it.
void load_header(wavetable_state& wt, sample_memory& memory, int n) {
  wavetable_slot& s = wt.slots[n];
  uint32_t tone = (uint32_t(slot_reg(wt, GROUP_FNUMBER, n) & 1) << 8) | slot_reg(wt, GROUP_TONE, n);
  uint32_t address = tone * WT_HEADER_BYTES;
  uint32_t bank = (wt.regs[REG_MEMORY_CONFIG] >> 2) & 7;
  if (tone >= 384 && bank != 0) address = (bank << 19) + (tone - 384) * WT_HEADER_BYTES;
  uint8_t h[WT_HEADER_BYTES];
  for (uint32_t i = 0; i < WT_HEADER_BYTES; i++) h[i] = sample_memory_read(memory, address + i);

  s.format = h[0] >> 6;
  s.start = (uint32_t(h[0] & 0x3F) << 16) | (uint32_t(h[1]) << 8) | h[2];
  s.loop = uint16_t((h[3] << 8) | h[4]);
  s.end = uint16_t(~((h[5] << 8) | h[6]));  // stored as the ones' complement
  slot_reg(wt, GROUP_LFO, n) = h[7] & 0x3F;
  slot_reg(wt, GROUP_AR_D1R, n) = h[8];
  slot_reg(wt, GROUP_DL_D2R, n) = h[9];
  slot_reg(wt, GROUP_RC_RR, n) = h[10];
  slot_reg(wt, GROUP_AM, n) = h[11] & 7;
  s.position = 0;
  s.cache_index = WT_NO_CACHE;
  wt.ld_samples = WT_LD_SAMPLES;
  prepare_samples(s, memory);
}

void key_on(wavetable_state& wt, int n) {
  wavetable_slot& s = wt.slots[n];
  s.position = 0;
  s.cache_index = WT_NO_CACHE;
  s.eg_phase = WT_EG_ATTACK;
  if (s.rates[WT_EG_ATTACK] >= 60) {  // the fastest attacks start at full level
    s.attenuation = 0;
    s.eg_phase = WT_EG_DECAY1;
  }
}

// The key register: damp overrides the key; otherwise a rising key bit starts the note and a
// falling one releases it.
void key_control(wavetable_state& wt, int n, uint8_t before, uint8_t after) {
  wavetable_slot& s = wt.slots[n];
  if (after & 0x40) {
    if (s.eg_phase != WT_EG_OFF) s.eg_phase = WT_EG_DAMP;
  } else if ((after & 0x80) && !(before & 0x80)) {
    key_on(wt, n);
  } else if (!(after & 0x80) && (before & 0x80)) {
    if (s.eg_phase != WT_EG_OFF && s.eg_phase != WT_EG_DAMP) s.eg_phase = WT_EG_RELEASE;
  }
}

}  // namespace

void wavetable_refresh_slot(wavetable_state& wt, int n) {
  wavetable_slot& s = wt.slots[n];
  int octave = int8_t(slot_reg(wt, GROUP_OCTAVE, n)) >> 4;  // signed 4-bit
  int fnumber = ((slot_reg(wt, GROUP_OCTAVE, n) & 7) << 7) | (slot_reg(wt, GROUP_FNUMBER, n) >> 1);
  // 2^(octave - 1) x (1024 + F) / 1024 samples per output sample. The chip keeps 16 fraction
  // bits of (1024 + F) << (octave + 7) >> 2, so the two lowest octaves lose low bits.
  const uint32_t base = uint32_t(1024 + fnumber);
  const uint32_t pitch = (octave >= -7 ? base << (octave + 7) : base >> 1) >> 2;
  s.step = pitch << (WT_FRACTION_BITS - 16);

  int correction = slot_reg(wt, GROUP_RC_RR, n) >> 4;
  uint8_t ar_d1r = slot_reg(wt, GROUP_AR_D1R, n), dl_d2r = slot_reg(wt, GROUP_DL_D2R, n);
  s.rates[WT_EG_OFF] = 0;
  s.rates[WT_EG_ATTACK] = effective_rate(ar_d1r >> 4, correction, octave, fnumber);
  s.rates[WT_EG_DECAY1] = effective_rate(ar_d1r & 15, correction, octave, fnumber);
  s.rates[WT_EG_DECAY2] = effective_rate(dl_d2r & 15, correction, octave, fnumber);
  s.rates[WT_EG_RELEASE] =
      effective_rate(slot_reg(wt, GROUP_RC_RR, n) & 15, correction, octave, fnumber);
  s.rates[WT_EG_DAMP] = DAMP_RATE;
  s.reverb_rate = effective_rate(REVERB_RATE, correction, octave, fnumber);
  int dl = dl_d2r >> 4;
  s.decay_level = uint16_t((dl == 15 ? 31 : dl) << 5);  // 3 dB steps, 15 = 93 dB

  set_pan(s, slot_reg(wt, GROUP_KEY, n));
}

void wavetable_reset(wavetable_state& wt) {
  std::memset(&wt, 0, sizeof wt);
  for (int n = 0; n < WT_SLOTS; n++) {
    wt.slots[n].attenuation = WT_ATTENUATION_MAX;
    wt.slots[n].eg_phase = WT_EG_OFF;
    wt.slots[n].level = 127;  // the quietest: a first note without level direct fades in
    wt.slots[n].cache_index = WT_NO_CACHE;
    wavetable_refresh_slot(wt, n);
  }
}

void wavetable_write(wavetable_state& wt, sample_memory& memory, uint8_t reg, uint8_t data) {
  if (reg == REG_MEMORY_DATA) {
    sample_memory_write(memory, memory_address(wt), data);
    advance_memory_address(wt);
    for (wavetable_slot& s : wt.slots) s.cache_index = WT_NO_CACHE;  // decoded samples may be stale
    return;
  }
  uint8_t before = wt.regs[reg];
  wt.regs[reg] = data;
  if (reg < REG_SLOTS || reg >= REG_SLOTS_END) return;
  int group = (reg - REG_SLOTS) / WT_SLOTS, n = (reg - REG_SLOTS) % WT_SLOTS;
  switch (group) {
    case GROUP_TONE:
      load_header(wt, memory, n);
      break;
    case GROUP_LEVEL:
      if (data & 1) wt.slots[n].level = data >> 1;  // level direct: no glide
      break;
    case GROUP_KEY:
      wavetable_refresh_slot(wt, n);  // the attack rate of a key on must be current
      // A slot keyed on with no tone loaded since reset plays from address 0, which no tone
      // write has readied.
      prepare_samples(wt.slots[n], memory);
      key_control(wt, n, before, data);
      break;
    default:
      break;
  }
  wavetable_refresh_slot(wt, n);
}

uint8_t wavetable_read(wavetable_state& wt, sample_memory& memory, uint8_t reg) {
  if (reg == REG_MEMORY_CONFIG) return uint8_t((wt.regs[reg] & 0x1F) | DEVICE_ID_BITS);
  if (reg == REG_MEMORY_DATA) {
    uint8_t value = sample_memory_read(memory, memory_address(wt));
    advance_memory_address(wt);
    return value;
  }
  return wt.regs[reg];
}

void wavetable_save_restore(wavetable_state& wt, saved_state& state) {
  state.save_restore(wt.regs, sizeof wt.regs);
  state.save_restore(wt.eg_counter);
  state.save_restore(wt.ld_samples);
  for (wavetable_slot& s : wt.slots) {
    state.save_restore(s.start);
    state.save_restore(s.loop);
    state.save_restore(s.end);
    state.save_restore(s.format);
    state.save_restore(s.position);
    state.save_restore(s.attenuation);
    state.save_restore(s.eg_phase);
    state.save_restore(s.level);
    state.save_restore(s.lfo_phase);
  }
  state.save_restore(wt.glide_phase);
}

void wavetable_sanitize(wavetable_state& wt, sample_memory& memory) {
  wt.ld_samples = std::min<uint8_t>(wt.ld_samples, WT_LD_SAMPLES);
  wt.glide_phase %= WT_GLIDE_QUIETER_SAMPLES;
  for (int n = 0; n < WT_SLOTS; n++) {
    wavetable_slot& s = wt.slots[n];
    s.start &= WT_ADDRESS_MASK;
    s.format &= 3;
    s.position &= (uint64_t(1) << (16 + WT_FRACTION_BITS)) - 1;
    if ((s.position >> WT_FRACTION_BITS) > std::max(s.end, s.loop))  // outside what it can play
      s.position = uint64_t(s.loop) << WT_FRACTION_BITS;
    s.attenuation = std::min<uint16_t>(s.attenuation, WT_ATTENUATION_MAX);
    if (s.eg_phase >= WT_EG_PHASES) s.eg_phase = WT_EG_OFF;
    s.level &= 0x7F;
    s.lfo_phase &= 0x3FFFF;
    s.cache_index = WT_NO_CACHE;
    wavetable_refresh_slot(wt, n);
    prepare_samples(s, memory);
  }
}

}  // namespace opl4
