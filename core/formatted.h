#pragma once

#include <string>
#include <vector>

namespace hosei {

// A message pattern with its %s (or, where a translation reorders them, %1$s ...) filled
// from `values` by the C library's printf, so that the patterns in a message catalogue
// keep printf's rules and msgfmt can check them. At most eight values.
std::string Formatted(const char* pattern, const std::vector<std::string>& values);

// A number as a message quotes it: no exponent and no trailing zeros.
std::string MessageNumber(double value);

}  // namespace hosei
