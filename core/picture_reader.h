#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "file_error.h"
#include "sample_type.h"

namespace hosei {

// The order in which a file stores its rows: bitmaps from the bottom of the picture up,
// photos from the top down.
enum class RowOrder { kBottomUp, kTopDown };

// The pixel rows of a picture file, streamed in the order the file stores them, as blue,
// green and red triplets whatever the file holds (a grey picture gives blue = green = red);
// an alpha channel, where the picture has one, comes separately. Only a few rows are ever
// held, so a picture of any size can be read.
class PictureReader {
 public:
  virtual ~PictureReader() = default;

  virtual int width() const = 0;
  virtual int height() const = 0;
  virtual RowOrder rowOrder() const = 0;
  virtual bool hasAlpha() const = 0;
  // How the file stores its samples. readRows always gives 8 bits, a deeper picture
  // reduced to them for the screen; readDeepRows gives a deep picture at its own depth.
  virtual SampleType sampleType() const { return SampleType::kUint8; }

  // Reads the next `count` rows. Row r goes to bgr + r * bgrStride (3 * width bytes) and,
  // when the picture has alpha and `alpha` is not null, to alpha + r * alphaStride (width
  // bytes). Reading past the last row is an error, never undefined.
  virtual FileError readRows(int count, std::uint8_t* bgr, std::size_t bgrStride,
                             std::uint8_t* alpha = nullptr, std::size_t alphaStride = 0) = 0;

  // For deep pictures only: the next `count` rows as readRows reads them, in samples of
  // sampleType() (host byte order; 16 bits full scale at 65535, floats 0..1) instead of
  // bytes. The strides are in bytes. A float picture with a sample outside 0..1, NaN or
  // an infinity is refused here, rather than clipped.
  virtual FileError readDeepRows(int count, void* bgr, std::size_t bgrStride, void* alpha = nullptr,
                                 std::size_t alphaStride = 0);

  // Passes over the next `count` rows unread. This default reads and discards them a few at
  // a time; a reader that can seek does better.
  virtual FileError skipRows(int count);
};

// Opens a picture file the program can show or correct, checked as Execute checks it.
FileError OpenPictureReader(const std::string& path, std::unique_ptr<PictureReader>& reader);

}  // namespace hosei
