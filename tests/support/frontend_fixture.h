// The frontend tests' common ground: SDL on its dummy drivers, `fe` zero-filled with a game
// descriptor (the fake game unless a test picks another) with the default settings and bindings
// for it, the test platform installed, data folders in a scratch folder, the picture buffers and
// a software renderer over a 1280 x 760 surface (one ui unit is then one pixel), on which
// `fe.draw` draws; or SDL's OpenGL renderer on a window of that size (CB_TEST_RENDERER=opengl).
// Teardown frees whatever the frontend left in `fe` and shuts SDL down.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "adapter/game_adapter.h"
#include "scratch_dir.h"

struct SDL_Surface;

// Sets everything up for `game` (copied into fe like start-up does). 1 on success.
int frontend_test_setup(const game_adapter* game, const std::string& data_dir);
// Frees what `fe` holds and quits SDL; the platform goes back to SDL's.
void frontend_test_teardown();
// 1 when the tests draw through SDL's OpenGL renderer (CB_TEST_RENDERER=opengl, on a window of
// an X server) instead of the software renderer over the surface.
int frontend_test_on_opengl();
// On OpenGL, reads what was drawn into the surface (the test platform's present does this
// before it shows the picture); nothing on the software renderer, which draws into it.
void frontend_test_capture();
// The surface the pictures land in (ARGB8888, 1280 x 760).
SDL_Surface* frontend_test_surface();
// The pixel at (x, y) of that surface as 0x00RRGGBB (after SDL_RenderPresent or at any time on
// the software renderer).
uint32_t frontend_test_pixel(int x, int y);

class frontend_fixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // The descriptor SetUp installs; override to test with another.
  virtual const game_adapter* game();

  scratch_dir dir;  // fe.data_dir
};
