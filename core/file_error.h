#pragma once

#include <string>

namespace hosei {

enum class FileProblem {
  kNone,
  kCannotOpen,      // missing, no permission, ...
  kNotRegularFile,  // a folder, a device, a pipe
  kReadFailed,
  kNot24BitBitmap,    // failed the accept test
  kBeyondLowWords,    // accepted, but offset, width or height above 65535, or top-down
  kZeroSize,          // accepted, but width or height is 0
  kOffsetOutOfRange,  // accepted, but the pixel data offset is below 54 or 32768 and more
  kTruncated,         // shorter than offset + height * padded row length
  kOutOfMemory,
  kNameTooShort,      // fewer than four characters to replace by the result suffix
  kCannotWrite,       // result or display copy could not be written
  kResultIsSource,    // the file to write is the file being read
  kStopped,           // abandoned at the caller's request; nothing written
  kUnsupportedPhoto,  // a JPEG, PNG or TIFF of a kind hosei cannot correct; detail says why
  kCorruptPhoto,      // a JPEG, PNG or TIFF that its library cannot decode; detail says why
};

struct FileError {
  FileProblem problem = FileProblem::kNone;
  std::string path;
  // strerror text where the system reported one; for photos, what is wrong with the file
  std::string systemMessage;

  explicit operator bool() const { return problem != FileProblem::kNone; }
};

// The accept-test message shown by both readers.
inline constexpr const char* kNot24BitBitmapMessage = "24bit Windowsビットマップではありません";
// The main window's status text after a rejected file.
inline constexpr const char* kColourCountErrorStatus = "色数のエラー";

// One line a user can act on, naming the file.
std::string DescribeFileError(const FileError& error);

}  // namespace hosei
