#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace hosei::test {

struct CliRun {
  int exitCode = -1;  // 128 + signal when killed; -1 when it could not be started
  bool timedOut = false;
  std::string out;
  std::string err;
  long peakMemoryKiB = 0;  // the child's own maximum resident set size

  int errLines() const;
};

// Runs hosei-cli with the arguments (no shell, standard input from /dev/null), capturing
// both output streams and the child's own resource use. A run that outlives `limit` is
// killed and reported as timed out, so a hang fails the test instead of stalling the suite.
CliRun RunCli(const std::vector<std::string>& arguments,
              std::chrono::seconds limit = std::chrono::seconds(60));

// Under AddressSanitizer memory use and speed say nothing about the real program.
bool RunningUnderSanitizers();

}  // namespace hosei::test
