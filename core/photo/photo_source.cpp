#include "photo_source.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace hosei {

FileError UnsupportedPhoto(const std::string& path, ProblemDetail why,
                           std::vector<std::string> values) {
  return FileError{FileProblem::kUnsupportedPhoto, path, {}, why, std::move(values)};
}

FileError CorruptPhoto(const std::string& path, ProblemDetail why,
                       std::vector<std::string> values) {
  return FileError{FileProblem::kCorruptPhoto, path, {}, why, std::move(values)};
}

FileError CannotWritePhoto(const std::string& path, int errorNumber) {
  return FileError{FileProblem::kCannotWrite, path, std::strerror(errorNumber)};
}

FileError CannotWritePhoto(const std::string& path, ProblemDetail why,
                           std::vector<std::string> values) {
  return FileError{FileProblem::kCannotWrite, path, {}, why, std::move(values)};
}

FileError OpenPhotoFile(const std::string& path, FileDescriptor& file) {
  file = FileDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!file.valid()) return FileError{FileProblem::kCannotOpen, path, std::strerror(errno)};
  struct stat info {};
  if (::fstat(file.get(), &info) != 0)
    return FileError{FileProblem::kReadFailed, path, std::strerror(errno)};
  if (!S_ISREG(info.st_mode)) return FileError{FileProblem::kNotRegularFile, path, {}};
  return {};
}

FileError PhotoWriter::writeDeepRows(int, const void*, std::size_t, const void*, std::size_t) {
  return CannotWritePhoto(std::string{}, ProblemDetail::kEightBitWriter);
}

FileError PhotoWriter::placeStoredRows() {
  return CannotWritePhoto(std::string{}, ProblemDetail::kStoredRowsUnsupported);
}

FileError PhotoWriter::writeStoredRowsAt(int, int, const void*, std::size_t,
                                         std::vector<std::uint8_t>&) {
  return CannotWritePhoto(std::string{}, ProblemDetail::kStoredRowsUnsupported);
}

FileError PhotoReader::readStoredRowsAt(int, int, void*, std::size_t,
                                        std::vector<std::uint8_t>&) const {
  return UnsupportedPhoto(std::string{}, ProblemDetail::kStoredRowsUnsupported);
}

FileError StoppedReading(const std::string& path) {
  return FileError{FileProblem::kStopped, path, {}};
}

FileError CheckRowsWithin(int first, int count, int height, const std::string& path) {
  if (first < 0 || count < 0 || count > height - first)
    return FileError{FileProblem::kReadFailed, path, {}, ProblemDetail::kPastLastRow, {}};
  return {};
}

FileError PhotoSource::takeRows(int count, const std::string& path) {
  if (FileError error = CheckRowsWithin(rowsRead_, count, height(), path)) return error;
  rowsRead_ += count;
  return {};
}

FileError RowCounter::take(int count, const std::string& path) {
  if (count < 0 || count > height_ - written_)
    return CannotWritePhoto(path, ProblemDetail::kRowsBeyondHeight);
  written_ += count;
  return {};
}

FileError RowCounter::placeAll(const std::string& path) {
  if (written_ != 0) return CannotWritePhoto(path, ProblemDetail::kStoredRowsUnsupported);
  written_ = height_;
  placed_ = true;
  return {};
}

FileError RowCounter::checkPlaced(int first, int count, const std::string& path) const {
  if (!placed_) return CannotWritePhoto(path, ProblemDetail::kStoredRowsUnsupported);
  if (first < 0 || count < 0 || count > height_ - first)
    return CannotWritePhoto(path, ProblemDetail::kPastLastRow);
  return {};
}

FileError RowCounter::checkComplete(const std::string& path) const {
  if (written_ != height_ || (placed_ && placedWritten_ != height_))
    return CannotWritePhoto(path, ProblemDetail::kRowsMissing);
  return {};
}

}  // namespace hosei
