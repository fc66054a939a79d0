// The program's command line: a pure parser into a record, and the usage text that --help
// prints. Nothing here touches SDL or the frontend's state; start-up applies the record.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frontend/file_util.h"

// The most --scale may ask for: beyond any display, and it keeps the desktop clamp short and
// every window size well inside an int.
enum { COMMAND_LINE_MAX_SCALE = 32 };

// What the command line asked for, kept only for the run. Pointers point into argv.
struct command_line {
  const char* rom;      // --rom PATH, or the first bare argument; null = none
  int32_t window_mode;  // -1 none, 1 --fullscreen, 0 --windowed (the last one wins)
  int32_t scale;        // --scale N, cut to COMMAND_LINE_MAX_SCALE; used when > 0
  int32_t window_w;     // --window WxH; 0, 0 when not both numbers were read
  int32_t window_h;
  int32_t portable;                // --portable
  const char* profile;             // --profile FILE; null = search
  const char* state;               // --state FILE; null = none
  int32_t no_menu;                 // --no-menu
  int32_t rotation;                // --rotate N; used when >= 0
  int32_t frame_limit;             // --frames N; 0 = none
  char screenshot[FILE_PATH_MAX];  // --screenshot FILE, cut to fit; "" = none
  int32_t help;                    // --help or -h was seen: print the usage and stop
};

// Reads argv[1..argc-1] once, in order. An option that takes a value takes the next argument
// whatever it looks like; as the last argument it is ignored like any unknown "-" argument.
// Parsing stops at --help or -h.
void command_line_parse(int argc, char** argv, command_line* out);

// The usage text: the program's path, then one line per option naming the ROM archive. Cut to
// out_size; returns the length the whole text needs (as snprintf does).
int command_line_usage(const char* program, const char* rom_archive, char* out, size_t out_size);
