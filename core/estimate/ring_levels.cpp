#include "ring_levels.h"

#include <algorithm>
#include <cmath>

#include "light_levels.h"

namespace hosei {

RingLevels GatherRingLevels(const TopDownPicture& picture, const BlockPlacement& placement,
                            double centreX, double centreY, double farthest,
                            const TargetLight& target) {
  RingLevels levels;
  levels.centreX = centreX;
  levels.centreY = centreY;
  levels.farthest = farthest;
  for (auto& counts : levels.counts) counts.fill(0.0f);
  const double perBin = RingLevels::kBins / std::max(farthest, 1e-9);
  for (int row = 0; row < picture.height; ++row) {
    const double dy = placement.y[row] - centreY;
    const std::uint8_t* dot = picture.row(row);
    for (int column = 0; column < picture.width; ++column, dot += 3) {
      const double d = std::hypot(placement.x[column] - centreX, dy);
      const int bin = std::min(RingLevels::kBins - 1, static_cast<int>(d * perBin));
      for (int channel = 0; channel < 3; ++channel) {
        levels.counts[bin][dot[channel]] += 1.0f;
        levels.light[bin] += LinearLightOfLevel()[dot[channel]];
        levels.target[bin] += target(column, row, channel, dot[channel]);
      }
    }
  }
  return levels;
}

}  // namespace hosei
