// Texture state against the renderer's batching. SDL's OpenGL renderers set a scale mode at once
// by binding the texture behind their cache, while the frame's draws wait in a batch: a scale
// mode set in the middle of a frame makes the next queued draws of the texture they believe
// bound (the menu's text) come out of this one. So no frame changes a scale mode or the render
// target; a texture gets its modes when it is made. The software renderer of these tests shows
// no such fault, so this binary is linked with the SDL calls wrapped and reads which were made;
// the golden pictures on the OpenGL renderer show the faults themselves.
#include <gtest/gtest.h>

#include <SDL.h>

#include <functional>
#include <string>
#include <vector>

#include "app/main_loop.h"
#include "frontend/composition.h"
#include "frontend/frontend_state.h"
#include "frontend/picture.h"
#include "menu_fixture.h"

namespace {
std::vector<std::string> calls;  // the wrapped calls made
}  // namespace

extern "C" int __real_SDL_SetTextureScaleMode(SDL_Texture* texture, SDL_ScaleMode mode);
extern "C" int __wrap_SDL_SetTextureScaleMode(SDL_Texture* texture, SDL_ScaleMode mode) {
  calls.push_back("scale");
  return __real_SDL_SetTextureScaleMode(texture, mode);
}
extern "C" int __real_SDL_SetRenderTarget(SDL_Renderer* renderer, SDL_Texture* texture);
extern "C" int __wrap_SDL_SetRenderTarget(SDL_Renderer* renderer, SDL_Texture* texture) {
  calls.push_back("target");
  return __real_SDL_SetRenderTarget(renderer, texture);
}

namespace {

class TextureState : public menu_fixture {
 protected:
  void SetUp() override {
    menu_fixture::SetUp();
    fe.draw = canvas_for_renderer(fe.renderer);
    game_running();
    fetch_frame();
    upload_frame();
  }
};

TEST_F(TextureState, AFrameAfterTheFirstChangesNoScaleModeAndNoRenderTarget) {
  struct situation {
    const char* what;
    std::function<void()> set;
  };
  const situation situations[] = {
      {"the turned game with the ambient glow, scanlines, a mask and gadgets",
       [] {
         fe.menu_open = 0;
         fe.settings.border = 2;
         fe.settings.scanlines = 40;
         fe.settings.mask = 2;
         fe.settings.gadgets[GADGET_FPS].enabled = 1;
       }},
      {"the unturned game under the pause menu",
       [this] {
         fe.settings.rotation = 0;
         open_on(MENU_PAGE_PAUSE);
       }},
      {"the Display page's live picture",
       [this] {
         stack({MENU_PAGE_PAUSE, MENU_PAGE_DISPLAY});
       }},
  };
  for (const situation& s : situations) {
    s.set();
    main_loop_draw_picture();  // the first makes what the picture needs
    calls.clear();
    main_loop_draw_picture();
    EXPECT_TRUE(calls.empty()) << s.what << ": " << calls.size() << " calls, the first "
                               << (calls.empty() ? "" : calls[0]);
  }
}

}  // namespace
