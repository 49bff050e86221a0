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

}  // namespace

bool IsSameFile(const std::string& a, const std::string& b) {
  struct stat first {
  }, second{};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

ResultFile::~ResultFile() {
  if (!temporary_.empty()) {
    file_.close();
    ::unlink(temporary_.c_str());
  }
}

FileError ResultFile::create(const std::string& path) {
  path_ = path;
  // Hidden, and named after the result and this process, so it is recognisable if the
  // machine goes down mid-write.
  const std::string stem = FolderWithSlash(FolderOf(path)) + "." +
                           std::string(FileTitle(path).substr(0, 200)) + "." +
                           std::to_string(::getpid());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate = stem + "-" + std::to_string(attempt) + ".tmp";
    file_ = FileDescriptor(::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (file_.valid()) {
      temporary_ = candidate;
      return {};
    }
    if (errno != EEXIST) return WriteFailure(path, errno);
  }
  return WriteFailure(path, EEXIST);
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
  if (!file_.close()) return WriteFailure(path_, errno);
  if (::rename(temporary_.c_str(), path_.c_str()) != 0) return WriteFailure(path_, errno);
  temporary_.clear();
  return {};
}

}  // namespace hosei
