// The confirmation dialog (keys, mouse, Enter and Back, the action after "Yes") and the error
// dialog (the body's wrapping and the dismissal), each opened by show_confirm or show_error over
// the menu.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontend/frontend_state.h"
#include "frontend/messages.h"
#include "menu_fixture.h"
#include "ui/text.h"

namespace {

// The confirmation's buttons at ui unit 100: 200 x 56 from y = 413, "Yes" at x = 420, "No" at 660.
const int32_t BUTTON_Y = 413 + 20, YES_X = 420 + 50, NO_X = 660 + 50;

class ConfirmDialog : public menu_fixture {
 protected:
  // An exit question over the Main Menu; "Yes" shows as the quit flag.
  void ask() {
    open_on(MENU_PAGE_MAIN);
    fe.quit = 0;
    show_confirm(CONFIRM_EXIT, 0, "Exit the game? Unsaved progress will be lost.");
  }
  int32_t selected() const { return fe.menu.cursor[MENU_PAGE_CONFIRM]; }
  // The fill of a button: the accent colour marks the selected one.
  ui_color button_color(int32_t left) const {
    for (const recorded_fill& f : rec.fills) {
      if (f.y == 413 && f.x > left && f.x < left + 20) return f.color;
    }
    return 0;
  }
};

TEST_F(ConfirmDialog, OpensOnNoSoEnterAtOnceOnlyClosesIt) {
  ask();
  frame();  // drawn once as raised
  EXPECT_EQ(selected(), 1);
  EXPECT_EQ(button_color(660), menu_accent_color());
  EXPECT_EQ(button_color(420), 0xff3e302cu);
  const recorded_text* question = rec.find_text("Exit the game? Unsaved progress will be lost.");
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(question->x, 640);
  EXPECT_EQ(question->y, 255 + 56);
  // The page beneath is drawn too.
  EXPECT_FALSE(rows.of(MENU_PAGE_MAIN).empty());

  fe.menu.nav_accept = 1;
  frame();
  EXPECT_EQ(fe.quit, 0);
  EXPECT_EQ(fe.menu.depth, 1);
  EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_MAIN));
}

TEST_F(ConfirmDialog, LeftOrUpSelectsYesAndEnterThenCarriesTheActionOut) {
  for (int32_t menu_state::*key : {&menu_state::nav_left, &menu_state::nav_up}) {
    ask();
    fe.menu.*key = 1;
    fe.menu.nav_accept = 1;
    frame();
    EXPECT_EQ(fe.quit, 1);
    EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_MAIN));  // the dialog went first
  }
  // Right or Down go back to "No".
  ask();
  fe.menu.nav_left = 1;
  frame();
  EXPECT_EQ(selected(), 0);
  fe.menu.nav_down = 1;
  frame();
  EXPECT_EQ(selected(), 1);
}

TEST_F(ConfirmDialog, BackCancelsEvenWithYesSelected) {
  ask();
  fe.menu.nav_left = 1;
  frame();
  fe.menu.nav_back = 1;
  fe.menu.nav_accept = 1;  // Back wins
  frame();
  EXPECT_EQ(fe.quit, 0);
  EXPECT_EQ(fe.menu.depth, 1);
}

TEST_F(ConfirmDialog, AClickOnYesActsWhateverTheKeyboardSelected) {
  ask();
  ASSERT_EQ(selected(), 1);
  fe.menu.mouse_x = YES_X;
  fe.menu.mouse_y = BUTTON_Y;
  fe.menu.mouse_click = 1;  // the pointer did not move this frame
  frame();
  EXPECT_EQ(fe.quit, 1);
}

TEST_F(ConfirmDialog, ThePointerSelectsTheButtonItMovesOntoAndAClickOnNoCancels) {
  ask();
  move_mouse(YES_X, BUTTON_Y);
  frame();
  EXPECT_EQ(selected(), 0);
  EXPECT_EQ(button_color(420), menu_accent_color());
  EXPECT_EQ(fe.menu.depth, 2);
  // Below the buttons' 56 pixels nothing is hovered.
  move_mouse(NO_X, 413 + 56);
  frame();
  EXPECT_EQ(selected(), 0);
  fe.menu.mouse_x = NO_X;
  fe.menu.mouse_y = BUTTON_Y;
  fe.menu.mouse_click = 1;
  frame();
  EXPECT_EQ(fe.quit, 0);
  EXPECT_EQ(fe.menu.depth, 1);
}

class ErrorDialog : public menu_fixture {
 protected:
  // The body lines drawn, in order, with their y.
  struct line {
    std::string text;
    int32_t y;
  };
  std::vector<line> body_lines() const {
    std::vector<line> lines;
    for (const recorded_text& t : rec.texts) {
      if (t.x == 190 + 36 && t.size == 20) lines.push_back({t.text, t.y});
    }
    return lines;
  }
  void show(const std::string& body) {
    open_on(MENU_PAGE_MAIN);
    show_error("Cannot load state", "%s", body.c_str());
    frame();
  }
  static constexpr int32_t WIDTH = 900 - 72;  // the body's width at ui unit 100
};

TEST_F(ErrorDialog, ALongWordIsCutIntoPiecesAsWideAsTheBox) {
  const std::string word(300, 'W');
  show(word);
  const std::vector<line> lines = body_lines();
  ASSERT_GE(lines.size(), 3u);
  std::string joined;
  for (size_t i = 0; i < lines.size(); i++) {
    const std::string& text = lines[i].text;
    joined += text;
    EXPECT_LE(text_measure(text.c_str(), 20), WIDTH) << i;
    if (i + 1 < lines.size()) {
      EXPECT_GT(text_measure((text + "W").c_str(), 20), WIDTH) << i;  // no shorter than needed
    }
    EXPECT_EQ(lines[i].y, 190 + 84 + 28 * int32_t(i));
  }
  EXPECT_EQ(joined, word);
  const recorded_text* title = rec.find_text("Cannot load state");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->x, 190 + 36);
  EXPECT_EQ(title->y, 190 + 28);
  EXPECT_NE(rec.find_text("Press Enter / A to continue"), nullptr);
}

TEST_F(ErrorDialog, APathBreaksBeforeASlashAndBlanksBetweenWordsAreDropped) {
  const std::string path =
      "/home/someone/a-rather-long-folder-name/another-long-folder-name/cobaltine/roms/"
      "cobaltin-set-from-the-cabinet.zip";
  show(path + " is missing");
  const std::vector<line> lines = body_lines();
  ASSERT_EQ(lines.size(), 2u);
  const std::string& first = lines[0].text;
  EXPECT_EQ(path.compare(0, first.size(), first), 0);
  EXPECT_EQ(lines[1].text[0], '/');
  EXPECT_EQ(first + lines[1].text, path + " is missing");
  // The longest such break: the next folder would not have fitted.
  const size_t next = path.find('/', first.size() + 1);
  EXPECT_GT(text_measure(path.substr(0, next).c_str(), 20), WIDTH);

  show(
      "one two three four five six seven eight nine ten eleven twelve thirteen fourteen "
      "fifteen sixteen seventeen");
  const std::vector<line> words = body_lines();
  ASSERT_EQ(words.size(), 2u);
  EXPECT_NE(words[0].text.back(), ' ');
  EXPECT_NE(words[1].text[0], ' ');
}

TEST_F(ErrorDialog, TwoNewlinesLeaveHalfALineAndLinesPastTheBoxAreNotDrawn) {
  show("First line\nSecond\n\nThird");
  const std::vector<line> lines = body_lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].y, 274);
  EXPECT_EQ(lines[1].y, 274 + 28);
  EXPECT_EQ(lines[2].y, 274 + 28 + 42);
  EXPECT_EQ(lines[2].text, "Third");

  std::string many;
  for (int i = 0; i < 20; i++) many += "line " + std::to_string(i) + "\n";
  show(many);
  const std::vector<line> drawn = body_lines();
  ASSERT_EQ(drawn.size(), 8u);  // from 274 while below 570 - 80
  EXPECT_EQ(drawn.back().text, "line 7");
}

TEST_F(ErrorDialog, ALongRunOfAccentedLettersIsNeverCutInsideALetter) {
  std::string word;
  for (int i = 0; i < 150; i++) word += "\xC3\xA9";  // é
  show(word);
  const std::vector<line> lines = body_lines();
  ASSERT_GE(lines.size(), 2u);
  for (const line& l : lines) {
    EXPECT_EQ(l.text.size() % 2, 0u);
    EXPECT_EQ(uint8_t(l.text[0]), 0xC3u);
  }
}

TEST_F(ErrorDialog, DismissalResumesTheGameOrShowsTheMainMenuOrUncoversThePage) {
  struct dismiss_case {
    int32_t menu_state::*latch;
    bool running;
    bool over_pause;  // the dialog opened over the pause menu, not in a closed menu
  };
  const dismiss_case cases[] = {
      {&menu_state::nav_accept, true, false},
      {&menu_state::nav_back, false, false},
      {&menu_state::mouse_click, true, true},
      {&menu_state::nav_accept, false, false},
  };
  for (const dismiss_case& c : cases) {
    fe.running = c.running;
    if (c.over_pause) {
      open_on(MENU_PAGE_PAUSE);
    } else {
      fe.menu_open = 0;
      fe.menu.depth = 0;
    }
    show_error("Cannot load state", "The file is damaged.");
    ASSERT_EQ(fe.menu_open, 1);
    frame();
    ASSERT_EQ(menu_top_page(), int32_t(MENU_PAGE_ERROR));  // nothing latched: it stays
    fe.menu.*c.latch = 1;
    frame();
    if (c.over_pause) {
      EXPECT_EQ(fe.menu_open, 1);
      EXPECT_EQ(fe.menu.depth, 1);
      EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_PAUSE));
    } else if (c.running) {
      EXPECT_EQ(fe.menu_open, 0);
      EXPECT_EQ(fe.release_wait, 1);
    } else {
      EXPECT_EQ(fe.menu_open, 1);
      EXPECT_EQ(fe.menu.depth, 1);
      EXPECT_EQ(menu_top_page(), int32_t(MENU_PAGE_MAIN));
    }
  }
}

}  // namespace
