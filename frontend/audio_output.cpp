// Opening, reopening and clearing the audio device and its resampling stream.
#include "frontend/audio_output.h"

#include "frontend/frontend_state.h"
#include "frontend/platform.h"

void clear_audio() {
  if (fe.audio_device) platform->audio_clear(fe.audio_device);
  if (fe.audio_stream) SDL_AudioStreamClear(fe.audio_stream);
}
