// The board's side of the sound-chip hookup: the callbacks the glue calls (the chip's clock,
// its timers and its interrupt line), the frame's mono sample buffer, and the catch-up that
// brings the chip's output up to a CPU cycle. The frame loop delivers the timers and empties
// the buffer; the bus catches up before every port access.
#pragma once

#include <cstdint>

struct machine;

enum {
  SOUND_BUFFER_SAMPLES = 2048,  // room in the frame's buffer; a frame needs about 622
  SOUND_CHUNK_SAMPLES = 256,    // most samples asked of the chip at once
  SOUND_IRQ_LEVEL = 12,         // the chip's interrupt line at the CPU
};

// The current frame's samples, each the unclipped sum of the chip's outputs.
struct sound_frame_buffer {
  int32_t samples[SOUND_BUFFER_SAMPLES];  // oldest first
  int32_t fill;                           // samples held; the frame loop sets 0 each frame
};
extern sound_frame_buffer sound_buffer;

// Generates the samples due by cycle `target` that are not generated yet. When the buffer
// lacks room, only its newest half is kept.
void sound_catch_up(machine* m, uint64_t target);

// The host callbacks, with the machine as context.
uint64_t ymf_host_now(void* context);
void ymf_host_set_timer(void* context, uint32_t timer, uint64_t when);
void ymf_host_set_irq(void* context, uint32_t asserted);
