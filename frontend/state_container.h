// The frontend's save-state file, "FESTATE1": a header tying the board's state blob to the game,
// the adapter version and the ROM set, a half-size RGB565 thumbnail of the last picture, the
// blob itself (opaque here) and a CRC-32 over everything. Slots, the autosave, the command line's
// state file and the start of input movies all use it. Also the one guarded road to the game's
// load_state, which every state loader goes through.
//
// Layout, little-endian:
//   0  magic "FESTATE1"            8  version u32 = 1         12 game id char[16]
//   28 adapter version char[32]    60 ROM fingerprint u32     64 save time i64 (seconds, 1970)
//   72 frame counter u32           76 thumbnail width u16     78 thumbnail height u16
//   80 thumbnail, 2 * tw * th bytes of RGB565, then the blob length N u32, the blob, the CRC-32.
#pragma once

#include <cstddef>
#include <cstdint>

struct slot_info;

enum {
  STATE_CONTAINER_VERSION = 1,
  STATE_CONTAINER_THUMB_OFFSET = 80,  // first thumbnail byte
  STATE_CONTAINER_OVERHEAD = 88,      // bytes besides the thumbnail and the blob
  STATE_CONTAINER_ID_BYTES = 16,      // game id field; 15 characters and a NUL at most
  STATE_CONTAINER_VERSION_BYTES = 32,
  STATE_CONTAINER_THUMB_MAX = 1024,  // largest thumbnail width or height a file may claim
  // Largest container file read: the header, the largest thumbnail a file may claim (2 MiB) and
  // room for a state blob ten times the size of the board's (about 1.5 MB).
  STATE_CONTAINER_FILE_MAX = 16 << 20,
};

// A complete container of the running game: its save_state blob, the thumbnail of fe.frame,
// the time now and the low 32 bits of fe.frame_counter. Null when the game gives no blob or
// memory runs out. The caller frees the buffer with free(); its length goes to *size.
uint8_t* build_state_container(size_t* size);

// Checks a container in its format's order and returns the address of the state blob inside
// data (its length in *state_length), or null with the reason in msg. With a slot record, its
// save time, frame counter and thumbnail size are filled once the thumbnail is known to fit, and
// its thumbnail texture is rebuilt on fe.renderer once the whole file checks out. A container
// the game cannot load (validate_state refuses it, or there is no load_state) is refused too.
const uint8_t* parse_state_container(const uint8_t* data, size_t size, slot_info* slot,
                                     size_t* state_length, char* msg, size_t msg_size);

// The slot browser's look at a container file: only its header, thumbnail and length field are
// read, never the state blob. The file must be a regular file of at most
// STATE_CONTAINER_FILE_MAX bytes ("file is too large", "PATH is not a file (a FIFO)"), then the
// checks of parse_state_container apply in their order, but for those that need the blob (the
// checksum and the game's validate_state), which a load makes; the slot record is filled as
// there. 1 when usable; 0 with the reason in msg. *refusal gets the file_refusal of the open
// (FILE_MISSING: nothing is there at all).
int peek_state_container_file(const char* path, slot_info* slot, int32_t* refusal, char* msg,
                              size_t msg_size);

// The descriptor's load_state, or 0 with a message when the game has none. 1 when loaded.
int load_state_blob(const uint8_t* blob, size_t size, char* msg, size_t msg_size);

// A whole container's bytes checked (parse_state_container, without a slot record) and its blob
// loaded (load_state_blob): 1 when the game now stands in that state, else 0 with the reason in
// msg.
int load_state_container(const uint8_t* data, size_t size, char* msg, size_t msg_size);
