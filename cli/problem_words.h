#pragma once

#include <string>

#include "file_error.h"
#include "gettext.h"
#include "parameters.h"

// hosei-cli's words for the problems the engine returns as values, in the user's language.
namespace hosei {

// One line a user can act on, naming the file; the system's or the detail's reason follows
// in brackets where there is one.
std::string FileErrorLine(const FileError& error);

// The values a field accepts, for a refusal and the usage text.
std::string AcceptedWords(Field field);

// The whole numbers from lowest to highest, as the options --jobs and --quality accept.
inline constexpr const char* kWholeNumbersPattern = N_("a whole number from %s to %s");
std::string WholeNumbersWords(int lowest, int highest);

}  // namespace hosei
