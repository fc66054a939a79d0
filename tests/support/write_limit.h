// A real write failure for tests that run as root: while a write_limit lives, a write that
// would take a regular file past `bytes` fails with EFBIG, as on a full disk (RLIMIT_FSIZE,
// which binds root too). SIGXFSZ is ignored meanwhile, as the program ignores it, so the
// failure comes back as a failed write instead of ending the process.
#pragma once

#include <sys/resource.h>

#include <csignal>

class write_limit {
 public:
  explicit write_limit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_limit_);
    old_handler_ = signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = old_limit_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~write_limit() {
    setrlimit(RLIMIT_FSIZE, &old_limit_);
    signal(SIGXFSZ, old_handler_);
  }
  write_limit(const write_limit&) = delete;
  write_limit& operator=(const write_limit&) = delete;

 private:
  struct rlimit old_limit_;
  void (*old_handler_)(int);
};
