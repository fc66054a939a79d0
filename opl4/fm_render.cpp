// FM synthesis: the chip's log-sine and exponent tables with the eight waveforms, the envelope
// generator's rate counter, the tremolo and vibrato LFOs, the noise generator, operator
// feedback and modulation for 2- and 4-operator voices and the rhythm instruments, and the rate
// converter that turns FM samples (clock / 684) into output samples (clock / 768). A block
// first lays out its FM samples, then renders voice by voice over all of them, then
// interpolates the outputs; every step depends only on saved state, so a block gives exactly
// what single samples give. Registers and derived values are fm.cpp's.
#include <cmath>
#include <cstring>

#include "opl4/fm.h"

namespace opl4 {

namespace {

enum {
  MAX_STEPS = 2 * OPL4_BLOCK,  // FM samples per block, with room to spare
  PHASE_MASK = (1 << FM_PHASE_BITS) - 1,
  EXP_ENTRIES = 12 * 256,  // attenuations past 12 octaves give 0
  AUDIBLE_LEVEL = EXP_ENTRIES / 8,  // envelope attenuation from which an operator gives 0
  TREMOLO_HALF = FM_TREMOLO_STEPS / 2,
};

constexpr uint16_t WAVE_NEGATIVE = 0x8000;  // sign bit of a wave table entry
constexpr uint16_t WAVE_SILENT = 0x0FFF;    // attenuation of a wave's zero parts: inaudible

struct fm_tables {
  // Per waveform and 10-bit phase: attenuation in 1/256 octave, WAVE_NEGATIVE for the lower half.
  uint16_t wave[8][1024];
  int16_t exp[EXP_ENTRIES];  // attenuation to the 13-bit magnitude the chip outputs
};

fm_tables build_tables() {
  fm_tables t{};
  // Quarter sine, -log2 in 1/256 octave, sampled in the middle of each step as the chip's ROM.
  uint16_t log_sine[256];
  for (int i = 0; i < 256; i++)
    log_sine[i] = uint16_t(std::lround(-std::log2(std::sin((i + 0.5) * M_PI / 512.0)) * 256.0));
  // Full sine at phase p: the quarter mirrored in the second and fourth quarters.
  auto sine = [&log_sine](uint32_t p) -> uint16_t {
    uint16_t a = log_sine[(p & 0x100) ? ~p & 0xFF : p & 0xFF];
    return uint16_t(a | ((p & 0x200) ? WAVE_NEGATIVE : 0));
  };
  for (uint32_t p = 0; p < 1024; p++) {
    uint16_t s = sine(p), positive = uint16_t(s & ~WAVE_NEGATIVE);
    int upper = (p & 0x200) == 0;  // first half of the period
    t.wave[0][p] = s;
    t.wave[1][p] = upper ? s : WAVE_SILENT;                   // half sine
    t.wave[2][p] = positive;                                  // rectified sine
    t.wave[3][p] = (p & 0x100) ? WAVE_SILENT : positive;      // rising quarters
    t.wave[4][p] = upper ? sine(p << 1) : WAVE_SILENT;        // double-speed sine, then rest
    t.wave[5][p] = upper ? uint16_t(sine(p << 1) & ~WAVE_NEGATIVE) : WAVE_SILENT;
    t.wave[6][p] = upper ? 0 : WAVE_NEGATIVE;                 // square
    // Derived square: falls by an octave every 32 steps, mirrored negative in the second half.
    t.wave[7][p] = upper ? uint16_t((p & 0x1FF) << 3) : uint16_t(((~p & 0x1FF) << 3) | WAVE_NEGATIVE);
  }
  for (int x = 0; x < EXP_ENTRIES; x++) {
    int mantissa = int(std::lround(std::exp2((255 - (x & 0xFF)) / 256.0) * 1024.0)) - 1024;
    t.exp[x] = int16_t(((mantissa + 1024) << 1) >> (x >> 8));
  }
  return t;
}

const fm_tables& tables() {
  static const fm_tables t = build_tables();
  return t;
}

// Envelope increments at the updates of one cycle of eight, per rate & 3. Rates 4-51 update
// every 2^(12 - rate / 4) FM samples and move by 0 or 1 (an average of 1, 1.25, 1.5 or 1.75 per
// two updates); rates 52-59 update every sample by 2^(rate / 4 - 13), doubled where the second
// pattern says so; 60-63 move by 4.
const uint8_t EG_SLOW[4][8] = {{0, 1, 0, 1, 0, 1, 0, 1},
                               {0, 1, 0, 1, 1, 1, 0, 1},
                               {0, 1, 1, 1, 0, 1, 1, 1},
                               {0, 1, 1, 1, 1, 1, 1, 1}};
const uint8_t EG_FAST[4][8] = {{0, 0, 0, 0, 0, 0, 0, 0},
                               {0, 0, 0, 1, 0, 0, 0, 1},
                               {0, 1, 0, 1, 0, 1, 0, 1},
                               {0, 1, 1, 1, 0, 1, 1, 1}};

inline uint32_t eg_increment(uint32_t rate, uint32_t counter) {
  uint32_t high = rate >> 2;
  if (high == 0) return 0;
  if (high <= 12) {
    uint32_t shift = 12 - high;
    if (counter & ((1u << shift) - 1)) return 0;
    return EG_SLOW[rate & 3][(counter >> shift) & 7];
  }
  if (high == 15) return 4;
  return (1u << (high - 13)) << EG_FAST[rate & 3][counter & 7];
}

inline void eg_step(fm_operator& op, uint32_t counter) {
  int32_t envelope = op.envelope;
  if (op.eg_phase == FM_EG_ATTACK) {
    uint32_t rate = op.rates[FM_EG_ATTACK];
    if (rate >= 60) {
      envelope = 0;
    } else {
      int32_t inc = int32_t(eg_increment(rate, counter));
      if (inc == 0) return;
      envelope += (~envelope * inc) >> 3;  // exponential: a fraction of the distance to 0
    }
    if (envelope <= 0) {
      envelope = 0;
      op.eg_phase = FM_EG_DECAY;
    }
  } else {
    if (op.eg_phase == FM_EG_DECAY && envelope >= op.sustain_level) {
      op.eg_phase = FM_EG_SUSTAIN;
      return;
    }
    envelope += int32_t(eg_increment(op.rates[op.eg_phase], counter));
    if (envelope > FM_ENVELOPE_MAX) envelope = FM_ENVELOPE_MAX;
  }
  op.envelope = uint16_t(envelope);
}

// The FM samples of one block and what every voice shares at each of them.
struct step_plan {
  uint32_t steps;            // FM samples in the block
  uint32_t counter;          // eg_counter at the first of them
  uint8_t tremolo[MAX_STEPS];  // tremolo attenuation, envelope units
  uint8_t vibrato[MAX_STEPS];  // vibrato position 0-7
  uint8_t noise[MAX_STEPS];    // noise bit
};

// The operator's output at a 10-bit phase, from its envelope, level and tremolo.
inline int32_t op_value(const fm_tables& t, const fm_operator& op, uint32_t phase, uint32_t am) {
  uint32_t level = op.envelope + op.level + (op.tremolo ? am : 0);
  if (level >= AUDIBLE_LEVEL) return 0;
  uint32_t w = t.wave[op.waveform][phase & 1023];
  uint32_t x = (w & ~uint32_t(WAVE_NEGATIVE)) + (level << 3);
  if (x >= EXP_ENTRIES) return 0;
  int32_t value = t.exp[x];
  return (w & WAVE_NEGATIVE) ? -value : value;
}

inline void op_advance(fm_operator& op, const step_plan& plan, uint32_t j) {
  op.phase = (op.phase + op.increment[plan.vibrato[j]]) & PHASE_MASK;
  eg_step(op, plan.counter + j);
}

// One FM sample of an operator whose phase is moved by `modulation` (in wave steps).
inline int32_t op_step(const fm_tables& t, fm_operator& op, int32_t modulation,
                       const step_plan& plan, uint32_t j) {
  int32_t out = op_value(t, op, (op.phase >> 9) + uint32_t(modulation), plan.tremolo[j]);
  op_advance(op, plan, j);
  return out;
}

// The first operator feeds the mean of its last two outputs back into its phase.
inline int32_t feedback_step(const fm_tables& t, fm_operator& op, fm_channel& ch,
                             const step_plan& plan, uint32_t j) {
  int32_t modulation = ch.feedback_shift ? (ch.feedback[0] + ch.feedback[1]) >> ch.feedback_shift : 0;
  int32_t out = op_step(t, op, modulation, plan, j);
  ch.feedback[1] = ch.feedback[0];
  ch.feedback[0] = int16_t(out);
  return out;
}

// A voice whose operators have all finished sounding gives 0; phases still run.
int parked(const fm_operator& op) {
  return op.envelope == FM_ENVELOPE_MAX &&
         (op.eg_phase == FM_EG_SUSTAIN || op.eg_phase == FM_EG_RELEASE);
}

// What rendering a parked voice would do: its phases run and its first operator feeds back 0.
void skip_voice(fm_operator* const* ops, int count, fm_channel& ch, const step_plan& plan) {
  for (int k = 0; k < count; k++)
    for (uint32_t j = 0; j < plan.steps; j++)
      ops[k]->phase = (ops[k]->phase + ops[k]->increment[plan.vibrato[j]]) & PHASE_MASK;
  ch.feedback[1] = plan.steps >= 2 ? 0 : ch.feedback[0];
  ch.feedback[0] = 0;
}

void add_voice(int32_t (*rows)[MAX_STEPS + 1], uint8_t outputs, const int32_t* voice,
               uint32_t steps) {
  for (int r = 0; r < 4; r++) {
    if (!(outputs & (1 << r))) continue;
    for (uint32_t j = 0; j < steps; j++) rows[r][j + 1] += voice[j];
  }
}

void render_two(const fm_tables& t, fm_state& fm, int c, const step_plan& plan, int32_t* out) {
  fm_channel& ch = fm.channels[c];
  fm_operator& a = fm.ops[2 * c];
  fm_operator& b = fm.ops[2 * c + 1];
  for (uint32_t j = 0; j < plan.steps; j++) {
    int32_t first = feedback_step(t, a, ch, plan, j);
    out[j] = ch.algorithm ? first + op_step(t, b, 0, plan, j) : op_step(t, b, first, plan, j);
  }
}

void render_four(const fm_tables& t, fm_state& fm, int c, const step_plan& plan, int32_t* out) {
  fm_channel& ch = fm.channels[c];
  fm_operator& a = fm.ops[2 * c];
  fm_operator& b = fm.ops[2 * c + 1];
  fm_operator& d = fm.ops[2 * c + 6];
  fm_operator& e = fm.ops[2 * c + 7];
  for (uint32_t j = 0; j < plan.steps; j++) {
    int32_t first = feedback_step(t, a, ch, plan, j);
    switch (ch.algorithm) {
      case 0:  // 1 > 2 > 3 > 4
        out[j] = op_step(t, e, op_step(t, d, op_step(t, b, first, plan, j), plan, j), plan, j);
        break;
      case 1:  // 1 > 2, 3 > 4
        out[j] = op_step(t, b, first, plan, j) + op_step(t, e, op_step(t, d, 0, plan, j), plan, j);
        break;
      case 2:  // 1, 2 > 3 > 4
        out[j] = first + op_step(t, e, op_step(t, d, op_step(t, b, 0, plan, j), plan, j), plan, j);
        break;
      default:  // 1, 2 > 3, 4
        out[j] = first + op_step(t, d, op_step(t, b, 0, plan, j), plan, j) + op_step(t, e, 0, plan, j);
        break;
    }
  }
}

// Channels 6-8 in rhythm mode: bass drum on 6; hi-hat and snare drum on 7; tom-tom and top
// cymbal on 8. Hi-hat, snare and cymbal take their phases from bits of the hi-hat's and the
// cymbal's phase generators and the noise; each instrument sounds at twice an operator's level.
void render_rhythm(const fm_tables& t, fm_state& fm, const step_plan& plan, int32_t* out6,
                   int32_t* out7, int32_t* out8) {
  fm_channel& ch = fm.channels[6];
  fm_operator* op = &fm.ops[12];
  fm_operator &hi_hat = op[2], &snare = op[3], &tom = op[4], &cymbal = op[5];
  for (uint32_t j = 0; j < plan.steps; j++) {
    uint32_t am = plan.tremolo[j], noise = plan.noise[j];
    int32_t first = feedback_step(t, op[0], ch, plan, j);
    out6[j] = 2 * (ch.algorithm ? op_step(t, op[1], 0, plan, j) : op_step(t, op[1], first, plan, j));

    uint32_t h = hi_hat.phase >> 9, y = cymbal.phase >> 9;
    uint32_t ring = (((h >> 2) ^ (h >> 7)) | ((h >> 3) ^ (y >> 5)) | ((y >> 3) ^ (y >> 5))) & 1;
    uint32_t bit8 = (h >> 8) & 1;
    int32_t hh = op_value(t, hi_hat, (ring << 9) | ((ring ^ noise) ? 0xD0 : 0x34), am);
    int32_t sd = op_value(t, snare, (bit8 << 9) | ((bit8 ^ noise) << 8), am);
    int32_t tc = op_value(t, cymbal, (ring << 9) | 0x80, am);
    op_advance(hi_hat, plan, j);
    op_advance(snare, plan, j);
    op_advance(cymbal, plan, j);
    out7[j] = 2 * (hh + sd);
    out8[j] = 2 * (op_step(t, tom, 0, plan, j) + tc);
  }
}

void plan_steps(fm_state& fm, step_plan& plan, uint32_t steps) {
  plan.steps = steps;
  plan.counter = fm.eg_counter;
  uint32_t depth_shift = (fm.regs[0xBD] & 0x80) ? 2 : 4;  // 4.8 dB or 1 dB
  for (uint32_t j = 0; j < steps; j++) {
    uint32_t counter = fm.eg_counter + j;
    if ((counter & 63) == 0)
      fm.tremolo_step = uint8_t(fm.tremolo_step + 1 == FM_TREMOLO_STEPS ? 0 : fm.tremolo_step + 1);
    uint32_t triangle = fm.tremolo_step < TREMOLO_HALF ? fm.tremolo_step
                                                        : FM_TREMOLO_STEPS - 1 - fm.tremolo_step;
    plan.tremolo[j] = uint8_t(triangle >> depth_shift);
    plan.vibrato[j] = uint8_t((counter >> 10) & 7);
    plan.noise[j] = uint8_t(fm.noise & 1);
    fm.noise = (fm.noise >> 1) | (((fm.noise ^ (fm.noise >> 14)) & 1) << 22);
  }
  fm.eg_counter += steps;
}

}  // namespace

void fm_render(fm_state& fm, render_block& block, uint32_t samples) {
  const fm_tables& t = tables();

  // 1. Where each output falls: after `index[i]` FM samples of the block, `weight[i]` 171ths
  //    of the way from the one before.
  uint16_t index[OPL4_BLOCK];
  uint8_t weight[OPL4_BLOCK];
  uint32_t steps = 0, converter = fm.converter;
  for (uint32_t i = 0; i < samples; i++) {
    converter += FM_EXTRA_STEPS;
    steps++;
    if (converter >= FM_STEPS_PER_CYCLE) {
      converter -= FM_STEPS_PER_CYCLE;
      steps++;
    }
    index[i] = uint16_t(steps);
    weight[i] = uint8_t(converter);
  }
  fm.converter = uint8_t(converter);

  // 2. The FM samples, voice by voice; row entry 0 is the last FM sample of the block before.
  static_assert(int(OPL4_BLOCK) * (FM_STEPS_PER_CYCLE + FM_EXTRA_STEPS) / FM_STEPS_PER_CYCLE + 1 <=
                int(MAX_STEPS));
  step_plan plan;
  plan_steps(fm, plan, steps);
  int32_t rows[4][MAX_STEPS + 1];
  for (int r = 0; r < 4; r++) {
    rows[r][0] = fm.last[r];
    std::memset(&rows[r][1], 0, steps * sizeof rows[r][0]);
  }
  int32_t voice[3][MAX_STEPS];
  for (int c = 0; c < FM_CHANNELS; c++) {
    fm_channel& ch = fm.channels[c];
    // A pair's partner channel holds its third and fourth operators.
    int pair = ch.voice == FM_VOICE_4OP;
    fm_operator* ops[4] = {&fm.ops[2 * c], &fm.ops[2 * c + 1], &fm.ops[pair ? 2 * c + 6 : 2 * c],
                           &fm.ops[pair ? 2 * c + 7 : 2 * c + 1]};
    switch (ch.voice) {
      case FM_VOICE_2OP:
        if (parked(*ops[0]) && parked(*ops[1])) {
          skip_voice(ops, 2, ch, plan);
          break;
        }
        render_two(t, fm, c, plan, voice[0]);
        add_voice(rows, ch.outputs, voice[0], steps);
        break;
      case FM_VOICE_4OP:
        if (parked(*ops[0]) && parked(*ops[1]) && parked(*ops[2]) && parked(*ops[3])) {
          skip_voice(ops, 4, ch, plan);
          break;
        }
        render_four(t, fm, c, plan, voice[0]);
        add_voice(rows, ch.outputs, voice[0], steps);
        break;
      case FM_VOICE_RHYTHM:
        if (c != 6) break;  // channel 6 renders all three
        render_rhythm(t, fm, plan, voice[0], voice[1], voice[2]);
        for (int k = 0; k < 3; k++) add_voice(rows, fm.channels[6 + k].outputs, voice[k], steps);
        break;
      default:  // FM_VOICE_PARTNER: rendered with its first channel
        break;
    }
  }

  // 3. Each output interpolated between the FM samples on either side of it.
  for (int r = 0; r < 4; r++) {
    const int32_t* row = rows[r];
    int32_t* target = block.fm[r];
    for (uint32_t i = 0; i < samples; i++) {
      int32_t before = row[index[i] - 1], after = row[index[i]];
      target[i] += before + (after - before) * int32_t(weight[i]) / FM_STEPS_PER_CYCLE;
    }
    fm.last[r] = row[steps];
  }
}

}  // namespace opl4
