#include "interrupt.h"

#include <atomic>
#include <csignal>

namespace hosei {

namespace {

// Written by the signal handler only, read by every thread that corrects a file: lock-free,
// so the handler may touch it.
std::atomic<int> received{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void Receive(int signal) { received = signal; }

}  // namespace

void WatchForInterrupts() {
  struct sigaction action {};
  action.sa_handler = Receive;
  sigemptyset(&action.sa_mask);
  // A slow pipe on standard output must not see its write fail with EINTR.
  action.sa_flags = SA_RESTART;
  // SIGTERM and SIGHUP stay caught: tools such as timeout signal the process and its group
  // at once, and stopping takes no longer than one read or one chunk of rows.
  for (const int signal : {SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
  // A second Ctrl-C is a user who will not wait: it ends the process at once.
  action.sa_flags |= SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
}

int ReceivedInterrupt() { return received; }

void EndByReceivedInterrupt() {
  if (const int signal = received) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
  }
}

}  // namespace hosei
