// Defaults, loading with clamps, and saving of settings.ini. The integer settings are one table
// in field order: the load reads them, the clamps run over them, and the save writes them
// section by section, so a field's key, range and place in the file are written down once.
#include "frontend/settings_model.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frontend/file_util.h"
#include "frontend/log.h"
#include "frontend/messages.h"
#include "frontend/settings_store.h"

const char* const hotkey_setting_names[HOTKEY_COUNT] = {
    "menu",       "quick_save", "quick_load", "slot_prev",  "slot_next", "screenshot",
    "fullscreen", "rewind",     "pause",      "toggle_fps", "reset",
};

// SDL scancodes: Escape, F5, F9, F6, F7, F12, F11, Backspace, Pause (and P), F10, F3.
static const input_binding hotkey_defaults[HOTKEY_COUNT] = {
    {41, -1, -1}, {62, -1, -1}, {66, -1, -1}, {63, -1, -1}, {64, -1, -1}, {69, -1, -1},
    {68, -1, -1}, {42, -1, -1}, {72, 19, -1}, {67, -1, -1}, {60, -1, -1},
};

// How a value read from the file is brought into range.
enum settings_clamp {
  CLAMP_NONE = 0,   // any value is usable (a flag: non-zero is on)
  CLAMP_RANGE = 1,  // below min takes min, above max takes max
  CLAMP_ONE = 2,    // 1 stays 1, anything else is 0 (a choice of two whose default is 0)
};

struct int_setting {
  const char* section;
  const char* key;
  size_t offset;  // of the i32 field in frontend_settings
  int32_t clamp;  // settings_clamp
  int32_t min, max;
};

#define SETTING(section, key, field, clamp, min, max) \
  { section, key, offsetof(frontend_settings, field), clamp, min, max }

// Field order of frontend_settings, which is also the file's key order.
static const int_setting int_settings[] = {
    SETTING("display", "fullscreen", fullscreen, CLAMP_NONE, 0, 0),
    SETTING("display", "window_scale", window_scale, CLAMP_RANGE, 1, 8),
    SETTING("display", "scale_mode", scale_mode, CLAMP_RANGE, 0, 1),
    SETTING("display", "aspect_mode", aspect_mode, CLAMP_RANGE, 0, 1),
    SETTING("display", "filter", filter, CLAMP_RANGE, 0, 1),
    SETTING("display", "vsync", vsync, CLAMP_NONE, 0, 0),
    SETTING("display", "pacing", pacing, CLAMP_ONE, 0, 1),
    SETTING("display", "scanlines", scanlines, CLAMP_RANGE, 0, 100),
    SETTING("display", "mask", mask, CLAMP_RANGE, 0, 3),
    SETTING("display", "mask_strength", mask_strength, CLAMP_RANGE, 0, 100),
    SETTING("display", "brightness", brightness, CLAMP_RANGE, 50, 150),
    SETTING("display", "gamma", gamma, CLAMP_RANGE, 50, 200),
    SETTING("display", "border", border, CLAMP_RANGE, 0, 2),
    SETTING("display", "rotation", rotation, CLAMP_RANGE, 0, 3),
    SETTING("audio", "volume", volume, CLAMP_RANGE, 0, 100),
    SETTING("audio", "mute", mute, CLAMP_NONE, 0, 0),
    SETTING("audio", "latency_ms", latency_ms, CLAMP_RANGE, 16, 250),
    SETTING("ui", "accent", accent, CLAMP_RANGE, 0, 5),
    SETTING("ui", "autosave_exit", autosave_exit, CLAMP_NONE, 0, 0),
    SETTING("ui", "autosave_menu", autosave_menu, CLAMP_NONE, 0, 0),
    SETTING("ui", "pause_on_focus_loss", pause_on_focus_loss, CLAMP_NONE, 0, 0),
    SETTING("ui", "rewind", rewind, CLAMP_NONE, 0, 0),
    SETTING("ui", "rewind_mb", rewind_mb, CLAMP_RANGE, 16, 512),
    SETTING("input", "deadzone", deadzone, CLAMP_RANGE, 5, 90),
    SETTING("input", "menu_combo", menu_combo, CLAMP_RANGE, 0, 3),
    // The player's controller indexes the open controllers; -1 is automatic.
    SETTING("input", "p1_controller", player_controller[0], CLAMP_RANGE, -1, 7),
    SETTING("input", "p2_controller", player_controller[1], CLAMP_RANGE, -1, 7),
    SETTING("input", "p3_controller", player_controller[2], CLAMP_RANGE, -1, 7),
    SETTING("input", "p4_controller", player_controller[3], CLAMP_RANGE, -1, 7),
};

#undef SETTING

// The ranges of a gadget_config's fields, as the gadget editor steps them.
static const int32_t gadget_min[5] = {0, 0, 0, -400, -300};
static const int32_t gadget_max[5] = {1, 5, 2, 400, 300};

// The five fields of a gadget record, in file order.
struct gadget_fields {
  int32_t* field[5];
};
static gadget_fields fields_of(gadget_config* g) {
  return gadget_fields{{&g->enabled, &g->position, &g->size, &g->offset_x, &g->offset_y}};
}

static int32_t* int_field(const int_setting* setting) {
  return reinterpret_cast<int32_t*>(reinterpret_cast<char*>(&fe.settings) + setting->offset);
}

static int32_t clamp_range(int32_t value, int32_t min, int32_t max) {
  return value < min ? min : value > max ? max : value;
}

// [gadgets] key of gadget k: the three built-in ones, then the readouts' ids (null when the
// descriptor gives none).
static const char* gadget_key(int32_t k) {
  static const char* const builtin[GADGET_FIRST_READOUT] = {"fps", "frame_time", "input_display"};
  if (k < GADGET_FIRST_READOUT) return builtin[k];
  return fe.adapter->readouts ? fe.adapter->readouts[k - GADGET_FIRST_READOUT].id : nullptr;
}

// [input] key of adapter input i (null when the descriptor gives none).
static const char* input_key(int32_t i) {
  return fe.adapter->inputs ? fe.adapter->inputs[i].id : nullptr;
}

// Reads up to `count` decimal numbers separated by single commas, the way "%d,%d,..." scans
// them (blanks before each number are skipped); values beyond 32 bits saturate. Returns how
// many were read.
static int read_numbers(const char* text, int32_t* out, int count) {
  int read = 0;
  const char* at = text;
  while (read < count) {
    if (read > 0) {
      if (*at != ',') break;
      at++;
    }
    char* end = nullptr;
    long value = strtol(at, &end, 10);
    if (end == at) break;
    if (value < INT32_MIN) value = INT32_MIN;
    if (value > INT32_MAX) value = INT32_MAX;
    out[read++] = int32_t(value);
    at = end;
  }
  return read;
}

// A binding changes only when its value holds all three numbers.
static void load_binding(const char* section, const char* key, input_binding* binding) {
  if (!key) return;
  const char* value = settings_table_get(&fe.settings_file, section, key);
  int32_t numbers[3];
  if (!value || read_numbers(value, numbers, 3) != 3) return;
  binding->key = numbers[0];
  binding->alt_key = numbers[1];
  binding->controller = numbers[2];
}

frontend_settings default_settings() {
  frontend_settings s;
  memset(&s, 0, sizeof s);
  s.fullscreen = (getenv("SteamDeck") || getenv("STEAM_DECK")) ? 1 : 0;
  s.window_scale = 3;
  s.vsync = 1;
  s.mask_strength = 30;
  s.brightness = 100;
  s.gamma = 100;
  s.border = 1;
  s.rotation = int32_t(fe.adapter->rotation & 3);
  s.volume = 80;
  s.latency_ms = 64;
  s.autosave_exit = 1;
  s.autosave_menu = 1;
  s.pause_on_focus_loss = 1;
  s.rewind_mb = 64;
  s.deadzone = 30;
  for (int32_t p = 0; p < 4; p++) s.player_controller[p] = p;

  for (uint16_t& word : s.dip_words) word = 0xFFFF;
  const adapter_dip_switch* dips = fe.adapter->dip_switches;
  for (int32_t i = 0; dips && i < fe.adapter->dip_switch_count; i++) {
    int32_t w = dips[i].word;
    if (w < 0 || w >= FE_MAX_DIP_WORDS) continue;  // a word the settings cannot hold
    uint16_t mask = dips[i].mask;
    s.dip_words[w] = uint16_t((s.dip_words[w] & ~mask) | (dips[i].default_value & mask));
  }

  for (gadget_config& gadget : s.gadgets) gadget = gadget_config{0, 0, 1, 0, 0};
  s.gadgets[GADGET_FPS].position = 1;
  s.gadgets[GADGET_INPUT_DISPLAY].position = 3;
  return s;
}

void set_default_settings() {
  fe.settings = default_settings();
}

void set_default_bindings() {
  int32_t inputs = fe_input_count();
  for (int32_t i = 0; i < FE_MAX_INPUTS; i++) {
    input_binding& binding = fe.input_bindings[i];
    if (i < inputs && fe.adapter->inputs) {
      const adapter_input& input = fe.adapter->inputs[i];
      binding = input_binding{input.key, input.key2, input.pad_button};
    } else {
      binding = input_binding{-1, -1, -1};
    }
  }
  memcpy(fe.hotkeys, hotkey_defaults, sizeof fe.hotkeys);
}

int load_settings_file() {
  fe.settings_memory_only = 0;
  fe.settings_read_error[0] = '\0';
  if (!fe.settings_path[0]) {  // no usable data folder (start-up says so): nothing to read or write
    fe.settings_memory_only = 1;
    return 0;
  }
  int32_t refusal = FILE_READ_OK;
  char reason[sizeof fe.settings_read_error];
  if (settings_table_load_msg(&fe.settings_file, fe.settings_path, &refusal, reason,
                              sizeof reason)) {
    return 1;
  }
  // A first start: the defaults are written. A link to nothing counts as missing to the reader,
  // but it is the user's, and it is not replaced.
  if (refusal == FILE_MISSING && !path_exists(fe.settings_path)) return 0;
  // Writing now would put the defaults over settings the user still has.
  fe.settings_memory_only = 1;
  snprintf(fe.settings_read_error, sizeof fe.settings_read_error, "%s", reason);
  char line[FILE_MESSAGE_MAX + 128];
  format_file_failure(line, sizeof line, "cannot read settings ", fe.settings_path, reason,
                      "; it is left as it is and this run's settings are not saved");
  log_printf("%s", line);
  return 0;
}

void tell_settings_unreadable() {
  if (!fe.settings_memory_only || !fe.settings_path[0]) return;
  show_failure_toast("Cannot read ", fe.settings_path, fe.settings_read_error,
                     ": settings will not be saved");
}

void apply_loaded_settings() {
  const settings_table* table = &fe.settings_file;
  frontend_settings& s = fe.settings;

  // 1. Paths.
  if (const char* rom = settings_table_get(table, "paths", "rom")) {
    snprintf(fe.rom_path, sizeof fe.rom_path, "%s", rom);
  }
  if (const char* browse = settings_table_get(table, "paths", "browse_dir")) {
    snprintf(fe.browse_dir, sizeof fe.browse_dir, "%s", browse);
  }

  // 2. Integers; a missing, empty or unreadable value keeps the current one.
  for (const int_setting& setting : int_settings) {
    int32_t* field = int_field(&setting);
    *field = settings_table_get_int(table, setting.section, setting.key, *field);
  }
  fe.slot = settings_table_get_int(table, "ui", "slot", fe.slot);
  if (fe.slot < 1 || fe.slot > 10) fe.slot = 1;

  // 3. The audio device's name.
  if (const char* device = settings_table_get(table, "audio", "device")) {
    snprintf(s.device, sizeof s.device, "%s", device);
  }

  // 4, 5. Bindings.
  for (int32_t i = 0; i < fe_input_count(); i++) {
    load_binding("input", input_key(i), &fe.input_bindings[i]);
  }
  for (int32_t h = 0; h < HOTKEY_COUNT; h++) {
    load_binding("hotkeys", hotkey_setting_names[h], &fe.hotkeys[h]);
  }

  // 6. DIP words, kept in 16 bits.
  for (int32_t w = 0; w < fe_dip_word_count(); w++) {
    char key[16];
    snprintf(key, sizeof key, "dsw%d", w + 1);
    s.dip_words[w] = uint16_t(settings_table_get_int(table, "gameplay", key, s.dip_words[w]));
  }

  // 7. Gadgets: as many fields as the value holds numbers, the rest stay.
  for (int32_t k = 0; k < fe_gadget_count(); k++) {
    const char* key = gadget_key(k);
    const char* value = key ? settings_table_get(table, "gadgets", key) : nullptr;
    if (!value) continue;
    int32_t numbers[5];
    int read = read_numbers(value, numbers, 5);
    gadget_fields g = fields_of(&s.gadgets[k]);
    for (int f = 0; f < read; f++) *g.field[f] = numbers[f];
  }

  // 8. Clamps, in field order.
  for (const int_setting& setting : int_settings) {
    int32_t* field = int_field(&setting);
    if (setting.clamp == CLAMP_RANGE) *field = clamp_range(*field, setting.min, setting.max);
    if (setting.clamp == CLAMP_ONE && *field != 1) *field = 0;
  }
  for (gadget_config& gadget : s.gadgets) {
    gadget_fields g = fields_of(&gadget);
    for (int f = 0; f < 5; f++)
      *g.field[f] = clamp_range(*g.field[f], gadget_min[f], gadget_max[f]);
  }
}

// Sets the integer settings of one section, in table order.
static void save_int_section(const char* section) {
  for (const int_setting& setting : int_settings) {
    if (strcmp(setting.section, section) != 0) continue;
    settings_table_set_int(&fe.settings_file, section, setting.key, *int_field(&setting));
  }
}

static void save_binding(const char* section, const char* key, const input_binding* binding) {
  if (!key) return;
  char value[48];
  snprintf(value, sizeof value, "%d,%d,%d", binding->key, binding->alt_key, binding->controller);
  settings_table_set(&fe.settings_file, section, key, value);
}

void save_settings() {
  settings_table* table = &fe.settings_file;
  const frontend_settings& s = fe.settings;

  settings_table_set(table, "paths", "rom", fe.rom_path);
  settings_table_set(table, "paths", "browse_dir", fe.browse_dir);
  save_int_section("display");
  save_int_section("audio");
  settings_table_set(table, "audio", "device", s.device);
  save_int_section("ui");
  settings_table_set_int(table, "ui", "slot", fe.slot);
  save_int_section("input");
  for (int32_t i = 0; i < fe_input_count(); i++) {
    save_binding("input", input_key(i), &fe.input_bindings[i]);
  }
  for (int32_t h = 0; h < HOTKEY_COUNT; h++) {
    save_binding("hotkeys", hotkey_setting_names[h], &fe.hotkeys[h]);
  }
  for (int32_t w = 0; w < fe_dip_word_count(); w++) {
    char key[16], value[16];
    snprintf(key, sizeof key, "dsw%d", w + 1);
    snprintf(value, sizeof value, "0x%04X", unsigned(s.dip_words[w]));
    settings_table_set(table, "gameplay", key, value);
  }
  for (int32_t k = 0; k < fe_gadget_count(); k++) {
    const char* key = gadget_key(k);
    if (!key) continue;
    const gadget_config& g = s.gadgets[k];
    char value[64];
    snprintf(value, sizeof value, "%d,%d,%d,%d,%d", g.enabled, g.position, g.size, g.offset_x,
             g.offset_y);
    settings_table_set(table, "gadgets", key, value);
  }

  if (fe.settings_memory_only) return;  // the file there could not be read: it stays as it is
  char reason[FILE_MESSAGE_MAX] = "";
  if (settings_table_save_msg(table, fe.settings_path, reason, sizeof reason)) {
    report_write_success(WRITE_SETTINGS);
  } else {
    report_write_failure(WRITE_SETTINGS, "Could not write settings to ", fe.settings_path, reason);
  }
}
