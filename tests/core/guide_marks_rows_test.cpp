// Guide marks drawn a piece of rows at a time, as the display copy is written, against
// the marks drawn over the whole pixel block in one go.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include "bitmap_header.h"
#include "core_test_support.h"
#include "guide_marks.h"

namespace hosei {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The marks as first written: every mark of the whole picture, one dot at a time, into the
// whole block (x from the left and y from the bottom, both from 1).
void WholeBlockMarks(PixelBlock& pixels, int width, int height) {
  const auto set = [&](int x, int y, int channel, std::uint8_t value) {
    if (x < 1 || x > width || y < 1 || y > height) return;
    pixels.row(static_cast<std::size_t>(y - 1))[3 * (x - 1) + channel] = value;
  };
  for (int n = kGridSpacing; n <= width; n += kGridSpacing)
    for (int y = 1; y <= height; ++y)
      for (int x = n - 2; x <= n; ++x) set(x, y, 2, kVerticalLineRed);
  for (int n = kGridSpacing; n <= height; n += kGridSpacing)
    for (int y = n - 2; y <= n; ++y)
      for (int x = 1; x <= width; ++x) set(x, y, 2, kHorizontalLineRed);
  const double w = width, h = height;
  for (int j = static_cast<int>(std::nearbyint(w / 20)); j <= std::nearbyint(w - w / 20); ++j) {
    const int rising = static_cast<int>(std::nearbyint(j * h / w));
    set(j - 1, rising - 1, 0, kDiagonalBlue);
    set(j, rising, 0, kDiagonalBlue);
    set(j + 1, rising + 1, 0, kDiagonalBlue);
    const int falling = static_cast<int>(std::nearbyint(h - rising));
    set(j, falling, 0, kDiagonalBlue);
    set(j - 1, falling + 1, 0, kDiagonalBlue);
    set(j + 1, falling, 0, kDiagonalBlue);
  }
}

PixelBlock Noise(int width, int height, std::mt19937& random) {
  PixelBlock block(PaddedRowLength(width), static_cast<std::size_t>(height));
  for (std::size_t i = 0; i < block.size(); ++i)
    block.data()[i] = static_cast<std::uint8_t>(random());
  return block;
}

TEST(GuideMarkRows, PieceByPieceMatchesTheWholeBlock) {
  std::mt19937 random(20240611);
  std::vector<std::pair<int, int>> sizes = {{1, 1},     {3, 39},   {39, 3},   {39, 39},
                                            {40, 40},   {19, 300}, {300, 19}, {250, 150},
                                            {101, 203}, {997, 2},  {2, 997}};
  for (int i = 0; i < 40; ++i)  // half of them below 40 dots on some side
    sizes.emplace_back(1 + static_cast<int>(random() % (i % 2 ? 39 : 640)),
                       1 + static_cast<int>(random() % (i % 4 < 2 ? 640 : 39)));
  for (const auto& [width, height] : sizes) {
    const PixelBlock source = Noise(width, height, random);
    PixelBlock whole(source.rowLength(), source.rows());
    std::memcpy(whole.data(), source.data(), source.size());
    WholeBlockMarks(whole, width, height);
    // Pieces of one row, of a random height, and of every row.
    for (int piece : {1, 1 + static_cast<int>(random() % height), height}) {
      PixelBlock pieces(source.rowLength(), source.rows());
      std::memcpy(pieces.data(), source.data(), source.size());
      for (int first = 0; first < height; first += piece)
        DrawGuideMarks(pieces.row(static_cast<std::size_t>(first)), pieces.rowLength(), first,
                       std::min(piece, height - first), width, height);
      ASSERT_EQ(std::memcmp(pieces.data(), whole.data(), whole.size()), 0)
          << width << "x" << height << " in pieces of " << piece;
    }
  }
}

TEST(GuideMarkRows, TheDisplayCopyIsTheSourceWithTheWholeBlockMarked) {
  // The larger pictures span several of the pieces the copy is written in.
  const std::array<int, 3> cases[] = {{5, 3, 54}, {39, 41, 60}, {1001, 700, 1078}, {4001, 300, 54}};
  std::mt19937 random(7);
  test::ScratchFolder folder;
  for (const auto& [width, height, offset] : cases) {
    test::TestBitmap bitmap = test::Sized(width, height, offset);
    bitmap.trailing = {9, 9, 9};  // not carried into the copy
    bitmap.paint = [&](int, int, std::uint8_t* bgr) {
      for (int c = 0; c < 3; ++c) bgr[c] = static_cast<std::uint8_t>(random());
    };
    const Bytes bytes = bitmap.bytes();
    test::WriteFile(folder / "photo.bmp", bytes);
    ASSERT_FALSE(
        WriteDisplayCopy((folder / "photo.bmp").string(), (folder / "_photo.bmp").string()));

    PixelBlock block(bitmap.rowLength(), static_cast<std::size_t>(height));
    std::memcpy(block.data(), bytes.data() + offset, block.size());
    WholeBlockMarks(block, width, height);
    Bytes expected(bytes.begin(), bytes.begin() + offset);
    expected.insert(expected.end(), block.data(), block.data() + block.size());
    EXPECT_EQ(test::ReadFile(folder / "_photo.bmp"), expected) << width << "x" << height;
    EXPECT_EQ(test::ReadFile(folder / "photo.bmp"), bytes);
  }
}

}  // namespace
}  // namespace hosei
