#pragma once

#include <optional>
#include <string>
#include <vector>

#include "parameters.h"

namespace hosei {

// The two answers of the centre dialog, as typed after --centre X,Y.
struct CentreAnswers {
  std::string x;
  std::string y;
};

struct CommandLine {
  FieldTexts fields;
  std::optional<CentreAnswers> centre;
  std::string outputDir;
  bool quiet = false;
  bool help = false;
  bool version = false;
  std::vector<std::string> files;
};

// Reads the arguments; on a usage error returns nothing and sets `error` to one line.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& arguments,
                                            std::string& error);

// The option that carries a field, for messages about a refused value.
const char* OptionOf(Field field);

extern const char* const kUsage;

}  // namespace hosei
