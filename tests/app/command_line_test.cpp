// The command line: which argument sets what, values taken whatever they look like, values in
// last position ignored, precedence between bare paths and --rom, and the cap on --scale.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"

namespace {

// The record points into argv: the strings live on until the next parse.
command_line parse(std::vector<std::string> args) {
  static std::vector<std::string> kept;
  kept = std::move(args);
  kept.insert(kept.begin(), "cobaltine");
  std::vector<char*> argv;
  for (std::string& a : kept) argv.push_back(a.data());
  command_line cl;
  command_line_parse(int(argv.size()), argv.data(), &cl);
  return cl;
}

std::string text(const char* s) {
  return s ? s : "<null>";
}

TEST(CommandLineTest, NothingGivenLeavesEveryFieldAtItsNone) {
  command_line cl = parse({});
  EXPECT_EQ(cl.rom, nullptr);
  EXPECT_EQ(cl.window_mode, -1);
  EXPECT_EQ(cl.scale, 0);
  EXPECT_EQ(cl.rotation, -1);
  EXPECT_EQ(cl.frame_limit, 0);
  EXPECT_EQ(cl.help, 0);
  EXPECT_STREQ(cl.screenshot, "");
}

TEST(CommandLineTest, EachOptionSetsItsField) {
  command_line cl = parse({"--rom", "a.zip", "--fullscreen", "--scale", "4", "--window", "1280x800",
                           "--portable", "--state", "s.fest", "--no-menu", "--rotate", "2",
                           "--frames", "600", "--screenshot", "shot.png", "--profile", "p.json"});
  EXPECT_EQ(text(cl.rom), "a.zip");
  EXPECT_EQ(cl.window_mode, 1);
  EXPECT_EQ(cl.scale, 4);
  EXPECT_EQ(cl.window_w, 1280);
  EXPECT_EQ(cl.window_h, 800);
  EXPECT_EQ(cl.portable, 1);
  EXPECT_EQ(text(cl.state), "s.fest");
  EXPECT_EQ(cl.no_menu, 1);
  EXPECT_EQ(cl.rotation, 2);
  EXPECT_EQ(cl.frame_limit, 600);
  EXPECT_STREQ(cl.screenshot, "shot.png");
  EXPECT_EQ(text(cl.profile), "p.json");
  EXPECT_EQ(parse({"--fullscreen", "--windowed"}).window_mode, 0);  // the last one wins
}

TEST(CommandLineTest, RomPathPrecedenceAndValuesTakenWhateverTheyLookLike) {
  struct row {
    std::vector<std::string> args;
    std::string rom;
  };
  const row rows[] = {
      {{"first.zip", "second.zip"}, "first.zip"},       // the first bare path
      {{"bare.zip", "--rom", "opt.zip"}, "opt.zip"},    // --rom beats a bare path before it
      {{"--rom", "opt.zip", "bare.zip"}, "opt.zip"},    // ... and after it
      {{"--rom", "a.zip", "--rom", "b.zip"}, "b.zip"},  // the last --rom wins
      {{"--rom", "--fullscreen"}, "--fullscreen"},      // a value is the next argument
      {{"--rom", "-h"}, "-h"},                          // even -h, which then is no help
      {{"-help", "--unknown", "x.zip"}, "x.zip"},       // unknown dashes are skipped
      {{"--nonsense", "n.zip"}, "n.zip"},               // an unknown option takes no value
  };
  for (const row& r : rows) {
    command_line cl = parse(r.args);
    EXPECT_EQ(text(cl.rom), r.rom) << r.args[0] << " " << r.args[1];
    EXPECT_EQ(cl.help, 0);
  }
}

TEST(CommandLineTest, AValueOptionInLastPlaceIsIgnored) {
  for (const char* option : {"--rom", "--scale", "--window", "--state", "--rotate", "--frames",
                             "--screenshot", "--profile"}) {
    command_line cl = parse({option});
    EXPECT_EQ(cl.rom, nullptr) << option;
    EXPECT_EQ(cl.scale, 0) << option;
    EXPECT_EQ(cl.rotation, -1) << option;
    EXPECT_EQ(cl.state, nullptr) << option;
    EXPECT_EQ(cl.profile, nullptr) << option;
    EXPECT_EQ(cl.frame_limit, 0) << option;
  }
  EXPECT_EQ(parse({"--scale", "2", "--scale"}).scale, 2);
}

TEST(CommandLineTest, NumbersAndSizesReadAsTheyCan) {
  EXPECT_EQ(parse({"--rotate", "left"}).rotation, 0);  // no number reads as 0
  EXPECT_EQ(parse({"--rotate", "7"}).rotation, 7);     // start-up takes it & 3
  EXPECT_EQ(parse({"--scale", "-3"}).scale, -3);       // start-up uses only N > 0
  EXPECT_EQ(parse({"--scale", "12"}).scale, 12);
  command_line half = parse({"--window", "1280"});
  EXPECT_EQ(half.window_w, 0);
  EXPECT_EQ(half.window_h, 0);
  command_line small = parse({"--window", "100x100"});  // start-up ignores sizes below 320x240
  EXPECT_EQ(small.window_w, 100);
  EXPECT_EQ(small.window_h, 100);
}

TEST(CommandLineTest, AHugeScaleIsCappedSoNoWindowSizeOverflows) {
  EXPECT_EQ(parse({"--scale", "2147483647"}).scale, int32_t(COMMAND_LINE_MAX_SCALE));
  EXPECT_EQ(parse({"--scale", "99999999999999"}).scale, int32_t(COMMAND_LINE_MAX_SCALE));
  EXPECT_EQ(parse({"--scale", "32"}).scale, 32);
}

TEST(CommandLineTest, HelpStopsTheParseWhereverItStands) {
  EXPECT_EQ(parse({"-h"}).help, 1);
  EXPECT_EQ(parse({"x.zip", "--scale", "2", "--help", "--frames", "9"}).help, 1);
  command_line cl = parse({"--frames", "5", "-h", "--frames", "9"});
  EXPECT_EQ(cl.help, 1);
  EXPECT_EQ(cl.frame_limit, 5);
  EXPECT_EQ(parse({"-help"}).help, 0);
}

TEST(CommandLineTest, TheScreenshotPathIsCutToItsBuffer) {
  std::string long_path(5000, 'p');
  command_line cl = parse({"--screenshot", long_path});
  EXPECT_EQ(std::string(cl.screenshot), long_path.substr(0, FILE_PATH_MAX - 1));
}

}  // namespace
