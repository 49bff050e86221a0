#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "file_descriptor.h"
#include "sample_type.h"

namespace hosei {

// The extension HDUs after the primary one: bytes [begin, end) of the file, with `cards`
// header cards among them.
struct FitsExtensions {
  long long begin = 0;
  long long end = 0;
  std::size_t cards = 0;
  bool firstIsCompressedImage = false;  // ZIMAGE = T: a tile-compressed picture
};

// What the writer of a FITS result needs from its source.
struct FitsPlan {
  int bitpix = 8;  // 8, 16 (unsigned through BZERO 32768) or -32
  SampleType sampleType = SampleType::kUint8;
  int width = 0;
  int height = 0;
  int planes = 1;  // 1 grey, 3 red, green and blue
  // ROWORDER = 'TOP-DOWN': the first stored row is the top one, not the bottom one.
  bool topDown = false;
  // The primary header's cards in order, without those describing the layout.
  std::shared_ptr<const std::vector<std::string>> cards;
  // Copied as they are from the source, which stays open for the writer.
  FitsExtensions extensions;
  std::shared_ptr<const FileDescriptor> source;
  std::string sourcePath;
};

// The stored row (1 for the first) of the row `fromTop` rows below the top (0 for the top).
inline long long StoredRow(const FitsPlan& plan, int fromTop) {
  return plan.topDown ? fromTop + 1 : plan.height - fromTop;
}

}  // namespace hosei
