#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "file_descriptor.h"
#include "file_error.h"

namespace hosei {

// True when both paths name one existing file (also through links), so writing one would
// replace the other.
bool IsSameFile(const std::string& a, const std::string& b);

// A file written under a temporary name beside its final path and renamed into place only
// when every byte is written: a failure leaves no partial file and keeps an earlier file of
// that name intact, and a new file never keeps stale bytes of a longer earlier one.
class ResultFile {
 public:
  ResultFile() = default;
  ResultFile(const ResultFile&) = delete;
  ResultFile& operator=(const ResultFile&) = delete;
  ~ResultFile();  // discards the temporary file unless committed

  FileError create(const std::string& path);
  FileError write(const std::uint8_t* data, std::size_t size);
  FileError commit();

  // The temporary file, open for reading and writing, for encoders that write through a
  // descriptor of their own (and may seek back). They must not close it.
  int descriptor() const { return file_.get(); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string temporary_;
  FileDescriptor file_;
};

}  // namespace hosei
