#pragma once

#include <array>
#include <functional>
#include <vector>

#include "picture_preview.h"
#include "reduced_picture.h"

namespace hosei {

// A picture's samples sorted into narrow bins of distance from a centre: how many samples
// of each level a bin holds, and the linear light they should add up to once corrected.
// A correction that is the same at every distance of a bin then gives each bin's light
// from the counts alone, so thousands of candidate corrections are judged in moments.
struct RingLevels {
  static constexpr int kBins = 100;
  static constexpr int kRings = 10;  // the profile: ten equal rings out to the farthest corner

  double centreX = 0;
  double centreY = 0;
  double farthest = 0;  // distance to the farthest corner, the outer edge of the last bin
  std::vector<std::array<float, 256>> counts = std::vector<std::array<float, 256>>(kBins);
  std::vector<double> target = std::vector<double>(kBins, 0.0);
  std::vector<double> light = std::vector<double>(kBins, 0.0);  // as the samples stand

  double binDistance(int bin) const { return (bin + 0.5) * farthest / kBins; }
};

// The light a sample should have once corrected: column and row of its dot in the picture,
// the channel (0 blue, 1 green, 2 red) and its level.
using TargetLight = std::function<double(int column, int row, int channel, int level)>;

// Bins every sample of `picture`, whose dots lie at `placement`, around the centre.
RingLevels GatherRingLevels(const TopDownPicture& picture, const BlockPlacement& placement,
                            double centreX, double centreY, double farthest,
                            const TargetLight& target);

}  // namespace hosei
