#include "tables.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <ostream>

#include "core_test_support.h"
#include "tone_mapping.h"

namespace hosei {
namespace {

using test::Bgr;

class TransitionCurveTest : public test::WithTables {};

TEST_F(TransitionCurveTest, MatchesCheckingValuesToThreePlaces) {
  struct Row {
    int step;
    double soft, intermediate, sharp;
  };
  const Row rows[] = {{0, 0, 0, 0},
                      {50, 0.028, 0.044, 0.121},
                      {100, 0.107, 0.164, 0.293},
                      {150, 0.225, 0.325, 0.450},
                      {200, 0.364, 0.482, 0.560},
                      {250, 0.502, 0.589, 0.613},
                      {300, 0.617, 0.617, 0.617},
                      {301, 0.619, 0.617, 0.617}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.step);
    EXPECT_NEAR(TransitionCurve(kSoft, row.step), row.soft, 0.0005);
    EXPECT_NEAR(TransitionCurve(kIntermediate, row.step), row.intermediate, 0.0005);
    EXPECT_NEAR(TransitionCurve(kSharp, row.step), row.sharp, 0.0005);
  }
}

TEST_F(TransitionCurveTest, PlateausHoldExactlyTheSinglePrecisionWeight) {
  for (int step = 290; step <= 301; ++step)
    EXPECT_EQ(TransitionCurve(kIntermediate, step), 0.6171f);
  for (int step = 270; step <= 301; ++step) EXPECT_EQ(TransitionCurve(kSharp, step), 0.6171f);
  // Just below the plateau the formula still rules, so the value is not the constant.
  EXPECT_LT(TransitionCurve(kIntermediate, 289), 0.6171f);
  EXPECT_LT(TransitionCurve(kSharp, 269), 0.6171f);
  // Soft has no plateau: it is still rising at the very last step.
  EXPECT_GT(TransitionCurve(kSoft, 301), TransitionCurve(kSoft, 300));
}

TEST_F(TransitionCurveTest, StartsAtZeroRisesAndSharpLeadsIntermediateLeadsSoft) {
  for (int shape = kSoft; shape <= kSharp; ++shape) {
    EXPECT_EQ(TransitionCurve(shape, 0), 0.0f) << shape;
    for (int step = 1; step < kTransitionSteps; ++step)
      ASSERT_GE(TransitionCurve(shape, step), TransitionCurve(shape, step - 1))
          << shape << " " << step;
  }
  for (int step = 1; step <= 289; ++step) {
    ASSERT_GT(TransitionCurve(kSharp, step), TransitionCurve(kIntermediate, step)) << step;
    ASSERT_GT(TransitionCurve(kIntermediate, step), TransitionCurve(kSoft, step)) << step;
  }
}

class ToneCurveTest : public test::WithTables {};

TEST_F(ToneCurveTest, SampleRowsMatch) {
  const int levels[] = {0, 1, 16, 32, 64, 128, 192, 224, 255};
  struct Row {
    int row;
    std::array<int, 9> values;
  };
  const Row rows[] = {{125, {0, 0, 1, 4, 16, 64, 145, 197, 255}},
                      {200, {0, 0, 8, 19, 45, 108, 179, 217, 255}},
                      {250, {0, 1, 16, 32, 64, 128, 192, 224, 255}},
                      {300, {0, 3, 27, 49, 87, 155, 217, 247, 255}},
                      {500, {0, 22, 89, 126, 179, 253, 255, 255, 255}},
                      {700, {0, 61, 163, 209, 255, 255, 255, 255, 255}}};
  for (const Row& row : rows)
    for (std::size_t i = 0; i < row.values.size(); ++i)
      EXPECT_EQ(ToneCurve(row.row, levels[i]), row.values[i])
          << "row " << row.row << " level " << levels[i];
}

TEST_F(ToneCurveTest, IdentityRowAndFixedEndsOnEveryRow) {
  for (int level = 0; level < 256; ++level) ASSERT_EQ(ToneCurve(kIdentityRow, level), level);
  for (int row = 1; row <= kHighestBrightnessRow; ++row) {
    ASSERT_EQ(ToneCurve(row, 0), 0) << row;
    ASSERT_EQ(ToneCurve(row, 255), 255) << row;
  }
}

struct GammaRow {
  float gamma;
  std::array<int, 8> values;  // levels 0, 1, 16, 32, 64, 128, 192, 255
};

void PrintTo(const GammaRow& row, std::ostream* out) { *out << "gamma " << row.gamma; }

class GammaCurveTest : public ::testing::TestWithParam<GammaRow> {};

TEST_P(GammaCurveTest, MatchesCheckingValues) {
  const int levels[] = {0, 1, 16, 32, 64, 128, 192, 255};
  ToneCurve.buildGammaRow(GetParam().gamma);
  for (std::size_t i = 0; i < 8; ++i)
    EXPECT_EQ(ToneCurve(kGammaRow, levels[i]), GetParam().values[i]) << "level " << levels[i];
}

INSTANTIATE_TEST_SUITE_P(CheckingTable, GammaCurveTest,
                         ::testing::Values(GammaRow{0.374f, {0, 0, 0, 1, 6, 40, 119, 255}},
                                           GammaRow{0.5f, {0, 0, 1, 4, 16, 64, 145, 255}},
                                           GammaRow{1.0f, {0, 1, 16, 32, 64, 128, 192, 255}},
                                           GammaRow{1.5f, {0, 6, 40, 64, 101, 161, 211, 255}},
                                           GammaRow{2.0f, {0, 16, 64, 90, 128, 181, 221, 255}},
                                           GammaRow{2.67f, {0, 32, 90, 117, 152, 197, 229, 255}}));

class BrightnessMappingTest : public test::WithTables {};

TEST_F(BrightnessMappingTest, RowOfAnAmountRoundsTiesUpwardsAndCapsAt700) {
  EXPECT_EQ(BrightnessRow(0.1f), 250);
  EXPECT_EQ(BrightnessRow(0.3f), 251);
  EXPECT_EQ(BrightnessRow(-0.3f), 249);
  // Amount 1 lies halfway between rows 252 and 253, amount -1 between 247 and 248.
  EXPECT_EQ(BrightnessRow(1.0f), 253);
  EXPECT_EQ(BrightnessRow(-1.0f), 248);
  EXPECT_EQ(BrightnessRow(-86.39f), 34);
  EXPECT_EQ(BrightnessRow(146.87f), 617);
  EXPECT_EQ(BrightnessRow(200.0f), 700);
}

TEST_F(BrightnessMappingTest, EveryChannelGoesThroughTheRowOfTheAmount) {
  EXPECT_TRUE(LeavesPixelUnchanged(0.002f));
  EXPECT_TRUE(LeavesPixelUnchanged(-0.002f));
  EXPECT_FALSE(LeavesPixelUnchanged(0.0021f));
  EXPECT_FALSE(LeavesPixelUnchanged(-0.0021f));
  using test::Brightened;
  EXPECT_EQ(Brightened({40, 100, 200}, 0.1f), (Bgr{40, 100, 200}));  // row 250
  EXPECT_EQ(Brightened({16, 64, 128}, -20.0f), (Bgr{8, 45, 108}));   // row 200
  EXPECT_EQ(Brightened({16, 64, 128}, 20.0f), (Bgr{27, 87, 155}));   // row 300
  EXPECT_EQ(Brightened({1, 16, 64}, 100.0f), (Bgr{22, 89, 179}));    // row 500
  EXPECT_EQ(Brightened({1, 16, 32}, 180.0f), (Bgr{61, 163, 209}));   // row 700
  EXPECT_EQ(Brightened({1, 16, 32}, 200.0f), (Bgr{61, 163, 209}));   // capped at row 700
}

}  // namespace
}  // namespace hosei
