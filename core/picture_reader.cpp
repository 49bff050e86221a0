#include "picture_reader.h"

#include <algorithm>
#include <new>
#include <vector>

#include "bitmap_picture_reader.h"
#include "bitmap_source.h"
#include "file_kind.h"
#include "photo_file.h"

namespace hosei {

namespace {

// Rows skipped by reading go through a buffer of about this many bytes.
constexpr std::size_t kSkipBufferBytes = std::size_t{1} << 20;

}  // namespace

FileError PictureReader::skipRows(int count) {
  if (count <= 0) return {};
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(std::max(width(), 1));
  const int rowsAtOnce =
      static_cast<int>(std::clamp<std::size_t>(kSkipBufferBytes / rowBytes, 1, count));
  std::vector<std::uint8_t> discarded;
  try {
    discarded.resize(rowBytes * static_cast<std::size_t>(rowsAtOnce));
  } catch (const std::bad_alloc&) {
    return FileError{FileProblem::kOutOfMemory, {}, {}};
  }
  for (int done = 0; done < count; done += rowsAtOnce)
    if (FileError error = readRows(std::min(rowsAtOnce, count - done), discarded.data(), rowBytes))
      return error;
  return {};
}

FileError PictureReader::readDeepRows(int, void*, std::size_t, void*, std::size_t) {
  return FileError{FileProblem::kReadFailed, {}, {}, ProblemDetail::kEightBitPicture, {}};
}

FileError OpenPictureReader(const std::string& path, std::unique_ptr<PictureReader>& reader) {
  FileKind kind = FileKind::kOther;
  if (!KindOfFile(path, kind) && IsPhoto(kind)) {
    std::unique_ptr<PhotoReader> photo;
    if (FileError error = OpenPhoto(path, photo)) return error;
    reader = std::move(photo);
    return {};
  }
  BitmapSource source;
  if (FileError error = BitmapSource::open(path, source)) return error;
  reader = std::make_unique<BitmapPictureReader>(std::move(source));
  return {};
}

}  // namespace hosei
