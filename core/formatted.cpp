#include "formatted.h"

#include <array>
#include <cstdio>

namespace hosei {

std::string Formatted(const char* pattern, const std::vector<std::string>& values) {
  // printf takes arguments the pattern does not use, but never fewer than it uses.
  std::array<const char*, 8> v;
  v.fill("");
  for (std::size_t i = 0; i < v.size() && i < values.size(); ++i) v[i] = values[i].c_str();
  const int size =
      std::snprintf(nullptr, 0, pattern, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
  if (size <= 0) return {};
  std::string text(static_cast<std::size_t>(size), '\0');
  std::snprintf(text.data(), text.size() + 1, pattern, v[0], v[1], v[2], v[3], v[4], v[5], v[6],
                v[7]);
  return text;
}

std::string MessageNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", value);
  return text;
}

}  // namespace hosei
