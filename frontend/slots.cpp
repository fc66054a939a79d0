// Slot files: paths, the browser records, save and load. The container format is
// state_container's; this file decides where containers go and what the user is told.
#include "frontend/slots.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frontend/file_util.h"
#include "frontend/frontend_state.h"
#include "frontend/game_resume.h"
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
    int32_t refusal = FILE_MISSING;
    // Only the header and the thumbnail are read: what the pages show of a slot.
    if (slot_file_path(i, path)) {
      record->usable =
          peek_state_container_file(path, record, &refusal, record->reason, sizeof record->reason);
    }
    record->exists = refusal != FILE_MISSING;
    // The row names the slot, and the panel has room for a short text: the file's own name
    // stands for the whole path ("slot03.fest is not a file (a FIFO)").
    const size_t path_length = strlen(path);
    if (refusal == FILE_NOT_REGULAR && strncmp(record->reason, path, path_length) == 0) {
      const char* name = path_basename(path);
      char shorter[sizeof record->reason];
      snprintf(shorter, sizeof shorter, "%s%s", name, record->reason + path_length);
      memcpy(record->reason, shorter, sizeof shorter);
    }
    if (!record->exists) {
      if (record->thumbnail) SDL_DestroyTexture(record->thumbnail);
      record->thumbnail = nullptr;
      record->reason[0] = '\0';
    }
  }
  fe.slots_dirty = 0;
}

int save_slot(int32_t slot) {
  return save_slot_msg(slot, nullptr, 0);
}

int save_slot_msg(int32_t slot, char* msg, size_t msg_size) {
  if (msg && msg_size) msg[0] = '\0';
  if (slot < 0 || slot >= FE_SLOTS) return 0;
  char path[FILE_PATH_MAX];
  char why[FILE_MESSAGE_MAX] = "";
  const int path_ok = slot_file_path(slot, path);
  if (!path_ok) file_error_text(errno, why, sizeof why);
  size_t size = 0;
  uint8_t* container = build_state_container(&size);
  if (!container) {
    show_toast("Save failed: could not serialize the game state");
    message_printf(msg, msg_size, "could not serialize the game state");
    return 0;
  }
  const int written = path_ok && write_file_atomic_msg(path, container, size, why, sizeof why);
  free(container);
  fe.slots_dirty = 1;
  if (!written) {
    show_failure_toast("Save failed: cannot write ", path, why, "");
    message_printf(msg, msg_size, "%s", why);
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
  int32_t refusal = FILE_MISSING;
  char reason[FILE_MESSAGE_MAX] = "";
  uint8_t* data = slot_file_path(slot, path)
                      ? read_file_limited(path, STATE_CONTAINER_FILE_MAX, &length, &refusal, reason,
                                          sizeof reason)
                      : nullptr;
  if (!data && refusal == FILE_MISSING) {
    if (slot == 0) {
      show_toast("No autosave yet");
    } else {
      show_toast("Slot %d is empty", slot);
    }
    return 0;
  }
  if (!data) {  // something is there, but not a file this program could have written
    if (slot == 0) {
      show_toast("The autosave cannot be read: %s", reason);
    } else {
      show_toast("Slot %d cannot be read: %s", slot, reason);
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
