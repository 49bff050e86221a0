#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <variant>
#include <vector>

#include "parameters.h"
#include "pixel_block.h"
#include "tables.h"
#include "test_bitmap.h"
#include "tone_mapping.h"

namespace hosei::test {

using Bgr = std::array<int, 3>;

// Tests that read the program-wide tables build them first, as start-up does.
class WithTables : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { BuildTables(); }
};

// Compares file contents and names the first difference instead of printing both files.
inline ::testing::AssertionResult SameBytes(const std::vector<std::uint8_t>& actual,
                                            const std::vector<std::uint8_t>& expected) {
  const std::size_t common = std::min(actual.size(), expected.size());
  for (std::size_t i = 0; i < common; ++i)
    if (actual[i] != expected[i])
      return ::testing::AssertionFailure()
             << "byte " << i << " is " << int{actual[i]} << ", expected " << int{expected[i]};
  if (actual.size() != expected.size())
    return ::testing::AssertionFailure() << actual.size() << " bytes, expected " << expected.size();
  return ::testing::AssertionSuccess();
}

// Pixel (x, y) of a bitmap file's bytes: x from 1 at the left, y from 1 at the bottom row.
inline Bgr PixelOf(const std::vector<std::uint8_t>& file, const TestBitmap& layout, int x, int y) {
  const std::size_t at = static_cast<std::size_t>(layout.pixelDataOffset) +
                         static_cast<std::size_t>(y - 1) * layout.rowLength() +
                         static_cast<std::size_t>(3 * (x - 1));
  return {file.at(at), file.at(at + 1), file.at(at + 2)};
}

inline Bgr PixelOf(const PixelBlock& block, int x, int y) {
  const std::uint8_t* p = block.row(static_cast<std::size_t>(y - 1)) + 3 * (x - 1);
  return {p[0], p[1], p[2]};
}

// A pixel after the brightness mapping of `amount`.
inline Bgr Brightened(Bgr pixel, float amount) {
  std::uint8_t bgr[3] = {static_cast<std::uint8_t>(pixel[0]), static_cast<std::uint8_t>(pixel[1]),
                         static_cast<std::uint8_t>(pixel[2])};
  ApplyBrightness(bgr, amount);
  return {bgr[0], bgr[1], bgr[2]};
}

// A picture of one colour, the starting point of the worked examples.
inline TestBitmap Uniform(int width, int height, Bgr colour) {
  TestBitmap bitmap;
  bitmap.width = width;
  bitmap.height = height;
  bitmap.paint = [colour](int, int, std::uint8_t* bgr) {
    for (int c = 0; c < 3; ++c) bgr[c] = static_cast<std::uint8_t>(colour[c]);
  };
  return bitmap;
}

// Converts field texts that are expected to pass the checks.
inline Parameters Accepted(const FieldTexts& texts) {
  auto read = ReadParameters(texts);
  if (const auto* refusal = std::get_if<Refusal>(&read)) {
    ADD_FAILURE() << "refused: " << refusal->text;
    return Parameters{};
  }
  return std::get<Parameters>(read);
}

}  // namespace hosei::test
