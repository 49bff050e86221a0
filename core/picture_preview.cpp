#include "picture_preview.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <type_traits>
#include <vector>

namespace hosei {

namespace {

// Rows come from the file in pieces of about this many bytes.
constexpr std::size_t kReadBytes = std::size_t{1} << 20;

FileError OutOfMemory() { return FileError{FileProblem::kOutOfMemory, {}, {}}; }

FileError Allocate(int width, int height, bool alpha, TopDownPicture& picture) {
  TopDownPicture made;
  made.width = width;
  made.height = height;
  made.stride = (3 * static_cast<std::size_t>(width) + 3) / 4 * 4;
  made.bytes.reset(new (std::nothrow) std::uint8_t[made.stride * static_cast<std::size_t>(height)]);
  if (!made.bytes) return OutOfMemory();
  if (alpha) {
    made.alpha.reset(
        new (std::nothrow)
            std::uint8_t[static_cast<std::size_t>(width) * static_cast<std::size_t>(height)]);
    if (!made.alpha) return OutOfMemory();
  }
  picture = std::move(made);
  return {};
}

FileError Allocate(int width, int height, bool alpha, DeepTopDownPicture& picture) {
  DeepTopDownPicture made;
  made.width = width;
  made.height = height;
  const std::size_t dots = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  try {
    made.bgr.resize(3 * dots);
    if (alpha) made.alpha.resize(dots);
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
  picture = std::move(made);
  return {};
}

// The rows of a picture a piece at a time, as bytes or, for a deep picture, as 16-bit samples
// (floats scaled to full scale 65535).
template <typename Sample>
class RowPieces {
 public:
  RowPieces(PictureReader& reader, int rows, bool alpha)
      : reader_(reader),
        rowSamples_(3 * static_cast<std::size_t>(reader.width())),
        alphaSamples_(alpha ? static_cast<std::size_t>(reader.width()) : 0),
        rowsAtOnce_(static_cast<int>(std::clamp<std::size_t>(
            kReadBytes / (rowSamples_ * sizeof(Sample)), 1, std::max(rows, 1)))) {}

  FileError allocate() {
    const auto rows = static_cast<std::size_t>(rowsAtOnce_);
    try {
      piece_.resize(rowSamples_ * rows);
      alphaPiece_.resize(alphaSamples_ * rows);
      if (floats()) {
        floatPiece_.resize(rowSamples_ * rows);
        floatAlpha_.resize(alphaSamples_ * rows);
      }
    } catch (const std::bad_alloc&) {
      return OutOfMemory();
    }
    return {};
  }

  int rowsAtOnce() const { return rowsAtOnce_; }
  const Sample* row(int r) const {
    return piece_.data() + static_cast<std::size_t>(r) * rowSamples_;
  }
  const Sample* alphaRow(int r) const {
    return alphaSamples_ ? alphaPiece_.data() + static_cast<std::size_t>(r) * alphaSamples_
                         : nullptr;
  }

  FileError read(int count) {
    Sample* alpha = alphaSamples_ ? alphaPiece_.data() : nullptr;
    if constexpr (std::is_same_v<Sample, std::uint8_t>) {
      return reader_.readRows(count, piece_.data(), rowSamples_, alpha, alphaSamples_);
    } else {
      if (!floats())
        return reader_.readDeepRows(count, piece_.data(), rowSamples_ * sizeof(Sample), alpha,
                                    alphaSamples_ * sizeof(Sample));
      float* floatAlpha = alphaSamples_ ? floatAlpha_.data() : nullptr;
      if (FileError error =
              reader_.readDeepRows(count, floatPiece_.data(), rowSamples_ * sizeof(float),
                                   floatAlpha, alphaSamples_ * sizeof(float)))
        return error;
      ToSixteenBits(floatPiece_.data(), rowSamples_ * count, piece_.data());
      if (floatAlpha) ToSixteenBits(floatAlpha, alphaSamples_ * count, alpha);
      return {};
    }
  }

 private:
  bool floats() const { return reader_.sampleType() == SampleType::kFloat32; }
  static void ToSixteenBits(const float* samples, std::size_t count, Sample* out) {
    for (std::size_t i = 0; i < count; ++i)
      out[i] = static_cast<Sample>(std::lround(std::clamp(samples[i], 0.0f, 1.0f) * 65535.0f));
  }

  PictureReader& reader_;
  std::size_t rowSamples_;
  std::size_t alphaSamples_;
  int rowsAtOnce_;
  std::vector<Sample> piece_, alphaPiece_;
  std::vector<float> floatPiece_, floatAlpha_;
};

// Hands the reader's rows, in stored order, to `take(row, alphaRow, topDownIndex)` a piece at
// a time; alphaRow is null unless `alpha` (the picture has alpha and it was asked for).
template <typename Sample, typename TakeRow>
FileError StreamRows(PictureReader& reader, int rows, bool alpha, TakeRow take) {
  RowPieces<Sample> pieces(reader, rows, alpha);
  if (FileError error = pieces.allocate()) return error;
  const bool bottomUp = reader.rowOrder() == RowOrder::kBottomUp;
  for (int done = 0; done < rows;) {
    const int count = std::min(pieces.rowsAtOnce(), rows - done);
    if (FileError error = pieces.read(count)) return error;
    for (int r = 0; r < count; ++r, ++done)
      take(pieces.row(r), pieces.alphaRow(r), bottomUp ? rows - 1 - done : done);
  }
  return {};
}

template <typename Picture>
using SampleOf = std::remove_cv_t<std::remove_pointer_t<decltype(std::declval<Picture&>().row(0))>>;

template <typename Picture>
FileError ReadRegionInto(PictureReader& reader, int left, int top, PictureSize region,
                         Picture& picture, bool withAlpha) {
  using Sample = SampleOf<Picture>;
  const int height = reader.height();
  const int rows = std::clamp(region.height, 1, height);
  const int columns = std::clamp(region.width, 1, reader.width());
  top = std::clamp(top, 0, height - rows);
  left = std::clamp(left, 0, reader.width() - columns);
  const bool alpha = withAlpha && reader.hasAlpha();
  Picture cut;
  if (FileError error = Allocate(columns, rows, alpha, cut)) return error;
  // A bitmap stores the top rows last; a photo's rows after the region are never read.
  const int before = reader.rowOrder() == RowOrder::kBottomUp ? height - top - rows : top;
  if (FileError error = reader.skipRows(before)) return error;
  const std::size_t samples = 3 * static_cast<std::size_t>(columns);
  const std::size_t first = 3 * static_cast<std::size_t>(left);
  const auto takeRow = [&](const Sample* row, const Sample* alphaRow, int y) {
    std::copy(row + first, row + first + samples, cut.row(y));
    if (alphaRow) std::copy(alphaRow + left, alphaRow + left + columns, cut.alphaRow(y));
  };
  if (FileError error = StreamRows<Sample>(reader, rows, alpha, takeRow)) return error;
  picture = std::move(cut);
  return {};
}

template <typename Picture>
FileError ReadReducedInto(PictureReader& reader, PictureSize target, Picture& picture,
                          Reduction& reduction, bool withAlpha) {
  using Sample = SampleOf<Picture>;
  const int width = reader.width();
  const int height = reader.height();
  const Reduction by = ReductionFor({width, height}, target);
  if (by.x == 1 && by.y == 1) {
    reduction = by;
    return ReadRegionInto(reader, 0, 0, {width, height}, picture, withAlpha);
  }
  const bool alpha = withAlpha && reader.hasAlpha();
  // Blue, green, red and, with alpha, opacity: summed alike.
  const std::size_t channels = alpha ? 4 : 3;
  Picture reduced;
  if (FileError error =
          Allocate((width + by.x - 1) / by.x, (height + by.y - 1) / by.y, alpha, reduced))
    return error;
  // The sums of the block row being gathered; a block can hold up to 65535² dots.
  std::vector<std::uint64_t> sums;
  try {
    sums.assign(channels * static_cast<std::size_t>(reduced.width), 0);
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
  const bool bottomUp = reader.rowOrder() == RowOrder::kBottomUp;
  const auto takeRow = [&](const Sample* row, const Sample* alphaRow, int y) {
    for (int block = 0, x = 0; block < reduced.width; ++block) {
      std::uint64_t blue = 0, green = 0, red = 0, opacity = 0;
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
    Sample* out = reduced.row(blockRow);
    for (int block = 0; block < reduced.width; ++block) {
      const int columns = std::min(by.x, width - block * by.x);
      const std::uint64_t dots = static_cast<std::uint64_t>(columns) * (endY - firstY);
      for (std::size_t c = 0; c < channels; ++c) {
        std::uint64_t& sum = sums[channels * block + c];
        const auto level = static_cast<Sample>((sum + dots / 2) / dots);
        if (c < 3)
          out[3 * block + c] = level;
        else
          reduced.alphaRow(blockRow)[block] = level;
        sum = 0;
      }
    }
  };
  if (FileError error = StreamRows<Sample>(reader, height, alpha, takeRow)) return error;
  picture = std::move(reduced);
  reduction = by;
  return {};
}

}  // namespace

Reduction ReductionFor(PictureSize picture, PictureSize target) {
  return {std::max(1, picture.width / std::max(target.width, 1)),
          std::max(1, picture.height / std::max(target.height, 1))};
}

FileError ReadReducedPicture(PictureReader& reader, PictureSize target, TopDownPicture& picture,
                             Reduction& reduction, bool withAlpha) {
  return ReadReducedInto(reader, target, picture, reduction, withAlpha);
}

FileError ReadReducedPicture(PictureReader& reader, PictureSize target, DeepTopDownPicture& picture,
                             Reduction& reduction, bool withAlpha) {
  return ReadReducedInto(reader, target, picture, reduction, withAlpha);
}

FileError ReadTopLeftRegion(PictureReader& reader, PictureSize region, TopDownPicture& picture) {
  return ReadRegionInto(reader, 0, 0, region, picture, false);
}

FileError ReadRegion(PictureReader& reader, int left, int top, PictureSize region,
                     TopDownPicture& picture, bool withAlpha) {
  return ReadRegionInto(reader, left, top, region, picture, withAlpha);
}

FileError ReadRegion(PictureReader& reader, int left, int top, PictureSize region,
                     DeepTopDownPicture& picture, bool withAlpha) {
  return ReadRegionInto(reader, left, top, region, picture, withAlpha);
}

}  // namespace hosei
