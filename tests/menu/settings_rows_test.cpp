// Every row of every settings page in one table: from known settings, Left, Right and
// activation each give the row's new value text (or open the page they lead to), nothing is
// written until the page is left, and Back writes the edited settings.ini line. A second check
// makes sure the table leaves no row of these pages out.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "frontend/audio_output.h"
#include "frontend/frontend_state.h"
#include "frontend/input_event.h"
#include "frontend/settings_model.h"
#include "frontend/settings_store.h"
#include "menu/menu_pages.h"
#include "menu_fixture.h"

namespace {

enum { LEFT = 0, RIGHT = 1, ACTIVATE = 2 };

// What one action on a row leads to.
struct outcome {
  const char* value = nullptr;  // the row's value text afterwards; null: not checked (or none)
  const char* saved = nullptr;  // the settings.ini value after Back; null: not checked
  int32_t opens = -1;           // the page the action opens instead (-1: the page stays)
};

struct row_case {
  std::vector<int32_t> stack;  // the pages from the bottom; the row's page on top
  const char* label;
  std::function<void()> given;  // the known settings the actions start from
  const char* line;             // "section.key" of the settings.ini line the row edits, or null
  outcome left, right, activate;
};

const std::vector<int32_t> DISPLAY = {MENU_PAGE_MAIN, MENU_PAGE_DISPLAY};
const std::vector<int32_t> AUDIO = {MENU_PAGE_MAIN, MENU_PAGE_AUDIO};
const std::vector<int32_t> CONTROLS = {MENU_PAGE_MAIN, MENU_PAGE_CONTROLS};
const std::vector<int32_t> HOTKEYS = {MENU_PAGE_MAIN, MENU_PAGE_CONTROLS, MENU_PAGE_HOTKEYS};
const std::vector<int32_t> PLAYERS = {MENU_PAGE_MAIN, MENU_PAGE_CONTROLS,
                                      MENU_PAGE_PLAYER_CONTROLLERS};
const std::vector<int32_t> GAMEPLAY = {MENU_PAGE_MAIN, MENU_PAGE_GAMEPLAY};
const std::vector<int32_t> GADGETS = {MENU_PAGE_MAIN, MENU_PAGE_GADGETS};
const std::vector<int32_t> EDITOR = {MENU_PAGE_MAIN, MENU_PAGE_GADGETS, MENU_PAGE_GADGET_EDITOR};

const int32_t CAPTURED_KEY = SDL_SCANCODE_J;  // what the capture receives in the table

frontend_settings& s() {
  return fe.settings;
}

// A row whose three actions all give the same outcome (on/off rows flip on any step).
row_case flip(const std::vector<int32_t>& stack, const char* label, std::function<void()> given,
              const char* line, outcome all) {
  return {stack, label, std::move(given), line, all, all, all};
}

// A row that only leads to another page when activated.
row_case link(
    const std::vector<int32_t>& stack, const char* label, int32_t opens,
    std::function<void()> given = [] {}) {
  return {stack, label, std::move(given), nullptr, {}, {}, {nullptr, nullptr, opens}};
}

// A read-only row: its value stays whatever is done to it.
row_case fixed(const std::vector<int32_t>& stack, const char* label, std::function<void()> given,
               const char* value) {
  return flip(stack, label, std::move(given), nullptr, {value, nullptr});
}

// clang-format off
std::vector<row_case> page_row_cases() {
  return {
    // --- Display
    flip(DISPLAY, "Mode", [] { s().fullscreen = 0; }, "display.fullscreen", {"Fullscreen", "1"}),
    flip(DISPLAY, "Mode", [] { s().fullscreen = 1; }, "display.fullscreen", {"Windowed", "0"}),
    {DISPLAY, "Window Size", [] { s().fullscreen = 0, s().window_scale = 3; },
     "display.window_scale", {"2x", "2"}, {"4x", "4"}, {"4x", "4"}},
    {DISPLAY, "Window Size", [] { s().fullscreen = 0, s().window_scale = 1; },
     "display.window_scale", {"1x", "1"}, {"2x", "2"}, {"2x", "2"}},
    {DISPLAY, "Window Size", [] { s().fullscreen = 0, s().window_scale = 8; },
     "display.window_scale", {"7x", "7"}, {"8x", "8"}, {"8x", "8"}},
    flip(DISPLAY, "Window Size", [] { s().fullscreen = 1, s().window_scale = 3; },  // disabled
         "display.window_scale", {"3x", "3"}),
    flip(DISPLAY, "Scaling", [] { s().scale_mode = 0; }, "display.scale_mode", {"Integer", "1"}),
    flip(DISPLAY, "Aspect Ratio", [] { s().aspect_mode = 1; }, "display.aspect_mode",
         {"Original 4:3", "0"}),
    flip(DISPLAY, "Filtering", [] { s().filter = 0; }, "display.filter",
         {"Bilinear (smooth)", "1"}),
    flip(DISPLAY, "VSync", [] { s().vsync = 1; }, "display.vsync", {"Off", "0"}),
    flip(DISPLAY, "Frame Pacing", [] { s().pacing = 0; }, "display.pacing", {"Display sync", "1"}),
    flip(DISPLAY, "Frame Pacing", [] { s().pacing = 1; }, "display.pacing",
         {"Exact game rate", "0"}),
    {DISPLAY, "Rotation", [] { s().rotation = 3; }, "display.rotation",
     {"180", "2"}, {"0", "0"}, {"0", "0"}},
    {DISPLAY, "Rotation", [] { s().rotation = 2; }, "display.rotation",
     {"90", "1"}, {"270 (original)", "3"}, {"270 (original)", "3"}},
    {DISPLAY, "Scanlines", [] { s().scanlines = 50; }, "display.scanlines",
     {"40%", "40"}, {"60%", "60"}, {"60%", "60"}},
    {DISPLAY, "Scanlines", [] { s().scanlines = 0; }, "display.scanlines",
     {"0%", "0"}, {"10%", "10"}, {"10%", "10"}},
    {DISPLAY, "Scanlines", [] { s().scanlines = 100; }, "display.scanlines",
     {"90%", "90"}, {"100%", "100"}, {"100%", "100"}},
    {DISPLAY, "Phosphor Mask", [] { s().mask = 0; }, "display.mask",
     {"Slot mask", "3"}, {"Aperture grille", "1"}, {"Aperture grille", "1"}},
    {DISPLAY, "Phosphor Mask", [] { s().mask = 3; }, "display.mask",
     {"Shadow mask", "2"}, {"Off", "0"}, {"Off", "0"}},
    {DISPLAY, "Mask Strength", [] { s().mask = 2, s().mask_strength = 30; },
     "display.mask_strength", {"20%", "20"}, {"40%", "40"}, {"40%", "40"}},
    {DISPLAY, "Mask Strength", [] { s().mask = 1, s().mask_strength = 100; },
     "display.mask_strength", {"90%", "90"}, {"100%", "100"}, {"100%", "100"}},
    {DISPLAY, "Mask Strength", [] { s().mask = 1, s().mask_strength = 0; },
     "display.mask_strength", {"0%", "0"}, {"10%", "10"}, {"10%", "10"}},
    flip(DISPLAY, "Mask Strength", [] { s().mask = 0, s().mask_strength = 30; },  // disabled
         "display.mask_strength", {"30%", "30"}),
    {DISPLAY, "Brightness", [] { s().brightness = 100; }, "display.brightness",
     {"95%", "95"}, {"105%", "105"}, {"105%", "105"}},
    {DISPLAY, "Brightness", [] { s().brightness = 50; }, "display.brightness",
     {"50%", "50"}, {"55%", "55"}, {"55%", "55"}},
    {DISPLAY, "Brightness", [] { s().brightness = 150; }, "display.brightness",
     {"145%", "145"}, {"150%", "150"}, {"150%", "150"}},
    {DISPLAY, "Gamma", [] { s().gamma = 100; }, "display.gamma",
     {"0.95", "95"}, {"1.05", "105"}, {"1.05", "105"}},
    {DISPLAY, "Gamma", [] { s().gamma = 50; }, "display.gamma",
     {"0.50", "50"}, {"0.55", "55"}, {"0.55", "55"}},
    {DISPLAY, "Gamma", [] { s().gamma = 200; }, "display.gamma",
     {"1.95", "195"}, {"2.00", "200"}, {"2.00", "200"}},
    {DISPLAY, "Background", [] { s().border = 0; }, "display.border",
     {"Ambient glow", "2"}, {"Gradient wallpaper", "1"}, {"Gradient wallpaper", "1"}},
    {DISPLAY, "Background", [] { s().border = 2; }, "display.border",
     {"Gradient wallpaper", "1"}, {"Black", "0"}, {"Black", "0"}},
    {DISPLAY, "Menu Accent", [] { s().accent = 0; }, "ui.accent",
     {"Silver", "5"}, {"Amber", "1"}, {"Amber", "1"}},
    {DISPLAY, "Menu Accent", [] { s().accent = 5; }, "ui.accent",
     {"Violet", "4"}, {"Azure", "0"}, {"Azure", "0"}},
    {DISPLAY, "Restore Defaults", [] { s().scanlines = 50; }, "display.scanlines",
     {nullptr, "50"}, {nullptr, "50"}, {nullptr, "0"}},

    // --- Audio (two playback devices are listed, the default one is open)
    {AUDIO, "Master Volume", [] { s().volume = 80; }, "audio.volume",
     {"75%", "75"}, {"85%", "85"}, {"85%", "85"}},
    {AUDIO, "Master Volume", [] { s().volume = 0; }, "audio.volume",
     {"0%", "0"}, {"5%", "5"}, {"5%", "5"}},
    {AUDIO, "Master Volume", [] { s().volume = 100; }, "audio.volume",
     {"95%", "95"}, {"100%", "100"}, {"100%", "100"}},
    flip(AUDIO, "Mute", [] { s().mute = 0; }, "audio.mute", {"On", "1"}),
    flip(AUDIO, "Mute", [] { s().mute = 1; }, "audio.mute", {"Off", "0"}),
    {AUDIO, "Output Device", [] { s().device[0] = '\0'; }, "audio.device",
     {"Headphones", "Headphones"}, {"Speakers", "Speakers"}, {"Speakers", "Speakers"}},
    {AUDIO, "Output Device", [] { snprintf(s().device, sizeof s().device, "Headphones"); },
     "audio.device", {"Speakers", "Speakers"}, {"System default", ""}, {"System default", ""}},
    {AUDIO, "Latency Target", [] { s().latency_ms = 64; }, "audio.latency_ms",
     {"56 ms", "56"}, {"72 ms", "72"}, {"72 ms", "72"}},
    {AUDIO, "Latency Target", [] { s().latency_ms = 16; }, "audio.latency_ms",
     {"16 ms", "16"}, {"24 ms", "24"}, {"24 ms", "24"}},
    {AUDIO, "Latency Target", [] { s().latency_ms = 248; }, "audio.latency_ms",
     {"240 ms", "240"}, {"250 ms", "250"}, {"250 ms", "250"}},
    fixed(AUDIO, "Output Format", [] {}, "37286 Hz -> 48000 Hz"),
    fixed(AUDIO, "Diagnostics", [] { fe.underruns = 3, fe.drops = 12; },
          "3 underruns, 12 drops"),
    fixed(AUDIO, "Music / Effects Volume", [] {}, "Not exposed"),

    // --- Controls (its binding rows and those of the Hotkeys page follow below)
    {CONTROLS, "Quick Menu (controller)", [] { s().menu_combo = 0; }, "input.menu_combo",
     {"L3 + R3", "3"}, {"Guide", "1"}, {"Guide", "1"}},
    {CONTROLS, "Quick Menu (controller)", [] { s().menu_combo = 3; }, "input.menu_combo",
     {"Right stick click", "2"}, {"Back + Start", "0"}, {"Back + Start", "0"}},
    link(CONTROLS, "Hotkeys", MENU_PAGE_HOTKEYS),
    link(CONTROLS, "Player Controllers", MENU_PAGE_PLAYER_CONTROLLERS),
    {CONTROLS, "Stick Dead Zone", [] { s().deadzone = 30; }, "input.deadzone",
     {"25%", "25"}, {"35%", "35"}, {"35%", "35"}},
    {CONTROLS, "Stick Dead Zone", [] { s().deadzone = 5; }, "input.deadzone",
     {"5%", "5"}, {"10%", "10"}, {"10%", "10"}},
    {CONTROLS, "Stick Dead Zone", [] { s().deadzone = 90; }, "input.deadzone",
     {"85%", "85"}, {"90%", "90"}, {"90%", "90"}},
    link(CONTROLS, "Restore Default Controls", MENU_PAGE_CONFIRM),

    // --- Player Controllers (no controller is connected here)
    {PLAYERS, "Player 1", [] { s().player_controller[0] = 0; }, "input.p1_controller",
     {"Automatic", "-1"}, {"Controller 2 (not connected)", "1"},
     {"Controller 2 (not connected)", "1"}},
    {PLAYERS, "Player 1", [] { s().player_controller[0] = -1; }, "input.p1_controller",
     {"Automatic", "-1"}, {"Controller 1 (not connected)", "0"},
     {"Controller 1 (not connected)", "0"}},
    {PLAYERS, "Player 2", [] { s().player_controller[1] = 7; }, "input.p2_controller",
     {"Controller 7 (not connected)", "6"}, {"Controller 8 (not connected)", "7"},
     {"Controller 8 (not connected)", "7"}},
    fixed(PLAYERS, "No controllers connected", [] {}, nullptr),

    // --- Gameplay: the fake game's difficulty switch (word 0, mask 3; Easy 0, Normal 1, Hard 2)
    {GAMEPLAY, "Difficulty", [] { s().dip_words[0] = 0xFFFD; }, "gameplay.dsw1",
     {"Easy", "0xFFFC"}, {"Hard", "0xFFFE"}, {"Hard", "0xFFFE"}},
    {GAMEPLAY, "Difficulty", [] { s().dip_words[0] = 0xFFFE; }, "gameplay.dsw1",
     {"Normal", "0xFFFD"}, {"Easy", "0xFFFC"}, {"Easy", "0xFFFC"}},
    {GAMEPLAY, "Difficulty", [] { s().dip_words[0] = 0xFFFF; }, "gameplay.dsw1",  // 3: no choice
     {"Hard", "0xFFFE"}, {"Normal", "0xFFFD"}, {"Normal", "0xFFFD"}},
    {GAMEPLAY, "Restore Defaults", [] { s().dip_words[0] = 0x0002; }, "gameplay.dsw1",
     {nullptr, "0x0002"}, {nullptr, "0x0002"}, {nullptr, "0x0001"}},
    link(GAMEPLAY, "Restart Now to Apply", MENU_PAGE_CONFIRM, [] { fe.running = 1; }),

    // --- Gadgets: Left and Right switch a gadget on or off, Enter opens its editor
    {GADGETS, "FPS", [] {}, "gadgets.fps", {"On  -  Top right", "1,1,1,0,0"},
     {"On  -  Top right", "1,1,1,0,0"}, {nullptr, nullptr, MENU_PAGE_GADGET_EDITOR}},
    {GADGETS, "Frame Time", [] { s().gadgets[1] = {1, 2, 0, 8, -8}; }, "gadgets.frame_time",
     {"Off", "0,2,0,8,-8"}, {"Off", "0,2,0,8,-8"}, {nullptr, nullptr, MENU_PAGE_GADGET_EDITOR}},
    {GADGETS, "Input Display", [] {}, "gadgets.input_display", {"On  -  Bottom right", "1,3,1,0,0"},
     {"On  -  Bottom right", "1,3,1,0,0"}, {nullptr, nullptr, MENU_PAGE_GADGET_EDITOR}},
    {GADGETS, "Score (Player 1)", [] {}, "gadgets.score_p1", {"On  -  Top left", "1,0,1,0,0"},
     {"On  -  Top left", "1,0,1,0,0"}, {nullptr, nullptr, MENU_PAGE_GADGET_EDITOR}},
    {GADGETS, "Score (Player 2)", [] { s().gadgets[4] = {0, 5, 2, 0, 0}; }, "gadgets.score_p2",
     {"On  -  Bottom centre", "1,5,2,0,0"}, {"On  -  Bottom centre", "1,5,2,0,0"},
     {nullptr, nullptr, MENU_PAGE_GADGET_EDITOR}},

    // --- The gadget editor on Frame Time
    flip(EDITOR, "Enabled", [] { s().gadgets[1] = {1, 0, 1, 0, 0}; }, "gadgets.frame_time",
         {"Off", "0,0,1,0,0"}),
    flip(EDITOR, "Enabled", [] { s().gadgets[1] = {0, 0, 1, 0, 0}; }, "gadgets.frame_time",
         {"On", "1,0,1,0,0"}),
    {EDITOR, "Position", [] { s().gadgets[1] = {1, 0, 1, 0, 0}; }, "gadgets.frame_time",
     {"Bottom centre", "1,5,1,0,0"}, {"Top right", "1,1,1,0,0"}, {"Top right", "1,1,1,0,0"}},
    {EDITOR, "Position", [] { s().gadgets[1] = {1, 5, 1, 0, 0}; }, "gadgets.frame_time",
     {"Top centre", "1,4,1,0,0"}, {"Top left", "1,0,1,0,0"}, {"Top left", "1,0,1,0,0"}},
    {EDITOR, "Size", [] { s().gadgets[1] = {1, 0, 0, 0, 0}; }, "gadgets.frame_time",
     {"Large", "1,0,2,0,0"}, {"Medium", "1,0,1,0,0"}, {"Medium", "1,0,1,0,0"}},
    {EDITOR, "Size", [] { s().gadgets[1] = {1, 0, 2, 0, 0}; }, "gadgets.frame_time",
     {"Medium", "1,0,1,0,0"}, {"Small", "1,0,0,0,0"}, {"Small", "1,0,0,0,0"}},
    {EDITOR, "Offset X", [] { s().gadgets[1] = {1, 0, 1, 0, 0}; }, "gadgets.frame_time",
     {"-8", "1,0,1,-8,0"}, {"+8", "1,0,1,8,0"}, {"+8", "1,0,1,8,0"}},
    {EDITOR, "Offset X", [] { s().gadgets[1] = {1, 0, 1, 396, 0}; }, "gadgets.frame_time",
     {"+388", "1,0,1,388,0"}, {"+400", "1,0,1,400,0"}, {"+400", "1,0,1,400,0"}},
    {EDITOR, "Offset X", [] { s().gadgets[1] = {1, 0, 1, -396, 0}; }, "gadgets.frame_time",
     {"-400", "1,0,1,-400,0"}, {"-388", "1,0,1,-388,0"}, {"-388", "1,0,1,-388,0"}},
    {EDITOR, "Offset Y", [] { s().gadgets[1] = {1, 0, 1, 0, 0}; }, "gadgets.frame_time",
     {"-8", "1,0,1,0,-8"}, {"+8", "1,0,1,0,8"}, {"+8", "1,0,1,0,8"}},
    {EDITOR, "Offset Y", [] { s().gadgets[1] = {1, 0, 1, 0, 296}; }, "gadgets.frame_time",
     {"+288", "1,0,1,0,288"}, {"+300", "1,0,1,0,300"}, {"+300", "1,0,1,0,300"}},
    {EDITOR, "Offset Y", [] { s().gadgets[1] = {1, 0, 1, 0, -300}; }, "gadgets.frame_time",
     {"-300", "1,0,1,0,-300"}, {"-292", "1,0,1,0,-292"}, {"-292", "1,0,1,0,-292"}},
  };
}
// clang-format on

std::string binding_line(int32_t key, int32_t alt_key, int32_t controller) {
  return std::to_string(key) + "," + std::to_string(alt_key) + "," + std::to_string(controller);
}

// The binding rows of the Controls page (one per fake game input) and of the Hotkeys page: Left
// does nothing, Enter captures the key and Right the alternate key (the table then feeds the
// capture the J key).
std::vector<row_case> binding_row_cases() {
  static std::vector<std::string> texts;  // the outcomes point into these
  struct binding_case {
    std::vector<int32_t> stack;
    const char* label;
    std::string line;
    input_binding defaults;
  };
  std::vector<binding_case> cases;
  const game_adapter& game = fake_game_descriptor;
  for (int32_t i = 0; i < game.input_count; i++) {
    const adapter_input& in = game.inputs[i];
    cases.push_back(
        {CONTROLS, in.label, std::string("input.") + in.id, {in.key, in.key2, in.pad_button}});
  }
  const char* const labels[HOTKEY_COUNT] = {"Quick Menu",        "Quick Save",    "Quick Load",
                                            "Previous Slot",     "Next Slot",     "Screenshot",
                                            "Toggle Fullscreen", "Rewind (hold)", "Pause",
                                            "Toggle FPS",        "Reset Game"};
  const input_binding defaults[HOTKEY_COUNT] = {
      {41, -1, -1}, {62, -1, -1}, {66, -1, -1}, {63, -1, -1}, {64, -1, -1}, {69, -1, -1},
      {68, -1, -1}, {42, -1, -1}, {72, 19, -1}, {67, -1, -1}, {60, -1, -1}};
  for (int32_t h = 0; h < HOTKEY_COUNT; h++) {
    cases.push_back(
        {HOTKEYS, labels[h], std::string("hotkeys.") + hotkey_setting_names[h], defaults[h]});
  }
  texts.clear();
  texts.reserve(cases.size() * 4);
  std::vector<row_case> table;
  for (const binding_case& c : cases) {
    const input_binding& d = c.defaults;
    const char* line = texts.emplace_back(c.line).c_str();
    const char* same = texts.emplace_back(binding_line(d.key, d.alt_key, d.controller)).c_str();
    const char* key =
        texts.emplace_back(binding_line(CAPTURED_KEY, d.alt_key, d.controller)).c_str();
    const char* alt = texts.emplace_back(binding_line(d.key, CAPTURED_KEY, d.controller)).c_str();
    table.push_back({c.stack,
                     c.label,
                     [] {},
                     line,
                     {nullptr, same},
                     {nullptr, alt, MENU_PAGE_CAPTURE},
                     {nullptr, key, MENU_PAGE_CAPTURE}});
  }
  return table;
}

std::vector<row_case> all_row_cases() {
  std::vector<row_case> table = page_row_cases();
  for (row_case& entry : binding_row_cases()) table.push_back(std::move(entry));
  return table;
}

class SettingsRows : public menu_fixture {
 protected:
  // Known ground for every case: the default settings and bindings, two playback devices with
  // the default one open, no game, the gadget editor aimed at Frame Time, no settings.ini.
  void start_case(const row_case& entry) {
    set_default_settings();
    set_default_bindings();
    fe.running = 0;
    fe.underruns = fe.drops = 0;
    tp.devices = {"Speakers", "Headphones"};
    open_audio();
    fe.gadget_target = GADGET_FRAME_TIME;
    entry.given();
    stack(entry.stack);
    remove(fe.settings_path);
  }

  const menu_row* row_named(const char* label) { return rows.find(menu_top_page(), label); }

  void run(const row_case& entry, int32_t action) {
    start_case(entry);
    const int32_t page = entry.stack.back();
    frame();
    const menu_row* row = row_named(entry.label);
    ASSERT_NE(row, nullptr) << "no such row";
    select(row->row);
    const outcome& want = action == LEFT    ? entry.left
                          : action == RIGHT ? entry.right
                                            : entry.activate;
    int32_t& latch = action == LEFT    ? fe.menu.nav_left
                     : action == RIGHT ? fe.menu.nav_right
                                       : fe.menu.nav_accept;
    latch = 1;
    frame();
    if (want.opens >= 0) {
      ASSERT_EQ(menu_top_page(), want.opens);
      if (want.opens != MENU_PAGE_CAPTURE) return;  // the page it leads to has tests of its own
      EXPECT_EQ(fe.capture_mode, action == RIGHT ? 1 : 0);
      EXPECT_EQ(fe.capture_hotkey, page == MENU_PAGE_HOTKEYS ? 1 : 0);
      input_event key = {};
      key.type = INPUT_EVENT_KEY_DOWN;
      key.scancode = CAPTURED_KEY;
      menu_page_table[MENU_PAGE_CAPTURE].event(&key);
    }
    ASSERT_EQ(menu_top_page(), page);
    frame();
    row = row_named(entry.label);
    ASSERT_NE(row, nullptr);
    if (want.value) {
      EXPECT_EQ(row->value, want.value);
    }
    EXPECT_FALSE(exists_at_all(fe.settings_path)) << "written before the page was left";

    fe.menu.nav_back = 1;
    frame();
    EXPECT_EQ(fe.menu.depth, int32_t(entry.stack.size()) - 1);
    ASSERT_TRUE(exists_at_all(fe.settings_path)) << "Back did not write settings.ini";
    if (!entry.line || !want.saved) return;
    const std::string line = entry.line;
    const std::string section = line.substr(0, line.find('.')),
                      key = line.substr(line.find('.') + 1);
    settings_table saved = {};
    ASSERT_EQ(settings_table_load(&saved, fe.settings_path), 1);
    const char* value = settings_table_get(&saved, section.c_str(), key.c_str());
    EXPECT_STREQ(value ? value : "<absent>", want.saved) << line;
    settings_table_clear(&saved);
  }
};

}  // namespace

TEST_F(SettingsRows, EachRowStepsAndActivatesToItsNewValueAndBackWritesIt) {
  const char* const names[3] = {"Left", "Right", "Enter"};
  for (const row_case& entry : all_row_cases()) {
    for (int32_t action : {LEFT, RIGHT, ACTIVATE}) {
      SCOPED_TRACE(testing::Message() << "page " << entry.stack.back() << " \"" << entry.label
                                      << "\" " << names[action]);
      run(entry, action);
    }
  }
}

TEST_F(SettingsRows, TheTableHoldsEveryRowOfEverySettingsPage) {
  std::set<std::pair<int32_t, std::string>> covered;
  for (const row_case& entry : all_row_cases()) covered.insert({entry.stack.back(), entry.label});
  const std::vector<int32_t> stacks[] = {DISPLAY, AUDIO,    CONTROLS, HOTKEYS,
                                         PLAYERS, GAMEPLAY, GADGETS,  EDITOR};
  fe.running = 1;  // so that every row shows
  fe.gadget_target = GADGET_FRAME_TIME;
  for (const std::vector<int32_t>& pages : stacks) {
    stack(pages);
    frame();
    const std::vector<std::string> labels = rows.labels(pages.back());
    EXPECT_FALSE(labels.empty()) << pages.back();
    for (const std::string& label : labels) {
      EXPECT_TRUE(covered.count({pages.back(), label})) << "page " << pages.back() << ": " << label;
    }
  }
}
