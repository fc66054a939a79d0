// The audio device and the resampling stream from the game's rate to the device's. Audio is
// pushed into the device's queue by the frame step (queue_frame_audio); SDL's own thread only
// drains it. The arithmetic of scaling, buffer size and queue limit is kept in small functions
// of its own so that it can be checked apart from a device.
#pragma once

#include <SDL.h>

#include <cstdint>

// Device buffer in sample frames for a target latency: 256 below 24 ms, 512 to 43, 1024 to 87,
// 2048 to 171, 4096 from 172.
int32_t audio_buffer_frames(int32_t latency_ms);

// Sample gain in 256ths: volume (percent, held to 0..100) * 256 / 100; 0 when muted.
int32_t audio_gain(int32_t volume, int32_t mute);

// (sample * gain) >> 8 for each of `count` samples.
void audio_scale_samples(const int16_t* in, int16_t* out, uint32_t count, int32_t gain);

// Bytes waiting in the device queue above which a chunk is dropped: (2 * latency_ms + 40)
// milliseconds of the obtained format; -1 (never drop) when the format moves fewer than 1000
// bytes a second.
int64_t audio_drop_limit(const SDL_AudioSpec* have, int32_t latency_ms);

// Closes the device and frees the stream, then opens the configured device (falling back to the
// default one) at 48 kHz, 16-bit stereo with the latency's buffer, creates the stream from the
// game's rate to what the device accepted and starts playback, or leaves it paused while the
// menu is open. Without a device the game runs silently ("audio disabled: %s").
void open_audio();

// One frame of the game's interleaved stereo samples: scaled by the volume, put through the
// stream and queued on the device chunk by chunk, counting underruns (an empty queue after the
// first 120 frames) and dropping chunks while the queue is too long. Nothing without a device
// or a stream. At most FE_AUDIO_SCALED_FRAMES frames are taken.
void queue_frame_audio(const int16_t* stereo, uint32_t frames);

// Drops what waits in the device queue and in the resampling stream (each when it exists).
void clear_audio();
