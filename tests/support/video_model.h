// A plain model of the video chip's frame, one pixel at a time and in the chip's own order
// (levels, then sprites, layers and the colour effect), sharing nothing with the renderer in
// video/ but the machine record and the two lookup tables. The renderer is fast; this is the
// version that is easy to check by eye, and the tests hold the two to the same bits. Also the
// random scenes those tests render.
#pragma once

#include <cstdint>

struct machine;

// Renders one frame like video_render_frame: frame, compose_buffer, priority_buffer and
// zoom_scratch end up as the renderer leaves them. Uses layer_cache as its band cache.
void model_render_frame(machine* m);

// Fills a scene_new() machine with a random scene drawn from `seed`: tiles with empty rows and
// pens of every kind, a palette with magenta entries, zoom factors from 0 to 65535, random
// registers, layer pages and maps, and up to `max_sprites` latched sprites of every size,
// mirror and alpha. The same seed gives the same scene on every platform.
void model_random_scene(machine* m, uint32_t seed, int max_sprites);
