#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "file_descriptor.h"
#include "file_error.h"
#include "photo_file.h"
#include "photo_limits.h"

namespace hosei {

FileError UnsupportedPhoto(const std::string& path, ProblemDetail why,
                           std::vector<std::string> values = {});
FileError CorruptPhoto(const std::string& path, ProblemDetail why,
                       std::vector<std::string> values = {});
FileError CannotWritePhoto(const std::string& path, int errorNumber);
FileError CannotWritePhoto(const std::string& path, ProblemDetail why,
                           std::vector<std::string> values = {});

// Opens a regular file read-only, as the bitmap reader does: never blocks on a pipe.
FileError OpenPhotoFile(const std::string& path, FileDescriptor& file);

// What every photo reader is underneath.
class PhotoSource : public PhotoReader {
 public:
  RowOrder rowOrder() const final { return RowOrder::kTopDown; }

  // Set before open(); the readers ask it wherever they may spend long (each read from
  // the file, each row of a whole-picture decode).
  void watch(const StopRequest* stop) { stop_ = stop; }
  bool stopRequested() const { return stop_ && stop_->stopRequested(); }

 protected:
  // Refuses a request for rows beyond the last one (or a negative count); on success the
  // rows count as read.
  FileError takeRows(int count, const std::string& path);
  int rowsRead() const { return rowsRead_; }

 private:
  int rowsRead_ = 0;
  const StopRequest* stop_ = nullptr;
};

// What a reader returns when it gave up at the caller's request.
FileError StoppedReading(const std::string& path);

// Opens `path` with a reader of type Reader (constructed from the path, checked by its
// open()), handing it over only once it is accepted.
template <typename Reader>
FileError OpenWith(const std::string& path, std::unique_ptr<PhotoReader>& reader,
                   const StopRequest* stop) {
  auto opened = std::make_unique<Reader>(path);
  opened->watch(stop);
  if (FileError error = opened->open()) return error;
  reader = std::move(opened);
  return {};
}

// Makes a writer of type Writer (constructed from its plan and the result's name), handing
// it over only once it has started on `fd`.
template <typename Writer, typename Plan>
FileError StartWriter(const Plan& plan, int fd, const std::string& path,
                      std::unique_ptr<PhotoWriter>& writer) {
  auto created = std::make_unique<Writer>(plan, path);
  if (FileError error = created->start(fd)) return error;
  writer = std::move(created);
  return {};
}

// Rows first .. first + count - 1 lie within a picture of `height` rows; a reader's refusal
// otherwise.
FileError CheckRowsWithin(int first, int count, int height, const std::string& path);

// The row bookkeeping every writer shares: no row beyond the picture, none missing. Rows
// written in turn are taken as they come; stored rows are all taken at once by placeAll,
// before any is written, and then counted as threads write them at their places.
class RowCounter {
 public:
  explicit RowCounter(int height) : height_(height) {}
  FileError take(int count, const std::string& path);
  FileError placeAll(const std::string& path);
  // Rows first .. first + count - 1 may be written at their places.
  FileError checkPlaced(int first, int count, const std::string& path) const;
  void wrotePlaced(int count) { placedWritten_ += count; }
  FileError checkComplete(const std::string& path) const;
  int written() const { return written_; }

 private:
  int height_;
  int written_ = 0;
  bool placed_ = false;
  std::atomic<int> placedWritten_ = 0;
};

}  // namespace hosei
