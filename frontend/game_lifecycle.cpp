// Loading and switching ROM sets, starting and stopping the game.
#include "frontend/game_lifecycle.h"

#include <cstdio>
#include <cstdlib>

#include "frontend/audio_output.h"
#include "frontend/bindings.h"
#include "frontend/file_util.h"
#include "frontend/frontend_state.h"
#include "frontend/log.h"
#include "frontend/messages.h"
#include "frontend/movie_end.h"
#include "frontend/nvram_files.h"
#include "frontend/page_stack.h"
#include "frontend/rewind.h"
#include "frontend/settings_model.h"
#include "frontend/slots.h"

int load_rom(const char* path) {
  char wanted[FILE_PATH_MAX];
  snprintf(wanted, sizeof wanted, "%s", path ? path : "");
  fe.running = 0;

  // The set that goes keeps its EEPROM, then leaves before the new one is tried.
  save_nvram();
  if (fe.adapter->unload) fe.adapter->unload();
  fe.rom_ready = 0;

  if (!wanted[0]) {
    snprintf(fe.rom_status, sizeof fe.rom_status, "No ROM selected.");
    return 0;
  }
  char message[512] = "";
  if (!fe.adapter->load_rom || !fe.adapter->load_rom(wanted, message, sizeof message)) {
    if (!fe.adapter->load_rom) snprintf(message, sizeof message, "this game cannot load ROM sets");
    snprintf(fe.rom_status, sizeof fe.rom_status, "%s", message);
    log_printf("ROM %s rejected: %s", wanted, message);
    return 0;
  }
  snprintf(fe.rom_path, sizeof fe.rom_path, "%s", wanted);
  fe.rom_ready = 1;
  fe.rom_status[0] = '\0';
  restore_nvram();
  fe.slots_dirty = 1;
  log_printf("ROM loaded: %s (fingerprint %08X)", wanted,
             fe.adapter->rom_fingerprint ? fe.adapter->rom_fingerprint() : 0u);
  return 1;
}

void start_game() {
  if (!fe.rom_ready) return;
  movie_stop_all();
  if (fe.adapter->set_dip_switches) fe.adapter->set_dip_switches(fe.settings.dip_words);
  if (fe.adapter->reset) fe.adapter->reset();
  fe.running = 1;
  fe.paused = 0;
  fe.frame_counter = 0;
  release_inputs();
  fe.release_wait = 1;
  clear_audio();
  reset_rewind_ring();
  fe.accumulator = 0.0;
}

void stop_game(int32_t autosave) {
  save_nvram();
  if (autosave && fe.running && fe.feature_enabled[FEATURE_SAVE_STATES]) save_slot(0);
  movie_stop_all();
  fe.running = 0;
  release_inputs();
  clear_audio();
}

void rom_selection_forget() {
  free(fe.browse_entries);
  fe.browse_entries = nullptr;
  fe.browse_count = 0;
  fe.browse_at_locations = 0;
  fe.browse_listed = 0;
}

int check_rom_or_say_why(const char* path) {
  char message[512] = "";
  if (fe.adapter->check_rom && fe.adapter->check_rom(path, message, sizeof message)) return 1;
  if (!fe.adapter->check_rom) snprintf(message, sizeof message, "this game cannot load ROM sets");
  show_error("ROM not usable", "%s\n\n%s\n\nExpected: %s (standard set, unmodified).",
             path_basename(path ? path : ""), message, fe.adapter->rom_archive);
  return 0;
}

void switch_rom(const char* path) {
  const char* name = path_basename(path ? path : "");
  if (!check_rom_or_say_why(path)) return;
  if (fe.running) {
    // The question's "Yes" loads the path kept here (confirm action 10), whole.
    snprintf(fe.pending_rom_path, sizeof fe.pending_rom_path, "%s", path);
    show_confirm(CONFIRM_SWITCH_ROM, 0, "Switch to %s? The current game will end.", name);
    return;
  }
  if (load_rom(path)) {
    save_settings();
    show_toast("ROM ready: %s", path_basename(fe.rom_path));
    if (fe.menu.depth > 0) menu_pop_page();
    rom_selection_forget();  // the browser's visit ended with the switch
  } else {
    show_error("ROM not usable", "%s", fe.rom_status);
  }
}
