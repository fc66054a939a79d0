// The real program, `cobaltine`, as a user starts it: a child process under SDL's dummy drivers
// with a HOME of its own and the test ROM set, run unattended for 300 frames. Its exit code,
// its exit line and its exit screenshot are checked against the same 300 frames run here
// through the adapter.
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "adapter_fixture.h"
#include "png_read.h"
#include "scratch_dir.h"

#ifndef CB_PROGRAM_PATH
#error "CB_PROGRAM_PATH must name the cobaltine executable"
#endif

extern char** environ;

namespace {

using ProgramTest = adapter_test;

// Runs the program with these arguments and this HOME; its exit status, or -1.
int run_program(const std::vector<std::string>& args, const std::string& home) {
  std::vector<std::string> env_text = {"HOME=" + home, "SDL_VIDEODRIVER=dummy",
                                       "SDL_AUDIODRIVER=dummy"};
  for (char** e = environ; *e; e++) {
    const std::string entry = *e;
    if (entry.rfind("HOME=", 0) == 0 || entry.rfind("XDG_DATA_HOME=", 0) == 0 ||
        entry.rfind("SDL_", 0) == 0 || entry.rfind("APPIMAGE=", 0) == 0) {
      continue;
    }
    env_text.push_back(entry);
  }
  std::vector<std::string> argv_text = {CB_PROGRAM_PATH};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv, envp;
  for (std::string& a : argv_text) argv.push_back(a.data());
  for (std::string& e : env_text) envp.push_back(e.data());
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, CB_PROGRAM_PATH, nullptr, nullptr, argv.data(), envp.data()) != 0) {
    return -1;
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST_F(ProgramTest, TheProgramRuns300FramesOfTheTestCartridgeUnattended) {
  scratch_dir home;
  const std::string shot = home.at("s.png");
  ASSERT_EQ(run_program({"--rom", program_zip("cartridge"), "--no-menu", "--frames", "300",
                         "--screenshot", shot},
                        home.path()),
            0);
  const std::string log = read_text(home.at(".local/share/Larkspindle/Cobaltine/frontend.log"));
  EXPECT_NE(log.find("] exit: 300 frames, "), std::string::npos) << log;

  // The same run here: the settings' DIP word, a reset, 300 frames without input.
  uint16_t word = 0xFFFF;
  for (int32_t i = 0; i < cobaltin_adapter.dip_switch_count; i++) {
    const adapter_dip_switch& s = cobaltin_adapter.dip_switches[i];
    if (s.word == 0) word = uint16_t((word & ~s.mask) | (s.default_value & s.mask));
  }
  set_dip_word(word);
  ASSERT_TRUE(load("cartridge"));
  adapter_reset();
  adapter_set_inputs(0);
  for (int f = 0; f < 300; f++) frame(0);
  std::vector<uint32_t> picture(320 * 224);
  adapter_get_frame_xrgb8888(picture.data());

  uint32_t w = 0, h = 0;
  std::vector<uint8_t> rgb;
  ASSERT_TRUE(png_read_rgb(shot, &w, &h, &rgb));
  ASSERT_EQ(w, 320u);
  ASSERT_EQ(h, 224u);
  int wrong = 0;
  for (size_t i = 0; i < picture.size(); i++) {
    const uint32_t p = picture[i];
    wrong += rgb[3 * i] != uint8_t(p >> 16) || rgb[3 * i + 1] != uint8_t(p >> 8) ||
             rgb[3 * i + 2] != uint8_t(p);
  }
  EXPECT_EQ(wrong, 0);
}

}  // namespace
