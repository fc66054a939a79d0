// make_fuzz_seeds OUT: writes each harness's starting corpus into OUT/<harness>/, made from
// files the program writes itself: the board's own save state (as edits between two states the
// test machine saved), the sound chip's saved image, a state container and an input movie that
// the frontend recorded with the fake game, the settings.ini that save_settings writes, a
// profile, scripts of the synthetic ROM set, and bus traffic that sets the timer, the divider
// and the EEPROM going. Each seed begins with the harness's flags byte where it has one.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "board/frame_loop.h"
#include "board/machine.h"
#include "board/save_state.h"
#include "board/ymf_glue.h"
#include "file_bytes.h"
#include "frontend/byte_order.h"
#include "frontend/file_util.h"
#include "frontend/frontend_state.h"
#include "frontend/movies.h"
#include "frontend/settings_model.h"
#include "frontend/state_container.h"
#include "fuzz_support.h"

namespace {

typedef file_bytes bytes;

std::string out_dir;
int failures = 0;

void write_seed(const char* harness, const char* name, const bytes& data) {
  const std::string dir = out_dir + "/" + harness;
  mkdir(dir.c_str(), 0755);
  const std::string path = dir + "/" + name;
  if (!bytes_write(path, data)) {
    std::fprintf(stderr, "make_fuzz_seeds: cannot write %s\n", path.c_str());
    failures++;
  }
}

bytes with_flags(uint8_t flags, const uint8_t* data, size_t size) {
  bytes out{flags};
  out.insert(out.end(), data, data + size);
  return out;
}

// The board state: the harness edits the machine's blob after 40 frames. The seeds are that blob
// unchanged, with its CRC kept wrong, and the edits that turn it into the blob of frame 41,
// region by region (those of the small chunks whole, those of the large ones by their first
// differing bytes).
void board_state_seeds(machine* m) {
  size_t a_size = 0, b_size = 0;
  uint8_t* a = state_save(m, &a_size);
  machine_run_frame(m, nullptr, nullptr);
  uint8_t* b = state_save(m, &b_size);
  if (!a || !b || a_size != b_size) {
    std::fprintf(stderr, "make_fuzz_seeds: the board state could not be saved\n");
    failures++;
    return;
  }
  write_seed("state_parse", "unchanged", {0});
  write_seed("state_parse", "crc_kept", {1});
  bytes next{0};
  size_t region = 1;
  for (size_t at = STATE_HEADER_BYTES; at + 8 <= a_size - 4; region++) {
    const size_t length = 8 + le_get_u32(a + at + 4);
    size_t patched = 0;
    for (size_t i = 0; i < length && patched < 256; i++) {
      if (a[at + i] == b[at + i] || i > 0xFFFF) continue;
      size_t n = 1;
      while (i + n < length && n < 64 && a[at + i + n] != b[at + i + n]) n++;
      next.push_back(uint8_t(region));
      next.push_back(uint8_t(i >> 8));
      next.push_back(uint8_t(i));
      next.push_back(uint8_t(n - 1));
      next.insert(next.end(), b + at + i, b + at + i + n);
      patched += n;
      i += n - 1;
    }
    at += length;
  }
  write_seed("state_parse", "next_frame", next);
  // Each chunk's length field one larger, the version 2, the blob cut by a kilobyte.
  for (size_t r = 1; r <= 8; r++) {
    char name[32];
    std::snprintf(name, sizeof name, "chunk_%zu_length", r);
    write_seed("state_parse", name, {0, uint8_t(r), 0, 4, 0, 0xFF});
  }
  write_seed("state_parse", "version", {0, 0, 0, 8, 0, 2});
  write_seed("state_parse", "cut", {2, 0x04, 0x00});
  std::free(a);
  std::free(b);

  const size_t sound_size = ymf_glue_save_state(m->sound, nullptr, 0);
  bytes sound(sound_size);
  ymf_glue_save_state(m->sound, sound.data(), sound.size());
  write_seed("ymf_state", "image", with_flags(0, sound.data(), sound.size()));
  write_seed("ymf_state", "overlay_start", {1, 0, 0, 0x4F, 0x50, 0x34, 0x33});
}

// The frontend's files with the fake game: a container and a recorded movie.
void frontend_seeds() {
  fuzz_install_minimal_game();
  snprintf(fe.movies_dir, sizeof fe.movies_dir, "%s", fuzz_scratch_path("").c_str());
  size_t size = 0;
  uint8_t* container = build_state_container(&size);
  if (!container) {
    std::fprintf(stderr, "make_fuzz_seeds: no state container\n");
    failures++;
    return;
  }
  write_seed("parse_state_container", "container", with_flags(0, container, size));
  write_seed("parse_state_container", "container_crc_kept", with_flags(3, container, size));
  std::free(container);

  movie_start_recording();
  for (uint32_t word = 0; word < 16; word++) movie_record_word(word * 0x01010101u);
  movie_stop_recording();
  dir_entry* entries = nullptr;
  const int count = list_dir(fe.movies_dir, &entries);
  for (int i = 0; i < count; i++) {
    if (!std::strstr(entries[i].name, ".femv")) continue;
    const bytes movie = bytes_read(std::string(fe.movies_dir) + entries[i].name);
    write_seed("movie_parse", "movie", with_flags(0, movie.data(), movie.size()));
  }
  std::free(entries);

  snprintf(fe.settings_path, sizeof fe.settings_path, "%s",
           fuzz_scratch_path("settings.ini").c_str());
  set_default_settings();
  set_default_bindings();
  save_settings();
  write_seed("settings_ini", "settings.ini", bytes_read(fe.settings_path));
  const char hand_edited[] =
      "; edited by hand\n[display]\nscale = 3 # comment kept\n  fullscreen=1\r\n[x\n"
      "[audio]\nvolume = 0x40\n=empty key\n[]\nlate = 1\n";
  write_seed("settings_ini", "hand_edited", bytes(hand_edited, hand_edited + strlen(hand_edited)));
}

void text_seed(const char* harness, const char* name, const char* text) {
  write_seed(harness, name, bytes(text, text + std::strlen(text)));
}

void profile_seeds() {
  text_seed("profile_parse", "full",
            "{\"id\": \"cobaltin\", \"title\": \"Cobaltine\", \"subtitle\": \"native port\",\n"
            " \"manufacturer\": \"Korvane\", \"year\": \"2000\", \"rom_hint\": \"cobaltin.zip\",\n"
            " \"players\": 2, \"unknown\": {\"a\": [1, -2.5e3, \"x\", true, false, null, {}]},\n"
            " \"display\": {\"aspect\": \"4:3\", \"rotation\": 270, \"integer_scale\": true},\n"
            " \"features\": {\"save_states\": true, \"rewind\": false, \"nvram\": null,\n"
            "  \"input_movies\": true, \"gadgets\": true, \"input_display\": false,\n"
            "  \"screenshots\": true, \"widescreen\": false}}\n");
  text_seed("profile_parse", "numbers",
            "{\"year\": 2000.9, \"players\": +0x3, \"display\": {\"aspect\": 1.25e0}}");
  text_seed("profile_parse", "escapes", "{\"title\": \"a\\\"b\\\\c\\/d\\ne\\u0041\\u00e9\"}");
}

// ROM set scripts (see fuzz_rom_zip.cpp): 4 bytes per member (source, naming, packing, lies).
void rom_zip_seeds() {
  struct variant {
    const char* name;
    uint8_t naming, packing, lies;
  };
  const variant variants[] = {{"stored", 0, 0, 0},      {"deflated", 0, 1, 0},
                              {"upper_case", 1, 0, 0},  {"subfolder", 2, 0, 0},
                              {"descriptor", 0, 1, 32}, {"encrypted", 0, 3, 0}};
  for (const variant& v : variants) {
    bytes script;
    for (uint8_t i = 0; i < 24; i++) script.insert(script.end(), {i, v.naming, v.packing, v.lies});
    write_seed("rom_zip", v.name, script);
  }
  bytes missing, duplicate;
  for (uint8_t i = 0; i < 24; i++) {
    if (i != 22) missing.insert(missing.end(), {i, 0, 0, 0});
    duplicate.insert(duplicate.end(), {i, 0, 0, 0});
  }
  duplicate.insert(duplicate.end(), {0, 0, 0, 1, 0, 0, 0, 1});
  write_seed("rom_zip", "missing_sample", missing);
  write_seed("rom_zip", "duplicate", duplicate);
}

// Bus traffic (see fuzz_onchip_bus.cpp): op byte, then operands.
void onchip_seeds() {
  // FRT: IPRB priority 5, VCRC 0x42, OCRA 100, CCLRA, OCIAE, TCR 0, FRC 0, then time passes.
  const bytes frt = {0x00, 0x80 | 10, 0,    0, 0, 0x05,  // write8 IPRB (0x60) = 5
                     0x00, 0x80 | 13, 0,    0, 0, 0x42,  // write8 VCRC low (0x67) = 0x42
                     0x08, 0x80 | 4,  0,    0, 0, 0x00,  // write16 OCRA = 100
                     0x08, 0x80 | 4,  0,    0, 0, 100,   //
                     0x00, 0x80 | 6,  0,    0, 0, 0,     // TCR = 0
                     0x00, 0x80 | 1,  0,    0, 0, 0x01,  // FTCSR = CCLRA
                     0x00, 0x80 | 0,  0,    0, 0, 0x08,  // TIER = OCIAE
                     0x05, 0x10,      0x00,              // advance 4096 cycles
                     0x01, 0x80 | 1,                     // read FTCSR
                     0x06};                              // a frame
  write_seed("onchip_bus", "frt_compare", frt);
  const bytes divide = {0x07, 0, 0, 0, 0, 0,    0, 0, 10, 0,    0,    0,    3,
                        0x0F, 0, 0, 0, 1, 0,    0, 0, 0,  0xFF, 0xFF, 0xFF, 0xFF,
                        0x07, 0, 0, 0, 0, 0x80, 0, 0, 0,  0xFF, 0xFF, 0xFF, 0xFF};
  write_seed("onchip_bus", "divide", divide);
  // EWEN, WRITE 0x5A at 3, READ 3, ERAL while enabled, EWDS, WRITE refused.
  const bytes eeprom = {0x03, 0x01, 0x80, 0,    0x0B, 0x00, 0x03, 0x5A, 0x13, 0x00,
                        0x03, 0,    0x03, 0x01, 0x00, 0,    0x03, 0x00, 0x00, 0,
                        0x0B, 0x00, 0x04, 0x11, 0x04, 0x05, 0x00, 0x40};
  write_seed("onchip_bus", "eeprom", eeprom);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: make_fuzz_seeds OUT\n", stderr);
    return 2;
  }
  out_dir = argv[1];
  mkdir(out_dir.c_str(), 0755);
  board_state_seeds(fuzz_test_machine(40));
  frontend_seeds();
  profile_seeds();
  rom_zip_seeds();
  onchip_seeds();
  write_seed("rom_zip", "good_set", {});
  return failures ? 1 : 0;
}
