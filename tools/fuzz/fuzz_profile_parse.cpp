// fuzz_profile_parse: the game profile reader (profile_parse over the JSON reader). The input is
// the profile's text. Properties: every text field stays terminated within its buffer; an
// accepted profile has 0-8 players and an aspect of 0-4; a refused one says why and is not valid.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "frontend/game_profile.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly the text's bytes, so that ASan sees any read past its end.
  char* text = (char*)std::malloc(size ? size : 1);
  if (size) std::memcpy(text, data, size);
  static game_profile profile;
  const int ok = profile_parse(&profile, text, size);
  std::free(text);

  const struct {
    const char* name;
    const char* field;
    size_t size;
  } texts[] = {
      {"id", profile.id, sizeof profile.id},
      {"title", profile.title, sizeof profile.title},
      {"subtitle", profile.subtitle, sizeof profile.subtitle},
      {"manufacturer", profile.manufacturer, sizeof profile.manufacturer},
      {"year", profile.year, sizeof profile.year},
      {"rom_hint", profile.rom_hint, sizeof profile.rom_hint},
      {"error", profile.error, sizeof profile.error},
  };
  for (const auto& t : texts)
    if (!std::memchr(t.field, 0, t.size)) fuzz_fail("%s is not terminated", t.name);
  if (ok != profile.valid) fuzz_fail("profile_parse said %d, valid is %d", ok, profile.valid);
  if (!ok) {
    if (!profile.error[0]) fuzz_fail("a refused profile without a reason");
    return 0;
  }
  if (profile.players < 0 || profile.players > 8) fuzz_fail("players %d", profile.players);
  if (!(profile.aspect >= 0 && profile.aspect <= 4)) fuzz_fail("aspect %g", profile.aspect);
  for (int32_t f : profile.features)
    if (f < -1 || f > 1) fuzz_fail("feature value %d", f);
  if (profile.integer_scale < -1 || profile.integer_scale > 1)
    fuzz_fail("integer_scale %d", profile.integer_scale);
  return 0;
}
