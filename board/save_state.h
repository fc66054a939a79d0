// The board save state: the whole machine as one self-contained, little-endian blob
// ("CBLTCORE", version, ROM fingerprint, eight chunks, CRC-32), written and read by one
// field-by-field visitor. state_save returns null only when memory runs out; state_validate
// and state_load return 1 or 0 with the exact message in the caller's buffer (cut to its size,
// always terminated; a null buffer or capacity 0 is allowed). A rejected blob never changes
// the machine or its sound chip.
#pragma once

#include <cstddef>
#include <cstdint>

#include "board/state_stream.h"

struct machine;

enum {
  STATE_VERSION = 1,
  STATE_HEADER_BYTES = 20,  // magic, version, ROM fingerprint, translated-code id
};

// A new blob of the machine in a malloc'd buffer that the caller frees with free(); its length
// goes to *length. Null when memory runs out. The machine is not changed.
uint8_t* state_save(machine* m, size_t* length);

// Runs every check of state_load without changing anything.
int state_validate(machine* m, const uint8_t* blob, size_t length, char* message, size_t capacity);

// Replaces the live machine by the blob's (between frames).
int state_load(machine* m, const uint8_t* blob, size_t length, char* message, size_t capacity);

// The checks and the decoding shared by the two above: a new machine record (the live one
// with the blob's fields decoded over it) that the caller frees with free(), and the sound
// image inside the blob (not copied). Null with the message on failure.
machine* state_parse(machine* m, const uint8_t* blob, size_t length, const uint8_t** sound_image,
                     uint32_t* sound_length, char* message, size_t capacity);

// The visitor over the eight chunks, both directions. Writing, *sound_image and *sound_length
// give the sound state image to store; reading, they receive the image's place in the blob.
void state_serialize(state_stream* s, machine* m, const uint8_t** sound_image,
                     uint32_t* sound_length);
