// Bringing the game's picture onto the screen: fetching it through the descriptor, the
// brightness and gamma colour table, and the upload into the streaming game texture.
#pragma once

#include <cstdint>

// Fills the 32-bit frame buffer from the game: the 32-bit picture operation, or the 16-bit one
// widened with bit replication when the descriptor has no 32-bit one.
void fetch_frame();

// Widens one x1r5g5b5 pixel to 0x00RRGGBB, each 5-bit channel c becoming c << 3 | c >> 2.
uint32_t xrgb1555_to_xrgb8888(uint16_t pixel);

// The colour table: entry i = trunc(min(1, brightness/100 * (i/255)^(100/gamma)) * 255 + 0.5).
void build_colour_table(int32_t brightness, int32_t gamma, uint8_t table[256]);

// Rebuilds the colour table when it is marked dirty, passes the frame buffer through it and
// uploads the result into the game texture.
void upload_frame();
