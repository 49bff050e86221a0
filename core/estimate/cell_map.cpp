#include "cell_map.h"

#include <algorithm>

namespace hosei {

CellMap EmptyCellMap(const ReducedPicture& reduced, int width, int height, int cellsOnLongSide,
                     float fill, int& cell) {
  const TopDownPicture& picture = reduced.picture;
  const int longSide = std::max(picture.width, picture.height);
  cell = std::max(1, (longSide + cellsOnLongSide - 1) / std::max(cellsOnLongSide, 1));
  CellMap map;
  map.width = (picture.width + cell - 1) / cell;
  map.height = (picture.height + cell - 1) / cell;
  map.placement =
      PlaceBlocks(width, height, cell * reduced.reduction.x, cell * reduced.reduction.y);
  map.light.assign(static_cast<std::size_t>(map.width) * map.height, fill);
  return map;
}

}  // namespace hosei
