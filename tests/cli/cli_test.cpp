// End-to-end runs of the hosei-cli binary on real files.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "test_bitmap.h"

namespace hosei::test {
namespace {

namespace fs = std::filesystem;
using Bgr = std::vector<int>;

struct Outcome {
  int exitCode;
  std::string out, err;
  int errLines() const { return static_cast<int>(std::count(err.begin(), err.end(), '\n')); }
};

class CliTest : public ::testing::Test {
 protected:
  Outcome Cli(const std::vector<std::string>& arguments) {
    std::string command = HOSEI_CLI_PATH;
    for (const std::string& a : arguments) {
      command += " '";
      for (char c : a) command += c == '\'' ? std::string("'\\''") : std::string(1, c);
      command += "'";
    }
    const fs::path out = folder / ".out", err = folder / ".err";
    const int status =
        std::system((command + " </dev/null >" + out.string() + " 2>" + err.string()).c_str());
    const auto text = [](const fs::path& p) {
      const auto bytes = ReadFile(p);
      return std::string(bytes.begin(), bytes.end());
    };
    Outcome run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, text(out), text(err)};
    fs::remove(out), fs::remove(err);
    return run;
  }
  // A flat 640 x 480 picture of blue 100, green 150, red 200.
  fs::path Write(const std::string& name, int level = -1) {
    TestBitmap bitmap;
    bitmap.width = 640;
    bitmap.height = 480;
    bitmap.paint = [level](int, int, std::uint8_t* bgr) {
      for (int c = 0; c < 3; ++c)
        bgr[c] = static_cast<std::uint8_t>(level < 0 ? 100 + 50 * c : level);
    };
    WriteFile(folder / name, bitmap.bytes());
    return folder / name;
  }
  // Pixel (x, y), y from the bottom, of the 640-wide result `name`.
  Bgr Pixel(const std::string& name, int x, int y) {
    const auto file = ReadFile(folder / name);
    const std::size_t at = 54 + static_cast<std::size_t>(y - 1) * 1920 + 3 * (x - 1);
    return {file.at(at), file.at(at + 1), file.at(at + 2)};
  }
  ScratchFolder folder;
};

TEST_F(CliTest, DefaultVignettingLeavesTheSourceAndReportsOneLine) {
  const fs::path source = Write("photo.bmp");
  const auto before = ReadFile(source);
  const Outcome run = Cli({source.string()});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "") << "no progress bar when stderr is not a terminal";
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1);
  EXPECT_NE(run.out.find((folder / "photo_.bmp").string()), std::string::npos);
  EXPECT_NE(run.out.find("640×480"), std::string::npos);
  EXPECT_EQ(Pixel("photo_.bmp", 600, 240), (Bgr{104, 154, 204}));
  EXPECT_EQ(Pixel("photo_.bmp", 640, 480), (Bgr{116, 167, 216}));
  EXPECT_EQ(ReadFile(source), before);
}

TEST_F(CliTest, OptionsAreReadAsTheFieldsWouldBe) {
  const std::string source = Write("p.bmp").string();
  struct Case {
    std::vector<std::string> options;
    int x, y;
    Bgr pixel;
  };
  const Case cases[] = {
      {{"--boundary", "Sharp"}, 600, 240, {110, 160, 209}},
      {{"--coefficient=120"}, 640, 480, {193, 244, 255}},
      {{"--coefficient", "  120abc"}, 640, 480, {193, 244, 255}},
      {{"--mode", "fog", "--brightness", "-40", "--light-x", "0", "--light-y=0", "--size", "150"},
       1,
       1,
       {61, 114, 176}},
      {{"--mode=fog", "--size", "150"}, 150, 1, {100, 150, 200}},
      {{"--centre", "128,96"}, 128, 96, {100, 150, 200}},  // the lowest centre allowed
      {{"--centre", "128,96"}, 640, 480, {116, 167, 216}},
  };
  for (const Case& c : cases) {
    auto arguments = c.options;
    arguments.push_back(source);
    ASSERT_EQ(Cli(arguments).exitCode, 0) << c.options[0];
    EXPECT_EQ(Pixel("p_.bmp", c.x, c.y), c.pixel) << c.options[0];
  }
}

TEST_F(CliTest, UnusableCentreIsSentBackWithANote) {
  const std::string source = Write("c.bmp").string();
  ASSERT_EQ(Cli({"--quiet", source}).exitCode, 0);
  const auto centred = ReadFile(folder / "c_.bmp");
  for (const std::string centre : {"100,100", "320,240", ","}) {
    const Outcome run = Cli({"--centre", centre, source});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.errLines(), 1) << centre << ": " << run.err;
    EXPECT_EQ(ReadFile(folder / "c_.bmp"), centred) << centre;
  }
}

TEST_F(CliTest, RefusedParameterOrUsageExitsWithTwoAndWritesNothing) {
  const std::string source = Write("r.bmp").string();
  const std::vector<std::string> cases[] = {{"--start", "100"},
                                            {"--mode", "fog", "--brightness", "171"},
                                            {"--mode=gamma", "--gamma", "2.68"},
                                            {"--mode", "gamma", "--background", "40000"},
                                            {"--no-such-option"},
                                            {"--mode", "sepia"},
                                            {"--centre", "12"},
                                            {"--output-dir", (folder / "missing").string()}};
  for (const auto& options : cases) {
    auto arguments = options;
    arguments.push_back(source);
    const Outcome run = Cli(arguments);
    EXPECT_EQ(run.exitCode, 2) << options[0];
    EXPECT_NE(run.err, "");
    EXPECT_FALSE(fs::exists(folder / "r_.bmp")) << options[0];
  }
  EXPECT_EQ(Cli({}).exitCode, 2);
  EXPECT_EQ(Cli({source, "--start"}).exitCode, 2);
  const Outcome help = Cli({"--help"}), version = Cli({"--version"});
  EXPECT_EQ(help.exitCode + version.exitCode, 0);
  EXPECT_NE(help.out.find("--output-dir DIR"), std::string::npos);
  EXPECT_NE(version.out.find("1.3.0.0"), std::string::npos);
}

TEST_F(CliTest, OutputFolderKeepsTheFirstOfTwoEqualResultNames) {
  for (const char* sub : {"a", "b", "out"}) fs::create_directory(folder / sub);
  const fs::path first = Write("a/x.bmp"), second = Write("b/x.bmp", 30);
  const Outcome run =
      Cli({"--output-dir", (folder / "out").string(), first.string(), second.string()});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(Pixel("out/x_.bmp", 320, 240), (Bgr{100, 150, 200}));
  EXPECT_FALSE(fs::exists(folder / "a" / "x_.bmp"));
}

}  // namespace
}  // namespace hosei::test
