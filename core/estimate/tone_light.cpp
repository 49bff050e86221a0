#include "tone_light.h"

#include <memory>

#include "light_levels.h"

namespace hosei {

const LightRows& LightOfToneRows() {
  static const std::unique_ptr<LightRows> rows = [] {
    auto light = std::make_unique<LightRows>();
    const auto& linear = LinearLightOfLevel();
    for (int row = 1; row < kToneRows; ++row)
      for (int level = 0; level < 256; ++level)
        (*light)[row][level] = linear[ToneCurve()(row, level)];
    return light;
  }();
  return *rows;
}

}  // namespace hosei
