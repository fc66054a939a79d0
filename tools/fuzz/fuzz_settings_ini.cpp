// fuzz_settings_ini: the settings.ini reader (settings_table_parse, the text step of
// settings_table_load) and the settings model's use of what it read (apply_loaded_settings
// over the defaults). The input is the file's text. Properties: a load, save, load round trip
// gives the same table (every section and key with the same value, no more, no fewer), and a
// second round trip gives it again in the same order; the model takes whatever was read without
// fault.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "frontend/frontend_state.h"
#include "frontend/settings_model.h"
#include "frontend/settings_store.h"
#include "fuzz_support.h"

namespace {

void round_trip(const settings_table* from, settings_table* to, const std::string& path) {
  if (!settings_table_save(from, path.c_str())) fuzz_fail("settings_table_save failed");
  if (!settings_table_load(to, path.c_str())) fuzz_fail("settings_table_load failed");
}

void same_table(const settings_table* a, const settings_table* b, const char* what) {
  if (a->count != b->count) fuzz_fail("%s: %d entries, then %d", what, a->count, b->count);
  for (int32_t i = 0; i < a->count; i++) {
    const settings_entry& e = a->entries[i];
    const char* value = settings_table_get(b, e.section, e.key);
    if (!value || std::strcmp(value, e.value) != 0)
      fuzz_fail("%s: [%s] %s = \"%s\" came back as \"%s\"", what, e.section, e.key, e.value,
                value ? value : "(none)");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_install_minimal_game();
  static const std::string path = fuzz_scratch_path("settings.ini");

  // A copy of exactly the text's bytes, so that ASan sees any read past its end.
  char* text = (char*)std::malloc(size ? size : 1);
  if (size) std::memcpy(text, data, size);
  settings_table first = {};
  settings_table_parse(&first, text, size);
  std::free(text);

  settings_table second = {}, third = {};
  round_trip(&first, &second, path);
  same_table(&first, &second, "first round trip");
  round_trip(&second, &third, path);
  same_table(&second, &third, "second round trip");
  for (int32_t i = 0; i < second.count; i++)
    if (std::strcmp(second.entries[i].section, third.entries[i].section) != 0 ||
        std::strcmp(second.entries[i].key, third.entries[i].key) != 0)
      fuzz_fail("the second round trip changed the order at entry %d", i);
  settings_table_clear(&second);
  settings_table_clear(&third);

  set_default_settings();
  set_default_bindings();
  settings_table_clear(&fe.settings_file);
  fe.settings_file = first;
  apply_loaded_settings();
  settings_table_clear(&fe.settings_file);
  return 0;
}
