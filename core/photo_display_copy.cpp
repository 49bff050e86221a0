#include "photo_display_copy.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "bitmap_header.h"
#include "file_names.h"
#include "guide_marks.h"
#include "photo_file.h"
#include "positioned_io.h"
#include "result_file.h"
#include "row_chunks.h"

namespace hosei {

namespace {

constexpr std::size_t kBitmapHeadersSize = 54;
constexpr std::uint32_t kPixelsPerMetre = 2835;  // 72 dots an inch

void Put(std::uint8_t* at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The 14-byte file header and 40-byte info header of an uncompressed bottom-up 24-bit
// bitmap, as hosei's own reader accepts it.
std::array<std::uint8_t, kBitmapHeadersSize> BitmapHeaders(int width, int height) {
  const auto pixelBytes =
      static_cast<std::uint32_t>(PaddedRowLength(width) * static_cast<std::size_t>(height));
  std::array<std::uint8_t, kBitmapHeadersSize> h{};
  h[0] = 'B';
  h[1] = 'M';
  Put(&h[2], static_cast<std::uint32_t>(kBitmapHeadersSize) + pixelBytes, 4);
  Put(&h[10], kBitmapHeadersSize, 4);
  Put(&h[14], 40, 4);
  Put(&h[18], static_cast<std::uint32_t>(width), 4);
  Put(&h[22], static_cast<std::uint32_t>(height), 4);
  Put(&h[26], 1, 2);
  Put(&h[28], 24, 2);
  Put(&h[34], pixelBytes, 4);
  Put(&h[38], kPixelsPerMetre, 4);
  Put(&h[42], kPixelsPerMetre, 4);
  return h;
}

}  // namespace

std::string PhotoDisplayCopyName(const std::string& folder, const std::string& fileTitle) {
  return FolderWithSlash(folder) + "_" + fileTitle + ".bmp";
}

FileError WritePhotoDisplayCopy(const std::string& source, const std::string& copy) {
  if (IsSameFile(source, copy)) return FileError{FileProblem::kResultIsSource, copy, {}};
  std::unique_ptr<PhotoReader> photo;
  if (FileError error = OpenPhoto(source, photo)) return error;
  const int width = photo->width();
  const int height = photo->height();
  const std::size_t stride = 3 * static_cast<std::size_t>(width);
  const std::size_t rowLength = PaddedRowLength(width);
  const int chunkRows = RowsPerChunk(rowLength, height);
  std::vector<std::uint8_t> topDown(stride * static_cast<std::size_t>(chunkRows));
  // Rows in the bitmap's order, bottom row first, with the padding bytes zero.
  std::vector<std::uint8_t> stored(rowLength * static_cast<std::size_t>(chunkRows), 0);

  ResultFile result;
  if (FileError error = result.create(copy, PermissionsFollowing(source))) return error;
  const auto headers = BitmapHeaders(width, height);
  if (FileError error = result.write(headers.data(), headers.size())) return error;
  // The photo comes top row first while the bitmap stores its bottom row first: each chunk
  // goes to its own place in the file.
  for (int top = 0; top < height; top += chunkRows) {
    const int rows = std::min(chunkRows, height - top);
    if (FileError error = photo->readRows(rows, topDown.data(), stride)) return error;
    for (int r = 0; r < rows; ++r)
      std::memcpy(stored.data() + static_cast<std::size_t>(rows - 1 - r) * rowLength,
                  topDown.data() + static_cast<std::size_t>(r) * stride, stride);
    const int first = height - top - rows;  // the chunk's lowest row, counted from the bottom
    DrawGuideMarks(stored.data(), rowLength, first, rows, width, height);
    if (const int failure =
            WriteAt(result.descriptor(), stored.data(), static_cast<std::size_t>(rows) * rowLength,
                    kBitmapHeadersSize + static_cast<std::uint64_t>(first) * rowLength))
      return FileError{FileProblem::kCannotWrite, copy, std::strerror(failure)};
  }
  return result.commit();
}

}  // namespace hosei
