// Reading a picture for the viewer: whole and reduced, or its top-left part at actual size.

#include "picture_preview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "core_test_support.h"
#include "picture_reader.h"

namespace hosei::test {
namespace {

// A picture held top row first, three bytes a dot, filled with noise.
struct Dots {
  Dots(int width, int height, unsigned seed)
      : width(width), height(height), bgr(3u * width * height) {
    std::mt19937 random(seed);
    for (auto& byte : bgr) byte = static_cast<std::uint8_t>(random());
  }
  const std::uint8_t* at(int x, int y) const { return &bgr[3 * (std::size_t(y) * width + x)]; }
  int width, height;
  Bytes bgr;
};

// Serves the dots in either row order and counts the rows handed out.
class DotsReader : public PictureReader {
 public:
  DotsReader(const Dots& dots, RowOrder order) : dots_(dots), order_(order) {}
  int width() const override { return dots_.width; }
  int height() const override { return dots_.height; }
  RowOrder rowOrder() const override { return order_; }
  bool hasAlpha() const override { return false; }
  FileError readRows(int count, std::uint8_t* bgr, std::size_t stride, std::uint8_t*,
                     std::size_t) override {
    if (count > dots_.height - next_) return FileError{FileProblem::kReadFailed, "dots", {}};
    for (int r = 0; r < count; ++r, ++next_) {
      const int y = order_ == RowOrder::kTopDown ? next_ : dots_.height - 1 - next_;
      std::copy_n(dots_.at(0, y), 3 * dots_.width, bgr + r * stride);
    }
    return {};
  }
  int rowsHandedOut() const { return next_; }

 private:
  const Dots& dots_;
  RowOrder order_;
  int next_ = 0;
};

// The same dots served top-down, bottom-up, and from a bitmap file as the viewer opens it:
// with a gap after the headers, padding in most widths and bytes after the rows.
struct Readers {
  explicit Readers(const Dots& dots)
      : topDown(dots, RowOrder::kTopDown), bottomUp(dots, RowOrder::kBottomUp) {
    TestBitmap bitmap = Sized(dots.width, dots.height, 61);
    bitmap.trailing = {1, 2, 3};
    bitmap.paint = [&](int x, int y, std::uint8_t* bgr) {
      std::copy_n(dots.at(x - 1, dots.height - y), 3, bgr);
    };
    WriteFile(folder / "dots.bmp", bitmap.bytes());
    EXPECT_FALSE(OpenPictureReader((folder / "dots.bmp").string(), fromFile));
  }
  std::vector<PictureReader*> all() { return {&topDown, &bottomUp, fromFile.get()}; }
  ScratchFolder folder;
  DotsReader topDown, bottomUp;
  std::unique_ptr<PictureReader> fromFile;
};

// Each dot of a reduction, averaged straight from the whole picture.
testing::AssertionResult IsBoxAverage(const Dots& dots, const TopDownPicture& picture,
                                      Reduction by) {
  if (picture.width != (dots.width + by.x - 1) / by.x ||
      picture.height != (dots.height + by.y - 1) / by.y)
    return testing::AssertionFailure() << "size " << picture.width << "x" << picture.height;
  for (int py = 0; py < picture.height; ++py)
    for (int px = 0; px < picture.width; ++px)
      for (int c = 0; c < 3; ++c) {
        std::uint64_t sum = 0, count = 0;
        for (int y = py * by.y; y < std::min((py + 1) * by.y, dots.height); ++y)
          for (int x = px * by.x; x < std::min((px + 1) * by.x, dots.width); ++x, ++count)
            sum += dots.at(x, y)[c];
        const int expected = static_cast<int>((2 * sum + count) / (2 * count));
        if (picture.row(py)[3 * px + c] != expected)
          return testing::AssertionFailure()
                 << "dot " << px << "," << py << " channel " << c << ": "
                 << int(picture.row(py)[3 * px + c]) << " instead of " << expected;
      }
  return testing::AssertionSuccess();
}

struct Sizes {
  int width, height, targetWidth, targetHeight;
};

// Fresh dots of awkward sizes, each served by every reader, for `check`. The target is a
// reduction's or the top-left region's size: smaller, equal or larger than the picture.
void ForEachReader(const std::function<void(const Sizes&, const Dots&, Readers&)>& check) {
  const Sizes cases[] = {{1, 1, 1, 1},     {7, 5, 3, 2},     {13, 11, 20, 30}, {101, 37, 10, 9},
                         {64, 48, 64, 48}, {7, 300, 7, 1},   {301, 9, 300, 9}, {257, 129, 1, 1},
                         {1001, 3, 13, 1}, {5, 1203, 3, 700}};
  unsigned seed = 1;
  for (const Sizes& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.width << "x" << c.height << " to " << c.targetWidth << "x" << c.targetHeight);
    const Dots dots(c.width, c.height, seed++);
    Readers readers(dots);
    ASSERT_TRUE(readers.fromFile);
    check(c, dots, readers);
  }
}

TEST(ReducedPicture, EachDotIsTheAverageOfItsBlockInEitherRowOrder) {
  ForEachReader([](const Sizes& c, const Dots& dots, Readers& readers) {
    for (PictureReader* reader : readers.all()) {
      TopDownPicture picture;
      Reduction by;
      ASSERT_FALSE(ReadReducedPicture(*reader, {c.targetWidth, c.targetHeight}, picture, by));
      EXPECT_TRUE(IsBoxAverage(dots, picture, by));
      // No fewer dots than the target where the picture has them, and no more than needed:
      // reducing by one more would fall short of it.
      EXPECT_GE(picture.width, std::min(c.targetWidth, c.width));
      EXPECT_GE(picture.height, std::min(c.targetHeight, c.height));
      EXPECT_LT(c.width / (by.x + 1), c.targetWidth);
      EXPECT_LT(c.height / (by.y + 1), c.targetHeight);
    }
  });
}

TEST(TopLeftRegion, IsTheCornerAndReadsNoRowsBelowIt) {
  ForEachReader([](const Sizes& c, const Dots& dots, Readers& readers) {
    for (PictureReader* reader : readers.all()) {
      TopDownPicture picture;
      ASSERT_FALSE(ReadTopLeftRegion(*reader, {c.targetWidth, c.targetHeight}, picture));
      ASSERT_EQ(picture.width, std::min(c.width, c.targetWidth));
      ASSERT_EQ(picture.height, std::min(c.height, c.targetHeight));
      for (int y = 0; y < picture.height; ++y)
        ASSERT_TRUE(std::equal(picture.row(y), picture.row(y) + 3 * picture.width, dots.at(0, y)))
            << "row " << y;
    }
    EXPECT_EQ(readers.topDown.rowsHandedOut(), std::min(c.height, c.targetHeight));
    // The rows below are read and dropped by a reader that cannot seek past them.
    EXPECT_EQ(readers.bottomUp.rowsHandedOut(), c.height);
  });
}

TEST(BitmapPictureReader, StoredRowsWithoutPaddingSkippedByCountAndNoReadingPastTheEnd) {
  const Dots dots(5, 9, 7);  // 15 bytes of dots and one of padding a row
  Readers readers(dots);
  PictureReader* reader = readers.fromFile.get();
  ASSERT_TRUE(reader);
  EXPECT_EQ(reader->rowOrder(), RowOrder::kBottomUp);
  EXPECT_FALSE(reader->hasAlpha());
  Bytes rows(3 * 16, 0xEE);  // three rows 16 bytes apart
  ASSERT_FALSE(reader->readRows(2, rows.data(), 16));
  ASSERT_FALSE(reader->skipRows(4));
  ASSERT_FALSE(reader->readRows(1, rows.data() + 32, 16));
  // Stored rows 0, 1 and 6 are picture rows 8, 7 and 2 from the top.
  for (const auto& [at, y] : {std::pair{0, 8}, {16, 7}, {32, 2}})
    EXPECT_TRUE(std::equal(rows.begin() + at, rows.begin() + at + 15, dots.at(0, y))) << y;
  EXPECT_EQ(rows[15], 0xEE);  // the caller's byte between rows is not the file's padding
  EXPECT_TRUE(reader->readRows(3, rows.data(), 16));
  EXPECT_TRUE(reader->skipRows(3));
  EXPECT_FALSE(reader->skipRows(2));
  EXPECT_TRUE(reader->readRows(1, rows.data(), 16));
}

TEST(OpenPictureReader, ChecksAsExecuteDoesAndFailsOnRowsCutOffLater) {
  ScratchFolder folder;
  const auto path = folder / "photo.bmp";
  std::unique_ptr<PictureReader> reader;
  Bytes eightBits = TestBitmap{}.bytes();
  eightBits[28] = 8;
  WriteFile(path, eightBits);
  const FileError refused = OpenPictureReader(path.string(), reader);
  EXPECT_EQ(refused.problem, FileProblem::kNot24BitBitmap);
  EXPECT_EQ(refused.path, path.string());

  WriteFile(path, test::Sized(40, 30).bytes());
  ASSERT_FALSE(OpenPictureReader(path.string(), reader));
  std::filesystem::resize_file(path, 54 + 120 * 10);
  TopDownPicture picture;
  Reduction by;
  EXPECT_EQ(ReadReducedPicture(*reader, {4, 3}, picture, by).problem, FileProblem::kTruncated);
}

}  // namespace
}  // namespace hosei::test
