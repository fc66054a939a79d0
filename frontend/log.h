// The frontend's one log: every line is "[HH:MM:SS] message" on standard error and, while a
// log file is open, in that file too, flushed at once so the file is complete at any moment.
// Callers word the messages; board diagnostics go their own way.
#pragma once

// Closes an open log, then opens path for writing (truncating it; see file_open_write: nothing
// but a regular file is written). When that fails the log stays closed, lines go to standard
// error only, and the first of them says why.
void log_file_open(const char* path);

// Closes the log file if one is open; later lines go to standard error only.
void log_file_close();

// Formats one message (cut at 2047 characters) and writes it as one log line.
void log_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
