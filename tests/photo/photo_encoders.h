#pragma once

// Test inputs written straight through Debian's libjpeg-turbo, libpng and libtiff, the way
// cameras and editors write them, with the metadata a photo carries.

#include <tiffio.h>

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "photo_test_support.h"

namespace hosei::test {

struct PngChunkBytes {
  std::string type;
  Bytes data;
  bool afterImage = false;
};

struct PngSpec {
  int colourType = 2;  // PNG_COLOR_TYPE_*
  int bitDepth = 8;
  bool interlaced = false;
  Bytes palette;       // 3 bytes an entry
  Bytes transparency;  // tRNS as stored
  std::vector<PngChunkBytes> chunks;
};
// `picture` holds one sample (or palette index) a byte; depths below 8 are packed here,
// 16 bits repeat each byte.
void WritePng(const std::string& path, const Picture& picture, const PngSpec& spec);

// The chunks after IHDR except IDAT and IEND, and IHDR's colour type, depth and interlace.
struct PngFile {
  int colourType = -1;
  int bitDepth = 0;
  bool interlaced = false;
  std::vector<PngChunkBytes> chunks;
};
PngFile ParsePng(const Bytes& file);

struct TiffSpec {
  std::uint16_t compression = 1;
  std::uint16_t predictor = 0;
  std::uint16_t photometric = 2;
  int bits = 8;
  std::uint32_t tileSize = 0;  // 0: strips of 4 rows
  bool bigEndian = false;
  bool metadata = true;  // descriptive tags, EXIF and GPS directories
  int pages = 1;
};
// TIFFOpen without libtiff's warnings on stderr (errors still show).
TIFF* OpenTiffQuietly(const std::string& path, const char* mode);

// With `metadata`, also this private tag of five bytes.
inline constexpr std::uint32_t kPrivateTag = 65000;
void WriteTiff(const std::string& path, const Picture& picture, const TiffSpec& spec);

struct JpegSpec {
  int components = 3;  // 1 grey, 3 YCbCr, 4 CMYK
  int h = 2, v = 2;    // sampling of the first component
  bool progressive = false;
  bool jfif = false;
  bool ownCrTable = false;  // the third component on a table of its own
  int quality = 85;
  std::vector<std::pair<int, Bytes>> markers;
};
void WriteJpeg(const std::string& path, const Picture& picture, const JpegSpec& spec);

// The segments before the first scan.
struct JpegFile {
  std::vector<std::pair<int, Bytes>> markers;  // APPn and COM, in order
  std::vector<std::pair<int, Bytes>> tables;   // DQT: id and the values as stored
  int frame = -1;                              // 0xC0, 0xC1, 0xC2, ...
  std::vector<std::array<int, 4>> components;  // id, h, v, table
};
JpegFile ParseJpeg(const Bytes& file);

}  // namespace hosei::test
