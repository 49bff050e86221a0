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

}  // namespace

bool IsSameFile(const std::string& a, const std::string& b) {
  struct stat first {
  }, second{};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

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
  unnamed_ = file_.valid();
  if (unnamed_) return {};
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
    if (errno != EEXIST) return WriteFailure(path_, errno);
    if (FileError error = createNamed(0)) return error;
    unnamed_ = false;
  }
  if (!file_.close()) return WriteFailure(path_, errno);
  if (::rename(temporary_.c_str(), path_.c_str()) != 0) return WriteFailure(path_, errno);
  temporary_.clear();
  return {};
}

}  // namespace hosei
