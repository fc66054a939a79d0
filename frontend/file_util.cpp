// Paths, whole-file reads and atomic writes, folder creation and listings, straight over the
// POSIX calls. Messages are the callers' business; these functions only answer.
#include "frontend/file_util.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

uint8_t* read_file(const char* path, uint64_t* out_length) {
  if (out_length) *out_length = 0;
  FILE* file = fopen(path, "rb");
  if (!file) return nullptr;
  // Only regular files have a size worth trusting; a folder can report any seek position.
  struct stat st;
  if (fstat(fileno(file), &st) != 0 || !S_ISREG(st.st_mode) || fseek(file, 0, SEEK_END) != 0) {
    fclose(file);
    return nullptr;
  }
  long size = ftell(file);
  if (size < 0 || fseek(file, 0, SEEK_SET) != 0) {
    fclose(file);
    return nullptr;
  }
  uint8_t* data = (uint8_t*)malloc((size_t)size + 1);
  if (!data) {
    fclose(file);
    return nullptr;
  }
  size_t got = fread(data, 1, (size_t)size, file);
  fclose(file);
  if (got != (size_t)size) {
    free(data);
    return nullptr;
  }
  data[size] = 0;
  if (out_length) *out_length = (uint64_t)size;
  return data;
}

int write_file_atomic(const char* path, const void* data, size_t length) {
  char temp[FILE_PATH_MAX];
  // A cut temporary name could be the target itself, which would then be truncated in place
  // and removed on failure.
  int needed = snprintf(temp, sizeof temp, "%s.tmp", path);
  if (needed < 0 || (size_t)needed >= sizeof temp) return 0;

  FILE* file = fopen(temp, "wb");
  if (!file) return 0;
  size_t written = length ? fwrite(data, 1, length, file) : 0;
  int flushed = fflush(file) == 0;
  // A deferred write error (a full disk, a network file system) may only surface at close.
  int closed = fclose(file) == 0;
  if (written != length || !flushed || !closed || rename(temp, path) != 0) {
    const int error = errno;  // the reason, not the removal's outcome
    remove(temp);
    errno = error;
    return 0;
  }
  return 1;
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

const char* file_error_text(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return "permission denied";
    case ENOSPC:
    case EDQUOT:
      return "no space left";
    case EROFS:
      return "read-only file system";
    case EFBIG:
      return "file too large";
    case ENAMETOOLONG:
      return "path too long";
    case ENOENT:
      return "no such file or folder";
    case ENOTDIR:
      return "not a folder";
    case EISDIR:
      return "is a folder";
    case ELOOP:
      return "too many symbolic links";
    case EMFILE:
    case ENFILE:
      return "too many open files";
    case ENOMEM:
      return "out of memory";
    case EIO:
      return "input/output error";
    case 0:
      return "unknown error";
    default:
      return strerror(error);
  }
}

const char* read_failure_text(const char* path, int error) {
  struct stat st;
  if (stat(path, &st) == 0 && !S_ISREG(st.st_mode)) {
    return S_ISDIR(st.st_mode) ? "is a folder" : "not a regular file";
  }
  return file_error_text(error);
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
