// The frontend log of one test: opens the log file for the capture's lifetime, so a test can
// check the exact lines a module logged ("[HH:MM:SS] message").
#pragma once

#include <string>

#include "frontend/log.h"
#include "scratch_dir.h"

class log_capture {
 public:
  explicit log_capture(const std::string& path) : path_(path) { log_file_open(path.c_str()); }
  ~log_capture() { log_file_close(); }
  log_capture(const log_capture&) = delete;
  log_capture& operator=(const log_capture&) = delete;

  std::string text() const { return read_text(path_); }
  // Whether some line is exactly this message.
  bool has(const std::string& message) const {
    return text().find("] " + message + "\n") != std::string::npos;
  }
  // Whether some line's message starts with this text.
  bool has_prefix(const std::string& start) const {
    return text().find("] " + start) != std::string::npos;
  }

 private:
  std::string path_;
};
