// fuzz_parse_state_container: the "FESTATE1" reader (parse_state_container) with the fake game
// on an 8 x 8 picture, so that containers stay small. The first input byte holds flags, the rest
// is the container; the container's CRC, and that of the fake game's blob inside it where the
// length field places one, are put right unless the flags say not to, so the checks behind them
// are reached. Properties: an accepted container gives a blob inside the input whose length is
// what the frame says, fills the slot record with a thumbnail size of 1-1024, and the game loads
// that blob; a refused one says why.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fake_game.h"
#include "frontend/byte_order.h"
#include "frontend/frontend_state.h"
#include "frontend/state_container.h"
#include "fuzz_support.h"

namespace {

enum { FLAG_KEEP_CRC = 1, FLAG_KEEP_BLOB_CRC = 2 };

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_install_minimal_game();
  fuzz_cursor in{data, size};
  const uint8_t flags = in.u8();
  std::vector<uint8_t> file(in.data, in.data + in.size);
  if (!(flags & FLAG_KEEP_BLOB_CRC) && file.size() >= 88) {
    const uint64_t thumb = 2ull * le_get_u16(&file[76]) * le_get_u16(&file[78]);
    const uint64_t at = 80 + thumb;
    if (at + 4 <= file.size()) {
      const uint64_t blob = le_get_u32(&file[at]);
      if (blob >= 4 && at + 4 + blob <= file.size()) fuzz_put_crc(&file[at + 4], size_t(blob));
    }
  }
  if (!(flags & FLAG_KEEP_CRC)) fuzz_put_crc(file.data(), file.size());

  slot_info slot = {};
  size_t length = 12345;
  char message[200];
  std::memset(message, 0x55, sizeof message);
  message[sizeof message - 1] = 0;
  const uint8_t* blob =
      parse_state_container(file.data(), file.size(), &slot, &length, message, sizeof message);
  if (!blob) {
    if (length != 0) fuzz_fail("a refused container left a length of %zu", length);
    if (!message[0]) fuzz_fail("a refused container without a reason");
    return 0;
  }
  const uint64_t thumb = 2ull * uint32_t(slot.thumb_width) * uint32_t(slot.thumb_height);
  if (slot.thumb_width < 1 || slot.thumb_width > 1024 || slot.thumb_height < 1 ||
      slot.thumb_height > 1024)
    fuzz_fail("thumbnail %d x %d accepted", slot.thumb_width, slot.thumb_height);
  if (blob != file.data() + 84 + thumb || length != file.size() - 88 - thumb)
    fuzz_fail("the blob is not where the frame says");
  if (!load_state_blob(blob, length, message, sizeof message))
    fuzz_fail("the game refuses a blob the container check accepted: %s", message);
  return 0;
}
