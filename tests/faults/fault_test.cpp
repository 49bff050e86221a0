// Faults end to end through hosei-cli: broken and odd sources, results that cannot be
// written, awkward names. Every failure must end in one clear line on stderr and exit 1,
// with the folder exactly as it was: the source byte-identical, an earlier result intact,
// no partial result and no temporary file.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cli_run.h"
#include "fault_support.h"
#include "file_error.h"
#include "test_bitmap.h"

namespace hosei::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCannotOpen = "ファイルを開けません";
constexpr const char* kNotRegular = "通常のファイルではありません";
constexpr const char* kZeroSize = "幅または高さが 0";
constexpr const char* kOffset = "画素データの位置が範囲外";
constexpr const char* kTruncated = "ファイルが途中で切れています";
constexpr const char* kNameTooShort = "ファイル名が短すぎます";
constexpr const char* kCannotWrite = "ファイルを書き込めません";

TestBitmap Picture(int width = 16, int height = 12) {
  TestBitmap bitmap;
  bitmap.width = width;
  bitmap.height = height;
  return bitmap;
}

void Put16(std::vector<std::uint8_t>& bytes, std::size_t at, unsigned value) {
  bytes[at] = static_cast<std::uint8_t>(value & 0xFF);
  bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

std::vector<std::uint8_t> Cut(std::vector<std::uint8_t> bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

const std::vector<std::uint8_t> kEarlierResult = {'e', 'a', 'r', 'l', 'i', 'e', 'r'};

class FaultTest : public ::testing::Test {
 protected:
  fs::path put(const fs::path& name, const std::vector<std::uint8_t>& bytes) {
    const fs::path path = scratch / name.string();
    fs::create_directories(path.parent_path());
    WriteFile(path, bytes);
    return path;
  }

  // The run failed the way every failure must: one line naming the file, nothing changed.
  static void ExpectCleanFailure(const CliRun& run, const std::string& message,
                                 const fs::path& named, const fs::path& folder,
                                 const Snapshot& before) {
    EXPECT_FALSE(run.timedOut) << "hosei-cli hung";
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(run.errLines(), 1) << run.err;
    EXPECT_EQ(run.err.rfind("hosei-cli: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(named.string()), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    const Snapshot after = TakeSnapshot(folder);
    EXPECT_EQ(after, before) << DescribeDifference(before, after);
  }

  ScratchFolder scratch;
};

// A source that is not what it was when it was chosen, or never was a usable bitmap.
struct SourceFault {
  std::string what;
  std::function<void(const fs::path& source)> make;
  std::string message;
};

std::vector<SourceFault> SourceFaults() {
  const auto picture = Picture().bytes();
  const auto write = [](std::vector<std::uint8_t> bytes) {
    return [bytes](const fs::path& source) { WriteFile(source, bytes); };
  };
  const auto withHeaderWord = [&picture](std::size_t at, unsigned value) {
    auto bytes = picture;
    Put16(bytes, at, value);
    return bytes;
  };
  const auto withBits = [](int bits) {
    TestBitmap b = Picture();
    b.bitsPerPixel = bits;
    return b.bytes();
  };
  const auto withInfoHeader = [](int size) {
    TestBitmap b = Picture();
    b.infoHeaderSize = size;
    return b.bytes();
  };
  auto topDown = picture;
  Put16(topDown, 22, 0xFFF4);  // height -12: rows stored top-down
  Put16(topDown, 24, 0xFFFF);
  auto huge = picture;
  Put16(huge, 18, 65535);
  Put16(huge, 22, 65535);

  return {
      {"deleted", [](const fs::path&) {}, kCannotOpen},
      {"replaced by a folder",
       [](const fs::path& source) {
         fs::create_directory(source);
         WriteFile(source / "inside.bmp", {1, 2, 3});
       },
       kNotRegular},
      {"replaced by a FIFO",
       [](const fs::path& source) { ASSERT_EQ(::mkfifo(source.c_str(), 0644), 0); }, kNotRegular},
      {"replaced by a dangling link",
       [](const fs::path& source) { fs::create_symlink("gone.bmp", source); }, kCannotOpen},
      {"replaced by a link to itself",
       [](const fs::path& source) { fs::create_symlink(source.filename(), source); }, kCannotOpen},
      {"replaced by text", write({'n', 'o', 't', ' ', 'a', ' ', 'p', 'h', 'o', 't', 'o', '\n'}),
       kNot24BitBitmapMessage},
      {"empty", write({}), kNot24BitBitmapMessage},
      {"8-bit", write(withBits(8)), kNot24BitBitmapMessage},
      {"32-bit", write(withBits(32)), kNot24BitBitmapMessage},
      {"108-byte info header", write(withInfoHeader(108)), kNot24BitBitmapMessage},
      {"124-byte info header", write(withInfoHeader(124)), kNot24BitBitmapMessage},
      {"cut inside the header prefix", write(Cut(picture, 20)), kNot24BitBitmapMessage},
      {"cut after the prefix", write(Cut(picture, 40)), kTruncated},
      {"cut after the headers", write(Cut(picture, 54)), kTruncated},
      {"cut in the middle of the pixels", write(Cut(picture, picture.size() / 2)), kTruncated},
      {"last byte missing", write(Cut(picture, picture.size() - 1)), kTruncated},
      {"width 0", write(withHeaderWord(18, 0)), kZeroSize},
      {"height 0", write(withHeaderWord(22, 0)), kZeroSize},
      {"65535 x 65535 claimed by a small file", write(huge), kTruncated},
      {"stored top-down", write(topDown), kTruncated},
      {"pixel offset 32768", write(withHeaderWord(10, 32768)), kOffset},
      {"pixel offset 40000", write(withHeaderWord(10, 40000)), kOffset},
      {"pixel offset 65535", write(withHeaderWord(10, 65535)), kOffset},
      {"pixel offset 0", write(withHeaderWord(10, 0)), kOffset},
      {"pixel offset inside the headers", write(withHeaderWord(10, 53)), kOffset},
  };
}

TEST_F(FaultTest, BrokenOrVanishedSourceEndsInOneLineAndLosesNothing) {
  for (const SourceFault& fault : SourceFaults()) {
    SCOPED_TRACE(fault.what);
    const fs::path folder = scratch / fault.what;
    fs::create_directory(folder);
    const fs::path source = folder / "photo.bmp";
    fault.make(source);
    WriteFile(folder / "photo_.bmp", kEarlierResult);
    const Snapshot before = TakeSnapshot(folder);

    ExpectCleanFailure(RunCli({source.string()}, std::chrono::seconds(20)), fault.message, source,
                       folder, before);
  }
}

// The centre option reads the header before the run, and explains a centre that the
// picture cannot take. A file that cannot be done must neither hang that step nor get an
// explanation for a correction that never happens: its one line is the reason it failed.
TEST_F(FaultTest, CentreOptionOnABrokenSourceGivesOneLine) {
  for (const SourceFault& fault : SourceFaults()) {
    SCOPED_TRACE(fault.what);
    const fs::path folder = scratch / fault.what;
    fs::create_directory(folder);
    const fs::path source = folder / "photo.bmp";
    fault.make(source);
    const Snapshot before = TakeSnapshot(folder);
    // 1,1 lies outside what the centre rule allows on a 16 x 12 picture.
    ExpectCleanFailure(RunCli({"--centre", "1,1", source.string()}, std::chrono::seconds(20)),
                       fault.message, source, folder, before);
  }
}

// Sizes and offsets at the very edge of what a bitmap can say are still corrected.
TEST_F(FaultTest, ExtremeButValidSourcesAreDone) {
  struct Edge {
    std::string what;
    TestBitmap bitmap;
  };
  TestBitmap farOffset = Picture(5, 3);
  farOffset.pixelDataOffset = 32767;
  farOffset.gapByte = 0x3C;
  const std::vector<Edge> edges = {
      {"width 65535", Picture(65535, 1)},
      {"height 65535", Picture(1, 65535)},
      {"pixel offset 32767", farOffset},
  };
  for (const Edge& edge : edges) {
    SCOPED_TRACE(edge.what);
    const auto bytes = edge.bitmap.bytes();
    const fs::path source = put(edge.what + "/photo.bmp", bytes);
    const CliRun run = RunCli({source.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(ReadFile(source), bytes);
    const auto result = ReadFile(source.parent_path() / "photo_.bmp");
    ASSERT_EQ(result.size(), bytes.size());
    const std::size_t offset = static_cast<std::size_t>(edge.bitmap.pixelDataOffset);
    EXPECT_TRUE(
        std::equal(bytes.begin(), bytes.begin() + static_cast<long>(offset), result.begin()))
        << "the header region, gap bytes included, is carried over";
  }
}

TEST_F(FaultTest, NamesTooShortForTheResultRuleAreRefused) {
  const auto picture = Picture().bytes();
  for (const std::string name : {"x", "ab", "a.b", "あいう"}) {
    SCOPED_TRACE(name);
    const fs::path folder = scratch / ("short-" + std::to_string(name.size()));
    const fs::path source = put(folder.filename() / name, picture);
    const Snapshot before = TakeSnapshot(folder);
    ExpectCleanFailure(RunCli({source.string()}), kNameTooShort, source, folder, before);
  }
  // Four characters are enough, whatever they are: the result is then "_.bmp".
  const fs::path four = put("four/あいうえ", picture);
  ASSERT_EQ(RunCli({four.string()}).exitCode, 0);
  EXPECT_TRUE(fs::exists(scratch / "four" / "_.bmp"));
}

TEST_F(FaultTest, JapaneseNamesAndSpacesInPathsAreKeptIntactInResultsAndMessages) {
  const auto picture = Picture().bytes();
  const fs::path good = put("写真 フォルダ/夕 焼け 2024.bmp", picture);
  const fs::path broken = put("写真 フォルダ/壊れた 写真.bmp", Cut(picture, 100));
  const CliRun run = RunCli({good.string(), broken.string()});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.out.find(good.string()), std::string::npos) << run.out;
  EXPECT_TRUE(fs::exists(scratch / "写真 フォルダ" / "夕 焼け 2024_.bmp"));
  EXPECT_EQ(run.errLines(), 1);
  EXPECT_NE(run.err.find(broken.string()), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(scratch / "写真 フォルダ" / "壊れた 写真_.bmp"));
}

// 80 Japanese characters are 240 bytes: the result name still fits the system's limit of
// 255 bytes, and so must whatever is written on the way to it.
TEST_F(FaultTest, LongestNamesThatTheSystemAllowsAreDone) {
  std::string title;
  for (int i = 0; i < 80; ++i) title += "長";
  const fs::path source = put(title + ".bmp", Picture().bytes());
  const CliRun run = RunCli({source.string()});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(fs::exists(scratch / (title + "_.bmp")));
  // One byte more than the system allows in a name cannot even be opened.
  std::string tooLong(252, 'n');
  const fs::path missing = scratch / (tooLong + ".bmp");
  const Snapshot before = TakeSnapshot(scratch.path());
  ExpectCleanFailure(RunCli({missing.string()}), kCannotOpen, missing, scratch.path(), before);
}

TEST_F(FaultTest, ResultPathTakenByAFolder) {
  const fs::path source = put("photo.bmp", Picture().bytes());
  fs::create_directory(scratch / "photo_.bmp");
  WriteFile(scratch / "photo_.bmp" / "keep.txt", {'k'});
  const Snapshot before = TakeSnapshot(scratch.path());
  ExpectCleanFailure(RunCli({source.string()}), kCannotWrite, scratch / "photo_.bmp",
                     scratch.path(), before);
}

// A source that is a link to its own result name: writing the result would replace the
// photo the link leads to.
TEST_F(FaultTest, ResultPathLeadingBackToTheSource) {
  put("photo_.bmp", Picture().bytes());
  const fs::path source = scratch / "photo.bmp";
  fs::create_symlink("photo_.bmp", source);
  const Snapshot before = TakeSnapshot(scratch.path());
  ExpectCleanFailure(RunCli({source.string()}), "元のファイルと同じ", scratch / "photo_.bmp",
                     scratch.path(), before);
}

TEST_F(FaultTest, ReadOnlyFolder) {
  const fs::path folder = scratch / "card";
  const fs::path source = put("card/photo.bmp", Picture().bytes());
  WriteFile(folder / "photo_.bmp", kEarlierResult);
  const Snapshot before = TakeSnapshot(folder);

  std::unique_ptr<TestMount> mount;
  std::unique_ptr<ReadOnlyByPermissions> permissions;
  std::string whyNot;
  if (RunningAsRoot()) {
    // Root writes through permission bits, so only a read-only mount stops it.
    mount = TestMount::ReadOnly(folder, whyNot);
    if (!mount) GTEST_SKIP() << "no read-only folder for root: " << whyNot;
  } else {
    permissions = std::make_unique<ReadOnlyByPermissions>(folder);
    if (!permissions->effective())
      GTEST_SKIP() << "this user can write to a folder without write permission";
  }
  ExpectCleanFailure(RunCli({source.string()}), kCannotWrite, folder / "photo_.bmp", folder,
                     before);

  // The way out the message points to: the results go elsewhere.
  fs::create_directory(scratch / "out");
  const CliRun elsewhere = RunCli({"--output-dir", (scratch / "out").string(), source.string()});
  EXPECT_EQ(elsewhere.exitCode, 0) << elsewhere.err;
  EXPECT_TRUE(fs::exists(scratch / "out" / "photo_.bmp"));
}

TEST_F(FaultTest, DiskFullBesideTheSourceAndInTheOutputFolder) {
  const fs::path disk = scratch / "disk";
  fs::create_directory(disk);
  std::string whyNot;
  // 16 pages of 4 KiB: room for the 36 KiB source and the earlier result, not for a second
  // copy of the source.
  const auto mount = TestMount::SmallDisk(disk, 64 * 1024, whyNot);
  if (!mount) GTEST_SKIP() << "no small disk to fill: " << whyNot;

  const auto picture = Picture(120, 100).bytes();
  const fs::path source = disk / "photo.bmp";
  WriteFile(source, picture);
  WriteFile(disk / "photo_.bmp", kEarlierResult);
  const Snapshot before = TakeSnapshot(disk);
  ExpectCleanFailure(RunCli({source.string()}), kCannotWrite, disk / "photo_.bmp", disk, before);
  EXPECT_NE(RunCli({source.string()}).err.find(std::strerror(ENOSPC)), std::string::npos);

  // A source elsewhere, its result sent to the full disk.
  const fs::path other = put("other.bmp", picture);
  const Snapshot beforeOther = TakeSnapshot(scratch.path());
  const CliRun run = RunCli({"--output-dir", disk.string(), other.string()});
  ExpectCleanFailure(run, kCannotWrite, disk / "other_.bmp", scratch.path(), beforeOther);
}

// One run over good files and every kind of bad one: each bad file gets its own line, the
// good ones are all done.
TEST_F(FaultTest, BadFilesAmongGoodOnesDoNotStopTheRun) {
  const auto picture = Picture().bytes();
  std::vector<std::string> arguments = {put("a.bmp", picture).string()};
  int bad = 0;
  for (const SourceFault& fault : SourceFaults()) {
    const fs::path folder = scratch / ("bad " + std::to_string(bad++));
    fs::create_directory(folder);
    fault.make(folder / "photo.bmp");
    arguments.push_back((folder / "photo.bmp").string());
  }
  arguments.push_back(put("z.bmp", picture).string());

  const CliRun run = RunCli(arguments);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.errLines(), bad) << run.err;
  EXPECT_EQ(static_cast<int>(std::count(run.out.begin(), run.out.end(), '\n')), 2) << run.out;
  EXPECT_EQ(ReadFile(scratch / "a.bmp"), picture);
  EXPECT_TRUE(fs::exists(scratch / "a_.bmp"));
  EXPECT_TRUE(fs::exists(scratch / "z_.bmp"));
}

}  // namespace
}  // namespace hosei::test
