#include "bitmap_header.h"

#include <algorithm>
#include <cmath>

namespace hosei {

double BitmapHeaderWord(std::uint8_t low, std::uint8_t high) { return low + 256.0 * high; }

BitmapHeader DecodeBitmapHeader(std::span<const std::uint8_t> prefix) {
  std::array<std::uint8_t, kHeaderPrefixSize> bytes{};
  std::copy_n(prefix.begin(), std::min(prefix.size(), bytes.size()), bytes.begin());
  BitmapHeader header;
  header.pixelDataOffset = static_cast<int>(BitmapHeaderWord(bytes[10], bytes[11]));
  header.infoHeaderSizeByte = bytes[14];
  header.width = BitmapHeaderWord(bytes[18], bytes[19]);
  header.height = BitmapHeaderWord(bytes[22], bytes[23]);
  header.bitsPerPixel = static_cast<int>(BitmapHeaderWord(bytes[28], bytes[29]));
  header.highWordsClear =
      (bytes[12] | bytes[13] | bytes[20] | bytes[21] | bytes[24] | bytes[25]) == 0;
  return header;
}

bool IsAccepted24BitBitmap(const BitmapHeader& header) {
  return header.infoHeaderSizeByte == 40 && header.bitsPerPixel == 24;
}

std::size_t PaddedRowLength(double width) {
  return static_cast<std::size_t>(std::floor((3.0 * width + 3.0) / 4.0) * 4.0);
}

HeaderLimit CheckHeaderLimits(const BitmapHeader& header) {
  if (!header.highWordsClear) return HeaderLimit::kBeyondLowWords;
  if (header.width == 0 || header.height == 0) return HeaderLimit::kZeroSize;
  if (header.pixelDataOffset < kMinimumPixelDataOffset ||
      header.pixelDataOffset >= kPixelDataOffsetLimit)
    return HeaderLimit::kOffsetOutOfRange;
  return HeaderLimit::kWithinLimits;
}

std::uint64_t RequiredFileSize(const BitmapHeader& header) {
  return static_cast<std::uint64_t>(header.pixelDataOffset) +
         static_cast<std::uint64_t>(header.height) * PaddedRowLength(header.width);
}

}  // namespace hosei
