// The order of texture-state changes against the renderer's batching and its cached binding.
// SDL's OpenGL renderer sets a scale mode at once, binding the texture without telling its
// cache, while draws wait in a batch: a filter change must be followed by an upload (else the
// menu's text is drawn from the game texture: black boxes), and the ambient glow must leave its
// target before the picture's own scale mode returns (else the batched shrink uses that mode).
// The software renderer of these tests shows neither, so this binary is linked with the SDL
// calls wrapped, and the tests read the order in which they were made.
#include <gtest/gtest.h>

#include <SDL.h>

#include <functional>
#include <string>
#include <vector>

#include "frontend/composition.h"
#include "frontend/confirm_actions.h"
#include "frontend/frontend_state.h"
#include "menu_fixture.h"

namespace {
std::vector<std::string> calls;  // the wrapped calls on the game texture and the target

std::string texture_name(SDL_Texture* texture) {
  if (texture && texture == fe.game_texture) return "game";
  if (texture && texture == fe.glow_texture) return "glow";
  return texture ? "other" : "screen";
}
}  // namespace

extern "C" int __real_SDL_SetTextureScaleMode(SDL_Texture* texture, SDL_ScaleMode mode);
extern "C" int __wrap_SDL_SetTextureScaleMode(SDL_Texture* texture, SDL_ScaleMode mode) {
  calls.push_back("scale " + texture_name(texture) +
                  (mode == SDL_ScaleModeLinear ? " linear" : " nearest"));
  return __real_SDL_SetTextureScaleMode(texture, mode);
}
extern "C" int __real_SDL_UpdateTexture(SDL_Texture* texture, const SDL_Rect* rect,
                                        const void* pixels, int pitch);
extern "C" int __wrap_SDL_UpdateTexture(SDL_Texture* texture, const SDL_Rect* rect,
                                        const void* pixels, int pitch) {
  calls.push_back("upload " + texture_name(texture));
  return __real_SDL_UpdateTexture(texture, rect, pixels, pitch);
}
extern "C" int __real_SDL_SetRenderTarget(SDL_Renderer* renderer, SDL_Texture* texture);
extern "C" int __wrap_SDL_SetRenderTarget(SDL_Renderer* renderer, SDL_Texture* texture) {
  calls.push_back("target " + texture_name(texture));
  return __real_SDL_SetRenderTarget(renderer, texture);
}

namespace {

using TextureState = menu_fixture;

// Each scale-mode change of the game texture is followed at once by an upload of it.
void expect_each_scale_change_uploaded(const std::vector<std::string>& log) {
  int changes = 0;
  for (size_t i = 0; i < log.size(); i++) {
    if (log[i].rfind("scale game", 0) != 0) continue;
    changes++;
    ASSERT_LT(i + 1, log.size()) << "nothing after " << log[i];
    EXPECT_EQ(log[i + 1], "upload game") << "after " << log[i];
  }
  EXPECT_GT(changes, 0);
}

TEST_F(TextureState, EveryFilterChangeUploadsThePictureRightAfterSettingTheScaleMode) {
  struct change {
    const char* what;
    std::function<void()> run;
  };
  const change changes[] = {
      {"the Display page's Filtering row",
       [this] {
         stack({MENU_PAGE_MAIN, MENU_PAGE_DISPLAY});
         select(4);
         fe.menu.nav_right = 1;
         frame();
       }},
      {"the Display page's Restore Defaults",
       [this] {
         stack({MENU_PAGE_MAIN, MENU_PAGE_DISPLAY});
         select(15);
         fe.menu.nav_accept = 1;
         frame();
       }},
      {"resetting all settings", [] { reset_all_settings(); }},
  };
  for (const change& c : changes) {
    fe.settings.filter = 1;
    calls.clear();
    c.run();
    expect_each_scale_change_uploaded(calls);
    SDL_ScaleMode mode = SDL_ScaleModeBest;
    SDL_GetTextureScaleMode(fe.game_texture, &mode);
    EXPECT_EQ(mode, fe.settings.filter ? SDL_ScaleModeLinear : SDL_ScaleModeNearest) << c.what;
  }
}

TEST_F(TextureState, TheAmbientGlowShrinksThePictureLinearlyBeforeItsOwnModeReturns) {
  fe.draw = canvas_for_renderer(fe.renderer);  // the glow is drawn on the renderer itself
  game_running();
  fe.menu_open = 0;
  fe.settings.border = 2;
  fe.settings.filter = 0;
  calls.clear();
  compose_frame_base();
  const std::vector<std::string> expected = {"target glow", "scale game linear", "target screen",
                                             "scale game nearest"};
  std::vector<std::string> glow;
  for (const std::string& c : calls) {
    if (c.rfind("target", 0) == 0 || c.rfind("scale game", 0) == 0) glow.push_back(c);
  }
  EXPECT_EQ(glow, expected);
}

}  // namespace
