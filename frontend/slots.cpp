// Slot files: paths, the browser records, save and load. The container format is
// state_container's; this file decides where containers go and what the user is told.
#include "frontend/slots.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "frontend/file_util.h"
#include "frontend/frontend_state.h"
#include "frontend/game_lifecycle.h"
#include "frontend/log.h"
#include "frontend/messages.h"
#include "frontend/state_container.h"

int slot_file_path(int32_t slot, char* path) {
  path[0] = '\0';
  if (slot < 0 || slot >= FE_SLOTS) return 0;
  char file_name[32];
  if (slot == 0) {
    snprintf(file_name, sizeof file_name, "autosave.fest");
  } else {
    snprintf(file_name, sizeof file_name, "slot%02d.fest", slot);
  }
  const game_adapter* game = fe.adapter;
  char folder_name[64];
  snprintf(folder_name, sizeof folder_name, "%s-%08X", game->id,
           game->rom_fingerprint ? game->rom_fingerprint() : 0u);
  char folder[FILE_PATH_MAX];
  if (!path_join_for_writing(folder, sizeof folder, fe.states_dir, folder_name)) {
    snprintf(path, FILE_PATH_MAX, "%s", file_name);  // for messages only
    return 0;
  }
  // A failure to create the folder shows when the file is written.
  path_make_dirs(folder);
  return path_join_for_writing(path, FILE_PATH_MAX, folder, file_name);
}

void refresh_slot_info() {
  for (int32_t i = 0; i < FE_SLOTS; i++) {
    slot_info* record = &fe.slots[i];
    record->exists = 0;
    record->usable = 0;
    record->reason[0] = '\0';
    char path[FILE_PATH_MAX];
    uint64_t length = 0;
    uint8_t* data = slot_file_path(i, path) ? read_file(path, &length) : nullptr;
    if (!data) {
      if (record->thumbnail) SDL_DestroyTexture(record->thumbnail);
      record->thumbnail = nullptr;
      continue;
    }
    record->exists = 1;
    size_t state_length = 0;
    record->usable = parse_state_container(data, size_t(length), record, &state_length,
                                           record->reason, sizeof record->reason) != nullptr;
    free(data);
  }
  fe.slots_dirty = 0;
}

int save_slot(int32_t slot) {
  return save_slot_telling(slot, nullptr, 0);
}

int save_slot_telling(int32_t slot, char* reason, size_t reason_size) {
  if (reason && reason_size) reason[0] = '\0';
  if (slot < 0 || slot >= FE_SLOTS) return 0;
  char path[FILE_PATH_MAX];
  const int path_ok = slot_file_path(slot, path);
  const int path_error = errno;
  size_t size = 0;
  uint8_t* container = build_state_container(&size);
  if (!container) {
    show_toast("Save failed: could not serialize the game state");
    if (reason && reason_size) snprintf(reason, reason_size, "could not serialize the game state");
    return 0;
  }
  const int written = path_ok && write_file_atomic(path, container, size);
  const int error = path_ok ? errno : path_error;
  free(container);
  fe.slots_dirty = 1;
  if (!written) {
    show_failure_toast("Save failed: cannot write ", path, error);
    if (reason && reason_size) snprintf(reason, reason_size, "%s", file_error_text(error));
    return 0;
  }
  if (slot == 0) {
    log_printf("autosaved to %s", path);
  } else {
    show_toast("Saved to slot %d", slot);
  }
  return 1;
}

int load_slot(int32_t slot) {
  if (slot < 0 || slot >= FE_SLOTS) return 0;
  char path[FILE_PATH_MAX];
  uint64_t length = 0;
  uint8_t* data = slot_file_path(slot, path) ? read_file(path, &length) : nullptr;
  if (!data) {
    if (slot == 0) {
      show_toast("No autosave yet");
    } else {
      show_toast("Slot %d is empty", slot);
    }
    return 0;
  }
  char message[200] = "";
  const int loaded = load_state_container(data, size_t(length), message, sizeof message);
  free(data);
  if (!loaded) {
    // "Slot 4" or "The autosave": one name, so the autosave's has no empty number after it.
    char name[32] = "The autosave";
    if (slot > 0) snprintf(name, sizeof name, "Slot %d", slot);
    show_error("Cannot load state",
               "%s could not be loaded:\n%s\n\nThe running game was not changed.", name, message);
    return 0;
  }

  resume_from_loaded_state();
  if (slot == 0) {
    show_toast("Continued from autosave");
  } else {
    show_toast("Loaded slot %d", slot);
  }
  return 1;
}
