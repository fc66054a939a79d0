// The bus trace's process-wide state and its line format. The environment is read once, at
// the first traced access, which is itself traced; a file that cannot be opened turns tracing
// off for the process. Lines are left in the stdio buffer: the board never flushes the file.
#include "board/bus_trace.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "board/machine.h"

namespace {

struct trace_state {
  int configured;  // 1 once the environment has been read
  FILE* file;      // open trace file, or null: tracing off
  uint64_t first;  // first frame traced (frames counted from 1)
  uint64_t last;   // last frame traced
};

trace_state trace = {0, nullptr, 0, UINT64_MAX};

// One "%llu" of the range: blanks are skipped (and stay consumed), then an optional '+' and
// the decimal digits. Without digits `out` keeps its default and only the blanks are consumed.
void parse_frame(const char** p, uint64_t* out) {
  const char* q = *p;
  while (std::isspace((unsigned char)*q)) q++;
  *p = q;
  if (*q == '+') q++;
  if (*q < '0' || *q > '9') return;
  char* end = nullptr;
  *out = std::strtoull(q, &end, 10);
  *p = end;
}

// "FIRST-LAST" as "%llu-%llu" reads it, except that a missing part keeps its default ("5"
// traces from frame 5 on, "-9" up to frame 9) instead of ending the read or, for "-9", being
// read as a negative number.
void parse_frames(const char* text, uint64_t* first, uint64_t* last) {
  parse_frame(&text, first);
  if (*text != '-') return;
  text++;
  parse_frame(&text, last);
}

void configure() {
  trace.configured = 1;
  const char* path = std::getenv("CB_TRACE_IO");
  if (!path) return;
  trace.file = std::fopen(path, "w");
  if (const char* frames = std::getenv("CB_TRACE_FRAMES"))
    parse_frames(frames, &trace.first, &trace.last);
}

}  // namespace

void io_trace(const machine* m, char kind, uint32_t address, uint32_t value) {
  if (!trace.configured) configure();
  if (!trace.file) return;
  const uint64_t frame = m->frame_counter + 1;
  if (frame < trace.first || frame > trace.last) return;
  std::fprintf(trace.file, "%llu %c %08X %08X %llu\n", static_cast<unsigned long long>(frame), kind,
               address, value, static_cast<unsigned long long>(m->sh2.cycles));
}

void bus_trace_restart() {
  if (trace.file) std::fclose(trace.file);
  trace = {0, nullptr, 0, UINT64_MAX};
}
