// bench_frames ROM.zip N [--stress]: loads a ROM set, runs N frames headless and prints, last,
// "<N> frames: <F> frames/s, <X>x real time (cpu <A> ms, video <B> ms, sound <C> ms per
// frame)". --stress sets the debug DIP switch. Before that line it reports the cost of a save
// state taken every 4th frame, as the rewind ring takes them, and the guest instructions per
// frame (the divisor for host instruction counts per guest instruction). The renderer and the
// sound generation are timed through link-time wrappers (see CMakeLists.txt), and a warning says
// so when a build bypassed one; the CPU figure is the rest of the frame.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/frame_loop.h"
#include "board/machine.h"
#include "board/rom_set.h"
#include "board/save_state.h"

typedef std::chrono::steady_clock bench_clock;

static double video_seconds = 0;
static double sound_seconds = 0;
static long video_calls = 0, sound_calls = 0;

static double seconds_since(bench_clock::time_point start) {
  return std::chrono::duration<double>(bench_clock::now() - start).count();
}

extern "C" void __real__Z18video_render_frameP7machine(machine* m);
extern "C" void __wrap__Z18video_render_frameP7machine(machine* m) {
  const bench_clock::time_point start = bench_clock::now();
  __real__Z18video_render_frameP7machine(m);
  video_seconds += seconds_since(start);
  video_calls++;
}

struct ymf_glue;
extern "C" void __real__Z17ymf_glue_generateP8ymf_gluePii(ymf_glue* glue, int32_t* out,
                                                          int32_t count);
extern "C" void __wrap__Z17ymf_glue_generateP8ymf_gluePii(ymf_glue* glue, int32_t* out,
                                                          int32_t count) {
  const bench_clock::time_point start = bench_clock::now();
  __real__Z17ymf_glue_generateP8ymf_gluePii(glue, out, count);
  sound_seconds += seconds_since(start);
  sound_calls++;
}

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4 || (argc == 4 && std::strcmp(argv[3], "--stress") != 0)) {
    std::fputs("usage: bench_frames ROM.zip N [--stress]\n", stderr);
    return 2;
  }
  const long frames = std::strtol(argv[2], nullptr, 10);
  if (frames <= 0) {
    std::fputs("bench_frames: N must be a positive frame count\n", stderr);
    return 2;
  }
  machine* m = (machine*)std::calloc(1, sizeof(machine));
  if (!m) {
    std::fputs("bench_frames: out of memory\n", stderr);
    return 1;
  }
  if (!machine_load(m, argv[1])) {
    std::fprintf(stderr, "bench_frames: %s\n", m->error_text);
    std::free(m);
    return 1;
  }
  if (argc == 4) {
    m->dip_flag = 1;  // DIP word bit 2: debug
    machine_reset(m);
  }

  const uint64_t first_instruction = m->sh2.instructions;
  double frame_seconds = 0, save_seconds = 0;
  long saves = 0;
  size_t save_bytes = 0;
  int stopped = 0;
  long run = 0;
  for (; run < frames && !stopped; run++) {
    int16_t audio[FRAME_MAX_SAMPLES];
    uint32_t count = 0;
    const bench_clock::time_point start = bench_clock::now();
    stopped = machine_run_frame(m, audio, &count);
    frame_seconds += seconds_since(start);
    if (run % 4 == 0) {
      const bench_clock::time_point save_start = bench_clock::now();
      uint8_t* blob = state_save(m, &save_bytes);
      save_seconds += seconds_since(save_start);
      std::free(blob);
      saves++;
    }
  }
  if (stopped) std::fprintf(stderr, "bench_frames: the program stopped in frame %ld\n", run);
  // A wrapper that never ran was bypassed (link-time optimisation inlines across the wrapped
  // calls): that part then counts in the CPU figure, and its own shows 0.
  if (!video_calls || !sound_calls)
    std::fprintf(stderr, "bench_frames: the %s not timed apart (its wrapper was bypassed)\n",
                 !video_calls && !sound_calls ? "renderer and the sound generation were"
                 : !video_calls               ? "renderer was"
                                              : "sound generation was");

  const double per_frame = frame_seconds / run;
  const double video = video_seconds / run, sound = sound_seconds / run;
  std::printf("state save: %.3f ms (every 4th frame, %zu bytes)\n", 1000 * save_seconds / saves,
              save_bytes);
  std::printf("guest: %.0f instructions per frame\n",
              (double)(m->sh2.instructions - first_instruction) / run);
  std::printf(
      "%ld frames: %.1f frames/s, %.2fx real time (cpu %.3f ms, video %.3f ms, sound %.3f "
      "ms per frame)\n",
      run, 1 / per_frame, 1 / (per_frame * 60), 1000 * (per_frame - video - sound), 1000 * video,
      1000 * sound);
  machine_unload(m);
  std::free(m);
  return stopped ? 1 : 0;
}
