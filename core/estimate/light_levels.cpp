#include "light_levels.h"

#include <cmath>

namespace hosei {

const std::array<float, 256>& LinearLightOfLevel() {
  static const std::array<float, 256> table = [] {
    std::array<float, 256> light{};
    for (int level = 0; level < 256; ++level) {
      const double v = level / 255.0;
      light[level] =
          static_cast<float>(v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
    }
    return light;
  }();
  return table;
}

}  // namespace hosei
