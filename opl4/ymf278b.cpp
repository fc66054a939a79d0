// The chip's control plane: port decoding, the status register and chip-ID read, the FM
// address latch with the NEW/NEW2 folding of array 1, timers and the interrupt output, output
// routing with the mix levels, and the saved image. Synthesis is the engines' (fm.cpp,
// fm_render.cpp, wavetable.cpp, wavetable_render.cpp).
#include "opl4/ymf278b.h"

#include <algorithm>
#include <cstring>

namespace opl4 {

namespace {

enum {
  FM_TIMER1_PRESET = 0x002,
  FM_TIMER2_PRESET = 0x003,
  FM_TIMER_CONTROL = 0x004,  // bit 7 resets flags, 6/5 mask timer 1/2, 0/1 start timer 1/2
  FM_MODE = 0x105,           // bit 0 NEW, bit 1 NEW2
  MODE_NEW = 0x01,
  MODE_NEW2 = 0x02,
  WT_FM_MIX = 0xF8,  // bits 0-2 left, 3-5 right; 3 dB per step, 7 silent
  WT_PCM_MIX = 0xF9,
};

// 65536 x 2^(-step / 2): 3 dB per step, step 7 silent.
const int32_t MIX_GAIN[8] = {65536, 46341, 32768, 23170, 16384, 11585, 8192, 0};

// Output levels, applied with a gain of 65536 = 0 dB. One FM operator at full level (a 13-bit
// peak of 4084) is doubled, to a quarter of full scale; one wavetable voice at total level 0
// carries its 16-bit sample at a quarter of full scale, so about four voices sum to full scale
// before an output clamps (12 dB of headroom per voice). The two engines then balance.
enum {
  FM_LEVEL_SHIFT = 15,   // x 2
  PCM_LEVEL_SHIFT = 18,  // / 4
};

inline int32_t clamp16(int64_t value) {
  return int32_t(std::clamp<int64_t>(value, -32768, 32767));
}

inline int64_t mix(int32_t value, int32_t gain, int shift) {
  return (int64_t(value) * gain) >> shift;
}

int32_t timer_period(const fm_state& fm, uint32_t timer) {
  if (timer == 0) return (256 - fm.regs[FM_TIMER1_PRESET]) * OPL4_TIMER1_CLOCKS;
  return (256 - fm.regs[FM_TIMER2_PRESET]) * OPL4_TIMER2_CLOCKS;
}

void visit(chip_state& s, saved_state& state) {
  uint32_t tag = OPL4_STATE_TAG;
  state.save_restore(tag);
  if (tag != OPL4_STATE_TAG) state.fail();
  state.save_restore(s.fm_address);
  state.save_restore(s.wt_address);
  state.save_restore(s.flags);
  state.save_restore(s.irq);
  state.save_restore(s.id_pending);
  fm_save_restore(s.fm, state);
  wavetable_save_restore(s.wt, state);
}

}  // namespace

ymf278b::ymf278b(host_interface& host) : m_host(host), m_memory(), m_state() {
  host.engine = this;
  sample_memory_init(m_memory, host);
}

ymf278b::~ymf278b() {
  sample_memory_free(m_memory);
}

void ymf278b::reset() {
  m_state = chip_state();
  fm_reset(m_state.fm);
  wavetable_reset(m_state.wt);
  m_state.id_pending = 1;
  m_host.set_timer(0, -1);
  m_host.set_timer(1, -1);
  m_host.update_irq(false);
}

uint8_t ymf278b::read(uint32_t offset) {
  switch (offset & 7) {
    case 0: {
      uint8_t mode = m_state.fm.regs[FM_MODE];
      if (m_state.id_pending) {
        m_state.id_pending = 0;
        return (mode & MODE_NEW2) ? 0x02 : (mode & MODE_NEW) ? 0x00 : 0x06;
      }
      uint8_t status = uint8_t(m_state.flags | (m_state.irq ? OPL4_STATUS_IRQ : 0));
      if (mode & MODE_NEW2) {  // BUSY and LD exist only in the OPL4 mode
        if (m_state.wt.ld_samples) status |= OPL4_STATUS_LD;
        if (m_host.is_busy()) status |= OPL4_STATUS_BUSY;
      }
      return status;
    }
    case 5:
      return wavetable_read(m_state.wt, m_memory, m_state.wt_address);
    default:
      return 0xFF;
  }
}

void ymf278b::write(uint32_t offset, uint8_t data) {
  switch (offset & 7) {
    case 0:
      m_state.fm_address = data;
      break;
    case 2:
      m_state.fm_address = uint16_t(0x100 | data);
      break;
    case 1:
    case 3: {
      uint32_t address = m_state.fm_address;
      // Without NEW, array 1 is a mirror of array 0; only the mode register stays reachable.
      if (!(m_state.fm.regs[FM_MODE] & MODE_NEW) && address != FM_MODE) address &= 0xFF;
      m_host.set_busy_end(OPL4_FM_BUSY_CLOCKS);
      if (address == FM_TIMER_CONTROL) {
        m_host.sync_mode_write(data);
      } else if (address == FM_MODE) {
        uint8_t before = m_state.fm.regs[FM_MODE];
        fm_write(m_state.fm, address, data);
        if ((data & MODE_NEW2) && !(before & MODE_NEW2)) m_state.id_pending = 1;
      } else {
        fm_write(m_state.fm, address, data);
      }
      break;
    }
    case 4:
      m_state.wt_address = data;
      break;
    case 5:
      if (!(m_state.fm.regs[FM_MODE] & MODE_NEW2)) break;  // the wavetable needs NEW2
      m_host.set_busy_end(OPL4_PCM_BUSY_CLOCKS);
      wavetable_write(m_state.wt, m_memory, m_state.wt_address, data);
      break;
    default:
      break;
  }
}

void ymf278b::generate(int32_t* outputs, uint32_t samples) {
  render_block block;
  while (samples > 0) {
    uint32_t n = std::min<uint32_t>(samples, OPL4_BLOCK);
    for (auto& row : block.fm) std::memset(row, 0, n * sizeof row[0]);
    for (auto& row : block.pcm) std::memset(row, 0, n * sizeof row[0]);
    fm_render(m_state.fm, block, n);
    wavetable_render(m_state.wt, m_memory, block, n);
    uint8_t fm_mix = m_state.wt.regs[WT_FM_MIX], pcm_mix = m_state.wt.regs[WT_PCM_MIX];
    int32_t fm_left = MIX_GAIN[fm_mix & 7], fm_right = MIX_GAIN[(fm_mix >> 3) & 7];
    int32_t pcm_left = MIX_GAIN[pcm_mix & 7], pcm_right = MIX_GAIN[(pcm_mix >> 3) & 7];
    const int32_t direct = MIX_GAIN[0];  // the direct outputs bypass the mix levels
    for (uint32_t i = 0; i < n; i++, outputs += OPL4_OUTPUTS) {
      outputs[0] = clamp16(mix(block.fm[2][i], direct, FM_LEVEL_SHIFT));
      outputs[1] = clamp16(mix(block.fm[3][i], direct, FM_LEVEL_SHIFT));
      outputs[2] = clamp16(mix(block.pcm[0][i], direct, PCM_LEVEL_SHIFT));
      outputs[3] = clamp16(mix(block.pcm[1][i], direct, PCM_LEVEL_SHIFT));
      outputs[4] = clamp16(mix(block.fm[0][i], fm_left, FM_LEVEL_SHIFT) +
                           mix(block.pcm[2][i], pcm_left, PCM_LEVEL_SHIFT));
      outputs[5] = clamp16(mix(block.fm[1][i], fm_right, FM_LEVEL_SHIFT) +
                           mix(block.pcm[3][i], pcm_right, PCM_LEVEL_SHIFT));
    }
    samples -= n;
  }
}

void ymf278b::save_restore(saved_state& state) {
  if (state.saving()) {
    visit(m_state, state);
    return;
  }
  chip_state loaded = m_state;
  visit(loaded, state);
  if (!state.ok()) return;
  loaded.fm_address &= 0x1FF;
  loaded.flags &= OPL4_STATUS_TIMER1 | OPL4_STATUS_TIMER2;
  loaded.irq &= 1;
  loaded.id_pending &= 1;
  fm_sanitize(loaded.fm);
  wavetable_sanitize(loaded.wt, m_memory);
  m_state = loaded;
}

int ymf278b::accepts(saved_state& state) const {
  chip_state scratch = m_state;
  visit(scratch, state);
  return state.ok();
}

void ymf278b::engine_mode_write(uint8_t data) {
  if (data & 0x80) {
    m_state.flags = 0;  // the reset bit ignores the rest of the write
  } else {
    uint8_t before = m_state.fm.regs[FM_TIMER_CONTROL];
    fm_write(m_state.fm, FM_TIMER_CONTROL, data);
    for (uint32_t timer = 0; timer < 2; timer++) {
      uint8_t start = uint8_t(1 << timer);
      if ((before ^ data) & start)
        m_host.set_timer(timer, (data & start) ? timer_period(m_state.fm, timer) : -1);
    }
  }
  m_host.sync_check_interrupts();
}

void ymf278b::engine_timer_expired(uint32_t timer) {
  timer &= 1;
  uint8_t control = m_state.fm.regs[FM_TIMER_CONTROL];
  if (!(control & (1 << timer))) return;  // stopped since it was armed
  uint8_t mask = timer == 0 ? 0x40 : 0x20;
  if (!(control & mask)) m_state.flags |= timer == 0 ? OPL4_STATUS_TIMER1 : OPL4_STATUS_TIMER2;
  m_host.set_timer(timer, timer_period(m_state.fm, timer));
  m_host.sync_check_interrupts();
}

void ymf278b::engine_check_interrupts() {
  uint8_t control = m_state.fm.regs[FM_TIMER_CONTROL];
  uint8_t irq = ((m_state.flags & OPL4_STATUS_TIMER1) && !(control & 0x40)) ||
                ((m_state.flags & OPL4_STATUS_TIMER2) && !(control & 0x20));
  if (irq != m_state.irq) {
    m_state.irq = irq;
    m_host.update_irq(irq != 0);
  }
}

}  // namespace opl4
