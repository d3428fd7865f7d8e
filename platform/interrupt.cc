#include "platform/interrupt.h"

#include <signal.h>

#include <atomic>

namespace platform {
namespace {

// A signal is process-wide: so is what it leaves for the program to see.
std::atomic<bool> interrupted{false};

void NoteInterrupt(int) {
  interrupted = true;
  signal(SIGINT, SIG_DFL);  // the next Ctrl-C ends the process at once
}

}  // namespace

void WatchInterrupt() {
  struct sigaction action {};
  action.sa_handler = NoteInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
}

bool Interrupted() { return interrupted; }

}  // namespace platform
