#include "execute.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core_test_support.h"
#include "file_error.h"
#include "test_bitmap.h"

namespace hosei {
namespace {

using test::Bgr;
using test::PixelOf;
using test::ReadFile;
using test::ScratchFolder;
using test::TestBitmap;
using test::WriteFile;

class RecordingObserver : public ExecuteObserver {
 public:
  void headerAccepted(const BitmapHeader& header) override {
    width = header.width;
    height = header.height;
  }
  void rowsDone(int row) override { rows.push_back(row); }

  double width = -1;
  double height = -1;
  std::vector<int> rows;
};

FieldTexts GammaTexts(const char* gamma) { return {.mode = Mode::kGamma, .gamma = gamma}; }

class ExecuteTest : public ::testing::Test {
 protected:
  ExecuteOutcome Run(const FieldTexts& texts, ExecuteObserver* observer = nullptr) {
    return Execute(ExecuteJob{source_.string(), test::Accepted(texts), {}, {}}, observer);
  }
  void Save(const TestBitmap& bitmap) { WriteFile(source_, bitmap.bytes()); }
  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.path()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  ScratchFolder folder_;
  std::filesystem::path source_ = folder_ / "photo.bmp";
  std::filesystem::path result_ = folder_ / "photo_.bmp";
};

TEST_F(ExecuteTest, ResultLiesBesideTheSourceAndTheSourceIsUntouched) {
  const TestBitmap bitmap = test::Uniform(64, 48, {100, 150, 200});
  Save(bitmap);
  const auto before = ReadFile(source_);
  const ExecuteOutcome outcome = Run(FieldTexts{});
  ASSERT_TRUE(outcome.succeeded()) << DescribeFileError(outcome.error);
  EXPECT_EQ(outcome.resultFile, result_.string());
  EXPECT_EQ(outcome.width, 64);
  EXPECT_EQ(outcome.height, 48);
  EXPECT_TRUE(test::SameBytes(ReadFile(source_), before));
  const auto result = ReadFile(result_);
  EXPECT_EQ(result.size(), before.size());
  EXPECT_TRUE(std::equal(before.begin(), before.begin() + 54, result.begin()));
  EXPECT_NE(result, before);  // the corners were brightened
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"photo.bmp", "photo_.bmp"}));
}

TEST_F(ExecuteTest, GammaOneWritesThePictureBackUnchanged) {
  TestBitmap bitmap;
  bitmap.width = 5;  // rows with padding
  bitmap.height = 7;
  bitmap.pixelDataOffset = 60;
  Save(bitmap);
  ASSERT_TRUE(Run(GammaTexts("1")).succeeded());
  EXPECT_TRUE(test::SameBytes(ReadFile(result_), bitmap.bytes()));
}

TEST_F(ExecuteTest, VignettingExampleEndToEnd) {
  const TestBitmap bitmap = test::Uniform(640, 480, {100, 150, 200});
  Save(bitmap);
  ASSERT_TRUE(Run(FieldTexts{}).succeeded());
  const auto result = ReadFile(result_);
  EXPECT_EQ(PixelOf(result, bitmap, 320, 240), (Bgr{100, 150, 200}));
  EXPECT_EQ(PixelOf(result, bitmap, 520, 240), (Bgr{100, 150, 200}));
  EXPECT_EQ(PixelOf(result, bitmap, 600, 240), (Bgr{104, 154, 204}));
  EXPECT_EQ(PixelOf(result, bitmap, 1, 1), (Bgr{116, 167, 216}));
  EXPECT_EQ(PixelOf(result, bitmap, 640, 480), (Bgr{116, 167, 216}));
}

TEST_F(ExecuteTest, FogCentreCountsFromTheBottomRow) {
  const TestBitmap bitmap = test::Uniform(160, 20, {100, 150, 200});
  Save(bitmap);
  ASSERT_TRUE(Run({.mode = Mode::kFog}).succeeded());  // centre (0, 0), size 150, brightness -40
  const auto result = ReadFile(result_);
  EXPECT_EQ(PixelOf(result, bitmap, 1, 1), (Bgr{61, 114, 176}));
  EXPECT_EQ(PixelOf(result, bitmap, 149, 1), (Bgr{100, 150, 200}));
  EXPECT_EQ(PixelOf(result, bitmap, 150, 1), (Bgr{100, 150, 200}));
  EXPECT_GT(PixelOf(result, bitmap, 1, 20)[0], 61);
}

TEST_F(ExecuteTest, BackgroundAdjustmentFollowsTheModeEverywhere) {
  // A dark bluish picture, lightened in a circle at the left: outside the circle the
  // adjustment still pulls blue towards the mean of the untouched levels.
  const TestBitmap bitmap = test::Uniform(200, 1, {80, 50, 40});
  Save(bitmap);
  ASSERT_TRUE(
      Run({.mode = Mode::kFog, .size = "50", .brightness = "170", .background = true}).succeeded());
  const auto result = ReadFile(result_);
  EXPECT_EQ(PixelOf(result, bitmap, 150, 1), (Bgr{65, 50, 40}));
  // Brightened first (step 291, amount 142.5, row 606), then judged on its new levels,
  // which are no longer background.
  EXPECT_EQ(PixelOf(result, bitmap, 1, 1), (Bgr{248, 204, 186}));
}

TEST_F(ExecuteTest, ProgressEveryFortyRows) {
  for (const auto& [height, expected] :
       std::vector<std::pair<int, std::vector<int>>>{{39, {}}, {40, {40}}, {121, {40, 80, 120}}}) {
    Save(test::Uniform(3, height, {1, 2, 3}));
    RecordingObserver observer;
    ASSERT_TRUE(Run(GammaTexts("1.5"), &observer).succeeded());
    EXPECT_EQ(observer.width, 3);
    EXPECT_EQ(observer.height, height);
    EXPECT_EQ(observer.rows, expected) << height;
  }
}

TEST_F(ExecuteTest, SecondRunReplacesTheFirstResultCompletely) {
  TestBitmap bitmap;
  bitmap.width = 90;
  bitmap.height = 60;
  Save(bitmap);
  const FieldTexts fog{.mode = Mode::kFog, .lightX = "45", .lightY = "30", .brightness = "120"};
  // A longer file of that name was there first.
  WriteFile(result_, std::vector<std::uint8_t>(100000, 0x11));
  ASSERT_TRUE(Run(GammaTexts("2.5")).succeeded());
  ASSERT_TRUE(Run(fog).succeeded());
  const auto twice = ReadFile(result_);
  std::filesystem::remove(result_);
  ASSERT_TRUE(Run(fog).succeeded());
  EXPECT_TRUE(test::SameBytes(twice, ReadFile(result_)));

  ASSERT_TRUE(Run(GammaTexts("2.5")).succeeded());
  ASSERT_TRUE(Run(GammaTexts("0.5")).succeeded());
  const auto gammaTwice = ReadFile(result_);
  std::filesystem::remove(result_);
  ASSERT_TRUE(Run(GammaTexts("0.5")).succeeded());
  EXPECT_TRUE(test::SameBytes(gammaTwice, ReadFile(result_)));
}

TEST_F(ExecuteTest, RefusedFileWritesNoResult) {
  const std::pair<void (*)(TestBitmap&), FileProblem> cases[] = {
      {[](TestBitmap& b) { b.bitsPerPixel = 8; }, FileProblem::kNot24BitBitmap},
      {[](TestBitmap& b) { b.infoHeaderSize = 124; }, FileProblem::kNot24BitBitmap},
      {[](TestBitmap& b) { b.width = 0; }, FileProblem::kZeroSize},
      {[](TestBitmap& b) { b.height = 0; }, FileProblem::kZeroSize},
      {[](TestBitmap& b) { b.pixelDataOffset = 40; }, FileProblem::kOffsetOutOfRange},
      {[](TestBitmap& b) { b.height = 4; }, FileProblem::kTruncated}};
  for (const auto& [change, problem] : cases) {
    TestBitmap bitmap;
    change(bitmap);
    std::vector<std::uint8_t> bytes = bitmap.bytes();
    if (problem == FileProblem::kTruncated) bytes.pop_back();
    WriteFile(source_, bytes);
    EXPECT_EQ(Run(FieldTexts{}).error.problem, problem);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"photo.bmp"});
    EXPECT_TRUE(test::SameBytes(ReadFile(source_), bytes));
  }
}

TEST_F(ExecuteTest, FailedRunKeepsTheEarlierResult) {
  Save(TestBitmap{});
  ASSERT_TRUE(Run(GammaTexts("2")).succeeded());
  const auto earlier = ReadFile(result_);
  auto truncated = TestBitmap{}.bytes();
  truncated.resize(truncated.size() - 5);
  WriteFile(source_, truncated);
  const ExecuteOutcome outcome = Run(GammaTexts("0.5"));
  EXPECT_EQ(outcome.error.problem, FileProblem::kTruncated);
  EXPECT_TRUE(test::SameBytes(ReadFile(result_), earlier));
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"photo.bmp", "photo_.bmp"}));
}

TEST_F(ExecuteTest, NameTooShortForTheResultRule) {
  const auto shortName = folder_ / "abc";
  WriteFile(shortName, TestBitmap{}.bytes());
  const ExecuteOutcome outcome =
      Execute(ExecuteJob{shortName.string(), test::Accepted(FieldTexts{}), {}, {}});
  EXPECT_EQ(outcome.error.problem, FileProblem::kNameTooShort);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"abc"});
}

TEST_F(ExecuteTest, NeverWritesOverTheCurrentFile) {
  const TestBitmap bitmap;
  const Parameters gamma = test::Accepted(GammaTexts("2"));
  const std::string sameFile[] = {source_.string(), (folder_ / "." / "photo.bmp").string()};
  for (const std::string& result : sameFile) {
    Save(bitmap);
    EXPECT_FALSE(Execute(ExecuteJob{source_.string(), gamma, {}, result}).succeeded()) << result;
    EXPECT_TRUE(test::SameBytes(ReadFile(source_), bitmap.bytes())) << result;
  }
}

TEST(ExecuteCaptions, StatusTexts) {
  EXPECT_STREQ(kFinishedCaption, "終了");
  EXPECT_EQ(SavedAsCaption("/p/a_.bmp"), "/p/a_.bmpで保存されました");
  EXPECT_EQ(RowTotalCaption(480), "/    480");
  EXPECT_EQ(ResultViewerCaption("/p/a_.bmp"), "→　/p/a_.bmp");
  EXPECT_STREQ(kNot24BitBitmapMessage, "24bit Windowsビットマップではありません");
  EXPECT_STREQ(kColourCountErrorStatus, "色数のエラー");
}

}  // namespace
}  // namespace hosei
