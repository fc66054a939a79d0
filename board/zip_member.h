// Member lookup and extraction in a zip archive (libzip), as the ROM set check and the loader
// need them: a member matches a name by its base name (the part after the last '/'), ignoring
// ASCII case, and only the first match in directory order counts. Opening goes through
// zip_open_archive; closing the archive is the caller's.
#pragma once

#include <cstddef>
#include <cstdint>

typedef struct zip zip_t;

// Opens the archive at `path` for reading, never blocking: what is under the name (links
// followed) must be a regular file, so a FIFO, a folder or a device is refused without being
// opened, and what was opened is checked again. Null when it cannot be had, with the reason as
// one sentence in `reason` (cut to `reason_size`, always terminated; null or 0 is allowed): "It
// is a folder.", "It is a link to a missing file.", "No such file or directory.", "Not a zip
// archive.". The caller closes the archive (zip_discard).
zip_t* zip_open_archive(const char* path, char* reason, size_t reason_size);

// 1 when the base name of `member` equals `name` ignoring ASCII case.
int zip_name_matches(const char* member, const char* name);

// Index of the first member in directory order whose base name matches `name`, or -1. Members
// whose directory entry cannot be read are skipped. When found and `size`/`crc` are not null,
// they receive the directory's uncompressed size and CRC-32.
int64_t zip_find_member(zip_t* archive, const char* name, uint64_t* size, uint32_t* crc);

// Extracts the first member that matches `name` into a new heap buffer and stores its length
// in `size`. Null when no member matches or when extracting the first match fails (later
// matches are not tried); then `reason` (cut to `reason_size`, always terminated; null or 0 is
// allowed) says why, in libzip's words where libzip refused ("CRC error"). The caller frees the
// buffer with free().
uint8_t* zip_extract_member(zip_t* archive, const char* name, size_t* size, char* reason,
                            size_t reason_size);
