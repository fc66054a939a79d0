// soak [MINUTES]: the whole frontend in-process on SDL's dummy drivers, with a temporary HOME
// and the synthetic ROM set, runs the test cartridge's stress mode (the debug DIP switch on) at
// full speed for MINUTES (10) with rewind on, saving a slot every 10 seconds (slots 1-10 in
// turn, the slot records read back after each) and recording an input movie of the whole run.
// Every 10 seconds it samples the resident memory (VmRSS), the open files and the rewind ring,
// and prints them. Then the movie plays back, frame for frame, and the board state it ends in
// is held to the one the run ended in, byte for byte. Exits 0 when the memory stayed flat after
// the warm-up (the first minute: the ring fills to its budget) and the states are the same.
#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "adapter/game_adapter.h"
#include "app/frontend_run.h"
#include "app/shutdown.h"
#include "frontend/file_util.h"
#include "frontend/frame_step.h"
#include "frontend/frontend_state.h"
#include "frontend/movies.h"
#include "frontend/picture.h"
#include "frontend/slots.h"
#include "scratch_dir.h"
#include "test_romset.h"

typedef std::chrono::steady_clock soak_clock;

static const int SOAK_SAMPLE_SECONDS = 10;  // a slot saved and a sample taken this often
static const int SOAK_WARM_UP_SECONDS = 60;
// Growth of the resident memory after the warm-up that still counts as flat.
static const double SOAK_FLAT_MB = 4.0;

struct soak_sample {
  double seconds;
  uint64_t frames;
  double rss_mb;
  int open_files;
  double ring_mb;
  int32_t ring_count;
};

static double seconds_since(soak_clock::time_point start) {
  return std::chrono::duration<double>(soak_clock::now() - start).count();
}

// VmRSS of this process in MiB, from /proc/self/status.
static double resident_mb() {
  FILE* status = fopen("/proc/self/status", "r");
  if (!status) return 0.0;
  char line[256];
  long kb = 0;
  while (fgets(line, sizeof line, status)) {
    if (strncmp(line, "VmRSS:", 6) == 0) kb = strtol(line + 6, nullptr, 10);
  }
  fclose(status);
  return kb / 1024.0;
}

static int open_files() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (struct dirent* entry = readdir(dir)) count += entry->d_name[0] != '.';
    closedir(dir);
  }
  return count - 1;  // the listing's own
}

static soak_sample take_sample(soak_clock::time_point start) {
  return {seconds_since(start),        fe.frame_counter, resident_mb(), open_files(),
          fe.rewind.total / 1048576.0, fe.rewind.count};
}

static void print_sample(const soak_sample& s) {
  printf("%7.0f s %10llu frames  rss %7.1f MB  files %3d  rewind %6.1f MB in %4d snapshots\n",
         s.seconds, static_cast<unsigned long long>(s.frames), s.rss_mb, s.open_files, s.ring_mb,
         int(s.ring_count));
  fflush(stdout);
}

// The board state now, as the game saves it (empty when it cannot).
static std::vector<uint8_t> board_state() {
  size_t size = 0;
  uint8_t* blob = fe.adapter->save_state ? fe.adapter->save_state(&size) : nullptr;
  std::vector<uint8_t> state(blob, blob + (blob ? size : 0));
  free(blob);
  return state;
}

int main(int argc, char** argv) {
  const double minutes = argc > 1 ? strtod(argv[1], nullptr) : 10.0;
  if (argc > 2 || !(minutes > 0.0)) {
    fputs("usage: soak [MINUTES > 0]\n", stderr);
    return 2;
  }
  const scratch_dir home_dir;  // removed with everything in it however the run ends
  const std::string& home = home_dir.path();
  if (home.empty()) {
    perror("soak: mkdtemp");
    return 1;
  }
  setenv("HOME", home.c_str(), 1);
  unsetenv("XDG_DATA_HOME");
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  const std::string data = home + "/.local/share/Larkspindle/Cobaltine";
  const std::string rom = home + "/cobaltin.zip";
  std::string error;
  if (!test_romset_write_zip(rom.c_str(), test_romset_program_members("cartridge"), 0, &error)) {
    fprintf(stderr, "soak: %s\n", error.c_str());
    return 1;
  }
  // Rewind on with its default budget; the debug DIP switch on (the stress mode).
  if (!path_make_dirs(data.c_str()) ||
      !write_text(data + "/settings.ini", "[ui]\nrewind = 1\n[gameplay]\ndsw1 = 0xFFFD\n")) {
    fprintf(stderr, "soak: cannot write %s/settings.ini\n", data.c_str());
    return 1;
  }

  std::vector<std::string> args = {"soak", "--rom", rom, "--no-menu"};
  std::vector<char*> argv_run;
  for (std::string& a : args) argv_run.push_back(a.data());
  argv_run.push_back(nullptr);
  if (frontend_start(&cobaltin_adapter, int(args.size()), argv_run.data()) != -1 || !fe.running) {
    fprintf(stderr, "soak: the game did not start (%s)\n", fe.rom_status);
    return 1;
  }
  movie_start_recording();
  if (!fe.movie_record) {
    fputs("soak: the movie did not start\n", stderr);
    return 1;
  }

  // 1. The run: frame steps and pictures as fast as they come.
  printf("soak: %.1f minutes of the stress cartridge, rewind on, a slot every %d s\n", minutes,
         SOAK_SAMPLE_SECONDS);
  const soak_clock::time_point start = soak_clock::now();
  std::vector<soak_sample> samples;
  samples.push_back(take_sample(start));
  print_sample(samples.back());
  int32_t next_slot = 1, saves = 0, failed_saves = 0;
  double next_sample = SOAK_SAMPLE_SECONDS;
  while (fe.running) {
    run_frame_step();
    fetch_frame();
    upload_frame();
    const double now = seconds_since(start);
    if (now < next_sample) continue;
    next_sample += SOAK_SAMPLE_SECONDS;
    if (save_slot(next_slot)) {
      saves++;
    } else {
      failed_saves++;
    }
    next_slot = next_slot % 10 + 1;
    refresh_slot_info();
    samples.push_back(take_sample(start));
    print_sample(samples.back());
    if (now >= minutes * 60.0) break;
  }
  if (!fe.running) {
    fprintf(stderr, "soak: the game stopped: %s\n", fe.error_body);
    return 1;
  }
  const uint64_t recorded = fe.frame_counter;
  const double run_seconds = seconds_since(start);
  const std::vector<uint8_t> final_state = board_state();
  movie_stop_recording();

  // 2. The movie again, exactly its frames.
  const soak_clock::time_point replay_start = soak_clock::now();
  play_latest_movie();
  const uint64_t words = fe.movie_data ? (fe.movie_size - fe.movie_pos) / 4 : 0;
  uint64_t replayed = 0;
  while (fe.movie_data && fe.running && fe.movie_size - fe.movie_pos >= 4) {
    run_frame_step();
    replayed++;
  }
  const std::vector<uint8_t> replay_state = board_state();
  const double replay_seconds = seconds_since(replay_start);
  frontend_shutdown();
  adapter_release();

  // 3. The figures.
  double low = 0, high = 0;
  bool first = true;
  for (const soak_sample& s : samples) {
    if (s.seconds < SOAK_WARM_UP_SECONDS) continue;
    low = first ? s.rss_mb : std::min(low, s.rss_mb);
    high = first ? s.rss_mb : std::max(high, s.rss_mb);
    first = false;
  }
  const soak_sample& last = samples.back();
  printf("run: %llu frames in %.0f s (%.0f frames/s), %d slots saved, %d saves failed\n",
         static_cast<unsigned long long>(recorded), run_seconds, recorded / run_seconds, saves,
         failed_saves);
  printf(
      "memory after the warm-up: %.1f to %.1f MB (%.1f MB apart); files %d at the start, %d "
      "at the end\n",
      low, high, high - low, samples.front().open_files, last.open_files);
  size_t differ = final_state.size() == replay_state.size() ? final_state.size() : 0;
  for (size_t i = 0; i < final_state.size() && i < replay_state.size(); i++) {
    if (final_state[i] != replay_state[i]) {
      differ = i;
      break;
    }
  }
  const bool same = final_state == replay_state && !final_state.empty();
  printf("movie: %llu words, %llu frames replayed in %.0f s; final state %zu bytes, %s\n",
         static_cast<unsigned long long>(words), static_cast<unsigned long long>(replayed),
         replay_seconds, final_state.size(),
         same ? "the same after the replay"
              : ("differs after the replay from byte " + std::to_string(differ)).c_str());
  const bool flat =
      !first && high - low <= SOAK_FLAT_MB && last.open_files <= samples[0].open_files;
  printf("soak: %s\n", flat && same && failed_saves == 0 && words == recorded ? "ok" : "FAILED");
  return flat && same && failed_saves == 0 && words == recorded ? 0 : 1;
}
