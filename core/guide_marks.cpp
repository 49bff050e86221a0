#include "guide_marks.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

#include "bitmap_source.h"
#include "result_file.h"
#include "row_chunks.h"

namespace hosei {

namespace {

// The rows of one piece of the picture.
class MarkCanvas {
 public:
  MarkCanvas(std::uint8_t* rows, std::size_t rowLength, int first, int count, int width)
      : rows_(rows),
        rowLength_(rowLength),
        lowest_(first + 1),
        highest_(first + count),
        width_(width) {}

  // x = 1..width from the left, y = 1..height from the bottom; channel 0 blue, 2 red.
  // Dots outside the picture, or in rows of another piece, are left alone.
  void set(int x, int y, int channel, std::uint8_t value) {
    if (x < 1 || x > width_ || y < lowest_ || y > highest_) return;
    rows_[static_cast<std::size_t>(y - lowest_) * rowLength_ + 3 * (x - 1) + channel] = value;
  }
  int lowest() const { return lowest_; }
  int highest() const { return highest_; }

 private:
  std::uint8_t* rows_;
  std::size_t rowLength_;
  int lowest_;
  int highest_;
  int width_;
};

constexpr int kBlue = 0;
constexpr int kRed = 2;

int RoundHalfEven(double value) { return static_cast<int>(std::nearbyint(value)); }

// The first j in begin..end - 1 for which `holds(j)` is false, where it holds for every j
// up to some point and for none after it; `end` when it holds throughout.
template <typename Predicate>
int EndOfPrefix(int begin, int end, Predicate holds) {
  while (begin < end) {
    const int middle = begin + (end - begin) / 2;
    if (holds(middle))
      begin = middle + 1;
    else
      end = middle;
  }
  return begin;
}

// The columns j, within first..last, whose `row(j)` lies in low..high, where row(j) never
// falls (rising) or never rises (falling) as j grows: found by halving, so a thin piece of a
// wide picture does not walk the whole diagonal.
template <typename Row>
std::pair<int, int> ColumnsOnRows(int first, int last, int low, int high, bool rising, Row row) {
  const auto before = [&](int j) { return rising ? row(j) < low : row(j) > high; };
  const auto within = [&](int j) { return rising ? row(j) <= high : row(j) >= low; };
  return {EndOfPrefix(first, last + 1, before), EndOfPrefix(first, last + 1, within)};
}

}  // namespace

void DrawGuideMarks(std::uint8_t* rows, std::size_t rowLength, int first, int count, int width,
                    int height) {
  if (count <= 0) return;
  MarkCanvas canvas(rows, rowLength, first, count, width);
  for (int n = kGridSpacing; n <= width; n += kGridSpacing)
    for (int y = canvas.lowest(); y <= canvas.highest(); ++y)
      for (int x = n - 2; x <= n; ++x) canvas.set(x, y, kRed, kVerticalLineRed);
  for (int n = kGridSpacing; n <= height; n += kGridSpacing)
    for (int y = n - 2; y <= n; ++y)
      if (y >= canvas.lowest() && y <= canvas.highest())
        for (int x = 1; x <= width; ++x) canvas.set(x, y, kRed, kHorizontalLineRed);

  const double w = width;
  const double h = height;
  const int firstColumn = RoundHalfEven(w / 20);
  const int lastColumn = RoundHalfEven(w - w / 20);
  // Multiply before dividing: j * (h / w) rounds differently on some sizes.
  const auto risingRow = [&](int j) { return RoundHalfEven(j * h / w); };
  const auto fallingRow = [&](int j) { return height - risingRow(j); };
  // The rising diagonal marks rows rising - 1 .. rising + 1 of column j, the falling one
  // rows falling .. falling + 1.
  const auto [risingBegin, risingEnd] = ColumnsOnRows(firstColumn, lastColumn, canvas.lowest() - 1,
                                                      canvas.highest() + 1, true, risingRow);
  for (int j = risingBegin; j < risingEnd; ++j) {
    const int rising = risingRow(j);
    canvas.set(j - 1, rising - 1, kBlue, kDiagonalBlue);
    canvas.set(j, rising, kBlue, kDiagonalBlue);
    canvas.set(j + 1, rising + 1, kBlue, kDiagonalBlue);
  }
  const auto [fallingBegin, fallingEnd] = ColumnsOnRows(
      firstColumn, lastColumn, canvas.lowest() - 1, canvas.highest(), false, fallingRow);
  for (int j = fallingBegin; j < fallingEnd; ++j) {
    const int falling = fallingRow(j);
    canvas.set(j, falling, kBlue, kDiagonalBlue);
    canvas.set(j - 1, falling + 1, kBlue, kDiagonalBlue);
    canvas.set(j + 1, falling, kBlue, kDiagonalBlue);
  }
}

FileError WriteDisplayCopy(const std::string& source, const std::string& copy) {
  if (IsSameFile(source, copy)) return FileError{FileProblem::kResultIsSource, copy, {}};
  BitmapSource bitmap;
  if (FileError error = BitmapSource::open(source, bitmap)) return error;
  const int height = bitmap.height();
  const std::size_t rowLength = bitmap.rowLength();
  const int chunkRows = RowsPerChunk(rowLength, height);
  PixelBlock chunk;
  try {
    chunk = PixelBlock(rowLength, static_cast<std::size_t>(chunkRows));
  } catch (const std::bad_alloc&) {
    return FileError{FileProblem::kOutOfMemory, source, {}};
  }

  ResultFile result;
  if (FileError error = result.create(copy, PermissionsFollowing(source))) return error;
  if (FileError error = result.write(bitmap.headerRegion().data(), bitmap.headerRegion().size()))
    return error;
  for (int first = 0; first < height; first += chunkRows) {
    const int rows = std::min(chunkRows, height - first);
    if (FileError error = bitmap.readRows(static_cast<std::size_t>(first),
                                          static_cast<std::size_t>(rows), chunk.data()))
      return error;
    DrawGuideMarks(chunk.data(), rowLength, first, rows, bitmap.width(), height);
    if (FileError error = result.write(chunk.data(), static_cast<std::size_t>(rows) * rowLength))
      return error;
  }
  return result.commit();
}

}  // namespace hosei
