#pragma once

#include <cstddef>

namespace hosei {

// How a picture stores one sample. 8-bit pictures go through the byte tables; deeper ones
// are corrected at their own depth, as fractions of full scale.
enum class SampleType {
  kUint8,
  kUint16,   // full scale 65535, in host byte order once read
  kFloat32,  // 0..1, IEEE single precision, in host byte order once read
};

inline constexpr std::size_t BytesPerSample(SampleType type) {
  return type == SampleType::kUint8 ? 1 : type == SampleType::kUint16 ? 2 : 4;
}

inline constexpr bool IsDeep(SampleType type) { return type != SampleType::kUint8; }

// Which colour comes first in each pixel's three samples: the readers' rows are blue
// first, stored rows (PhotoReader::readStoredRowsAt) red first. Of the corrections only the
// background adjustment tells the colours apart.
enum class ChannelOrder { kBlueFirst, kRedFirst };

}  // namespace hosei
