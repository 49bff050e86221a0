#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bitmap_header.h"
#include "file_descriptor.h"
#include "file_error.h"

namespace hosei {

// An accepted bitmap opened for reading: the header is checked and the file is known to
// hold every stored row before any pixel is read. The file is only ever opened read-only.
class BitmapSource {
 public:
  // Opens and checks `path`; on failure `source` is left unusable.
  static FileError open(const std::string& path, BitmapSource& source);

  const BitmapHeader& header() const { return header_; }
  int width() const { return static_cast<int>(header_.width); }
  int height() const { return static_cast<int>(header_.height); }
  std::size_t rowLength() const { return rowLength_; }
  // Everything before the pixel data, byte for byte.
  const std::vector<std::uint8_t>& headerRegion() const { return headerRegion_; }

  // Reads `count` stored rows from row `first` (0 = bottom row) into `destination`.
  FileError readRows(std::size_t first, std::size_t count, std::uint8_t* destination) const;

 private:
  std::string path_;
  FileDescriptor file_;
  BitmapHeader header_;
  std::size_t rowLength_ = 0;
  std::vector<std::uint8_t> headerRegion_;
};

using HeaderPrefix = std::array<std::uint8_t, kHeaderPrefixSize>;

// Opens a regular file read-only and decodes its header prefix (zeros for the bytes a short
// file lacks), without judging it. The raw prefix is copied out when asked for.
FileError OpenBitmapHeader(const std::string& path, FileDescriptor& file, BitmapHeader& header,
                           std::uint64_t& fileSize, HeaderPrefix* rawPrefix = nullptr);

}  // namespace hosei
