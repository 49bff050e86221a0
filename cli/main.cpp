#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "batch.h"
#include "command_line.h"
#include "gettext.h"
#include "interrupt.h"
#include "language.h"
#include "version.h"

namespace {

// A long text fills stdio's buffer and is written while it is put: the reason of a failure
// is known only then, before later calls change errno. `problem` keeps the first one.
void PutOut(const std::string& text, int& problem) {
  if (std::fputs(text.c_str(), stdout) == EOF && !problem) problem = errno;
}

int Run(const std::vector<std::string>& arguments, int& outputProblem) {
  std::string error;
  const auto line = hosei::ParseCommandLine(arguments, error);
  if (!line) {
    std::fprintf(stderr, "hosei-cli: %s\n", error.c_str());
    return hosei::kUsageOrRefused;
  }
  if (line->help) {
    PutOut(hosei::UsageText(), outputProblem);
    return hosei::kAllDone;
  }
  if (line->version) {
    PutOut(std::string("hosei-cli ") + hosei::kVersion + "\n", outputProblem);
    return hosei::kAllDone;
  }
  if (line->files.empty()) {
    std::fprintf(stderr, "hosei-cli: %s\n%s", hosei::_("give the files to correct"),
                 hosei::UsageText().c_str());
    return hosei::kUsageOrRefused;
  }
  hosei::WatchForInterrupts();
  return hosei::RunBatch(*line, stdout, stderr, ::isatty(STDERR_FILENO) != 0);
}

}  // namespace

int main(int argc, char** argv) {
  hosei::SpeakTheUsersLanguage();
  int outputProblem = 0;
  const int status = Run(std::vector<std::string>(argv + 1, argv + argc), outputProblem);
  const int checked = hosei::CheckedOutput(stdout, stderr, status, outputProblem);
  hosei::EndByReceivedInterrupt();
  return checked;
}
