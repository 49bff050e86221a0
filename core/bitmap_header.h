#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace hosei {

// The first bytes of a bitmap file that the reader decodes.
inline constexpr std::size_t kHeaderPrefixSize = 30;
// 14-byte file header + 40-byte info header: pixel data can start no earlier.
inline constexpr int kMinimumPixelDataOffset = 54;
// The offset is held as a 16-bit signed number, so 32768 and above cannot be handled.
inline constexpr int kPixelDataOffsetLimit = 32768;

// Decodes a little-endian two-byte header field: low + 256 * high, 0..65535.
double BitmapHeaderWord(std::uint8_t low, std::uint8_t high);

struct BitmapHeader {
  int pixelDataOffset = 0;              // bytes 10-11 only, 0..65535
  double width = 0;                     // bytes 18-19 only
  double height = 0;                    // bytes 22-23 only
  std::uint8_t infoHeaderSizeByte = 0;  // byte 14
  int bitsPerPixel = 0;                 // bytes 28-29
  // Bytes 12-13, 20-21 and 24-25 all zero. Otherwise the offset, width or height is beyond
  // what the low words hold, or the height is negative (rows stored top-down), and reading
  // the low words alone would correct the wrong bytes.
  bool highWordsClear = true;
};

// A file shorter than the prefix supplies zeros for the missing bytes.
BitmapHeader DecodeBitmapHeader(std::span<const std::uint8_t> prefix);

// The accept test: 40-byte info header and 24 bits per pixel, nothing else looked at.
bool IsAccepted24BitBitmap(const BitmapHeader& header);

// 3 * width rounded up to a multiple of 4.
std::size_t PaddedRowLength(double width);

enum class HeaderLimit {
  kWithinLimits,
  kBeyondLowWords,   // see BitmapHeader::highWordsClear
  kZeroSize,         // width or height 0: nothing to correct
  kOffsetOutOfRange  // pixel data would overlap the headers, or lies beyond 32767
};

// Accepted headers that the program still cannot process.
HeaderLimit CheckHeaderLimits(const BitmapHeader& header);

// Bytes the file must hold: the header region followed by every stored row.
std::uint64_t RequiredFileSize(const BitmapHeader& header);

}  // namespace hosei
