// The FM side of the YMF278B: its two 256-byte register arrays and the OPL3-class synthesiser
// behind them (18 two-operator channels, 4-operator pairs, rhythm mode, the LFOs) that renders
// the FM outputs A-D. The chip's control registers that live in these arrays (timers, NEW/NEW2)
// are interpreted by ymf278b.cpp; this module stores every register, keeps the voices' derived
// values in step with them (fm.cpp) and synthesises (fm_render.cpp). Routing and mix levels of
// the four outputs are the chip's.
#pragma once

#include <cstdint>

#include "opl4/render_block.h"
#include "opl4/saved_state.h"

namespace opl4 {

enum {
  FM_REGISTERS = 512,        // array 0 at 0x000-0x0FF, array 1 at 0x100-0x1FF
  FM_CHANNELS = 18,          // 9 per array
  FM_OPERATORS = 36,         // two per channel, operator 2c and 2c + 1 belong to channel c
  FM_PHASE_BITS = 19,        // phase accumulator: 10-bit wave position and 9 fraction bits
  FM_ENVELOPE_MAX = 511,     // envelope attenuation, 0.1875 dB per unit; 511 = silent
  FM_TREMOLO_STEPS = 210,    // positions of the tremolo triangle, one per 64 FM samples
  FM_STEPS_PER_CYCLE = 171,  // output samples per cycle of the rate converter ...
  FM_EXTRA_STEPS = 21,       // ... in which FM runs this many extra steps (768/684 = 192/171)
  FM_NOISE_MASK = 0x7FFFFF,  // 23-bit noise generator
};

// Envelope phases.
enum {
  FM_EG_ATTACK = 0,
  FM_EG_DECAY,    // towards the sustain level
  FM_EG_SUSTAIN,  // holds, or falls at the release rate when the sustain bit is clear
  FM_EG_RELEASE,
  FM_EG_PHASES
};

// How a channel's operators are rendered (fm_channel::voice).
enum {
  FM_VOICE_2OP = 0,  // two operators, connection from the channel's own bit
  FM_VOICE_4OP,      // first channel of a 4-operator pair: renders its partner's operators too
  FM_VOICE_PARTNER,  // second channel of a pair: rendered by the first
  FM_VOICE_RHYTHM,   // channels 6-8 of array 0 in rhythm mode
};

struct fm_operator {
  // --- running state, advanced per FM sample (saved)
  uint32_t phase;         // FM_PHASE_BITS bits; reset to 0 at key on
  uint16_t envelope;      // 0-FM_ENVELOPE_MAX
  uint8_t eg_phase;       // FM_EG_*
  uint8_t envelope_half;  // 0 or 1: half a step more attenuation, which slow attacks keep

  // --- derived from registers by fm.cpp (never saved; rebuilt after a load)
  uint8_t key;                  // bit 0 channel key on, bit 1 rhythm key on
  uint8_t waveform;             // 0-7 (0-3 without NEW)
  uint8_t tremolo;              // 0xFF when the AM bit is set, else 0: masks the tremolo
  uint8_t rates[FM_EG_PHASES];  // effective rate 0-63 of each phase, key scaling included
  uint16_t sustain_level;       // envelope value where decay gives way to sustain
  uint16_t level;               // total level and key-scale level, envelope units
  uint32_t increment[8];        // phase increment per FM sample at each vibrato position
};

struct fm_channel {
  // --- running state (saved)
  int16_t feedback[2];  // last two outputs of the first operator, newest first

  // --- derived from registers (never saved)
  uint8_t voice;           // FM_VOICE_*
  uint8_t algorithm;       // 2 operators: connection bit; 4 operators: both bits, first in bit 1
  uint8_t feedback_shift;  // 9 - feedback; 0 = no feedback
  uint8_t outputs;         // bit n = FM output n (A-D) enabled
};

struct fm_state {
  uint8_t regs[FM_REGISTERS];  // as last written; cleared at reset

  // --- running state of the whole engine (saved)
  uint32_t eg_counter;   // FM samples since reset; paces envelopes and both LFOs
  uint32_t noise;        // FM_NOISE_MASK bits, never 0
  uint8_t tremolo_step;  // 0 to FM_TREMOLO_STEPS - 1
  uint8_t converter;     // 0 to FM_STEPS_PER_CYCLE - 1: how far the last output lay past the
                         // FM sample it took, in 171ths of an FM sample
  int32_t last[4];       // outputs A-D of the latest FM sample, which the next output may take

  fm_operator ops[FM_OPERATORS];
  fm_channel channels[FM_CHANNELS];
};

void fm_reset(fm_state& fm);
// Stores one register write (address 0-0x1FF, already folded by the chip's mode) and applies
// it to the voices: new pitches, levels and rates, key on and off.
void fm_write(fm_state& fm, uint32_t address, uint8_t data);
// Adds `samples` output samples (at most OPL4_BLOCK) of the four FM outputs to the block's FM
// rows; FM runs 192 steps per 171 output samples and each output takes the latest FM sample
// before it, unblended.
void fm_render(fm_state& fm, render_block& block, uint32_t samples);
// Visits the saved fields; after a load the caller runs fm_sanitize.
void fm_save_restore(fm_state& fm, saved_state& state);
// Brings loaded values into range and rebuilds every derived field from the registers.
void fm_sanitize(fm_state& fm);

// Enters the decay phase, or the sustain phase when the envelope is already at the sustain
// level; internal to the engine's two files.
void fm_enter_decay(fm_operator& op);

}  // namespace opl4
