// The picture boxes beside the Main Menu and the slot pages: the largest box of the picture's
// shown aspect (the game's aspect, inverted for a quarter-turned picture) within a space, and a
// picture texture turned by the rotation setting so that it fills such a box.
#pragma once

#include <SDL.h>

#include <cstdint>

// The box for an available width and height; 0 x 0 when the space is empty.
void menu_preview_fit(int32_t avail_w, int32_t avail_h, int32_t* box_w, int32_t* box_h);

// Copies the unturned texture into the box at (left, top), turned by rotation quarter turns
// about the box centre.
void menu_preview_copy(SDL_Texture* texture, int32_t left, int32_t top, int32_t box_w,
                       int32_t box_h);
