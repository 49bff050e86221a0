#pragma once

#include <cstdio>

#include "command_line.h"

namespace hosei {

enum ExitStatus { kAllDone = 0, kSomeFailed = 1, kUsageOrRefused = 2 };

// Corrects every file of the command line with one setting, each result written on its
// own; a file that cannot be done is reported and the others still run.
int RunBatch(const CommandLine& line, std::FILE* out, std::FILE* err, bool showProgress);

// Lines lost on a full disk must not pass for a finished run: flushes `out` and, when it or
// an earlier write failed, tells so on `err` (`problem`: the errno of that write, when known)
// and turns a finished run's status into kSomeFailed; a failed run keeps its own.
int CheckedOutput(std::FILE* out, std::FILE* err, int status, int problem = 0);

}  // namespace hosei
