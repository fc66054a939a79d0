// The rewind ring: allocation, capture with zlib level 1, step back, budget and history.
// Snapshots are packed into one scratch buffer that every capture and step back reuses, then
// copied into a block of exactly their packed size.
#include "frontend/rewind.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>

#include "frontend/audio_output.h"
#include "frontend/frontend_state.h"
#include "frontend/movie_end.h"
#include "frontend/picture.h"
#include "frontend/state_container.h"

enum { REWIND_ENTRY_HEAD = sizeof(rewind_entry) };  // raw and packed sizes before the stream
static_assert(REWIND_ENTRY_HEAD == 8, "an entry's stored size is its packed size + 8");

static uint64_t rewind_budget_bytes() {
  return fe.settings.rewind_mb > 0 ? uint64_t(fe.settings.rewind_mb) << 20 : 0;
}

// The scratch buffer with room for `need` bytes, or null without memory (the old one is kept).
static uint8_t* rewind_scratch(uint64_t need) {
  rewind_ring* ring = &fe.rewind;
  if (need == 0) need = 1;
  if (need > ring->scratch_size) {
    // The old contents are not needed: a fresh block avoids realloc's copy.
    uint8_t* grown = static_cast<uint8_t*>(malloc(size_t(need)));
    if (!grown) return nullptr;
    free(ring->scratch);
    ring->scratch = grown;
    ring->scratch_size = need;
  }
  return ring->scratch;
}

// Frees the entry at index and takes its size off the total.
static void rewind_free_at(int32_t index) {
  rewind_ring* ring = &fe.rewind;
  ring->total -= ring->sizes[index];
  ring->sizes[index] = 0;
  free(ring->entries[index]);
  ring->entries[index] = nullptr;
  ring->count--;
}

static void rewind_drop_oldest() {
  rewind_ring* ring = &fe.rewind;
  rewind_free_at(ring->head);
  ring->head = (ring->head + 1) % ring->capacity;
}

void free_rewind_ring() {
  rewind_ring* ring = &fe.rewind;
  if (ring->entries) {
    for (int32_t i = 0; i < ring->capacity; i++) free(ring->entries[i]);
  }
  free(ring->entries);
  free(ring->sizes);
  free(ring->scratch);
  memset(ring, 0, sizeof *ring);
}

void reset_rewind_ring() {
  free_rewind_ring();
  if (!fe.settings.rewind) return;
  rewind_ring* ring = &fe.rewind;
  ring->entries = static_cast<rewind_entry**>(calloc(FE_REWIND_CAPACITY, sizeof(rewind_entry*)));
  ring->sizes = static_cast<uint64_t*>(calloc(FE_REWIND_CAPACITY, sizeof(uint64_t)));
  if (!ring->entries || !ring->sizes) {
    free_rewind_ring();
    return;
  }
  ring->capacity = FE_REWIND_CAPACITY;
  ring->budget = rewind_budget_bytes();
}

void ensure_rewind_ring() {
  if (fe.settings.rewind && !fe.rewind.entries) reset_rewind_ring();
}

int rewind_capture() {
  rewind_ring* ring = &fe.rewind;
  if (!ring->entries || !fe.adapter->save_state) return 0;
  size_t raw_size = 0;
  uint8_t* blob = fe.adapter->save_state(&raw_size);
  if (!blob) return 0;
  if (raw_size > UINT32_MAX) {
    free(blob);
    return 0;
  }
  uLongf packed_size = compressBound(uLong(raw_size));
  uint8_t* packed = rewind_scratch(packed_size);
  int ok = packed && compress2(packed, &packed_size, blob, uLong(raw_size), 1) == Z_OK;
  free(blob);
  if (!ok) return 0;
  rewind_entry* entry = static_cast<rewind_entry*>(malloc(REWIND_ENTRY_HEAD + packed_size));
  if (!entry) return 0;
  entry->raw_size = uint32_t(raw_size);
  entry->packed_size = uint32_t(packed_size);
  memcpy(entry->data, packed, packed_size);

  if (ring->count == ring->capacity) rewind_drop_oldest();
  int32_t at = (ring->head + ring->count) % ring->capacity;
  ring->entries[at] = entry;
  ring->sizes[at] = REWIND_ENTRY_HEAD + uint64_t(packed_size);
  ring->total += ring->sizes[at];
  ring->count++;
  while (ring->total > ring->budget && ring->count > 1) rewind_drop_oldest();
  return 1;
}

int rewind_step_back() {
  rewind_ring* ring = &fe.rewind;
  int loaded = 0;
  if (ring->entries && ring->count >= 2) {
    int32_t newest = (ring->head + ring->count - 1) % ring->capacity;
    const rewind_entry* entry = ring->entries[newest];
    uint8_t* raw = rewind_scratch(entry->raw_size);
    uLongf raw_size = entry->raw_size;
    if (raw && uncompress(raw, &raw_size, entry->data, entry->packed_size) == Z_OK &&
        raw_size == entry->raw_size) {
      char message[128];
      loaded = load_state_blob(raw, raw_size, message, sizeof message);
    }
    // A snapshot that cannot be used is dropped all the same; the game stays where it was.
    rewind_free_at(newest);
    if (loaded) {
      movie_stop_all();  // the game went back to where the movie's words never led
      fetch_frame();
      upload_frame();
    }
  }
  clear_audio();
  fe.accumulator = 0.0;
  return loaded;
}

void rewind_set_budget() {
  fe.rewind.budget = rewind_budget_bytes();
}

int rewind_history(double* seconds, double* megabytes) {
  const rewind_ring* ring = &fe.rewind;
  *seconds = 0.0;
  *megabytes = 0.0;
  if (!ring->entries) return 0;
  if (fe.adapter->fps > 0.0) *seconds = ring->count * 4.0 / fe.adapter->fps;
  *megabytes = double(ring->total) / 1048576.0;
  return 1;
}
