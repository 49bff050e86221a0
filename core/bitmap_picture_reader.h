#pragma once

#include <cstdint>
#include <vector>

#include "bitmap_source.h"
#include "picture_reader.h"

namespace hosei {

// The rows of an accepted bitmap as a PictureReader: bottom row first, as the file stores
// them, with the padding at the end of each row dropped.
class BitmapPictureReader : public PictureReader {
 public:
  explicit BitmapPictureReader(BitmapSource source);

  int width() const override { return source_.width(); }
  int height() const override { return source_.height(); }
  RowOrder rowOrder() const override { return RowOrder::kBottomUp; }
  bool hasAlpha() const override { return false; }

  FileError readRows(int count, std::uint8_t* bgr, std::size_t bgrStride,
                     std::uint8_t* alpha = nullptr, std::size_t alphaStride = 0) override;
  // Stored rows lie at known offsets, so skipping is only counting.
  FileError skipRows(int count) override;

 private:
  FileError checkRowsLeft(int count) const;

  BitmapSource source_;
  int nextRow_ = 0;
  // Stored rows, padding included, on their way to the caller's rows.
  std::vector<std::uint8_t> buffer_;
};

}  // namespace hosei
