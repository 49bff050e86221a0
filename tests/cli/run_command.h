#pragma once

#include <string>
#include <vector>

namespace hosei::test {

struct CommandResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs a program with arguments (no shell), capturing both output streams.
CommandResult RunCommand(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace hosei::test
