// Building and checking "FESTATE1" containers, and the guarded call of the game's load_state.
// The blob inside is the game's business: this file only frames it, and the game's own
// validate_state has the last word on whether it can be loaded.
#include "frontend/state_container.h"

#include <zlib.h>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "frontend/byte_order.h"
#include "frontend/file_util.h"
#include "frontend/frontend_state.h"

// The thumbnail's u16 pixels are handed to SDL straight from the file's bytes.
static_assert(std::endian::native == std::endian::little, "containers are read in host order");

static const char CONTAINER_MAGIC[8] = {'F', 'E', 'S', 'T', 'A', 'T', 'E', '1'};

// The game id as the container stores it: cut to 15 characters, NUL-padded to 16 bytes.
static void container_game_id(char out[STATE_CONTAINER_ID_BYTES]) {
  memset(out, 0, STATE_CONTAINER_ID_BYTES);
  snprintf(out, STATE_CONTAINER_ID_BYTES, "%s", fe.adapter->id ? fe.adapter->id : "");
}

uint8_t* build_state_container(size_t* size) {
  const game_adapter* game = fe.adapter;
  if (size) *size = 0;
  if (!game->save_state) return nullptr;
  size_t blob_size = 0;
  uint8_t* blob = game->save_state(&blob_size);
  if (!blob) return nullptr;

  const uint32_t tw = game->width / 2, th = game->height / 2;
  const uint64_t thumb_bytes = 2ull * tw * th;
  // The length field is 32 bits wide; a larger blob cannot be framed.
  if (blob_size > UINT32_MAX) {
    free(blob);
    return nullptr;
  }
  const uint64_t total = STATE_CONTAINER_OVERHEAD + thumb_bytes + blob_size;
  uint8_t* data = static_cast<uint8_t*>(calloc(1, size_t(total)));
  if (!data) {
    free(blob);
    return nullptr;
  }

  memcpy(data, CONTAINER_MAGIC, 8);
  le_put_u32(data + 8, STATE_CONTAINER_VERSION);
  container_game_id(reinterpret_cast<char*>(data + 12));
  snprintf(reinterpret_cast<char*>(data + 28), STATE_CONTAINER_VERSION_BYTES, "%s",
           game->version ? game->version : "");
  le_put_u32(data + 60, game->rom_fingerprint ? game->rom_fingerprint() : 0);
  le_put_u64(data + 64, uint64_t(int64_t(time(nullptr))));
  le_put_u32(data + 72, uint32_t(fe.frame_counter));
  le_put_u16(data + 76, tw);
  le_put_u16(data + 78, th);

  // Every other pixel of every other row of the last picture (zeros when there is none).
  uint8_t* thumb = data + STATE_CONTAINER_THUMB_OFFSET;
  if (fe.frame) {
    for (uint32_t y = 0; y < th; y++) {
      const uint32_t* row = fe.frame + size_t(2 * y) * game->width;
      for (uint32_t x = 0; x < tw; x++) {
        uint32_t p = row[2 * x];
        le_put_u16(thumb + 2 * (size_t(y) * tw + x),
                   ((p >> 8) & 0xF800) | ((p >> 5) & 0x07E0) | ((p >> 3) & 0x001F));
      }
    }
  }

  uint8_t* length_field = thumb + thumb_bytes;
  le_put_u32(length_field, uint32_t(blob_size));
  memcpy(length_field + 4, blob, blob_size);
  free(blob);
  uint8_t* crc_field = length_field + 4 + blob_size;
  le_put_u32(crc_field, uint32_t(crc32_z(0, data, size_t(crc_field - data))));
  if (size) *size = size_t(total);
  return data;
}

// Replaces the record's thumbnail texture with the container's pixels (none without a renderer
// or when SDL refuses the texture).
static void container_thumbnail_texture(slot_info* slot, const uint8_t* pixels, uint32_t tw,
                                        uint32_t th) {
  if (!fe.renderer) return;
  if (slot->thumbnail) SDL_DestroyTexture(slot->thumbnail);
  slot->thumbnail = SDL_CreateTexture(fe.renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STATIC,
                                      int(tw), int(th));
  if (slot->thumbnail) SDL_UpdateTexture(slot->thumbnail, nullptr, pixels, int(2 * tw));
}

// The checks of parse_state_container in the format's order. data holds the first `have` bytes
// of a file of `size` bytes: the whole file (have == size), or, for the slot browser's look,
// the header, thumbnail and length field only; then the checksum and the game's check of the
// blob, which need the blob, are left to the load. 1 with the blob's place in *blob (null when
// it was not read) and its length in *state_length.
static int container_check(const uint8_t* data, uint64_t size, uint64_t have, slot_info* slot,
                           const uint8_t** blob, size_t* state_length, char* msg, size_t msg_size) {
  const game_adapter* game = fe.adapter;
  const int whole = have == size;
  *blob = nullptr;
  if (state_length) *state_length = 0;
  if (!data || size < STATE_CONTAINER_OVERHEAD) {
    message_printf(msg, msg_size, "file is truncated");
    return 0;
  }
  if (memcmp(data, CONTAINER_MAGIC, 8) != 0) {
    message_printf(msg, msg_size, "not a save state");
    return 0;
  }
  if (whole && le_get_u32(data + size - 4) != uint32_t(crc32_z(0, data, size_t(size - 4)))) {
    message_printf(msg, msg_size, "file is damaged (checksum mismatch)");
    return 0;
  }
  uint32_t version = le_get_u32(data + 8);
  if (version != STATE_CONTAINER_VERSION) {
    message_printf(msg, msg_size, "unsupported container version %u", version);
    return 0;
  }
  // Compared as stored: a descriptor id longer than the field must still match its own files.
  char stored_id[STATE_CONTAINER_ID_BYTES + 1] = {};
  memcpy(stored_id, data + 12, STATE_CONTAINER_ID_BYTES);
  char expected_id[STATE_CONTAINER_ID_BYTES];
  container_game_id(expected_id);
  if (strncmp(stored_id, expected_id, STATE_CONTAINER_ID_BYTES) != 0) {
    message_printf(msg, msg_size, "state belongs to another game (%s)", stored_id);
    return 0;
  }
  if (game->rom_fingerprint && le_get_u32(data + 60) != game->rom_fingerprint()) {
    message_printf(msg, msg_size, "state was made with a different ROM revision");
    return 0;
  }
  const uint32_t tw = le_get_u16(data + 76), th = le_get_u16(data + 78);
  const uint64_t thumb_bytes = 2ull * tw * th;
  if (tw == 0 || th == 0 || tw > STATE_CONTAINER_THUMB_MAX || th > STATE_CONTAINER_THUMB_MAX ||
      size - 4 < 84 + thumb_bytes || have < 84 + thumb_bytes) {
    message_printf(msg, msg_size, "file is damaged (thumbnail)");
    return 0;
  }
  if (slot) {
    slot->save_time = int64_t(le_get_u64(data + 64));
    slot->frame_counter = le_get_u32(data + 72);
    slot->thumb_width = int32_t(tw);
    slot->thumb_height = int32_t(th);
  }
  const uint8_t* length_field = data + STATE_CONTAINER_THUMB_OFFSET + thumb_bytes;
  const uint64_t blob_size = le_get_u32(length_field);
  if (STATE_CONTAINER_OVERHEAD + thumb_bytes + blob_size != size) {
    message_printf(msg, msg_size, "file is damaged (size mismatch)");
    return 0;
  }
  if (slot) container_thumbnail_texture(slot, data + STATE_CONTAINER_THUMB_OFFSET, tw, th);
  if (whole && game->validate_state &&
      !game->validate_state(length_field + 4, size_t(blob_size), msg, msg_size)) {
    return 0;
  }
  // Without load_state no caller could use the blob; say so here, where slots learn it.
  if (!game->load_state) {
    message_printf(msg, msg_size, "this game cannot load save states");
    return 0;
  }
  if (whole) *blob = length_field + 4;
  if (state_length) *state_length = size_t(blob_size);
  return 1;
}

const uint8_t* parse_state_container(const uint8_t* data, size_t size, slot_info* slot,
                                     size_t* state_length, char* msg, size_t msg_size) {
  const uint8_t* blob = nullptr;
  container_check(data, size, size, slot, &blob, state_length, msg, msg_size);
  return blob;
}

int peek_state_container_file(const char* path, slot_info* slot, int32_t* refusal, char* msg,
                              size_t msg_size) {
  file_reader reader;
  const int opened = file_open_read(&reader, path, STATE_CONTAINER_FILE_MAX, msg, msg_size);
  *refusal = reader.refusal;
  if (!opened) return 0;
  // The header says how large the thumbnail is, and the length field follows it: that much is
  // read, never the blob. A file no larger than that is read whole and meets every check.
  uint64_t wanted = reader.size;
  uint8_t header[STATE_CONTAINER_THUMB_OFFSET];
  if (reader.size >= sizeof header) {
    wanted = sizeof header;  // a thumbnail size out of bounds is refused on the header alone
    if (file_read_at(&reader, 0, header, sizeof header)) {
      const uint64_t tw = le_get_u16(header + 76), th = le_get_u16(header + 78);
      if (tw <= STATE_CONTAINER_THUMB_MAX && th <= STATE_CONTAINER_THUMB_MAX) {
        wanted = 84 + 2 * tw * th < reader.size ? 84 + 2 * tw * th : reader.size;
      }
    }
  }
  uint8_t* data = static_cast<uint8_t*>(malloc(size_t(wanted) + 1));
  int ok = data && file_read_at(&reader, 0, data, size_t(wanted));
  if (!ok) message_printf(msg, msg_size, data ? "cannot read %s" : "out of memory", path);
  const uint64_t size = reader.size;
  file_close_read(&reader);
  const uint8_t* blob = nullptr;
  ok = ok && container_check(data, size, wanted, slot, &blob, nullptr, msg, msg_size);
  free(data);
  return ok;
}

int load_state_blob(const uint8_t* blob, size_t size, char* msg, size_t msg_size) {
  if (!fe.adapter->load_state) {
    message_printf(msg, msg_size, "this game cannot load save states");
    return 0;
  }
  return fe.adapter->load_state(blob, size, msg, msg_size);
}

int load_state_container(const uint8_t* data, size_t size, char* msg, size_t msg_size) {
  size_t state_length = 0;
  const uint8_t* blob = parse_state_container(data, size, nullptr, &state_length, msg, msg_size);
  return blob && load_state_blob(blob, state_length, msg, msg_size);
}
