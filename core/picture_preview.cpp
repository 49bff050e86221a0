#include "picture_preview.h"

#include <algorithm>
#include <new>
#include <vector>

namespace hosei {

namespace {

// Rows come from the file in pieces of about this many bytes.
constexpr std::size_t kReadBytes = std::size_t{1} << 20;

FileError OutOfMemory() { return FileError{FileProblem::kOutOfMemory, {}, {}}; }

FileError Allocate(int width, int height, TopDownPicture& picture) {
  TopDownPicture made;
  made.width = width;
  made.height = height;
  made.stride = (3 * static_cast<std::size_t>(width) + 3) / 4 * 4;
  made.bytes.reset(new (std::nothrow) std::uint8_t[made.stride * static_cast<std::size_t>(height)]);
  if (!made.bytes) return OutOfMemory();
  picture = std::move(made);
  return {};
}

// Hands the reader's rows, in stored order, to `take(row, topDownIndex)` a piece at a time.
template <typename TakeRow>
FileError StreamRows(PictureReader& reader, int rows, TakeRow take) {
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(reader.width());
  const int rowsAtOnce =
      static_cast<int>(std::clamp<std::size_t>(kReadBytes / rowBytes, 1, std::max(rows, 1)));
  std::vector<std::uint8_t> piece;
  try {
    piece.resize(rowBytes * static_cast<std::size_t>(rowsAtOnce));
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
  const bool bottomUp = reader.rowOrder() == RowOrder::kBottomUp;
  for (int done = 0; done < rows;) {
    const int count = std::min(rowsAtOnce, rows - done);
    if (FileError error = reader.readRows(count, piece.data(), rowBytes)) return error;
    for (int r = 0; r < count; ++r, ++done)
      take(piece.data() + static_cast<std::size_t>(r) * rowBytes,
           bottomUp ? rows - 1 - done : done);
  }
  return {};
}

}  // namespace

Reduction ReductionFor(PictureSize picture, PictureSize target) {
  return {std::max(1, picture.width / std::max(target.width, 1)),
          std::max(1, picture.height / std::max(target.height, 1))};
}

FileError ReadReducedPicture(PictureReader& reader, PictureSize target, TopDownPicture& picture,
                             Reduction& reduction) {
  const int width = reader.width();
  const int height = reader.height();
  const Reduction by = ReductionFor({width, height}, target);
  if (by.x == 1 && by.y == 1) {
    reduction = by;
    return ReadTopLeftRegion(reader, {width, height}, picture);
  }
  TopDownPicture reduced;
  if (FileError error = Allocate((width + by.x - 1) / by.x, (height + by.y - 1) / by.y, reduced))
    return error;
  // The sums of the block row being gathered; a block can hold up to 65535² dots.
  std::vector<std::uint64_t> sums;
  try {
    sums.assign(3 * static_cast<std::size_t>(reduced.width), 0);
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
  const bool bottomUp = reader.rowOrder() == RowOrder::kBottomUp;
  const auto takeRow = [&](const std::uint8_t* row, int y) {
    for (int block = 0, x = 0; block < reduced.width; ++block) {
      std::uint32_t blue = 0, green = 0, red = 0;
      for (const int end = std::min(x + by.x, width); x < end; ++x) {
        blue += row[3 * x];
        green += row[3 * x + 1];
        red += row[3 * x + 2];
      }
      sums[3 * block] += blue;
      sums[3 * block + 1] += green;
      sums[3 * block + 2] += red;
    }
    // Blocks of rows are whole in either order: the last row to arrive closes the block.
    const int blockRow = y / by.y;
    const int firstY = blockRow * by.y;
    const int endY = std::min(firstY + by.y, height);
    if (y != (bottomUp ? firstY : endY - 1)) return;
    std::uint8_t* out = reduced.row(blockRow);
    for (int block = 0; block < reduced.width; ++block) {
      const int columns = std::min(by.x, width - block * by.x);
      const std::uint64_t dots = static_cast<std::uint64_t>(columns) * (endY - firstY);
      for (int c = 0; c < 3; ++c) {
        std::uint64_t& sum = sums[3 * block + c];
        out[3 * block + c] = static_cast<std::uint8_t>((sum + dots / 2) / dots);
        sum = 0;
      }
    }
  };
  if (FileError error = StreamRows(reader, height, takeRow)) return error;
  picture = std::move(reduced);
  reduction = by;
  return {};
}

FileError ReadTopLeftRegion(PictureReader& reader, PictureSize region, TopDownPicture& picture) {
  const int height = reader.height();
  const int rows = std::clamp(region.height, 1, height);
  TopDownPicture cut;
  if (FileError error = Allocate(std::clamp(region.width, 1, reader.width()), rows, cut))
    return error;
  // A bitmap stores the top rows last; a photo's rows after the region are never read.
  if (reader.rowOrder() == RowOrder::kBottomUp)
    if (FileError error = reader.skipRows(height - rows)) return error;
  const std::size_t bytes = 3 * static_cast<std::size_t>(cut.width);
  const auto takeRow = [&](const std::uint8_t* row, int y) {
    std::copy(row, row + bytes, cut.row(y));
  };
  if (FileError error = StreamRows(reader, rows, takeRow)) return error;
  picture = std::move(cut);
  return {};
}

}  // namespace hosei
