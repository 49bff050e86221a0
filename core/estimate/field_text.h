#pragma once

#include <cmath>
#include <string>

namespace hosei {

// An estimated value as the whole number a field is given.
inline std::string WholeText(double value) { return std::to_string(std::lround(value)); }

}  // namespace hosei
