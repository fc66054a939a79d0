// The picture the main loop presents each loop, drawn through fe.draw in two calls around the
// menu page dispatch, on a target already cleared to opaque black:
//   compose_frame_base      the border (gradient wallpaper, ambient glow or black), the game
//                           picture, then the gadgets (menu closed) or the panel behind the
//                           menu; the menu background when no game picture shows under it;
//   (the main loop draws the open menu page here)
//   compose_frame_overlays  "PAUSED", "<< REWIND", the movie mark and the toast.
// Sizes follow fe.output_w, fe.output_h and fe.ui_unit as the main loop set them this loop.
// "<< REWIND" shows whenever fe.rewinding is set: the main loop clears it on every loop that
// does not advance the game, so the mark never outlives the rewinding itself.
#pragma once

#include <cstdint>

void compose_frame_base();
void compose_frame_overlays();

// The game picture shows under the menu: a game runs and the menu is closed or its top page
// is the pause menu, a slot page or a dialog (the Display page draws its own preview).
int32_t compose_game_visible();
