// Whatever is typed into a field, hosei-cli answers sensibly: a value outside the field's
// range is refused with exit 2 and one line naming the option, before any file is
// touched; anything else is read as its leading number and the file is corrected.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli_run.h"
#include "test_bitmap.h"

namespace hosei::test {
namespace {

namespace fs = std::filesystem;

// What the field reader makes of a text: the number it starts with.
enum class Leading { kZero, kNegativeZero, kHalf, kFifty, kHuge };

struct Text {
  std::string what;
  std::string text;
  Leading leading;
};

std::vector<Text> Texts() {
  return {
      {"empty", "", Leading::kZero},
      {"blanks", "   ", Leading::kZero},
      {"letters", "abc", Leading::kZero},
      {"1e400", "1e400", Leading::kHuge},
      {"-0", "-0", Leading::kNegativeZero},
      {"+.5", "+.5", Leading::kHalf},
      {"0x10", "0x10", Leading::kZero},  // hex is not a number here: 0, then "x10"
      {"inf", "inf", Leading::kZero},
      {"nan", "nan", Leading::kZero},
      {"full-width digits", "５０", Leading::kZero},
      {"ideographic space before 50", "　50", Leading::kFifty},
      {"50 then 100 000 letters", "50" + std::string(100000, 'x'), Leading::kFifty},
      {"100 000 digits", std::string(100000, '9'), Leading::kHuge},
      {"1e400 as 100 000 characters", "1e4" + std::string(99997, '0'), Leading::kHuge},
  };
}

struct FieldCase {
  std::string option;
  std::vector<std::string> mode;  // the options that make the field count
  // Whether the field accepts each leading number, in the order of Leading.
  bool accepts[5];
};

// start: 0 < n/100 < 1; coefficient: 1..120; centre and size: any 32-bit integer;
// brightness: n * 1.4 rounded within -140..238; gamma: 0.374..2.67; background threshold:
// any 16-bit integer, clamped to 35..200.
const FieldCase kFields[] = {
    //                                                  zero   -0     0.5    50     huge
    {"--start", {}, {false, false, true, true, false}},
    {"--coefficient", {}, {false, false, false, true, false}},
    {"--light-x", {"--mode", "fog"}, {true, true, true, true, false}},
    {"--light-y", {"--mode", "fog"}, {true, true, true, true, false}},
    {"--size", {"--mode", "fog"}, {true, true, true, true, false}},
    {"--brightness", {"--mode", "fog"}, {true, true, true, true, false}},
    {"--gamma", {"--mode", "gamma"}, {false, false, true, false, false}},
    {"--background", {"--mode", "gamma"}, {true, true, true, true, false}},
    {"--background", {}, {true, true, true, true, false}},
    {"--background", {"--mode", "fog"}, {true, true, true, true, false}},
};

void PrintTo(const FieldCase& field, std::ostream* out) {
  *out << field.option;
  for (const auto& option : field.mode) *out << " " << option;
}

std::string NameOf(const FieldCase& field) {
  std::string name = field.option.substr(2) + (field.mode.empty() ? "" : "_" + field.mode[1]);
  for (char& c : name)
    if (c == '-') c = '_';
  return name;
}

class FieldTextTest : public ::testing::TestWithParam<FieldCase> {
 protected:
  FieldTextTest() {
    TestBitmap bitmap;
    bitmap.width = 40;
    bitmap.height = 30;
    picture = bitmap.bytes();
    WriteFile(source(), picture);
  }
  fs::path source() const { return scratch / "photo.bmp"; }
  fs::path result() const { return scratch / "photo_.bmp"; }

  std::vector<std::uint8_t> picture;
  ScratchFolder scratch;
};

TEST_P(FieldTextTest, EveryTextIsAcceptedOrRefusedByItsLeadingNumber) {
  const FieldCase& field = GetParam();
  for (const Text& text : Texts()) {
    SCOPED_TRACE(field.option + " " + text.what);
    fs::remove(result());
    std::vector<std::string> arguments = field.mode;
    arguments.insert(arguments.end(), {field.option, text.text, "--quiet", source().string()});
    const CliRun run = RunCli(arguments);

    ASSERT_FALSE(run.timedOut);
    if (field.accepts[static_cast<int>(text.leading)]) {
      EXPECT_EQ(run.exitCode, 0) << run.err;
      EXPECT_EQ(run.err, "");
      EXPECT_TRUE(fs::exists(result()));
    } else {
      EXPECT_EQ(run.exitCode, 2) << run.err;
      EXPECT_EQ(run.errLines(), 1) << run.err;
      EXPECT_NE(run.err.find(field.option), std::string::npos) << run.err;
      EXPECT_FALSE(fs::exists(result())) << "a refused value touches no file";
    }
    EXPECT_EQ(ReadFile(source()), picture);
  }
}

INSTANTIATE_TEST_SUITE_P(Fields, FieldTextTest, ::testing::ValuesIn(kFields),
                         [](const auto& info) { return NameOf(info.param); });

class FieldOutcomeTest : public FieldTextTest {
 protected:
  // The result of a run that must succeed.
  std::vector<std::uint8_t> resultOf(std::vector<std::string> arguments) {
    arguments.push_back(source().string());
    const CliRun run = RunCli(arguments);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return fs::exists(result()) ? ReadFile(result()) : std::vector<std::uint8_t>{};
  }
};

// Texts that mean the same number give the same picture.
TEST_F(FieldOutcomeTest, TextsAreReadAsTheirLeadingNumber) {
  struct Same {
    std::vector<std::string> typed;
    std::vector<std::string> plain;
  };
  const std::vector<Same> cases = {
      {{"--start", "+.5"}, {"--start", "0.5"}},
      {{"--start", "50" + std::string(100000, 'x')}, {}},
      {{"--start", "　50"}, {}},
      {{"--mode", "fog", "--light-x", "0x10"}, {"--mode", "fog", "--light-x", "0"}},
      {{"--mode", "fog", "--size", "nan"}, {"--mode", "fog", "--size", "0"}},
      {{"--mode", "fog", "--brightness", "-0"}, {"--mode", "fog", "--brightness", "0"}},
      {{"--mode", "gamma", "--gamma", "+.5"}, {"--mode", "gamma", "--gamma", "0.5"}},
      {{"--background", "inf"}, {"--background", "35"}},
      {{"--background", "５０"}, {"--background", "0"}},
      {{"--boundary", "sharp"}, {"--boundary", "Soft"}},
      {{"--boundary", std::string(100000, 'S')}, {}},
  };
  for (const Same& c : cases) {
    SCOPED_TRACE(c.typed[c.typed.size() - 2] + " " + c.typed.back().substr(0, 20));
    EXPECT_EQ(resultOf(c.typed), resultOf(c.plain));
  }
  // A start of 0.5 % changes the corners; the middle stays as it was.
  const auto half = resultOf({"--start", "+.5"});
  ASSERT_EQ(half.size(), picture.size());
  EXPECT_NE(half, picture);
}

TEST_F(FieldOutcomeTest, RefusalsNameTheOptionAndTheText) {
  struct Refused {
    std::vector<std::string> arguments;
    std::string option;
  };
  const std::vector<Refused> cases = {
      {{"--start", "inf"}, "--start"},  // inf is no number: 0, and the start must exceed 0
      {{"--start", "1e400"}, "--start"},
      {{"--coefficient", "５０"}, "--coefficient"},
      {{"--mode", "gamma", "--gamma", "-0"}, "--gamma"},
      {{"--mode", "fog", "--light-y", "-1e400"}, "--light-y"},
      {{"--mode", "fog", "--brightness", "170.4"}, "--brightness"},  // 238.56 rounds to 239
      {{"--mode", "fog", "--size", "2147483647.5"}, "--size"},       // rounds up past the range
  };
  for (const Refused& c : cases) {
    SCOPED_TRACE(c.arguments.back());
    auto arguments = c.arguments;
    arguments.push_back(source().string());
    const CliRun run = RunCli(arguments);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.errLines(), 1) << run.err;
    EXPECT_NE(run.err.find(c.option + " \"" + c.arguments.back() + "\""), std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(result()));
  }
}

// The centre answers follow the dialog: an answer that is no usable coordinate sends the
// centre back to the middle of the picture, with a note, and the file is still done.
TEST_F(FieldOutcomeTest, CentreAnswersOfAnyTextAreDone) {
  const auto centred = resultOf({});
  for (const Text& text : Texts()) {
    SCOPED_TRACE(text.what);
    fs::remove(result());
    // One argument may hold at most 128 KiB, so a long answer goes with a short one.
    const std::string y = text.text.size() > 1000 ? "0" : text.text;
    const CliRun run = RunCli({"--centre", text.text + "," + y, source().string()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_LE(run.errLines(), 1) << run.err;
    EXPECT_EQ(ReadFile(result()), centred);
  }
}

}  // namespace
}  // namespace hosei::test
