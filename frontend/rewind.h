// The rewind ring (fe.rewind): zlib-packed board snapshots of the running game, oldest at head,
// bounded by FE_REWIND_CAPACITY entries and by the rewind_mb budget. The frame step adds one
// every fourth frame; the main loop takes the newest back out once per loop while the rewind
// hotkey is held. Each entry is one heap block of exactly its head and packed bytes, so the
// budget bounds the memory the snapshots really hold.
#pragma once

#include <cstdint>

// Frees every snapshot and both arrays and clears the ring; then, with the rewind setting on,
// allocates an empty ring with the budget rewind_mb << 20 (a failed allocation leaves it
// unallocated: no capture, no rewind). start_game calls it, and the Extras page when rewind is
// switched while a game runs.
void reset_rewind_ring();

// A game began running from a state (a slot, a movie, the command line's state file): with the
// rewind setting on and no ring yet, an empty one is allocated; a ring that exists keeps its
// snapshots, as a state load does not clear it.
void ensure_rewind_ring();

// Frees everything the ring holds and clears it (shutdown).
void free_rewind_ring();

// Adds a snapshot of the game now, when the ring is allocated; the oldest ones make room when
// the ring is full or over its budget, but the newest is always kept. The frame step calls it
// when the frame counter is a multiple of 4. 1 when a snapshot was stored; a failure (no state,
// no memory, a compression error) stores nothing and is otherwise silent.
int rewind_capture();

// One step back while the rewind hotkey is held: with two snapshots or more, the newest is
// loaded into the game and dropped (dropped also when it fails to unpack or load), and on
// success the picture is fetched and uploaded again. In every case the audio queue and stream
// are cleared and the pacing accumulator is zeroed; the caller runs no frame in this loop.
// 1 when a snapshot was loaded.
int rewind_step_back();

// The Extras page changed rewind_mb: the budget follows at once; snapshots over it go at the
// next capture.
void rewind_set_budget();

// The history the ring holds: seconds of play (one snapshot per 4 frames) and megabytes stored.
// 0 (and zeros) when the ring is not allocated, so the page hides its row.
int rewind_history(double* seconds, double* megabytes);
