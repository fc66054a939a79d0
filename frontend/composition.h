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

enum { AMBIENT_GLOW_W = 24, AMBIENT_GLOW_H = 18, TOAST_CHARS = 160 };

void compose_frame_base();
void compose_frame_overlays();

// The game picture shows under the menu: a game runs and the menu is closed or its top page
// is the pause menu, a slot page or a dialog (the Display page draws its own preview).
int32_t compose_game_visible();

// The toast's text as it is drawn in width pixels at size: on one line when it fits, else on
// two, broken where the first must end; when two are not enough, a path in it (a word begun
// with '/', up to a following ": " or the end) loses its start a folder at a time, "..." in its
// place, so that the file name and what follows it stay; a second line still too long is cut
// with "...". Gives the number of lines (1 or 2); an empty second line when 1.
int32_t toast_lines(const char* text, int32_t size, int32_t width, char lines[2][TOAST_CHARS]);

// The ambient glow's cells (0xFFRRGGBB, rows top to bottom): the width x height picture
// (0x..RRGGBB) as it is shown, turned by rotation quarter turns, each cell the mean of the
// pixels it covers.
void ambient_glow_cells(const uint32_t* picture, int32_t width, int32_t height, int32_t rotation,
                        uint32_t cells[AMBIENT_GLOW_W * AMBIENT_GLOW_H]);
