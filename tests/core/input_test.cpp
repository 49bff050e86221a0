#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <variant>
#include <vector>

#include "centre_move.h"
#include "core_test_support.h"
#include "file_names.h"
#include "formatted.h"
#include "leading_number.h"
#include "parameter_table.h"
#include "parameters.h"
#include "tone_mapping.h"

namespace hosei {
namespace {

constexpr double kRefused = std::numeric_limits<double>::quiet_NaN();

TEST(LeadingNumber, ReadsTheNumberAtTheStart) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::pair<const char*, double> cases[] = {
      {"  12abc", 12}, {"+.5", 0.5},     {"1.5.5", 1.5},  {"1,000", 1}, {"0x10", 0},
      {"inf", 0},      {"nan", 0},       {"2.5E-1", .25}, {"12e+", 12}, {"1e-400", 0},
      {"1e400", inf},  {"-1e400", -inf}, {"１２", 0},     {"", 0},      {"-", 0},
      {"+-5", 0},      {"\u3000 12", 12}};
  for (const auto& [text, value] : cases) EXPECT_EQ(LeadingNumber(text), value) << text;
}

// One typed text in one field; the value the run takes, or kRefused when it names that field.
double Taken(Field field, const char* text) {
  const auto mode = DeclarationOf(field).mode.value_or(Mode::kVignetting);
  const FieldTexts texts = test::Texts(mode, {{field, text}}, field == Field::kThreshold);
  const auto read = ReadParameters(texts);
  if (const auto* refusal = std::get_if<Refusal>(&read)) {
    EXPECT_EQ(refusal->field, field) << text;
    return kRefused;
  }
  const Parameters& p = std::get<Parameters>(read);
  const double values[] = {p.startFraction,
                           p.coefficient,
                           static_cast<double>(p.lightX),
                           static_cast<double>(p.lightY),
                           static_cast<double>(p.size),
                           static_cast<double>(p.brightness),
                           p.gamma,
                           static_cast<double>(p.shape),
                           static_cast<double>(p.threshold)};
  return values[static_cast<int>(field)];
}

void ExpectTaken(Field field, std::initializer_list<std::pair<const char*, double>> cases) {
  for (const auto& [text, value] : cases) {
    const double taken = Taken(field, text);
    EXPECT_TRUE(std::isnan(value) ? std::isnan(taken) : taken == value) << text << ": " << taken;
  }
}

TEST(ReadParameters, Boundaries) {
  const double no = kRefused;
  ExpectTaken(Field::kStart, {{"99", 0.99f}, {"1", 0.01f}, {"100", no}, {"0", no}});
  ExpectTaken(Field::kCoefficient, {{"120", 120}, {"1", 1}, {"121", no}, {"0.5", no}});
  ExpectTaken(
      Field::kBrightness,
      {{"170.3", 238}, {"170.4", no}, {"-100", -140}, {"-101", no}, {"0.3", 0}, {"0.4", 1}});
  ExpectTaken(Field::kLightX, {{"12.5", 12}, {"13.5 dots", 14}, {"-3000", -3000}, {"1e400", no}});
  ExpectTaken(Field::kLightY, {{"-0.5", 0}});
  ExpectTaken(Field::kSize, {{"-7", -7}, {"2147483647.4", 2147483647}, {"2147483647.5", no}});
  ExpectTaken(Field::kGamma,
              {{"2.67000001", 2.67f}, {"0.3739999999", 0.374f}, {"2.68", no}, {"0.37", no}});
  ExpectTaken(Field::kThreshold,
              {{"70", 70}, {"20", 35}, {"dark", 35}, {"250", 200}, {"35.5", 36}, {"1e400", no}});
}

TEST(ReadParameters, ReadsOnlyWhatTheRunUsesAndTheExactBoundaryName) {
  FieldTexts t = test::Texts(
      Mode::kGamma,
      {{Field::kStart, "100"}, {Field::kBrightness, "500"}, {Field::kThreshold, "1e400"}});
  for (const auto& [name, shape] : {std::pair{"Intermediate", kIntermediate},
                                    std::pair{"Sharp", kSharp}, std::pair{"sharp", kSoft}}) {
    t[Field::kBoundary] = name;
    const auto read = ReadParameters(t);
    ASSERT_TRUE(std::holds_alternative<Parameters>(read)) << name;
    EXPECT_EQ(std::get<Parameters>(read).shape, shape) << name;
  }
}

TEST(CentreMove, RangesAndDefaults) {
  const auto rule = CentreMoveRuleFor(640, 480);
  ASSERT_TRUE(rule);
  EXPECT_EQ((std::array{rule->lowX, rule->highX, rule->lowY, rule->highY}),
            (std::array{128, 512, 96, 384}));
  const auto odd = CentreMoveRuleFor(641, 479);
  EXPECT_EQ((std::array{odd->lowX, odd->highX, odd->lowY, odd->highY}),
            (std::array{128, 513, 95, 384}));
  for (const auto& [w, h] : {std::pair{0, 480}, std::pair{640, 0}, std::pair{-640, 480}})
    EXPECT_FALSE(CentreMoveRuleFor(w, h)) << w << "x" << h;

  EXPECT_EQ(CentreDefaultX(*rule, std::nullopt), " 320");
  EXPECT_EQ(CentreDefaultY(*rule, MovedCentre{400, 250, 0}), " 250");
  EXPECT_EQ(NumberText(-4), "-4");
}

TEST(CentreMove, AnswersGiveTheCentreAndTheFarCornerDistance) {
  struct Case {
    int width;
    const char* x;
    const char* y;
    std::optional<MovedCentre> moved;
  };
  const Case cases[] = {
      {640, "400", "240", MovedCentre{400, 240, 400.0f * 400 + 240.0f * 240}},
      {640, "128", "96", MovedCentre{128, 96, 640.0f * 640}},
      {640, "512", "384", MovedCentre{512, 384, 640.0f * 640}},
      {640, "300.5", "200", MovedCentre{300, 200, 340.0f * 340 + 280.0f * 280}},
      {640, "301.5", " 250", MovedCentre{302, 250, 338.0f * 338 + 250.0f * 250}},
      {641, "320", "240", MovedCentre{320, 240, 321.0f * 321 + 240.0f * 240}},
      {640, "320", "240", std::nullopt},  // the image centre itself
      {640, "", "240", std::nullopt},     // cancelled
      {640, "127", "240", std::nullopt},
      {640, "513", "240", std::nullopt},
      {640, "400", "90", std::nullopt},
      {640, "centre", "240", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.x) + " / " + c.y);
    const auto moved = CentreFromAnswers(*CentreMoveRuleFor(c.width, 480), c.x, c.y);
    ASSERT_EQ(moved.has_value(), c.moved.has_value());
    if (!moved) continue;
    EXPECT_EQ(std::tie(moved->x, moved->y, moved->farCornerDistanceSquared),
              std::tie(c.moved->x, c.moved->y, c.moved->farCornerDistanceSquared));
  }
}

TEST(FileNames, LastFourCharactersMakeWay) {
  const std::pair<const char*, std::optional<std::string>> result[] = {
      {"/d/photo/a.BMP", "/d/photo/a_.bmp"},
      {"x.jpeg", "x._.bmp"},
      {"/p/abcd", "/p/_.bmp"},
      {"/p/風景写真.bmp", "/p/風景写真_.bmp"},
      {"/p/a.ビットマ", "/p/a._.bmp"},
      {"/p/abc", std::nullopt},
      {"/p/写真", std::nullopt},
      {"", std::nullopt}};
  for (const auto& [in, out] : result) EXPECT_EQ(ResultFileName(in), out) << in;
  EXPECT_EQ(ResultFileNameIn("/out/", "/in/写真.bmp"), "/out/写真_.bmp");
  EXPECT_EQ(ResultFileNameIn("/out", "/in/abc"), std::nullopt);
  const std::array<const char*, 3> copy[] = {{"/opt/hosei/", "a.bmp", "/opt/hosei/_a.bmp"},
                                             {"/", "a.bmp", "/_a.bmp"},
                                             {"/opt", "x.jpeg", "/opt/_x..bmp"},
                                             {"/opt", "写真.bmp", "/opt/_写真.bmp"}};
  for (const auto& c : copy) EXPECT_EQ(DisplayCopyName(c[0], c[1]), c[2]) << c[1];
  EXPECT_EQ(DisplayCopyName("/opt", "写真"), std::nullopt);
}

// The bounds each front end words a refusal with: the numbers the conversions check, and
// for the rounded and clamped ones both ranges.
TEST(Refusal, AcceptedValuesAreTheBoundsTheConversionChecks) {
  const std::pair<Field, std::vector<std::string>> cases[] = {
      {Field::kStart, {"0", "100"}},
      {Field::kCoefficient, {"1", "120"}},
      {Field::kLightX, {"-2147483648", "2147483647"}},
      {Field::kBrightness, {"-100", "170", "1.4", "-140", "238"}},
      {Field::kGamma, {"0.374", "2.67"}},
      {Field::kBoundary, {"Soft", "Intermediate", "Sharp"}},
      {Field::kThreshold, {"-32768", "32767", "35", "200"}},
  };
  for (const auto& [field, values] : cases)
    EXPECT_EQ(AcceptedValues(DeclarationOf(field)), values) << DeclarationOf(field).option;
}

// A catalogue's pattern may quote the values in another order, and a note may quote seven.
TEST(Refusal, PatternsQuoteTheirValuesInTheirOwnOrder) {
  EXPECT_EQ(Formatted("%2$s ビットの PNG に %1$s ビットの行", {"8", "16"}),
            "16 ビットの PNG に 8 ビットの行");
  EXPECT_EQ(Formatted("%s,%s %s-%s %s-%s %s", {"a", "b", "1", "2", "3", "4", "5"}),
            "a,b 1-2 3-4 5");
  EXPECT_EQ(Formatted("100%% %s", {"50%s"}), "100% 50%s");
}

}  // namespace
}  // namespace hosei
