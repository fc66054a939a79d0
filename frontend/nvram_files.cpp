// When NVRAM files are written and read.
#include "frontend/nvram_files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "frontend/file_util.h"
#include "frontend/frontend_state.h"
#include "frontend/log.h"
#include "frontend/messages.h"

enum { NVRAM_SAVE_CAPACITY = 65536 };

int nvram_file_path(char* out, size_t out_size) {
  const game_adapter* game = fe.adapter;
  uint32_t fingerprint = game->rom_fingerprint ? game->rom_fingerprint() : 0;
  char name[64];
  snprintf(name, sizeof name, "%s-%08X.nv", game->id ? game->id : "", unsigned(fingerprint));
  return path_join_for_writing(out, out_size, fe.nvram_dir, name);
}

// The file the restore could not take is about to be written over: it moves to "<name>.bad"
// first (replacing an older copy), so the scores in it stay at hand. 0 with the reason in msg
// when it cannot be moved; the write must not happen then.
static int keep_damaged_file(const char* path, char* msg, size_t msg_size) {
  char kept[FILE_PATH_MAX];
  const int n = snprintf(kept, sizeof kept, "%s.bad", path);
  int error = n < 0 || size_t(n) >= sizeof kept ? ENAMETOOLONG : 0;
  if (!error && rename(path, kept) == 0) {
    log_printf("NVRAM file %s was not loaded; kept as %s", path, kept);
  } else if (!error) {
    error = errno == ENOENT ? 0 : errno;  // ENOENT: it went meanwhile, nothing is lost by writing
  }
  if (error) {
    char reason[128];
    file_error_text(error, reason, sizeof reason);
    message_printf(msg, msg_size, "the unread file cannot be kept as %s.bad: %s",
                   path_basename(path), reason);
    return 0;
  }
  fe.nvram_damaged = 0;
  return 1;
}

void save_nvram() {
  const game_adapter* game = fe.adapter;
  if (!game->nvram_save || !fe.rom_ready) return;

  // An existing file is left alone unless the EEPROM changed, or the last write failed: the
  // change that write carried was already taken off the dirty flag by nvram_save.
  char path[FILE_PATH_MAX];
  char reason[FILE_MESSAGE_MAX] = "";
  int path_ok = nvram_file_path(path, sizeof path);
  if (!path_ok) file_error_text(errno, reason, sizeof reason);
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
  if (!buffer) message_printf(reason, sizeof reason, "out of memory");
  // A cut path would name another file: that counts as a failed write.
  const int written = buffer && path_ok &&
                      (!fe.nvram_damaged || keep_damaged_file(path, reason, sizeof reason)) &&
                      write_file_atomic_msg(path, buffer, length, reason, sizeof reason);
  free(buffer);
  if (written) {
    fe.nvram_retry = 0;
    report_write_success(WRITE_NVRAM);
  } else {
    report_write_failure(WRITE_NVRAM, "NVRAM save failed: ", path, reason);
    fe.nvram_retry = 1;
  }
}

void restore_nvram() {
  fe.nvram_retry = 0;  // a retry and a damaged file belonged to the set that was unloaded
  fe.nvram_damaged = 0;
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
      log_printf("NVRAM file ignored: %s", reason);  // the write refuses it too: it stays
    } else if (refusal != FILE_MISSING) {
      log_printf("NVRAM file %s ignored (%s)", path, reason);
      fe.nvram_damaged = 1;  // too large or unreadable: kept before it is written over
    }
    return;
  }
  if (game->nvram_load(bytes, size_t(size))) {
    log_printf("NVRAM restored from %s", path);
  } else {
    log_printf("NVRAM file %s ignored (unexpected size %zu)", path, size_t(size));
    fe.nvram_damaged = 1;
  }
  free(bytes);
}
