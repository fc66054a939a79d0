// Making textures and changing their scale mode around SDL's batched draws.
#include "ui/textures.h"

SDL_Texture* texture_create(SDL_Renderer* renderer, uint32_t format, int access, int32_t width,
                            int32_t height, SDL_ScaleMode scale_mode, SDL_BlendMode blend_mode) {
  if (!renderer) return nullptr;
  SDL_Texture* texture = SDL_CreateTexture(renderer, format, access, width, height);
  if (!texture) return nullptr;
  // A texture being made leaves the renderer bound to none it knows of: setting the mode here
  // binds nothing the next draw could mistake for its own.
  SDL_SetTextureScaleMode(texture, scale_mode);
  SDL_SetTextureBlendMode(texture, blend_mode);
  return texture;
}

void texture_set_scale_mode(SDL_Renderer* renderer, SDL_Texture* texture, SDL_ScaleMode mode) {
  if (!renderer || !texture) return;
  SDL_ScaleMode now = mode;
  if (SDL_GetTextureScaleMode(texture, &now) == 0 && now == mode) return;
  SDL_RenderFlush(renderer);
  SDL_SetTextureScaleMode(texture, mode);
  // Making a texture is what makes SDL's OpenGL renderers forget their bound texture (a scale
  // mode does not, nor a flush, a present or a target change): the next draw binds its own.
  SDL_Texture* renew =
      SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, 1, 1);
  if (renew) SDL_DestroyTexture(renew);
}
