#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "bitmap_header.h"
#include "core_test_support.h"
#include "file_names.h"
#include "guide_marks.h"
#include "test_bitmap.h"

namespace hosei {
namespace {

using test::Bgr;
using test::PixelOf;

TEST(ResultFileName, ReplacesTheLastFourCharactersOfThePath) {
  EXPECT_EQ(ResultFileName("/d/photo/a.bmp"), "/d/photo/a_.bmp");
  EXPECT_EQ(ResultFileName("/d/photo/a.BMP"), "/d/photo/a_.bmp");
  EXPECT_EQ(ResultFileName("x.jpeg"), "x._.bmp");
  EXPECT_EQ(ResultFileName("/p/abcd"), "/p/_.bmp");
  // Characters, not bytes: each of these Japanese characters takes three bytes.
  EXPECT_EQ(ResultFileName("/p/風景写真.bmp"), "/p/風景写真_.bmp");
  EXPECT_EQ(ResultFileName("/p/a.ビットマ"), "/p/a._.bmp");
}

TEST(ResultFileName, RefusesANameOfFewerThanFourCharacters) {
  EXPECT_EQ(ResultFileName("/p/abc"), std::nullopt);
  EXPECT_EQ(ResultFileName("/a/long/folder/ab"), std::nullopt);
  EXPECT_EQ(ResultFileName("/p/写真"), std::nullopt);  // six bytes, two characters
  EXPECT_EQ(ResultFileName(""), std::nullopt);
}

TEST(ResultFileName, CanBePlacedInAnotherFolder) {
  EXPECT_EQ(ResultFileNameIn("/out", "/in/a.bmp"), "/out/a_.bmp");
  EXPECT_EQ(ResultFileNameIn("/out/", "/in/写真.bmp"), "/out/写真_.bmp");
  EXPECT_EQ(ResultFileNameIn("/out", "/in/abc"), std::nullopt);
}

TEST(DisplayCopyName, UnderscoreTitleLessFourCharactersBmpInTheProgramFolder) {
  EXPECT_EQ(DisplayCopyName("/opt/hosei", "a.bmp"), "/opt/hosei/_a.bmp");
  EXPECT_EQ(DisplayCopyName("/opt/hosei/", "a.bmp"), "/opt/hosei/_a.bmp");
  EXPECT_EQ(DisplayCopyName("/", "a.bmp"), "/_a.bmp");
  EXPECT_EQ(DisplayCopyName("/opt", "x.jpeg"), "/opt/_x..bmp");
  EXPECT_EQ(DisplayCopyName("/opt", "写真.bmp"), "/opt/_写真.bmp");
  EXPECT_EQ(DisplayCopyName("/opt", "abc"), std::nullopt);
  EXPECT_EQ(DisplayCopyName("/opt", "写真"), std::nullopt);
}

// A picture of one colour in a block with room to spare on the right and above, so marks
// that stray outside the picture show up instead of going unnoticed.
class MarkedPicture {
 public:
  static constexpr std::uint8_t kSpare = 0x33;
  static constexpr Bgr kColour = {10, 20, 30};

  MarkedPicture(int width, int height)
      : width_(width),
        height_(height),
        block_(PaddedRowLength(width) + 12, static_cast<std::size_t>(height) + 2) {
    std::memset(block_.data(), kSpare, block_.size());
    for (int y = 1; y <= height; ++y)
      for (int x = 1; x <= width; ++x)
        for (int c = 0; c < 3; ++c)
          block_.row(static_cast<std::size_t>(y - 1))[3 * (x - 1) + c] =
              static_cast<std::uint8_t>(kColour[c]);
    DrawGuideMarks(block_, width, height);
  }

  Bgr at(int x, int y) const { return PixelOf(block_, x, y); }
  int blue(int x, int y) const { return at(x, y)[0]; }
  int red(int x, int y) const { return at(x, y)[2]; }

  // Bytes outside the picture's own pixels.
  bool spareUntouched() const {
    for (std::size_t row = 0; row < block_.rows(); ++row)
      for (std::size_t i = 0; i < block_.rowLength(); ++i) {
        const bool inside =
            row < static_cast<std::size_t>(height_) && i < static_cast<std::size_t>(3 * width_);
        if (!inside && block_.row(row)[i] != kSpare) return false;
      }
    return true;
  }

 private:
  int width_;
  int height_;
  PixelBlock block_;
};

TEST(GuideMarks, GridLinesCoverTheLastThreeDotsOfEachHundred) {
  const MarkedPicture picture(250, 150);
  for (int y = 1; y <= 150; ++y) {
    for (int x = 1; x <= 250; ++x) {
      const bool horizontal = y >= 98 && y <= 100;
      const bool vertical = (x >= 98 && x <= 100) || (x >= 198 && x <= 200);
      const int red = horizontal ? 190 : vertical ? 200 : 30;
      ASSERT_EQ(picture.red(x, y), red) << x << "," << y;
      ASSERT_EQ(picture.at(x, y)[1], 20) << x << "," << y;
    }
  }
  // The crossing lies away from the diagonals: only red changes there.
  for (int y = 98; y <= 100; ++y)
    for (int x = 98; x <= 100; ++x) EXPECT_EQ(picture.at(x, y), (Bgr{10, 20, 190}));
  EXPECT_TRUE(picture.spareUntouched());
}

TEST(GuideMarks, SquarePictureDiagonalsRunCornerToCorner) {
  const MarkedPicture picture(200, 200);
  for (int j = 10; j <= 190; ++j) {
    EXPECT_EQ(picture.blue(j, j), 255) << j;
    EXPECT_EQ(picture.blue(j, 200 - j), 255) << j;
  }
  // The marks start and end a twentieth of the width in from the sides.
  EXPECT_EQ(picture.blue(8, 8), 10);
  EXPECT_EQ(picture.blue(192, 192), 10);
  EXPECT_EQ(picture.blue(50, 100), 10);
  EXPECT_EQ(picture.at(50, 50), (Bgr{255, 20, 30}));
  EXPECT_TRUE(picture.spareUntouched());
}

TEST(GuideMarks, WidePictureDiagonalsRiseAtHalfSlope) {
  const MarkedPicture picture(200, 100);
  // (j, round(j / 2)) with ties to even: 5.5 -> 6, 50.5 -> 50, 51.5 -> 52.
  const int rising[][2] = {{10, 5}, {11, 6}, {50, 25}, {101, 50}, {103, 52}, {190, 95}};
  for (const auto& p : rising) {
    EXPECT_EQ(picture.blue(p[0], p[1]), 255) << p[0];
    EXPECT_EQ(picture.blue(p[0], 100 - p[1]), 255) << p[0];
  }
  EXPECT_EQ(picture.blue(100, 70), 10);
  EXPECT_EQ(picture.blue(100, 30), 10);
  EXPECT_TRUE(picture.spareUntouched());
}

TEST(GuideMarks, TinyPicturesGetNothingOutside) {
  for (int width : {1, 2, 3, 5, 19, 39})
    for (int height : {1, 2, 3, 5, 39}) {
      const MarkedPicture picture(width, height);
      EXPECT_TRUE(picture.spareUntouched()) << width << "x" << height;
      for (int y = 1; y <= height; ++y)
        for (int x = 1; x <= width; ++x) ASSERT_EQ(picture.red(x, y), 30) << width << "x" << height;
    }
}

TEST(GuideMarks, DisplayCopyIsTheMarkedPictureWithoutTrailingBytes) {
  test::ScratchFolder folder;
  test::TestBitmap bitmap = test::Uniform(250, 120, {10, 20, 30});
  bitmap.pixelDataOffset = 62;
  bitmap.trailing = {7, 7, 7, 7};
  const auto source = folder / "a.bmp";
  const auto copy = folder / "_a.bmp";
  test::WriteFile(source, bitmap.bytes());
  ASSERT_FALSE(WriteDisplayCopy(source.string(), copy.string()));
  const auto marked = test::ReadFile(copy);
  const auto original = bitmap.bytes();
  EXPECT_TRUE(test::SameBytes(test::ReadFile(source), original));
  ASSERT_EQ(marked.size(), original.size() - 4);
  EXPECT_TRUE(std::equal(original.begin(), original.begin() + 62, marked.begin()));
  EXPECT_EQ(PixelOf(marked, bitmap, 100, 50), (Bgr{10, 20, 200}));
  EXPECT_EQ(PixelOf(marked, bitmap, 50, 100), (Bgr{10, 20, 190}));
  EXPECT_EQ(PixelOf(marked, bitmap, 30, 30), (Bgr{10, 20, 30}));
}

}  // namespace
}  // namespace hosei
