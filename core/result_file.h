#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "file_descriptor.h"
#include "file_error.h"

namespace hosei {

// True when both paths name one existing file (also through links), so writing one would
// replace the other.
bool IsSameFile(const std::string& a, const std::string& b);

// The permissions of a file made from `source` (a result or a display copy): who may read
// it is who may read the source, so a private photo's GPS data stays private; its owner
// may always write it.
mode_t PermissionsFollowing(const std::string& source);

// A file written beside its final path and put into place only when every byte is
// written: a failure leaves no partial file and keeps an earlier file of that name intact,
// and a new file never keeps stale bytes of a longer earlier one. Where the file system
// allows, the file has no name until then, so a run killed mid-write leaves nothing
// behind either; elsewhere it has a hidden temporary name that is renamed into place.
class ResultFile {
 public:
  ResultFile() = default;
  ResultFile(const ResultFile&) = delete;
  ResultFile& operator=(const ResultFile&) = delete;
  ~ResultFile();  // discards the temporary file unless committed

  // `permissions` as for open(2), narrowed by the umask.
  FileError create(const std::string& path, mode_t permissions = 0666);
  FileError write(const std::uint8_t* data, std::size_t size);
  FileError commit();

  // The temporary file, open for reading and writing, for encoders that write through a
  // descriptor of their own (and may seek back). They must not close it.
  int descriptor() const { return file_.get(); }
  const std::string& path() const { return path_; }

 private:
  FileError createNamed(mode_t permissions);
  // The unnamed file cannot be linked: its bytes move to a file with a hidden name.
  FileError copyToNamed(mode_t permissions);

  std::string path_;
  std::string temporary_;  // the hidden name, while it has one
  FileDescriptor file_;
  bool unnamed_ = false;
};

}  // namespace hosei
