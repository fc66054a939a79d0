// Running a piece of a test without root's rights: the CI runs as root, which reads and writes
// every file whatever its permissions, so a "permission denied" path is tried in a forked child
// that drops to the user and group "nobody" (65534) first. Only the child loses its rights.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

// Runs `body` and gives its result (0-255). With `drop` set it runs in a forked child that first
// becomes "nobody" when it is root; 255 when the child cannot be made or does not end normally.
inline int run_as_nobody(int drop, const std::function<int()>& body) {
  if (!drop) return body();
  const pid_t child = fork();
  if (child < 0) return 255;
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(254);
    _exit(body() & 255);  // no exit handlers: the parent's test state stays the parent's
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return 255;
  return WEXITSTATUS(status);
}
