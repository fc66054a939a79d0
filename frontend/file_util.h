// The frontend's file-system toolbox: joining and taking apart paths, whole-file reads,
// atomic whole-file writes, folder creation and listings, the home folder and the fixed list
// of starting locations for the ROM browser. Paths are NUL-terminated byte strings; '/' is
// written, '/' and '\' are both recognised. Nothing here logs: every operation answers with
// its result and the caller words the message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

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

// Largest message the functions below write: a path and a few words.
enum { FILE_MESSAGE_MAX = FILE_PATH_MAX + 64 };

// Formats a message into a caller's buffer, cut to fit and always terminated; a null buffer or
// a size of 0 writes nothing.
void message_printf(char* msg, size_t msg_size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// The system's words for an error number, starting in lower case, into msg: "permission
// denied", "no space left on device", "file too large".
void file_error_text(int error, char* msg, size_t msg_size);

// Why a file was not read, for callers that word their own messages.
enum file_refusal {
  FILE_READ_OK = 0,
  FILE_MISSING = 1,      // nothing under the name (or a link to nothing)
  FILE_NOT_REGULAR = 2,  // a folder, a FIFO, a device, a socket
  FILE_TOO_LARGE = 3,    // larger than the reader's bound
  FILE_FAILED = 4,       // the system refused (permission, an I/O error, no memory)
};

// A regular file opened for reading.
struct file_reader {
  int fd;           // the open descriptor, -1 when none
  uint64_t size;    // its size in bytes when it was opened
  int32_t refusal;  // file_refusal of the last open
};

// Opens path for reading without ever blocking: what is under the name (links followed) must be
// a regular file of at most max_size bytes, and what was opened is checked again. 1 with the
// reader filled; 0 with the reason in msg: "PATH is not a file (a FIFO)" (a folder, a device, a
// socket...), "file is too large", or the system's words ("permission denied", "no such file
// or directory"). Opening something that is not a regular file is never tried, so a FIFO or a
// device is not even opened. The caller closes an opened reader with file_close_read.
int file_open_read(file_reader* reader, const char* path, uint64_t max_size, char* msg,
                   size_t msg_size);

// Reads exactly length bytes from offset. 1 when all of them arrived.
int file_read_at(const file_reader* reader, uint64_t offset, void* out, size_t length);

// Closes the reader's descriptor (nothing when none is open).
void file_close_read(file_reader* reader);

// The whole regular file of at most max_size bytes (file_open_read's checks and messages) in a
// new buffer with a NUL after the data; *out_length (may be null) gets the data length without
// the NUL, *refusal (may be null) the file_refusal. Null on any failure, with the reason in msg.
// The caller frees the buffer with free().
uint8_t* read_file_limited(const char* path, uint64_t max_size, uint64_t* out_length,
                           int32_t* refusal, char* msg, size_t msg_size);

// read_file_limited without a size bound or a message. The program's own readers all pass a
// bound; this is the plain whole-file read.
uint8_t* read_file(const char* path, uint64_t* out_length);

// Opens path for writing from its start, as a stream (the caller closes it with fclose): a
// missing file is created (mode 0666 less the umask), an existing regular file is truncated,
// and anything else under the name (a device, a FIFO, a folder, a link to one of them, a link
// to nothing) is refused without being opened for writing, so opening never blocks, never
// writes into a device and never creates a file elsewhere. Null with the reason in msg ("PATH
// is not a file (a device)", "permission denied").
FILE* file_open_write(const char* path, char* msg, size_t msg_size);

// Writes data to a temporary file of its own in the target's folder (created exclusively,
// never through a link, named ".NAME.XXXXXX.tmp" with a fresh XXXXXX every time, so two writers
// never share one), flushes and closes it, then renames it over path, so path holds either its
// old content or all of the new. A target that exists and is not a regular file (a device, a
// FIFO, a folder, a socket, a link to one) is refused and left alone; a missing target is
// created. 1 on success; 0 on any failure, in which case the temporary file is removed, the old
// target is untouched and msg (may be null) says why.
int write_file_atomic_msg(const char* path, const void* data, size_t length, char* msg,
                          size_t msg_size);

// write_file_atomic_msg without the message.
int write_file_atomic(const char* path, const void* data, size_t length);

// Removes, in folder only, the regular files whose names have the shape of the temporary files
// of write_file_atomic_msg (left behind by a run that was killed while writing); nothing else is
// touched. Only call it while no other writer can be at work there. The number removed.
int remove_stale_temp_files(const char* folder);

// folder + name for a file the program writes, as path_join makes it. 0 with errno set to
// ENAMETOOLONG when the folder is unset ("": a data folder refused for its length) or the
// joined path would be cut: either way writing would make a file under another name. out then
// holds the name alone, for messages only.
int path_join_for_writing(char* out, size_t out_size, const char* folder, const char* name);

// 1 when something exists under the path, even a broken link or a node nobody may read; 0 only
// when the path names nothing (ENOENT, or ENOTDIR for a part of it).
int path_exists(const char* path);

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
