#include "parameters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>
#include <variant>

#include "leading_number.h"
#include "tone_mapping.h"

namespace hosei {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kRefused = std::numeric_limits<double>::quiet_NaN();

struct LeadingCase {
  const char* text;
  double value;
};

void PrintTo(const LeadingCase& c, std::ostream* out) { *out << '"' << c.text << '"'; }

class LeadingNumberTest : public ::testing::TestWithParam<LeadingCase> {};

TEST_P(LeadingNumberTest, ReadsTheNumberAtTheStart) {
  EXPECT_EQ(LeadingNumber(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    FieldTexts, LeadingNumberTest,
    ::testing::Values(LeadingCase{"55.5", 55.5}, LeadingCase{"  12abc", 12}, LeadingCase{"\t7", 7},
                      LeadingCase{"-40", -40}, LeadingCase{"+.5", 0.5}, LeadingCase{"5.", 5},
                      LeadingCase{"-0", 0}, LeadingCase{"1.5.5", 1.5}, LeadingCase{"1,000", 1},
                      LeadingCase{"0x10", 0}, LeadingCase{"inf", 0}, LeadingCase{"nan", 0},
                      LeadingCase{"-inf", 0}, LeadingCase{"1e3", 1000}, LeadingCase{"2.5E-1", 0.25},
                      LeadingCase{"12e", 12}, LeadingCase{"12e+", 12}, LeadingCase{"1e-400", 0},
                      LeadingCase{"1e400", kInfinity}, LeadingCase{"-1e400", -kInfinity},
                      LeadingCase{"１２", 0}, LeadingCase{"", 0}, LeadingCase{".", 0},
                      LeadingCase{"-", 0}, LeadingCase{"+-5", 0}));

TEST(RoundToRange, RoundsTiesToEvenAndRefusesWhatLeavesTheRange) {
  EXPECT_EQ(RoundToRange(2.5, -10, 10), 2);
  EXPECT_EQ(RoundToRange(3.5, -10, 10), 4);
  EXPECT_EQ(RoundToRange(-2.5, -10, 10), -2);
  EXPECT_EQ(RoundToRange(10.5, -10, 10), 10);
  EXPECT_EQ(RoundToRange(10.6, -10, 10), std::nullopt);
  EXPECT_EQ(RoundToRange(kInfinity, -10, 10), std::nullopt);
}

// Types `text` into one field of the main window's initial texts, in `mode`, and returns
// the value the run takes from it; NaN when the run refuses that field.
template <typename Get>
double Taken(Mode mode, std::string FieldTexts::*field, const char* text, Field refused, Get get) {
  FieldTexts texts;
  texts.mode = mode;
  texts.*field = text;
  texts.background = field == &FieldTexts::threshold;
  const auto read = ReadParameters(texts);
  if (const auto* refusal = std::get_if<Refusal>(&read)) {
    EXPECT_EQ(refusal->field, refused) << text;
    return kRefused;
  }
  return get(std::get<Parameters>(read));
}

// NaN never equals itself; a refusal is expected exactly where NaN is written.
void ExpectTaken(double taken, double expected, const char* text) {
  if (std::isnan(expected))
    EXPECT_TRUE(std::isnan(taken)) << '"' << text << "\" gave " << taken;
  else
    EXPECT_EQ(taken, expected) << '"' << text << '"';
}

struct Typed {
  const char* text;
  double value;
};

TEST(ReadParameters, StartAndCoefficient) {
  for (const Typed& t : {Typed{"99", 0.99f}, Typed{"1", 0.01f}, Typed{"100", kRefused},
                         Typed{"0", kRefused}, Typed{"half", kRefused}})
    ExpectTaken(Taken(Mode::kVignetting, &FieldTexts::start, t.text, Field::kStart,
                      [](const Parameters& p) { return p.startFraction; }),
                t.value, t.text);
  for (const Typed& t : {Typed{"120", 120}, Typed{"1", 1}, Typed{"121", kRefused},
                         Typed{"0.5", kRefused}, Typed{"1e400", kRefused}})
    ExpectTaken(Taken(Mode::kVignetting, &FieldTexts::coefficient, t.text, Field::kCoefficient,
                      [](const Parameters& p) { return p.coefficient; }),
                t.value, t.text);
}

TEST(ReadParameters, BrightnessIsTakenTimes1_4AndRounded) {
  for (const Typed& t : {Typed{"170", 238}, Typed{"170.3", 238}, Typed{"170.4", kRefused},
                         Typed{"171", kRefused}, Typed{"-100", -140}, Typed{"-101", kRefused},
                         Typed{"0.3", 0}, Typed{"0.4", 1}, Typed{"-40", -56}})
    ExpectTaken(Taken(Mode::kFog, &FieldTexts::brightness, t.text, Field::kBrightness,
                      [](const Parameters& p) { return p.brightness; }),
                t.value, t.text);
}

TEST(ReadParameters, CentreAndSizeAreRoundedTiesToEvenAndNotLimited) {
  for (const Typed& t :
       {Typed{"12.5", 12}, Typed{"13.5 dots", 14}, Typed{"-3000", -3000}, Typed{"1e400", kRefused}})
    ExpectTaken(Taken(Mode::kFog, &FieldTexts::lightX, t.text, Field::kLightX,
                      [](const Parameters& p) { return p.lightX; }),
                t.value, t.text);
  ExpectTaken(Taken(Mode::kFog, &FieldTexts::lightY, "-0.5", Field::kLightY,
                    [](const Parameters& p) { return p.lightY; }),
              0, "-0.5");
  ExpectTaken(Taken(Mode::kFog, &FieldTexts::size, "-7", Field::kSize,
                    [](const Parameters& p) { return p.size; }),
              -7, "-7");
}

TEST(ReadParameters, GammaIsComparedInSinglePrecision) {
  // 2.67000001 and 0.3739999999 round onto the limits themselves.
  for (const Typed& t : {Typed{"2.67", 2.67f}, Typed{"0.374", 0.374f}, Typed{"2.67000001", 2.67f},
                         Typed{"0.3739999999", 0.374f}, Typed{"2.68", kRefused},
                         Typed{"0.37", kRefused}, Typed{"1e400", kRefused}})
    ExpectTaken(Taken(Mode::kGamma, &FieldTexts::gamma, t.text, Field::kGamma,
                      [](const Parameters& p) { return p.gamma; }),
                t.value, t.text);
}

TEST(ReadParameters, ThresholdIsClampedNotRefused) {
  for (const Typed& t :
       {Typed{"70", 70}, Typed{"20", 35}, Typed{"0", 35}, Typed{"10", 35}, Typed{"dark", 35},
        Typed{"250", 200}, Typed{"35.5", 36}, Typed{"1e400", kRefused}})
    ExpectTaken(Taken(Mode::kVignetting, &FieldTexts::threshold, t.text, Field::kThreshold,
                      [](const Parameters& p) { return p.threshold; }),
                t.value, t.text);
}

TEST(ReadParameters, ReadsOnlyWhatTheRunUses) {
  FieldTexts t;
  t.mode = Mode::kGamma;
  t.start = "100";
  t.brightness = "500";
  t.threshold = "1e400";  // background off: not read
  t.boundary = "Intermediate";
  const auto read = ReadParameters(t);
  ASSERT_TRUE(std::holds_alternative<Parameters>(read));
  EXPECT_FALSE(std::get<Parameters>(read).background);
  EXPECT_EQ(std::get<Parameters>(read).shape, kIntermediate);

  t.boundary = "Sharp";
  EXPECT_EQ(std::get<Parameters>(ReadParameters(t)).shape, kSharp);
  t.boundary = "sharp";  // exact, case-sensitive: anything else is Soft
  EXPECT_EQ(std::get<Parameters>(ReadParameters(t)).shape, kSoft);
}

}  // namespace
}  // namespace hosei
