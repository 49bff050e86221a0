#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bitmap_header.h"
#include "core_test_support.h"
#include "execute.h"
#include "file_error.h"
#include "guide_marks.h"
#include "problem_words.h"
#include "result_file.h"

namespace hosei::test {
namespace {

TEST(BitmapHeader, LowWordsOnlyAndTheAcceptTest) {
  Bytes bytes = Sized(640, 480, 70).bytes();
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
    return Execute(ExecuteJob{source_.string(), Accepted(texts), {}, {}}, observer);
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.path()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  ScratchFolder folder_;
  std::filesystem::path source_ = folder_ / "photo.bmp";
  std::filesystem::path result_ = folder_ / "photo_.bmp";
  const std::vector<std::string> both_ = {"photo.bmp", "photo_.bmp"};
};

TEST_F(Files, PaddingAndGapBytesAreCarriedOver) {
  const TestBitmap layouts[] = {Sized(1, 3), Sized(5, 7, 60), Sized(4, 3, 1078),
                                Sized(4, 3, 32767)};
  for (const TestBitmap& bitmap : layouts) {
    const Bytes bytes = bitmap.bytes();
    WriteFile(source_, bytes);
    // Gamma 1 writes the same bytes back beside the source and leaves the source alone.
    const ExecuteOutcome outcome = Run(Texts(Mode::kGamma, {{Field::kGamma, "1"}}));
    ASSERT_TRUE(outcome.succeeded()) << FileErrorLine(outcome.error);
    EXPECT_EQ(outcome.resultFile, result_.string());
    EXPECT_EQ(ReadFile(result_), bytes);
    EXPECT_EQ(ReadFile(source_), bytes);
    EXPECT_EQ(Entries(), both_);
  }
}

TEST_F(Files, ResultIsReplacedWholeOrNotAtAll) {
  WriteFile(source_, Sized(90, 60).bytes());
  WriteFile(result_, Bytes(100000, 0x11));  // a longer file of that name was there first
  const FieldTexts fog = Texts(
      Mode::kFog, {{Field::kLightX, "45"}, {Field::kLightY, "30"}, {Field::kBrightness, "120"}});
  ASSERT_TRUE(Run(fog).succeeded());
  const Bytes earlier = ReadFile(result_);
  std::filesystem::remove(result_);
  ASSERT_TRUE(Run(fog).succeeded());
  EXPECT_EQ(ReadFile(result_), earlier);

  Bytes truncated = Sized(90, 60).bytes();
  truncated.resize(truncated.size() - 5);
  WriteFile(source_, truncated);
  EXPECT_EQ(Run(Texts(Mode::kGamma, {{Field::kGamma, "0.5"}})).error.problem,
            FileProblem::kTruncated);
  EXPECT_EQ(ReadFile(result_), earlier);
  EXPECT_EQ(Entries(), both_);
}

TEST_F(Files, AResultHasNoNameUntilWholeAndItAndTheDisplayCopyAreReadableAsTheSourceIs) {
  const Bytes bytes = Sized(90, 60).bytes();
  WriteFile(source_, bytes);
  // Where the folder's file system has unnamed files, a run killed mid-write leaves none.
  const int probe = ::open(folder_.path().c_str(), O_TMPFILE | O_RDWR, 0600);
  if (probe >= 0) {
    ::close(probe);
    ResultFile result;
    ASSERT_FALSE(result.create(result_.string()));
    ASSERT_FALSE(result.write(bytes.data(), bytes.size()));
    EXPECT_EQ(Entries(), std::vector<std::string>{"photo.bmp"});
  }
  EXPECT_EQ(Entries(), std::vector<std::string>{"photo.bmp"});

  const mode_t mask = ::umask(022);
  const std::string copy = (folder_ / "_photo.bmp").string();
  for (const mode_t mode : {0600, 0640, 0444}) {
    std::filesystem::remove(result_);
    std::filesystem::remove(copy);
    ::chmod(source_.c_str(), mode);
    ASSERT_TRUE(Run(Texts(Mode::kGamma, {{Field::kGamma, "2"}})).succeeded());
    ASSERT_FALSE(WriteDisplayCopy(source_.string(), copy));
    for (const std::string& written : {result_.string(), copy}) {
      struct stat info {};
      ::stat(written.c_str(), &info);
      EXPECT_EQ(info.st_mode & 0777, (mode & 0644) | 0200) << std::oct << mode << " " << written;
    }
  }
  ::umask(mask);
}

TEST_F(Files, NeverWritesOverTheSource) {
  const Bytes bytes = TestBitmap{}.bytes();
  const Parameters gamma = Accepted(Texts(Mode::kGamma, {{Field::kGamma, "2"}}));
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
    DrawGuideMarks(block.data(), block.rowLength(), 0, h, w, h);
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
  // {x, y, red}: lines on the last three dots of each hundred, 190 across (also where they
  // cross) and 200 up; the diagonals change only blue.
  const Marked grid(250, 150);
  const std::array<int, 3> reds[] = {{50, 97, 30},  {50, 98, 190}, {50, 100, 190}, {50, 101, 30},
                                     {97, 50, 30},  {98, 50, 200}, {200, 50, 200}, {201, 50, 30},
                                     {99, 99, 190}, {250, 150, 30}};
  for (const auto& [x, y, red] : reds)
    EXPECT_EQ((Bgr{0, grid.at(x, y)[1], grid.at(x, y)[2]}), (Bgr{0, 20, red})) << x << "," << y;
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

// Guide marks drawn a piece of rows at a time, as the display copy is written, against the
// marks drawn over the whole block in one go (whose dots the grid test above pins down).
void WholeBlockMarks(PixelBlock& pixels, int width, int height) {
  DrawGuideMarks(pixels.data(), pixels.rowLength(), 0, height, width, height);
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
    // Pieces of one row and of a random height.
    for (int piece : {1, 1 + static_cast<int>(random() % height)}) {
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
  ScratchFolder folder;
  for (const auto& [width, height, offset] : cases) {
    TestBitmap bitmap = Sized(width, height, offset);
    bitmap.trailing = {9, 9, 9};  // not carried into the copy
    bitmap.paint = [&](int, int, std::uint8_t* bgr) {
      for (int c = 0; c < 3; ++c) bgr[c] = static_cast<std::uint8_t>(random());
    };
    const Bytes bytes = bitmap.bytes();
    WriteFile(folder / "photo.bmp", bytes);
    ASSERT_FALSE(
        WriteDisplayCopy((folder / "photo.bmp").string(), (folder / "_photo.bmp").string()));

    PixelBlock block(bitmap.rowLength(), static_cast<std::size_t>(height));
    std::memcpy(block.data(), bytes.data() + offset, block.size());
    WholeBlockMarks(block, width, height);
    Bytes expected(bytes.begin(), bytes.begin() + offset);
    expected.insert(expected.end(), block.data(), block.data() + block.size());
    EXPECT_EQ(ReadFile(folder / "_photo.bmp"), expected) << width << "x" << height;
    EXPECT_EQ(ReadFile(folder / "photo.bmp"), bytes);
  }
}

}  // namespace
}  // namespace hosei::test
