// The frontend's file-system toolbox: joining and taking apart paths, whole-file reads,
// atomic whole-file writes, folder creation and listings, the home folder and the fixed list
// of starting locations for the ROM browser. Paths are NUL-terminated byte strings; '/' is
// written, '/' and '\' are both recognised. Nothing here logs: every operation answers with
// its result and the caller words the message.
#pragma once

#include <cstddef>
#include <cstdint>

// Size of the path buffers the frontend passes around.
constexpr size_t FILE_PATH_MAX = 2048;

// One row of a folder listing.
struct dir_entry {
  char name[512];  // entry name, cut to 511 characters
  int32_t is_dir;  // 1 = folder (links followed), 0 = anything else
};

// folder + name, with a '/' between them unless the folder already ends in '/' or '\' (an
// empty folder gives "/name"). The result is cut to out_size; 1 when it fit, 0 when it was cut.
int path_join(char* out, size_t out_size, const char* folder, const char* name);

// Pointer into path just after its last '/' or '\' (the whole string when it has none).
const char* path_basename(const char* path);

// The parent folder of path into out: "" for a bare name, "/" for "/x", "C:\" for "C:\x",
// otherwise the path cut at its last separator (so the parent of "/a/b/" is "/a/b").
void path_parent(const char* path, char* out, size_t out_size);

// 1 when the path exists (links followed) and is a regular file / a folder, else 0.
int path_is_file(const char* path);
int path_is_dir(const char* path);

// Creates the folder and every missing folder above it (mode 0755). 1 when path is a folder
// at the end, 0 otherwise (also for a path of FILE_PATH_MAX characters or more), with errno
// telling why the last folder could not be made.
int path_make_dirs(const char* path);

// Reads the whole regular file into a new buffer with a NUL after the data; *out_length (may
// be null) gets the data length without the NUL. Null on any failure. The caller frees the
// buffer with free().
uint8_t* read_file(const char* path, uint64_t* out_length);

// Writes data to "<path>.tmp", flushes and closes it, then renames it over path, so path holds
// either its old content or all of the new. 1 on success; 0 on any failure, in which case no
// temporary file is left behind, the old target is untouched and errno says why.
int write_file_atomic(const char* path, const void* data, size_t length);

// folder + name for a file the program writes, as path_join makes it. 0 with errno set to
// ENAMETOOLONG when the folder is unset ("": a data folder refused for its length) or the
// joined path would be cut: either way writing would make a file under another name. out then
// holds the name alone, for messages only.
int path_join_for_writing(char* out, size_t out_size, const char* folder, const char* name);

// 1 when something exists under the path, even a broken link or a node nobody may read; 0 only
// when the path names nothing (ENOENT, or ENOTDIR for a part of it).
int path_exists(const char* path);

// Why a file operation failed, in the words the messages use ("permission denied", "no space
// left", ...), for an errno value. The text is static.
const char* file_error_text(int error);

// Why reading the file at path failed with errno `error`: "is a folder" or "not a regular file"
// when something other than a file is there, else file_error_text(error).
const char* read_failure_text(const char* path, int error);

// 1 and the value of HOME (cut to fit) when HOME is set and not empty, else 0 and an empty out.
// An empty HOME names no folder: joining names to it would land them in the root.
int home_dir(char* out, size_t out_size);

// Lists the folder: hidden names (leading '.') and entries that cannot be examined are left
// out; folders come first, then names in case-insensitive order. Returns the number of entries
// and the array in *out_entries (allocated even when empty; the caller frees it with free()),
// or -1 and a null array when the folder cannot be opened or memory ran out.
int list_dir(const char* folder, dir_entry** out_entries);

// qsort order of listings: folders before everything else, then strcasecmp of the names.
int dir_entry_compare(const void* a, const void* b);

// The browser's starting places: HOME when set, then "/", "/run/media", "/media", "/mnt" and
// "/home" when they are folders; every entry is marked as a folder. Returns the count and the
// array in *out_entries (the caller frees it with free()), or -1 without memory.
int list_locations(dir_entry** out_entries);
