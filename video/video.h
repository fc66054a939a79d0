// The KV7100A video chip as the board sees it: palette conversion, reset, the sprite latch,
// the frame renderer and the copy-out of the finished picture. Every function works on the
// video areas of the machine record only; the memory map that the game writes them through
// and the frame loop that calls these functions belong to the board. None of them can fail.
#pragma once

#include <array>
#include <cstdint>

struct machine;

// Alpha 0-255 of a 6-bit level x: 0 is invisible, 63 opaque.
constexpr int alpha_from_level(int x) {
  return x << 2 | x >> 4;
}

// Opacity of pen p (0-255) when a sprite or layer uses per-pen alpha: pens 0-191 are opaque,
// pens 192-255 fade from 255 down to 0.
constexpr int video_pen_opacity(int p) {
  return p < 192 ? 255 : alpha_from_level(63 - (p - 192));
}

// video_pen_opacity of every pen.
extern const std::array<uint8_t, 256> pen_alpha;

// Step of a per-line layer zoom in 1/1024 source pixel per screen pixel: 65536 / (z + 64).
extern const std::array<uint16_t, 256> zoom_reciprocal;

// Reconverts palette entry `index` (0-5119) from palette_ram into palette_argb. The memory map
// calls it after every palette write; reset and state load call it for every entry. Indices
// outside the palette are ignored.
void video_update_palette_entry(machine* m, uint32_t index);

// Clears the renderer's work area, from sprite_count through the end of frame. Video RAM,
// palette, zoom table, registers and the latched records themselves are left as they are.
void video_reset(machine* m);

// Unpacks the game's sprite list from video RAM into sprites and sets sprite_count. The frame
// loop calls it right after rendering, so a frame shows the list of the frame before.
void video_latch_sprites(machine* m);

// Renders one frame of the current video state and the latched sprites into frame.
void video_render_frame(machine* m);

// Copies the 320 x 224 words of frame (0x00RRGGBB, rows top to bottom) to destination.
void video_copy_frame(const machine* m, uint32_t* destination);
