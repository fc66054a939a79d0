// The settings model: the defaults of every user choice in fe.settings and of the input and
// hotkey bindings, the reading of settings.ini's table into them with the clamps that keep
// every value usable as an index, and the writing of all of it back to settings.ini. Reading the
// file into fe.settings_file (settings_table_load) and the feature and command-line overrides
// that follow are start-up's.
#pragma once

#include "frontend/frontend_state.h"

// [hotkeys] keys, in hotkey_id order.
extern const char* const hotkey_setting_names[HOTKEY_COUNT];

// Every field at its default for the installed descriptor (the DIP words from its switches, the
// rotation from it); the rest of the record is zero.
frontend_settings default_settings();

// fe.settings = default_settings(). The ROM path, the browser folder, the slot and the bindings
// are left alone.
void set_default_settings();

// Every input binding from its adapter input's key, second key and controller button (bindings
// beyond the descriptor's inputs become -1), every hotkey binding to its default.
void set_default_bindings();

// Reads settings.ini into fe.settings_file. 1 when it was read. A missing file gives 0 quietly;
// one that is there but cannot be read (no permission, not a regular file, ...) gives 0 and is
// never written over: fe.settings_memory_only is set, the log says why, and start-up tells the
// user (tell_settings_unreadable).
int load_settings_file();

// The toast for a settings.ini that could not be read; nothing when it was read or missing.
void tell_settings_unreadable();

// Applies what fe.settings_file holds over the current values, then clamps every field to its
// range. Call only when settings.ini was read: a missing file leaves the defaults as they are.
void apply_loaded_settings();

// Sets every key into fe.settings_file (keys it does not know stay) and writes settings.ini,
// unless the file could not be read at start-up (fe.settings_memory_only). A failed write is
// reported once with its reason ("Could not write settings to %s (%s)": a toast, then the log
// when the reason changes) and changes nothing else.
void save_settings();
