// FM synthesis: the chip's log-sine and exponent tables with the eight waveforms, the envelope
// generator's rate counter, the tremolo and vibrato LFOs, the noise generator, operator
// feedback and modulation for 2- and 4-operator voices and the rhythm instruments, and the rate
// converter that turns FM samples (clock / 684) into output samples (clock / 768). A block
// first lays out its FM samples, then renders the sounding voices together over them, then
// picks each output's FM sample; every step depends only on saved state, so a block gives
// exactly what single samples give. Registers and derived values are fm.cpp's.
#include <cmath>
#include <cstring>

#include "opl4/envelope_patterns.h"
#include "opl4/fm.h"

namespace opl4 {

namespace {

enum {
  MAX_STEPS = 2 * OPL4_BLOCK,  // FM samples per block, with room to spare
  WAVE_MAX = 0x0FFF,           // largest attenuation of a wave table entry
  PHASE_MASK = (1 << FM_PHASE_BITS) - 1,
  EXP_AUDIBLE = 12 * 256,    // attenuations past 12 octaves give 0
  EXP_SILENT = EXP_AUDIBLE,  // the attenuation of an operator too quiet to hear
  EXP_NEGATIVE = 0x2000,     // sign bit of a wave table entry, above any sum of attenuations
  EXP_ENTRIES = 2 * EXP_NEGATIVE,
  AUDIBLE_LEVEL = EXP_AUDIBLE / 8,  // envelope attenuation from which an operator gives 0
  TREMOLO_HALF = FM_TREMOLO_STEPS / 2,
};

constexpr uint16_t WAVE_NEGATIVE = EXP_NEGATIVE;
static_assert(WAVE_MAX + EXP_SILENT < EXP_NEGATIVE);
constexpr uint16_t WAVE_SILENT = WAVE_MAX;  // attenuation of a wave's zero parts: inaudible

struct fm_tables {
  // Per waveform and 10-bit phase: attenuation in 1/256 octave, WAVE_NEGATIVE for the lower half.
  uint16_t wave[8][1024];
  // Signed attenuation to the 13-bit value the chip outputs: a wave entry plus an operator's
  // attenuation indexes it directly. 0 from EXP_AUDIBLE on in each half, so the sum needs no
  // range check; the upper half is negative.
  int16_t exp[EXP_ENTRIES];
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
    t.wave[1][p] = upper ? s : WAVE_SILENT;               // half sine
    t.wave[2][p] = positive;                              // rectified sine
    t.wave[3][p] = (p & 0x100) ? WAVE_SILENT : positive;  // rising quarters
    t.wave[4][p] = upper ? sine(p << 1) : WAVE_SILENT;    // double-speed sine, then rest
    t.wave[5][p] = upper ? uint16_t(sine(p << 1) & ~WAVE_NEGATIVE) : WAVE_SILENT;
    t.wave[6][p] = upper ? 0 : WAVE_NEGATIVE;  // square
    // Derived square: falls by an octave every 32 steps, mirrored negative in the second half.
    t.wave[7][p] =
        upper ? uint16_t((p & 0x1FF) << 3) : uint16_t(((~p & 0x1FF) << 3) | WAVE_NEGATIVE);
  }
  for (int x = 0; x < EXP_AUDIBLE; x++) {
    int mantissa = int(std::lround(std::exp2((255 - (x & 0xFF)) / 256.0) * 1024.0)) - 1024;
    t.exp[x] = int16_t(((mantissa + 1024) << 1) >> (x >> 8));
    t.exp[EXP_NEGATIVE + x] = int16_t(-t.exp[x]);
  }
  return t;
}

const fm_tables& tables() {
  static const fm_tables t = build_tables();
  return t;
}

// How far an envelope of `rate` moves at envelope time `counter`. Rates 4-51 update every
// 2^(12 - rate / 4) FM samples by 0 or 1 from the low pattern (on average one step per two
// updates, 25% more per quarter rate); rates 52-59 update every sample by 2^(rate / 4 - 13),
// doubled where the high pattern says so; 60-63 move by 4.
inline uint32_t eg_increment(uint32_t rate, uint32_t counter) {
  uint32_t high = rate >> 2;
  if (high == 0) return 0;
  if (high <= 12) {
    uint32_t shift = 12 - high;
    if (counter & ((1u << shift) - 1)) return 0;
    return OPL4_EG_LOW[rate & 3][(counter >> shift) & 7];
  }
  if (high == 15) return 4;
  return (1u << (high - 13)) << OPL4_EG_HIGH[rate & 3][counter & 7];
}

// A slow attack (rates 4 to SLOW_ATTACK_END - 1) moves twice as often as its rate's decay would,
// each time half as far, on an envelope counted in half steps: an update every
// 2^(11 - rate / 4) FM samples from the low pattern. Its moves are finer, so it takes longer to
// come near full level than whole steps would.
enum { SLOW_ATTACK_END = 36 };

// One update of a slow attack, out of line: it is rare and keeps the common step small.
[[gnu::noinline]] void slow_attack_step(fm_operator& op, uint32_t time) {
  const uint32_t rate = op.rates[FM_EG_ATTACK], shift = 11 - (rate >> 2);
  if (rate < 4 || (time & ((1u << shift) - 1))) return;  // rate 0 never moves
  const int32_t inc = OPL4_EG_LOW[rate & 3][(time >> shift) & 7];
  int32_t halves = op.envelope * 2 + op.envelope_half;
  halves += (~halves * inc) >> 4;
  if (halves <= 0) {
    op.envelope = 0;
    fm_enter_decay(op);
    return;
  }
  op.envelope = uint16_t(halves >> 1);
  op.envelope_half = uint8_t(halves & 1);
}

// One envelope update, due at the end of the FM sample whose envelope time is `time`.
inline void eg_step(fm_operator& op, uint32_t time) {
  if (op.eg_phase == FM_EG_ATTACK && op.rates[FM_EG_ATTACK] < SLOW_ATTACK_END) {
    slow_attack_step(op, time);
    return;
  }
  int32_t inc = int32_t(eg_increment(op.rates[op.eg_phase], time));
  if (inc == 0) return;
  int32_t envelope = op.envelope;
  if (op.eg_phase == FM_EG_ATTACK) {
    // Exponential: each update covers a fraction of the distance to full level.
    envelope = op.rates[FM_EG_ATTACK] >= 60 ? 0 : envelope + ((~envelope * inc) >> 3);
    op.envelope_half = 0;  // a slow attack's half step, should the rate have risen since
    if (envelope <= 0) {
      op.envelope = 0;
      fm_enter_decay(op);
      return;
    }
  } else {
    envelope = envelope + inc > FM_ENVELOPE_MAX ? FM_ENVELOPE_MAX : envelope + inc;
    if (op.eg_phase == FM_EG_DECAY && envelope >= op.sustain_level) op.eg_phase = FM_EG_SUSTAIN;
  }
  op.envelope = uint16_t(envelope);
}

// A block's FM samples fall into segments of at most 64 that end where the tremolo LFO moves
// (every 64 samples of the envelope counter). Vibrato moves on the same boundaries, and an
// envelope slower than rate SLOW_RATE (an attack: SLOW_ATTACK_RATE) only ever updates at the
// last sample of a segment, so within a segment such an operator keeps its increment and level.
enum {
  SEGMENT_STEPS = 64,
  MAX_SEGMENTS = MAX_STEPS / SEGMENT_STEPS + 2,
  SLOW_RATE = 28,         // rates below update every 64 samples or less often ...
  SLOW_ATTACK_RATE = 24,  // ... and attack rates below this (a slow attack moves twice as often)
};

struct segment {
  uint32_t first, end;  // FM samples [first, end) of the block
  uint32_t time;        // envelope time of the first: envelope counter + 1
  uint8_t tremolo;      // tremolo attenuation, envelope units
  uint8_t vibrato;      // vibrato position 0-7
};

struct block_plan {
  uint32_t steps;     // FM samples in the block
  uint32_t segments;  // entries of `parts`
  segment parts[MAX_SEGMENTS];
  uint8_t noise[MAX_STEPS];  // noise bit of each FM sample
};

// An operator through one segment, with its phase and level held in locals.
struct op_run {
  fm_operator* op;
  const uint16_t* wave;
  uint32_t phase;      // running copy; masked when stored back
  uint32_t increment;  // this segment's, vibrato included
  uint32_t x;          // attenuation added to the wave's, EXP_SILENT when inaudible
  uint32_t am;         // this segment's tremolo
  int fast;            // 1 = the envelope may move at any sample of the segment
};

// An envelope step is 8 of the exponent table's units, a slow attack's half step 4.
inline uint32_t level_x(const fm_operator& op, uint32_t am) {
  uint32_t level = op.envelope + op.level + (am & op.tremolo);
  return level < AUDIBLE_LEVEL ? (level << 3) + (uint32_t(op.envelope_half) << 2)
                               : uint32_t(EXP_SILENT);
}

inline void run_begin(op_run& r, const fm_tables& t, fm_operator& op, const segment& s) {
  r.op = &op;
  r.wave = t.wave[op.waveform];
  r.phase = op.phase;
  r.increment = op.increment[s.vibrato];
  r.am = s.tremolo;
  r.x = level_x(op, r.am);
  r.fast = op.rates[op.eg_phase] >= (op.eg_phase == FM_EG_ATTACK ? SLOW_ATTACK_RATE : SLOW_RATE);
}

// The output at a 10-bit phase.
inline int32_t run_value(const fm_tables& t, const op_run& r, uint32_t phase) {
  return t.exp[r.wave[phase & 1023] + r.x];
}

inline void run_advance(op_run& r, uint32_t time) {
  r.phase += r.increment;
  if (r.fast) {
    eg_step(*r.op, time);
    r.x = level_x(*r.op, r.am);
  }
}

// One FM sample of an operator whose phase is moved by `modulation` (in wave steps).
inline int32_t run_step(const fm_tables& t, op_run& r, int32_t modulation, uint32_t time) {
  int32_t out = run_value(t, r, (r.phase >> 9) + uint32_t(modulation));
  run_advance(r, time);
  return out;
}

// `last_time`: envelope time of the segment's last sample, where a slow envelope may move.
inline void run_end(op_run& r, uint32_t last_time) {
  r.op->phase = r.phase & PHASE_MASK;
  if (!r.fast) eg_step(*r.op, last_time);
}

// The first operator's feedback: the mean of its last two outputs moves its phase.
struct feedback_run {
  int32_t newest, older;
  uint32_t shift;
  int32_t mask;  // 0 when feedback is off
};

inline feedback_run feedback_begin(const fm_channel& ch) {
  return {ch.feedback[0], ch.feedback[1], ch.feedback_shift, ch.feedback_shift ? -1 : 0};
}

inline int32_t feedback_step(const fm_tables& t, op_run& r, feedback_run& f, uint32_t time) {
  int32_t out = run_step(t, r, ((f.newest + f.older) >> f.shift) & f.mask, time);
  f.older = f.newest;
  f.newest = out;
  return out;
}

inline void feedback_end(fm_channel& ch, const feedback_run& f) {
  ch.feedback[0] = int16_t(f.newest);
  ch.feedback[1] = int16_t(f.older);
}

// A voice whose operators have all finished sounding gives 0; phases still run.
int parked(const fm_operator& op) {
  return op.envelope == FM_ENVELOPE_MAX &&
         (op.eg_phase == FM_EG_SUSTAIN || op.eg_phase == FM_EG_RELEASE);
}

// What rendering would do to a parked voice's operator: only its phase runs.
void skip_operator(fm_operator& op, const block_plan& plan) {
  uint32_t phase = op.phase;
  for (uint32_t n = 0; n < plan.segments; n++) {
    const segment& s = plan.parts[n];
    phase += op.increment[s.vibrato] * (s.end - s.first);
  }
  op.phase = phase & PHASE_MASK;
}

// ... and to its channel: the first operator's outputs, 0 for a while already, stay in its
// feedback.
void skip_feedback(fm_channel& ch) {
  ch.feedback[0] = ch.feedback[1] = 0;
}

// The voices that sound in a block, rendered together sample by sample so that the processor
// can overlap their operator chains (each one a sequence of dependent table look-ups).
enum {
  KIND_TWO_FM = 0,                 // 1 > 2
  KIND_TWO_AM,                     // 1, 2
  KIND_FOUR,                       // + the 4-operator connection, 0-3
  KIND_RHYTHM_FM = KIND_FOUR + 4,  // rhythm mode, bass drum 1 > 2
  KIND_RHYTHM_AM,                  // rhythm mode, bass drum on operator 2 alone
};

struct voice_ref {
  uint8_t kind;     // KIND_*
  uint8_t channel;  // its (first) channel
};

struct block_runs {
  op_run op[FM_OPERATORS];
  feedback_run feedback[FM_CHANNELS];
  int32_t out[FM_CHANNELS][SEGMENT_STEPS];  // each channel's output through the segment
};

// One FM sample of a voice into its channels' outputs at position `i` of the segment.
inline void voice_step(const fm_tables& t, block_runs& b, voice_ref v, uint32_t noise,
                       uint32_t time, uint32_t i) {
  int c = v.channel;
  op_run* r = &b.op[2 * c];
  int32_t first = feedback_step(t, r[0], b.feedback[c], time);
  switch (v.kind) {
    case KIND_TWO_FM:
      b.out[c][i] = run_step(t, r[1], first, time);
      break;
    case KIND_TWO_AM:
      b.out[c][i] = first + run_step(t, r[1], 0, time);
      break;
    case KIND_FOUR + 0:  // 1 > 2 > 3 > 4; the partner's operators are r[6] and r[7]
      b.out[c][i] =
          run_step(t, r[7], run_step(t, r[6], run_step(t, r[1], first, time), time), time);
      break;
    case KIND_FOUR + 1: {  // 1 > 2, 3 > 4
      int32_t second = run_step(t, r[1], first, time);
      b.out[c][i] = second + run_step(t, r[7], run_step(t, r[6], 0, time), time);
      break;
    }
    case KIND_FOUR + 2:  // 1, 2 > 3 > 4
      b.out[c][i] =
          first + run_step(t, r[7], run_step(t, r[6], run_step(t, r[1], 0, time), time), time);
      break;
    case KIND_FOUR + 3: {  // 1, 2 > 3, 4
      int32_t third = run_step(t, r[6], run_step(t, r[1], 0, time), time);
      b.out[c][i] = first + third + run_step(t, r[7], 0, time);
      break;
    }
    default: {
      // Rhythm on channels 6-8: bass drum on 6 (first is its modulator); hi-hat and snare drum
      // on 7; tom-tom and top cymbal on 8. Hi-hat, snare and cymbal take their phases from
      // bits of the hi-hat's and the cymbal's phase generators and the noise. Each instrument
      // sounds at twice an operator's level.
      op_run &hi_hat = r[2], &snare = r[3], &tom = r[4], &cymbal = r[5];
      int32_t modulation = v.kind == KIND_RHYTHM_AM ? 0 : first;
      b.out[6][i] = 2 * run_step(t, r[1], modulation, time);
      uint32_t h = hi_hat.phase >> 9, y = cymbal.phase >> 9;
      uint32_t ring = (((h >> 2) ^ (h >> 7)) | ((h >> 3) ^ (y >> 5)) | ((y >> 3) ^ (y >> 5))) & 1;
      uint32_t bit8 = (h >> 8) & 1;
      int32_t hh = run_value(t, hi_hat, (ring << 9) | ((ring ^ noise) ? 0xD0 : 0x34));
      int32_t sd = run_value(t, snare, (bit8 << 9) | ((bit8 ^ noise) << 8));
      int32_t tc = run_value(t, cymbal, (ring << 9) | 0x80);
      run_advance(hi_hat, time);
      run_advance(snare, time);
      run_advance(cymbal, time);
      b.out[7][i] = 2 * (hh + sd);
      b.out[8][i] = 2 * (run_step(t, tom, 0, time) + tc);
      break;
    }
  }
}

// The operators a voice renders: its channel's two, a pair's partner's two more, or the six of
// the rhythm channels. Returns how many.
int voice_operators(voice_ref v, int* ops) {
  int n = 0, first = 2 * v.channel;
  for (int o = 0; o < (v.kind >= KIND_RHYTHM_FM ? 6 : 2); o++) ops[n++] = first + o;
  if (v.kind >= KIND_FOUR && v.kind < KIND_RHYTHM_FM) ops[n++] = first + 6, ops[n++] = first + 7;
  return n;
}

void render_voices(const fm_tables& t, fm_state& fm, const block_plan& plan,
                   const voice_ref* voices, int count, int32_t (*rows)[MAX_STEPS + 1]) {
  block_runs b;
  for (uint32_t n = 0; n < plan.segments; n++) {
    const segment& s = plan.parts[n];
    int ops[6];
    for (int k = 0; k < count; k++) {
      voice_ref v = voices[k];
      for (int n = voice_operators(v, ops), o = 0; o < n; o++)
        run_begin(b.op[ops[o]], t, fm.ops[ops[o]], s);
      b.feedback[v.channel] = feedback_begin(fm.channels[v.channel]);
    }
    uint32_t length = s.end - s.first;
    for (uint32_t i = 0; i < length; i++)
      for (int k = 0; k < count; k++)
        voice_step(t, b, voices[k], plan.noise[s.first + i], s.time + i, i);
    uint32_t last = s.time + length - 1;
    for (int k = 0; k < count; k++) {
      voice_ref v = voices[k];
      for (int c = v.channel; c < v.channel + (v.kind >= KIND_RHYTHM_FM ? 3 : 1); c++) {
        for (int r = 0; r < 4; r++) {
          if (!(fm.channels[c].outputs & (1 << r))) continue;
          int32_t* row = &rows[r][s.first + 1];
          for (uint32_t i = 0; i < length; i++) row[i] += b.out[c][i];
        }
      }
      for (int n = voice_operators(v, ops), o = 0; o < n; o++) run_end(b.op[ops[o]], last);
      feedback_end(fm.channels[v.channel], b.feedback[v.channel]);
    }
  }
}

// Lays out the block's segments and noise, and advances the LFO, noise and envelope counters.
void plan_block(fm_state& fm, block_plan& plan, uint32_t steps) {
  plan.steps = steps;
  plan.segments = 0;
  uint32_t depth_shift = (fm.regs[0xBD] & 0x80) ? 2 : 4;  // 4.8 dB or 1 dB
  for (uint32_t j = 0; j < steps;) {
    uint32_t counter = fm.eg_counter + j;
    if ((counter & (SEGMENT_STEPS - 1)) == 0)
      fm.tremolo_step = uint8_t(fm.tremolo_step + 1 == FM_TREMOLO_STEPS ? 0 : fm.tremolo_step + 1);
    uint32_t triangle =
        fm.tremolo_step < TREMOLO_HALF ? fm.tremolo_step : FM_TREMOLO_STEPS - 1 - fm.tremolo_step;
    uint32_t length = SEGMENT_STEPS - (counter & (SEGMENT_STEPS - 1));
    if (length > steps - j) length = steps - j;
    plan.parts[plan.segments++] = {.first = j,
                                   .end = j + length,
                                   .time = counter + 1,
                                   .tremolo = uint8_t(triangle >> depth_shift),
                                   .vibrato = uint8_t((counter >> 10) & 7)};
    j += length;
  }
  for (uint32_t j = 0; j < steps; j++) {
    plan.noise[j] = uint8_t(fm.noise & 1);
    fm.noise = (fm.noise >> 1) | (((fm.noise ^ (fm.noise >> 14)) & 1) << 22);
  }
  fm.eg_counter += steps;
}

}  // namespace

void fm_render(fm_state& fm, render_block& block, uint32_t samples) {
  const fm_tables& t = tables();

  // 1. Where each output falls: between FM samples `latest[i]` and `latest[i] + 1` of the
  //    rows below, so it takes FM sample `latest[i]` as it stands (the chip does not blend two
  //    FM samples).
  uint16_t latest[OPL4_BLOCK];
  uint32_t steps = 0, converter = fm.converter;
  for (uint32_t i = 0; i < samples; i++) {
    converter += FM_EXTRA_STEPS;
    steps++;
    if (converter >= FM_STEPS_PER_CYCLE) {
      converter -= FM_STEPS_PER_CYCLE;
      steps++;
    }
    latest[i] = uint16_t(steps - 1);
  }
  fm.converter = uint8_t(converter);

  // 2. The FM samples, voice by voice; row entry 0 is the last FM sample of the block before.
  static_assert(int(OPL4_BLOCK) * (FM_STEPS_PER_CYCLE + FM_EXTRA_STEPS) / FM_STEPS_PER_CYCLE + 1 <=
                int(MAX_STEPS));
  block_plan plan;
  plan_block(fm, plan, steps);
  int32_t rows[4][MAX_STEPS + 1];
  for (int r = 0; r < 4; r++) {
    rows[r][0] = fm.last[r];
    std::memset(&rows[r][1], 0, steps * sizeof rows[r][0]);
  }
  // Voices that have finished sounding only run their phases; the rest render together.
  voice_ref voices[FM_CHANNELS];
  int count = 0;
  for (int c = 0; c < FM_CHANNELS; c++) {
    fm_channel& ch = fm.channels[c];
    fm_operator* op = &fm.ops[2 * c];
    switch (ch.voice) {
      case FM_VOICE_2OP:
        if (parked(op[0]) && parked(op[1])) {
          skip_operator(op[0], plan);
          skip_operator(op[1], plan);
          skip_feedback(ch);
        } else {
          voices[count++] = {uint8_t(ch.algorithm ? KIND_TWO_AM : KIND_TWO_FM), uint8_t(c)};
        }
        break;
      case FM_VOICE_4OP:
        if (parked(op[0]) && parked(op[1]) && parked(op[6]) && parked(op[7])) {
          for (int k : {0, 1, 6, 7}) skip_operator(op[k], plan);
          skip_feedback(ch);
        } else {
          voices[count++] = {uint8_t(KIND_FOUR + ch.algorithm), uint8_t(c)};
        }
        break;
      case FM_VOICE_RHYTHM:
        if (c == 6)  // channel 6 plays all three
          voices[count++] = {uint8_t(ch.algorithm ? KIND_RHYTHM_AM : KIND_RHYTHM_FM), 6};
        break;
      default:  // FM_VOICE_PARTNER: rendered with its first channel
        break;
    }
  }
  render_voices(t, fm, plan, voices, count, rows);

  // 3. Each output takes the latest FM sample before it.
  for (int r = 0; r < 4; r++) {
    const int32_t* row = rows[r];
    int32_t* target = block.fm[r];
    for (uint32_t i = 0; i < samples; i++) target[i] += row[latest[i]];
    fm.last[r] = row[steps];
  }
}

}  // namespace opl4
