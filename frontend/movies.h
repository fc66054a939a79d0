// Input movies, "FEMOVIE1" files under movies/: the magic, the length L of the starting point
// (u32 little-endian), L bytes of a "FESTATE1" container, then one u32 input word per frame to
// the end of the file. Recording appends the word of every frame to an open file; playback holds
// the whole file in fe.movie_data and feeds its words to the frame step instead of the live
// bindings. Recording and playback are never both active.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frontend/movie_end.h"  // stopping a movie
#include "frontend/state_container.h"

// Largest movie file: the head, the largest starting point read and 64 MiB of input words
// (more than 77 hours at 60 frames a second). Playback refuses a larger file unread, and a
// recording ends ("Recording saved") before it would grow past this.
constexpr uint64_t MOVIE_FILE_MAX = 12 + uint64_t(STATE_CONTAINER_FILE_MAX) + (64ull << 20);

// "Record Input Movie": stops any movie, writes a new "movie-%Y%m%d-%H%M%S.femv" with the game's
// state now, and keeps it open for the frame step's words ("REC <name>" overlay). A failure
// toasts and leaves no file behind. The menu closes and the game resumes in every case.
void movie_start_recording();

// Stops any movie, then loads the starting point of the newest movie and starts its playback
// ("PLAY <name>"), or tells why not (a toast, or the "Cannot play movie" dialog, with the running
// game untouched). It leaves the menu open: the caller resumes when fe.movie_data is set.
void play_latest_movie();

// Where the parts of a movie file lie once its bytes have been checked.
struct movie_view {
  const uint8_t* blob;  // the starting point's state blob, inside the file's bytes
  size_t blob_size;     // its length
  uint64_t first_word;  // offset of the first frame's input word
};

// Checks the bytes of a movie file as playback does before it loads anything: the head, the
// length of the starting point and the starting point itself (parse_state_container, which asks
// the game's validate_state). 1 with *view filled; 0 when the file is no movie at all (msg holds
// the toast "Movie file is not valid" or "Movie file is truncated"); -1 when its starting point
// was refused (msg holds the reason). Changes nothing.
int movie_parse(const uint8_t* data, uint64_t size, movie_view* view, char* msg, size_t msg_size);

// Frame step, step 1: with a playback held, the frame's word goes to *word and 1 is returned;
// when fewer than 4 bytes remain, the movie ends (movie_stop_all) and the word is 0. Without a
// playback 0 is returned and the caller reads the bindings.
int movie_next_word(uint32_t* word);

// Frame step, step 3: appends the word to an open recording (4 bytes, little-endian; a failed
// write is not noticed, the file keeps what reached it). A word that would take the file past
// MOVIE_FILE_MAX ends the recording instead.
void movie_record_word(uint32_t word);
