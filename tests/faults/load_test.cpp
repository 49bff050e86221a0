// hosei-cli under load: a whole card of small photos in one run, and one very large photo
// whose rows must stream through a few megabytes rather than be held whole.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "cli_run.h"
#include "fault_support.h"
#include "test_bitmap.h"

namespace hosei::test {
namespace {

namespace fs = std::filesystem;

TEST(Load, TwoThousandFilesInOneRunWithSomeBadOnes) {
  ScratchFolder scratch;
  TestBitmap small;
  small.width = 9;
  small.height = 7;
  const auto picture = small.bytes();
  auto truncated = picture;
  truncated.resize(picture.size() - 3);
  TestBitmap eightBit = small;
  eightBit.bitsPerPixel = 8;

  constexpr int kFiles = 2000;
  std::vector<std::string> arguments = {"--mode", "gamma", "--gamma", "1.4"};
  std::set<std::string> bad;
  for (int i = 0; i < kFiles; ++i) {
    const fs::path path = scratch / ("card " + std::to_string(i) + ".bmp");
    switch (i % 50) {
      case 7:
        WriteFile(path, truncated);
        bad.insert(path.string());
        break;
      case 19:
        WriteFile(path, eightBit.bytes());
        bad.insert(path.string());
        break;
      case 31:
        bad.insert(path.string());  // listed, but not there
        break;
      case 43:
        fs::create_directory(path);
        bad.insert(path.string());
        break;
      default:
        WriteFile(path, picture);
    }
    arguments.push_back(path.string());
  }

  const CliRun run = RunCli(arguments, std::chrono::seconds(300));
  ASSERT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 1);
  const int good = kFiles - static_cast<int>(bad.size());
  EXPECT_EQ(good, 1840);
  EXPECT_EQ(static_cast<int>(std::count(run.out.begin(), run.out.end(), '\n')), good);
  EXPECT_EQ(run.errLines(), static_cast<int>(bad.size())) << run.err.substr(0, 2000);
  for (const std::string& path : bad) EXPECT_NE(run.err.find(path), std::string::npos) << path;

  int results = 0, others = 0;
  for (const auto& entry : fs::directory_iterator(scratch.path())) {
    const std::string name = entry.path().filename().string();
    if (name.ends_with("_.bmp"))
      ++results;
    else if (!name.ends_with(".bmp"))
      ++others;
  }
  EXPECT_EQ(results, good);
  EXPECT_EQ(others, 0) << "temporary files left behind";
}

// 30000 x 20000 pixels, 1.8 GB: the file is sparse, with real pixels only in the rows that
// are checked, so it is made in no time and read mostly from nothing.
TEST(Load, ThirtyThousandByTwentyThousandStreamsInAFewMegabytes) {
  if (RunningUnderSanitizers())
    GTEST_SKIP() << "memory and time say nothing about the program under the sanitizers";
  ScratchFolder scratch;
  constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;
  if (FreeBytes(scratch.path()) < 5 * kGiB)
    GTEST_SKIP() << "less than 5 GB free in " << scratch.path() << " for the 1.8 GB photo";

  constexpr int kWidth = 30000, kHeight = 20000;
  TestBitmap header;
  header.width = kWidth;
  header.height = 1;
  auto bytes = header.bytes();
  bytes[22] = kHeight & 0xFF;
  bytes[23] = kHeight >> 8;
  const std::uint64_t rowLength = header.rowLength();
  const std::uint64_t fileSize = 54 + rowLength * kHeight;
  const fs::path source = scratch / "panorama.bmp";
  {
    // Flat grey-blue rows at the bottom, in the middle and at the top; nothing elsewhere.
    std::vector<std::uint8_t> row(rowLength, 0);
    for (int x = 0; x < kWidth; ++x) {
      row[3 * x] = 100;
      row[3 * x + 1] = 150;
      row[3 * x + 2] = 200;
    }
    const int fd = ::open(source.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, bytes.data(), 54, 0), 54);
    for (int y : {1, kHeight / 2, kHeight})
      ASSERT_EQ(::pwrite(fd, row.data(), rowLength, static_cast<off_t>(54 + (y - 1) * rowLength)),
                static_cast<ssize_t>(rowLength));
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(fileSize)), 0);
    ::close(fd);
  }

  const CliRun run = RunCli({source.string()}, std::chrono::seconds(300));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("30000×20000"), std::string::npos) << run.out;
  const std::uint64_t pixelBlockKiB = rowLength * kHeight / 1024;
  EXPECT_LT(run.peakMemoryKiB, static_cast<long>(pixelBlockKiB + 64 * 1024)) << "KiB";
  // Rows stream through small buffers: the photo is never held whole.
  EXPECT_LT(run.peakMemoryKiB, 64 * 1024) << "KiB";

  const fs::path result = scratch / "panorama_.bmp";
  ASSERT_EQ(fs::file_size(result), fileSize);
  const int fd = ::open(result.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  const auto pixelAt = [&](int x, int y) {
    std::uint8_t bgr[3] = {};
    const off_t at = static_cast<off_t>(54 + (y - 1) * rowLength + 3 * (x - 1));
    EXPECT_EQ(::pread(fd, bgr, 3, at), 3);
    return std::vector<int>{bgr[0], bgr[1], bgr[2]};
  };
  std::uint8_t head[54];
  ASSERT_EQ(::pread(fd, head, 54, 0), 54);
  EXPECT_TRUE(std::equal(head, head + 54, bytes.begin()));
  // Inside the start radius nothing changes; the far corner gets the full coefficient,
  // whatever the picture's size (as in the worked 640 x 480 example).
  EXPECT_EQ(pixelAt(kWidth / 2, kHeight / 2), (std::vector<int>{100, 150, 200}));
  EXPECT_EQ(pixelAt(kWidth, kHeight), (std::vector<int>{116, 167, 216}));
  EXPECT_GT(pixelAt(1, 1)[0], 100);
  ::close(fd);
}

}  // namespace
}  // namespace hosei::test
