// Golden scenes: whole frames of synthetic scenes, each pinned by the hash of its frame in
// golden/hashes.txt and kept as golden/<name>.png to look at. Each test also checks a few
// pixels computed by hand. To re-pin after a deliberate change, run this binary (not ctest,
// which runs the cases in parallel) with CB_REPIN_GOLDEN=1: it rewrites the PNGs and hashes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "board/machine.h"
#include "video/video.h"
#include "video_scene.h"

namespace {

const std::string GOLDEN_DIR = CB_GOLDEN_DIR;

std::map<std::string, std::string> read_hashes() {
  std::map<std::string, std::string> hashes;
  std::ifstream in(GOLDEN_DIR + "/hashes.txt");
  std::string name, hash;
  while (in >> name >> hash) hashes[name] = hash;
  return hashes;
}

std::string hex64(uint64_t v) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
  return text;
}

void check_golden(const machine* m, const std::string& name) {
  const std::string png = GOLDEN_DIR + "/" + name + ".png";
  const std::string hash = hex64(scene_frame_hash(m));
  const char* repin = std::getenv("CB_REPIN_GOLDEN");
  if (repin && *repin) {
    ASSERT_EQ(scene_write_png(png, m->frame), 1) << png;
    std::map<std::string, std::string> hashes = read_hashes();
    hashes[name] = hash;
    std::ofstream out(GOLDEN_DIR + "/hashes.txt");
    for (const auto& [n, h] : hashes) out << n << " " << h << "\n";
    std::printf("re-pinned %s %s\n", name.c_str(), hash.c_str());
    return;
  }
  const std::map<std::string, std::string> hashes = read_hashes();
  const auto pinned = hashes.find(name);
  ASSERT_NE(pinned, hashes.end()) << name << " is not pinned (CB_REPIN_GOLDEN=1 pins it)";
  EXPECT_EQ(hash, pinned->second) << name << " changed";
  // The picture kept for people to look at is the pinned one.
  std::vector<uint32_t> picture;
  ASSERT_EQ(scene_read_png(png, &picture), 1) << png;
  EXPECT_TRUE(std::equal(picture.begin(), picture.end(), m->frame)) << png << " is stale";
}

// --- art, all drawn from integer geometry

// Palette q, pens 1-15: a ramp from `dark` to `light`.
void ramp_palette(machine* m, uint32_t q, uint32_t dark, uint32_t light) {
  for (uint32_t p = 1; p < 16; p++) {
    uint32_t rgb = 0;
    for (int shift : {16, 8, 0}) {
      const int a = dark >> shift & 0xFF, b = light >> shift & 0xFF;
      rgb |= static_cast<uint32_t>(a + (b - a) * static_cast<int>(p - 1) / 14) << shift;
    }
    scene_palette(m, q * 16 + p, rgb);
  }
}

// A 4-bit arrow pointing right, lighter in its top half: mirroring shows in both directions.
void arrow_tile(machine* m, uint32_t tile) {
  uint8_t pens[256] = {};
  for (int j = 0; j < 16; j++)
    for (int i = 0; i < 16; i++) {
      const int dy2 = 2 * j - 15 < 0 ? 15 - 2 * j : 2 * j - 15;  // |2j - 15|
      const bool shaft = i >= 1 && i < 9 && j >= 5 && j <= 10;
      const bool head = i >= 8 && dy2 <= 2 * (15 - i);
      if (shaft || head) pens[16 * j + i] = static_cast<uint8_t>(j < 8 ? 13 : 6);
    }
  scene_tile4(m, tile, pens);
}

// A 4-bit ball lit from the top left.
void ball_tile(machine* m, uint32_t tile) {
  uint8_t pens[256] = {};
  for (int j = 0; j < 16; j++)
    for (int i = 0; i < 16; i++) {
      const int dx = 2 * i - 15, dy = 2 * j - 15;
      if (dx * dx + dy * dy > 15 * 15) continue;
      const int lx = 2 * i - 9, ly = 2 * j - 9;
      const int d = lx * lx + ly * ly;  // 0-800 from the highlight
      pens[16 * j + i] = static_cast<uint8_t>(15 - d * 14 / 800);
    }
  scene_tile4(m, tile, pens);
}

// A 4-bit brick pattern: mortar pen 2, bricks pens 8-10.
void brick_tile(machine* m, uint32_t tile) {
  uint8_t pens[256];
  for (int j = 0; j < 16; j++)
    for (int i = 0; i < 16; i++) {
      const bool mortar = j % 8 == 0 || (j < 8 ? i == 0 : i == 8);
      pens[16 * j + i] = static_cast<uint8_t>(mortar ? 2 : 8 + (i * 7 + j * 3) % 3);
    }
  scene_tile4(m, tile, pens);
}

// A 4-bit tile with a border (pen 15) and a diagonal (pen 9), so tile edges and their
// direction show: used for the maps of scrolled and zoomed layers.
void grid_tile(machine* m, uint32_t tile, uint8_t fill) {
  uint8_t pens[256];
  for (int j = 0; j < 16; j++)
    for (int i = 0; i < 16; i++)
      pens[16 * j + i] = static_cast<uint8_t>(i == 0 || j == 0 ? 15 : i == j ? 9 : fill);
  scene_tile4(m, tile, pens);
}

// An 8-bit tile whose pens run 192-255 from left to right, top to bottom: per-pen alpha
// fades it from opaque at the top left to invisible at the bottom right.
void fade_tile(machine* m, uint32_t tile) {
  uint8_t pens[256];
  for (int j = 0; j < 16; j++)
    for (int i = 0; i < 16; i++) pens[16 * j + i] = static_cast<uint8_t>(192 + (i + j) * 63 / 30);
  scene_tile8(m, tile, pens);
}

// An 8-bit blob: a disc of pens 1-40 with pen 0 around it.
void blob_tile(machine* m, uint32_t tile) {
  uint8_t pens[256] = {};
  for (int j = 0; j < 16; j++)
    for (int i = 0; i < 16; i++) {
      const int dx = 2 * i - 15, dy = 2 * j - 15;
      const int d = dx * dx + dy * dy;
      if (d <= 14 * 14) pens[16 * j + i] = static_cast<uint8_t>(1 + d * 39 / 196);
    }
  scene_tile8(m, tile, pens);
}

// A smooth integer wave with period 64 and amplitude `a`.
int wave(int t, int a) {
  const int p = ((t % 64) + 64) % 64;
  const int s = p < 32 ? p * (32 - p) : -(p - 32) * (64 - p);  // -256..256
  return s * a / 256;
}

// A layer map over a whole bank pair (32 rows): tiles alternate between two in a checker.
void checker_map(machine* m, uint32_t bank, uint32_t tile_a, uint32_t tile_b, uint32_t palette_a,
                 uint32_t palette_b) {
  for (uint32_t r = 0; r < 32; r++)
    for (uint32_t c = 0; c < 32; c++) {
      const bool a = (r + c) % 2 == 0;
      scene_map_entry(m, bank, r, c, a ? palette_a : palette_b, a ? tile_a : tile_b);
    }
}

// 4-bit tiles from 2 on, so that 8-bit tile 0 (the bytes of 4-bit tiles 0 and 1) is empty.
constexpr uint32_t ARROW = 2, BALL = 3, BRICK = 4, GRID_A = 5, GRID_B = 6;
constexpr uint32_t SOLID = 10;              // tiles 10-49: all pen 1
constexpr uint32_t FADE = 100, BLOB = 101;  // 8-bit tiles, clear of the 4-bit ones

void standard_art(machine* m) {
  arrow_tile(m, ARROW);
  ball_tile(m, BALL);
  brick_tile(m, BRICK);
  grid_tile(m, GRID_A, 4);
  grid_tile(m, GRID_B, 11);
  fade_tile(m, FADE);
  blob_tile(m, BLOB);
  for (uint32_t t = SOLID; t < SOLID + 40; t++) scene_tile4_fill(m, t, 1);
  ramp_palette(m, 1, 0x401000, 0xFFE080);                                       // warm: arrows
  ramp_palette(m, 2, 0x002040, 0x80E0FF);                                       // cold: balls
  ramp_palette(m, 3, 0x202020, 0xC06040);                                       // bricks
  ramp_palette(m, 4, 0x103010, 0x90F090);                                       // green grid
  ramp_palette(m, 5, 0x301030, 0xF090F0);                                       // magenta grid
  for (uint32_t p = 192; p < 256; p++) scene_palette(m, 6 * 16 + p, 0xFFFFFF);  // fade: white
  for (uint32_t p = 1; p <= 40; p++)
    scene_palette(m, 7 * 16 + p, 0xFFFFFF - (p * 4) * 0x010101);  // blob: white to grey
}

// A vertical background gradient from navy to teal on line table page 29.
void gradient_background(machine* m) {
  for (uint32_t line = 0; line < VIDEO_HEIGHT; line++)
    scene_background(m, 29, line, 0x000040 + (line / 2) * 0x000100 + (line / 4));
}

}  // namespace

// A navy-to-teal gradient. A solid yellow band across lines 40-59 (colour effect fill), and
// from line 100 to 163 white fading in over the gradient, strongest at the bottom of the
// band; below it the plain gradient again.
TEST(VideoGolden, BackgroundAndColourEffect) {
  scene_ptr m(scene_new());
  gradient_background(m.get());
  for (uint32_t line = 40; line < 60; line++) scene_effect(m.get(), 29, line, 0xFFE00080);
  for (uint32_t line = 100; line < 164; line++)
    scene_effect(m.get(), 29, line, 0xFFFFFF00 | (line - 100 + 1));
  video_render_frame(m.get());
  EXPECT_EQ(scene_pixel(m.get(), 0, 0), 0x000040u);
  EXPECT_EQ(scene_pixel(m.get(), 300, 50), 0xFFE000u);
  // Line 131: background 0x41 << 8 | 0x20 + 0x40 = 0x004160; weight 2 x 32 = 64.
  // Red (255 * 64) >> 8 = 63; green (255 * 64 + 0x41 * 192) >> 8 = 112; blue (255 * 64 +
  // 0x60 * 192) >> 8 = 135.
  EXPECT_EQ(scene_pixel(m.get(), 10, 131), 0x3F7087u);
  EXPECT_EQ(scene_pixel(m.get(), 10, 200), 0x006472u);
  check_golden(m.get(), "background_and_effect");
}

// Over the gradient, top row: four arrows pointing right, left, right with the light half
// at the bottom, left with the light half at the bottom. Second row: a 3 x 2 sprite (arrow,
// ball, bricks over two grid tiles and an empty one), then the same mirrored both ways.
// Third row: the 8-bit blob. At the edges, arrows cut in half at the left and right border
// and at the top and bottom.
TEST(VideoGolden, PlainSprites) {
  scene_ptr m(scene_new());
  standard_art(m.get());
  gradient_background(m.get());
  std::vector<scene_sprite> s;
  for (int k = 0; k < 4; k++)
    s.push_back(
        {.x = 40 + 40 * k, .y = 30, .flip_x = k % 2, .flip_y = k / 2, .tile = ARROW, .palette = 1});
  for (int k = 0; k < 2; k++)
    s.push_back({.x = 40 + 80 * k,
                 .y = 70,
                 .width = 3,
                 .height = 2,
                 .flip_x = k,
                 .flip_y = k,
                 .tile = ARROW,
                 .palette = 1});
  s.push_back({.x = 40, .y = 130, .tile = BLOB, .palette = 7, .is_8bpp = 1});
  s.push_back({.x = -8, .y = 100, .tile = ARROW, .palette = 1});
  s.push_back({.x = 312, .y = 100, .tile = ARROW, .palette = 1});
  s.push_back({.x = 200, .y = -8, .tile = ARROW, .palette = 1});
  s.push_back({.x = 200, .y = 216, .tile = ARROW, .palette = 1});
  scene_sprites(m.get(), s);
  video_render_frame(m.get());
  // Arrow pen 13 of palette 1 (top half): 0x40 + (0xFF - 0x40) * 12 / 14 etc.
  const uint32_t light = (0x40 + (0xFF - 0x40) * 12 / 14) << 16 |
                         (0x10 + (0xE0 - 0x10) * 12 / 14) << 8 | (0x00 + (0x80 - 0x00) * 12 / 14);
  EXPECT_EQ(scene_pixel(m.get(), 40 + 4, 30 + 6), light);       // right-pointing, top half
  EXPECT_EQ(scene_pixel(m.get(), 80 + 15 - 4, 30 + 6), light);  // mirrored: shaft on the right
  EXPECT_EQ(scene_pixel(m.get(), 120 + 4, 30 + 9), light);      // upside down: light below
  EXPECT_EQ(scene_pixel(m.get(), 0, 100 + 6), light);           // clipped at the left
  check_golden(m.get(), "plain_sprites");
}

// Balls on the gradient, left to right: double size (zoom 512), 1.5x (683), 1:1 (1024),
// two-thirds (1536), half (2048); below: stretched wide (512 x 1024), squashed flat (1024 x
// 2048), a 2 x 2 sprite (arrow and ball over bricks and grid) doubled and mirrored left to
// right, a tiny ball (3000); last a 2 x 1 grid sprite at zoom 1, which fills everything from
// line 180 down with its first pixel (the light green border).
TEST(VideoGolden, ZoomedSprites) {
  scene_ptr m(scene_new());
  standard_art(m.get());
  gradient_background(m.get());
  const uint32_t zooms[] = {1024, 512, 683, 1536, 2048, 1, 3000};
  for (uint32_t k = 0; k < 7; k++) scene_zoom(m.get(), k, zooms[k]);
  std::vector<scene_sprite> s = {
      {.x = 10, .y = 10, .zoom_x = 1, .zoom_y = 1, .tile = BALL, .palette = 2},
      {.x = 60, .y = 10, .zoom_x = 2, .zoom_y = 2, .tile = BALL, .palette = 2},
      {.x = 100, .y = 10, .zoom_x = 0, .zoom_y = 0, .tile = BALL, .palette = 2},
      {.x = 130, .y = 10, .zoom_x = 3, .zoom_y = 3, .tile = BALL, .palette = 2},
      {.x = 155, .y = 10, .zoom_x = 4, .zoom_y = 4, .tile = BALL, .palette = 2},
      {.x = 10, .y = 70, .zoom_x = 1, .zoom_y = 0, .tile = BALL, .palette = 2},
      {.x = 60, .y = 70, .zoom_x = 0, .zoom_y = 4, .tile = BALL, .palette = 2},
      {.x = 100,
       .y = 70,
       .width = 2,
       .height = 2,
       .flip_x = 1,
       .zoom_x = 1,
       .zoom_y = 1,
       .tile = ARROW,
       .palette = 1},
      {.x = 200, .y = 70, .zoom_x = 6, .zoom_y = 6, .tile = BALL, .palette = 2},
      {.x = -100, .y = 180, .width = 2, .zoom_x = 5, .zoom_y = 5, .tile = GRID_A, .palette = 4},
  };
  scene_sprites(m.get(), s);
  video_render_frame(m.get());
  // The doubled ball's centre is data pixel (7, 7) or (8, 8) at (10 + 15, 10 + 15).
  EXPECT_NE(scene_pixel(m.get(), 25, 25), scene_pixel(m.get(), 0, 25));
  // Zoom 1 makes the grid tile's data pixel (0, 0) (border pen 15) fill everything below.
  const uint32_t border = 0x90F090;
  EXPECT_EQ(scene_pixel(m.get(), 0, 223), border);
  EXPECT_EQ(scene_pixel(m.get(), 319, 180), border);
  EXPECT_NE(scene_pixel(m.get(), 0, 179), border);
  check_golden(m.get(), "zoomed_sprites");
}

// Stacking by list position and level. Top left, three overlapping squares: red (list
// position 1, level 3), green (2, level 2), blue (3, level 1): blue lies on top, then green,
// then red, whatever their levels. Top right, a white square at position 0 (level 3) over a
// yellow one at position 4 (level 0): position 0 is never hidden. Across lines 144-191 a
// brick band at level 2; three doubled balls straddle its top edge: the level-1 and the
// level-2 one disappear under the bricks (a layer covers the sprites of its own level), the
// level-3 one lies on top.
TEST(VideoGolden, Priorities) {
  scene_ptr m(scene_new());
  standard_art(m.get());
  gradient_background(m.get());
  scene_palette(m.get(), 8 * 16 + 1, 0xE02020);
  scene_palette(m.get(), 9 * 16 + 1, 0x20C020);
  scene_palette(m.get(), 10 * 16 + 1, 0x2040E0);
  scene_palette(m.get(), 11 * 16 + 1, 0xF0F0F0);
  scene_palette(m.get(), 12 * 16 + 1, 0xF0E020);
  for (uint32_t i = 0; i < 4; i++) scene_sprite_level(m.get(), i, i);
  scene_zoom(m.get(), 1, 512);
  for (uint32_t r = 9; r < 12; r++)
    for (uint32_t c = 0; c < 32; c++) scene_map_entry(m.get(), 10, r, c, 3, BRICK);
  scene_layer(m.get(), 0, {.page = 1});
  scene_normal_layer(m.get(), 1, 0, 0, scene_layer_attr(2, 10));
  const scene_sprite square = {.width = 5, .height = 5, .tile = SOLID};
  auto at = [](scene_sprite s, int x, int y, int level, int palette) {
    s.x = x, s.y = y, s.priority_index = level, s.palette = palette;
    return s;
  };
  const scene_sprite ball = {.zoom_x = 1, .zoom_y = 1, .tile = BALL, .palette = 2};
  std::vector<scene_sprite> s = {
      at({.width = 3, .height = 3, .tile = SOLID}, 230, 20, 3, 11),
      at(square, 20, 10, 3, 8),
      at(square, 60, 30, 2, 9),
      at(square, 100, 50, 1, 10),
      at({.width = 3, .height = 3, .tile = SOLID}, 250, 40, 0, 12),
      at(ball, 40, 130, 1, 2),
      at(ball, 120, 130, 2, 2),
      at(ball, 200, 130, 3, 2),
  };
  scene_sprites(m.get(), s);
  video_render_frame(m.get());
  EXPECT_EQ(scene_pixel(m.get(), 110, 60), 0x2040E0u);  // blue over green
  EXPECT_EQ(scene_pixel(m.get(), 70, 40), 0x20C020u);   // green over red
  EXPECT_EQ(scene_pixel(m.get(), 25, 15), 0xE02020u);   // red
  EXPECT_EQ(scene_pixel(m.get(), 260, 50), 0xF0F0F0u);  // white (position 0) over yellow
  EXPECT_EQ(scene_pixel(m.get(), 260, 80), 0xF0E020u);  // yellow below it
  // Bricks hide the lower halves of the first two balls, not the third; x = 36 is the same
  // column of a brick tile without a ball.
  EXPECT_EQ(scene_pixel(m.get(), 52, 150), scene_pixel(m.get(), 36, 150));
  EXPECT_EQ(scene_pixel(m.get(), 132, 150), scene_pixel(m.get(), 36, 150));
  EXPECT_NE(scene_pixel(m.get(), 212, 150), scene_pixel(m.get(), 36, 150));
  EXPECT_NE(scene_pixel(m.get(), 52, 140), scene_pixel(m.get(), 20, 140));  // top halves show
  check_golden(m.get(), "priorities");
}

// Alpha over a green and magenta checker layer. Top row, left to right: white squares with
// alpha bytes 0x00 (opaque), 0x10, 0x20, 0x30 (faint) and 0x3F (invisible, a gap).
// Second row: three per-pen fade sprites (1:1, doubled, tripled), solid white at their top
// left fading to nothing at the bottom right. Third row: the blob with alpha 0x20 (half).
TEST(VideoGolden, Alpha) {
  scene_ptr m(scene_new());
  standard_art(m.get());
  checker_map(m.get(), 10, GRID_A, GRID_B, 4, 5);
  scene_layer(m.get(), 0, {.rows32 = 1, .page = 1});
  scene_normal_layer(m.get(), 1, 0, 0, scene_layer_attr(0, 10));
  scene_sprite_level(m.get(), 0, 1);
  const uint32_t bytes[] = {0x00, 0x10, 0x20, 0x30, 0x3F, 0x80};
  for (uint32_t j = 0; j < 6; j++) scene_alpha_byte(m.get(), j, bytes[j]);
  scene_palette(m.get(), 8 * 16 + 1, 0xFFFFFF);
  scene_zoom(m.get(), 1, 512);
  scene_zoom(m.get(), 2, 342);
  std::vector<scene_sprite> s;
  for (int k = 0; k < 5; k++)
    s.push_back({.x = 16 + 60 * k,
                 .y = 20,
                 .width = 3,
                 .height = 3,
                 .tile = SOLID,
                 .palette = 8,
                 .alpha_select = k});
  for (int k = 0; k < 3; k++)
    s.push_back({.x = 40 + 90 * k,
                 .y = 90,
                 .zoom_x = k,
                 .zoom_y = k,
                 .tile = FADE,
                 .palette = 6,
                 .is_8bpp = 1,
                 .alpha_select = 5});
  s.push_back({.x = 150,
               .y = 170,
               .width = 1,
               .tile = BLOB,
               .palette = 7,
               .is_8bpp = 1,
               .alpha_select = 2});
  scene_sprites(m.get(), s);
  video_render_frame(m.get());
  EXPECT_EQ(scene_pixel(m.get(), 30, 30), 0xFFFFFFu);
  // The invisible square leaves the grid border at (256, 32) as it is at (256, 0).
  EXPECT_EQ(scene_pixel(m.get(), 256, 32), scene_pixel(m.get(), 256, 0));
  // Grid A's fill, pen 4 of palette 4: 0x10 + 0x80 * 3 / 14 = 0x2B, 0x30 + 0xC0 * 3 / 14 =
  // 0x59. Alpha byte 0x20 gives 125: white over it is (255 * 125 + p * 131) >> 8 per channel.
  EXPECT_EQ(scene_pixel(m.get(), 140, 5), 0x2B592Bu);
  EXPECT_EQ(scene_pixel(m.get(), 140, 40), 0x92AA92u);
  EXPECT_EQ(scene_pixel(m.get(), 40, 90), 0xFFFFFFu);  // fade pen 192: opaque
  // Fade data pixel (15, 15), pen 255: invisible.
  EXPECT_EQ(scene_pixel(m.get(), 40 + 15, 90 + 15),
            scene_pixel(m.get(), 40 + 15 + 32, 90 + 15 + 32));
  check_golden(m.get(), "alpha");
}

// Four normal layers: bricks at the back (layer 0, scrolled 5 right and 3 down), the green
// and magenta checker (layer 1, 4-bit, only its first ten map columns filled) over it, a band of
// 8-bit blobs (layer 2) half transparent across the middle, and per-pen fading tiles (layer 3) in a
// column at the right.
TEST(VideoGolden, NormalLayers) {
  scene_ptr m(scene_new());
  standard_art(m.get());
  for (uint32_t r = 0; r < 16; r++)
    for (uint32_t c = 0; c < 32; c++) {
      scene_map_entry(m.get(), 10, r, c, 3, BRICK);
      if (c < 10)
        scene_map_entry(m.get(), 12, r, c, (r + c) % 2 ? 4 : 5, (r + c) % 2 ? GRID_A : GRID_B);
      if (r >= 6 && r < 9) scene_map_entry(m.get(), 14, r, c, 7, BLOB);
      if (c >= 16 && c < 19) scene_map_entry(m.get(), 16, r, c, 6, FADE);
    }
  scene_layer(m.get(), 0, {.page = 1});
  scene_layer(m.get(), 1, {.page = 1});
  scene_layer(m.get(), 2, {.is_8bpp = 1, .page = 1});
  scene_layer(m.get(), 3, {.is_8bpp = 1, .page = 1});
  scene_normal_layer(m.get(), 1, 0, scene_layer_scroll(5, 0, 3, 0), scene_layer_attr(0, 10));
  scene_normal_layer(m.get(), 1, 1, scene_layer_scroll(0, 31, 0, 31), scene_layer_attr(0, 12));
  scene_normal_layer(m.get(), 1, 2, scene_layer_scroll(8, 0, 0, 0), scene_layer_attr(0, 14, 32));
  scene_normal_layer(m.get(), 1, 3, 0, scene_layer_attr(0, 16, 0, 1));
  video_render_frame(m.get());
  // Layer 1 starts at map column 0 at x = -16: screen (0, 0) is its tile (1, 1) corner.
  EXPECT_EQ(scene_pixel(m.get(), 0, 0), 0xF090F0u);  // grid border, pen 15 of palette 5
  // Bricks: mortar (pen 2 of palette 3) on line 3 (map row 0, tile line 0) at x = 200.
  const uint32_t mortar = (0x20 + (0xC0 - 0x20) / 14) << 16 | (0x20 + (0x60 - 0x20) / 14) << 8 |
                          (0x20 + (0x40 - 0x20) / 14);
  EXPECT_EQ(scene_pixel(m.get(), 200, 3), mortar);
  check_golden(m.get(), "normal_layers");
}

// A per-line layer over the gradient: the checker of grid tiles waves left and right down
// the screen (x scroll from a smooth wave) and is scrolled up by 40 lines; lines 100-123
// stand still, and lines 180-223 show nothing (their attribute is at level 9).
TEST(VideoGolden, PerLineScroll) {
  scene_ptr m(scene_new());
  standard_art(m.get());
  gradient_background(m.get());
  checker_map(m.get(), 10, GRID_A, GRID_B, 4, 5);
  scene_layer(m.get(), 0, {.per_line = 1, .page = 1});
  for (uint32_t line = 0; line < VIDEO_HEIGHT; line++) {
    const bool still = line >= 100 && line < 124;
    const uint32_t x = still ? 0 : static_cast<uint32_t>(wave(static_cast<int>(line), 24) + 512);
    scene_line_layer(m.get(), 1, line, 1024 - 40, x, scene_layer_attr(line < 180 ? 0 : 9, 10));
  }
  video_render_frame(m.get());
  // Line 104 stands still and shows source line 144 = map row 9, tile line 0: the border.
  EXPECT_EQ(scene_pixel(m.get(), 3, 104), 0xF090F0u);  // map column 0: grid B's border
  EXPECT_EQ(scene_pixel(m.get(), 3, 200), 0x000040u + 100 * 0x100 + 50);
  check_golden(m.get(), "per_line_scroll");
}

// A perspective floor: the grid checker below the horizon at line 64, zoomed more the closer
// a line is to the horizon (widest at the top), scrolled so the lines converge at the left;
// above the horizon the gradient sky with a row of balls.
TEST(VideoGolden, PerLineZoom) {
  scene_ptr m(scene_new());
  standard_art(m.get());
  gradient_background(m.get());
  checker_map(m.get(), 10, GRID_A, GRID_B, 4, 5);
  scene_layer(m.get(), 0, {.rows32 = 1, .per_line = 1, .page = 1});
  for (uint32_t line = 0; line < VIDEO_HEIGHT; line++) {
    const uint32_t depth = line < 64 ? 0 : line - 64;                     // 0-159
    const uint32_t zoom = line < 64 ? 0 : 1 + (159 - depth) * 254 / 159;  // 255 at the horizon
    scene_line_layer(m.get(), 1, line, 1024 - depth * 2 + line, 0,
                     scene_layer_attr(line < 64 ? 9 : 0, 10, 0, 0, zoom));
  }
  std::vector<scene_sprite> s;
  for (int k = 0; k < 8; k++) s.push_back({.x = 20 + 36 * k, .y = 30, .tile = BALL, .palette = 2});
  scene_sprites(m.get(), s);
  video_render_frame(m.get());
  EXPECT_EQ(scene_pixel(m.get(), 0, 10), 0x000040u + 5 * 0x100 + 2);  // sky
  check_golden(m.get(), "per_line_zoom");
}

// Everything at once: the gradient; bricks (normal, back); a waving per-line checker at 50%
// alpha; a zoomed per-line floor in the lower third; rows of plain, zoomed, mirrored and
// translucent sprites across levels; the per-pen fade layer at the right; and a colour
// effect that darkens the bottom 24 lines and flashes line 70 white.
TEST(VideoGolden, EverythingAtOnce) {
  scene_ptr m(scene_new());
  standard_art(m.get());
  gradient_background(m.get());
  for (uint32_t r = 0; r < 16; r++)
    for (uint32_t c = 0; c < 32; c++) {
      if ((r + c) % 5 == 0) scene_map_entry(m.get(), 10, r, c, 3, BRICK);
      if (c >= 16 && c < 18) scene_map_entry(m.get(), 16, r, c, 6, FADE);
    }
  checker_map(m.get(), 12, GRID_A, GRID_B, 4, 5);
  checker_map(m.get(), 14, BALL, GRID_B, 2, 5);
  scene_layer(m.get(), 0, {.page = 1});
  scene_layer(m.get(), 1, {.per_line = 1, .page = 2});
  scene_layer(m.get(), 2, {.rows32 = 1, .per_line = 1, .page = 3});
  scene_layer(m.get(), 3, {.is_8bpp = 1, .page = 1});
  scene_normal_layer(m.get(), 1, 0, scene_layer_scroll(3, 2, 7, 1), scene_layer_attr(0, 10));
  scene_normal_layer(m.get(), 1, 3, 0, scene_layer_attr(5, 16, 0, 1));
  for (uint32_t line = 0; line < VIDEO_HEIGHT; line++) {
    scene_line_layer(m.get(), 2, line, 0,
                     static_cast<uint32_t>(wave(static_cast<int>(line) * 2, 30) + 512),
                     scene_layer_attr(line < 150 ? 1 : 9, 12, 24));
    const uint32_t depth = line < 150 ? 0 : line - 150;
    scene_line_layer(m.get(), 3, line, 1024 - depth, 0,
                     scene_layer_attr(line < 150 ? 9 : 2, 14, 0, 0, 200 - depth * 2));
  }
  scene_zoom(m.get(), 1, 700);
  scene_zoom(m.get(), 2, 1400);
  scene_zoom(m.get(), 3, 512);
  for (uint32_t i = 0; i < 4; i++) scene_sprite_level(m.get(), i, 1 + 2 * i);
  scene_alpha_byte(m.get(), 1, 0x18);
  scene_alpha_byte(m.get(), 2, 0x80);
  std::vector<scene_sprite> s;
  for (int k = 0; k < 40; k++)
    s.push_back({.x = -8 + k * 9,
                 .y = 10 + wave(k * 8, 20) + (k % 4) * 30,
                 .flip_x = k % 2,
                 .flip_y = k % 3 == 0,
                 .priority_index = k % 4,
                 .zoom_x = k % 3,
                 .zoom_y = k % 3,
                 .tile = k % 2 ? ARROW : BALL,
                 .palette = k % 2 ? 1 : 2,
                 .alpha_select = k % 5 == 0 ? 1 : 0});
  s.push_back({.x = 250,
               .y = 100,
               .priority_index = 3,
               .zoom_x = 3,
               .zoom_y = 3,
               .tile = FADE,
               .palette = 6,
               .is_8bpp = 1,
               .alpha_select = 2});
  scene_sprites(m.get(), s);
  for (uint32_t line = 200; line < 224; line++) scene_effect(m.get(), 29, line, 0x00000000 | 40);
  scene_effect(m.get(), 29, 70, 0xFFFFFF80);
  scene_effect_level(m.get(), 6);
  video_render_frame(m.get());
  EXPECT_EQ(scene_pixel(m.get(), 160, 70), 0xFFFFFFu);  // the flash covers all below level 7
  check_golden(m.get(), "everything");

  // Line 223 is the floor darkened by Blend(black, pixel, 80): 176 / 256 of each channel.
  const uint32_t dark = scene_pixel(m.get(), 100, 223);
  scene_effect(m.get(), 29, 223, 0);
  video_render_frame(m.get());
  const uint32_t lit = scene_pixel(m.get(), 100, 223);
  for (int shift : {16, 8, 0}) EXPECT_EQ(dark >> shift & 0xFF, (lit >> shift & 0xFF) * 176 >> 8);
}
