// Bringing the game's picture onto the screen: fetching it through the descriptor, the
// brightness and gamma colour table, the upload into the streaming game texture, and drawing
// that texture into a box: fitted or in whole multiples, at the game's aspect or with square
// pixels, turned, dimmed under the menu, with optional scanline and phosphor-mask overlays.
// What surrounds the picture is the frame composition's business.
#pragma once

#include <SDL.h>

#include <cstdint>

// Fills the 32-bit frame buffer from the game: the 32-bit picture operation, or the 16-bit one
// widened with bit replication when the descriptor has no 32-bit one.
void fetch_frame();

// Widens one x1r5g5b5 pixel to 0x00RRGGBB, each 5-bit channel c becoming c << 3 | c >> 2.
uint32_t xrgb1555_to_xrgb8888(uint16_t pixel);

// The colour table: entry i = trunc(min(1, brightness/100 * (i/255)^(100/gamma)) * 255 + 0.5).
void build_colour_table(int32_t brightness, int32_t gamma, uint8_t table[256]);

// Rebuilds the colour table when it is marked dirty, passes the frame buffer through it into
// the upload buffer and uploads that into the game texture (the turned copy follows when the
// picture is next drawn).
void upload_frame();

// (Re)makes the game texture: streaming ARGB8888 of the native size, opaque, scaled by the
// filter setting. 1 on success; 0 leaves fe.game_texture null.
int create_game_texture();

// The filter setting (linear for 1, else nearest) applied to the game texture and the turned
// picture, through texture_set_scale_mode: what is already queued is drawn with the old mode,
// and no draw of another texture is mistaken for theirs.
void apply_picture_filter();

// The picture's rectangle in a box_w x box_h box, unturned (turning it about its centre by
// rotation quarter turns keeps it centred): scale_mode 1 takes the largest whole multiple that
// fits (at least 1, even when it does not fit), anything else fits the box; square_pixels uses
// native_w / native_h as the aspect instead of `aspect`. An empty rectangle for a picture
// without size.
SDL_Rect picture_placement(int32_t box_w, int32_t box_h, int32_t native_w, int32_t native_h,
                           double aspect, int32_t scale_mode, int32_t square_pixels,
                           int32_t rotation);

// The placed rectangle as it shows turned by rotation quarter turns: the same centre, width and
// height exchanged for an odd rotation.
SDL_Rect picture_screen_rect(const SDL_Rect* placed, int32_t rotation);

// Walking one row of a picture turned clockwise by rotation quarter turns (taken & 3): the
// source pixel (sx, sy) of the turned row's first pixel and the source step (dx, dy) from one
// pixel of the row to the next. The turned picture is height wide and width high for an odd
// rotation. Uploads, overlays and screenshots all turn through this.
struct turn_walk {
  int32_t sx, sy, dx, dy;
};
turn_walk picture_turn_row(int32_t width, int32_t height, int32_t rotation, int32_t row);

// One pixel (0xFFRRGGBB) of the phosphor mask at row, column of the unturned picture: mask 1
// aperture grille, 2 shadow mask, 3 slot mask; the unlit channels are at 255 - 2/3 of strength
// percent of 255. Any other mask leaves the picture alone (white).
uint32_t crt_mask_pixel(int32_t mask, int32_t strength, int32_t row, int32_t column);

// Draws the picture and its overlays into the box whose top-left corner is the origin of the
// current viewport, through fe.draw; dim (nonzero while a menu page is open) darkens it. The
// turned picture comes from turned_texture (filled from the upload buffer when stale); when it
// cannot be made, the game texture is copied turned instead. Nothing is drawn without the game
// texture.
void draw_game_picture(int32_t box_w, int32_t box_h, int32_t dim);

// Makes sure the scanline texture exists and, when a mask is chosen, that the mask texture was
// built for this placed rectangle's size, the mask settings and the rotation; both are built
// turned as the picture shows. A texture that cannot be made stays null (the mask is not tried
// again until its size, settings or rotation change).
void build_crt_overlays(const SDL_Rect* picture);
