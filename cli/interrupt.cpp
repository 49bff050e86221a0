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
  // Kept for later signals too: tools such as timeout signal the process and its group at
  // once, and stopping takes no longer than one chunk of rows.
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

int ReceivedInterrupt() { return received; }

void EndByReceivedInterrupt() {
  if (const int signal = received) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
  }
}

}  // namespace hosei
