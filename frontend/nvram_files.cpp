// When NVRAM files are written and read.
#include "frontend/nvram_files.h"

#include <cstdio>
#include <cstdlib>

#include "frontend/file_util.h"
#include "frontend/frontend_state.h"
#include "frontend/log.h"

enum { NVRAM_SAVE_CAPACITY = 65536 };

int nvram_file_path(char* out, size_t out_size) {
  const game_adapter* game = fe.adapter;
  uint32_t fingerprint = game->rom_fingerprint ? game->rom_fingerprint() : 0;
  char name[64];
  snprintf(name, sizeof name, "%s-%08X.nv", game->id ? game->id : "", unsigned(fingerprint));
  return path_join(out, out_size, fe.nvram_dir, name);
}

void save_nvram() {
  const game_adapter* game = fe.adapter;
  if (!game->nvram_save || !fe.rom_ready) return;

  // An existing file is left alone unless the EEPROM changed, or the last write failed: the
  // change that write carried was already taken off the dirty flag by nvram_save.
  char path[FILE_PATH_MAX];
  int path_ok = nvram_file_path(path, sizeof path);
  if (path_ok && path_is_file(path) && !fe.nvram_retry) {
    if (!game->nvram_dirty || !game->nvram_dirty()) return;
  }

  uint8_t* buffer = static_cast<uint8_t*>(malloc(NVRAM_SAVE_CAPACITY));
  size_t length = buffer ? game->nvram_save(buffer, NVRAM_SAVE_CAPACITY) : 0;
  if (length > NVRAM_SAVE_CAPACITY) length = NVRAM_SAVE_CAPACITY;
  if (buffer && length == 0) {  // nothing to keep
    free(buffer);
    return;
  }
  // A cut path would name another file: that counts as a failed write.
  if (buffer && path_ok && write_file_atomic(path, buffer, length)) {
    fe.nvram_retry = 0;
  } else {
    log_printf("NVRAM save failed: %s", path);
    fe.nvram_retry = 1;
  }
  free(buffer);
}

void restore_nvram() {
  fe.nvram_retry = 0;  // a retry belonged to the set that was unloaded
  const game_adapter* game = fe.adapter;
  if (!game->nvram_load || !fe.rom_ready) return;
  char path[FILE_PATH_MAX];
  if (!nvram_file_path(path, sizeof path)) return;
  // No file of the game's can be larger than the save buffer it is written from.
  uint64_t size = 0;
  int32_t refusal = FILE_READ_OK;
  char reason[FILE_MESSAGE_MAX] = "";
  uint8_t* bytes =
      read_file_limited(path, NVRAM_SAVE_CAPACITY, &size, &refusal, reason, sizeof reason);
  if (!bytes) {
    if (refusal == FILE_NOT_REGULAR) {
      log_printf("NVRAM file ignored: %s", reason);
    } else if (refusal != FILE_MISSING) {
      log_printf("NVRAM file %s ignored (%s)", path, reason);
    }
    return;
  }
  if (game->nvram_load(bytes, size_t(size))) {
    log_printf("NVRAM restored from %s", path);
  } else {
    log_printf("NVRAM file %s ignored (unexpected size %zu)", path, size_t(size));
  }
  free(bytes);
}
