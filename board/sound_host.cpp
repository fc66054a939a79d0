// The chip's view of board time and the audio catch-up. During a timer delivery the chip's
// clock reads the timer's own expiry cycle, so a timer it re-arms there counts from the exact
// expiry and periodic timers do not drift with the length of CPU slices.
#include "board/sound_host.h"

#include <algorithm>
#include <cstring>

#include "board/machine.h"
#include "board/time_base.h"
#include "board/ymf_glue.h"
#include "cpu/sh2.h"

sound_frame_buffer sound_buffer = {};

void sound_catch_up(machine* m, uint64_t target) {
  const uint64_t due = samples_due(target);
  sound_frame_buffer* b = &sound_buffer;
  while (m->sound_samples < due) {
    const int32_t n =
        static_cast<int32_t>(std::min<uint64_t>(due - m->sound_samples, SOUND_CHUNK_SAMPLES));
    if (SOUND_BUFFER_SAMPLES - b->fill < n) {
      const int32_t keep = b->fill / 2;
      std::memmove(b->samples, b->samples + b->fill - keep, sizeof(int32_t) * keep);
      b->fill = keep;
      continue;
    }
    ymf_glue_generate(m->sound, b->samples + b->fill, n);
    b->fill += n;
    m->sound_samples += static_cast<uint64_t>(n);
  }
}

uint64_t ymf_host_now(void* context) {
  const machine* m = static_cast<const machine*>(context);
  return static_cast<int64_t>(m->sound_event_cycle) >= 0 ? m->sound_event_cycle : m->sh2.cycles;
}

void ymf_host_set_timer(void* context, uint32_t timer, uint64_t when) {
  static_cast<machine*>(context)->sound_timer_cycle[timer & 1] = when;
  // A timer started by a port write inside a CPU slice ends that slice at its expiry.
  sh2_shorten_slice(when);
}

void ymf_host_set_irq(void* context, uint32_t asserted) {
  machine* m = static_cast<machine*>(context);
  sh2_set_irq(&m->sh2, SOUND_IRQ_LEVEL, asserted != 0);
}
