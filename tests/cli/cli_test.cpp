// End-to-end runs of the hosei-cli binary on real files.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "run_command.h"
#include "test_bitmap.h"

namespace hosei::test {
namespace {

namespace fs = std::filesystem;

CommandResult Cli(const std::vector<std::string>& arguments) {
  return RunCommand(HOSEI_CLI_PATH, arguments);
}

int CountLines(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// A flat 640 x 480 picture of blue 100, green 150, red 200: the worked vignetting example.
TestBitmap FlatPicture() {
  TestBitmap bitmap;
  bitmap.width = 640;
  bitmap.height = 480;
  bitmap.paint = [](int, int, std::uint8_t* bgr) {
    bgr[0] = 100;
    bgr[1] = 150;
    bgr[2] = 200;
  };
  return bitmap;
}

// Blue, green and red of pixel (x, y) of a bitmap file with a 54-byte header.
std::vector<int> PixelAt(const std::vector<std::uint8_t>& file, int width, int x, int y) {
  const std::size_t rowLength = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
  const std::size_t at = 54 + static_cast<std::size_t>(y - 1) * rowLength + 3 * (x - 1);
  return {file[at], file[at + 1], file[at + 2]};
}

class CliTest : public ::testing::Test {
 protected:
  fs::path write(const std::string& name, const TestBitmap& bitmap) {
    const fs::path path = folder / name;
    WriteFile(path, bitmap.bytes());
    return path;
  }
  ScratchFolder folder;
};

TEST_F(CliTest, DefaultVignettingMatchesTheWorkedExample) {
  const fs::path source = write("photo.bmp", FlatPicture());
  const auto before = ReadFile(source);

  const CommandResult run = Cli({source.string()});

  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "") << "no progress bar when stderr is not a terminal";
  EXPECT_EQ(CountLines(run.out), 1);
  EXPECT_NE(run.out.find((folder / "photo_.bmp").string()), std::string::npos);
  EXPECT_NE(run.out.find("640×480"), std::string::npos);
  const auto result = ReadFile(folder / "photo_.bmp");
  ASSERT_EQ(result.size(), before.size());
  EXPECT_EQ(PixelAt(result, 640, 320, 240), (std::vector<int>{100, 150, 200}));
  EXPECT_EQ(PixelAt(result, 640, 600, 240), (std::vector<int>{104, 154, 204}));
  EXPECT_EQ(PixelAt(result, 640, 640, 480), (std::vector<int>{116, 167, 216}));
  EXPECT_EQ(ReadFile(source), before);
}

TEST_F(CliTest, OptionValuesAreReadAsTheFieldsWouldBe) {
  const fs::path source = write("p.bmp", FlatPicture());
  ASSERT_EQ(Cli({"--boundary", "Sharp", source.string()}).exitCode, 0);
  EXPECT_EQ(PixelAt(ReadFile(folder / "p_.bmp"), 640, 600, 240), (std::vector<int>{110, 160, 209}));

  ASSERT_EQ(Cli({"--coefficient=120", source.string()}).exitCode, 0);
  EXPECT_EQ(PixelAt(ReadFile(folder / "p_.bmp"), 640, 640, 480), (std::vector<int>{193, 244, 255}));

  // "  120abc" means 120 to the field reader, as typed into the window.
  ASSERT_EQ(Cli({"--coefficient", "  120abc", source.string()}).exitCode, 0);
  EXPECT_EQ(PixelAt(ReadFile(folder / "p_.bmp"), 640, 640, 480), (std::vector<int>{193, 244, 255}));

  const auto spaced = Cli({"--start", "55.5", "--quiet", source.string()});
  const auto spacedResult = ReadFile(folder / "p_.bmp");
  const auto joined = Cli({"--start=55.5", "--quiet", source.string()});
  ASSERT_EQ(spaced.exitCode, 0);
  ASSERT_EQ(joined.exitCode, 0);
  EXPECT_EQ(ReadFile(folder / "p_.bmp"), spacedResult);
  EXPECT_EQ(spaced.out, "");
}

TEST_F(CliTest, FogTakesANegativeBrightnessAfterItsOption) {
  const fs::path source = write("fog.bmp", FlatPicture());
  const auto run = Cli({"--mode", "fog", "--brightness", "-40", "--light-x", "0", "--light-y=0",
                        "--size", "150", source.string()});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto result = ReadFile(folder / "fog_.bmp");
  EXPECT_EQ(PixelAt(result, 640, 1, 1), (std::vector<int>{61, 114, 176}));
  EXPECT_EQ(PixelAt(result, 640, 150, 1), (std::vector<int>{100, 150, 200}));
}

TEST_F(CliTest, GammaWithBackgroundAdjustment) {
  TestBitmap dark;
  dark.width = 3;
  dark.height = 2;
  dark.paint = [](int, int, std::uint8_t* bgr) {
    bgr[0] = 80;
    bgr[1] = 50;
    bgr[2] = 40;
  };
  const fs::path source = write("dark.bmp", dark);
  ASSERT_EQ(Cli({"--mode", "gamma", "--background", "70", source.string()}).exitCode, 0);
  const auto result = ReadFile(folder / "dark_.bmp");
  EXPECT_EQ(PixelAt(result, 3, 2, 2), (std::vector<int>{65, 50, 40}));
  // The row padding stays as read.
  EXPECT_EQ(result[54 + 9], 0xA5);
}

TEST_F(CliTest, RefusedParameterNamesTheOptionAndTouchesNoFile) {
  const fs::path source = write("r.bmp", FlatPicture());
  struct Case {
    std::vector<std::string> options;
    std::string option;
  };
  const std::vector<Case> cases = {
      {{"--start", "100"}, "--start"},
      {{"--coefficient", "0.5"}, "--coefficient"},
      {{"--mode", "fog", "--brightness", "171"}, "--brightness"},
      {{"--mode", "fog", "--light-x", "1e400"}, "--light-x"},
      {{"--mode", "gamma", "--gamma", "2.68"}, "--gamma"},
      {{"--mode", "gamma", "--background", "40000"}, "--background"},
  };
  for (const Case& c : cases) {
    auto arguments = c.options;
    arguments.push_back(source.string());
    const auto run = Cli(arguments);
    EXPECT_EQ(run.exitCode, 2) << c.option;
    EXPECT_EQ(CountLines(run.err), 1) << run.err;
    EXPECT_NE(run.err.find(c.option), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(folder / "r_.bmp")) << c.option;
  }
}

TEST_F(CliTest, UsageErrorsExitWithTwo) {
  EXPECT_EQ(Cli({}).exitCode, 2);
  EXPECT_EQ(Cli({"--no-such-option", "a.bmp"}).exitCode, 2);
  EXPECT_EQ(Cli({"--mode", "sepia", "a.bmp"}).exitCode, 2);
  EXPECT_EQ(Cli({"--centre", "12", "a.bmp"}).exitCode, 2);
  EXPECT_EQ(Cli({"a.bmp", "--start"}).exitCode, 2);
  EXPECT_EQ(Cli({"--output-dir", (folder / "missing").string(), "a.bmp"}).exitCode, 2);

  const auto help = Cli({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("--output-dir DIR"), std::string::npos);
  const auto version = Cli({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_NE(version.out.find("1.3.0.0"), std::string::npos);
}

TEST_F(CliTest, AFileThatCannotBeDoneLeavesTheOthersDone) {
  const fs::path good = write("good.bmp", FlatPicture());
  TestBitmap eightBit = FlatPicture();
  eightBit.bitsPerPixel = 8;
  const fs::path rejected = write("eight.bmp", eightBit);
  auto truncatedBytes = FlatPicture().bytes();
  truncatedBytes.resize(truncatedBytes.size() / 2);
  const fs::path truncated = folder / "half.bmp";
  WriteFile(truncated, truncatedBytes);
  const fs::path missing = folder / "missing.bmp";

  const auto run = Cli({rejected.string(), good.string(), truncated.string(), missing.string()});

  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(CountLines(run.out), 1);
  EXPECT_EQ(CountLines(run.err), 3) << run.err;
  EXPECT_NE(run.err.find("24bit Windowsビットマップではありません"), std::string::npos);
  EXPECT_TRUE(fs::exists(folder / "good_.bmp"));
  EXPECT_FALSE(fs::exists(folder / "eight_.bmp"));
  EXPECT_FALSE(fs::exists(folder / "half_.bmp"));
  EXPECT_EQ(ReadFile(truncated), truncatedBytes);
}

TEST_F(CliTest, OutputFolderTakesTheResultsUnderTheSameNames) {
  const fs::path source = write("card.bmp", FlatPicture());
  fs::create_directory(folder / "out");
  const auto run = Cli({"--output-dir", (folder / "out").string(), source.string()});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(fs::exists(folder / "out" / "card_.bmp"));
  EXPECT_FALSE(fs::exists(folder / "card_.bmp"));
}

TEST_F(CliTest, SameResultNameTwiceInOneFolderKeepsTheFirst) {
  fs::create_directory(folder / "a");
  fs::create_directory(folder / "b");
  fs::create_directory(folder / "out");
  TestBitmap other = FlatPicture();
  other.paint = [](int, int, std::uint8_t* bgr) { bgr[0] = bgr[1] = bgr[2] = 30; };
  const fs::path first = write("a/x.bmp", FlatPicture());
  const fs::path second = write("b/x.bmp", other);

  const auto run =
      Cli({"--output-dir", (folder / "out").string(), first.string(), second.string()});

  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(PixelAt(ReadFile(folder / "out" / "x_.bmp"), 640, 320, 240),
            (std::vector<int>{100, 150, 200}));
}

TEST_F(CliTest, CentreIsAppliedPerImageOrSentBackWithANote) {
  const fs::path source = write("c.bmp", FlatPicture());
  // The lowest centre the rule allows on 640 x 480: the far corner is then 640 away.
  ASSERT_EQ(Cli({"--centre", "128,96", source.string()}).exitCode, 0);
  const auto moved = ReadFile(folder / "c_.bmp");
  EXPECT_EQ(PixelAt(moved, 640, 128, 96), (std::vector<int>{100, 150, 200}));
  EXPECT_GT(PixelAt(moved, 640, 640, 480)[0], PixelAt(moved, 640, 1, 1)[0]);

  ASSERT_EQ(Cli({"--quiet", source.string()}).exitCode, 0);
  const auto centred = ReadFile(folder / "c_.bmp");
  for (const std::string centre : {"100,100", "320,240", ","}) {
    const auto run = Cli({"--centre", centre, source.string()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(CountLines(run.err), 1) << centre << ": " << run.err;
    EXPECT_EQ(ReadFile(folder / "c_.bmp"), centred) << centre;
  }
}

TEST_F(CliTest, JapaneseNamesAndSpaces) {
  fs::create_directory(folder / "写真 フォルダ");
  const fs::path source = write("写真 フォルダ/夕焼け.bmp", FlatPicture());
  const auto run = Cli({source.string()});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(fs::exists(folder / "写真 フォルダ" / "夕焼け_.bmp"));
}

}  // namespace
}  // namespace hosei::test
