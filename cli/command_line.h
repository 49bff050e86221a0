#pragma once

#include <bitset>
#include <optional>
#include <string>
#include <vector>

#include "centre_move.h"
#include "parameters.h"

namespace hosei {

// The most files --jobs may correct at once, and the JPEG qualities --quality accepts.
inline constexpr int kFewestJobs = 1;
inline constexpr int kMostJobs = 256;
inline constexpr int kLowestJpegQuality = 1;
inline constexpr int kHighestJpegQuality = 100;

struct CommandLine {
  FieldTexts fields;
  std::bitset<kFieldCount> givenFields;  // typed on the command line, not defaults
  std::optional<CentreAnswers> centre;
  std::string outputDir;
  int jobs = 0;              // files corrected at once; 0: DefaultJobs()
  int jpegQuality = 0;       // 0: each JPEG keeps its own quantisation tables
  bool estimate = false;     // --estimate: print each file's estimate, write nothing
  bool autoCorrect = false;  // --auto: correct each file with its own estimate
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

// The one line refusing a value: the option, the text as typed (a long one shortened)
// and the values accepted.
std::string RefusalLine(const std::string& option, const std::string& text,
                        const std::string& accepted);

// Typed values are echoed in messages; a pasted page of text is cut to a readable length.
std::string Shortened(const std::string& text);

// The files corrected at once without --jobs: the CPUs this process may run on (its
// affinity mask), at least 1 and at most kMostJobs.
int DefaultJobs();

// What --help shows: the options with their defaults, read from the parameter table.
std::string UsageText();

}  // namespace hosei
