// What the YMF278B engine needs from whoever hosts it: timers, the busy time, the interrupt
// line and reads of the external sample memory, as eight virtual operations. The engine fills
// in `engine` when the chip is constructed, so the host can call back into it (timer expiry,
// interrupt check, mode write). The host owns time: the engine keeps no clock of its own and
// counts durations in chip clocks.
#pragma once

#include <cstdint>

namespace opl4 {

enum {
  OPL4_ACCESS_PCM = 3,  // access class of the wavetable sample memory
};

// The engine's entry points for its host.
class engine_callbacks {
 public:
  virtual void engine_timer_expired(uint32_t timer) = 0;  // timer 0 or 1 reached its end
  virtual void engine_check_interrupts() = 0;             // recompute and report the IRQ line
  virtual void engine_mode_write(uint8_t data) = 0;       // apply a timer-control write

 protected:
  ~engine_callbacks() = default;
};

class host_interface {
 public:
  engine_callbacks* engine = nullptr;  // set by the chip's constructor

  // A write to the timer-control register; a host that runs the chip on another timeline may
  // defer it, by default it takes effect at once.
  virtual void sync_mode_write(uint8_t data) { engine->engine_mode_write(data); }
  // Same for the interrupt check that follows a timer or flag change.
  virtual void sync_check_interrupts() { engine->engine_check_interrupts(); }
  // Timer 0 or 1 expires `duration` clocks from now; a negative duration stops it.
  virtual void set_timer(uint32_t timer, int32_t duration) = 0;
  // The chip is busy for `clocks` clocks from now.
  virtual void set_busy_end(uint32_t clocks) = 0;
  virtual bool is_busy() = 0;
  // The chip's interrupt output changed.
  virtual void update_irq(bool asserted) = 0;
  // One byte of external memory; the sample memory is access class OPL4_ACCESS_PCM. The sample
  // memory is the chip's own: the engine may keep what it read, so the host changes it only
  // through external_write (or before the chip first reads it).
  virtual uint8_t external_read(uint32_t access_class, uint32_t address) = 0;
  virtual void external_write(uint32_t access_class, uint32_t address, uint8_t data) {
    (void)access_class, (void)address, (void)data;
  }

 protected:
  ~host_interface() = default;
};

}  // namespace opl4
