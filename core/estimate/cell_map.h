#pragma once

#include <vector>

#include "reduced_picture.h"

namespace hosei {

// Light measured in coarse cells of a reduced picture, each cell placed at its centre in
// full-picture dots. A negative light marks a cell that could not be measured.
struct CellMap {
  int width = 0;
  int height = 0;
  std::vector<float> light;  // top row first
  BlockPlacement placement;  // each cell's centre in full-picture dots

  float at(int column, int row) const {
    return light[static_cast<std::size_t>(row) * width + column];
  }
};

// Cells of about `cellsOnLongSide` along the picture's longer side, every light `fill`;
// `cell` receives a cell's side in the reduced picture's dots.
CellMap EmptyCellMap(const ReducedPicture& reduced, int width, int height, int cellsOnLongSide,
                     float fill, int& cell);

}  // namespace hosei
