#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace hosei {

// All stored rows of a bitmap, in file order: row 0 is the bottom row of the picture.
// Padding bytes at the end of each row belong to the block and are written back as read.
class PixelBlock {
 public:
  PixelBlock() = default;
  // The bytes are left uninitialised: the block is always filled by one read.
  PixelBlock(std::size_t rowLength, std::size_t rows)
      : bytes_(new std::uint8_t[rowLength * rows]), rowLength_(rowLength), rows_(rows) {}

  std::size_t rowLength() const { return rowLength_; }
  std::size_t rows() const { return rows_; }
  std::size_t size() const { return rowLength_ * rows_; }
  std::uint8_t* data() { return bytes_.get(); }
  const std::uint8_t* data() const { return bytes_.get(); }
  std::uint8_t* row(std::size_t index) { return bytes_.get() + index * rowLength_; }
  const std::uint8_t* row(std::size_t index) const { return bytes_.get() + index * rowLength_; }

 private:
  std::unique_ptr<std::uint8_t[]> bytes_;
  std::size_t rowLength_ = 0;
  std::size_t rows_ = 0;
};

}  // namespace hosei
