// Finds and extracts ROM set members in a zip archive through libzip. Matching is by base name
// without regard to ASCII case, first match in directory order only; the check (rom_set.cpp)
// and the loader (rom_load.cpp) both go through zip_find_member so they always agree on which
// member counts. What a member must contain is the callers' business.
#include "board/zip_member.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// What a node that is not a regular file is, as the sentence of a refusal.
static const char* node_kind_sentence(mode_t mode) {
  if (S_ISDIR(mode)) return "It is a folder.";
  if (S_ISFIFO(mode)) return "It is a FIFO.";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "It is a device.";
  if (S_ISSOCK(mode)) return "It is a socket.";
  return "It is not a regular file.";
}

static void set_sentence(char* reason, size_t reason_size, const char* text) {
  if (reason && reason_size) std::snprintf(reason, reason_size, "%s.", text);
}

zip_t* zip_open_archive(const char* path, char* reason, size_t reason_size) {
  struct stat st;
  // Looked at before opening: opening a FIFO waits for a writer, opening a device can act.
  if (stat(path, &st) != 0) {
    const int error = errno;
    struct stat link;
    if (error == ENOENT && lstat(path, &link) == 0 && S_ISLNK(link.st_mode)) {
      set_sentence(reason, reason_size, "It is a link to a missing file");
    } else {
      set_sentence(reason, reason_size, std::strerror(error));
    }
    return nullptr;
  }
  if (!S_ISREG(st.st_mode)) {
    if (reason && reason_size)
      std::snprintf(reason, reason_size, "%s", node_kind_sentence(st.st_mode));
    return nullptr;
  }
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    set_sentence(reason, reason_size, std::strerror(errno));
    return nullptr;
  }
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || fcntl(fd, F_SETFL, 0) != 0) {
    if (reason && reason_size)
      std::snprintf(reason, reason_size, "%s", node_kind_sentence(st.st_mode));
    close(fd);
    return nullptr;
  }
  int error = 0;
  zip_t* archive = zip_fdopen(fd, 0, &error);
  if (!archive) {
    close(fd);  // left to the caller on failure
    zip_error_t zip_reason;
    zip_error_init_with_code(&zip_reason, error);
    set_sentence(reason, reason_size, zip_error_strerror(&zip_reason));
    zip_error_fini(&zip_reason);
  }
  return archive;
}

static int ascii_lower(int c) {
  return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

int zip_name_matches(const char* member, const char* name) {
  const char* slash = std::strrchr(member, '/');
  const char* base = slash ? slash + 1 : member;
  for (; *base && *name; base++, name++)
    if (ascii_lower((unsigned char)*base) != ascii_lower((unsigned char)*name)) return 0;
  return *base == 0 && *name == 0;
}

int64_t zip_find_member(zip_t* archive, const char* name, uint64_t* size, uint32_t* crc) {
  const zip_int64_t count = zip_get_num_entries(archive, 0);
  for (zip_int64_t i = 0; i < count; i++) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive, (zip_uint64_t)i, 0, &st) != 0) continue;
    if (!(st.valid & ZIP_STAT_NAME) || !st.name || !zip_name_matches(st.name, name)) continue;
    if (size) *size = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
    if (crc) *crc = (st.valid & ZIP_STAT_CRC) ? st.crc : 0;
    return i;
  }
  return -1;
}

static void set_reason(char* reason, size_t reason_size, const char* text) {
  if (reason && reason_size) std::snprintf(reason, reason_size, "%s", text);
}

uint8_t* zip_extract_member(zip_t* archive, const char* name, size_t* size, char* reason,
                            size_t reason_size) {
  uint64_t length = 0;
  const int64_t index = zip_find_member(archive, name, &length, nullptr);
  if (index < 0) {
    set_reason(reason, reason_size, "not in the archive");
    return nullptr;
  }
  if (length > SIZE_MAX - 1) {
    set_reason(reason, reason_size, "too large");
    return nullptr;
  }
  zip_file_t* file = zip_fopen_index(archive, (zip_uint64_t)index, 0);
  if (!file) {  // an unknown compression method or encryption, a damaged local header
    set_reason(reason, reason_size, zip_strerror(archive));
    return nullptr;
  }
  // One spare byte so the final read reaches the end of the member, where libzip checks the
  // CRC-32; a read that ends early (a member shorter than its directory entry) keeps the bytes
  // that arrived and leaves the length check to the caller.
  uint8_t* data = (uint8_t*)std::malloc((size_t)length + 1);
  size_t got = 0;
  const char* failure = data ? nullptr : "out of memory";
  while (!failure) {
    const zip_int64_t n = zip_fread(file, data + got, length + 1 - got);
    if (n < 0) failure = zip_file_strerror(file);
    if (n <= 0) break;
    got += (size_t)n;
    if (got > length) failure = "longer than its directory entry";
  }
  if (failure) {
    set_reason(reason, reason_size, failure);  // before the close frees libzip's text
    std::free(data);
    data = nullptr;
  }
  zip_fclose(file);
  if (data) *size = got;
  return data;
}
