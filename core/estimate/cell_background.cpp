#include "cell_background.h"

#include <algorithm>

#include "light_levels.h"

namespace hosei {

namespace {

// Below about a level and a half the rounding of the stored levels is the background.
constexpr float kDarkestLight = 0.0005f;

}  // namespace

CellBackground MakeCellBackground(const ReducedPicture& reduced, int width, int height,
                                  int cellsOnLongSide, DotLight light, double share) {
  const TopDownPicture& picture = reduced.picture;
  int cell = 1;
  CellBackground map = EmptyCellMap(reduced, width, height, cellsOnLongSide, -1.0f, cell);
  const auto& linear = LinearLightOfLevel();
  std::vector<float> dots;
  for (int row = 0; row < map.height; ++row)
    for (int column = 0; column < map.width; ++column) {
      dots.clear();
      const int endY = std::min(picture.height, (row + 1) * cell);
      const int endX = std::min(picture.width, (column + 1) * cell);
      for (int y = row * cell; y < endY; ++y) {
        const std::uint8_t* dot = picture.row(y) + 3 * column * cell;
        for (int x = column * cell; x < endX; ++x, dot += 3)
          dots.push_back(light == DotLight::kDarkestChannel
                             ? linear[std::min({dot[0], dot[1], dot[2]})]
                             : (linear[dot[0]] + linear[dot[1]] + linear[dot[2]]) / 3.0f);
      }
      const auto at =
          dots.begin() + static_cast<std::ptrdiff_t>(share * static_cast<double>(dots.size() - 1));
      std::nth_element(dots.begin(), at, dots.end());
      if (*at >= kDarkestLight) map.light[static_cast<std::size_t>(row) * map.width + column] = *at;
    }
  return map;
}

}  // namespace hosei
