// What the fuzz harnesses share: a cursor that decodes a fuzz input into small values, the
// loaded test machine (the synthetic ROM set with the test cartridge, run for a few frames),
// a minimal game descriptor for the frontend's readers, a scratch folder in memory and the
// failure report that turns a broken property into a crash libFuzzer keeps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct machine;

// Reads values off the front of the input; past its end every read gives 0 (or nothing).
struct fuzz_cursor {
  const uint8_t* data;
  size_t size;

  size_t left() const { return size; }
  uint8_t u8();
  uint16_t u16();
  uint32_t u32();
  // Up to n bytes (fewer at the end); *got receives how many.
  const uint8_t* bytes(size_t n, size_t* got);
};

// Prints the broken property and aborts, so that libFuzzer saves the input as a crash.
[[noreturn]] void fuzz_fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes the CRC-32 of the bytes before the last four into them (little-endian), as the
// project's files end. Nothing when size is below 4.
void fuzz_put_crc(uint8_t* data, size_t size);

// A byte copy of the machine record and its sound chip's saved image, to restore the machine
// after a run and to prove that a refused input changed nothing.
struct machine_snapshot {
  machine* record;  // malloc'd copy
  uint8_t* sound;   // ymf_glue_save_state image
  size_t sound_size;
};

// The test machine, loaded once per process from the synthetic set around the test cartridge
// and run for `frames` frames (the first call decides). Aborts when it cannot be loaded.
machine* fuzz_test_machine(int frames);
// The test machine as fuzz_test_machine left it, taken right then: a harness restores it after
// every input and compares against it.
const machine_snapshot* fuzz_test_snapshot();

void snapshot_take(machine_snapshot* s, machine* m);
// 1 when the machine and its chip are byte for byte as in the snapshot.
int snapshot_same(const machine_snapshot* s, machine* m);
void snapshot_restore(const machine_snapshot* s, machine* m);

// Sets fe up for the fake game with an 8 x 8 picture (a 4 x 4 thumbnail keeps containers
// small), loaded, on no renderer. Once per process.
void fuzz_install_minimal_game();

// A folder for the harness's files under /dev/shm (or the temporary folder), made once.
std::string fuzz_scratch_path(const char* file);
