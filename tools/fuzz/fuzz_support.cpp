// The harnesses' shared pieces (see fuzz_support.h).
#include "fuzz_support.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/frame_loop.h"
#include "board/machine.h"
#include "board/ymf_glue.h"
#include "fake_game.h"
#include "frontend/byte_order.h"
#include "frontend/frontend_state.h"
#include "test_romset.h"

uint8_t fuzz_cursor::u8() {
  if (!size) return 0;
  size--;
  return *data++;
}

uint16_t fuzz_cursor::u16() {
  const uint16_t high = u8();
  return uint16_t(high << 8 | u8());
}

uint32_t fuzz_cursor::u32() {
  const uint32_t high = u16();
  return high << 16 | u16();
}

const uint8_t* fuzz_cursor::bytes(size_t n, size_t* got) {
  if (n > size) n = size;
  const uint8_t* p = data;
  data += n;
  size -= n;
  *got = n;
  return p;
}

void fuzz_fail(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::fprintf(stderr, "fuzz property broken: ");
  std::vfprintf(stderr, format, args);
  std::fprintf(stderr, "\n");
  va_end(args);
  std::abort();
}

void fuzz_put_crc(uint8_t* data, size_t size) {
  if (size < 4) return;
  le_put_u32(data + size - 4, uint32_t(crc32_z(0, data, size - 4)));
}

static machine_snapshot test_snapshot;

machine* fuzz_test_machine(int frames) {
  static loaded_machine loaded;
  if (loaded) return loaded.get();
  std::string error;
  loaded = test_romset_load(test_romset_program_members("cartridge"), "fuzz_cobaltin.zip", &error);
  if (!loaded) {
    std::fprintf(stderr, "fuzz: the test ROM set does not load: %s\n", error.c_str());
    std::abort();
  }
  for (int i = 0; i < frames; i++) machine_run_frame(loaded.get(), nullptr, nullptr);
  snapshot_take(&test_snapshot, loaded.get());
  return loaded.get();
}

const machine_snapshot* fuzz_test_snapshot() {
  if (!test_snapshot.record) fuzz_fail("the test machine was not loaded before its snapshot");
  return &test_snapshot;
}

void snapshot_take(machine_snapshot* s, machine* m) {
  s->record = (machine*)std::malloc(sizeof(machine));
  s->sound_size = ymf_glue_save_state(m->sound, nullptr, 0);
  s->sound = (uint8_t*)std::malloc(s->sound_size);
  if (!s->record || !s->sound || ymf_glue_save_state(m->sound, s->sound, s->sound_size) == 0) {
    std::fprintf(stderr, "fuzz: out of memory for the snapshot\n");
    std::abort();
  }
  std::memcpy(s->record, m, sizeof(machine));
}

int snapshot_same(const machine_snapshot* s, machine* m) {
  if (std::memcmp(s->record, m, sizeof(machine)) != 0) return 0;
  uint8_t* now = (uint8_t*)std::malloc(s->sound_size);
  const int same = now && ymf_glue_save_state(m->sound, now, s->sound_size) == s->sound_size &&
                   std::memcmp(now, s->sound, s->sound_size) == 0;
  std::free(now);
  return same;
}

void snapshot_restore(const machine_snapshot* s, machine* m) {
  std::memcpy(m, s->record, sizeof(machine));
  if (!ymf_glue_load_state(m->sound, s->sound, s->sound_size)) fuzz_fail("snapshot sound restore");
  bus_bind_machine(m);
}

void fuzz_install_minimal_game() {
  static int done = 0;
  if (done) return;
  done = 1;
  fake_game_reset();
  fe.adapter_copy = fake_game_descriptor;
  fe.adapter_copy.width = 8;
  fe.adapter_copy.height = 8;
  fe.adapter = &fe.adapter_copy;
  const std::string rom = fuzz_scratch_path("fake.rom");
  char message[256] = "";
  if (!fake_game_write_rom(rom.c_str()) ||
      !fe.adapter->load_rom(rom.c_str(), message, sizeof message)) {
    std::fprintf(stderr, "fuzz: the fake game does not load: %s\n", message);
    std::abort();
  }
}

static std::string scratch_dir;

// Removes the scratch folder and the files in it (it holds no sub-folders).
static void scratch_remove() {
  DIR* d = opendir(scratch_dir.c_str());
  if (!d) return;
  while (dirent* e = readdir(d))
    if (e->d_name[0] != '.') unlink((scratch_dir + "/" + e->d_name).c_str());
  closedir(d);
  rmdir(scratch_dir.c_str());
}

std::string fuzz_scratch_path(const char* file) {
  if (scratch_dir.empty()) {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    scratch_dir = std::string(base) + "/cobaltine-fuzz-" + std::to_string(getpid());
    mkdir(scratch_dir.c_str(), 0700);
    std::atexit(scratch_remove);
  }
  return scratch_dir + "/" + file;
}
