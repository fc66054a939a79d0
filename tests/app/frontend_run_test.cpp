// The whole frontend in-process on SDL's dummy drivers with a temporary HOME: --help, a start
// without a ROM, a start that finds the test ROM set in ~/Downloads, --state files for another
// ROM and for this one (and ones that are no file), an unattended --frames run with its exit
// screenshot, the quit signals, a second copy on the same data folder and the clean-up of what a
// killed run left, and writes past a file-size limit or into a closed pipe.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "adapter/game_adapter.h"
#include "app/frontend_run.h"
#include "app/shutdown.h"
#include "fake_game.h"
#include "file_bytes.h"
#include "frontend/file_util.h"
#include "frontend/frontend_state.h"
#include "frontend/platform.h"
#include "frontend/slots.h"
#include "frontend/state_container.h"
#include "png_read.h"
#include "scratch_dir.h"
#include "sh2_program.h"
#include "test_platform.h"
#include "test_romset.h"

#ifndef CB_APP_GOLDEN_DIR
#error "CB_APP_GOLDEN_DIR must name tests/app/golden"
#endif

namespace {

// A HOME of its own, the dummy drivers and a working folder inside HOME for one test.
struct FrontendRunTest : ::testing::Test {
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("HOME", home.path().c_str(), 1);
    unsetenv("XDG_DATA_HOME");
    unsetenv("APPIMAGE");
    unsetenv("SteamDeck");
    unsetenv("STEAM_DECK");
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    old_cwd = cwd;
    ASSERT_EQ(chdir(home.path().c_str()), 0);
    platform = &platform_sdl;
    fake_game_reset();
  }
  void TearDown() override {
    ASSERT_EQ(chdir(old_cwd.c_str()), 0);
    adapter_release();
  }

  // frontend_start with the program name and these arguments (kept alive for the run).
  int start(const game_adapter* game, std::vector<std::string> args) {
    args.insert(args.begin(), "cobaltine");
    kept = args;
    argv.clear();
    for (std::string& a : kept) argv.push_back(a.data());
    argv.push_back(nullptr);
    return frontend_start(game, int(kept.size()), argv.data());
  }
  int run(const game_adapter* game, std::vector<std::string> args) {
    int early = start(game, std::move(args));
    if (early >= 0) return early;
    while (!fe.quit) frontend_loop_iteration();
    return frontend_shutdown();
  }
  std::string data_dir(const char* title) const {
    return home.path() + "/.local/share/Larkspindle/" + title + "/";
  }
  // The log's messages without their time stamps.
  static std::vector<std::string> log_messages(const std::string& path) {
    std::vector<std::string> messages;
    std::istringstream in(read_text(path));
    for (std::string line; std::getline(in, line);) {
      messages.push_back(line.size() > 11 ? line.substr(11) : line);
    }
    return messages;
  }
  static bool has(const std::vector<std::string>& messages, const std::string& m) {
    for (const std::string& x : messages) {
      if (x == m) return true;
    }
    return false;
  }
  std::string fake_rom() {
    std::string path = home.at("fakegame.zip");
    EXPECT_EQ(fake_game_write_rom(path.c_str()), 1);
    return path;
  }

  scratch_dir home;
  std::string old_cwd;
  std::vector<std::string> kept;
  std::vector<char*> argv;
};

TEST_F(FrontendRunTest, HelpPrintsTheUsageAndReturnsZeroBeforeSdlIsTouched) {
  for (const char* option : {"-h", "--help"}) {
    testing::internal::CaptureStdout();
    int result = run(&cobaltin_adapter, {"--scale", "2", option, "--frames", "3"});
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(printed, read_text(std::string(CB_APP_GOLDEN_DIR) + "/usage.txt"));
    EXPECT_EQ(SDL_WasInit(0), 0u);
    EXPECT_FALSE(exists_at_all(data_dir("Cobaltine")));
  }
}

TEST_F(FrontendRunTest, AStartWithoutAnyRomLogsItsStepsAndShowsTheMainMenu) {
  ASSERT_EQ(start(&fake_game_descriptor, {}), -1);
  const std::string data = data_dir("Fake Game");
  EXPECT_STREQ(fe.data_dir, data.c_str());
  const std::vector<std::string> expected = {
      "Fake Game starting; data folder " + data,
      "profile: none found for 'fakegame' (using adapter defaults)",
      "feature save_states    requested=- supported=yes -> on",
      "feature rewind         requested=- supported=yes -> on",
      "feature nvram          requested=- supported=yes -> on",
      "feature input_movies   requested=- supported=yes -> on",
      "feature gadgets        requested=- supported=yes -> on",
      "feature input_display  requested=- supported=yes -> on",
      "feature screenshots    requested=- supported=yes -> on",
      "feature widescreen     requested=- supported=no -> n/a",
      "renderer: software",
      "audio: 48000 Hz, 2 ch, buffer 1024 samples, target latency 64 ms",
  };
  EXPECT_EQ(log_messages(fe.log_path), expected);
  EXPECT_STREQ(fe.rom_status, "No ROM selected. Choose ROM Selection and pick fakegame.zip.");
  EXPECT_EQ(fe.rom_ready, 0);
  EXPECT_EQ(fe.running, 0);
  EXPECT_EQ(fe.menu_open, 1);
  EXPECT_EQ(fe.menu.depth, 1);
  EXPECT_EQ(fe.menu.page_stack[0], int32_t(MENU_PAGE_MAIN));
  for (const char* folder : {"states", "screenshots", "nvram", "movies"}) {
    EXPECT_TRUE(exists_at_all(data + folder)) << folder;
  }
  // The dummy driver's desktop is 1024 x 768: scale 3 of the turned picture is too tall.
  int w = 0, h = 0;
  SDL_GetWindowSize(fe.window, &w, &h);
  EXPECT_EQ(w, 448);
  EXPECT_EQ(h, 597);
  EXPECT_EQ(fe.settings.window_scale, 2);

  frontend_loop_iteration();  // the menu loop runs without a ROM
  EXPECT_EQ(fe.frame_counter, 0u);
  EXPECT_EQ(frontend_shutdown(), 0);
  EXPECT_EQ(SDL_WasInit(0), 0u);
}

TEST_F(FrontendRunTest, TheTestRomSetInDownloadsIsFoundAndLoaded) {
  const std::string downloads = home.at("Downloads");
  ASSERT_EQ(mkdir(downloads.c_str(), 0755), 0);
  const std::string rom = downloads + "/cobaltin.zip";
  std::string error;
  ASSERT_EQ(test_romset_write_zip(rom.c_str(), test_romset_program_members("cartridge"), 0, &error),
            1)
      << error;

  ASSERT_EQ(start(&cobaltin_adapter, {}), -1);
  ASSERT_EQ(fe.rom_ready, 1) << fe.rom_status;
  const std::vector<std::string> messages = log_messages(fe.log_path);
  char fingerprint[16];
  snprintf(fingerprint, sizeof fingerprint, "%08X", fe.adapter->rom_fingerprint());
  EXPECT_TRUE(has(messages, "found ROM at " + rom));
  EXPECT_TRUE(has(messages, "ROM loaded: " + rom + " (fingerprint " + fingerprint + ")"));
  EXPECT_STREQ(fe.rom_status, "");
  EXPECT_EQ(fe.running, 0);  // without --no-menu the Main Menu waits
  EXPECT_EQ(fe.menu.page_stack[0], int32_t(MENU_PAGE_MAIN));
  const std::string settings = read_text(fe.settings_path);
  EXPECT_NE(settings.find("rom = " + rom), std::string::npos) << settings;
  // The readers' bound on container files leaves the board's states room to grow.
  const size_t container_size = bytes_of_state_container().size();
  EXPECT_GT(container_size, 1000000u);  // the board's state is about 1.5 MB
  EXPECT_LT(container_size, size_t(STATE_CONTAINER_FILE_MAX) / 4);
  EXPECT_EQ(frontend_shutdown(), 0);
}

TEST_F(FrontendRunTest, AStateFileOfAnotherRomIsRejectedAndTheProgramStartsWithoutIt) {
  const std::string rom = fake_rom();
  const std::string state = home.at("other.fest");
  ASSERT_EQ(start(&fake_game_descriptor, {"--rom", rom, "--no-menu"}), -1);
  ASSERT_EQ(fe.running, 1);
  const file_bytes container = bytes_of_state_container();
  ASSERT_FALSE(container.empty());
  ASSERT_TRUE(bytes_write(state, container));
  frontend_shutdown();

  fake.fingerprint = 0x0BADF00D;  // another revision of the set
  ASSERT_EQ(start(&fake_game_descriptor, {"--rom", rom, "--state", state}), -1);
  EXPECT_TRUE(has(log_messages(fe.log_path),
                  "--state " + state + " rejected: state was made with a different ROM revision"));
  EXPECT_EQ(fe.running, 0);
  EXPECT_EQ(fe.menu_open, 1);
  EXPECT_EQ(fe.menu.page_stack[0], int32_t(MENU_PAGE_MAIN));
  frontend_shutdown();

  ASSERT_EQ(start(&fake_game_descriptor, {"--rom", rom, "--state", home.at("none.fest")}), -1);
  EXPECT_TRUE(has(log_messages(fe.log_path),
                  "--state " + home.at("none.fest") + " rejected: cannot read file"));
  frontend_shutdown();

  // Neither waits for a writer nor reads gigabytes: both are refused before a byte is read.
  const std::string fifo = home.at("fifo.fest"), huge = home.at("huge.fest");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  ASSERT_TRUE(bytes_write(huge, container));
  ASSERT_EQ(truncate(huge.c_str(), 3ll << 30), 0);  // sparse
  const std::pair<std::string, std::string> refused[] = {{fifo, fifo + " is not a file (a FIFO)"},
                                                         {huge, "file is too large"}};
  for (const auto& [path, reason] : refused) {
    ASSERT_EQ(start(&fake_game_descriptor, {"--rom", rom, "--state", path}), -1);
    EXPECT_TRUE(has(log_messages(fe.log_path), "--state " + path + " rejected: " + reason));
    EXPECT_EQ(fe.running, 0);
    frontend_shutdown();
  }
}

TEST_F(FrontendRunTest, AGoodStateFileRunsTheGameLikeAnyStateLoad) {
  const std::string rom = fake_rom();
  const std::string state = home.at("good.fest");
  ASSERT_EQ(start(&fake_game_descriptor, {"--rom", rom, "--no-menu"}), -1);
  for (int i = 0; i < 7; i++) fe.adapter->run_frame(fe.audio_buffer, nullptr, nullptr, 0);
  const file_bytes container = bytes_of_state_container();
  ASSERT_FALSE(container.empty());
  ASSERT_TRUE(bytes_write(state, container));
  frontend_shutdown();

  // Rewind on, so the ring must exist once the game runs from the state.
  const std::string data = data_dir("Fake Game");
  ASSERT_TRUE(write_text(data + "settings.ini", "[ui]\nrewind = 1\n"));
  fake_game_reset();
  ASSERT_EQ(start(&fake_game_descriptor, {"--rom", rom, "--state", state}), -1);
  EXPECT_EQ(fe.running, 1);
  EXPECT_EQ(fe.menu_open, 0);  // a loaded state implies --no-menu
  EXPECT_EQ(fake.frame_count, 7u);
  EXPECT_EQ(fake.resets, 0);  // the game was not started afresh
  EXPECT_EQ(fe.release_wait, 1);
  for (int i = 0; i < FAKE_GAME_INPUTS; i++) EXPECT_EQ(fe.held[i], 1u) << i;
  EXPECT_EQ(fake.input_word, 0u);
  EXPECT_NE(fe.rewind.entries, nullptr);
  EXPECT_EQ(fe.frame[0], fake_game_pixel(0, 0, 7, 0));  // the picture of the state shows
  frontend_shutdown();
}

TEST_F(FrontendRunTest, AnUnattendedRunStopsAfterExactlyItsFramesAndWritesTheUnturnedPicture) {
  const std::string rom = fake_rom();
  const std::string shot = home.at("s.png");
  ASSERT_EQ(run(&fake_game_descriptor,
                {"--rom", rom, "--no-menu", "--frames", "120", "--screenshot", shot}),
            0);
  EXPECT_EQ(fake.run_calls, 120);
  const std::vector<std::string> messages = log_messages(data_dir("Fake Game") + "frontend.log");
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back().rfind("exit: 120 frames, ", 0), 0u) << messages.back();

  uint32_t w = 0, h = 0;
  std::vector<uint8_t> rgb;
  ASSERT_TRUE(png_read_rgb(shot, &w, &h, &rgb));
  ASSERT_EQ(w, 320u);  // not turned, although the game is shown with three quarter turns
  ASSERT_EQ(h, 224u);
  int wrong = 0;
  for (uint32_t y = 0; y < h; y++) {
    for (uint32_t x = 0; x < w; x++) {
      const uint32_t p = fake_game_pixel(x, y, 120, 0);
      const uint8_t* got = &rgb[3 * (y * w + x)];
      wrong += got[0] != uint8_t(p >> 16) || got[1] != uint8_t(p >> 8) || got[2] != uint8_t(p);
    }
  }
  EXPECT_EQ(wrong, 0);
  // A --frames exit writes no autosave.
  EXPECT_FALSE(exists_at_all(data_dir("Fake Game") + "states/fakegame-1234ABCD/autosave.fest"));
}

TEST_F(FrontendRunTest, AQuitSignalDuringARunLeavesAValidAutosaveAndTheSettings) {
  const std::string rom = fake_rom();
  // A closed terminal (SIGHUP) ends the run as kill (SIGTERM) and Ctrl+C (SIGINT) do.
  for (int signal_number : {SIGHUP, SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal_number);
    ASSERT_EQ(start(&fake_game_descriptor, {"--rom", rom, "--no-menu"}), -1);
    ASSERT_EQ(fe.settings.autosave_exit, 1);
    char path[FILE_PATH_MAX];
    ASSERT_EQ(slot_file_path(0, path), 1);
    unlink(path);
    unlink(fe.settings_path);
    const uint64_t give_up = SDL_GetTicks64() + 20000;
    while (fe.frame_counter < 10 && SDL_GetTicks64() < give_up) frontend_loop_iteration();
    ASSERT_GE(fe.frame_counter, 10u);

    raise(signal_number);
    for (int i = 0; i < 100 && !fe.quit; i++) frontend_loop_iteration();
    ASSERT_EQ(fe.quit, 1);
    EXPECT_EQ(fe.running, 0);

    uint64_t length = 0;
    uint8_t* data = read_file(path, &length);
    ASSERT_NE(data, nullptr) << path;
    char reason[200] = "";
    size_t state_length = 0;
    EXPECT_NE(
        parse_state_container(data, size_t(length), nullptr, &state_length, reason, sizeof reason),
        nullptr)
        << reason;
    free(data);
    const std::string settings = fe.settings_path;
    const std::string log = fe.log_path;
    EXPECT_EQ(frontend_shutdown(), 0);
    EXPECT_TRUE(exists_at_all(settings));
    const std::vector<std::string> messages = log_messages(log);
    const char* name = signal_number == SIGHUP    ? "SIGHUP"
                       : signal_number == SIGTERM ? "SIGTERM"
                                                  : "SIGINT";
    EXPECT_TRUE(has(messages, std::string(name) + " received: quitting"));
  }
  // After the run the signals are the process's own again.
  struct sigaction now;
  ASSERT_EQ(sigaction(SIGHUP, nullptr, &now), 0);
  EXPECT_EQ(now.sa_handler, SIG_DFL);
}

TEST_F(FrontendRunTest, ASecondCopyOnTheSameDataFolderSaysSoAndTouchesNothing) {
  const std::string rom = fake_rom();
  ASSERT_EQ(start(&fake_game_descriptor, {"--rom", rom}), -1);
  const std::string data = fe.data_dir;
  frontend_shutdown();
  ASSERT_TRUE(write_text(data + "frontend.log", "the first copy's log\n"));
  ASSERT_TRUE(write_text(data + "settings.ini", "[ui]\nslot = 4\n"));

  // The first copy: another process holding the lock (a child of this test).
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t first = fork();
  ASSERT_GE(first, 0);
  if (first == 0) {
    const int fd = open((data + "frontend.lock").c_str(), O_RDWR);
    const char ok = fd >= 0 && flock(fd, LOCK_EX) == 0 ? 'y' : 'n';
    if (write(ready[1], &ok, 1) != 1) _exit(1);
    pause();  // until killed
    _exit(0);
  }
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  ASSERT_EQ(ok, 'y');

  test_platform_reset();
  platform = &test_platform;  // the message box is recorded, not shown
  EXPECT_EQ(start(&fake_game_descriptor, {"--rom", rom}), 1);
  EXPECT_EQ(tp.message_boxes, 1);
  EXPECT_EQ(tp.message_box_sigterm_default, 1);  // an unattended second copy can be stopped
  EXPECT_EQ(tp.message_title, "Fake Game is already running");
  EXPECT_NE(tp.message_text.find("The data folder " + data + " is in use by another copy"),
            std::string::npos)
      << tp.message_text;
  EXPECT_NE(tp.message_text.find("--portable"), std::string::npos);
  EXPECT_NE(tp.message_text.find("HOME"), std::string::npos);
  EXPECT_EQ(read_text(data + "frontend.log"), "the first copy's log\n");
  EXPECT_EQ(read_text(data + "settings.ini"), "[ui]\nslot = 4\n");
  EXPECT_EQ(SDL_WasInit(0), 0u);

  // Once the first copy is gone, however it went, the folder is free again.
  kill(first, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(first, &status, 0), first);
  close(ready[0]);
  close(ready[1]);
  platform = &platform_sdl;
  ASSERT_EQ(start(&fake_game_descriptor, {"--rom", rom}), -1);
  EXPECT_EQ(fe.rom_ready, 1);
  EXPECT_EQ(frontend_shutdown(), 0);
}

TEST_F(FrontendRunTest, TemporaryFilesAKilledRunLeftAreRemovedAtTheNextStart) {
  const std::string rom = fake_rom();
  ASSERT_EQ(start(&fake_game_descriptor, {"--rom", rom}), -1);
  const std::string data = fe.data_dir;
  frontend_shutdown();
  const std::string slots = data + "states/fakegame-1234ABCD/";
  const std::string left[] = {data + ".settings.ini.Qx81Lm.tmp", slots + ".slot03.fest.a1B2c3.tmp",
                              data + "nvram/.fakegame-1234ABCD.nv.ZZZZZZ.tmp"};
  const std::string kept[] = {data + "settings.ini.tmp", data + "notes.txt",
                              data + "movies/.x.femv.Qx81Lm.tmp"};  // no atomic writes there
  for (const std::string& path : left) ASSERT_TRUE(write_text(path, "half"));
  for (const std::string& path : kept) ASSERT_TRUE(write_text(path, "mine"));

  ASSERT_EQ(start(&fake_game_descriptor, {"--rom", rom}), -1);
  for (const std::string& path : left) EXPECT_FALSE(exists_at_all(path)) << path;
  for (const std::string& path : kept) EXPECT_EQ(read_text(path), "mine") << path;
  EXPECT_TRUE(
      has(log_messages(fe.log_path), "removed 3 temporary files an earlier run left unfinished"));
  EXPECT_EQ(frontend_shutdown(), 0);
}

TEST_F(FrontendRunTest, AWritePastAFileSizeLimitOrIntoAClosedPipeFailsAsAWriteAndTheRunGoesOn) {
  const std::string rom = fake_rom();
  ASSERT_EQ(start(&fake_game_descriptor, {"--rom", rom, "--no-menu"}), -1);
  struct rlimit old_limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  struct rlimit limit = old_limit;
  limit.rlim_cur = 1000;  // SIGXFSZ's default would end the process at the first write past it
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  const int saved = save_slot(1);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old_limit), 0);
  EXPECT_EQ(saved, 0);
  EXPECT_EQ(std::string(fe.toast_text).rfind("Save failed: cannot write ", 0), 0u) << fe.toast_text;
  char path[FILE_PATH_MAX];
  ASSERT_EQ(slot_file_path(1, path), 1);
  const std::string folder = std::string(path).substr(0, std::string(path).rfind('/'));
  EXPECT_EQ(names_in(folder), std::set<std::string>{});  // no temporary file left

  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  close(ends[0]);
  EXPECT_EQ(write(ends[1], "x", 1), -1);  // SIGPIPE's default would end the process here
  EXPECT_EQ(errno, EPIPE);
  close(ends[1]);
  EXPECT_EQ(frontend_shutdown(), 0);
}

TEST_F(FrontendRunTest, ADataFolderThatCannotBeMadeIsSaidAtStartOverTheMenuOrAsAToast) {
  // A file where the states folder goes: the folder cannot be made, even by root.
  const std::string data = data_dir("Fake Game");
  ASSERT_EQ(path_make_dirs(data.c_str()), 1);
  ASSERT_TRUE(write_text(data + "states", "not a folder"));

  ASSERT_EQ(start(&fake_game_descriptor, {}), -1);
  ASSERT_EQ(fe.menu.depth, 2);
  EXPECT_EQ(fe.menu.page_stack[0], int32_t(MENU_PAGE_MAIN));
  EXPECT_EQ(fe.menu.page_stack[1], int32_t(MENU_PAGE_ERROR));
  EXPECT_STREQ(fe.error_title, "Data folder unusable");
  EXPECT_EQ(std::string(fe.error_body),
            "The folder\n" + data +
                "states\ncannot be used (not a directory).\n\nThese will not be kept: save "
                "states and the autosave.");
  frontend_shutdown();

  // Straight into the game, the game keeps running and a toast says it.
  const std::string rom = fake_rom();
  ASSERT_EQ(start(&fake_game_descriptor, {"--rom", rom, "--no-menu"}), -1);
  EXPECT_EQ(fe.running, 1);
  EXPECT_EQ(fe.menu_open, 0);
  EXPECT_EQ(std::string(fe.toast_text),
            "Cannot use the folder " + data +
                "states (not a directory): save states and the autosave will not be kept");
  frontend_shutdown();
}

TEST_F(FrontendRunTest, ADataFolderTooLongForTheNamesInsideIsRefusedAndNothingIsWrittenInIt) {
  // A HOME of nested folders, so long that "movies" inside the data folder would be cut.
  std::string deep = home.path();
  while (deep.size() < FILE_PATH_MAX - 150) {
    deep += "/" + std::string(120, 'h');
    ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
  }
  setenv("HOME", deep.c_str(), 1);
  const std::string rom = fake_rom();
  ASSERT_EQ(start(&fake_game_descriptor, {"--rom", rom, "--no-menu"}), -1);
  const std::string toast = fe.toast_text;  // the path gives up its left part to the reason
  EXPECT_EQ(toast.rfind("Cannot use the folder ...", 0), 0u) << toast;
  const std::string tail =
      "/Fake Game/ (file name too long): settings, save states, scores, screenshots and movies "
      "will not be kept";
  EXPECT_EQ(toast.substr(toast.size() - std::min(toast.size(), tail.size())), tail);
  frontend_shutdown();
  ASSERT_EQ(run(&fake_game_descriptor, {"--rom", rom, "--frames", "3", "--no-menu"}), 0);

  // SDL made the folder itself; nothing was made or written inside it, nor left in the working
  // folder (the settings' ".tmp" of an empty path would land there).
  const std::string data = deep + "/.local/share/Larkspindle/Fake Game";
  ASSERT_TRUE(path_is_dir(data.c_str()));
  dir_entry* entries = nullptr;
  EXPECT_EQ(list_dir(data.c_str(), &entries), 0);
  free(entries);
  EXPECT_FALSE(exists_at_all(home.at(".tmp")));
  EXPECT_FALSE(exists_at_all(home.at("settings.ini.tmp")));
}

TEST_F(FrontendRunTest, AnUnreadableSettingsFileIsToldAtStartAndLeftAsItIs) {
  const std::string data = data_dir("Fake Game");
  ASSERT_EQ(path_make_dirs((data + "settings.ini").c_str()), 1);  // a folder: root cannot read it
  ASSERT_TRUE(write_text(data + "settings.ini/keep", "x"));
  const std::string rom = fake_rom();
  ASSERT_EQ(start(&fake_game_descriptor, {"--rom", rom}), -1);
  ASSERT_EQ(fe.rom_ready, 1);
  EXPECT_EQ(
      std::string(fe.toast_text),
      "Cannot read " + data + "settings.ini (not a file (a folder)): settings will not be saved");
  EXPECT_TRUE(has(log_messages(fe.log_path),
                  "cannot read settings " + data +
                      "settings.ini (not a file (a folder)); it is left as it is and this "
                      "run's settings are not saved"));
  frontend_shutdown();
  EXPECT_TRUE(path_is_dir((data + "settings.ini").c_str()));
  EXPECT_EQ(read_text(data + "settings.ini/keep"), "x");
}

TEST_F(FrontendRunTest, AnUnattendedRunWhoseGameCannotRunEndsWithStatusOneAndSaysWhy) {
  const std::string rom = fake_rom();
  ASSERT_TRUE(write_text(home.at("bad.fest"), "not a state"));
  // The state is refused and, without --no-menu, the Main Menu waits: no frame can run.
  ASSERT_EQ(
      run(&fake_game_descriptor, {"--rom", rom, "--state", home.at("bad.fest"), "--frames", "30"}),
      1);
  EXPECT_EQ(fake.run_calls, 0);
  EXPECT_TRUE(has(log_messages(data_dir("Fake Game") + "frontend.log"),
                  "--frames 30: no game frame ran for 1000 ms (no game is running); giving up"));

  // The game program stops with "The game stopped" on screen.
  fake_game_reset();
  fake.stop_at_frame = 5;
  ASSERT_EQ(run(&fake_game_descriptor, {"--rom", rom, "--no-menu", "--frames", "120"}), 1);
  EXPECT_TRUE(has(log_messages(data_dir("Fake Game") + "frontend.log"),
                  "--frames 120: no game frame ran for 2000 ms (no game is running; on screen: The "
                  "game stopped); giving up"));
}

}  // namespace
