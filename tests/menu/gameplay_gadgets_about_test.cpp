// The Gameplay page over a descriptor with awkward DIP switches (a shared value, no choices, a
// count beyond the table, words the settings do not keep), the Gadgets page and the editor with
// out-of-range positions and sizes named as the composition draws them, and the About page's
// lines.
#include <gtest/gtest.h>

#include <SDL.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "frontend/composition.h"
#include "frontend/frontend_state.h"
#include "menu/gadget_pages.h"
#include "menu_fixture.h"
#include "ui/text.h"

namespace {

// --- Gameplay

adapter_dip_switch make_switch(const char* label, int32_t word, uint16_t mask, uint16_t def,
                               uint64_t count, std::vector<adapter_dip_choice> choices) {
  adapter_dip_switch dip = {};
  dip.id = label;
  dip.label = label;
  dip.word = word;
  dip.mask = mask;
  dip.default_value = def;
  dip.choice_count = count;
  for (size_t i = 0; i < choices.size() && i < ADAPTER_DIP_CHOICES_MAX; i++) {
    dip.choices[i] = choices[i];
  }
  return dip;
}

std::vector<adapter_dip_choice> twenty_choices() {
  static const char* const names[20] = {"C0",  "C1",  "C2",  "C3",  "C4",  "C5",  "C6",
                                        "C7",  "C8",  "C9",  "C10", "C11", "C12", "C13",
                                        "C14", "C15", "C16", "C17", "C18", "C19"};
  std::vector<adapter_dip_choice> out;
  for (uint64_t i = 0; i < 20; i++) out.push_back({names[i], i << 8});
  return out;
}

const adapter_dip_switch awkward_dips[] = {
    // Two choices share a value: the later one is current.
    make_switch("Lives", 0, 0x000C, 0x0004, 4,
                {{"One", 0x0}, {"Two", 0x4}, {"Two (again)", 0x4}, {"Three", 0x8}}),
    make_switch("Empty", 0, 0x0010, 0x0010, 0, {}),
    // A count beyond the 20 the table holds.
    make_switch("Many", 1, 0x1F00, 0x0000, 1000000, twenty_choices()),
    make_switch("Word 7", 7, 0x0001, 0x0001, 2, {{"Off", 0}, {"On", 1}}),
    make_switch("Word -1", -1, 0x0001, 0x0001, 2, {{"Off", 0}, {"On", 1}}),
};

class GameplayPage : public menu_fixture {
 protected:
  const game_adapter* game() override {
    static game_adapter descriptor = [] {
      game_adapter d = fake_game_descriptor;
      d.dip_switches = awkward_dips;
      d.dip_switch_count = 5;
      d.dip_word_count = 2;
      return d;
    }();
    return &descriptor;
  }
  void SetUp() override {
    menu_fixture::SetUp();
    stack({MENU_PAGE_MAIN, MENU_PAGE_GAMEPLAY});
  }
  uint16_t* words() { return fe.settings.dip_words; }
  std::string value_of(const char* label) {
    const menu_row* row = rows.find(MENU_PAGE_GAMEPLAY, label);
    return row ? (row->has_value ? row->value : "<none>") : "<absent>";
  }
  void step_row(int32_t row, int32_t menu_state::*latch) {
    select(row);
    fe.menu.*latch = 1;
    frame();
    frame();
  }
};

TEST_F(GameplayPage, DefaultsSkipTheWordsTheSettingsCannotKeep) {
  EXPECT_EQ(words()[0], 0xFFF7);  // Lives 0x4 under 0xC, Empty 0x10 under 0x10
  EXPECT_EQ(words()[1], 0xE0FF);  // Many 0 under 0x1F00
  EXPECT_EQ(words()[2], 0xFFFF);
  EXPECT_EQ(words()[3], 0xFFFF);
}

TEST_F(GameplayPage, TheLaterOfTwoEqualChoicesShowsAndStepsWrapBothWays) {
  frame();
  EXPECT_EQ(rows.labels(MENU_PAGE_GAMEPLAY),
            (std::vector<std::string>{"Lives", "Empty", "Many", "Word 7", "Word -1",
                                      "Restore Defaults"}));
  EXPECT_NE(rec.find_text("Cabinet DIP switches - applied when the game is next started or "
                          "restarted"),
            nullptr);
  EXPECT_EQ(value_of("Lives"), "Two (again)");
  step_row(0, &menu_state::nav_right);
  EXPECT_EQ(value_of("Lives"), "Three");
  EXPECT_EQ(words()[0], 0xFFFB);
  step_row(0, &menu_state::nav_right);
  EXPECT_EQ(value_of("Lives"), "One");
  step_row(0, &menu_state::nav_left);
  EXPECT_EQ(value_of("Lives"), "Three");
}

TEST_F(GameplayPage, BitsThatMatchNoChoiceShowTheFirstAndOneStepRightSelectsTheSecond) {
  words()[0] = 0xFFFF;  // 0xC under Lives' mask: no choice has it
  frame();
  EXPECT_EQ(value_of("Lives"), "One");
  step_row(0, &menu_state::nav_right);
  EXPECT_EQ(words()[0], 0xFFF7);                // the second choice's 0x4
  EXPECT_EQ(value_of("Lives"), "Two (again)");  // which the third shares
}

TEST_F(GameplayPage, ASwitchWithoutChoicesOrWithAWordOutOfRangeShowsNoValueAndIgnoresSteps) {
  frame();
  for (const char* label : {"Empty", "Word 7", "Word -1"}) {
    const menu_row* row = rows.find(MENU_PAGE_GAMEPLAY, label);
    ASSERT_NE(row, nullptr) << label;
    EXPECT_FALSE(row->has_value) << label;
    EXPECT_FALSE(row->has_step) << label;
  }
  uint16_t before[FE_MAX_DIP_WORDS];
  memcpy(before, words(), sizeof before);
  for (int32_t row : {1, 3, 4}) {
    for (int32_t menu_state::*latch :
         {&menu_state::nav_left, &menu_state::nav_right, &menu_state::nav_accept}) {
      step_row(row, latch);
      EXPECT_EQ(memcmp(before, words(), sizeof before), 0) << row;
      EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_GAMEPLAY));
    }
  }
}

TEST_F(GameplayPage, AChoiceCountBeyondTheTableStopsAtTwenty) {
  frame();
  EXPECT_EQ(value_of("Many"), "C0");
  step_row(2, &menu_state::nav_left);  // wraps to the twentieth, not beyond the table
  EXPECT_EQ(value_of("Many"), "C19");
  EXPECT_EQ(words()[1], 0xF3FF);  // 19 << 8 under 0x1F00
  step_row(2, &menu_state::nav_right);
  EXPECT_EQ(value_of("Many"), "C0");
}

TEST_F(GameplayPage, RestoreDefaultsChangesOnlyTheBitsUnderEachMask) {
  words()[0] = 0x1230;
  words()[1] = 0x0000;
  frame();
  step_row(5, &menu_state::nav_accept);
  EXPECT_EQ(words()[0], 0x1234);  // Lives 0x4, Empty 0x10: the other bits stay
  EXPECT_EQ(words()[1], 0x0000);
  EXPECT_EQ(words()[2], 0xFFFF);
}

TEST_F(GameplayPage, RestartingToApplyIsOfferedOnlyWhileAGameRunsAndAsksFirst) {
  frame();
  EXPECT_EQ(rows.find(MENU_PAGE_GAMEPLAY, "Restart Now to Apply"), nullptr);
  game_running();
  frame();
  ASSERT_NE(rows.find(MENU_PAGE_GAMEPLAY, "Restart Now to Apply"), nullptr);
  step_row(6, &menu_state::nav_accept);
  ASSERT_EQ(menu_top_page(), int32_t(MENU_PAGE_CONFIRM));
  EXPECT_EQ(fe.confirm_action, int32_t(CONFIRM_RESTART));
  EXPECT_STREQ(fe.confirm_text,
               "Restart the game with the new switch settings? Unsaved progress will be lost.");
}

// --- Gadgets

class GadgetPages : public menu_fixture {
 protected:
  const game_adapter* game() override { return &cobaltin_adapter; }
  void SetUp() override {
    menu_fixture::SetUp();
    stack({MENU_PAGE_MAIN, MENU_PAGE_GADGETS});
  }
};

TEST_F(GadgetPages, ThisGameHasFiveGadgetsWithTheirHints) {
  frame();
  const std::vector<menu_row> list = rows.of(MENU_PAGE_GADGETS);
  ASSERT_EQ(list.size(), 5u);
  const char* const labels[5] = {"FPS", "Frame Time", "Input Display", "Score (Player 1)",
                                 "Score (Player 2)"};
  for (size_t i = 0; i < 5; i++) {
    EXPECT_EQ(list[i].label, labels[i]);
    EXPECT_EQ(list[i].value, "Off");
    EXPECT_EQ(list[i].has_hint, i >= 2) << i;
  }
  EXPECT_EQ(list[2].hint, "Shows the inputs sent to the board each frame.");
  EXPECT_EQ(list[3].hint, "Read from the game's verified RAM layout.");
  EXPECT_NE(rec.find_text("Enter: position and size"), nullptr);
}

TEST_F(GadgetPages, RightTogglesAGadgetAndEnterOpensItsEditor) {
  select(3);
  fe.menu.nav_right = 1;
  frame();
  EXPECT_EQ(fe.settings.gadgets[3].enabled, 1);
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_GADGETS));
  fe.menu.nav_accept = 1;
  frame();
  ASSERT_EQ(menu_top_page(), int32_t(MENU_PAGE_GADGET_EDITOR));
  EXPECT_EQ(fe.gadget_target, 3);
  frame();
  EXPECT_NE(rec.find_text("Score (Player 1)"), nullptr);  // the editor's title
  EXPECT_EQ(rows.labels(MENU_PAGE_GADGET_EDITOR),
            (std::vector<std::string>{"Enabled", "Position", "Size", "Offset X", "Offset Y"}));
  EXPECT_EQ(rows.find(MENU_PAGE_GADGET_EDITOR, "Offset X")->value, "+0");
  EXPECT_EQ(rows.find(MENU_PAGE_GADGET_EDITOR, "Offset X")->hint,
            "Fine horizontal adjustment in UI pixels.");
  fe.menu.nav_back = 1;
  frame();
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_GADGETS));
}

TEST_F(GadgetPages, OutOfRangePositionsAndSizesAreNamedAsTheCompositionDrawsThem) {
  struct name_case {
    int32_t position, size;
    const char *position_name, *size_name;
  };
  const name_case cases[] = {{7, 3, "Top right", "Large"},
                             {13, 99, "Top right", "Large"},
                             {11, -1, "Bottom centre", "Large"},
                             {-1, INT_MIN, "Top left", "Large"},
                             {INT_MIN, INT_MAX, "Top left", "Large"},
                             {6, 1, "Top left", "Medium"}};
  for (const name_case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.position << "," << c.size);
    EXPECT_STREQ(menu_gadget_position_name(c.position), c.position_name);
    EXPECT_STREQ(menu_gadget_size_name(c.size), c.size_name);
    fe.settings.gadgets[GADGET_FPS] = {1, c.position, c.size, 0, 0};
    stack({MENU_PAGE_MAIN, MENU_PAGE_GADGETS});
    frame();
    EXPECT_EQ(rows.find(MENU_PAGE_GADGETS, "FPS")->value, std::string("On  -  ") + c.position_name);
    fe.gadget_target = GADGET_FPS;
    stack({MENU_PAGE_MAIN, MENU_PAGE_GADGETS, MENU_PAGE_GADGET_EDITOR});
    frame();
    EXPECT_EQ(rows.find(MENU_PAGE_GADGET_EDITOR, "Position")->value, c.position_name);
    EXPECT_EQ(rows.find(MENU_PAGE_GADGET_EDITOR, "Size")->value, c.size_name);
  }
}

// The box the composition draws for the fps gadget alone, with the menu closed.
SDL_Rect fps_box(canvas_recorder& rec, const gadget_config& g) {
  for (gadget_config& other : fe.settings.gadgets) other.enabled = 0;
  fe.settings.gadgets[GADGET_FPS] = g;
  fe.running = 1;
  fe.menu_open = 0;
  fe.settings.border = 0;
  rec.clear();
  compose_frame_base();
  // The rounded box is the last run of fills: its widest row is its width.
  SDL_Rect box = {0, 0, 0, 0};
  for (const recorded_fill& f : rec.fills) {
    if (f.color == 0xaa0e0a08 && f.w > box.w) box = {f.x, f.y, f.w, f.h};
  }
  return box;
}

TEST_F(GadgetPages, ANamedPositionAndSizeDrawTheSameBoxAsTheOutOfRangeValue) {
  fe.rom_ready = 1;
  struct same_case {
    int32_t position, size;              // out of range
    int32_t named_position, named_size;  // what the page names
  };
  for (const same_case& c : {same_case{7, 5, 1, 2}, {16, -4, 4, 2}, {11, 2, 5, 2}}) {
    SCOPED_TRACE(c.position);
    const SDL_Rect odd = fps_box(rec, {1, c.position, c.size, 0, 0});
    const SDL_Rect named = fps_box(rec, {1, c.named_position, c.named_size, 0, 0});
    EXPECT_GT(odd.w, 0);
    EXPECT_EQ(odd.x, named.x);
    EXPECT_EQ(odd.w, named.w);
    EXPECT_STREQ(menu_gadget_position_name(c.position),
                 menu_gadget_position_name(c.named_position));
    EXPECT_STREQ(menu_gadget_size_name(c.size), menu_gadget_size_name(c.named_size));
  }
  // A negative position sits in the top-left corner, as "Top left" says.
  const SDL_Rect corner = fps_box(rec, {1, -1, 1, 0, 0});
  const SDL_Rect top_left = fps_box(rec, {1, 0, 1, 0, 0});
  EXPECT_LE(corner.x, top_left.x);
  EXPECT_LT(corner.x, 1280 / 2);
}

TEST_F(GadgetPages, TheEditorStepsFromTheNamedPositionAndSize) {
  fe.gadget_target = GADGET_FRAME_TIME;
  fe.settings.gadgets[GADGET_FRAME_TIME] = {1, 13, 7, 0, 0};  // shown as Top right, Large
  stack({MENU_PAGE_MAIN, MENU_PAGE_GADGETS, MENU_PAGE_GADGET_EDITOR});
  select(1);
  fe.menu.nav_right = 1;
  frame();
  EXPECT_EQ(fe.settings.gadgets[GADGET_FRAME_TIME].position, 2);  // Bottom left
  fe.settings.gadgets[GADGET_FRAME_TIME].position = -7;           // shown as Top left
  fe.menu.nav_left = 1;
  frame();
  EXPECT_EQ(fe.settings.gadgets[GADGET_FRAME_TIME].position, 5);  // Bottom centre
  select(2);
  fe.menu.nav_left = 1;
  frame();
  EXPECT_EQ(fe.settings.gadgets[GADGET_FRAME_TIME].size, 1);  // Large, then Medium
}

TEST_F(GadgetPages, AnEditorAimedAtNoGadgetClosesItself) {
  for (int32_t target : {-1, 5, 11, INT_MAX}) {
    fe.gadget_target = target;
    stack({MENU_PAGE_MAIN, MENU_PAGE_GADGETS, MENU_PAGE_GADGET_EDITOR});
    frame();
    EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_GADGETS)) << target;
    EXPECT_TRUE(rows.of(MENU_PAGE_GADGET_EDITOR).empty()) << target;
  }
}

// --- About

class AboutPage : public menu_fixture {
 protected:
  void SetUp() override {
    menu_fixture::SetUp();
    stack({MENU_PAGE_MAIN, MENU_PAGE_ABOUT});
    snprintf(fe.feature_summary, sizeof fe.feature_summary, "save_states: on, rewind: off");
  }
  // The recorded texts at x = 40 below the title block, in drawing order.
  std::vector<recorded_text> body() const {
    std::vector<recorded_text> out;
    for (const recorded_text& t : rec.texts) {
      if (t.x == 40 && t.y >= 160) out.push_back(t);
    }
    return out;
  }
};

TEST_F(AboutPage, TheAboutTextIsFollowedByTheFolderVersionsProfileAndFeatures) {
  frame();
  EXPECT_TRUE(rows.of(MENU_PAGE_ABOUT).empty());
  EXPECT_NE(rec.find_text("About"), nullptr);
  SDL_version v;
  SDL_GetVersion(&v);
  char sdl[96];
  snprintf(sdl, sizeof sdl, "SDL %d.%d.%d   Renderer: software", v.major, v.minor, v.patch);
  const std::vector<recorded_text> lines = body();
  ASSERT_EQ(lines.size(), 6u);  // the text ends with '\n': no empty third line
  const struct {
    std::string text;
    int32_t y, size;
    ui_color color;
  } want[6] = {
      {"Fake Game for the frontend tests.", 160, 21, 0xffdcd2ce},
      {"Second line of the About text.", 190, 21, 0xffdcd2ce},
      {"Data folder: " + dir.path(), 220 + 16, 18, 0xffa0928c},
      {sdl, 220 + 44, 18, 0xffa0928c},
      {"Profile: none (adapter defaults)", 220 + 72, 18, 0xffa0928c},
      {"save_states: on, rewind: off", 220 + 100, 16, 0xffa0928c},
  };
  for (size_t i = 0; i < 6; i++) {
    EXPECT_EQ(lines[i].text, want[i].text) << i;
    EXPECT_EQ(lines[i].y, want[i].y) << i;
    EXPECT_EQ(lines[i].size, want[i].size) << i;
    EXPECT_EQ(lines[i].color, want[i].color) << i;
  }

  fe.profile.valid = 1;
  snprintf(fe.profile.path, sizeof fe.profile.path, "/data/profiles/fakegame.json");
  frame();
  EXPECT_NE(rec.find_text("Profile: /data/profiles/fakegame.json"), nullptr);
}

// A line is cut at 255 characters, and what is wider than the window goes on over the lines
// below it, every piece inside the window.
TEST_F(AboutPage, LongLinesAreCutAndBrokenToTheWindowAndInnerEmptyLinesKeepTheirPlace) {
  const std::string long_line(300, 'x');
  const std::string about = "first\n\n" + long_line + "\nlast";
  fe.adapter_copy.about = about.c_str();
  frame();
  const std::vector<recorded_text> lines = body();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0].text, "first");
  std::string joined;
  size_t i = 1;
  for (; i < lines.size() && lines[i].text[0] == 'x'; i++) {
    EXPECT_EQ(lines[i].y, 160 + int32_t(i + 1) * 30);  // the empty line keeps its place
    EXPECT_LE(lines[i].x + text_measure(lines[i].text.c_str(), 21), 1280 - 40);
    joined += lines[i].text;
  }
  EXPECT_GT(i, 2u) << "broken over several lines";
  EXPECT_EQ(joined, std::string(255, 'x'));
  ASSERT_LT(i + 1, lines.size());
  EXPECT_EQ(lines[i].text, "last");
  EXPECT_EQ(lines[i].y, 160 + int32_t(i + 1) * 30);
  EXPECT_EQ(lines[i + 1].y, 160 + int32_t(i + 2) * 30 + 16);  // the data folder follows
  fe.adapter_copy.about = nullptr;
  frame();
  EXPECT_EQ(body().front().text, "Data folder: " + dir.path());
  EXPECT_EQ(body().front().y, 160 + 16);
}

TEST_F(AboutPage, EnterOrBackLeavesWithoutSaving) {
  for (int32_t menu_state::*latch : {&menu_state::nav_accept, &menu_state::nav_back}) {
    stack({MENU_PAGE_MAIN, MENU_PAGE_ABOUT});
    frame();
    fe.menu.*latch = 1;
    frame();
    EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_MAIN));
    EXPECT_EQ(fe.menu.depth, 1);
  }
  EXPECT_FALSE(exists_at_all(fe.settings_path));
}

}  // namespace
