// The frame loop: runs the CPU in slices that end at the frame's end, the next free-running
// timer event or the next sound-timer expiry, delivers those events, catches the sound chip up
// to the frame's end and finishes the frame with the picture, the vertical-blank interrupt and
// the sprite latch. Events that a bus write schedules inside a slice shorten that slice
// themselves (sh2_shorten_slice from the FRT schedule and the sound host's timer callback).
#include "board/frame_loop.h"

#include <algorithm>

#include "board/machine.h"
#include "board/onchip.h"
#include "board/sound_host.h"
#include "board/time_base.h"
#include "board/ymf_glue.h"
#include "cpu/sh2.h"
#include "video/video.h"

enum { VBLANK_IRQ_LEVEL = 4 };

static int timer_armed(uint64_t cycle) {
  return (cycle >> 63) == 0;
}

// The end of the next slice: the frame's end or the first event before it.
static uint64_t slice_limit(const machine* m, uint64_t end) {
  uint64_t limit = std::min(end, m->onchip.frt_next_cycle);
  for (uint64_t t : m->sound_timer_cycle)
    if (timer_armed(t)) limit = std::min(limit, t);
  return limit;
}

// Timer 0, then timer 1, when due. During the delivery the chip's clock reads the expiry
// cycle, so a timer it re-arms counts from the exact expiry.
static void deliver_sound_timers(machine* m) {
  for (uint32_t t = 0; t < 2; t++) {
    const uint64_t when = m->sound_timer_cycle[t];
    if (!timer_armed(when) || m->sh2.cycles < when) continue;
    m->sound_event_cycle = when;
    m->sound_timer_cycle[t] = ~0ull;
    ymf_glue_timer_expired(m->sound, t);
    m->sound_event_cycle = ~0ull;
  }
}

int machine_run_frame(machine* m, int16_t* out, uint32_t* count) {
  bus_bind_machine(m);
  sound_buffer.fill = 0;
  const uint64_t end = frame_end_cycle(m->frame_counter);
  int stopped = 0;
  while (m->sh2.cycles < end) {
    const uint64_t limit = slice_limit(m, end);
    if (m->sh2.cycles < limit && sh2_run(&m->sh2, limit) != 0) {
      stopped = 1;
      break;
    }
    deliver_sound_timers(m);
    if (m->sh2.cycles >= m->onchip.frt_next_cycle) frt_event_step(m);
  }

  if (!stopped) {
    // To the frame's end, not to the cycle count, which may lie a few cycles past it.
    sound_catch_up(m, end);
    video_render_frame(m);
    sh2_set_irq(&m->sh2, VBLANK_IRQ_LEVEL, 1);
    video_latch_sprites(m);
    m->frame_counter++;
  }

  const uint32_t n = (uint32_t)std::min<int32_t>(sound_buffer.fill, FRAME_MAX_SAMPLES);
  if (out)
    for (uint32_t i = 0; i < n; i++)
      out[i] = (int16_t)std::clamp<int32_t>(sound_buffer.samples[i], -32768, 32767);
  if (count) *count = n;
  return stopped;
}
