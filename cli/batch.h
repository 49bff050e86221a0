#pragma once

#include <cstdio>

#include "command_line.h"

namespace hosei {

enum ExitStatus { kAllDone = 0, kSomeFailed = 1, kUsageOrRefused = 2 };

// Corrects every file of the command line with one setting, each result written on its
// own; a file that cannot be done is reported and the others still run.
int RunBatch(const CommandLine& line, std::FILE* out, std::FILE* err, bool showProgress);

}  // namespace hosei
