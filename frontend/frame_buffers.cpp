#include "frontend/frame_buffers.h"

#include <cstdlib>

#include "frontend/frontend_state.h"

int alloc_frame_buffers() {
  free_frame_buffers();
  const game_adapter* game = &fe.adapter_copy;
  const size_t pixels = size_t(game->width) * game->height;
  // Two channels of the longest frame the game can give, with a little slack.
  const size_t samples = size_t(2 * (game->max_audio_frames > 0 ? game->max_audio_frames : 0) + 16);
  fe.frame = static_cast<uint32_t*>(calloc(pixels, sizeof(uint32_t)));
  fe.frame16 = static_cast<uint16_t*>(calloc(pixels, sizeof(uint16_t)));
  fe.upload = static_cast<uint32_t*>(calloc(pixels, sizeof(uint32_t)));
  fe.audio_buffer = static_cast<int16_t*>(calloc(samples, sizeof(int16_t)));
  if (fe.frame && fe.frame16 && fe.upload && fe.audio_buffer) return 1;
  free_frame_buffers();
  return 0;
}

void free_frame_buffers() {
  free(fe.frame);
  free(fe.frame16);
  free(fe.upload);
  free(fe.audio_buffer);
  fe.frame = nullptr;
  fe.frame16 = nullptr;
  fe.upload = nullptr;
  fe.audio_buffer = nullptr;
}
