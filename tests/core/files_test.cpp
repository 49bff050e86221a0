#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bitmap_file.h"
#include "bitmap_header.h"
#include "core_test_support.h"
#include "execute.h"
#include "file_error.h"
#include "guide_marks.h"

namespace hosei {
namespace {

using test::Bgr;
using test::PixelOf;
using test::ReadFile;
using test::TestBitmap;
using test::WriteFile;
using Bytes = std::vector<std::uint8_t>;

TEST(BitmapHeader, LowWordsOnlyAndTheAcceptTest) {
  Bytes bytes = test::Sized(640, 480, 70).bytes();
  bytes[12] = bytes[20] = bytes[25] = 1;  // high words of offset, width and height
  const BitmapHeader header = DecodeBitmapHeader(bytes);
  EXPECT_EQ(header.pixelDataOffset, 70);
  EXPECT_EQ(header.width, 640);
  EXPECT_EQ(header.height, 480);
  // {byte, value, accepted}: only byte 14 and the bit count are looked at.
  const std::array<int, 3> cases[] = {{0, 0, 1},   {15, 1, 1},  {30, 3, 1}, {14, 108, 0},
                                      {14, 12, 0}, {28, 32, 0}, {29, 1, 0}};
  for (const auto& [at, value, accepted] : cases) {
    Bytes changed = TestBitmap{}.bytes();
    changed[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(value);
    EXPECT_EQ(IsAccepted24BitBitmap(DecodeBitmapHeader(changed)), accepted == 1) << at;
  }
}

class Files : public ::testing::Test {
 protected:
  ExecuteOutcome Run(const FieldTexts& texts, ExecuteObserver* observer = nullptr) {
    return Execute(ExecuteJob{source_.string(), test::Accepted(texts), {}, {}}, observer);
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.path()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  test::ScratchFolder folder_;
  std::filesystem::path source_ = folder_ / "photo.bmp";
  std::filesystem::path result_ = folder_ / "photo_.bmp";
  const std::vector<std::string> both_ = {"photo.bmp", "photo_.bmp"};
};

TEST_F(Files, PaddingAndGapBytesAreCarriedOver) {
  const TestBitmap layouts[] = {test::Sized(1, 3), test::Sized(5, 7, 60), test::Sized(4, 3, 1078),
                                test::Sized(4, 3, 32767)};
  for (const TestBitmap& bitmap : layouts) {
    const Bytes bytes = bitmap.bytes();
    WriteFile(source_, bytes);
    BitmapImage image;
    ASSERT_FALSE(ReadBitmapFile(source_.string(), image));
    EXPECT_EQ(image.headerRegion.size(), static_cast<std::size_t>(bitmap.pixelDataOffset));
    EXPECT_EQ(image.pixels.rowLength(), bitmap.rowLength());
    ASSERT_FALSE(WriteBitmapFile(result_.string(), image));
    EXPECT_EQ(ReadFile(result_), bytes) << bitmap.width << " / " << bitmap.pixelDataOffset;
    // Gamma 1 writes the same bytes back beside the source and leaves the source alone.
    std::filesystem::remove(result_);
    const ExecuteOutcome outcome = Run(test::Texts(Mode::kGamma, {{Field::kGamma, "1"}}));
    ASSERT_TRUE(outcome.succeeded()) << DescribeFileError(outcome.error);
    EXPECT_EQ(outcome.resultFile, result_.string());
    EXPECT_EQ(ReadFile(result_), bytes);
    EXPECT_EQ(ReadFile(source_), bytes);
    EXPECT_EQ(Entries(), both_);
  }
}

TEST_F(Files, FogCentreCountsFromTheBottomRow) {
  const TestBitmap bitmap = test::Uniform(160, 20, {100, 150, 200});
  WriteFile(source_, bitmap.bytes());
  ASSERT_TRUE(Run(test::Texts(Mode::kFog)).succeeded());  // centre (0, 0), size 150, brightness -40
  const Bytes result = ReadFile(result_);
  EXPECT_EQ(PixelOf(result, bitmap, 1, 1), (Bgr{61, 114, 176}));
  EXPECT_EQ(PixelOf(result, bitmap, 150, 1), (Bgr{100, 150, 200}));
  EXPECT_GT(PixelOf(result, bitmap, 1, 20)[0], 61);
}

TEST_F(Files, ProgressEveryFortyRows) {
  struct Observer : ExecuteObserver {
    void pictureAccepted(int /*width*/, int h) override { height = h; }
    void rowsDone(int row) override { rows.push_back(row); }
    double height = -1;
    std::vector<int> rows;
  };
  for (const auto& [height, expected] :
       std::vector<std::pair<int, std::vector<int>>>{{39, {}}, {40, {40}}, {121, {40, 80, 120}}}) {
    WriteFile(source_, test::Sized(3, height).bytes());
    Observer observer;
    ASSERT_TRUE(Run(test::Texts(Mode::kGamma, {{Field::kGamma, "1.5"}}), &observer).succeeded());
    EXPECT_EQ(observer.height, height);
    EXPECT_EQ(observer.rows, expected) << height;
  }
}

TEST_F(Files, RefusalComesBeforeAnyWriting) {
  using Change = void (*)(Bytes&);
  const std::pair<Change, FileProblem> cases[] = {
      {[](Bytes& b) { b[28] = 8; }, FileProblem::kNot24BitBitmap},
      {[](Bytes& b) { b[14] = 124; }, FileProblem::kNot24BitBitmap},
      {[](Bytes& b) { b[18] = 0; }, FileProblem::kZeroSize},
      {[](Bytes& b) { b[22] = 0; }, FileProblem::kZeroSize},
      {[](Bytes& b) { b[10] = 53; }, FileProblem::kOffsetOutOfRange},
      {[](Bytes& b) { b[10] = 0; }, FileProblem::kOffsetOutOfRange},
      {[](Bytes& b) { b[10] = 0, b[11] = 0x80, b.resize(32768 + 48); },
       FileProblem::kOffsetOutOfRange},
      {[](Bytes& b) { b.pop_back(); }, FileProblem::kTruncated},
      {[](Bytes& b) { b.resize(28); }, FileProblem::kNot24BitBitmap},  // missing bytes read 0
      {[](Bytes& b) { b.resize(29); }, FileProblem::kTruncated}};
  for (const auto& [change, problem] : cases) {
    Bytes bytes = TestBitmap{}.bytes();
    change(bytes);
    WriteFile(source_, bytes);
    EXPECT_EQ(Run(FieldTexts()).error.problem, problem) << static_cast<int>(problem);
    EXPECT_EQ(Entries(), std::vector<std::string>{"photo.bmp"});
    EXPECT_EQ(ReadFile(source_), bytes);
  }
}

TEST_F(Files, ResultIsReplacedWholeOrNotAtAll) {
  WriteFile(source_, test::Sized(90, 60).bytes());
  WriteFile(result_, Bytes(100000, 0x11));  // a longer file of that name was there first
  const FieldTexts fog = test::Texts(
      Mode::kFog, {{Field::kLightX, "45"}, {Field::kLightY, "30"}, {Field::kBrightness, "120"}});
  ASSERT_TRUE(Run(fog).succeeded());
  const Bytes earlier = ReadFile(result_);
  std::filesystem::remove(result_);
  ASSERT_TRUE(Run(fog).succeeded());
  EXPECT_EQ(ReadFile(result_), earlier);

  Bytes truncated = test::Sized(90, 60).bytes();
  truncated.resize(truncated.size() - 5);
  WriteFile(source_, truncated);
  EXPECT_EQ(Run(test::Texts(Mode::kGamma, {{Field::kGamma, "0.5"}})).error.problem,
            FileProblem::kTruncated);
  EXPECT_EQ(ReadFile(result_), earlier);
  EXPECT_EQ(Entries(), both_);
}

TEST_F(Files, NeverWritesOverTheSource) {
  const Bytes bytes = TestBitmap{}.bytes();
  const Parameters gamma = test::Accepted(test::Texts(Mode::kGamma, {{Field::kGamma, "2"}}));
  for (const std::string& result : {source_.string(), (folder_ / "." / "photo.bmp").string()}) {
    WriteFile(source_, bytes);
    EXPECT_FALSE(Execute(ExecuteJob{source_.string(), gamma, {}, result}).succeeded()) << result;
    EXPECT_EQ(ReadFile(source_), bytes) << result;
  }
}

// Guide marks on a picture of colour {10, 20, 30} inside a block with spare bytes to the
// right and above, which must stay 0x33.
struct Marked {
  Marked(int w, int h) : width(w), height(h), block(PaddedRowLength(w) + 12, h + 2u) {
    std::memset(block.data(), 0x33, block.size());
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < 3 * w; ++x) block.row(y)[x] = static_cast<std::uint8_t>(10 * (1 + x % 3));
    DrawGuideMarks(block, w, h);
  }
  Bgr at(int x, int y) const { return PixelOf(block.data(), block.rowLength(), x, y); }
  bool spareUntouched() const {
    for (std::size_t row = 0; row < block.rows(); ++row)
      for (std::size_t i = 0; i < block.rowLength(); ++i)
        if ((row >= std::size_t(height) || i >= std::size_t(3 * width)) &&
            block.row(row)[i] != 0x33)
          return false;
    return true;
  }
  int width, height;
  PixelBlock block;
};

TEST(GuideMarks, GridAndDiagonals) {
  const Marked grid(250, 150);  // lines on the last three dots of each hundred; red only
  for (int y = 1; y <= 150; ++y)
    for (int x = 1; x <= 250; ++x) {
      const bool across = y >= 98 && y <= 100, up = (x - 1) % 100 >= 97;
      const Bgr at = grid.at(x, y);  // the diagonals change only blue
      ASSERT_EQ((Bgr{0, at[1], at[2]}), (Bgr{0, 20,
                                             across ? 190
                                             : up   ? 200
                                                    : 30}))
          << x << "," << y;
    }
  EXPECT_TRUE(grid.spareUntouched());
  // {width, height, x, y, blue}: diagonals from a twentieth of the width in from the sides,
  // at half slope on a 2:1 picture (rounded ties to even).
  const std::array<int, 5> points[] = {
      {200, 200, 10, 10, 255},  {200, 200, 190, 10, 255}, {200, 200, 50, 50, 255},
      {200, 200, 8, 8, 10},     {200, 200, 192, 192, 10}, {200, 200, 50, 100, 10},
      {200, 100, 11, 6, 255},   {200, 100, 101, 50, 255}, {200, 100, 103, 52, 255},
      {200, 100, 103, 48, 255}, {200, 100, 190, 95, 255}, {200, 100, 100, 70, 10}};
  for (const auto& [w, h, x, y, blue] : points) {
    const Marked picture(w, h);
    EXPECT_EQ(picture.at(x, y)[0], blue) << w << "x" << h << " " << x << "," << y;
    EXPECT_TRUE(picture.spareUntouched());
  }
  for (int w : {1, 2, 5, 19, 39})  // tiny pictures get no marks and nothing outside
    for (int h : {1, 3, 39}) EXPECT_TRUE(Marked(w, h).spareUntouched()) << w << "x" << h;
}

}  // namespace
}  // namespace hosei
