// fuzz_movie_parse: the input movie reader (movie_parse, what play_latest_movie checks before it
// loads anything) with the fake game on an 8 x 8 picture. The first input byte holds flags, the
// rest is the movie file; the CRC of the starting point's container is put right where the
// length field places one, unless the flags say not to. Properties: an accepted movie places its
// first word right after the starting point, inside the file, with a blob the game loads; the
// frame words then read back one by one to the last whole word; a refused one says why.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "frontend/byte_order.h"
#include "frontend/frontend_state.h"
#include "frontend/movies.h"
#include "frontend/state_container.h"
#include "fuzz_support.h"

namespace {

enum { FLAG_KEEP_CRC = 1 };

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_install_minimal_game();
  fuzz_cursor in{data, size};
  const uint8_t flags = in.u8();
  std::vector<uint8_t> file(in.data, in.data + in.size);
  if (!(flags & FLAG_KEEP_CRC) && file.size() >= 12) {
    const uint64_t length = le_get_u32(&file[8]);
    if (length >= 4 && 12 + length <= file.size()) fuzz_put_crc(&file[12], size_t(length));
  }

  // A copy of exactly the file's bytes, so that ASan sees any read past its end.
  uint8_t* bytes = (uint8_t*)std::malloc(file.size() ? file.size() : 1);
  if (!file.empty()) std::memcpy(bytes, file.data(), file.size());
  movie_view view = {};
  char message[200] = "";
  const int parsed = movie_parse(bytes, file.size(), &view, message, sizeof message);
  if (parsed != 1) {
    if (!message[0]) fuzz_fail("a refused movie without a reason");
    std::free(bytes);
    return 0;
  }
  if (view.first_word > file.size() || view.blob < bytes ||
      view.blob + view.blob_size > bytes + view.first_word)
    fuzz_fail("the movie's parts lie outside its bytes");
  if (!load_state_blob(view.blob, view.blob_size, message, sizeof message))
    fuzz_fail("the game refuses a starting point the check accepted: %s", message);

  // Playback reads the words while 4 bytes remain; the last read would end the movie.
  fe.movie_data = bytes;
  fe.movie_size = file.size();
  fe.movie_pos = view.first_word;
  uint64_t words = 0;
  uint32_t word = 0;
  while (fe.movie_size - fe.movie_pos >= 4 && movie_next_word(&word)) words++;
  if (words != (file.size() - view.first_word) / 4)
    fuzz_fail("%llu words read", (unsigned long long)words);
  fe.movie_data = nullptr;
  fe.movie_size = fe.movie_pos = 0;
  std::free(bytes);
  return 0;
}
