#include "bitmap_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "bitmap_header.h"
#include "core_test_support.h"
#include "test_bitmap.h"

namespace hosei {
namespace {

using test::ReadFile;
using test::ScratchFolder;
using test::TestBitmap;
using test::WriteFile;

TEST(BitmapHeader, DecodesOnlyTheLowWordsOfItsFields) {
  TestBitmap bitmap;
  bitmap.width = 640;
  bitmap.height = 480;
  bitmap.pixelDataOffset = 70;
  std::vector<std::uint8_t> bytes = bitmap.bytes();
  bytes[12] = 1;  // offset + 65536
  bytes[20] = 1;  // width + 65536
  bytes[25] = 1;  // height + 16777216
  const BitmapHeader header = DecodeBitmapHeader(bytes);
  EXPECT_EQ(header.pixelDataOffset, 70);
  EXPECT_EQ(header.width, 640);
  EXPECT_EQ(header.height, 480);
  EXPECT_EQ(header.infoHeaderSizeByte, 40);
  EXPECT_EQ(header.bitsPerPixel, 24);
}

TEST(BitmapHeader, AcceptTestLooksAtByte14AndTheBitCountOnly) {
  auto accepted = [](auto change) {
    std::vector<std::uint8_t> bytes = TestBitmap{}.bytes();
    change(bytes);
    return IsAccepted24BitBitmap(DecodeBitmapHeader(bytes));
  };
  EXPECT_TRUE(accepted([](auto&) {}));
  EXPECT_TRUE(accepted([](auto& b) { b[0] = b[1] = 0; }));  // no "BM" signature
  EXPECT_TRUE(accepted([](auto& b) { b[15] = 1; }));        // info header size 296
  EXPECT_TRUE(accepted([](auto& b) { b[30] = 3; }));        // compression is not looked at
  EXPECT_FALSE(accepted([](auto& b) { b[14] = 108; }));
  EXPECT_FALSE(accepted([](auto& b) { b[14] = 124; }));
  EXPECT_FALSE(accepted([](auto& b) { b[14] = 12; }));
  EXPECT_FALSE(accepted([](auto& b) { b[28] = 8; }));
  EXPECT_FALSE(accepted([](auto& b) { b[28] = 32; }));
  EXPECT_FALSE(accepted([](auto& b) { b[29] = 1; }));  // 24 + 256
}

class BitmapFileTest : public ::testing::Test {
 protected:
  // Writes the bitmap as a file and reads it back through the reader.
  FileError Read(const std::vector<std::uint8_t>& bytes) {
    WriteFile(source_, bytes);
    return ReadBitmapFile(source_.string(), image_);
  }
  FileProblem ProblemOf(const std::vector<std::uint8_t>& bytes) { return Read(bytes).problem; }

  ScratchFolder folder_;
  std::filesystem::path source_ = folder_ / "in.bmp";
  BitmapImage image_;
};

TEST_F(BitmapFileTest, WidthOneKeepsItsPaddingByte) {
  TestBitmap bitmap;
  bitmap.width = 1;
  bitmap.height = 3;
  const std::vector<std::uint8_t> bytes = bitmap.bytes();
  ASSERT_FALSE(Read(bytes));
  EXPECT_EQ(image_.pixels.rowLength(), 4u);
  EXPECT_EQ(image_.pixels.rows(), 3u);
  for (std::size_t row = 0; row < 3; ++row) EXPECT_EQ(image_.pixels.row(row)[3], 0xA5);
  EXPECT_EQ(test::PixelOf(image_.pixels, 1, 2), test::PixelOf(bytes, bitmap, 1, 2));
  const auto copy = folder_ / "out.bmp";
  ASSERT_FALSE(WriteBitmapFile(copy.string(), image_));
  EXPECT_TRUE(test::SameBytes(ReadFile(copy), bytes));
}

TEST_F(BitmapFileTest, BytesBetweenHeaderAndPixelsAreCarriedOver) {
  TestBitmap bitmap;
  bitmap.pixelDataOffset = 54 + 1024;  // where a colour table would sit
  const std::vector<std::uint8_t> bytes = bitmap.bytes();
  ASSERT_FALSE(Read(bytes));
  ASSERT_EQ(image_.headerRegion.size(), 1078u);
  EXPECT_TRUE(std::equal(image_.headerRegion.begin(), image_.headerRegion.end(), bytes.begin()));
  EXPECT_EQ(image_.headerRegion[54], bitmap.gapByte);
  EXPECT_EQ(test::PixelOf(image_.pixels, 4, 3), test::PixelOf(bytes, bitmap, 4, 3));
  const auto copy = folder_ / "out.bmp";
  ASSERT_FALSE(WriteBitmapFile(copy.string(), image_));
  EXPECT_TRUE(test::SameBytes(ReadFile(copy), bytes));
}

TEST_F(BitmapFileTest, RefusesWhatCannotBeProcessed) {
  auto withHeader = [](auto change) {
    TestBitmap bitmap;
    change(bitmap);
    return bitmap.bytes();
  };
  EXPECT_EQ(ProblemOf(withHeader([](TestBitmap& b) { b.infoHeaderSize = 108; })),
            FileProblem::kNot24BitBitmap);
  EXPECT_EQ(ProblemOf(withHeader([](TestBitmap& b) { b.bitsPerPixel = 32; })),
            FileProblem::kNot24BitBitmap);
  EXPECT_EQ(ProblemOf(withHeader([](TestBitmap& b) { b.width = 0; })), FileProblem::kZeroSize);
  EXPECT_EQ(ProblemOf(withHeader([](TestBitmap& b) { b.height = 0; })), FileProblem::kZeroSize);

  std::vector<std::uint8_t> bytes = TestBitmap{}.bytes();
  bytes[10] = 53;
  EXPECT_EQ(ProblemOf(bytes), FileProblem::kOffsetOutOfRange);
  bytes[10] = 0;
  EXPECT_EQ(ProblemOf(bytes), FileProblem::kOffsetOutOfRange);
  bytes[10] = 0x00;
  bytes[11] = 0x80;  // 32768
  bytes.resize(32768 + 48);
  EXPECT_EQ(ProblemOf(bytes), FileProblem::kOffsetOutOfRange);

  bytes = TestBitmap{}.bytes();
  bytes.pop_back();
  EXPECT_EQ(ProblemOf(bytes), FileProblem::kTruncated);
  // Shorter than the header prefix: the missing bytes read as zero, so the bit count is 0.
  bytes.resize(28);
  EXPECT_EQ(ProblemOf(bytes), FileProblem::kNot24BitBitmap);
  bytes = TestBitmap{}.bytes();
  bytes.resize(29);  // byte 28 alone already says 24: accepted, but there are no pixels
  EXPECT_EQ(ProblemOf(bytes), FileProblem::kTruncated);

  EXPECT_EQ(ReadBitmapFile((folder_ / "missing.bmp").string(), image_).problem,
            FileProblem::kCannotOpen);
  EXPECT_EQ(ReadBitmapFile(folder_.path().string(), image_).problem, FileProblem::kNotRegularFile);
}

TEST_F(BitmapFileTest, HighestOffsetStillReads) {
  TestBitmap bitmap;
  bitmap.pixelDataOffset = 32767;
  ASSERT_FALSE(Read(bitmap.bytes()));
  EXPECT_EQ(image_.headerRegion.size(), 32767u);
}

TEST_F(BitmapFileTest, FailedWriteLeavesNoTemporaryFile) {
  ASSERT_FALSE(Read(TestBitmap{}.bytes()));
  // A folder in the way of the target: the rename cannot replace it.
  const auto blocked = folder_ / "blocked.bmp";
  std::filesystem::create_directory(blocked);
  WriteFile(blocked / "inside", {1, 2, 3});
  const FileError error = WriteBitmapFile(blocked.string(), image_);
  EXPECT_EQ(error.problem, FileProblem::kCannotWrite);
  EXPECT_TRUE(std::filesystem::is_directory(blocked));
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder_.path()))
    ++entries;
  EXPECT_EQ(entries, 2u);  // the source and the folder, no temporary file
}

}  // namespace
}  // namespace hosei
