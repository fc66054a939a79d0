// The YMF278B's wavetable engine: 24 slots that play 8-, 12- or 16-bit samples from the external
// sample memory, each with its own pitch, envelope, LFO, level and pan, and the register file
// through which the game drives them (tone headers, memory access, mix levels). wavetable.cpp
// handles registers, headers and state; wavetable_render.cpp the per-sample synthesis. Ports,
// status and busy times belong to the chip (ymf278b.cpp).
#pragma once

#include <cstdint>

#include "opl4/render_block.h"
#include "opl4/sample_memory.h"
#include "opl4/saved_state.h"

namespace opl4 {

enum {
  WT_SLOTS = 24,
  WT_FRACTION_BITS = 19,       // fraction bits of a slot's sample position and step
  WT_ATTENUATION_MAX = 1023,   // envelope attenuation, 0.09375 dB per step; 1023 = silent
  WT_RELEASE_END = 512,        // 48 dB: a released slot stops here
  WT_LD_SAMPLES = 13,          // samples the LD status bit stays set after a tone-number write
  WT_HEADER_BYTES = 12,        // per tone in the sample memory
  WT_ADDRESS_MASK = 0x3FFFFF,  // the sample memory's 22-bit byte address
  // Without level direct a slot's level glides one total-level step (0.375 dB) at a time: every
  // 27 samples towards louder, every 54 towards quieter (127 steps take about 6,850 samples).
  WT_GLIDE_LOUDER_SAMPLES = 27,
  WT_GLIDE_QUIETER_SAMPLES = 54,  // also the cycle of wavetable_state::glide_phase
};

constexpr uint32_t WT_NO_CACHE = 0xFFFFFFFFu;  // wavetable_slot::cache_index when empty

// Envelope phases.
enum {
  WT_EG_OFF = 0,  // silent, nothing fetched
  WT_EG_ATTACK,
  WT_EG_DECAY1,  // towards the decay level
  WT_EG_DECAY2,
  WT_EG_RELEASE,
  WT_EG_DAMP,  // forced decay at the fastest rate
  WT_EG_PHASES
};

struct wavetable_slot {
  // --- from the tone header, loaded by a tone-number write
  uint32_t start;  // byte address of the first sample, 22 bits
  uint16_t loop;   // sample offset the playback returns to
  uint16_t end;    // sample offset of the last sample
  uint8_t format;  // 0 8-bit, 1 12-bit, 2 (and 3) 16-bit

  // --- playback, advanced per sample
  uint64_t position;     // sample offset << WT_FRACTION_BITS | fraction
  uint16_t attenuation;  // envelope, 0-WT_ATTENUATION_MAX
  uint8_t eg_phase;      // WT_EG_*
  uint8_t level;         // total level in effect, 0-127 (127 after reset); glides to the
                         // register's when not direct
  uint32_t lfo_phase;    // 18 bits; one LFO period per 2^18

  // --- derived from registers (recomputed by wavetable_refresh_slot, never saved)
  uint32_t step;                // position increment per sample without vibrato
  uint8_t rates[WT_EG_PHASES];  // effective envelope rate 0-63 of each phase
  uint8_t reverb_rate;          // rate of the pseudo-reverb tail
  uint16_t decay_level;         // attenuation at which decay 1 gives way to decay 2
  uint16_t pan_left;            // pan attenuation, envelope units
  uint16_t pan_right;

  // --- decoded samples at cache_index and the one after it (never saved)
  uint32_t cache_index;  // WT_NO_CACHE when empty
  int32_t sample0;
  int32_t sample1;
};

struct wavetable_state {
  uint8_t regs[256];    // register file as written; 0x03-0x05 hold the memory address
  uint32_t eg_counter;  // samples generated since reset; drives the envelopes
  uint8_t ld_samples;   // samples until LD clears, 0-WT_LD_SAMPLES
  uint8_t glide_phase;  // samples since reset modulo WT_GLIDE_QUIETER_SAMPLES; paces the glides
  wavetable_slot slots[WT_SLOTS];
};

void wavetable_reset(wavetable_state& wt);
void wavetable_write(wavetable_state& wt, sample_memory& memory, uint8_t reg, uint8_t data);
// Reading the memory data register advances the memory address; other registers read back.
uint8_t wavetable_read(wavetable_state& wt, sample_memory& memory, uint8_t reg);
// Adds `samples` (at most OPL4_BLOCK) samples of every sounding slot to the block's rows.
void wavetable_render(wavetable_state& wt, sample_memory& memory, render_block& block,
                      uint32_t samples);
// Visits the saved fields; after a load the caller runs wavetable_sanitize.
void wavetable_save_restore(wavetable_state& wt, saved_state& state);
// Brings loaded values into range, recomputes every slot's derived fields and readies the
// memory the slots play.
void wavetable_sanitize(wavetable_state& wt, sample_memory& memory);

// Recomputes a slot's derived fields from the registers; internal to the engine's two files.
void wavetable_refresh_slot(wavetable_state& wt, int slot);

}  // namespace opl4
