#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <variant>
#include <vector>

#include "parameters.h"
#include "pixel_block.h"
#include "test_bitmap.h"

namespace hosei::test {

using Bgr = std::array<int, 3>;

// Pixel (x, y) of a block: x from 1 at the left, y from 1 at the bottom row.
inline Bgr PixelOf(const std::uint8_t* rows, std::size_t rowLength, int x, int y) {
  const std::uint8_t* p = rows + static_cast<std::size_t>(y - 1) * rowLength + 3 * (x - 1);
  return {p[0], p[1], p[2]};
}

inline Bgr PixelOf(const std::vector<std::uint8_t>& file, const TestBitmap& layout, int x, int y) {
  return PixelOf(file.data() + layout.pixelDataOffset, layout.rowLength(), x, y);
}

inline TestBitmap Sized(int width, int height, int pixelDataOffset = 54) {
  TestBitmap bitmap;
  bitmap.width = width;
  bitmap.height = height;
  bitmap.pixelDataOffset = pixelDataOffset;
  return bitmap;
}

inline TestBitmap Uniform(int width, int height, Bgr colour) {
  TestBitmap bitmap = Sized(width, height);
  bitmap.paint = [colour](int, int, std::uint8_t* bgr) {
    for (int c = 0; c < 3; ++c) bgr[c] = static_cast<std::uint8_t>(colour[c]);
  };
  return bitmap;
}

// The initial texts with the mode and some fields changed.
inline FieldTexts Texts(Mode mode, std::initializer_list<std::pair<Field, const char*>> typed = {},
                        bool background = false) {
  FieldTexts texts;
  texts.mode = mode;
  texts.background = background;
  for (const auto& [field, text] : typed) texts[field] = text;
  return texts;
}

inline Parameters Accepted(const FieldTexts& texts) {
  const auto read = ReadParameters(texts);
  EXPECT_TRUE(std::holds_alternative<Parameters>(read));
  return std::holds_alternative<Parameters>(read) ? std::get<Parameters>(read) : Parameters{};
}

}  // namespace hosei::test
