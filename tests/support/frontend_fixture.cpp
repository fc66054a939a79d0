// Setting the frontend up for a test and tearing it down again.
#include "frontend_fixture.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

#include "app/shutdown.h"
#include "fake_game.h"
#include "frontend/file_util.h"
#include "frontend/frame_buffers.h"
#include "frontend/frontend_state.h"
#include "frontend/picture.h"
#include "frontend/platform.h"
#include "frontend/rewind.h"
#include "frontend/settings_model.h"
#include "test_platform.h"

static SDL_Surface* test_surface = nullptr;
// With CB_TEST_RENDERER=opengl the tests draw through SDL's OpenGL renderer on a window of the
// surface's size (an X server is needed), batching draws as the program's renderer does when no
// driver is named; each presented picture is read back into the surface. Else SDL's software
// renderer draws straight into the surface.
static SDL_Window* test_window = nullptr;

int frontend_test_on_opengl() {
  const char* name = getenv("CB_TEST_RENDERER");
  return name && strcmp(name, "opengl") == 0;
}

// The renderer of the run: the software one over the surface, or OpenGL on a window.
static SDL_Renderer* make_test_renderer() {
  if (!frontend_test_on_opengl()) return SDL_CreateSoftwareRenderer(test_surface);
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
  SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
  test_window = SDL_CreateWindow("tests", 0, 0, test_surface->w, test_surface->h, 0);
  if (!test_window) return nullptr;
  SDL_Renderer* renderer =
      SDL_CreateRenderer(test_window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_TARGETTEXTURE);
  SDL_RendererInfo info;
  if (renderer && (SDL_GetRendererInfo(renderer, &info) != 0 || strcmp(info.name, "opengl") != 0)) {
    SDL_SetError("the renderer is not SDL's OpenGL one");
    SDL_DestroyRenderer(renderer);
    return nullptr;
  }
  return renderer;
}

static void join_into(char* out, const std::string& folder, const char* name) {
  path_join(out, FILE_PATH_MAX, folder.c_str(), name);
}

int frontend_test_setup(const game_adapter* game, const std::string& data_dir) {
  setenv("SDL_VIDEODRIVER", frontend_test_on_opengl() ? "x11" : "dummy", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER) != 0) {
    return 0;
  }
  memset(&fe, 0, sizeof fe);
  fe.adapter_copy = *game;
  fe.adapter = &fe.adapter_copy;
  set_default_settings();  // every test starts from the defaults, as start-up does
  set_default_bindings();
  fake_game_reset();
  test_platform_reset();
  platform = &test_platform;
  fe.frequency = platform->frequency();

  snprintf(fe.data_dir, sizeof fe.data_dir, "%s", data_dir.c_str());
  join_into(fe.settings_path, data_dir, "settings.ini");
  join_into(fe.states_dir, data_dir, "states");
  join_into(fe.nvram_dir, data_dir, "nvram");
  join_into(fe.screenshots_dir, data_dir, "screenshots");
  join_into(fe.movies_dir, data_dir, "movies");
  join_into(fe.log_path, data_dir, "frontend.log");
  for (const char* folder : {fe.states_dir, fe.nvram_dir, fe.screenshots_dir, fe.movies_dir}) {
    path_make_dirs(folder);
  }
  fe.slot = 1;

  if (!alloc_frame_buffers()) return 0;

  test_surface = SDL_CreateRGBSurfaceWithFormat(0, 1280, 760, 32, SDL_PIXELFORMAT_ARGB8888);
  if (!test_surface) return 0;
  fe.renderer = make_test_renderer();
  if (!fe.renderer) return 0;
  fe.draw = canvas_for_renderer(fe.renderer);
  create_game_texture();
  fe.output_w = 1280;
  fe.output_h = 760;
  fe.ui_unit = 100;
  fe.colour_dirty = 1;
  return fe.frame && fe.frame16 && fe.upload && fe.audio_buffer && fe.game_texture;
}

void frontend_test_teardown() {
  if (fe.movie_record) fclose(fe.movie_record);
  free(fe.movie_data);
  free_rewind_ring();
  for (slot_info& slot : fe.slots) {
    if (slot.thumbnail) SDL_DestroyTexture(slot.thumbnail);
  }
  if (fe.audio_stream) SDL_FreeAudioStream(fe.audio_stream);
  if (fe.audio_device && platform == &platform_sdl) SDL_CloseAudioDevice(fe.audio_device);
  for (int32_t i = 0; i < fe.controller_count && i < FE_MAX_CONTROLLERS; i++) {
    if (fe.controllers[i]) SDL_GameControllerClose(fe.controllers[i]);
  }
  frontend_release();  // the display, the buffers, the settings table, the log and SDL
  if (test_surface) SDL_FreeSurface(test_surface);  // after the renderer that drew on it
  test_surface = nullptr;
  if (test_window) SDL_DestroyWindow(test_window);
  test_window = nullptr;
  memset(&fe, 0, sizeof fe);
  platform = &platform_sdl;
}

void frontend_test_capture() {
  if (!test_window || !fe.renderer || !test_surface) return;
  SDL_RenderReadPixels(fe.renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, test_surface->pixels,
                       test_surface->pitch);
}

SDL_Surface* frontend_test_surface() {
  return test_surface;
}

uint32_t frontend_test_pixel(int x, int y) {
  if (!test_surface || x < 0 || y < 0 || x >= test_surface->w || y >= test_surface->h) return 0;
  const uint8_t* row = static_cast<const uint8_t*>(test_surface->pixels) + y * test_surface->pitch;
  uint32_t pixel;
  memcpy(&pixel, row + 4 * x, 4);
  return pixel & 0x00FFFFFFu;
}

const game_adapter* frontend_fixture::game() {
  return &fake_game_descriptor;
}

void frontend_fixture::SetUp() {
  ASSERT_EQ(frontend_test_setup(game(), dir.path()), 1) << SDL_GetError();
}

void frontend_fixture::TearDown() {
  frontend_test_teardown();
}
