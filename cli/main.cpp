#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "batch.h"
#include "command_line.h"
#include "interrupt.h"
#include "version.h"

namespace {

int Run(const std::vector<std::string>& arguments) {
  std::string error;
  const auto line = hosei::ParseCommandLine(arguments, error);
  if (!line) {
    std::fprintf(stderr, "hosei-cli: %s\n", error.c_str());
    return hosei::kUsageOrRefused;
  }
  if (line->help) {
    std::fputs(hosei::UsageText().c_str(), stdout);
    return hosei::kAllDone;
  }
  if (line->version) {
    std::printf("hosei-cli %s\n", hosei::kVersion);
    return hosei::kAllDone;
  }
  if (line->files.empty()) {
    std::fprintf(stderr, "hosei-cli: 処理するファイルを指定してください\n%s",
                 hosei::UsageText().c_str());
    return hosei::kUsageOrRefused;
  }
  hosei::WatchForInterrupts();
  return hosei::RunBatch(*line, stdout, stderr, ::isatty(STDERR_FILENO) != 0);
}

}  // namespace

int main(int argc, char** argv) {
  const int status =
      hosei::CheckedOutput(stdout, stderr, Run(std::vector<std::string>(argv + 1, argv + argc)));
  hosei::EndByReceivedInterrupt();
  return status;
}
