// bench_settings [KEYS]: writes two settings.ini files of KEYS keys (100,000 unless given) into
// a temporary folder, one with every key in one section and one with a section per key, and
// for each prints the time settings_table_load and settings_table_save take and the peak
// resident memory of the run. Each file is measured in a child process of its own, so the peak
// memory of one does not hide the other's.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "frontend/settings_store.h"

typedef std::chrono::steady_clock bench_clock;

static double seconds_since(bench_clock::time_point start) {
  return std::chrono::duration<double>(bench_clock::now() - start).count();
}

// The file's text: KEYS keys with values of a realistic length, under one section or each
// under a section of its own.
static std::string settings_text(long keys, bool section_per_key) {
  std::string text = "# Settings written by the frontend. Safe to edit while the game is closed.\n";
  char line[128];
  if (!section_per_key) text += "\n[extra]\n";
  for (long i = 0; i < keys; i++) {
    if (section_per_key) {
      std::snprintf(line, sizeof line, "\n[section_%06ld]\n", i);
      text += line;
    }
    std::snprintf(line, sizeof line, "key_%06ld = value number %ld\n", i, i);
    text += line;
  }
  return text;
}

// Loads and saves the file once; prints one line. 0 on success.
static int measure(const char* label, const std::string& folder, long keys, bool section_per_key) {
  const std::string in = folder + "/in.ini", out = folder + "/out.ini";
  const std::string text = settings_text(keys, section_per_key);
  FILE* file = std::fopen(in.c_str(), "wb");
  if (!file || std::fwrite(text.data(), 1, text.size(), file) != text.size() ||
      std::fclose(file) != 0) {
    std::fprintf(stderr, "bench_settings: cannot write %s\n", in.c_str());
    return 1;
  }

  settings_table table = {};
  bench_clock::time_point start = bench_clock::now();
  const int loaded = settings_table_load(&table, in.c_str());
  const double load_s = seconds_since(start);
  start = bench_clock::now();
  const int saved = settings_table_save(&table, out.c_str());
  const double save_s = seconds_since(start);
  const int32_t count = table.count;
  settings_table_clear(&table);
  if (!loaded || !saved || count != keys) {
    std::fprintf(stderr, "bench_settings: %s: load %d, save %d, %d keys read\n", label, loaded,
                 saved, count);
    return 1;
  }
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%-22s %8ld keys, %6.2f MB file: load %8.3f s, save %8.3f s, peak %7.1f MB\n", label,
              keys, double(text.size()) / 1e6, load_s, save_s, double(usage.ru_maxrss) / 1024.0);
  return 0;
}

int main(int argc, char** argv) {
  const long keys = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 100000;
  if (argc > 2 || keys < 1) {
    std::fputs("usage: bench_settings [KEYS >= 1]\n", stderr);
    return 2;
  }
  char folder[] = "/tmp/bench_settings.XXXXXX";
  if (!mkdtemp(folder)) {
    std::perror("bench_settings: mkdtemp");
    return 1;
  }
  int failed = 0;
  const struct {
    const char* label;
    bool section_per_key;
  } cases[] = {{"one section", false}, {"a section per key", true}};
  for (const auto& c : cases) {
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
      const int result = measure(c.label, folder, keys, c.section_per_key);
      std::fflush(stdout);  // _exit does not flush
      _exit(result);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
      failed = 1;
    }
  }
  const std::string in = std::string(folder) + "/in.ini", out = std::string(folder) + "/out.ini";
  std::remove(in.c_str());
  std::remove(out.c_str());
  rmdir(folder);
  return failed;
}
