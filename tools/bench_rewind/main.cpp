// bench_rewind [ROUNDS]: writes the synthetic ROM set around the test cartridge, loads it
// through the game descriptor with the debug DIP switch on (the cartridge's stress mode: 1,000
// sprites, every layer per line, every voice playing) and runs 120 frames to warm up. Then each
// round runs 4 frames and takes one rewind capture, as the frame step does; afterwards the
// snapshots are stepped back through one by one, as holding the rewind hotkey does. It prints
// the median and mean cost of a capture (with the state save alone beside it) and of a step
// back, and the raw and packed size of a snapshot.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "adapter/game_adapter.h"
#include "frontend/frontend_state.h"
#include "frontend/rewind.h"
#include "test_romset.h"

typedef std::chrono::steady_clock bench_clock;

static double ms_since(bench_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(bench_clock::now() - start).count();
}

static double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0.0 : values[values.size() / 2];
}

static double mean(const std::vector<double>& values) {
  double sum = 0;
  for (double v : values) sum += v;
  return values.empty() ? 0.0 : sum / double(values.size());
}

static int run_frames(int count) {
  for (int i = 0; i < count; i++) {
    uint32_t frames = 0;
    char message[300] = "";
    fe.adapter->set_inputs(0);
    if (fe.adapter->run_frame(fe.audio_buffer, &frames, message, sizeof message) != 0) {
      std::fprintf(stderr, "bench_rewind: %s\n", message);
      return 0;
    }
    fe.frame_counter++;
  }
  return 1;
}

int main(int argc, char** argv) {
  const long rounds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 200;
  if (argc > 2 || rounds < 2) {
    std::fputs("usage: bench_rewind [ROUNDS >= 2]\n", stderr);
    return 2;
  }
  std::string error;
  const std::string zip = test_romset_temp_path("cobaltin.zip");
  if (!test_romset_write_zip(zip.c_str(), test_romset_program_members("cartridge"), 0, &error)) {
    std::fprintf(stderr, "bench_rewind: %s\n", error.c_str());
    return 1;
  }

  fe.adapter_copy = cobaltin_adapter;
  fe.adapter = &fe.adapter_copy;
  const uint32_t pixels = fe.adapter->width * fe.adapter->height;
  fe.frame = static_cast<uint32_t*>(calloc(pixels, sizeof(uint32_t)));
  fe.upload = static_cast<uint32_t*>(calloc(pixels, sizeof(uint32_t)));
  fe.audio_buffer =
      static_cast<int16_t*>(calloc(size_t(2 * fe.adapter->max_audio_frames + 16), sizeof(int16_t)));
  fe.settings.brightness = 100;
  fe.settings.gamma = 100;
  fe.colour_dirty = 1;
  fe.settings.rewind = 1;
  fe.settings.rewind_mb = 512;  // every snapshot of the run stays
  if (!fe.frame || !fe.upload || !fe.audio_buffer) {
    std::fputs("bench_rewind: out of memory\n", stderr);
    return 1;
  }

  const uint16_t stress = ADAPTER_DIP_WORD_DEFAULT | 0x0004;  // the debug switch
  fe.adapter->set_dip_switches(&stress);
  char message[512] = "";
  if (!fe.adapter->load_rom(zip.c_str(), message, sizeof message)) {
    std::fprintf(stderr, "bench_rewind: %s\n", message);
    return 1;
  }
  fe.rom_ready = 1;
  reset_rewind_ring();
  if (!run_frames(120)) return 1;

  std::vector<double> capture_ms, save_ms, step_ms;
  for (long r = 0; r < rounds; r++) {
    if (!run_frames(4)) return 1;
    // The state save on its own, to tell it from the packing.
    bench_clock::time_point start = bench_clock::now();
    size_t raw = 0;
    free(fe.adapter->save_state(&raw));
    save_ms.push_back(ms_since(start));

    start = bench_clock::now();
    if (!rewind_capture()) {
      std::fputs("bench_rewind: a capture failed\n", stderr);
      return 1;
    }
    capture_ms.push_back(ms_since(start));
  }

  const rewind_ring* ring = &fe.rewind;
  const rewind_entry* newest = ring->entries[(ring->head + ring->count - 1) % ring->capacity];
  const uint32_t raw_size = newest->raw_size;
  const double packed_mean = double(ring->total) / ring->count - 8;
  const int32_t held = ring->count;
  while (ring->count > 1) {
    bench_clock::time_point start = bench_clock::now();
    if (!rewind_step_back()) {
      std::fputs("bench_rewind: a step back failed\n", stderr);
      return 1;
    }
    step_ms.push_back(ms_since(start));
  }

  std::printf("snapshots: %d of %u bytes raw, %.0f bytes packed on average (%.1f%%)\n", held,
              raw_size, packed_mean, 100.0 * packed_mean / raw_size);
  std::printf("capture: %.3f ms median, %.3f ms mean (state save alone %.3f ms median)\n",
              median(capture_ms), mean(capture_ms), median(save_ms));
  std::printf("step back: %.3f ms median, %.3f ms mean (unpack, load, picture)\n", median(step_ms),
              mean(step_ms));

  free_rewind_ring();
  adapter_release();
  free(fe.frame);
  free(fe.upload);
  free(fe.audio_buffer);
  return 0;
}
