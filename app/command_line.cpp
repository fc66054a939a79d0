// Parsing the command line and wording its usage text.
#include "app/command_line.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

static int32_t command_line_number(const char* text) {
  long value = strtol(text, nullptr, 10);  // text that is no number reads as 0
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return int32_t(value);
}

void command_line_parse(int argc, char** argv, command_line* out) {
  memset(out, 0, sizeof *out);
  out->window_mode = -1;
  out->rotation = -1;
  for (int i = 1; i < argc; i++) {
    const char* arg = argv[i];
    if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
      out->help = 1;
      return;
    }
    if (arg[0] != '-') {
      if (!out->rom) out->rom = arg;
      continue;
    }
    if (strcmp(arg, "--fullscreen") == 0) {
      out->window_mode = 1;
    } else if (strcmp(arg, "--windowed") == 0) {
      out->window_mode = 0;
    } else if (strcmp(arg, "--portable") == 0) {
      out->portable = 1;
    } else if (strcmp(arg, "--no-menu") == 0) {
      out->no_menu = 1;
    } else if (i + 1 < argc) {
      // The options that take a value; their value is the next argument, whatever it is.
      const char* value = argv[i + 1];
      int taken = 1;
      if (strcmp(arg, "--rom") == 0) {
        out->rom = value;
      } else if (strcmp(arg, "--scale") == 0) {
        int32_t n = command_line_number(value);
        out->scale = n > COMMAND_LINE_MAX_SCALE ? int32_t(COMMAND_LINE_MAX_SCALE) : n;
      } else if (strcmp(arg, "--window") == 0) {
        if (sscanf(value, "%dx%d", &out->window_w, &out->window_h) != 2) {
          out->window_w = 0;
          out->window_h = 0;
        }
      } else if (strcmp(arg, "--state") == 0) {
        out->state = value;
      } else if (strcmp(arg, "--rotate") == 0) {
        out->rotation = command_line_number(value);
      } else if (strcmp(arg, "--frames") == 0) {
        out->frame_limit = command_line_number(value);
      } else if (strcmp(arg, "--screenshot") == 0) {
        snprintf(out->screenshot, sizeof out->screenshot, "%s", value);
      } else if (strcmp(arg, "--profile") == 0) {
        out->profile = value;
      } else {
        taken = 0;  // an unknown option: ignored, and the next argument is its own
      }
      if (taken) i++;
    }
  }
}

int command_line_usage(const char* program, const char* rom_archive, char* out, size_t out_size) {
  return snprintf(
      out, out_size,
      "%s\n"
      "  --rom PATH        ROM archive (%s)\n"
      "  --fullscreen      start fullscreen\n"
      "  --windowed        start in a window\n"
      "  --scale N         window size multiple\n"
      "  --window WxH      exact window size (e.g. 1280x800 to preview Steam Deck)\n"
      "  --portable        keep settings and saves beside the executable\n"
      "  --state FILE      load a save-state file at start\n"
      "  --no-menu         start the game immediately\n"
      "  --rotate N        picture rotation in quarter turns (0-3; default: original)\n"
      "  --frames N        quit after N frames (automated checks)\n"
      "  --screenshot FILE write a PNG of the last frame at exit\n"
      "  --profile FILE    use this game profile (JSON) instead of profiles/<id>.json\n",
      program ? program : "", rom_archive ? rom_archive : "");
}
