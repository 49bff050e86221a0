#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bitmap_header.h"
#include "file_error.h"
#include "pixel_block.h"

namespace hosei {

// A bitmap as the program holds it: the header region (everything before the pixel
// data, copied byte for byte) and the pixel block. Bytes after the pixel rows are dropped.
struct BitmapImage {
  BitmapHeader header;
  std::vector<std::uint8_t> headerRegion;
  PixelBlock pixels;
};

// Reads the header prefix of a file; a short file gives zeros for the missing bytes.
// The source is only ever opened for reading.
FileError ReadBitmapHeader(const std::string& path, BitmapHeader& header);

// Reads a whole accepted bitmap: the accept test, the processing limits and the file's
// length are all checked before the pixel block is allocated and read in one piece.
FileError ReadBitmapFile(const std::string& path, BitmapImage& image);

// Writes header region + pixel block to a temporary file beside `path` and renames it
// into place, so a failure leaves no partial file and keeps an earlier one intact.
FileError WriteBitmapFile(const std::string& path, const BitmapImage& image);

}  // namespace hosei
