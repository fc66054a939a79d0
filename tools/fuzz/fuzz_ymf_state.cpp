// fuzz_ymf_state: the sound chip's saved image as the board loads it (ymf_glue_check_state and
// ymf_glue_load_state), on the chip of the loaded test machine after 60 frames of its music.
// The first input byte picks the form: the rest as the whole image, or laid over the chip's own
// image from a u16 offset on (so mutations reach fields deep inside without changing the
// length). Properties: check and load agree; a refused image changes nothing; an accepted one
// saves back to an image that loads and saves again unchanged, and the chip then plays, answers
// its ports and takes its timers without fault.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "board/machine.h"
#include "board/ymf_glue.h"
#include "fuzz_support.h"

namespace {

enum { GENERATED = 3000 };  // samples played after an accepted image

std::vector<uint8_t> saved(ymf_glue* glue) {
  std::vector<uint8_t> image(ymf_glue_save_state(glue, nullptr, 0));
  if (ymf_glue_save_state(glue, image.data(), image.size()) != image.size())
    fuzz_fail("ymf_glue_save_state failed");
  return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  machine* m = fuzz_test_machine(60);
  const machine_snapshot* snap = fuzz_test_snapshot();
  ymf_glue* glue = m->sound;
  fuzz_cursor in{data, size};
  std::vector<uint8_t> image;
  if (in.u8() & 1) {
    image.assign(snap->sound, snap->sound + snap->sound_size);
    const size_t offset = in.u16() % image.size();
    for (size_t i = 0; i < in.left() && offset + i < image.size(); i++)
      image[offset + i] = in.data[i];
  } else {
    image.assign(in.data, in.data + in.size);
  }

  const int accepted = ymf_glue_check_state(glue, image.data(), image.size());
  if (!snapshot_same(snap, m)) fuzz_fail("ymf_glue_check_state changed the chip");
  const int loaded = ymf_glue_load_state(glue, image.data(), image.size());
  if (accepted != loaded) fuzz_fail("check said %d, load %d", accepted, loaded);
  if (!loaded) {
    if (!snapshot_same(snap, m)) fuzz_fail("a refused image changed the chip");
    return 0;
  }

  const std::vector<uint8_t> first = saved(glue);
  if (ymf_glue_load_state(glue, first.data(), first.size()) != 1)
    fuzz_fail("the chip refuses the image it saved after a load");
  if (saved(glue) != first) fuzz_fail("load and save of the chip's own image differ");

  static int32_t samples[GENERATED];
  ymf_glue_generate(glue, samples, GENERATED / 2);
  for (uint32_t port = 0; port < 8; port++) (void)ymf_glue_read(glue, port);
  ymf_glue_timer_expired(glue, 0);
  ymf_glue_timer_expired(glue, 1);
  ymf_glue_generate(glue, samples, GENERATED / 2);
  snapshot_restore(snap, m);
  return 0;
}
