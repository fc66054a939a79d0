// Opening, reopening and clearing the audio device and its resampling stream, and the frame
// step's queueing of one frame of sound with its underrun and drop accounting.
#include "frontend/audio_output.h"

#include "frontend/frontend_state.h"
#include "frontend/log.h"
#include "frontend/platform.h"

enum { AUDIO_DEVICE_RATE = 48000, AUDIO_UNDERRUN_GRACE_FRAMES = 120 };

int32_t audio_buffer_frames(int32_t latency_ms) {
  if (latency_ms < 24) return 256;
  if (latency_ms < 44) return 512;
  if (latency_ms < 88) return 1024;
  if (latency_ms < 172) return 2048;
  return 4096;
}

int32_t audio_gain(int32_t volume, int32_t mute) {
  if (mute) return 0;
  if (volume < 0) volume = 0;
  if (volume > 100) volume = 100;  // more would wrap the 16-bit samples
  return volume * 256 / 100;
}

void audio_scale_samples(const int16_t* in, int16_t* out, uint32_t count, int32_t gain) {
  for (uint32_t i = 0; i < count; i++) out[i] = int16_t((int32_t(in[i]) * gain) >> 8);
}

int64_t audio_drop_limit(const SDL_AudioSpec* have, int32_t latency_ms) {
  int64_t bps = int64_t(have->channels) * have->freq * (SDL_AUDIO_BITSIZE(have->format) / 8);
  if (bps < 1000) return -1;
  return (2 * int64_t(latency_ms) + 40) * (bps / 1000);
}

// The game's rate rounded to whole samples a second; 0 when it is no usable rate.
static int audio_source_rate() {
  double rate = fe.adapter->audio_rate + 0.5;
  if (!(rate >= 1.0 && rate < 1e7)) return 0;  // also a NaN
  return int(rate);
}

void open_audio() {
  // 1. Whatever was open goes first; audio queued there is lost.
  if (fe.audio_device) platform->audio_close(fe.audio_device);
  fe.audio_device = 0;
  if (fe.audio_stream) SDL_FreeAudioStream(fe.audio_stream);
  fe.audio_stream = nullptr;
  SDL_zero(fe.audio_have);

  // 2. The request.
  SDL_AudioSpec want;
  SDL_zero(want);
  want.freq = AUDIO_DEVICE_RATE;
  want.format = AUDIO_S16LSB;
  want.channels = 2;
  want.samples = uint16_t(audio_buffer_frames(fe.settings.latency_ms));
  const int allowed = SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE;

  // 3. The named device, else the default one.
  SDL_AudioSpec have;
  SDL_zero(have);
  SDL_AudioDeviceID device = 0;
  const char* name = fe.settings.device;
  if (name[0]) {
    device = platform->audio_open(name, &want, &have, allowed);
    if (!device) {
      log_printf("audio device '%s' unavailable (%s); using default", name, platform->error());
    }
  }
  if (!device) device = platform->audio_open(nullptr, &want, &have, allowed);

  // 5. No device: the game runs silently.
  if (!device) {
    log_printf("audio disabled: %s", platform->error());
    return;
  }

  // 4. The stream from the game's samples to what the device took, then playback (paused while
  // the menu is open).
  fe.audio_device = device;
  fe.audio_have = have;
  int rate = audio_source_rate();
  if (rate > 0) {
    fe.audio_stream =
        SDL_NewAudioStream(AUDIO_S16SYS, 2, rate, have.format, have.channels, have.freq);
  }
  log_printf("audio: %d Hz, %d ch, buffer %d samples, target latency %d ms", have.freq,
             int(have.channels), int(have.samples), fe.settings.latency_ms);
  platform->audio_pause(device, fe.menu_open ? 1 : 0);
}

void queue_frame_audio(const int16_t* stereo, uint32_t frames) {
  if (!stereo || frames == 0 || !fe.audio_device || !fe.audio_stream) return;
  uint32_t n = frames < FE_AUDIO_SCALED_FRAMES ? frames : uint32_t(FE_AUDIO_SCALED_FRAMES);
  audio_scale_samples(stereo, fe.audio_scaled, 2 * n,
                      audio_gain(fe.settings.volume, fe.settings.mute));
  if (SDL_AudioStreamPut(fe.audio_stream, fe.audio_scaled, int(n * 4)) != 0) return;

  int64_t limit = audio_drop_limit(&fe.audio_have, fe.settings.latency_ms);
  for (;;) {
    int got = SDL_AudioStreamGet(fe.audio_stream, fe.audio_chunk, int(sizeof fe.audio_chunk));
    if (got <= 0) break;
    uint32_t queued = platform->audio_queued(fe.audio_device);
    if (queued == 0 && fe.frame_counter > AUDIO_UNDERRUN_GRACE_FRAMES) fe.underruns++;
    if (limit >= 0 && int64_t(queued) > limit) {
      fe.drops++;
    } else {
      platform->audio_queue(fe.audio_device, fe.audio_chunk, uint32_t(got));
    }
  }
}

void clear_audio() {
  if (fe.audio_device) platform->audio_clear(fe.audio_device);
  if (fe.audio_stream) SDL_AudioStreamClear(fe.audio_stream);
}
