// The log line writer and the process-wide log file handle (main thread only).
#include "frontend/log.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>

#include "frontend/file_util.h"

static FILE* log_file = nullptr;  // open log file, or null; set by log_file_open

void log_file_open(const char* path) {
  log_file_close();
  // Never through a FIFO (which would wait for a reader) or into a device.
  char reason[FILE_MESSAGE_MAX] = "";
  log_file = file_open_write(path, reason, sizeof reason);
  if (!log_file) log_printf("cannot open the log %s: %s", path, reason);
}

void log_file_close() {
  if (!log_file) return;
  fclose(log_file);
  log_file = nullptr;
}

void log_printf(const char* format, ...) {
  char message[2048];
  va_list args;
  va_start(args, format);
  vsnprintf(message, sizeof message, format, args);
  va_end(args);

  char stamp[16] = "";
  time_t now = time(nullptr);
  struct tm local;
  if (localtime_r(&now, &local)) strftime(stamp, sizeof stamp, "%H:%M:%S", &local);

  // One formatted write per stream keeps each line whole.
  fprintf(stderr, "[%s] %s\n", stamp, message);
  if (log_file) {
    fprintf(log_file, "[%s] %s\n", stamp, message);
    fflush(log_file);
  }
}
