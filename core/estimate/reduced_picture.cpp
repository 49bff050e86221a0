#include "reduced_picture.h"

#include <algorithm>

namespace hosei {

namespace {

// The mean 1-based position of the dots in block `index` of `size`-dot blocks along an axis
// of `length` dots.
double BlockCentre(int index, int size, int length) {
  const long first = static_cast<long>(index) * size;
  const long last = std::min<long>(first + size, length);
  return (static_cast<double>(first + 1) + static_cast<double>(last)) / 2.0;
}

}  // namespace

FileError ReadForEstimate(PictureReader& reader, ReducedPicture& reduced) {
  return ReadReducedPicture(reader, kEstimateReading, reduced.picture, reduced.reduction);
}

bool MatchesSize(const ReducedPicture& reduced, int width, int height) {
  const Reduction& by = reduced.reduction;
  if (width < 1 || height < 1 || by.x < 1 || by.y < 1 || !reduced.picture.bytes) return false;
  return reduced.picture.width == (width + by.x - 1) / by.x &&
         reduced.picture.height == (height + by.y - 1) / by.y;
}

BlockPlacement PlaceBlocks(int width, int height, int blockWidth, int blockHeight) {
  BlockPlacement placement;
  const int columns = (width + blockWidth - 1) / blockWidth;
  const int rows = (height + blockHeight - 1) / blockHeight;
  placement.x.resize(static_cast<std::size_t>(columns));
  placement.y.resize(static_cast<std::size_t>(rows));
  for (int i = 0; i < columns; ++i) placement.x[i] = BlockCentre(i, blockWidth, width);
  // Top row first: a block's distance from the top, turned into a height above the bottom.
  for (int j = 0; j < rows; ++j)
    placement.y[j] = static_cast<double>(height) + 1.0 - BlockCentre(j, blockHeight, height);
  return placement;
}

}  // namespace hosei
