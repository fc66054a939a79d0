// Textures made and changed safely while SDL batches draws. SDL keeps the draws of a frame in a
// queue and carries them out later (at present, a read-back or a target change); a texture's
// colour and alpha modulation and its blend mode are taken along with each queued draw, but its
// scale mode is set on the texture at once. SDL's OpenGL renderers also bind the texture to set
// it, behind the back of their cache of the texture in use: the next queued draw of the texture
// they believe bound (the font, say) is then drawn from this one. So a scale mode is set when a
// texture is made, before anything can draw it, and changed only through
// texture_set_scale_mode.
#pragma once

#include <SDL.h>

#include <cstdint>

// A texture with its scale and blend modes set before it is first used; null when SDL cannot
// make it (SDL_GetError says why). The caller destroys it with SDL_DestroyTexture.
SDL_Texture* texture_create(SDL_Renderer* renderer, uint32_t format, int access, int32_t width,
                            int32_t height, SDL_ScaleMode scale_mode, SDL_BlendMode blend_mode);

// Changes the scale mode of a texture that may already be drawn this frame: the draws queued so
// far are carried out first with the old mode, then the mode changes and the renderer forgets
// which texture it had bound. Nothing happens when the mode is already this one.
void texture_set_scale_mode(SDL_Renderer* renderer, SDL_Texture* texture, SDL_ScaleMode mode);
