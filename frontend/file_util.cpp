// Paths, whole-file reads and atomic writes, folder creation and listings, straight over the
// POSIX calls. Nothing here logs; where a caller needs words for a failure, they go into its
// message buffer. Every open looks at what is under the name first, so that no FIFO, device or
// folder is ever read from or written into.
#include "frontend/file_util.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

static int file_is_separator(char c) {
  return c == '/' || c == '\\';
}

// Copies src into out, cut to fit; out_size 0 writes nothing.
static void file_copy_cut(char* out, size_t out_size, const char* src) {
  if (out_size == 0) return;
  snprintf(out, out_size, "%s", src);
}

int path_join(char* out, size_t out_size, const char* folder, const char* name) {
  size_t folder_length = strlen(folder);
  const char* separator =
      (folder_length > 0 && file_is_separator(folder[folder_length - 1])) ? "" : "/";
  if (out_size == 0) return 0;
  int needed = snprintf(out, out_size, "%s%s%s", folder, separator, name);
  return needed >= 0 && (size_t)needed < out_size;
}

const char* path_basename(const char* path) {
  const char* base = path;
  for (const char* p = path; *p; p++) {
    if (file_is_separator(*p)) base = p + 1;
  }
  return base;
}

void path_parent(const char* path, char* out, size_t out_size) {
  if (out_size == 0) return;
  file_copy_cut(out, out_size, path);
  char* last = nullptr;
  for (char* p = out; *p; p++) {
    if (file_is_separator(*p)) last = p;
  }
  if (!last) {
    out[0] = '\0';
  } else if (last == out) {
    out[1] = '\0';  // the root: the separator alone
  } else if (last == out + 2 && out[1] == ':') {
    out[3] = '\0';  // a drive root keeps its separator
  } else {
    *last = '\0';
  }
}

int path_is_file(const char* path) {
  struct stat st;
  return stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

int path_is_dir(const char* path) {
  struct stat st;
  return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

int path_make_dirs(const char* path) {
  char buffer[FILE_PATH_MAX];
  // A cut path would create folders the caller never named and then answer for them.
  if (strlen(path) >= sizeof buffer) {
    errno = ENAMETOOLONG;
    return 0;
  }
  file_copy_cut(buffer, sizeof buffer, path);
  size_t length = strlen(buffer);
  while (length > 1 && file_is_separator(buffer[length - 1])) buffer[--length] = '\0';

  for (size_t i = 1; i < length; i++) {
    if (!file_is_separator(buffer[i])) continue;
    if (i == 2 && buffer[1] == ':') continue;  // "C:\" is no folder to create
    char saved = buffer[i];
    buffer[i] = '\0';
    // A failure here shows up when the whole path is made below.
    if (!path_is_dir(buffer)) mkdir(buffer, 0755);
    buffer[i] = saved;
  }

  if (path_is_dir(buffer)) return 1;
  if (mkdir(buffer, 0755) == 0) return 1;
  const int error = errno == EEXIST ? ENOTDIR : errno;  // EEXIST: something else is there
  if (path_is_dir(buffer)) return 1;                    // another writer made it meanwhile
  errno = error;
  return 0;
}

// What a node that is not a regular file is, for messages.
static const char* file_kind(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

void message_printf(char* msg, size_t msg_size, const char* format, ...) {
  if (!msg || msg_size == 0) return;
  va_list args;
  va_start(args, format);
  vsnprintf(msg, msg_size, format, args);
  va_end(args);
}

void file_error_text(int error, char* msg, size_t msg_size) {
  char text[128];
  message_printf(text, sizeof text, "%s", strerror(error));
  text[0] = (char)tolower((unsigned char)text[0]);
  message_printf(msg, msg_size, "%s", text);
}

static void file_not_regular_message(char* msg, size_t msg_size, const char* path, mode_t mode) {
  message_printf(msg, msg_size, "%s is not a file (%s)", path, file_kind(mode));
}

int file_open_read(file_reader* reader, const char* path, uint64_t max_size, char* msg,
                   size_t msg_size) {
  reader->fd = -1;
  reader->size = 0;
  reader->refusal = FILE_FAILED;
  // Looked at before opening: opening a FIFO waits for a writer, opening a device can act.
  struct stat st;
  if (stat(path, &st) != 0) {
    if (errno == ENOENT) reader->refusal = FILE_MISSING;
    file_error_text(errno, msg, msg_size);
    return 0;
  }
  if (!S_ISREG(st.st_mode)) {
    reader->refusal = FILE_NOT_REGULAR;
    file_not_regular_message(msg, msg_size, path, st.st_mode);
    return 0;
  }
  // Without blocking all the same, and checked again: the name may have changed meanwhile.
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) reader->refusal = FILE_MISSING;
    file_error_text(errno, msg, msg_size);
    return 0;
  }
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    reader->refusal = FILE_NOT_REGULAR;
    file_not_regular_message(msg, msg_size, path, st.st_mode);
    close(fd);
    return 0;
  }
  if (uint64_t(st.st_size) > max_size) {
    reader->refusal = FILE_TOO_LARGE;
    message_printf(msg, msg_size, "file is too large");
    close(fd);
    return 0;
  }
  reader->refusal = FILE_READ_OK;
  reader->fd = fd;
  reader->size = uint64_t(st.st_size);
  return 1;
}

int file_read_at(const file_reader* reader, uint64_t offset, void* out, size_t length) {
  uint8_t* at = static_cast<uint8_t*>(out);
  while (length > 0) {
    const ssize_t got = pread(reader->fd, at, length, off_t(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got == 0) errno = EIO;  // the file ended early: it shrank meanwhile
    if (got <= 0) return 0;
    at += got;
    offset += uint64_t(got);
    length -= size_t(got);
  }
  return 1;
}

void file_close_read(file_reader* reader) {
  if (reader->fd >= 0) close(reader->fd);
  reader->fd = -1;
}

uint8_t* read_file_limited(const char* path, uint64_t max_size, uint64_t* out_length,
                           int32_t* refusal, char* msg, size_t msg_size) {
  if (out_length) *out_length = 0;
  if (refusal) *refusal = FILE_FAILED;
  // One byte for the NUL must still be countable.
  if (max_size > uint64_t(SIZE_MAX) - 1) max_size = uint64_t(SIZE_MAX) - 1;
  file_reader reader;
  if (!file_open_read(&reader, path, max_size, msg, msg_size)) {
    if (refusal) *refusal = reader.refusal;
    return nullptr;
  }
  uint8_t* data = static_cast<uint8_t*>(malloc(size_t(reader.size) + 1));
  if (!data) {
    message_printf(msg, msg_size, "out of memory");
  } else if (!file_read_at(&reader, 0, data, size_t(reader.size))) {
    file_error_text(errno ? errno : EIO, msg, msg_size);
    free(data);
    data = nullptr;
  }
  const uint64_t size = reader.size;
  file_close_read(&reader);
  if (!data) return nullptr;
  data[size] = 0;
  if (out_length) *out_length = size;
  if (refusal) *refusal = FILE_READ_OK;
  return data;
}

uint8_t* read_file(const char* path, uint64_t* out_length) {
  return read_file_limited(path, UINT64_MAX, out_length, nullptr, nullptr, 0);
}

// Refuses a target that exists and is not a regular file. 1 when path is a regular file or
// nothing is there (or stat cannot tell; the write itself then fails with the reason).
static int file_target_writable(const char* path, char* msg, size_t msg_size) {
  struct stat st;
  if (stat(path, &st) != 0 || S_ISREG(st.st_mode)) return 1;
  file_not_regular_message(msg, msg_size, path, st.st_mode);
  return 0;
}

FILE* file_open_write(const char* path, char* msg, size_t msg_size) {
  if (!file_target_writable(path, msg, msg_size)) return nullptr;
  // Creating through a link to nothing would make a file wherever the link points.
  struct stat link;
  if (lstat(path, &link) == 0 && S_ISLNK(link.st_mode) && !path_is_file(path)) {
    message_printf(msg, msg_size, "%s is a link to a missing file", path);
    return nullptr;
  }
  // Not truncated at opening: only once the opened node is known to be a regular file.
  const int fd = open(path, O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) {
    file_error_text(errno, msg, msg_size);
    return nullptr;
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    file_not_regular_message(msg, msg_size, path, st.st_mode);
    close(fd);
    return nullptr;
  }
  FILE* file = nullptr;
  if (ftruncate(fd, 0) != 0 || fcntl(fd, F_SETFL, 0) != 0 || !(file = fdopen(fd, "wb"))) {
    file_error_text(errno, msg, msg_size);
    close(fd);
    return nullptr;
  }
  return file;
}

// --- the temporary files of atomic writes: ".NAME.XXXXXX.tmp" beside the target

enum {
  TEMP_NAME_PART_MAX = 200,  // of the target's name, so the temporary name stays a legal name
  TEMP_RANDOM_CHARS = 6,
};
static const char TEMP_SUFFIX[] = ".tmp";
static const char TEMP_ALPHABET[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// Six characters that no other write of this or another process is likely to pick; the
// exclusive creation settles the rare collision.
static void temp_random_chars(char* out) {
  static uint64_t counter = 0;
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  uint64_t x = (uint64_t(getpid()) << 40) ^ uint64_t(now.tv_nsec) ^ (uint64_t(now.tv_sec) << 20) ^
               (++counter * 0x9E3779B97F4A7C15ull);
  // splitmix64's finaliser spreads every input bit over the result.
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  x ^= x >> 31;
  for (int i = 0; i < TEMP_RANDOM_CHARS; i++) {
    out[i] = TEMP_ALPHABET[x % (sizeof TEMP_ALPHABET - 1)];
    x /= sizeof TEMP_ALPHABET - 1;
  }
}

// Creates a fresh temporary file for path and opens it for writing; its name goes to temp
// (temp_size bytes). The descriptor, or -1 with errno set.
static int temp_create(const char* path, char* temp, size_t temp_size) {
  const char* name = path_basename(path);
  const int folder_length = int(name - path);
  int name_length = int(strlen(name));
  if (name_length > TEMP_NAME_PART_MAX) name_length = TEMP_NAME_PART_MAX;
  for (int attempt = 0; attempt < 100; attempt++) {
    char random[TEMP_RANDOM_CHARS + 1] = "";
    temp_random_chars(random);
    const int needed = snprintf(temp, temp_size, "%.*s.%.*s.%s%s", folder_length, path, name_length,
                                name, random, TEMP_SUFFIX);
    if (needed < 0 || size_t(needed) >= temp_size) {
      errno = ENAMETOOLONG;
      return -1;
    }
    // Exclusive and not through a link: whatever is already under the name stays untouched.
    const int fd = open(temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// Whether a folder entry's name has the shape temp_create gives: '.', a name, '.', the random
// characters, ".tmp".
static int temp_name_shape(const char* name) {
  const size_t length = strlen(name);
  const size_t suffix = sizeof TEMP_SUFFIX - 1;
  if (length < 2 + 1 + TEMP_RANDOM_CHARS + suffix || name[0] != '.') return 0;
  if (strcmp(name + length - suffix, TEMP_SUFFIX) != 0) return 0;
  const char* random = name + length - suffix - TEMP_RANDOM_CHARS;
  if (random[-1] != '.') return 0;
  for (int i = 0; i < TEMP_RANDOM_CHARS; i++) {
    if (!random[i] || !strchr(TEMP_ALPHABET, random[i])) return 0;
  }
  return 1;
}

int write_file_atomic_msg(const char* path, const void* data, size_t length, char* msg,
                          size_t msg_size) {
  if (!file_target_writable(path, msg, msg_size)) return 0;
  char temp[FILE_PATH_MAX + 64];
  const int fd = temp_create(path, temp, sizeof temp);
  if (fd < 0) {
    file_error_text(errno, msg, msg_size);
    return 0;
  }
  FILE* file = fdopen(fd, "wb");
  if (!file) {
    file_error_text(errno, msg, msg_size);
    close(fd);
    unlink(temp);
    return 0;
  }
  errno = 0;
  const size_t written = length ? fwrite(data, 1, length, file) : 0;
  int error = written == length ? 0 : (errno ? errno : EIO);
  if (fflush(file) != 0 && !error) error = errno ? errno : EIO;
  // A deferred write error (a full disk, a network file system) may only surface at close.
  if (fclose(file) != 0 && !error) error = errno ? errno : EIO;
  if (!error && rename(temp, path) != 0) error = errno;
  if (error) {
    unlink(temp);
    file_error_text(error, msg, msg_size);
    return 0;
  }
  return 1;
}

int write_file_atomic(const char* path, const void* data, size_t length) {
  return write_file_atomic_msg(path, data, length, nullptr, 0);
}

int remove_stale_temp_files(const char* folder) {
  DIR* dir = opendir(folder);
  if (!dir) return 0;
  int removed = 0;
  while (struct dirent* item = readdir(dir)) {
    if (!temp_name_shape(item->d_name)) continue;
    char full[FILE_PATH_MAX];
    struct stat st;
    // Only regular files: a link or a folder of that shape is not one of ours.
    if (!path_join(full, sizeof full, folder, item->d_name) || lstat(full, &st) != 0 ||
        !S_ISREG(st.st_mode)) {
      continue;
    }
    if (unlink(full) == 0) removed++;
  }
  closedir(dir);
  return removed;
}

int path_join_for_writing(char* out, size_t out_size, const char* folder, const char* name) {
  if (folder[0] && path_join(out, out_size, folder, name)) return 1;
  file_copy_cut(out, out_size, name);  // what messages can name; never to be opened
  errno = ENAMETOOLONG;
  return 0;
}

int path_exists(const char* path) {
  struct stat st;
  return lstat(path, &st) == 0 || (errno != ENOENT && errno != ENOTDIR);
}

int home_dir(char* out, size_t out_size) {
  const char* home = getenv("HOME");
  if (home && !home[0]) home = nullptr;
  file_copy_cut(out, out_size, home ? home : "");
  return home != nullptr;
}

int dir_entry_compare(const void* a, const void* b) {
  const dir_entry* x = (const dir_entry*)a;
  const dir_entry* y = (const dir_entry*)b;
  if (x->is_dir != y->is_dir) return x->is_dir ? -1 : 1;
  return strcasecmp(x->name, y->name);
}

int list_dir(const char* folder, dir_entry** out_entries) {
  *out_entries = nullptr;
  int capacity = 64;
  dir_entry* entries = (dir_entry*)malloc(sizeof(dir_entry) * (size_t)capacity);
  if (!entries) return -1;
  DIR* dir = opendir(folder);
  if (!dir) {
    free(entries);
    return -1;
  }

  int count = 0;
  while (struct dirent* item = readdir(dir)) {
    if (item->d_name[0] == '.') continue;
    char full[FILE_PATH_MAX];
    // An entry whose path cannot be formed cannot be opened either.
    if (!path_join(full, sizeof full, folder, item->d_name)) continue;
    struct stat st;
    if (stat(full, &st) != 0) continue;
    if (count == capacity) {
      dir_entry* grown = (dir_entry*)realloc(entries, sizeof(dir_entry) * (size_t)capacity * 2);
      if (!grown) break;  // keep what was listed so far
      entries = grown;
      capacity *= 2;
    }
    file_copy_cut(entries[count].name, sizeof entries[count].name, item->d_name);
    entries[count].is_dir = S_ISDIR(st.st_mode) ? 1 : 0;
    count++;
  }
  closedir(dir);

  qsort(entries, (size_t)count, sizeof(dir_entry), dir_entry_compare);
  *out_entries = entries;
  return count;
}

int list_locations(dir_entry** out_entries) {
  static const char* const FILE_FIXED_LOCATIONS[] = {"/", "/run/media", "/media", "/mnt", "/home"};
  const int capacity = 32;
  *out_entries = nullptr;
  dir_entry* entries = (dir_entry*)calloc((size_t)capacity, sizeof(dir_entry));
  if (!entries) return -1;

  int count = 0;
  // HOME is offered whenever it is set: the user named it, even if it is gone.
  if (home_dir(entries[count].name, sizeof entries[count].name)) entries[count++].is_dir = 1;
  for (const char* location : FILE_FIXED_LOCATIONS) {
    if (!path_is_dir(location)) continue;
    file_copy_cut(entries[count].name, sizeof entries[count].name, location);
    entries[count++].is_dir = 1;
  }
  *out_entries = entries;
  return count;
}
