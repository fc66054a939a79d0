// fuzz_state_parse: the board save state reader (state_parse behind state_validate and
// state_load) on the loaded test machine. The input is an edit script over a blob that the
// machine itself saved after 40 frames: a flags byte, then patches placed relative to the header,
// a chunk or the end (a one- or two-byte offset), so that mutations land on fields rather than on
// the megabyte of RAM. The CRC is put right unless the flags say not to, so the checks behind it
// are reached. Properties: validate and load agree; a refused blob leaves the machine and its sound
// chip byte for byte as they were; an accepted one runs two frames without fault.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "board/frame_loop.h"
#include "board/machine.h"
#include "board/save_state.h"
#include "frontend/byte_order.h"
#include "fuzz_support.h"

namespace {

enum {
  FLAG_KEEP_CRC = 1,  // leave the last four bytes as the edits made them
  FLAG_CUT = 2,       // drop u16 bytes before the CRC
  FLAG_GROW = 4,      // insert u16 zero bytes before the CRC
  FLAG_RAW = 8,       // the rest of the input is the whole blob (then CRC fixed unless kept)
  MAX_PATCH = 64,     // bytes per patch
};

struct context {
  machine* m;
  const machine_snapshot* snap;
  std::vector<uint8_t> base;         // the machine's own blob
  std::vector<size_t> region_start;  // 0 = header, then each chunk's tag, then the CRC
};

context* setup() {
  static context* c = nullptr;
  if (c) return c;
  c = new context;
  c->m = fuzz_test_machine(40);
  size_t length = 0;
  uint8_t* blob = state_save(c->m, &length);
  if (!blob) fuzz_fail("state_save gave no blob");
  c->base.assign(blob, blob + length);
  std::free(blob);
  c->region_start.push_back(0);
  for (size_t at = STATE_HEADER_BYTES; at + 8 <= length - 4;) {
    c->region_start.push_back(at);
    at += 8 + size_t(le_get_u32(&c->base[at + 4]));
  }
  c->region_start.push_back(length - 4);
  c->snap = fuzz_test_snapshot();
  return c;
}

std::vector<uint8_t> build_blob(const context* c, fuzz_cursor in) {
  const uint8_t flags = in.u8();
  std::vector<uint8_t> blob;
  if (flags & FLAG_RAW) {
    blob.assign(in.data, in.data + in.size);
  } else {
    blob = c->base;
    if (flags & FLAG_CUT) {
      const size_t n = in.u16() % blob.size();
      blob.erase(blob.end() - 4 - std::min(n, blob.size() - 4), blob.end() - 4);
    }
    if (flags & FLAG_GROW) blob.insert(blob.end() - 4, in.u16(), 0);
    while (in.left() >= 4) {
      // A region byte with bit 7 set takes a one-byte offset: the first fields of a chunk.
      const uint8_t where = in.u8();
      const size_t region = (where & 0x7F) % c->region_start.size();
      const size_t offset = c->region_start[region] + (where & 0x80 ? in.u8() : in.u16());
      size_t got = 0;
      const uint8_t* bytes = in.bytes(in.u8() % MAX_PATCH + 1, &got);
      for (size_t i = 0; i < got && offset + i < blob.size(); i++) blob[offset + i] = bytes[i];
    }
  }
  if (!(flags & FLAG_KEEP_CRC)) fuzz_put_crc(blob.data(), blob.size());
  return blob;
}

void check_message(const char* message, const char* what) {
  if (std::memchr(message, 0, 256) == nullptr || message[0] == 0)
    fuzz_fail("%s refused a blob without a message", what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  context* c = setup();
  const std::vector<uint8_t> blob = build_blob(c, fuzz_cursor{data, size});

  char message[256];
  std::memset(message, 0x55, sizeof message);
  message[255] = 0;
  const int valid = state_validate(c->m, blob.data(), blob.size(), message, sizeof message);
  // An accepted blob is checked here, a refused one once both calls refused it.
  if (valid && !snapshot_same(c->snap, c->m)) fuzz_fail("state_validate changed the machine");
  if (!valid) check_message(message, "state_validate");

  char load_message[256] = "";
  const int loaded = state_load(c->m, blob.data(), blob.size(), load_message, sizeof load_message);
  if (loaded != valid)
    fuzz_fail("state_validate said %d, state_load %d (%s)", valid, loaded, load_message);
  if (!loaded) {
    if (std::strcmp(message, load_message) != 0)
      fuzz_fail("validate and load differ: \"%s\" / \"%s\"", message, load_message);
    if (!snapshot_same(c->snap, c->m)) fuzz_fail("a refused state changed the machine");
    return 0;
  }
  int16_t audio[2 * FRAME_MAX_SAMPLES];
  for (int i = 0; i < 2; i++) {
    uint32_t count = 0;
    machine_run_frame(c->m, audio, &count);
    if (count > FRAME_MAX_SAMPLES) fuzz_fail("a frame gave %u samples", count);
  }
  snapshot_restore(c->snap, c->m);
  return 0;
}
