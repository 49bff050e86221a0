#include "result_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "file_names.h"

namespace hosei {

namespace {

FileError WriteFailure(const std::string& path, int errorNumber) {
  return FileError{FileProblem::kCannotWrite, path, std::strerror(errorNumber)};
}

// The name through which an open file can be linked without privileges.
std::string ProcessPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// In a container or chroot without /proc an unnamed file could never be given its name.
bool CanBeLinked(int fd) {
  struct stat info {};
  return ::stat(ProcessPath(fd).c_str(), &info) == 0;
}

// Copies the whole of one open file into another, for when the first cannot be linked.
int CopyAll(int from, int to) {
  std::uint8_t buffer[1 << 16];
  for (off_t at = 0;;) {
    const ssize_t got = ::pread(from, buffer, sizeof buffer, at);
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (got == 0) return 0;
    for (ssize_t put = 0; put < got;) {
      const ssize_t n = ::pwrite(to, buffer + put, static_cast<std::size_t>(got - put), at + put);
      if (n < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      put += n;
    }
    at += got;
  }
}

}  // namespace

bool IsSameFile(const std::string& a, const std::string& b) {
  struct stat first {
  }, second{};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

namespace {

mode_t PermissionsOf(int fd) {
  struct stat info {};
  return ::fstat(fd, &info) == 0 ? info.st_mode & 07777 : 0600;
}

}  // namespace

mode_t PermissionsFollowing(const std::string& source) {
  struct stat info {};
  if (::stat(source.c_str(), &info) != 0) return 0666;
  return (info.st_mode & 0666) | S_IWUSR;
}

ResultFile::~ResultFile() {
  if (!temporary_.empty()) {
    file_.close();
    ::unlink(temporary_.c_str());
  }
}

FileError ResultFile::create(const std::string& path, mode_t permissions) {
  path_ = path;
  file_ =
      FileDescriptor(::open(FolderOf(path).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, permissions));
  unnamed_ = file_.valid() && CanBeLinked(file_.get());
  if (unnamed_) return {};
  file_.close();
  // Not every file system has unnamed files (FAT cards do not); any other failure shows
  // again below with the reason the user can act on.
  return createNamed(permissions);
}

FileError ResultFile::createNamed(mode_t permissions) {
  // Hidden, and named after the result and this process, so it is recognisable if the
  // machine goes down mid-write.
  const std::string stem = FolderWithSlash(FolderOf(path_)) + "." +
                           std::string(FileTitle(path_).substr(0, 200)) + "." +
                           std::to_string(::getpid());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate = stem + "-" + std::to_string(attempt) + ".tmp";
    bool made = false;
    if (unnamed_) {
      made = ::linkat(AT_FDCWD, ProcessPath(file_.get()).c_str(), AT_FDCWD, candidate.c_str(),
                      AT_SYMLINK_FOLLOW) == 0;
      if (!made && errno != EEXIST) return copyToNamed(permissions);
    } else {
      file_ = FileDescriptor(
          ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, permissions));
      made = file_.valid();
    }
    if (made) {
      temporary_ = candidate;
      return {};
    }
    if (errno != EEXIST) return WriteFailure(path_, errno);
  }
  return WriteFailure(path_, EEXIST);
}

FileError ResultFile::copyToNamed(mode_t permissions) {
  FileDescriptor unnamed = std::move(file_);
  unnamed_ = false;
  if (FileError error = createNamed(permissions)) return error;
  if (const int failure = CopyAll(unnamed.get(), file_.get())) return WriteFailure(path_, failure);
  return {};
}

FileError ResultFile::write(const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(file_.get(), data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return WriteFailure(path_, errno);
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return {};
}

FileError ResultFile::commit() {
  if (unnamed_) {
    // A new name takes the file at once; an existing one is replaced through a hidden name.
    if (::linkat(AT_FDCWD, ProcessPath(file_.get()).c_str(), AT_FDCWD, path_.c_str(),
                 AT_SYMLINK_FOLLOW) == 0) {
      unnamed_ = false;
      if (file_.close()) return {};
      // A delayed write error: the file just named is not whole.
      const int reason = errno;
      ::unlink(path_.c_str());
      return WriteFailure(path_, reason);
    }
    // Any other failure (no /proc after all, a file system that refuses links): the
    // bytes go to a hidden name instead, as on file systems without unnamed files.
    if (FileError error = createNamed(PermissionsOf(file_.get()))) return error;
    unnamed_ = false;
  }
  if (!file_.close()) return WriteFailure(path_, errno);
  if (::rename(temporary_.c_str(), path_.c_str()) != 0) return WriteFailure(path_, errno);
  temporary_.clear();
  return {};
}

}  // namespace hosei
