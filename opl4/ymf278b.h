// The YMF278B (OPL4) sound chip: its eight ports, the status register with the chip-ID read,
// BUSY and LD, the two timers and the interrupt output, the NEW/NEW2 modes, and the routing of
// its FM and wavetable engines to six outputs. Time, timers and memory belong to the host
// (host_interface.h); the engines are fm.h and wavetable.h. The whole state is fixed-size plain
// data, saved as an image of OPL4_STATE_BYTES bytes that begins with a format tag.
#pragma once

#include <cstdint>

#include "opl4/fm.h"
#include "opl4/host_interface.h"
#include "opl4/sample_memory.h"
#include "opl4/saved_state.h"
#include "opl4/wavetable.h"

namespace opl4 {

enum {
  OPL4_OUTPUTS = 6,            // per sample: FM C, FM D, wavetable direct L/R, mixed L/R
  OPL4_STATE_BYTES = 1770,     // length of the saved image; changes with its format tag
  OPL4_FM_BUSY_CLOCKS = 56,    // after an FM data write
  OPL4_PCM_BUSY_CLOCKS = 88,   // after a wavetable data write
  OPL4_TIMER1_CLOCKS = 2736,   // one timer-1 step: 4 FM samples of 684 clocks
  OPL4_TIMER2_CLOCKS = 10944,  // one timer-2 step: 16 FM samples
};

constexpr uint32_t OPL4_STATE_TAG = 0x3434504Fu;  // "OP44" little-endian

// Status bits (port 0).
enum {
  OPL4_STATUS_IRQ = 0x80,
  OPL4_STATUS_TIMER1 = 0x40,
  OPL4_STATUS_TIMER2 = 0x20,
  OPL4_STATUS_LD = 0x02,
  OPL4_STATUS_BUSY = 0x01,
};

struct chip_state {
  uint16_t fm_address;  // latched FM register address, 0-0x1FF (port 2 sets bit 8)
  uint8_t wt_address;   // latched wavetable register address
  uint8_t flags;        // OPL4_STATUS_TIMER1 | OPL4_STATUS_TIMER2 as set by expiries
  uint8_t irq;          // 1 = interrupt output asserted, as last reported to the host
  uint8_t id_pending;   // 1 = the next status read returns the chip ID
  fm_state fm;          // FM register arrays and voices
  wavetable_state wt;   // wavetable registers and slots
};

class ymf278b final : public engine_callbacks {
 public:
  explicit ymf278b(host_interface& host);  // sets host.engine; call reset before use
  ~ymf278b();
  ymf278b(const ymf278b&) = delete;
  ymf278b& operator=(const ymf278b&) = delete;

  void reset();
  uint8_t read(uint32_t offset);  // offset 0-7
  void write(uint32_t offset, uint8_t data);
  // Writes `samples` x OPL4_OUTPUTS outputs, each clamped to 16 bits.
  void generate(int32_t* outputs, uint32_t samples);
  // Saving appends OPL4_STATE_BYTES bytes and changes nothing. Loading reads them back and
  // changes the chip only when the whole image was read and its tag matches; otherwise it marks
  // `state` as failed.
  void save_restore(saved_state& state);
  // Loading's checks alone: 1 when save_restore would take the image `state` reads, changing
  // nothing in the chip (the state's read position moves on).
  int accepts(saved_state& state) const;

  void engine_timer_expired(uint32_t timer) override;
  void engine_check_interrupts() override;
  void engine_mode_write(uint8_t data) override;

 private:
  host_interface& m_host;
  sample_memory m_memory;  // not part of the state: a copy of what the host holds
  chip_state m_state;
};

}  // namespace opl4
