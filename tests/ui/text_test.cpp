// Text from the built-in font: UTF-8 decoding, measuring and line height from the glyph table,
// the generated atlas's layout, and the glyph copies and pixels that text_draw makes.
#include <gtest/gtest.h>
#include <zlib.h>

#include <SDL.h>

#include <cmath>
#include <string>
#include <vector>

#include "canvas_recorder.h"
#include "frontend/frontend_state.h"
#include "frontend_fixture.h"
#include "ui/text.h"
#include "ui/text_fit.h"

namespace {

std::vector<uint32_t> decode(const char* text) {
  std::vector<uint32_t> codes;
  while (*text) codes.push_back(text_next_code_point(&text));
  return codes;
}

// A canvas that records glyph copies: the recorder's operations without its text operation.
struct glyph_canvas {
  canvas_recorder rec;
  canvas_ops ops;
  canvas c;
  glyph_canvas() {
    canvas target = rec.target();
    ops = *target.ops;
    ops.text = nullptr;
    c = target;
    c.ops = &ops;
  }
};

}  // namespace

TEST(Utf8, DecodesLeadAndContinuationBytesAndReplacesBrokenSequences) {
  const struct {
    const char* text;
    std::vector<uint32_t> codes;
  } cases[] = {
      {"Az~", {0x41, 0x7A, 0x7E}},
      {"\xC3\xA9", {0xE9}},
      {"\xA9", {0xFFFD}},  // a continuation byte alone is consumed
      {"\xE2"
       "A",
       {0xFFFD, 0x41}},  // the A that broke the sequence is kept
      {"\xE2\x82\xAC", {0x20AC}},
      {"\xF0\x9F\x98\x80!", {0x1F600, 0x21}},
      {"\xE2\x82", {0xFFFD}},  // the terminator ends it, never read past
      {"\xC3\xC3\xA9", {0xFFFD, 0xE9}},
      {"\xC0\x80", {0x0}},               // overlong forms pass
      {"\xED\xA0\x80", {0xD800}},        // so do surrogates
      {"\xFF\x80\x80\x80", {0x1C0000}},  // 0xF8-0xFF lead like 0xF0
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(decode(c.text), c.codes);
  }
}

TEST(Utf8, CodePointsOutsideTheTwoRangesUseTheQuestionMark) {
  const uint32_t cases[][2] = {{0x20, 0},  {0x3F, 31},  {0x7E, 94},  {0x7F, 31},  {0x9F, 31},
                               {0xA0, 95}, {0xAD, 108}, {0xFF, 190}, {0x100, 31}, {0xFFFD, 31}};
  for (const auto& c : cases) EXPECT_EQ(font_glyph_index(c[0]), int32_t(c[1])) << c[0];
}

TEST(FontAtlas, TheImageInflatesToSixBandsOfCellsPackedInTableOrder) {
  std::vector<uint8_t> image(FONT_IMAGE_WIDTH * FONT_IMAGE_HEIGHT + 1);
  uLongf size = image.size();
  ASSERT_EQ(uncompress(image.data(), &size, font_image_packed, font_image_packed_size), Z_OK);
  EXPECT_EQ(size, 356352u);
  int32_t x = 0, y = 0;
  for (int i = 0; i < FONT_GLYPH_COUNT; i++) {
    const font_glyph& g = font_glyphs[i];
    SCOPED_TRACE(i);
    if (g.y != y) {
      EXPECT_GT(x + g.width, FONT_IMAGE_WIDTH) << "a band ends only where the cell does not fit";
      x = 0;
      y += 58;
    }
    EXPECT_EQ(g.x, x);
    EXPECT_EQ(g.y, y);
    EXPECT_EQ(g.height, 58);
    EXPECT_LE(g.x + g.width, FONT_IMAGE_WIDTH);
    EXPECT_LT(g.x_offset, 0);
    EXPECT_EQ(g.reserved, 0);
    EXPECT_GE(g.advance, 0.0f);
    x += g.width;
  }
  EXPECT_EQ(y, 290);
  // The plain space's cell is empty; the letters' are not.
  const font_glyph& space = font_glyphs[0];
  const font_glyph& a = font_glyphs['A' - 32];
  int space_ink = 0, a_ink = 0;
  for (int r = 0; r < 58; r++) {
    for (int c = 0; c < space.width; c++) space_ink += image[(space.y + r) * 1024 + space.x + c];
    for (int c = 0; c < a.width; c++) a_ink += image[(a.y + r) * 1024 + a.x + c];
  }
  EXPECT_EQ(space_ink, 0);
  EXPECT_GT(a_ink, 0);
}

TEST(Text, MeasuresTheRoundedSumOfAdvancesAndTheScaledLineHeight) {
  EXPECT_EQ(text_measure("", 44), 0);
  EXPECT_EQ(text_measure(nullptr, 44), 0);
  const double a = font_glyphs['A' - 32].advance, w = font_glyphs['W' - 32].advance;
  EXPECT_EQ(text_measure("A", 44), int32_t(a + 0.5));
  EXPECT_EQ(text_measure("AW", 22), int32_t((a + w) * 22 / 44 + 0.5));
  // Rounded once over the whole line, not per glyph.
  const double i = font_glyphs['i' - 32].advance;
  EXPECT_EQ(text_measure("iiiiiiiiii", 10), int32_t(10 * i * 10 / 44 + 0.5));
  EXPECT_NE(text_measure("iiiiiiiiii", 10), 10 * text_measure("i", 10));
  // U+00E9 is its own glyph; the byte A9 alone and U+20AC measure as '?'.
  EXPECT_EQ(text_measure("\xC3\xA9", 44), int32_t(font_glyphs[0xE9 - 65].advance + 0.5));
  EXPECT_EQ(text_measure("\xA9", 44), text_measure("?", 44));
  EXPECT_EQ(text_measure("\xE2\x82\xAC", 44), text_measure("?", 44));
  EXPECT_GT(text_measure("   ", 30), 0);

  const int32_t heights[][2] = {{44, 58}, {24, 32}, {22, 29}, {18, 24}, {0, 0}, {88, 116}};
  for (const auto& h : heights) EXPECT_EQ(text_line_height(h[0]), h[1]) << h[0];
}

using TextDrawTest = frontend_fixture;

// Cutting to a width: whole when it fits; else whole characters (never half a UTF-8 sequence,
// no blank before the dots) and "...", or the dots alone. A path loses its start instead, from a
// folder on, so that its file name stays while it fits.
TEST(TextFit, CutsEndsWithDotsAndPathsFromTheLeftAtAFolder) {
  const auto w = [](const char* t) { return text_measure(t, 20); };
  const struct {
    const char* text;
    int32_t width;
    const char* cut;
  } ends[] =
      {
          {"Region", w("Region"), "Region"},
          {"Region (JP4)", w("Region ..."), "Region..."},
          {"caf\xC3\xA9 au lait", w("caf\xC3\xA9..."), "caf\xC3\xA9..."},
          {"caf\xC3\xA9 au lait", w("caf\xC3\xA9...") - 1, "caf..."},
          {"Region", 0, "..."},
      },
    paths[] = {
        {"/home/player/roms/cobaltin.zip", w("/home/player/roms/cobaltin.zip"),
         "/home/player/roms/cobaltin.zip"},
        {"/home/player/roms/cobaltin.zip", w(".../roms/cobaltin.zip"), ".../roms/cobaltin.zip"},
        {"/home/player/roms/cobaltin.zip", w(".../roms/cobaltin.zip") - 1, ".../cobaltin.zip"},
        {"/home/player/roms/cobaltin.zip", w("...ltin.zip"), "...ltin.zip"},
    };
  char out[64];
  for (const auto& c : ends) {
    text_cut_end(c.text, 20, c.width, out, sizeof out);
    EXPECT_STREQ(out, c.cut) << c.text << " in " << c.width;
  }
  for (const auto& c : paths) {
    text_cut_path(c.text, 20, c.width, out, sizeof out);
    EXPECT_STREQ(out, c.cut) << c.text << " in " << c.width;
  }
}

TEST_F(TextDrawTest, GlyphCopiesStartAtTheAlignedPenAndSkipOnlyThePlainSpace) {
  ASSERT_EQ(font_atlas_init(fe.renderer), 1);
  glyph_canvas g;
  const char* text =
      "A\xC3\xA9 \xC2\xA0"
      "B";  // A, e acute, space, no-break space, B
  const int32_t width = text_measure(text, 22);
  EXPECT_EQ(text_draw(&g.c, text, 500, 40, 22, 0xff336699, TEXT_ALIGN_RIGHT), width);
  ASSERT_EQ(g.rec.copies.size(), 4u);
  const double scale = 22.0 / 44.0;
  double pen = 500 - width;
  const int indices[] = {'A' - 32, 0xE9 - 65, 0, 0xA0 - 65, 'B' - 32};
  size_t copy = 0;
  for (int index : indices) {
    const font_glyph& glyph = font_glyphs[index];
    if (index != 0) {
      const recorded_copy& c = g.rec.copies[copy++];
      SCOPED_TRACE(index);
      ASSERT_TRUE(c.has_source);
      EXPECT_EQ(c.source.x, glyph.x);
      EXPECT_EQ(c.source.y, glyph.y);
      EXPECT_EQ(c.source.w, glyph.width);
      EXPECT_EQ(c.dest.x, int32_t(glyph.x_offset * scale + pen + 0.5));
      EXPECT_EQ(c.dest.y, 40);
      EXPECT_EQ(c.dest.w, int32_t(glyph.width * scale + 0.99));
      EXPECT_EQ(c.dest.h, 29);
      EXPECT_EQ(c.modulation, 0xff336699u);
      EXPECT_EQ(c.angle, 0.0);
    }
    pen += glyph.advance * scale;
  }
  // Right-aligned text ends at x, within the rounding of the measure.
  EXPECT_NEAR(pen, 500.0, 0.5);

  g.rec.clear();
  EXPECT_EQ(text_draw(&g.c, "Hi", 100, 0, 44, 0xffffffff, TEXT_ALIGN_CENTRE),
            text_measure("Hi", 44));
  ASSERT_EQ(g.rec.copies.size(), 2u);
  EXPECT_EQ(g.rec.copies[0].dest.x,
            int32_t(font_glyphs['H' - 32].x_offset + (100 - text_measure("Hi", 44) / 2) + 0.5));

  g.rec.clear();
  EXPECT_EQ(text_draw(&g.c, "", 0, 0, 44, 0xffffffff, 0), 0);
  EXPECT_GT(text_draw(&g.c, "    ", 0, 0, 44, 0xffffffff, 0), 0);
  EXPECT_EQ(text_draw(&g.c, nullptr, 0, 0, 44, 0xffffffff, 0), 0);
  EXPECT_TRUE(g.rec.copies.empty());
  font_atlas_free();
}

TEST_F(TextDrawTest, WithoutTheAtlasNothingIsDrawnButMeasuringStillAnswers) {
  font_atlas_free();
  glyph_canvas g;
  EXPECT_EQ(text_draw(&g.c, "Menu", 10, 10, 24, 0xffffffff, 0), 0);
  EXPECT_TRUE(g.rec.copies.empty());
  EXPECT_GT(text_measure("Menu", 24), 0);
  EXPECT_EQ(font_atlas_init(nullptr), 0);
  EXPECT_EQ(text_draw(&g.c, "Menu", 10, 10, 24, 0xffffffff, 0), 0);
}

TEST_F(TextDrawTest, ACanvasWithItsOwnTextOperationGetsTheLineAsGiven) {
  canvas_recorder rec;
  rec.text_width = 77;
  fe.draw = rec.target();
  EXPECT_EQ(text_draw(&fe.draw, "PAUSED", 640, 30, 40, 0xe6ffffff, TEXT_ALIGN_CENTRE), 77);
  ASSERT_EQ(rec.texts.size(), 1u);
  EXPECT_EQ(rec.texts[0].x, 640);
  EXPECT_EQ(rec.texts[0].align, TEXT_ALIGN_CENTRE);
  EXPECT_TRUE(rec.copies.empty());
}

TEST_F(TextDrawTest, GlyphsPaintTheTextColourInsideTheirCellsOnly) {
  ASSERT_EQ(font_atlas_init(fe.renderer), 1);
  SDL_SetRenderDrawColor(fe.renderer, 0, 0, 0, 255);
  SDL_RenderClear(fe.renderer);
  const int32_t width = text_draw(&fe.draw, "W", 100, 200, 44, 0xff0000ff, TEXT_ALIGN_LEFT);
  SDL_RenderPresent(fe.renderer);
  const font_glyph& w = font_glyphs['W' - 32];
  EXPECT_EQ(width, int32_t(w.advance + 0.5));
  int lit = 0, full = 0;
  for (int y = 180; y < 280; y++) {
    for (int x = 80; x < 180; x++) {
      const uint32_t p = frontend_test_pixel(x, y);
      if (p == 0) continue;
      const bool inside =
          x >= 100 + w.x_offset && x < 100 + w.x_offset + w.width && y >= 200 && y < 258;
      EXPECT_TRUE(inside) << x << "," << y;
      EXPECT_EQ(p & 0x00FFFF, 0u) << "red text stays red";
      lit++;
      full += (p >> 16) == 255;
    }
  }
  EXPECT_GT(lit, 200);
  EXPECT_GT(full, 100);
  font_atlas_free();
}
