// Tilemap layers: the tile blit's four modes and clipping, the layer registers, normal-mode
// scroll origin, banks and pages, alpha, and per-line mode (y direction, x scroll and zoom
// anchoring, per-line levels and alpha, the band cache and its key colour).
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "board/machine.h"
#include "video/video.h"
#include "video/video_draw.h"
#include "video_scene.h"

namespace {

constexpr uint32_t RED = 0xFF0000, GREEN = 0x00FF00, BLUE = 0x0000FF, WHITE = 0xFFFFFF;
constexpr uint32_t TILE = 7;  // the coordinate tile

// Layer 0 with 8-bit tiles on page 1, and the coordinate tile (palette 0) ready.
void coordinate_layer(machine* m, const scene_layer_setup& setup) {
  scene_coordinate_tile(m, TILE);
  scene_coordinate_palette(m);
  scene_layer(m, 0, setup);
}

std::string tile_shown_at(const machine* m, int x, int y) {
  std::string why;
  return scene_coordinate_tile_at(m, x, y, &why) ? "" : why;
}

int count_not(const machine* m, uint32_t background) {
  int n = 0;
  for (uint32_t v : m->frame) n += v != background;
  return n;
}

// A per-line layer 0 on page 2 with 8-bit tiles: every tile of bank 10 and bank 11 is tile
// 3, whose column groups are pens 191, 208, 255 and 1 (bank 10) or all pen 191 (bank 11 uses
// tile 4); all these pens are white. Each line then gets its own words.
void per_pen_line_layer(machine* m) {
  uint8_t pens[256];
  for (int k = 0; k < 256; k++) pens[k] = std::array<uint8_t, 4>{191, 208, 255, 1}[k % 16 / 4];
  scene_tile8(m, 3, pens);
  scene_tile8_fill(m, 4, 191);
  for (uint8_t p : {1, 191, 208, 255}) scene_palette(m, p, WHITE);
  for (uint32_t r = 0; r < 16; r++)
    for (uint32_t c = 0; c < 32; c++) {
      scene_map_entry(m, 10, r, c, 0, 3);
      scene_map_entry(m, 11, r, c, 0, 4);
    }
  scene_layer(m, 0, {.is_8bpp = 1, .per_line = 1, .page = 2});
  for (uint32_t line = 0; line < VIDEO_HEIGHT; line++)
    scene_line_layer(m, 2, line, 0, 0, scene_layer_attr(9, 10));  // level 9: not drawn
}

}  // namespace

TEST(VideoTile16, EachModeWritesItsPixelAndPenZeroNothing) {
  uint32_t palette[256];
  for (int p = 0; p < 256; p++) palette[p] = 0xFF000000 | (p == 1 ? WHITE : 0xFF00FF);
  uint8_t pens[256] = {};
  pens[1] = 1, pens[2] = 208, pens[3] = 255;
  const struct {
    int mode, alpha;
    uint32_t at1, at2, at3;  // pixels of data columns 1-3 over 0x00000000
  } cases[] = {
      {VIDEO_TILE_OPAQUE, 0, 0xFFFFFFFF, 0xFFFF00FF, 0xFFFF00FF},
      {VIDEO_TILE_ALPHA, 128, 0x7F7F7F, 0x7F007F, 0x7F007F},
      {VIDEO_TILE_PEN_ALPHA, 0, 0xFEFEFE, 0xBD00BD, 0x000000},
      {VIDEO_TILE_KEEP_PEN_ALPHA, 0, 0xFFFFFFFF, 0xBEFF00FF, 0x00FF00FF},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    std::vector<uint32_t> buffer(512 * 20, 0);
    video_draw_tile16(buffer.data(), 0, 511, 0, 19, pens, palette, 4, 2, c.mode, c.alpha);
    EXPECT_EQ(buffer[2 * 512 + 4], 0u);  // pen 0
    EXPECT_EQ(buffer[2 * 512 + 5], c.at1);
    EXPECT_EQ(buffer[2 * 512 + 6], c.at2);
    EXPECT_EQ(buffer[2 * 512 + 7], c.at3);
  }
}

TEST(VideoTile16, PixelsOutsideTheInclusiveRangesAreLeftAlone) {
  uint32_t palette[2] = {0, 0xFFFFFFFF};
  uint8_t pens[256];
  std::memset(pens, 1, sizeof pens);
  std::vector<uint32_t> buffer(512 * 40, 0);
  video_draw_tile16(buffer.data(), 10, 20, 5, 30, pens, palette, 8, 3, VIDEO_TILE_OPAQUE, 0);
  int drawn = 0;
  for (int y = 0; y < 40; y++)
    for (int x = 0; x < 512; x++)
      if (buffer[y * 512 + x]) {
        drawn++;
        EXPECT_TRUE(x >= 10 && x <= 20 && y >= 5 && y <= 18) << x << "," << y;
      }
  EXPECT_EQ(drawn, 11 * 14);
  video_draw_tile16(buffer.data(), 0, 511, 0, 39, pens, palette, 500, 30, VIDEO_TILE_OPAQUE, 0);
  EXPECT_EQ(buffer[39 * 512 + 511], 0xFFFFFFFFu);  // clipped at the buffer's own edges
}

TEST(VideoLayers, EachLayerReadsItsOwnEnableDepthHeightAndPage) {
  for (int n = 0; n < 4; n++) {
    SCOPED_TRACE(n);
    scene_ptr m(scene_new());
    scene_coordinate_tile(m.get(), TILE);
    scene_coordinate_palette(m.get());
    const uint32_t page = 1 + n, bank = 10 + 2 * n;
    scene_layer(m.get(), n, {.is_8bpp = 1, .rows32 = 1, .page = page});
    // Coarse y 16 on a 32-row layer starts at row 15, so row 16 (in bank + 1) is at y = 0.
    scene_normal_layer(m.get(), page, n, scene_layer_scroll(0, 0, 0, 16),
                       scene_layer_attr(0, bank));
    scene_map_entry(m.get(), bank, 16, 0, 0, TILE);
    video_render_frame(m.get());
    EXPECT_EQ(tile_shown_at(m.get(), 0, 0), "");
  }
}

TEST(VideoLayers, RegisterWord7Of8000EnablesOnlyLayer0WithFourBitTilesAnd16Rows) {
  scene_ptr m(scene_new());
  scene_tile4_fill(m.get(), 2, 1);
  for (int n = 0; n < 4; n++) {
    scene_palette(m.get(), (n + 1) * 16 + 1, 0x400000u * (n + 1));
    scene_layer(m.get(), n, {.is_8bpp = 1, .rows32 = 1, .page = 1});
    scene_normal_layer(m.get(), 1, n, 0, scene_layer_attr(0, 10 + n));
    scene_map_entry(m.get(), 10 + n, 0, 1 + n, n + 1, 2);
  }
  m->video_regs[7] = 0x00008000;
  video_render_frame(m.get());
  EXPECT_EQ(scene_pixel(m.get(), 16 + 5, 5), 0x400000u);  // tile 2 as a 4-bit tile
  EXPECT_EQ(count_not(m.get(), 0), 256);
}

TEST(VideoLayers, TheNormalScrollWordPlacesTheFirstTileColumnAndRow) {
  const struct {
    const char* what;
    int rows32;
    uint32_t scroll, row, col;
    int x, y;  // where the tile's top-left lands
  } cases[] = {
      {"zero", 0, 0, 0, 0, 0, 0},
      {"zero, 32 rows", 1, 0, 0, 0, 0, 0},
      {"coarse 31 and 31", 0, scene_layer_scroll(0, 31, 0, 31), 1, 1, 0, 0},
      {"fine 5 and 3", 0, scene_layer_scroll(5, 0, 3, 0), 0, 0, 5, 3},
      {"columns wrap", 0, scene_layer_scroll(0, 11, 0, 0), 0, 0, 176, 0},
      {"rows wrap", 0, scene_layer_scroll(0, 0, 0, 8), 0, 0, 0, 128},
      {"coarse y 1", 0, scene_layer_scroll(0, 0, 0, 1), 0, 0, 0, 16},
      {"16 rows ignore coarse y bit 4", 0, scene_layer_scroll(0, 0, 0, 16), 0, 0, 0, 0},
      {"32 rows run on into the next bank", 1, scene_layer_scroll(0, 0, 0, 16), 16, 0, 0, 0},
      {"fine x over coarse x", 0, scene_layer_scroll(9, 30, 0, 0), 0, 2, 9, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    scene_ptr m(scene_new());
    coordinate_layer(m.get(), {.is_8bpp = 1, .rows32 = c.rows32, .page = 1});
    scene_normal_layer(m.get(), 1, 0, c.scroll, scene_layer_attr(0, 10));
    scene_map_entry(m.get(), 10, c.row, c.col, 0, TILE);
    video_render_frame(m.get());
    EXPECT_EQ(tile_shown_at(m.get(), c.x, c.y), "");
    EXPECT_EQ(count_not(m.get(), 0), 255);  // every pixel but the transparent corner
  }
}

TEST(VideoLayers, OnlyBanks10To31AndPagesInsideVideoRamDraw) {
  const struct {
    uint32_t bank, page;
    int draws;
  } cases[] = {{9, 1, 0}, {10, 1, 1}, {31, 1, 1}, {32, 1, 0}, {10, 31, 1}, {10, 32, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "bank " << c.bank << " page " << c.page);
    scene_ptr m(scene_new());
    coordinate_layer(m.get(), {.is_8bpp = 1, .page = c.page});
    scene_tile8_fill(m.get(), 0, 1);  // so that even zero entries would show
    if (c.page < 32) scene_normal_layer(m.get(), c.page, 0, 0, scene_layer_attr(0, c.bank));
    if (c.bank < 32) scene_map_entry(m.get(), c.bank, 0, 0, 0, TILE);
    video_render_frame(m.get());
    if (c.draws)
      EXPECT_EQ(tile_shown_at(m.get(), 0, 0), "");
    else
      EXPECT_EQ(count_not(m.get(), 0), 0);
  }
}

TEST(VideoLayers, TileZeroIsDrawnInNormalModeButLeftEmptyInPerLineMode) {
  for (int per_line : {0, 1}) {
    scene_ptr m(scene_new());
    scene_tile8_fill(m.get(), 0, 1);
    scene_palette(m.get(), 1, GREEN);
    scene_layer(m.get(), 0, {.is_8bpp = 1, .per_line = per_line, .page = 1});
    if (per_line)
      for (uint32_t line = 0; line < VIDEO_HEIGHT; line++)
        scene_line_layer(m.get(), 1, line, 0, 0, scene_layer_attr(0, 10));
    else
      scene_normal_layer(m.get(), 1, 0, 0, scene_layer_attr(0, 10));
    video_render_frame(m.get());
    EXPECT_EQ(count_not(m.get(), 0), per_line ? 0 : VIDEO_WIDTH * VIDEO_HEIGHT);
  }
}

TEST(VideoLayers, LayerTileNumbersWrapAtTheTileCountOfTheirDepth) {
  for (int is_8bpp : {0, 1}) {
    scene_ptr m(scene_new());
    if (is_8bpp)
      scene_tile8_fill(m.get(), 9, 1);
    else
      scene_tile4_fill(m.get(), 9, 1);
    scene_palette(m.get(), 1, GREEN);
    scene_layer(m.get(), 0, {.is_8bpp = is_8bpp, .page = 1});
    scene_normal_layer(m.get(), 1, 0, 0, scene_layer_attr(0, 10));
    scene_map_entry(m.get(), 10, 0, 0, 0, (is_8bpp ? 0x2C000 : 0x58000) + 9);
    video_render_frame(m.get());
    EXPECT_EQ(scene_pixel(m.get(), 5, 5), GREEN) << is_8bpp;
  }
}

TEST(VideoLayers, ANormalLayerIsOpaqueBlendedPerPenAtEven255OrInvisible) {
  // White pens 191 and 208 over black.
  const struct {
    uint32_t alpha_field;
    int per_pen;
    uint32_t pen191, pen208;
  } cases[] = {
      {0, 0, WHITE, WHITE},       {32, 0, 0x7C7C7C, 0x7C7C7C}, {63, 0, 0, 0},
      {0, 1, 0xFEFEFE, 0xBDBDBD}, {63, 1, 0xFEFEFE, 0xBDBDBD},  // per-pen ignores the level field
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.alpha_field << " per-pen " << c.per_pen);
    scene_ptr m(scene_new());
    uint8_t pens[256];
    for (int k = 0; k < 256; k++) pens[k] = k % 16 < 8 ? 191 : 208;
    scene_tile8(m.get(), 3, pens);
    scene_palette(m.get(), 191, WHITE);
    scene_palette(m.get(), 208, WHITE);
    scene_layer(m.get(), 0, {.is_8bpp = 1, .page = 1});
    scene_normal_layer(m.get(), 1, 0, 0, scene_layer_attr(0, 10, c.alpha_field, c.per_pen));
    scene_map_entry(m.get(), 10, 0, 0, 0, 3);
    video_render_frame(m.get());
    EXPECT_EQ(scene_pixel(m.get(), 2, 2), c.pen191);
    EXPECT_EQ(scene_pixel(m.get(), 10, 2), c.pen208);
  }
}

TEST(VideoPerLine, TheYScrollMovesTheSourceDownTheScreen) {
  const struct {
    uint32_t scroll_y;
    int rows32;
    uint32_t row;
    int y;  // screen line of the tile's top
  } cases[] = {
      {0, 0, 0, 0},     {1, 0, 0, 1},     {16, 0, 15, 0},  {16, 1, 31, 0},
      {1000, 0, 1, -8}, {200, 0, 0, 200}, {0, 1, 13, 208},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "scroll " << c.scroll_y << " rows32 " << c.rows32);
    scene_ptr m(scene_new());
    coordinate_layer(m.get(), {.is_8bpp = 1, .rows32 = c.rows32, .per_line = 1, .page = 2});
    for (uint32_t line = 0; line < VIDEO_HEIGHT; line++)
      scene_line_layer(m.get(), 2, line, c.scroll_y, 0, scene_layer_attr(0, 10));
    scene_map_entry(m.get(), 10, c.row, 0, 0, TILE);
    video_render_frame(m.get());
    EXPECT_EQ(tile_shown_at(m.get(), 0, c.y), "");
  }
}

TEST(VideoPerLine, TheXScrollAndTheZoomAreAnchoredAtTheLeftEdge) {
  // The coordinate tile is map column 0 (source columns 0-15), a red tile map column 31.
  constexpr int SHOWS_RED = -1, SHOWS_NOTHING = -2;
  const struct {
    uint32_t scroll_x, zoom;
    int x;      // screen column on line 1
    int shows;  // data column of the coordinate tile shown there
  } cases[] = {
      {5, 0, 5, 0},          {5, 0, 6, 1},    {5, 0, 20, 15},
      {500, 0, 0, 12},       {500, 0, 3, 15}, {0, 0, 16, SHOWS_NOTHING},
      {0, 64, 0, 0},         {0, 64, 1, 0},   {0, 64, 2, 1},
      {0, 64, 3, 1},         {0, 64, 31, 15}, {0, 255, 4, 0},
      {0, 255, 5, 1},        {3, 64, 6, 0},   {3, 64, 8, 1},
      {3, 64, 0, SHOWS_RED},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "scroll " << c.scroll_x << " zoom " << c.zoom << " x " << c.x);
    scene_ptr m(scene_new());
    coordinate_layer(m.get(), {.is_8bpp = 1, .per_line = 1, .page = 2});
    scene_tile8_fill(m.get(), 8, 1);
    scene_palette(m.get(), 20 * 16 + 1, RED);  // clear of the coordinate palette
    for (uint32_t line = 0; line < VIDEO_HEIGHT; line++)
      scene_line_layer(m.get(), 2, line, 0, c.scroll_x, scene_layer_attr(0, 10, 0, 0, c.zoom));
    scene_map_entry(m.get(), 10, 0, 0, 0, TILE);
    scene_map_entry(m.get(), 10, 0, 31, 20, 8);
    video_render_frame(m.get());
    const uint32_t want = c.shows == SHOWS_RED       ? RED
                          : c.shows == SHOWS_NOTHING ? 0
                                                     : scene_coordinate_colour(c.shows, 1);
    EXPECT_EQ(scene_pixel(m.get(), c.x, 1), want);
  }
}

TEST(VideoPerLine, EachLineIsDrawnAtItsOwnLevel) {
  // Even lines at level 0 under a level-1 sprite, odd lines at level 1 over it.
  scene_ptr m(scene_new());
  scene_tile8_fill(m.get(), 100, 1);
  scene_palette(m.get(), 1, BLUE);
  for (uint32_t r = 0; r < 16; r++)
    for (uint32_t c = 0; c < 32; c++) scene_map_entry(m.get(), 10, r, c, 0, 100);
  scene_layer(m.get(), 0, {.is_8bpp = 1, .per_line = 1, .page = 2});
  for (uint32_t line = 0; line < VIDEO_HEIGHT; line++)
    scene_line_layer(m.get(), 2, line, 0, 0, scene_layer_attr(line % 2, 10));
  scene_sprite_level(m.get(), 0, 1);
  for (uint32_t t = 1; t <= 16; t++) scene_tile4_fill(m.get(), t, 1);
  scene_palette(m.get(), 16 + 1, GREEN);
  scene_sprites(m.get(), {{.x = 0, .y = 0, .width = 4, .height = 4, .tile = 1, .palette = 1}});
  video_render_frame(m.get());
  EXPECT_EQ(scene_pixel(m.get(), 10, 10), GREEN);
  EXPECT_EQ(scene_pixel(m.get(), 10, 11), BLUE);
  EXPECT_EQ(scene_pixel(m.get(), 100, 10), BLUE);
}

TEST(VideoPerLine, ALineIsOpaqueBlendedOrPerPenWherePenAlpha255StillBlends) {
  // Lines in separate bands, so each renders its own: pens 191, 208, 255, 1 in columns
  // groups 0-3, 4-7, 8-11, 12-15, all white, over black.
  const struct {
    uint32_t alpha_field;
    int per_pen;
    uint32_t shows[4];
  } cases[] = {
      {0, 0, {WHITE, WHITE, WHITE, WHITE}},
      {32, 0, {0x7C7C7C, 0x7C7C7C, 0x7C7C7C, 0x7C7C7C}},
      {63, 0, {0, 0, 0, 0}},
      {0, 1, {0xFEFEFE, 0xBDBDBD, 0, 0xFEFEFE}},
  };
  scene_ptr m(scene_new());
  per_pen_line_layer(m.get());
  for (uint32_t k = 0; k < 4; k++)
    scene_line_layer(m.get(), 2, 16 * k, 0, 0,
                     scene_layer_attr(0, 10, cases[k].alpha_field, cases[k].per_pen));
  video_render_frame(m.get());
  for (uint32_t k = 0; k < 4; k++)
    for (int g = 0; g < 4; g++)
      EXPECT_EQ(scene_pixel(m.get(), 4 * g + 1, 16 * k), cases[k].shows[g]) << k << " " << g;
  EXPECT_EQ(scene_pixel(m.get(), 1, 1), 0u);  // lines at level 9 are not drawn
}

TEST(VideoPerLine, ABandIsReusedInTheModeItWasFirstRenderedInUntilAnotherBankNeedsIt) {
  // Pen 208 (per-pen 190) of bank 10 shows as 0xBDBDBD from a fresh per-pen band, and as
  // Blend(white, black, 255) = 0xFEFEFE from a band first rendered for an opaque line.
  const struct {
    const char* what;
    uint32_t attr0, attr1, attr2;  // lines 0-2, all in band 0
    uint32_t line1, line2;         // column 5 (pen 208 of bank 10, pen 191 of bank 11)
  } cases[] = {
      {"opaque first, then per-pen reuses the band", scene_layer_attr(0, 10),
       scene_layer_attr(0, 10, 0, 1), scene_layer_attr(9, 10), 0xFEFEFE, 0},
      {"the opaque line at another level is another pass", scene_layer_attr(1, 10),
       scene_layer_attr(0, 10, 0, 1), scene_layer_attr(9, 10), 0xBDBDBD, 0},
      {"another bank renders the band again", scene_layer_attr(0, 10),
       scene_layer_attr(0, 11, 0, 1), scene_layer_attr(0, 10, 0, 1), 0xFEFEFE, 0xBDBDBD},
      {"an invisible line still renders the band", scene_layer_attr(0, 10, 63),
       scene_layer_attr(0, 10, 0, 1), scene_layer_attr(9, 10), 0xFEFEFE, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    scene_ptr m(scene_new());
    per_pen_line_layer(m.get());
    scene_line_layer(m.get(), 2, 0, 0, 0, c.attr0);
    scene_line_layer(m.get(), 2, 1, 0, 0, c.attr1);
    scene_line_layer(m.get(), 2, 2, 0, 0, c.attr2);
    video_render_frame(m.get());
    EXPECT_EQ(scene_pixel(m.get(), 5, 1), c.line1);
    EXPECT_EQ(scene_pixel(m.get(), 5, 2), c.line2);
  }
}

TEST(VideoPerLine, OnlyAKeptPenAlphaOfZeroOverMagentaMatchesTheKeyColour) {
  // Pens 255 (per-pen 0) and 254 (per-pen 4) are magenta 0xFF00FF. A band rendered opaque
  // stores 0xFFFF00FF: both show. A band rendered for a per-pen line keeps the pen alpha in
  // the top byte: pen 255 becomes the key colour and is skipped when line 1, opaque, reuses it.
  for (int per_pen_first : {0, 1}) {
    SCOPED_TRACE(per_pen_first);
    scene_ptr m(scene_new());
    uint8_t pens[256];
    for (int k = 0; k < 256; k++) pens[k] = k % 16 < 8 ? 255 : 254;
    scene_tile8(m.get(), 3, pens);
    scene_palette(m.get(), 254, 0xFF00FF);
    scene_palette(m.get(), 255, 0xFF00FF);
    scene_map_entry(m.get(), 10, 0, 0, 0, 3);
    scene_layer(m.get(), 0, {.is_8bpp = 1, .per_line = 1, .page = 2});
    scene_line_table_page(m.get(), 30);
    scene_background(m.get(), 30, 1, BLUE);
    scene_line_layer(m.get(), 2, 0, 0, 0, scene_layer_attr(0, 10, 0, per_pen_first));
    scene_line_layer(m.get(), 2, 1, 0, 0, scene_layer_attr(0, 10));
    video_render_frame(m.get());
    EXPECT_EQ(scene_pixel(m.get(), 2, 1), per_pen_first ? BLUE : 0xFF00FF);
    EXPECT_EQ(scene_pixel(m.get(), 10, 1), 0xFF00FFu);
  }
}

TEST(VideoPerLine, Rows16To31OfA32RowLayerOnBank31ShowNothing) {
  scene_ptr m(scene_new());
  scene_tile8_fill(m.get(), 0, 1);
  scene_tile8_fill(m.get(), 3, 2);
  scene_palette(m.get(), 1, RED);
  scene_palette(m.get(), 2, GREEN);
  for (uint32_t c = 0; c < 32; c++) scene_map_entry(m.get(), 31, 0, c, 0, 3);
  scene_layer(m.get(), 0, {.is_8bpp = 1, .rows32 = 1, .per_line = 1, .page = 2});
  scene_line_layer(m.get(), 2, 0, 768, 0, scene_layer_attr(0, 31));  // source line 256
  scene_line_layer(m.get(), 2, 1, 1, 0, scene_layer_attr(0, 31));    // source line 0
  for (uint32_t line = 2; line < VIDEO_HEIGHT; line++)
    scene_line_layer(m.get(), 2, line, 0, 0, scene_layer_attr(9, 31));
  video_render_frame(m.get());
  EXPECT_EQ(scene_pixel(m.get(), 5, 0), 0u);
  EXPECT_EQ(scene_pixel(m.get(), 5, 1), GREEN);
}
