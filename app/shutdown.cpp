// The shutdown after the main loop. The order matters: settings and NVRAM are written while the
// game is still loaded, the movies close (and say so in the log) before the log does, and every
// texture goes before the renderer that made it.
#include "app/shutdown.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frontend/data_lock.h"
#include "frontend/file_util.h"
#include "frontend/frame_buffers.h"
#include "frontend/frontend_state.h"
#include "frontend/game_lifecycle.h"
#include "frontend/log.h"
#include "frontend/movies.h"
#include "frontend/nvram_files.h"
#include "frontend/platform.h"
#include "frontend/png_writer.h"
#include "frontend/quit_signals.h"
#include "frontend/rewind.h"
#include "frontend/screenshot.h"
#include "frontend/settings_model.h"
#include "frontend/settings_store.h"
#include "ui/text.h"

static void destroy_texture(SDL_Texture** texture) {
  if (*texture) SDL_DestroyTexture(*texture);
  *texture = nullptr;
}

// The --screenshot file: the last picture as the game made it, not turned. Only a failure to
// write it is logged (a device named as the file is refused, never written into).
static void write_exit_screenshot() {
  if (!fe.screenshot_path[0]) return;
  int32_t width = 0, height = 0;
  uint8_t* rgb = screenshot_rgb(0, &width, &height);
  if (!rgb) return;
  char reason[FILE_MESSAGE_MAX] = "";
  if (!png_write_rgb_msg(fe.screenshot_path, rgb, width, height, reason, sizeof reason)) {
    log_printf("--screenshot %s not written: %s", fe.screenshot_path, reason);
  }
  free(rgb);
}

int frontend_shutdown() {
  // 1-4. What the run produced, written while the game is still loaded.
  write_exit_screenshot();
  log_printf("exit: %llu frames, %d audio underruns, %d drops",
             static_cast<unsigned long long>(fe.frame_counter), int(fe.underruns), int(fe.drops));
  save_settings();
  save_nvram();

  // 5-7. Movies ("Recording saved", "Playback finished"), the rewind ring, slot thumbnails.
  movie_stop_all();
  free_rewind_ring();
  for (slot_info& slot : fe.slots) destroy_texture(&slot.thumbnail);

  // 8-10. Sound, controllers, the game.
  if (fe.audio_device) platform->audio_close(fe.audio_device);
  fe.audio_device = 0;
  if (fe.audio_stream) SDL_FreeAudioStream(fe.audio_stream);
  fe.audio_stream = nullptr;
  for (int32_t i = 0; i < fe.controller_count && i < FE_MAX_CONTROLLERS; i++) {
    if (fe.controllers[i]) SDL_GameControllerClose(fe.controllers[i]);
    fe.controllers[i] = nullptr;
  }
  fe.controller_count = 0;
  if (fe.adapter && fe.adapter->unload) fe.adapter->unload();
  fe.rom_ready = 0;

  // 11-15. The display, the buffers, the settings table, the log, SDL.
  const int exit_code = fe.exit_code;
  frontend_release();
  return exit_code;
}

void close_display() {
  font_atlas_free();
  destroy_texture(&fe.mask_texture);
  destroy_texture(&fe.scanline_texture);
  destroy_texture(&fe.glow_texture);
  destroy_texture(&fe.turned_texture);
  destroy_texture(&fe.game_texture);
  memset(fe.mask_key, 0, sizeof fe.mask_key);  // what the gone mask was made for
  fe.turned_rotation = 0;
  if (fe.renderer) SDL_DestroyRenderer(fe.renderer);
  fe.renderer = nullptr;
  fe.draw.renderer = nullptr;
  if (fe.window) SDL_DestroyWindow(fe.window);
  fe.window = nullptr;
}

void frontend_release() {
  close_display();
  free_frame_buffers();
  rom_selection_forget();
  settings_table_clear(&fe.settings_file);
  log_file_close();
  SDL_Quit();
  // Last: until here a second copy must not start on the folder, and a signal must not end the
  // run half-way.
  data_folder_unlock();
  quit_signals_restore();
}
