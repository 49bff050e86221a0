#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>

#include "background.h"
#include "core_test_support.h"
#include "correction.h"
#include "fog.h"
#include "tone_mapping.h"
#include "vignetting.h"

namespace hosei {
namespace {

using test::Bgr;
using test::Brightened;

const Bgr kSample = {100, 150, 200};

// The worked example: 640 x 480, start 50 %, coefficient 20, default centre.
struct VignettingRow {
  int x, y;
  int shape;
  float coefficient;
  double amount;  // 0 when the pixel lies inside the start radius
  int row;
  Bgr result;
};

void PrintTo(const VignettingRow& row, std::ostream* out) {
  *out << "(" << row.x << ", " << row.y << ") shape " << row.shape << " c " << row.coefficient;
}

class VignettingExampleTest : public test::WithTables,
                              public ::testing::WithParamInterface<VignettingRow> {};

TEST_P(VignettingExampleTest, AmountRowAndPixel) {
  const VignettingRow& p = GetParam();
  const VignettingGeometry g = SetUpVignetting(0.5f, p.coefficient, p.shape, 640, 480, {});
  const float amount = VignettingAmount(g, p.x, p.y);
  if (p.amount == 0) {
    EXPECT_EQ(amount, 0.0f);
  } else {
    EXPECT_NEAR(amount, p.amount, 0.005);
    EXPECT_EQ(BrightnessRow(amount), p.row);
  }
  EXPECT_EQ(Brightened(kSample, amount), p.result);
}

INSTANTIATE_TEST_SUITE_P(
    Example640x480, VignettingExampleTest,
    ::testing::Values(VignettingRow{320, 240, kSoft, 20, 0, 0, {100, 150, 200}},
                      VignettingRow{520, 240, kSoft, 20, 0, 0, {100, 150, 200}},
                      VignettingRow{600, 240, kSoft, 20, 3.01, 258, {104, 154, 204}},
                      VignettingRow{1, 1, kSoft, 20, 12.22, 281, {116, 167, 216}},
                      VignettingRow{640, 480, kSoft, 20, 12.34, 281, {116, 167, 216}},
                      VignettingRow{600, 240, kSharp, 20, 7.20, 268, {110, 160, 209}},
                      VignettingRow{640, 480, kSoft, 120, 74.05, 435, {193, 244, 255}}));

class VignettingTest : public test::WithTables {};

TEST_F(VignettingTest, FarCornerGetsTheLastStepAndTheFirstPixelSlightlyLess) {
  const VignettingGeometry g = SetUpVignetting(0.5f, 20, kSoft, 640, 480, {});
  EXPECT_EQ(VignettingAmount(g, 640, 480), static_cast<float>(20 * TransitionCurve(kSoft, 300)));
  EXPECT_EQ(VignettingAmount(g, 1, 1), static_cast<float>(20 * TransitionCurve(kSoft, 297)));
  // Odd sizes put the centre on a half dot, (320.5, 240.5): the pixel (W, H) is still exactly
  // at the corner distance, and (1, 1) mirrors (640, 480).
  const VignettingGeometry odd = SetUpVignetting(0.5f, 20, kSoft, 641, 481, {});
  EXPECT_EQ(VignettingAmount(odd, 641, 481), static_cast<float>(20 * TransitionCurve(kSoft, 300)));
  EXPECT_EQ(VignettingAmount(odd, 1, 1), VignettingAmount(odd, 640, 480));
}

TEST_F(VignettingTest, LateStartChangesOnlyTheCorners) {
  const VignettingGeometry g = SetUpVignetting(0.99f, 20, kSoft, 640, 480, {});
  EXPECT_EQ(VignettingAmount(g, 1, 240), 0.0f);
  EXPECT_EQ(VignettingAmount(g, 320, 480), 0.0f);
  EXPECT_EQ(VignettingAmount(g, 10, 10), 0.0f);
  EXPECT_GT(VignettingAmount(g, 640, 480), 0.002f);
  EXPECT_GT(VignettingAmount(g, 1, 1), 0.002f);
}

TEST_F(VignettingTest, MovedCentreReachesTheFarthestCorner) {
  // The lowest centre the move accepts on 640 x 480; the top-right corner is 640 away.
  const MovedCentre moved{128, 96, 512.0f * 512.0f + 384.0f * 384.0f};
  const VignettingGeometry g = SetUpVignetting(0.5f, 20, kSoft, 640, 480, moved);
  EXPECT_EQ(g.cornerDistanceSquared, 640.0 * 640.0);
  EXPECT_EQ(g.cornerDistance, 640.0f);
  EXPECT_EQ(g.startRadius, 320.0f);
  const float topRight = VignettingAmount(g, 640, 480);
  EXPECT_FLOAT_EQ(topRight, 20 * TransitionCurve(kSoft, 300));
  EXPECT_EQ(Brightened(kSample, topRight), (Bgr{116, 167, 216}));
  EXPECT_EQ(VignettingAmount(g, 1, 1), 0.0f);
  EXPECT_LT(VignettingAmount(g, 1, 480), topRight);
  EXPECT_LT(VignettingAmount(g, 640, 1), topRight);
}

class FogTest : public test::WithTables {};

TEST_F(FogTest, WorkedExampleWithThePanelDefaults) {
  const FogCircle circle{0, 0, 150, -56, kSoft};  // brightness -40
  struct Row {
    int x;
    double amount;
    int row;  // 0: the pixel stays as it is
  };
  for (const Row& r : {Row{1, -34.23, 164}, Row{50, -20.24, 199}, Row{100, -5.89, 235},
                       Row{149, -0.0005, 0}, Row{150, 0, 0}}) {
    const float amount = FogAmount(circle, r.x, 1);
    EXPECT_NEAR(amount, r.amount, 0.01) << r.x;
    if (r.row == 0)
      EXPECT_TRUE(LeavesPixelUnchanged(amount)) << r.x;
    else
      EXPECT_EQ(BrightnessRow(amount), r.row) << r.x;
  }
  EXPECT_EQ(Brightened(kSample, FogAmount(circle, 1, 1)), (Bgr{61, 114, 176}));
  EXPECT_EQ(FogAmount(circle, 150, 0), 0.0f);  // exactly at the radius
}

TEST_F(FogTest, CentreGetsTheFullWeight) {
  const FogCircle circle{10, 20, 150, 140, kSoft};  // brightness 100
  const float amount = FogAmount(circle, 10, 20);
  EXPECT_NEAR(amount, 86.39, 0.01);
  EXPECT_EQ(BrightnessRow(amount), 466);
}

TEST_F(FogTest, NoSizeMeansNoChange) {
  for (int size : {0, -1, -150}) {
    const FogCircle circle{5, 5, size, 238, kSharp};
    EXPECT_EQ(FogAmount(circle, 5, 5), 0.0f) << size;
    EXPECT_EQ(FogAmount(circle, 6, 5), 0.0f) << size;
  }
}

TEST_F(FogTest, SharperShapesChangeAtLeastAsMuch) {
  for (int x = 0; x < 150; ++x) {
    const float soft = FogAmount({0, 0, 150, 100, kSoft}, x, 0);
    const float intermediate = FogAmount({0, 0, 150, 100, kIntermediate}, x, 0);
    const float sharp = FogAmount({0, 0, 150, 100, kSharp}, x, 0);
    ASSERT_GE(sharp, intermediate) << x;
    ASSERT_GE(intermediate, soft) << x;
  }
}

TEST_F(FogTest, CentreFarOutsideThePictureStillMeasuresTheTrueDistance) {
  // 50001 dots away: the squared distance no longer fits 32 bits. With the radius 60000 the
  // pixel lies at step floor(300 - 50001 / 60000 * 300) = 49.
  EXPECT_FLOAT_EQ(FogAmount({-50000, 1, 60000, 100, kSoft}, 1, 1),
                  100 * TransitionCurve(kSoft, 49));
  EXPECT_EQ(FogAmount({-50000, -50000, 150, 238, kSoft}, 1, 1), 0.0f);
}

Bgr Adjusted(Bgr pixel, int threshold) {
  std::uint8_t bgr[3] = {static_cast<std::uint8_t>(pixel[0]), static_cast<std::uint8_t>(pixel[1]),
                         static_cast<std::uint8_t>(pixel[2])};
  AdjustBackground(bgr, threshold);
  return {bgr[0], bgr[1], bgr[2]};
}

TEST(BackgroundAdjustment, PullsOutstandingChannelsOfDarkPixelsTowardsTheMean) {
  struct Case {
    Bgr before;
    int threshold;
    Bgr after;
  };
  const Case cases[] = {
      {{80, 50, 40}, 70, {65, 50, 40}},   // mean 57 (170 / 3): only blue stands out
      {{16, 17, 27}, 70, {16, 17, 22}},   // mean 20: red at mean + 7 changes
      {{16, 26, 26}, 70, {16, 26, 26}},   // mean 23 (22.67): mean + 3 is left alone
      {{14, 20, 26}, 70, {14, 20, 26}},   // mean 20: red at mean + 6 keeps its value
      {{10, 40, 10}, 70, {10, 25, 10}},   // green (3 * 40 + 10 * 20) / 13 = 24.6
      {{0, 0, 50}, 70, {0, 0, 26}},       // mean 17 (16.67), red 185 / 7 = 26.4
      {{51, 0, 0}, 70, {28, 0, 0}},       // mean 17, blue 85 / 3 = 28.3
      {{52, 0, 0}, 70, {29, 0, 0}},       // mean 17 (17.33), blue 86 / 3 = 28.7
      {{89, 59, 59}, 70, {76, 59, 59}},   // mean 69: still background
      {{90, 60, 60}, 70, {90, 60, 60}},   // mean 70: not background
      {{30, 30, 30}, 200, {30, 30, 30}},  // grey never changes
      {{0, 0, 255}, 200, {0, 0, 134}},    // mean 85, red (510 + 425) / 7 = 133.6
  };
  for (const Case& c : cases)
    EXPECT_EQ(Adjusted(c.before, c.threshold), c.after)
        << c.before[0] << "," << c.before[1] << "," << c.before[2];
}

}  // namespace
}  // namespace hosei
