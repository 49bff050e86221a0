#pragma once

#include <vector>

#include "reduced_picture.h"

namespace hosei {

// A reduced picture averaged once more into cells, as linear light: the mean over a cell's
// dots and channels is no longer held to whole levels, so a dark sky's slow falloff
// survives in it. A cell with a clipped channel, or too dark to measure, is unusable.
struct LightMap {
  int width = 0;
  int height = 0;
  std::vector<float> light;  // top row first; negative where unusable
  BlockPlacement placement;  // each cell's centre in full-picture dots

  float at(int column, int row) const {
    return light[static_cast<std::size_t>(row) * width + column];
  }
};

// Cells of about `cellsOnLongSide` along the picture's longer side.
LightMap MakeLightMap(const ReducedPicture& reduced, int width, int height, int cellsOnLongSide);

}  // namespace hosei
