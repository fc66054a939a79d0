// The settings model: defaults, the fixture settings file read with its clamps, the fresh file
// against its golden copy, the save/load round trip, a failed write, and descriptors whose
// tables are larger than the fixed arrays.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "as_nobody.h"
#include "fake_game.h"
#include "frontend/file_util.h"
#include "frontend/frontend_state.h"
#include "frontend/settings_model.h"
#include "frontend/settings_store.h"
#include "frontend_fixture.h"
#include "log_capture.h"

#ifndef CB_FRONTEND_GOLDEN_DIR
#error "CB_FRONTEND_GOLDEN_DIR must name tests/frontend/golden"
#endif

using SettingsModelTest = frontend_fixture;

namespace {

struct value_check {
  const char* what;
  int64_t actual;
  int64_t expected;
};

void expect_values(const std::vector<value_check>& checks) {
  for (const value_check& c : checks) EXPECT_EQ(c.actual, c.expected) << c.what;
}

void expect_binding(const input_binding& b, int32_t key, int32_t alt, int32_t pad,
                    const char* what) {
  EXPECT_EQ(b.key, key) << what;
  EXPECT_EQ(b.alt_key, alt) << what;
  EXPECT_EQ(b.controller, pad) << what;
}

void expect_gadget(const gadget_config& g, const gadget_config& want, const char* what) {
  EXPECT_EQ(g.enabled, want.enabled) << what;
  EXPECT_EQ(g.position, want.position) << what;
  EXPECT_EQ(g.size, want.size) << what;
  EXPECT_EQ(g.offset_x, want.offset_x) << what;
  EXPECT_EQ(g.offset_y, want.offset_y) << what;
}

// Reads text as settings.ini and applies it, as start-up does.
void load_settings_text(const std::string& text) {
  ASSERT_TRUE(write_text(fe.settings_path, text));
  settings_table_clear(&fe.settings_file);
  ASSERT_EQ(settings_table_load(&fe.settings_file, fe.settings_path), 1);
  apply_loaded_settings();
}

void clear_steam_deck() {
  unsetenv("SteamDeck");
  unsetenv("STEAM_DECK");
}

}  // namespace

TEST_F(SettingsModelTest, AFreshSettingsFileMatchesTheGoldenCopyByteForByte) {
  clear_steam_deck();
  set_default_settings();
  set_default_bindings();
  save_settings();
  EXPECT_EQ(read_text(fe.settings_path),
            read_text(std::string(CB_FRONTEND_GOLDEN_DIR) + "/fresh_settings.ini"));
}

TEST_F(SettingsModelTest, EitherSteamDeckVariableStartsInFullScreen) {
  for (const char* name : {"SteamDeck", "STEAM_DECK"}) {
    clear_steam_deck();
    setenv(name, "1", 1);
    set_default_settings();
    EXPECT_EQ(fe.settings.fullscreen, 1) << name;
  }
  clear_steam_deck();
  set_default_settings();
  EXPECT_EQ(fe.settings.fullscreen, 0);
}

TEST_F(SettingsModelTest, DefaultsComeFromTheDescriptorAndLeavePathsSlotAndBindingsAlone) {
  snprintf(fe.rom_path, sizeof fe.rom_path, "/games/fakegame.zip");
  snprintf(fe.browse_dir, sizeof fe.browse_dir, "/games");
  fe.slot = 7;
  fe.input_bindings[0] = input_binding{1, 2, 3};
  fe.hotkeys[HOTKEY_MENU] = input_binding{4, 5, 6};
  fe.settings.scanlines = 55;
  snprintf(fe.settings.device, sizeof fe.settings.device, "USB DAC");
  fe.adapter_copy.rotation = 6;  // only the quarter turns count

  set_default_settings();
  EXPECT_EQ(fe.settings.scanlines, 0);
  EXPECT_STREQ(fe.settings.device, "");
  EXPECT_EQ(fe.settings.rotation, 2);
  EXPECT_EQ(fe.settings.dip_words[0], 0xFFFD);  // difficulty "Normal" under mask 3
  EXPECT_EQ(fe.settings.dip_words[3], 0xFFFF);
  EXPECT_STREQ(fe.rom_path, "/games/fakegame.zip");
  EXPECT_STREQ(fe.browse_dir, "/games");
  EXPECT_EQ(fe.slot, 7);
  expect_binding(fe.input_bindings[0], 1, 2, 3, "input binding");
  expect_binding(fe.hotkeys[HOTKEY_MENU], 4, 5, 6, "hotkey binding");

  set_default_bindings();
  expect_binding(fe.input_bindings[0], 82, 26, 11, "p1_up");
  expect_binding(fe.input_bindings[9], 38, -1, -1, "service");
  expect_binding(fe.input_bindings[10], -1, -1, -1, "beyond the inputs");
  expect_binding(fe.hotkeys[HOTKEY_MENU], 41, -1, -1, "menu");
  expect_binding(fe.hotkeys[HOTKEY_PAUSE], 72, 19, -1, "pause");
  expect_binding(fe.hotkeys[HOTKEY_RESET], 60, -1, -1, "reset");
}

TEST_F(SettingsModelTest, TheFixtureFileIsReadWithItsNumbersBindingsGadgetsAndClamps) {
  const std::string long_device(300, 'd');
  load_settings_text(
      "[paths]\n"
      "rom = /games/fakegame.zip\n"
      "browse_dir = /games\n"
      "[display]\n"
      "fullscreen = 1\n"
      "window_scale = 0x10\n"  // hex 16, above 8
      "scale_mode = 1\n"
      "aspect_mode = 1\n"
      "filter = -2\n"
      "vsync = 0\n"
      "pacing = 2\n"  // only 1 is the other choice
      "scanlines = 12abc\n"
      "mask = 9\n"
      "mask_strength = 010\n"  // octal 8
      "brightness = abc\n"     // no number: the default stays
      "gamma =\n"
      "border = 3\n"
      "rotation = 7\n"
      "foo = bar\n"
      "[audio]\n"
      "volume = 0x32\n"
      "mute = 1\n"
      "latency_ms = 5\n"
      "device = " +
      long_device +
      "\n"
      "[ui]\n"
      "accent = 6\n"
      "autosave_exit = 0\n"
      "rewind = 1\n"
      "rewind_mb = 9999\n"
      "slot = 11\n"
      "[input]\n"
      "deadzone = 95\n"
      "menu_combo = -1\n"
      "p1_controller = -3\n"
      "p2_controller = 12\n"
      "p3_controller = -1\n"
      "p4_controller = 5\n"
      "p1_up = 1,2,3\n"
      "p1_down = 5,6\n"         // two numbers: unchanged
      "p1_left = 0x4,1,2\n"     // decimal only: one number
      "p1_right = 9, 10, 11\n"  // blanks before a number are fine
      "p1_b1 = 9 ,10,11\n"      // but not before a comma
      "p1_start = 44,-1,-1\n"
      "[hotkeys]\n"
      "quick_save = 62,-1\n"
      "pause = 19,72,7\n"
      "reset = 61,-1,2,99\n"  // the first three count
      "[gameplay]\n"
      "dsw1 = 0x1FFFE\n"
      "[gadgets]\n"
      "fps = 1,2\n"
      "frame_time = 1,9,5,-999,999\n"
      "input_display = x\n"
      "score_p1 = 1,0,0,-8,16\n"
      "score_p2 = -5\n"
      "[extra]\n"
      "kept = yes\n");

  const frontend_settings& s = fe.settings;
  expect_values({
      {"fullscreen", s.fullscreen, 1},
      {"window_scale", s.window_scale, 8},
      {"scale_mode", s.scale_mode, 1},
      {"aspect_mode", s.aspect_mode, 1},
      {"filter", s.filter, 0},
      {"vsync", s.vsync, 0},
      {"pacing", s.pacing, 0},
      {"scanlines", s.scanlines, 12},
      {"mask", s.mask, 3},
      {"mask_strength", s.mask_strength, 8},
      {"brightness", s.brightness, 100},
      {"gamma", s.gamma, 100},
      {"border", s.border, 2},
      {"rotation", s.rotation, 3},
      {"volume", s.volume, 50},
      {"mute", s.mute, 1},
      {"latency_ms", s.latency_ms, 16},
      {"accent", s.accent, 5},
      {"autosave_exit", s.autosave_exit, 0},
      {"autosave_menu", s.autosave_menu, 1},
      {"rewind", s.rewind, 1},
      {"rewind_mb", s.rewind_mb, 512},
      {"deadzone", s.deadzone, 90},
      {"menu_combo", s.menu_combo, 0},
      {"p1_controller", s.player_controller[0], -1},
      {"p2_controller", s.player_controller[1], 7},
      {"p3_controller", s.player_controller[2], -1},
      {"p4_controller", s.player_controller[3], 5},
      {"slot", fe.slot, 1},
      {"dsw1", s.dip_words[0], 0xFFFE},
  });
  EXPECT_STREQ(fe.rom_path, "/games/fakegame.zip");
  EXPECT_STREQ(fe.browse_dir, "/games");
  EXPECT_EQ(std::string(s.device), long_device.substr(0, 255));

  expect_binding(fe.input_bindings[0], 1, 2, 3, "p1_up");
  expect_binding(fe.input_bindings[1], 81, 22, 12, "p1_down");
  expect_binding(fe.input_bindings[2], 80, 4, 13, "p1_left");
  expect_binding(fe.input_bindings[3], 9, 10, 11, "p1_right");
  expect_binding(fe.input_bindings[4], 29, -1, 0, "p1_b1");
  expect_binding(fe.input_bindings[5], 44, -1, -1, "p1_start");
  expect_binding(fe.hotkeys[HOTKEY_QUICK_SAVE], 62, -1, -1, "quick_save");
  expect_binding(fe.hotkeys[HOTKEY_PAUSE], 19, 72, 7, "pause");
  expect_binding(fe.hotkeys[HOTKEY_RESET], 61, -1, 2, "reset");

  expect_gadget(s.gadgets[GADGET_FPS], {1, 2, 1, 0, 0}, "fps");
  expect_gadget(s.gadgets[GADGET_FRAME_TIME], {1, 5, 2, -400, 300}, "frame_time");
  expect_gadget(s.gadgets[GADGET_INPUT_DISPLAY], {0, 3, 1, 0, 0}, "input_display");
  expect_gadget(s.gadgets[GADGET_FIRST_READOUT], {1, 0, 0, -8, 16}, "score_p1");
  expect_gadget(s.gadgets[GADGET_FIRST_READOUT + 1], {0, 0, 1, 0, 0}, "score_p2");
}

TEST_F(SettingsModelTest, KeysTheModelDoesNotKnowSurviveASave) {
  load_settings_text(
      "[display]\nfoo = bar\nwindow_scale = 2\n[extra]\nkept = yes\n[gadgets]\nold = 1\n");
  fe.settings.window_scale = 4;
  save_settings();
  const std::string text = read_text(fe.settings_path);
  EXPECT_NE(text.find("\n[display]\nfoo = bar\nwindow_scale = 4\nfullscreen = 0\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\n[extra]\nkept = yes\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n[gadgets]\nold = 1\nfps = 0,1,1,0,0\n"), std::string::npos) << text;
}

TEST_F(SettingsModelTest, TheSlotOutsideOneToTenBecomesOne) {
  struct slot_case {
    const char* value;
    int32_t before, after;
  };
  const slot_case cases[] = {{"11", 3, 1},  {"0", 3, 1},   {"-2", 3, 1},
                             {"10", 3, 10}, {"abc", 4, 4}, {"abc", 0, 1}};
  for (const slot_case& c : cases) {
    fe.slot = c.before;
    load_settings_text(std::string("[ui]\nslot = ") + c.value + "\n");
    EXPECT_EQ(fe.slot, c.after) << c.value << " from " << c.before;
  }
}

TEST_F(SettingsModelTest, EveryValueSurvivesASaveAndALoad) {
  frontend_settings& s = fe.settings;
  s = frontend_settings{1,
                        5,
                        1,
                        1,
                        1,
                        0,
                        1,
                        40,
                        2,
                        70,
                        120,
                        180,
                        2,
                        1,
                        35,
                        1,
                        100,
                        "USB DAC",
                        4,
                        0,
                        0,
                        0,
                        1,
                        256,
                        45,
                        2,
                        {-1, 3, 7, 0},
                        {0x1234, 0xFFFF, 0xFFFF, 0xFFFF},
                        {}};
  for (int32_t k = 0; k < FE_GADGETS; k++) s.gadgets[k] = gadget_config{1, k % 6, k % 3, -k, k};
  for (int32_t i = 0; i < FE_MAX_INPUTS; i++) fe.input_bindings[i] = input_binding{i, -1, 100 + i};
  for (int32_t h = 0; h < HOTKEY_COUNT; h++) fe.hotkeys[h] = input_binding{h + 200, h, 5};
  fe.slot = 9;
  snprintf(fe.rom_path, sizeof fe.rom_path, "/games/a b/fakegame.zip");
  snprintf(fe.browse_dir, sizeof fe.browse_dir, "/games/a b");
  save_settings();
  const frontend_settings saved = s;
  input_binding saved_inputs[FE_MAX_INPUTS], saved_hotkeys[HOTKEY_COUNT];
  memcpy(saved_inputs, fe.input_bindings, sizeof saved_inputs);
  memcpy(saved_hotkeys, fe.hotkeys, sizeof saved_hotkeys);

  set_default_settings();
  set_default_bindings();
  fe.slot = 1;
  fe.rom_path[0] = fe.browse_dir[0] = '\0';
  settings_table_clear(&fe.settings_file);
  ASSERT_EQ(settings_table_load(&fe.settings_file, fe.settings_path), 1);
  apply_loaded_settings();

  // Gadgets beyond the descriptor's readouts are not in the file: they keep their defaults.
  frontend_settings expected = saved;
  for (int32_t k = fe_gadget_count(); k < FE_GADGETS; k++) expected.gadgets[k] = {0, 0, 1, 0, 0};
  EXPECT_EQ(memcmp(&s, &expected, sizeof s), 0);
  EXPECT_EQ(memcmp(fe.input_bindings, saved_inputs, sizeof(input_binding) * FAKE_GAME_INPUTS), 0);
  EXPECT_EQ(memcmp(fe.hotkeys, saved_hotkeys, sizeof saved_hotkeys), 0);
  EXPECT_EQ(fe.slot, 9);
  EXPECT_STREQ(fe.rom_path, "/games/a b/fakegame.zip");
  EXPECT_STREQ(fe.browse_dir, "/games/a b");
}

TEST_F(SettingsModelTest, AFailedWriteIsToldOnceWithItsReasonAndChangesNothingElse) {
  log_capture log(fe.log_path);
  snprintf(fe.settings_path, sizeof fe.settings_path, "%s", dir.at("missing/settings.ini").c_str());
  fe.settings.volume = 55;
  save_settings();
  const std::string failed = "Could not write settings to " + dir.at("missing/settings.ini") +
                             " (no such file or directory)";
  EXPECT_EQ(std::string(fe.toast_text), failed);
  EXPECT_TRUE(log.has(failed));
  EXPECT_EQ(fe.settings.volume, 55);
  EXPECT_STREQ(settings_table_get(&fe.settings_file, "audio", "volume"), "55");
  fe.toast_text[0] = '\0';
  save_settings();  // the same failure again: nothing more is said
  EXPECT_STREQ(fe.toast_text, "");
  const std::string text = log.text();
  EXPECT_EQ(text.find(failed), text.rfind(failed));
}

// Root reads every file, so the permission case runs in a child that drops to "nobody" first.
TEST_F(SettingsModelTest, ASettingsFileThatIsThereButCannotBeReadIsNeverWrittenOver) {
  struct unreadable_case {
    const char* what;
    std::function<void(const std::string&)> make;  // puts the unreadable thing at the path
    const char* reason;
    int as_nobody;
  };
  const unreadable_case cases[] = {
      {"a folder", [](const std::string& p) { mkdir(p.c_str(), 0755); }, "not a file (a folder)",
       0},
      {"a dangling link", [](const std::string& p) { symlink("gone.ini", p.c_str()); },
       "no such file or directory", 0},
      {"a file without read permission",
       [](const std::string& p) {
         write_text(p, "[audio]\nvolume = 10\n");
         chmod(p.c_str(), 0200);
       },
       "permission denied", 1},
  };
  for (const unreadable_case& c : cases) {
    SCOPED_TRACE(c.what);
    scratch_dir home;
    chmod(home.path().c_str(), 0777);  // the child may write beside it, and must be refused
    const std::string path = home.at("settings.ini");
    c.make(path);
    struct stat before;
    ASSERT_EQ(lstat(path.c_str(), &before), 0);
    snprintf(fe.settings_path, sizeof fe.settings_path, "%s", path.c_str());
    const int status = run_as_nobody(c.as_nobody, [&] {
      settings_table_clear(&fe.settings_file);
      fe.toast_text[0] = '\0';
      if (load_settings_file() || !fe.settings_memory_only) return 1;
      save_settings();
      tell_settings_unreadable();
      const std::string expected =
          "Cannot read " + path + " (" + c.reason + "): settings will not be saved";
      return std::string(fe.toast_text) == expected ? 0 : 2;
    });
    EXPECT_EQ(status, 0);
    struct stat after;
    ASSERT_EQ(lstat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);  // the same thing, not a file put in its place
    EXPECT_EQ(after.st_mtime, before.st_mtime);
  }

  // A missing file is a first start: the defaults are written.
  snprintf(fe.settings_path, sizeof fe.settings_path, "%s", dir.at("fresh.ini").c_str());
  EXPECT_EQ(load_settings_file(), 0);
  EXPECT_EQ(fe.settings_memory_only, 0);
  save_settings();
  EXPECT_TRUE(path_is_file(fe.settings_path));
}

// A descriptor whose tables are larger than the frontend's fixed arrays.
class OversizedDescriptorTest : public frontend_fixture {
 protected:
  const game_adapter* game() override {
    static std::vector<std::string> ids;
    static std::vector<adapter_input> inputs;
    static std::vector<adapter_readout> readouts;
    static adapter_dip_switch dips[3];
    static game_adapter big;
    if (ids.empty()) {
      for (int i = 0; i < 60; i++) ids.push_back("in" + std::to_string(i));
      for (int i = 0; i < 12; i++) ids.push_back("ro" + std::to_string(i));
      for (int i = 0; i < 60; i++) {
        inputs.push_back(
            adapter_input{ids[size_t(i)].c_str(), "input", 1, 1u << (i & 31), 100 + i, -1, -1, 0});
      }
      for (int i = 0; i < 12; i++) {
        readouts.push_back(adapter_readout{ids[size_t(60 + i)].c_str(), "readout", nullptr});
      }
      dips[0] = adapter_dip_switch{"a", "A", 0, 0x00F0, 0x0030, 0, {}};
      dips[1] = adapter_dip_switch{"b", "B", 6, 0xFFFF, 0x0000, 0, {}};   // no such word
      dips[2] = adapter_dip_switch{"c", "C", -1, 0xFFFF, 0x0000, 0, {}};  // nor this
      big = fake_game_descriptor;
      big.inputs = inputs.data();
      big.input_count = 60;
      big.readouts = readouts.data();
      big.readout_count = 12;
      big.dip_switches = dips;
      big.dip_switch_count = 3;
      big.dip_word_count = 9;
    }
    return &big;
  }
};

TEST_F(OversizedDescriptorTest, TablesLargerThanTheFixedArraysAreCutNeverOverrun) {
  clear_steam_deck();
  set_default_settings();
  set_default_bindings();
  EXPECT_EQ(fe.settings.dip_words[0], 0xFF3F);
  expect_binding(fe.input_bindings[FE_MAX_INPUTS - 1], 139, -1, -1, "last binding");
  expect_binding(fe.hotkeys[HOTKEY_MENU], 41, -1, -1, "hotkeys right after the bindings");
  expect_gadget(fe.settings.gadgets[GADGET_FPS], {0, 1, 1, 0, 0}, "fps after the DIP words");

  save_settings();
  const std::string text = read_text(fe.settings_path);
  EXPECT_NE(text.find("in39 = 139,-1,-1\n"), std::string::npos);
  EXPECT_EQ(text.find("in40 ="), std::string::npos);
  EXPECT_NE(text.find("ro7 = 0,0,1,0,0\n"), std::string::npos);
  EXPECT_EQ(text.find("ro8 ="), std::string::npos);
  EXPECT_NE(text.find("dsw4 = 0xFFFF\n"), std::string::npos);
  EXPECT_EQ(text.find("dsw5 ="), std::string::npos);

  load_settings_text(
      "[input]\nin40 = 1,2,3\n[gameplay]\ndsw5 = 0\ndsw9 = 0\n[gadgets]\nro8 = 1,5,2,9,9\n");
  expect_binding(fe.hotkeys[HOTKEY_MENU], 41, -1, -1, "hotkeys after a load");
  expect_gadget(fe.settings.gadgets[GADGET_FPS], {0, 1, 1, 0, 0}, "fps after a load");
}
