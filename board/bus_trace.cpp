// The bus trace's process-wide state and its line format. The environment is read once, at
// the first traced access, which is itself traced; a file that cannot be opened turns tracing
// off for the process. Lines are left in the stdio buffer: the board never flushes the file.
#include "board/bus_trace.h"

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

// Reads the decimal number at *p when there is one; leaves `out` alone otherwise.
void parse_frame(const char** p, uint64_t* out) {
  if (**p < '0' || **p > '9') return;
  char* end = nullptr;
  *out = std::strtoull(*p, &end, 10);
  *p = end;
}

// "FIRST-LAST"; either part may be missing ("5" traces from frame 5 on, "-9" up to frame 9).
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
