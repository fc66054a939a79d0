// Frame composition on the recording canvas: gadget geometry and texts, the input display's
// rows and lamps, the backdrops by menu page, the border lines, and the overlays and toast.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/main_loop.h"
#include "canvas_recorder.h"
#include "fake_game.h"
#include "frontend/composition.h"
#include "frontend/frontend_state.h"
#include "frontend_fixture.h"
#include "menu/menu_toolkit.h"
#include "test_platform.h"
#include "ui/text.h"

namespace {

const ui_color GADGET_BOX = 0xaa0e0a08, GADGET_TEXT = 0xfff6f2f0, AZURE = 0xffff9c40;

struct box {
  int32_t x, y, w, h;
  bool operator==(const box& o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
};
std::ostream& operator<<(std::ostream& out, const box& b) {
  return out << "(" << b.x << ", " << b.y << ", " << b.w << ", " << b.h << ")";
}

// The rounded boxes of `color` drawn with `radius`: each is 3 + 4r fills in a row; the box is
// their bounding rectangle.
std::vector<box> round_boxes(const canvas_recorder& rec, ui_color color, int32_t radius) {
  std::vector<box> boxes;
  const size_t per_box = 3 + 4 * size_t(radius);
  size_t run = 0;
  box b = {};
  int32_t x1 = 0, y1 = 0;
  for (const recorded_fill& f : rec.fills) {
    if (f.color != color) {
      run = 0;
      continue;
    }
    if (run == 0) b = {f.x, f.y, 0, 0}, x1 = f.x, y1 = f.y;
    if (f.w > 0 && f.h > 0) {
      b.x = std::min(b.x, f.x), b.y = std::min(b.y, f.y);
      x1 = std::max(x1, f.x + f.w), y1 = std::max(y1, f.y + f.h);
    }
    if (++run == per_box) {
      boxes.push_back({b.x, b.y, x1 - b.x, y1 - b.y});
      run = 0;
    }
  }
  return boxes;
}

class CompositionTest : public frontend_fixture {
 protected:
  void SetUp() override {
    frontend_fixture::SetUp();
    fe.draw = rec.target();
    fe.running = 1;
    fe.settings.border = 0;
    fe.settings.accent = 0;
    fe.settings.rotation = 0;
    fe.settings.scale_mode = 0;
    fe.settings.aspect_mode = 0;
    fe.settings.scanlines = 0;
    fe.settings.mask = 0;
    fe.fps = 59.94;
    fe.frame_time_avg = 3.456;
  }
  void compose() {
    rec.clear();
    compose_frame_base();
    compose_frame_overlays();
  }
  void only_gadget(int32_t index, int32_t position, int32_t size, int32_t dx = 0, int32_t dy = 0) {
    for (gadget_config& g : fe.settings.gadgets) g = {};
    fe.settings.gadgets[index] = {1, position, size, dx, dy};
  }
  canvas_recorder rec;
};

}  // namespace

TEST_F(CompositionTest, TextGadgetsSitAtTheirCornerWithTheirOffsetsInUiUnits) {
  const int32_t w = 24 + text_measure("59.9 fps", 24), h = 12 + 32;  // size 1: b = 24 u
  const struct {
    int32_t position, dx, dy;
    box at;
  } cases[] = {
      {0, 0, 0, {16, 16, w, h}},
      {1, 0, 0, {1264 - w, 16, w, h}},
      {2, 0, 0, {16, 700, w, h}},
      {3, 0, 0, {1264 - w, 700, w, h}},
      {3, -400, 0, {864 - w, 700, w, h}},  // 4 u further left
      {4, 0, 250, {(1280 - w) / 2, 266, w, h}},
      {5, 0, 0, {(1280 - w) / 2, 700, w, h}},
      {7, 0, 0, {1264 - w, 16, w, h}},
      {-1, 10, 20, {10, 20, w, h}},  // a negative position starts at (0, 0)
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "position " << c.position << " offset " << c.dx);
    only_gadget(GADGET_FPS, c.position, 1, c.dx, c.dy);
    compose();
    const std::vector<box> boxes = round_boxes(rec, GADGET_BOX, 8);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], c.at);
    const recorded_text* text = rec.find_text("59.9 fps");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->x, c.at.x + 12);
    EXPECT_EQ(text->y, c.at.y + 6);
    EXPECT_EQ(text->size, 24);
    EXPECT_EQ(text->color, GADGET_TEXT);
    EXPECT_EQ(text->align, TEXT_ALIGN_LEFT);
  }
}

TEST_F(CompositionTest, GadgetSizesScaleWithTheUiUnit) {
  const struct {
    int32_t size, unit, text_size, radius, margin;
  } cases[] = {{0, 100, 18, 6, 16},  {1, 100, 24, 8, 16}, {2, 100, 34, 11, 16},
               {9, 100, 34, 11, 16}, {1, 50, 12, 4, 8},   {2, 47, 15, 5, 7}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "size " << c.size << " unit " << c.unit);
    fe.ui_unit = c.unit;
    only_gadget(GADGET_FRAME_TIME, 0, c.size);
    compose();
    const recorded_text* text = rec.find_text("3.46 ms");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->size, c.text_size);
    const std::vector<box> boxes = round_boxes(rec, GADGET_BOX, c.radius);
    ASSERT_EQ(boxes.size(), 1u);
    const int32_t b = (c.size == 0 ? 18 : c.size == 1 ? 24 : 34) * c.unit;
    EXPECT_EQ(boxes[0], (box{c.margin, c.margin, c.text_size + text_measure("3.46 ms", c.text_size),
                             b / 200 + text_line_height(c.text_size)}));
  }
}

TEST_F(CompositionTest, TheInputDisplayShowsOneRowOfLampsPerPlayerLitByTheLastInputWord) {
  // The fake game: player 1 has inputs 0-5 and 8, player 2 inputs 6 and 7, input 9 is shared.
  only_gadget(GADGET_INPUT_DISPLAY, 0, 1);
  fe.input_word = 1u << 0 | 1u << 7 | 1u << 9;
  compose();
  const std::vector<box> frame = round_boxes(rec, GADGET_BOX, 8);
  ASSERT_EQ(frame.size(), 1u);
  EXPECT_EQ(frame[0], (box{16, 16, 14 * 24, 8 + 2 * 32}));
  // Lamps: t wide, 3t/4 high, radius b / 400 = 6; the first row's first and the second row's
  // second are lit.
  std::vector<box> lit = round_boxes(rec, AZURE, 6), dark = round_boxes(rec, 0xff423632, 6);
  ASSERT_EQ(lit.size(), 2u);
  ASSERT_EQ(dark.size(), 7u);
  EXPECT_EQ(lit[0], (box{16 + 48, 16 + 8, 24, 18}));
  EXPECT_EQ(lit[1], (box{16 + 48 + 32, 16 + 8 + 32, 24, 18}));
  EXPECT_EQ(dark[5], (box{16 + 48 + 6 * 32, 24, 24, 18})) << "the seventh of player 1";
  EXPECT_EQ(dark[6], (box{16 + 48, 56, 24, 18})) << "the first of player 2";
  const recorded_text* one = rec.find_text("1P");
  const recorded_text* two = rec.find_text("2P");
  ASSERT_NE(one, nullptr);
  ASSERT_NE(two, nullptr);
  EXPECT_EQ(one->x, 24);
  EXPECT_EQ(one->y, 24 - 3);
  EXPECT_EQ(two->y, 56 - 3);
  EXPECT_EQ(one->size, 18);
  EXPECT_EQ(one->color, 0xffbeb0aau);

  // One player: player 2's inputs are never shown. No players figure: two rows.
  fe.adapter_copy.players = 1;
  compose();
  EXPECT_EQ(round_boxes(rec, GADGET_BOX, 8)[0].h, 8 + 32);
  EXPECT_EQ(round_boxes(rec, AZURE, 6).size(), 1u);
  EXPECT_EQ(rec.find_text("2P"), nullptr);
  fe.adapter_copy.players = 0;
  compose();
  EXPECT_NE(rec.find_text("2P"), nullptr);
  fe.adapter_copy.players = 9;
  compose();
  EXPECT_NE(rec.find_text("4P"), nullptr);
  EXPECT_EQ(rec.find_text("5P"), nullptr);
}

TEST_F(CompositionTest, AReadoutWithoutAValueHasNoBox) {
  only_gadget(GADGET_FIRST_READOUT + 1, 2, 1);
  compose();
  EXPECT_TRUE(round_boxes(rec, GADGET_BOX, 8).empty());
  EXPECT_TRUE(rec.texts.empty());
  fake.loaded = 1;
  fake.score = 4200;
  compose();
  EXPECT_EQ(round_boxes(rec, GADGET_BOX, 8).size(), 1u);
  EXPECT_NE(rec.find_text("2P      4200"), nullptr);
  // Disabled gadgets and an open menu show none.
  fe.menu_open = 1;
  fe.menu.depth = 1;
  fe.menu.page_stack[0] = MENU_PAGE_PAUSE;
  compose();
  EXPECT_TRUE(round_boxes(rec, GADGET_BOX, 8).empty());
}

TEST_F(CompositionTest, ThePictureShowsUnderThePauseSlotAndDialogPagesOnly) {
  fe.menu_open = 1;
  fe.menu.depth = 1;
  for (int32_t page = 0; page < MENU_PAGE_COUNT; page++) {
    SCOPED_TRACE(page);
    fe.menu.page_stack[0] = page;
    compose();
    const bool shown = page == 1 || page == 11 || page == 12 || page == 14 || page == 15;
    EXPECT_EQ(!rec.copies.empty(), shown);
    ASSERT_FALSE(rec.fills.empty());
    if (shown) {
      EXPECT_EQ(rec.copies[0].modulation, ui_rgba(90, 90, 100, 255)) << "dimmed";
      // The black border, then the left panel's first band over the picture.
      EXPECT_EQ(rec.fills[0].color, 0xff000000u);
      EXPECT_EQ(rec.fills[1].w, 704);
      EXPECT_EQ(rec.fills[1].color, 0xeb100a08u);
    } else {
      EXPECT_EQ(rec.fills[0].color, 0xff211714u);
      EXPECT_EQ(rec.fills.back().h, 3);
      EXPECT_EQ(rec.fills.back().w, 1280);
      EXPECT_EQ(rec.fills.back().color, ui_with_alpha(AZURE, 0xc8));
    }
  }
  // No game: only the menu's backdrop; no game and no menu: nothing over the black.
  fe.running = 0;
  fe.menu.page_stack[0] = MENU_PAGE_PAUSE;
  compose();
  EXPECT_TRUE(rec.copies.empty());
  EXPECT_EQ(rec.fills[0].color, 0xff211714u);
  fe.menu_open = 0;
  fe.menu.depth = 0;
  compose();
  EXPECT_TRUE(rec.fills.empty());
}

TEST_F(CompositionTest, TheWallpaperDrawsSixFaintAccentLinesAndTheGlowIsStretchedDarkened) {
  fe.settings.border = 1;
  fe.settings.accent = 7;  // 7 mod 6: Amber
  fe.output_h = 700;
  compose();
  std::vector<int32_t> lines;
  for (const recorded_fill& f : rec.fills) {
    if (f.h == 1 && f.w == 1280) {
      lines.push_back(f.y);
      EXPECT_EQ(f.color, 0x0a2eb0ffu);
    }
  }
  EXPECT_EQ(lines, (std::vector<int32_t>{100, 200, 300, 400, 500, 600}));
  EXPECT_EQ(rec.fills[0].color, 0xff1e1512u);
  // The glow: its small texture over the whole output, darkened, before the picture.
  fe.settings.border = 2;
  compose();
  ASSERT_NE(fe.glow_texture, nullptr);
  ASSERT_GE(rec.copies.size(), 2u);
  EXPECT_EQ(rec.copies[0].texture, fe.glow_texture);
  EXPECT_EQ(
      (box{rec.copies[0].dest.x, rec.copies[0].dest.y, rec.copies[0].dest.w, rec.copies[0].dest.h}),
      (box{0, 0, 1280, 700}));
  EXPECT_EQ(rec.copies[0].modulation, ui_rgba(70, 70, 80, 255));
  EXPECT_EQ(rec.copies[1].texture, fe.game_texture);
}

// The glow follows the picture as it is shown: a picture whose top half is red and bottom half
// blue, turned by three quarters as this game is shown, glows red on the left and blue on the
// right; unturned, red above and blue below. Each cell is the mean of what it covers.
TEST(AmbientGlow, ItsCellsAverageThePictureAsItIsShown) {
  enum { W = 48, H = 36 };
  std::vector<uint32_t> picture(W * H);
  for (int y = 0; y < H; y++) {
    for (int x = 0; x < W; x++) picture[y * W + x] = y < H / 2 ? 0xFF0000u : 0x0000FFu;
  }
  uint32_t cells[AMBIENT_GLOW_W * AMBIENT_GLOW_H];
  const struct {
    int32_t rotation;
    uint32_t top_left, top_right, bottom_left;
  } cases[] = {
      {0, 0xFFFF0000u, 0xFFFF0000u, 0xFF0000FFu},
      {3, 0xFFFF0000u, 0xFF0000FFu, 0xFFFF0000u},
      {1, 0xFF0000FFu, 0xFFFF0000u, 0xFF0000FFu},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rotation);
    ambient_glow_cells(picture.data(), W, H, c.rotation, cells);
    EXPECT_EQ(cells[0], c.top_left);
    EXPECT_EQ(cells[AMBIENT_GLOW_W - 1], c.top_right);
    EXPECT_EQ(cells[(AMBIENT_GLOW_H - 1) * AMBIENT_GLOW_W], c.bottom_left);
  }
  // A cell over pixels of 10 and 30 in one channel holds their mean.
  for (int i = 0; i < W * H; i++) picture[i] = (i % 2) ? 30u : 10u;
  ambient_glow_cells(picture.data(), W, H, 0, cells);
  EXPECT_EQ(cells[5], 0xFF000014u);
}

TEST_F(CompositionTest, PausedRewindAndMovieMarksFollowTheirFlagsAndTheMenu) {
  for (gadget_config& g : fe.settings.gadgets) g = {};
  fe.paused = 1;
  fe.rewinding = 1;
  snprintf(fe.movie_text, sizeof fe.movie_text, "REC movie-1");
  compose();
  const recorded_text* paused = rec.find_text("PAUSED");
  const recorded_text* rewind = rec.find_text("<< REWIND");
  const recorded_text* movie = rec.find_text("REC movie-1");
  ASSERT_NE(paused, nullptr);
  ASSERT_NE(rewind, nullptr);
  ASSERT_NE(movie, nullptr);
  EXPECT_EQ(paused->x, 640);
  EXPECT_EQ(paused->y, 30);
  EXPECT_EQ(paused->size, 40);
  EXPECT_EQ(paused->color, 0xe6ffffffu);
  EXPECT_EQ(paused->align, TEXT_ALIGN_CENTRE);
  EXPECT_EQ(rewind->x, 30);
  EXPECT_EQ(rewind->size, 30);
  EXPECT_EQ(rewind->color, AZURE);
  EXPECT_EQ(rewind->align, TEXT_ALIGN_LEFT);
  EXPECT_EQ(movie->x, 1256);
  EXPECT_EQ(movie->y, 720);
  EXPECT_EQ(movie->size, 18);
  EXPECT_EQ(movie->color, 0xdc5a5affu);
  EXPECT_EQ(movie->align, TEXT_ALIGN_RIGHT);

  fe.menu_open = 1;
  fe.menu.depth = 1;
  fe.menu.page_stack[0] = MENU_PAGE_PAUSE;
  compose();
  EXPECT_EQ(rec.find_text("PAUSED"), nullptr);
  EXPECT_EQ(rec.find_text("REC movie-1"), nullptr);
  EXPECT_NE(rec.find_text("<< REWIND"), nullptr) << "the flag alone decides";
  fe.rewinding = 0;
  compose();
  EXPECT_EQ(rec.find_text("<< REWIND"), nullptr);
}

TEST_F(CompositionTest, TheToastSitsAboveTheFooterOverTheMenuUntilItsEndTime) {
  fe.menu_open = 1;
  fe.menu.depth = 1;
  fe.menu.page_stack[0] = MENU_PAGE_AUDIO;
  snprintf(fe.toast_text, sizeof fe.toast_text, "Slot 3");
  fe.toast_end = tp.now + 2 * tp.frequency;
  test_clock_advance_ms(2000);  // exactly at the end time: still shown
  compose();
  const int32_t w = 40 + text_measure("Slot 3", 22), h = 18 + text_line_height(22);
  // Its bottom 12 u above the footer's line, which is 52 u and a tenth of a unit up.
  const int32_t top = 760 - 52 - 10 - 12 - h, left = (1280 - w) / 2;
  const std::vector<box> boxes = round_boxes(rec, 0xe61a1210, 10);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], (box{left, top, w, h}));
  const recorded_fill& strip = rec.fills.back();
  EXPECT_EQ((box{strip.x, strip.y, strip.w, strip.h}), (box{left, top + h - 3, w, 3}));
  EXPECT_EQ(strip.color, AZURE);
  const recorded_text* text = rec.find_text("Slot 3");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->x, 640);
  EXPECT_EQ(text->y, top + 8);
  EXPECT_EQ(text->size, 22);
  EXPECT_EQ(text->color, 0xfff6f2f0u);
  EXPECT_EQ(text->align, TEXT_ALIGN_CENTRE);
  tp.now += 1;
  compose();
  EXPECT_EQ(rec.find_text("Slot 3"), nullptr);
}

// Over the game the toast sits 40 u above the bottom, and above any gadget it would cover.
TEST_F(CompositionTest, OverTheGameTheToastKeepsClearOfTheGadgets) {
  snprintf(fe.toast_text, sizeof fe.toast_text, "Saved to slot 1");
  fe.toast_end = tp.now + tp.frequency;
  const int32_t h = 18 + text_line_height(22);
  only_gadget(GADGET_FPS, 0, 1);  // top left: nowhere near
  compose();
  std::vector<box> toast = round_boxes(rec, 0xe61a1210, 10);
  ASSERT_EQ(toast.size(), 1u);
  EXPECT_EQ(toast[0].y, 760 - 40 - h);
  // Large gadgets at the bottom centre and, lifted 60 u, right above it.
  only_gadget(GADGET_FPS, 5, 2);
  fe.settings.gadgets[GADGET_FRAME_TIME] = {1, 5, 2, 0, -60};
  compose();
  toast = round_boxes(rec, 0xe61a1210, 10);
  const std::vector<box> gadgets = round_boxes(rec, GADGET_BOX, 11);
  ASSERT_EQ(toast.size(), 1u);
  ASSERT_EQ(gadgets.size(), 2u);
  for (const box& g : gadgets) {
    const bool apart = toast[0].y + toast[0].h <= g.y || g.y + g.h <= toast[0].y ||
                       toast[0].x + toast[0].w <= g.x || g.x + g.w <= toast[0].x;
    EXPECT_TRUE(apart) << "toast " << toast[0] << ", gadget " << g;
  }
  EXPECT_EQ(toast[0].y + toast[0].h, std::min(gadgets[0].y, gadgets[1].y) - 8);
}

// A failure toast with a long path, in windows from Window Size 1x up: never past either side.
// What does not fit on one line goes on a second; when two are not enough the path loses its
// start, a folder at a time, and "Save", the file name and the reason all show.
TEST_F(CompositionTest, AToastWrapsAndShortensItsPathToStayInsideTheWindow) {
  rec.measure_text = true;
  snprintf(fe.toast_text, sizeof fe.toast_text, "%s",
           "Save failed: cannot write /home/someone/.local/share/Larkspindle/Cobaltine/states/"
           "cobaltin-1234ABCD/slot01.fest: No space left on device");
  fe.toast_end = tp.now + tp.frequency;
  const struct {
    int32_t w, h;
    bool menu;
  } windows[] = {{320, 299, true}, {448, 597, false},  {448, 597, true},
                 {672, 896, true}, {1280, 760, false}, {1920, 1080, true}};
  for (const auto& win : windows) {
    SCOPED_TRACE(testing::Message() << win.w << "x" << win.h << (win.menu ? " menu" : ""));
    main_loop_set_output(win.w, win.h);
    fe.menu_open = win.menu;
    fe.menu.depth = win.menu;
    fe.menu.page_stack[0] = MENU_PAGE_AUDIO;
    compose();
    std::string shown;
    int32_t lines = 0;
    for (const recorded_text& t : rec.texts) {
      if (t.color != 0xfff6f2f0u || t.align != TEXT_ALIGN_CENTRE) continue;
      EXPECT_GE(t.left, 0) << t.text;
      EXPECT_LE(t.left + t.width, win.w) << t.text;
      shown += (lines++ ? " " : "") + t.text;
    }
    const std::vector<box> boxes = round_boxes(rec, 0xe61a1210, menu_unit() / 10);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_GE(boxes[0].x, 0);
    EXPECT_LE(boxes[0].x + boxes[0].w, win.w);
    EXPECT_EQ(lines, 2);
    EXPECT_EQ(shown.rfind("Save failed: cannot write ", 0), 0u) << shown;
    EXPECT_NE(shown.find("/slot01.fest: No space left on device"), std::string::npos) << shown;
  }
}

TEST(ToastLines, OneLineWhenItFitsAPathShortenedByFoldersAndALastLineCut) {
  char lines[2][TOAST_CHARS];
  EXPECT_EQ(toast_lines("Slot 3", 20, 500, lines), 1);
  EXPECT_STREQ(lines[0], "Slot 3");
  EXPECT_STREQ(lines[1], "");
  // Two lines are enough: broken at a blank, nothing lost.
  const char* two = "Recording inputs to movie-20250101-120000.femv";
  ASSERT_EQ(toast_lines(two, 20, text_measure("movie-20250101-120000.femv", 20), lines), 2);
  EXPECT_STREQ(lines[0], "Recording inputs to");
  EXPECT_STREQ(lines[1], "movie-20250101-120000.femv");
  // Not enough: the path gives way from its start, at a folder, until the rest fits on two.
  const char* path =
      "Cannot write /a/bb/ccc/dddd/eeeee/ffffff/ggggggg/hhhhhhhh/movie.femv: Read-only file system";
  const char* end = "/movie.femv: Read-only file system";
  const int32_t width = text_measure("/hhhhhhhh/movie.femv: Read-only file system", 20);
  ASSERT_EQ(toast_lines(path, 20, width, lines), 2);
  const std::string first = lines[0], second = lines[1];
  EXPECT_LE(text_measure(lines[0], 20), width);
  EXPECT_LE(text_measure(lines[1], 20), width);
  EXPECT_EQ(first.rfind("Cannot write .../", 0), 0u) << first << " | " << second;
  EXPECT_EQ(second.size() >= strlen(end) ? second.substr(second.size() - strlen(end)) : "", end)
      << first << " | " << second;
  EXPECT_EQ((first + second).find("/a/"), std::string::npos) << "the start went first";
  // A text with no path that two lines cannot hold: the second is cut with "...".
  const std::string words(60, 'w');
  ASSERT_EQ(toast_lines(("Oh " + words).c_str(), 20, text_measure("wwwwwwwwww", 20), lines), 2);
  EXPECT_STREQ(lines[0], "Oh");
  EXPECT_LE(text_measure(lines[1], 20), text_measure("wwwwwwwwww", 20));
  EXPECT_EQ(std::string(lines[1]).substr(std::string(lines[1]).size() - 3), "...");
}

// Offsets may push a gadget anywhere, but its box stays inside the output.
TEST_F(CompositionTest, AGadgetsOffsetsNeverTakeItsBoxOutOfTheWindow) {
  const int32_t w = 24 + text_measure("59.9 fps", 24), h = 12 + 32;
  const struct {
    int32_t position, dx, dy;
    box at;
  } cases[] = {
      {3, 400, 300, {1280 - w, 760 - h, w, h}},
      {0, -400, -300, {0, 0, w, h}},
      {4, 0, -300, {(1280 - w) / 2, 0, w, h}},
      {5, 400, 0, {(1280 - w) / 2 + 400, 760 - h - 16, w, h}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "position " << c.position);
    only_gadget(GADGET_FPS, c.position, 1, c.dx, c.dy);
    compose();
    const std::vector<box> boxes = round_boxes(rec, GADGET_BOX, 8);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], c.at);
  }
}

// From 640 x 480 up no gadget text is below 11 pixels, the input display's labels (three
// quarters of its size) included; from 1280 x 720 up, where they are larger, nothing changes.
TEST_F(CompositionTest, GadgetTextIsAtLeastElevenPixelsFrom640x480Up) {
  rec.measure_text = true;
  for (gadget_config& g : fe.settings.gadgets) g = {1, 0, 0, 0, 0};
  fe.settings.gadgets[GADGET_FRAME_TIME].position = 1;
  fe.settings.gadgets[GADGET_INPUT_DISPLAY].position = 2;
  fake.loaded = 1;
  const struct {
    int32_t w, h, smallest;
  } windows[] = {{320, 299, 6}, {640, 480, 11}, {672, 896, 11}, {1280, 720, 12}};
  for (const auto& win : windows) {
    SCOPED_TRACE(testing::Message() << win.w << "x" << win.h);
    main_loop_set_output(win.w, win.h);
    compose();
    int32_t smallest = 1000;
    for (const recorded_text& t : rec.texts) smallest = std::min(smallest, t.size);
    EXPECT_EQ(smallest, win.smallest);
  }
}
