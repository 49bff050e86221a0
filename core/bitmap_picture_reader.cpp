#include "bitmap_picture_reader.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace hosei {

namespace {

// Rows are read from the file in pieces of about this many bytes.
constexpr std::size_t kReadBytes = std::size_t{1} << 20;

}  // namespace

BitmapPictureReader::BitmapPictureReader(BitmapSource source) : source_(std::move(source)) {}

FileError BitmapPictureReader::checkRowsLeft(int count) const {
  if (count < 0 || count > height() - nextRow_) return FileError{FileProblem::kReadFailed, {}, {}};
  return {};
}

FileError BitmapPictureReader::readRows(int count, std::uint8_t* bgr, std::size_t bgrStride,
                                        std::uint8_t* /*alpha*/, std::size_t /*alphaStride*/) {
  if (FileError error = checkRowsLeft(count)) return error;
  const std::size_t rowLength = source_.rowLength();
  const std::size_t pixelBytes = 3 * static_cast<std::size_t>(width());
  const int rowsAtOnce =
      static_cast<int>(std::clamp<std::size_t>(kReadBytes / rowLength, 1, std::max(count, 1)));
  try {
    if (buffer_.size() < rowLength * static_cast<std::size_t>(rowsAtOnce))
      buffer_.resize(rowLength * static_cast<std::size_t>(rowsAtOnce));
  } catch (const std::bad_alloc&) {
    return FileError{FileProblem::kOutOfMemory, {}, {}};
  }
  for (int done = 0; done < count;) {
    const int rows = std::min(rowsAtOnce, count - done);
    if (FileError error = source_.readRows(static_cast<std::size_t>(nextRow_),
                                           static_cast<std::size_t>(rows), buffer_.data()))
      return error;
    for (int r = 0; r < rows; ++r)
      std::memcpy(bgr + static_cast<std::size_t>(done + r) * bgrStride,
                  buffer_.data() + static_cast<std::size_t>(r) * rowLength, pixelBytes);
    nextRow_ += rows;
    done += rows;
  }
  return {};
}

FileError BitmapPictureReader::skipRows(int count) {
  if (FileError error = checkRowsLeft(count)) return error;
  nextRow_ += count;
  return {};
}

}  // namespace hosei
