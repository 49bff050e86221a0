#pragma once

#include <fitsio.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "file_error.h"

namespace hosei {

// cfitsio opens files by name only. hosei reads sources through descriptors it has checked
// and writes results into unnamed files, so cfitsio is given a driver of its own that reads
// and writes an open descriptor (pread/pwrite, never closing it). This works without /proc
// and cannot be redirected to another file by a rename.

// cfitsio's code for the samples hosei keeps in memory.
template <typename Sample>
constexpr int kFitsDatatype = 0;
template <>
inline constexpr int kFitsDatatype<std::uint8_t> = TBYTE;
template <>
inline constexpr int kFitsDatatype<std::uint16_t> = TUSHORT;
template <>
inline constexpr int kFitsDatatype<float> = TFLOAT;

// Closes a cfitsio file (flushing what it buffered) and ignores the outcome: used on paths
// that abandon the file.
struct FitsFileCloser {
  void operator()(fitsfile* file) const;
};
using FitsFile = std::unique_ptr<fitsfile, FitsFileCloser>;

// Open the FITS file behind `fd` for reading, or start a new one in the empty file `fd`.
// Each returns a cfitsio status (0 for success).
int OpenFitsDescriptor(int fd, FitsFile& file);
int CreateFitsDescriptor(int fd, FitsFile& file);

// What cfitsio writes at or after byte `from` of `file` (opened by CreateFitsDescriptor) is
// dropped: the caller writes the data unit itself. cfitsio fills a new picture's data with
// zeros as it closes the file, a record at a time.
void DropFitsWritesFrom(fitsfile* file, LONGLONG from);

// The errno of the last failed read or write on this thread by the descriptor driver, 0 when
// cfitsio's last failure was not the system's. Cleared by ClearFitsSystemError.
int FitsSystemError();
void ClearFitsSystemError();

// cfitsio's own short text for a status, for the end of a message.
std::string FitsStatusText(int status);

// What a failed cfitsio call on a source comes to: the system's error where the driver met
// one, else kCorruptPhoto for `what`, with `values` and then cfitsio's text. Clears the system
// error.
FileError FitsReadFailure(const std::string& path, int status, ProblemDetail what,
                          std::vector<std::string> values = {});
// The same for a result: kCannotWrite, with the system's error where there was one.
FileError FitsWriteFailure(const std::string& path, int status, ProblemDetail what,
                           std::vector<std::string> values = {});

}  // namespace hosei
