#include "bitmap_source.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "positioned_io.h"

namespace hosei {

namespace {

FileError Failure(FileProblem problem, const std::string& path, int errorNumber = 0) {
  return FileError{problem, path, errorNumber ? std::strerror(errorNumber) : std::string()};
}

}  // namespace

FileError OpenBitmapHeader(const std::string& path, FileDescriptor& file, BitmapHeader& header,
                           std::uint64_t& fileSize, HeaderPrefix* rawPrefix) {
  // Non-blocking, so a pipe in place of a photo cannot hang the program before the check.
  file = FileDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!file.valid()) return Failure(FileProblem::kCannotOpen, path, errno);
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) return Failure(FileProblem::kReadFailed, path, errno);
  if (!S_ISREG(info.st_mode)) return Failure(FileProblem::kNotRegularFile, path);
  std::uint8_t prefix[kHeaderPrefixSize] = {};
  if (ReadAt(file.get(), prefix, sizeof prefix, 0) < 0)
    return Failure(FileProblem::kReadFailed, path, errno);
  header = DecodeBitmapHeader(prefix);
  if (rawPrefix) std::copy(std::begin(prefix), std::end(prefix), rawPrefix->begin());
  fileSize = static_cast<std::uint64_t>(info.st_size);
  return {};
}

FileError BitmapSource::open(const std::string& path, BitmapSource& source) {
  BitmapSource opened;
  opened.path_ = path;
  std::uint64_t fileSize = 0;
  if (FileError error = OpenBitmapHeader(path, opened.file_, opened.header_, fileSize))
    return error;
  if (!IsAccepted24BitBitmap(opened.header_)) return Failure(FileProblem::kNot24BitBitmap, path);
  switch (CheckHeaderLimits(opened.header_)) {
    case HeaderLimit::kBeyondLowWords:
      return Failure(FileProblem::kBeyondLowWords, path);
    case HeaderLimit::kZeroSize:
      return Failure(FileProblem::kZeroSize, path);
    case HeaderLimit::kOffsetOutOfRange:
      return Failure(FileProblem::kOffsetOutOfRange, path);
    case HeaderLimit::kWithinLimits:
      break;
  }
  if (fileSize < RequiredFileSize(opened.header_)) return Failure(FileProblem::kTruncated, path);

  opened.rowLength_ = PaddedRowLength(opened.header_.width);
  opened.headerRegion_.resize(static_cast<std::size_t>(opened.header_.pixelDataOffset));
  const long long read =
      ReadAt(opened.file_.get(), opened.headerRegion_.data(), opened.headerRegion_.size(), 0);
  if (read < 0) return Failure(FileProblem::kReadFailed, path, errno);
  if (static_cast<std::size_t>(read) != opened.headerRegion_.size())
    return Failure(FileProblem::kTruncated, path);
  source = std::move(opened);
  return {};
}

FileError BitmapSource::readRows(std::size_t first, std::size_t count,
                                 std::uint8_t* destination) const {
  const std::size_t size = count * rowLength_;
  const std::uint64_t offset =
      static_cast<std::uint64_t>(header_.pixelDataOffset) + first * rowLength_;
  const long long read = ReadAt(file_.get(), destination, size, offset);
  if (read < 0) return Failure(FileProblem::kReadFailed, path_, errno);
  // The file may have been cut short since it was opened.
  if (static_cast<std::size_t>(read) != size) return Failure(FileProblem::kTruncated, path_);
  return {};
}

}  // namespace hosei
