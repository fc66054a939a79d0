// The quit signals' handler only notes the signal (an async-signal-safe store); the main loop
// takes the note at its next iteration and quits from there, on the main thread.
#include "frontend/quit_signals.h"

#include <csignal>

static volatile sig_atomic_t quit_requested = 0;  // the last quit signal's number, 0 when none

static const int QUIT_SIGNALS[] = {SIGHUP, SIGTERM, SIGINT};
static const int IGNORED_SIGNALS[] = {SIGPIPE, SIGXFSZ};
enum { HANDLED_SIGNALS = 5 };

static struct sigaction saved_actions[HANDLED_SIGNALS];  // what was there before installing
static int installed = 0;

static void quit_signal_handler(int signal_number) {
  quit_requested = signal_number;
}

void quit_signals_install() {
  if (installed) return;
  struct sigaction action = {};
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;  // a signal must not fail a read or write half-way
  int i = 0;
  action.sa_handler = quit_signal_handler;
  for (int number : QUIT_SIGNALS) sigaction(number, &action, &saved_actions[i++]);
  action.sa_handler = SIG_IGN;
  for (int number : IGNORED_SIGNALS) sigaction(number, &action, &saved_actions[i++]);
  quit_requested = 0;
  installed = 1;
}

void quit_signals_restore() {
  if (!installed) return;
  int i = 0;
  for (int number : QUIT_SIGNALS) sigaction(number, &saved_actions[i++], nullptr);
  for (int number : IGNORED_SIGNALS) sigaction(number, &saved_actions[i++], nullptr);
  installed = 0;
}

int quit_signal_take() {
  const int number = quit_requested;
  quit_requested = 0;
  return number;
}

const char* quit_signal_name(int signal_number) {
  switch (signal_number) {
    case SIGHUP:
      return "SIGHUP";
    case SIGTERM:
      return "SIGTERM";
    case SIGINT:
      return "SIGINT";
    default:
      return "a signal";
  }
}
