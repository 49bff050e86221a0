#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "file_descriptor.h"
#include "file_error.h"
#include "photo_file.h"

namespace hosei {

// The largest width and height hosei corrects, as for bitmaps; it also bounds what a
// decompression bomb can claim.
inline constexpr int kMaxPhotoSide = 65535;
// The most a library may hold of one photo at a time: the whole picture of an interlaced
// PNG or the coefficients of a progressive JPEG, or one compressed TIFF strip. Bigger
// photos of those kinds are refused rather than left to exhaust the machine. The fuzz
// build sets a lower limit, so that one run stays fast.
#ifndef HOSEI_PHOTO_BUFFER_LIMIT
#define HOSEI_PHOTO_BUFFER_LIMIT (std::size_t{1} << 30)
#endif
inline constexpr std::size_t kMaxBufferedBytes = HOSEI_PHOTO_BUFFER_LIMIT;
// The metadata carried from a source to its result, all segments or chunks together.
inline constexpr std::size_t kMaxCarriedBytes = std::size_t{64} << 20;

FileError UnsupportedPhoto(const std::string& path, std::string reason);
FileError CorruptPhoto(const std::string& path, std::string reason);
FileError CannotWritePhoto(const std::string& path, int errorNumber);
FileError CannotWritePhoto(const std::string& path, std::string reason);

// Opens a regular file read-only, as the bitmap reader does: never blocks on a pipe.
FileError OpenPhotoFile(const std::string& path, FileDescriptor& file);

// What every photo reader is underneath: it also makes the matching writer, which takes
// a copy of what it needs, so the reader may go before the writer.
class PhotoSource : public PhotoReader {
 public:
  RowOrder rowOrder() const final { return RowOrder::kTopDown; }
  virtual FileError createWriter(int fd, const std::string& path, const PhotoWriteOptions& options,
                                 std::unique_ptr<PhotoWriter>& writer) const = 0;

 protected:
  // Refuses a request for rows beyond the last one (or a negative count); on success the
  // rows count as read.
  FileError takeRows(int count, const std::string& path);
  int rowsRead() const { return rowsRead_; }

 private:
  int rowsRead_ = 0;
};

// Opens `path` with a reader of type Reader (constructed from the path, checked by its
// open()), handing it over only once it is accepted.
template <typename Reader>
FileError OpenWith(const std::string& path, std::unique_ptr<PhotoReader>& reader) {
  auto opened = std::make_unique<Reader>(path);
  if (FileError error = opened->open()) return error;
  reader = std::move(opened);
  return {};
}

// The row bookkeeping every writer shares: no row beyond the picture, none missing.
class RowCounter {
 public:
  explicit RowCounter(int height) : height_(height) {}
  FileError take(int count, const std::string& path);
  FileError checkComplete(const std::string& path) const;
  int written() const { return written_; }

 private:
  int height_;
  int written_ = 0;
};

}  // namespace hosei
