#include "light_map.h"

#include <algorithm>

#include "light_levels.h"

namespace hosei {

namespace {

// A channel this bright may have been cut off at white, so its cell says nothing of the
// light that fell on it.
constexpr int kClippedLevel = 250;
// Below about two levels, rounding alone changes a cell's light by half.
constexpr float kDarkestLight = 0.0006f;

}  // namespace

LightMap MakeLightMap(const ReducedPicture& reduced, int width, int height, int cellsOnLongSide) {
  const TopDownPicture& picture = reduced.picture;
  int cell = 1;
  LightMap map = EmptyCellMap(reduced, width, height, cellsOnLongSide, 0.0f, cell);
  std::vector<double> sums(static_cast<std::size_t>(map.width));
  std::vector<int> counts(static_cast<std::size_t>(map.width));
  std::vector<bool> clipped(static_cast<std::size_t>(map.width));
  const auto& linear = LinearLightOfLevel();
  for (int row = 0; row < map.height; ++row) {
    std::fill(sums.begin(), sums.end(), 0.0);
    std::fill(counts.begin(), counts.end(), 0);
    std::fill(clipped.begin(), clipped.end(), false);
    const int endY = std::min(picture.height, (row + 1) * cell);
    for (int y = row * cell; y < endY; ++y) {
      const std::uint8_t* dot = picture.row(y);
      for (int x = 0; x < picture.width; ++x, dot += 3) {
        const int column = x / cell;
        sums[column] += linear[dot[0]] + linear[dot[1]] + linear[dot[2]];
        counts[column] += 3;
        if (std::max({dot[0], dot[1], dot[2]}) >= kClippedLevel) clipped[column] = true;
      }
    }
    for (int column = 0; column < map.width; ++column) {
      const float mean = static_cast<float>(sums[column] / counts[column]);
      map.light[static_cast<std::size_t>(row) * map.width + column] =
          clipped[column] || mean < kDarkestLight ? -1.0f : mean;
    }
  }
  return map;
}

}  // namespace hosei
