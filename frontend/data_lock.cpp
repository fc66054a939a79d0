// The data folder's lock file and its descriptor, held for the whole run.
#include "frontend/data_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "frontend/file_util.h"

static int lock_fd = -1;  // the open lock file while the lock is held, else -1

int data_folder_lock(const char* data_dir, char* msg, size_t msg_size) {
  if (msg && msg_size) msg[0] = '\0';
  data_folder_unlock();
  char path[FILE_PATH_MAX];
  if (!path_join(path, sizeof path, data_dir, "frontend.lock")) {
    if (msg && msg_size) snprintf(msg, msg_size, "the lock file's path is too long");
    return 1;
  }
  // Not through a link, never blocking (a FIFO planted under the name), only a regular file.
  const int fd =
      open(path, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    char reason[128] = "not a regular file";
    if (fd < 0) file_error_text(errno, reason, sizeof reason);
    if (msg && msg_size) snprintf(msg, msg_size, "cannot lock %s: %s", path, reason);
    if (fd >= 0) close(fd);
    return 1;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    close(fd);
    if (error == EWOULDBLOCK) return 0;
    char reason[128];
    file_error_text(error, reason, sizeof reason);
    if (msg && msg_size) snprintf(msg, msg_size, "cannot lock %s: %s", path, reason);
    return 1;
  }
  lock_fd = fd;
  return 1;
}

void data_folder_unlock() {
  if (lock_fd < 0) return;
  close(lock_fd);  // drops the lock
  lock_fd = -1;
}
