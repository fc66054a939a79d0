// Recording and playing input movies. The starting point is a state container built and parsed
// by state_container; the per-frame words are read and written here for the frame step.
#include "frontend/movies.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "frontend/audio_output.h"
#include "frontend/bindings.h"
#include "frontend/byte_order.h"
#include "frontend/file_util.h"
#include "frontend/frontend_state.h"
#include "frontend/messages.h"
#include "frontend/movie_end.h"
#include "frontend/page_stack.h"
#include "frontend/rewind.h"
#include "frontend/state_container.h"

static const char MOVIE_MAGIC[8] = {'F', 'E', 'M', 'O', 'V', 'I', 'E', '1'};
enum { MOVIE_HEAD = 12 };  // magic and the container length

// Writes the head and the starting point and pushes them out, so that a full disk shows now
// rather than as a movie without a start. 1 when every byte reached the file.
static int movie_write_start(FILE* file, const uint8_t* container, size_t size) {
  uint8_t head[MOVIE_HEAD];
  memcpy(head, MOVIE_MAGIC, 8);
  le_put_u32(head + 8, uint32_t(size));
  return fwrite(head, 1, sizeof head, file) == sizeof head &&
         fwrite(container, 1, size, file) == size && fflush(file) == 0;
}

void movie_start_recording() {
  movie_stop_all();
  size_t size = 0;
  uint8_t* container = build_state_container(&size);
  if (!container || size > UINT32_MAX) {
    free(container);
    show_toast("Cannot start recording");
    close_menu();
    return;
  }
  char name[64] = "";
  time_t now = time(nullptr);
  struct tm local;
  if (localtime_r(&now, &local)) strftime(name, sizeof name, "movie-%Y%m%d-%H%M%S.femv", &local);
  char path[FILE_PATH_MAX];
  char reason[FILE_MESSAGE_MAX] = "";
  FILE* file = nullptr;
  if (path_join_for_writing(path, sizeof path, fe.movies_dir, name)) {
    file = file_open_write(path, reason, sizeof reason);
  } else {
    file_error_text(errno, reason, sizeof reason);
  }
  if (!file) {
    free(container);
    show_failure_toast("Cannot write ", path, reason, "");
    close_menu();
    return;
  }
  errno = 0;
  int written = movie_write_start(file, container, size);
  if (!written) file_error_text(errno ? errno : EIO, reason, sizeof reason);
  free(container);
  if (!written) {
    fclose(file);
    remove(path);
    show_failure_toast("Cannot write ", path, reason, "");
    close_menu();
    return;
  }
  fe.movie_record = file;
  fe.movie_record_size = MOVIE_HEAD + size;
  snprintf(fe.movie_text, sizeof fe.movie_text, "REC %s", name);
  show_toast("Recording inputs to %s", name);
  close_menu();
}

// The movie to play: the greatest name (byte order) of the entries that are no folder and end
// in exactly ".femv"; the timestamped names make it the newest. 0 when there is none.
static int movie_find_latest(char* newest, size_t newest_size) {
  newest[0] = '\0';
  dir_entry* entries = nullptr;
  int count = list_dir(fe.movies_dir, &entries);
  for (int i = 0; i < count; i++) {
    if (entries[i].is_dir) continue;
    const char* dot = strrchr(entries[i].name, '.');
    if (!dot || strcmp(dot, ".femv") != 0) continue;
    // Only regular files: a FIFO of that name would never give its bytes.
    char path[FILE_PATH_MAX];
    if (!path_join(path, sizeof path, fe.movies_dir, entries[i].name) || !path_is_file(path)) {
      continue;
    }
    if (strcmp(entries[i].name, newest) > 0) snprintf(newest, newest_size, "%s", entries[i].name);
  }
  free(entries);
  return newest[0] != '\0';
}

int movie_parse(const uint8_t* data, uint64_t size, movie_view* view, char* msg, size_t msg_size) {
  if (!data || size < MOVIE_HEAD || memcmp(data, MOVIE_MAGIC, 8) != 0) {
    snprintf(msg, msg_size, "Movie file is not valid");
    return 0;
  }
  // 64-bit sum: a length near 2^32 must not wrap past the check.
  const uint64_t container_size = le_get_u32(data + 8);
  if (size < container_size + MOVIE_HEAD) {
    snprintf(msg, msg_size, "Movie file is truncated");
    return 0;
  }
  size_t state_length = 0;
  const uint8_t* blob = parse_state_container(data + MOVIE_HEAD, size_t(container_size), nullptr,
                                              &state_length, msg, msg_size);
  if (!blob) return -1;
  view->blob = blob;
  view->blob_size = state_length;
  view->first_word = container_size + MOVIE_HEAD;
  return 1;
}

void play_latest_movie() {
  movie_stop_all();
  char name[512];
  if (!movie_find_latest(name, sizeof name)) {
    show_toast("No recorded movies yet");
    return;
  }
  char path[FILE_PATH_MAX];
  uint64_t size = 0;
  char reason[FILE_MESSAGE_MAX] = "";
  uint8_t* data =
      path_join(path, sizeof path, fe.movies_dir, name)
          ? read_file_limited(path, MOVIE_FILE_MAX, &size, nullptr, reason, sizeof reason)
          : nullptr;
  if (!data) {
    show_toast("Cannot read %s: %s", path, reason);
    return;
  }
  char message[200] = "";
  movie_view view = {};
  const int parsed = movie_parse(data, size, &view, message, sizeof message);
  if (parsed == 0) {
    free(data);
    show_toast("%s", message);
    return;
  }
  if (parsed < 0 || !load_state_blob(view.blob, view.blob_size, message, sizeof message)) {
    free(data);
    show_error("Cannot play movie", "%s", message);
    return;
  }
  fe.movie_data = data;
  fe.movie_size = size;
  fe.movie_pos = view.first_word;
  fe.running = 1;
  ensure_rewind_ring();
  release_inputs();
  fe.release_wait = 1;  // as a state load does: a key still held when playback ends waits
  clear_audio();
  snprintf(fe.movie_text, sizeof fe.movie_text, "PLAY %s", name);
}

int movie_next_word(uint32_t* word) {
  if (!fe.movie_data) return 0;
  if (fe.movie_pos > fe.movie_size || fe.movie_size - fe.movie_pos < 4) {
    movie_stop_all();
    *word = 0;
    return 1;
  }
  *word = le_get_u32(fe.movie_data + fe.movie_pos);
  fe.movie_pos += 4;
  return 1;
}

void movie_record_word(uint32_t word) {
  if (!fe.movie_record) return;
  // A longer movie could not be played back: the recording ends where playback's bound is.
  if (fe.movie_record_size + 4 > MOVIE_FILE_MAX) {
    movie_stop_recording();
    return;
  }
  uint8_t bytes[4];
  le_put_u32(bytes, word);
  fwrite(bytes, 1, sizeof bytes, fe.movie_record);
  fe.movie_record_size += 4;
}
