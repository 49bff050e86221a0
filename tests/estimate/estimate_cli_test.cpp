// hosei-cli's --estimate and --auto on files: the printed line is a command that makes
// exactly --auto's correction, options beside them are held, and nothing is written where
// nothing is to be done.

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "estimate_trials.h"
#include "test_bitmap.h"

namespace hosei::test {
namespace {

namespace fs = std::filesystem;

ProgramRun Cli(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), HOSEI_CLI_PATH);
  return RunProgram(arguments);
}

void WriteBitmap(const fs::path& path, const TopDownPicture& picture) {
  TestBitmap bitmap;
  bitmap.width = picture.width;
  bitmap.height = picture.height;
  bitmap.paint = [&picture](int x, int y, std::uint8_t* bgr) {
    const std::uint8_t* dot = picture.row(picture.height - y) + 3 * (x - 1);
    std::copy_n(dot, 3, bgr);
  };
  WriteFile(path, bitmap.bytes());
}

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// The options of an estimate line "FILE: OPTIONS".
std::string OptionsOf(const std::string& line, const fs::path& file) {
  const std::string head = file.string() + ": ";
  if (line.rfind(head, 0) != 0) return {};
  return line.substr(head.size(), line.find('\n') - head.size());
}

struct Trial {
  const char* what;
  std::function<TopDownPicture()> picture;
  std::vector<std::string> options;  // beside --estimate and --auto
  std::regex line;                   // of the options printed
};

const std::regex kVignettingLine(
    "--mode vignetting --start \\d+ --coefficient \\d+ --boundary (Soft|Intermediate|Sharp)"
    "( --centre \\d+,\\d+)?");
const std::regex kFogLine(
    "--mode fog --light-x -?\\d+ --light-y -?\\d+ --size \\d+ --brightness -?\\d+ --boundary "
    "(Soft|Intermediate|Sharp)");

TopDownPicture DarkenedBrick() {
  return Darken(LoadPhoto("brick.png"), {0.45, 0.2, 0.0167, 0.38, 0.6});
}
TopDownPicture GlowingSky() {
  const TopDownPicture clean = LoadPhoto("hubble_deep_field.jpg");
  return AddGlow(clean, TrialGlows(clean.width, clean.height)[0]);
}

TEST(EstimateCli, ThePrintedEstimatePastedBackMakesTheAutoResult) {
  const Trial trials[] = {
      {"vignetting", DarkenedBrick, {}, kVignettingLine},
      {"fog", GlowingSky, {"--mode", "fog"}, kFogLine},
  };
  for (const Trial& t : trials) {
    SCOPED_TRACE(t.what);
    ScratchFolder folder;
    const fs::path source = folder / "shot.bmp";
    WriteBitmap(source, t.picture());
    const auto before = Snapshot(folder.path());

    auto arguments = t.options;
    arguments.insert(arguments.begin(), "--estimate");
    arguments.push_back(source.string());
    const ProgramRun estimate = Cli(arguments);
    ASSERT_EQ(estimate.exitCode, 0) << estimate.err;
    EXPECT_EQ(Snapshot(folder.path()), before) << "an estimate writes nothing";
    const std::string options = OptionsOf(estimate.out, source);
    ASSERT_TRUE(std::regex_match(options, t.line)) << estimate.out;
    EXPECT_EQ(options.find("--brightness 0 "), std::string::npos) << "a glow to remove";
    EXPECT_EQ(options.find("--coefficient 1 "), std::string::npos) << "a falloff to lift";

    fs::create_directory(folder / "pasted");
    auto pasted = Words(options);
    pasted.insert(pasted.end(), {"--output-dir", (folder / "pasted").string(), source.string()});
    ASSERT_EQ(Cli(pasted).exitCode, 0);

    fs::create_directory(folder / "auto");
    arguments = t.options;
    arguments.insert(arguments.end(),
                     {"--auto", "--output-dir", (folder / "auto").string(), source.string()});
    const ProgramRun autoRun = Cli(arguments);
    ASSERT_EQ(autoRun.exitCode, 0) << autoRun.err;
    EXPECT_NE(autoRun.out.find(options), std::string::npos) << "told beside the done line";
    EXPECT_EQ(ReadFile(folder / "auto" / "shot_.bmp"), ReadFile(folder / "pasted" / "shot_.bmp"));
  }
}

TEST(EstimateCli, OptionsGivenBesideTheEstimateAreHeldAsTyped) {
  ScratchFolder folder;
  const fs::path source = folder / "shot.bmp";
  WriteBitmap(source, DarkenedBrick());
  const struct {
    std::vector<std::string> given;
    std::vector<std::string> held;  // to be found in the line as typed
  } cases[] = {
      {{"--boundary", "Sharp"}, {"--boundary Sharp"}},
      {{"--start", "40.0", "--coefficient", "25"}, {"--start 40.0", "--coefficient 25"}},
      {{"--centre", "300,200"}, {"--centre 300,200"}},
      {{"--mode", "fog", "--light-x", "77", "--size", "120"}, {"--light-x 77", "--size 120"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.given[1]);
    auto arguments = c.given;
    arguments.insert(arguments.end(), {"--estimate", source.string()});
    const ProgramRun run = Cli(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const std::string& held : c.held)
      EXPECT_NE(run.out.find(held + (held == c.held.back() ? "" : " ")), std::string::npos)
          << run.out;
  }
  // Held fields change what is found for the others: a start held late asks a stronger
  // coefficient than one held early.
  const auto coefficient = [&](const std::string& start) {
    const ProgramRun run =
        Cli({"--estimate", "--boundary", "Soft", "--start", start, source.string()});
    const auto at = run.out.find("--coefficient ");
    return at == std::string::npos ? -1 : std::stoi(run.out.substr(at + 14));
  };
  EXPECT_GT(coefficient("70"), coefficient("10"));
}

TEST(EstimateCli, APictureWithNothingToCorrectGetsTheWeakestOrNothing) {
  ScratchFolder folder;
  const fs::path source = folder / "flat.bmp";
  WriteFile(source, Uniform(400, 300, {90, 90, 90}).bytes());
  const auto before = Snapshot(folder.path());
  const struct {
    std::vector<std::string> options;
    std::string weakest;
  } cases[] = {
      {{}, "--mode vignetting --start 99 --coefficient 1 --boundary Soft"},
      {{"--mode", "fog"}, "--brightness 0 "},
  };
  for (const auto& c : cases) {
    auto arguments = c.options;
    arguments.insert(arguments.end(), {"--estimate", source.string()});
    const ProgramRun estimate = Cli(arguments);
    EXPECT_EQ(estimate.exitCode, 0);
    EXPECT_NE(estimate.out.find(c.weakest), std::string::npos) << estimate.out;

    arguments = c.options;
    arguments.insert(arguments.end(), {"--auto", source.string()});
    const ProgramRun autoRun = Cli(arguments);
    EXPECT_EQ(autoRun.exitCode, 0) << autoRun.err;
    EXPECT_EQ(Lines(autoRun.out).size(), 1u) << "the file is reported";
    EXPECT_EQ(autoRun.out.find("→"), std::string::npos) << autoRun.out;
    EXPECT_EQ(Snapshot(folder.path()), before) << "nothing written";
  }
}

TEST(EstimateCli, RefusedCombinationsAndBadFilesAreTold) {
  ScratchFolder folder;
  const fs::path good = folder / "flat.bmp";
  WriteFile(good, Uniform(64, 48, {90, 90, 90}).bytes());
  WriteFile(folder / "bad.png", Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0});
  const auto before = Snapshot(folder.path());
  const struct {
    std::vector<std::string> arguments;
    int exitCode;
    int outLines;
  } cases[] = {
      {{"--estimate", "--auto", good.string()}, 2, 0},
      {{"--mode", "gamma", "--estimate", good.string()}, 2, 0},
      {{"--auto", "--mode", "gamma", good.string()}, 2, 0},
      {{"--estimate", (folder / "bad.png").string(), good.string()}, 1, 1},
      {{"--estimate", (folder / "missing.bmp").string(), good.string()}, 1, 1},
      {{"--auto", (folder / "bad.png").string(), good.string()}, 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments[0] + " " + c.arguments[1]);
    const ProgramRun run = Cli(c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(run.errLines(), 1) << run.err;
    EXPECT_EQ(static_cast<int>(Lines(run.out).size()), c.outLines) << run.out;
    EXPECT_EQ(Snapshot(folder.path()), before);
  }
}

}  // namespace
}  // namespace hosei::test
