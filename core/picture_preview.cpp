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

// Hands the reader's rows, in stored order, to `take(row, alphaRow, topDownIndex)` a piece at
// a time; alphaRow is null unless `withAlpha` and the picture has alpha.
template <typename TakeRow>
FileError StreamRows(PictureReader& reader, int rows, bool withAlpha, TakeRow take) {
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(reader.width());
  const std::size_t alphaBytes = static_cast<std::size_t>(reader.width());
  const bool alpha = withAlpha && reader.hasAlpha();
  const int rowsAtOnce =
      static_cast<int>(std::clamp<std::size_t>(kReadBytes / rowBytes, 1, std::max(rows, 1)));
  std::vector<std::uint8_t> piece, alphaPiece;
  try {
    piece.resize(rowBytes * static_cast<std::size_t>(rowsAtOnce));
    if (alpha) alphaPiece.resize(alphaBytes * static_cast<std::size_t>(rowsAtOnce));
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
  const bool bottomUp = reader.rowOrder() == RowOrder::kBottomUp;
  for (int done = 0; done < rows;) {
    const int count = std::min(rowsAtOnce, rows - done);
    if (FileError error = reader.readRows(count, piece.data(), rowBytes,
                                          alpha ? alphaPiece.data() : nullptr, alphaBytes))
      return error;
    for (int r = 0; r < count; ++r, ++done)
      take(piece.data() + static_cast<std::size_t>(r) * rowBytes,
           alpha ? alphaPiece.data() + static_cast<std::size_t>(r) * alphaBytes : nullptr,
           bottomUp ? rows - 1 - done : done);
  }
  return {};
}

FileError AllocateAlpha(TopDownPicture& picture) {
  picture.alpha.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(picture.width) *
                                                      static_cast<std::size_t>(picture.height)]);
  return picture.alpha ? FileError{} : OutOfMemory();
}

}  // namespace

Reduction ReductionFor(PictureSize picture, PictureSize target) {
  return {std::max(1, picture.width / std::max(target.width, 1)),
          std::max(1, picture.height / std::max(target.height, 1))};
}

FileError ReadReducedPicture(PictureReader& reader, PictureSize target, TopDownPicture& picture,
                             Reduction& reduction, bool withAlpha) {
  const int width = reader.width();
  const int height = reader.height();
  const Reduction by = ReductionFor({width, height}, target);
  if (by.x == 1 && by.y == 1) {
    reduction = by;
    return ReadRegion(reader, 0, 0, {width, height}, picture, withAlpha);
  }
  const bool alpha = withAlpha && reader.hasAlpha();
  // Blue, green, red and, with alpha, opacity: summed alike.
  const std::size_t channels = alpha ? 4 : 3;
  TopDownPicture reduced;
  if (FileError error = Allocate((width + by.x - 1) / by.x, (height + by.y - 1) / by.y, reduced))
    return error;
  if (alpha)
    if (FileError error = AllocateAlpha(reduced)) return error;
  // The sums of the block row being gathered; a block can hold up to 65535² dots.
  std::vector<std::uint64_t> sums;
  try {
    sums.assign(channels * static_cast<std::size_t>(reduced.width), 0);
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
  const bool bottomUp = reader.rowOrder() == RowOrder::kBottomUp;
  const auto takeRow = [&](const std::uint8_t* row, const std::uint8_t* alphaRow, int y) {
    for (int block = 0, x = 0; block < reduced.width; ++block) {
      std::uint32_t blue = 0, green = 0, red = 0, opacity = 0;
      for (const int end = std::min(x + by.x, width); x < end; ++x) {
        blue += row[3 * x];
        green += row[3 * x + 1];
        red += row[3 * x + 2];
        if (alphaRow) opacity += alphaRow[x];
      }
      sums[channels * block] += blue;
      sums[channels * block + 1] += green;
      sums[channels * block + 2] += red;
      if (alphaRow) sums[channels * block + 3] += opacity;
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
      for (std::size_t c = 0; c < channels; ++c) {
        std::uint64_t& sum = sums[channels * block + c];
        const auto level = static_cast<std::uint8_t>((sum + dots / 2) / dots);
        if (c < 3)
          out[3 * block + c] = level;
        else
          reduced.alphaRow(blockRow)[block] = level;
        sum = 0;
      }
    }
  };
  if (FileError error = StreamRows(reader, height, alpha, takeRow)) return error;
  picture = std::move(reduced);
  reduction = by;
  return {};
}

FileError ReadTopLeftRegion(PictureReader& reader, PictureSize region, TopDownPicture& picture) {
  return ReadRegion(reader, 0, 0, region, picture);
}

FileError ReadRegion(PictureReader& reader, int left, int top, PictureSize region,
                     TopDownPicture& picture, bool withAlpha) {
  const int height = reader.height();
  const int rows = std::clamp(region.height, 1, height);
  const int columns = std::clamp(region.width, 1, reader.width());
  top = std::clamp(top, 0, height - rows);
  left = std::clamp(left, 0, reader.width() - columns);
  const bool alpha = withAlpha && reader.hasAlpha();
  TopDownPicture cut;
  if (FileError error = Allocate(columns, rows, cut)) return error;
  if (alpha)
    if (FileError error = AllocateAlpha(cut)) return error;
  // A bitmap stores the top rows last; a photo's rows after the region are never read.
  const int before = reader.rowOrder() == RowOrder::kBottomUp ? height - top - rows : top;
  if (FileError error = reader.skipRows(before)) return error;
  const std::size_t bytes = 3 * static_cast<std::size_t>(cut.width);
  const auto takeRow = [&](const std::uint8_t* row, const std::uint8_t* alphaRow, int y) {
    std::copy(row + 3 * static_cast<std::size_t>(left),
              row + 3 * static_cast<std::size_t>(left) + bytes, cut.row(y));
    if (alphaRow) std::copy(alphaRow + left, alphaRow + left + columns, cut.alphaRow(y));
  };
  if (FileError error = StreamRows(reader, rows, alpha, takeRow)) return error;
  picture = std::move(cut);
  return {};
}

}  // namespace hosei
