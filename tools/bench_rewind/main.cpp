// bench_rewind [ROUNDS]: writes the synthetic ROM set around the test cartridge, loads it
// through the game descriptor with the debug DIP switch on (the cartridge's stress mode: 1,000
// sprites, every layer per line, every voice playing) and runs 120 frames to warm up. Then each
// round runs 4 frames and takes one rewind capture, as the frame step does; afterwards the
// snapshots are stepped back through one by one, as holding the rewind hotkey does. It prints
// the median and mean cost of a capture (with the state save alone beside it) and of a step
// back, and the raw and packed size of a snapshot.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench_game.h"
#include "frontend/frontend_state.h"
#include "frontend/rewind.h"

typedef std::chrono::steady_clock bench_clock;

static double ms_since(bench_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(bench_clock::now() - start).count();
}

static double mean(const std::vector<double>& values) {
  double sum = 0;
  for (double v : values) sum += v;
  return values.empty() ? 0.0 : sum / double(values.size());
}

int main(int argc, char** argv) {
  const long rounds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 200;
  if (argc > 2 || rounds < 2) {
    std::fputs("usage: bench_rewind [ROUNDS >= 2]\n", stderr);
    return 2;
  }
  char message[512] = "";
  if (!bench_load_cartridge(1, message, sizeof message)) {
    std::fprintf(stderr, "bench_rewind: %s\n", message);
    return 1;
  }
  fe.settings.rewind = 1;
  fe.settings.rewind_mb = 512;  // every snapshot of the run stays
  reset_rewind_ring();
  if (!bench_run_frames(120, message, sizeof message)) {
    std::fprintf(stderr, "bench_rewind: %s\n", message);
    return 1;
  }

  std::vector<double> capture_ms, save_ms, step_ms;
  for (long r = 0; r < rounds; r++) {
    if (!bench_run_frames(4, message, sizeof message)) {
      std::fprintf(stderr, "bench_rewind: %s\n", message);
      return 1;
    }
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
              bench_median(capture_ms), mean(capture_ms), bench_median(save_ms));
  std::printf("step back: %.3f ms median, %.3f ms mean (unpack, load, picture)\n",
              bench_median(step_ms), mean(step_ms));

  free_rewind_ring();
  bench_release_cartridge();
  return 0;
}
