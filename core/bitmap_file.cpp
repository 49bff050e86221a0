#include "bitmap_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

namespace hosei {

namespace {

// Closes the descriptor when the reader or writer leaves, on every path.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
      if (fd_ >= 0) ::close(fd_);
      fd_ = other.fd_;
      other.fd_ = -1;
    }
    return *this;
  }
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Returns false when the close itself reports a failed write.
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

FileError Failure(FileProblem problem, const std::string& path, int errorNumber = 0) {
  return FileError{problem, path, errorNumber ? std::strerror(errorNumber) : std::string()};
}

// Reads up to `size` bytes at `offset`; returns the count read, or -1 with errno set.
long long ReadAt(int fd, std::uint8_t* buffer, std::size_t size, std::uint64_t offset) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd, buffer + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<long long>(done);
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

FileError OpenForReading(const std::string& path, FileDescriptor& file, struct stat& info) {
  file = FileDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.valid()) return Failure(FileProblem::kCannotOpen, path, errno);
  if (::fstat(file.get(), &info) != 0) return Failure(FileProblem::kReadFailed, path, errno);
  if (!S_ISREG(info.st_mode)) return Failure(FileProblem::kNotRegularFile, path);
  return {};
}

FileError ReadHeaderFrom(int fd, const std::string& path, BitmapHeader& header) {
  std::uint8_t prefix[kHeaderPrefixSize] = {};
  if (ReadAt(fd, prefix, sizeof prefix, 0) < 0)
    return Failure(FileProblem::kReadFailed, path, errno);
  header = DecodeBitmapHeader(prefix);
  return {};
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

FileError ReadBitmapHeader(const std::string& path, BitmapHeader& header) {
  FileDescriptor file(-1);
  struct stat info {};
  if (FileError error = OpenForReading(path, file, info)) return error;
  return ReadHeaderFrom(file.get(), path, header);
}

FileError ReadBitmapFile(const std::string& path, BitmapImage& image) {
  FileDescriptor file(-1);
  struct stat info {};
  if (FileError error = OpenForReading(path, file, info)) return error;
  BitmapHeader header;
  if (FileError error = ReadHeaderFrom(file.get(), path, header)) return error;
  if (!IsAccepted24BitBitmap(header)) return Failure(FileProblem::kNot24BitBitmap, path);
  switch (CheckHeaderLimits(header)) {
    case HeaderLimit::kZeroSize:
      return Failure(FileProblem::kZeroSize, path);
    case HeaderLimit::kOffsetOutOfRange:
      return Failure(FileProblem::kOffsetOutOfRange, path);
    case HeaderLimit::kWithinLimits:
      break;
  }
  if (static_cast<std::uint64_t>(info.st_size) < RequiredFileSize(header))
    return Failure(FileProblem::kTruncated, path);

  BitmapImage loaded;
  loaded.header = header;
  try {
    loaded.headerRegion.resize(static_cast<std::size_t>(header.pixelDataOffset));
    loaded.pixels =
        PixelBlock(PaddedRowLength(header.width), static_cast<std::size_t>(header.height));
  } catch (const std::bad_alloc&) {
    return Failure(FileProblem::kOutOfMemory, path);
  }
  const long long regionRead =
      ReadAt(file.get(), loaded.headerRegion.data(), loaded.headerRegion.size(), 0);
  if (regionRead < 0) return Failure(FileProblem::kReadFailed, path, errno);
  const long long pixelsRead = ReadAt(file.get(), loaded.pixels.data(), loaded.pixels.size(),
                                      static_cast<std::uint64_t>(header.pixelDataOffset));
  if (pixelsRead < 0) return Failure(FileProblem::kReadFailed, path, errno);
  // The file may have shrunk since it was measured.
  if (static_cast<std::size_t>(regionRead) != loaded.headerRegion.size() ||
      static_cast<std::size_t>(pixelsRead) != loaded.pixels.size())
    return Failure(FileProblem::kTruncated, path);
  image = std::move(loaded);
  return {};
}

FileError WriteBitmapFile(const std::string& path, const BitmapImage& image) {
  const std::string folder = FolderOf(path);
  const std::string stem = folder + "/." + NameOf(path) + "." + std::to_string(::getpid());
  std::string temporary;
  FileDescriptor file(-1);
  for (int attempt = 0; attempt < 100 && !file.valid(); ++attempt) {
    temporary = stem + "-" + std::to_string(attempt) + ".tmp";
    file = FileDescriptor(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!file.valid() && errno != EEXIST) return Failure(FileProblem::kCannotWrite, path, errno);
  }
  if (!file.valid()) return Failure(FileProblem::kCannotWrite, path, EEXIST);

  const bool written = WriteAll(file.get(), image.headerRegion.data(), image.headerRegion.size()) &&
                       WriteAll(file.get(), image.pixels.data(), image.pixels.size());
  int errorNumber = errno;
  const bool closed = file.close();
  if (written && !closed) errorNumber = errno;
  if (!written || !closed || ::rename(temporary.c_str(), path.c_str()) != 0) {
    if (written && closed) errorNumber = errno;
    ::unlink(temporary.c_str());
    return Failure(FileProblem::kCannotWrite, path, errorNumber);
  }
  return {};
}

}  // namespace hosei
