#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <tuple>

#include "background.h"
#include "core_test_support.h"
#include "fog.h"
#include "tables.h"
#include "tone_mapping.h"
#include "vignetting.h"

namespace hosei {
namespace {

using test::Bgr;

Bgr Brightened(Bgr pixel, float amount) {
  std::uint8_t bgr[3] = {static_cast<std::uint8_t>(pixel[0]), static_cast<std::uint8_t>(pixel[1]),
                         static_cast<std::uint8_t>(pixel[2])};
  ApplyBrightness(bgr, amount);
  return {bgr[0], bgr[1], bgr[2]};
}

TEST(Values, TransitionCurves) {
  const std::array<double, 4> rows[] = {{0, 0, 0, 0},
                                        {50, 0.028, 0.044, 0.121},
                                        {100, 0.107, 0.164, 0.293},
                                        {150, 0.225, 0.325, 0.450},
                                        {200, 0.364, 0.482, 0.560},
                                        {250, 0.502, 0.589, 0.613},
                                        {300, 0.617, 0.617, 0.617},
                                        {301, 0.619, 0.617, 0.617}};
  for (const auto& row : rows)
    for (int shape = kSoft; shape <= kSharp; ++shape)
      EXPECT_NEAR(TransitionCurve()(shape, static_cast<int>(row[0])), row[1 + shape], 0.0005)
          << row[0] << " shape " << shape;
  // Plateaus hold the single-precision weight exactly; below them Sharp > Intermediate > Soft.
  for (int step = 1; step < kTransitionSteps; ++step) {
    const float soft = TransitionCurve()(kSoft, step), mid = TransitionCurve()(kIntermediate, step),
                sharp = TransitionCurve()(kSharp, step);
    ASSERT_GT(soft, TransitionCurve()(kSoft, step - 1)) << step;
    ASSERT_EQ(mid == 0.6171f, step >= 290) << step;
    ASSERT_EQ(sharp == 0.6171f, step >= 270) << step;
    ASSERT_TRUE(step >= 290 || (sharp > mid && mid > soft)) << step;
  }
}

TEST(Values, ToneRowsAndGammaRows) {
  const int levels[] = {0, 1, 16, 32, 64, 128, 192, 224, 255};
  const std::array<int, 10> tone[] = {{125, 0, 0, 1, 4, 16, 64, 145, 197, 255},
                                      {200, 0, 0, 8, 19, 45, 108, 179, 217, 255},
                                      {250, 0, 1, 16, 32, 64, 128, 192, 224, 255},
                                      {300, 0, 3, 27, 49, 87, 155, 217, 247, 255},
                                      {500, 0, 22, 89, 126, 179, 253, 255, 255, 255},
                                      {700, 0, 61, 163, 209, 255, 255, 255, 255, 255}};
  for (const auto& row : tone)
    for (int i = 0; i < 9; ++i)
      EXPECT_EQ(ToneCurve()(row[0], levels[i]), row[1 + i]) << row[0] << " " << levels[i];
  for (int row = 1; row <= kHighestBrightnessRow; ++row)
    ASSERT_TRUE(ToneCurve()(row, 0) == 0 && ToneCurve()(row, 255) == 255) << row;
  for (int level = 0; level < 256; ++level) ASSERT_EQ(ToneCurve()(kIdentityRow, level), level);

  const int gammaLevels[] = {0, 1, 16, 32, 64, 128, 192, 255};  // 224 not listed
  const std::pair<float, std::array<int, 8>> gamma[] = {
      {0.374f, {0, 0, 0, 1, 6, 40, 119, 255}},     {0.5f, {0, 0, 1, 4, 16, 64, 145, 255}},
      {1.0f, {0, 1, 16, 32, 64, 128, 192, 255}},   {1.5f, {0, 6, 40, 64, 101, 161, 211, 255}},
      {2.0f, {0, 16, 64, 90, 128, 181, 221, 255}}, {2.67f, {0, 32, 90, 117, 152, 197, 229, 255}}};
  for (const auto& [g, values] : gamma) {
    const GammaCurve curve = BuildGammaCurve(g);
    for (int i = 0; i < 8; ++i)
      EXPECT_EQ(curve[gammaLevels[i]], values[i]) << g << " " << gammaLevels[i];
  }
}

TEST(Values, BrightnessRowOfAnAmount) {
  // Ties round upwards (amount 1 lies halfway between rows 252 and 253); the cap is row 700.
  const std::pair<float, int> rows[] = {{0.1f, 250},  {0.3f, 251},   {-0.3f, 249},   {1.0f, 253},
                                        {-1.0f, 248}, {-86.39f, 34}, {146.87f, 617}, {200.0f, 700}};
  for (const auto& [amount, row] : rows) EXPECT_EQ(BrightnessRow(amount), row) << amount;
  EXPECT_TRUE(LeavesPixelUnchanged(0.002f) && LeavesPixelUnchanged(-0.002f));
  EXPECT_FALSE(LeavesPixelUnchanged(0.0021f) || LeavesPixelUnchanged(-0.0021f));
  EXPECT_EQ(Brightened({1, 16, 32}, 200.0f), (Bgr{61, 163, 209}));
}

TEST(Values, VignettingExample) {
  struct Row {
    int x, y, shape;
    float coefficient;
    double amount;  // 0: inside the start radius
    int row;
    Bgr result;
  };
  const Row rows[] = {{320, 240, kSoft, 20, 0, 0, {100, 150, 200}},
                      {520, 240, kSoft, 20, 0, 0, {100, 150, 200}},
                      {600, 240, kSoft, 20, 3.01, 258, {104, 154, 204}},
                      {1, 1, kSoft, 20, 12.22, 281, {116, 167, 216}},
                      {640, 480, kSoft, 20, 12.34, 281, {116, 167, 216}},
                      {600, 240, kSharp, 20, 7.20, 268, {110, 160, 209}},
                      {640, 480, kSoft, 120, 74.05, 435, {193, 244, 255}}};
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << r.x << "," << r.y << " shape " << r.shape);
    const auto g = SetUpVignetting(0.5f, r.coefficient, r.shape, 640, 480, {});
    const float amount = VignettingAmount(g, r.x, r.y);
    EXPECT_NEAR(amount, r.amount, 0.005);
    EXPECT_EQ(r.row == 0 ? 0 : BrightnessRow(amount), r.row);
    EXPECT_EQ(Brightened({100, 150, 200}, amount), r.result);
  }
  // Odd sizes put the centre on a half dot: (W, H) is exactly at the corner distance.
  const auto odd = SetUpVignetting(0.5f, 20, kSoft, 641, 481, {});
  EXPECT_EQ(VignettingAmount(odd, 641, 481),
            static_cast<float>(20 * TransitionCurve()(kSoft, 300)));
  EXPECT_EQ(VignettingAmount(odd, 1, 1), VignettingAmount(odd, 640, 480));
  // The lowest accepted centre: the top-right corner, 640 away, gets the last step.
  const auto moved = SetUpVignetting(0.5f, 20, kSoft, 640, 480, MovedCentre{128, 96, 409600.0f});
  EXPECT_EQ(moved.startRadius, 320.0f);
  EXPECT_FLOAT_EQ(VignettingAmount(moved, 640, 480), 20 * TransitionCurve()(kSoft, 300));
  EXPECT_EQ(VignettingAmount(moved, 1, 1), 0.0f);
}

TEST(Values, FogExample) {
  const FogCircle circle{0, 0, 150, -56, kSoft};  // brightness -40
  const std::tuple<int, double, int> rows[] = {
      {1, -34.23, 164}, {50, -20.24, 199}, {100, -5.89, 235}, {149, -0.0005, 0}};  // 0: unchanged
  for (const auto& [x, expected, row] : rows) {
    const float amount = FogAmount(circle, x, 1);
    EXPECT_NEAR(amount, expected, 0.01) << x;
    EXPECT_EQ(LeavesPixelUnchanged(amount) ? 0 : BrightnessRow(amount), row) << x;
  }
  EXPECT_EQ(Brightened({100, 150, 200}, FogAmount(circle, 1, 1)), (Bgr{61, 114, 176}));
  EXPECT_EQ(FogAmount(circle, 150, 0), 0.0f);
  EXPECT_NEAR(FogAmount({10, 20, 150, 140, kSoft}, 10, 20), 86.39, 0.01);  // the centre itself
  for (int size : {0, -1}) EXPECT_EQ(FogAmount({5, 5, size, 238, kSharp}, 5, 5), 0.0f);
  // 50001 dots away: the squared distance no longer fits 32 bits; the step is 49.
  EXPECT_FLOAT_EQ(FogAmount({-50000, 1, 60000, 100, kSoft}, 1, 1),
                  100 * TransitionCurve()(kSoft, 49));
  EXPECT_EQ(FogAmount({-50000, -50000, 150, 238, kSoft}, 1, 1), 0.0f);
}

TEST(Background, PullsOutstandingChannelsOfDarkPixelsTowardsTheMean) {
  const std::array<int, 7> cases[] = {
      // before (b, g, r), threshold, after (b, g, r)
      {80, 50, 40, 70, 65, 50, 40}, {16, 17, 27, 70, 16, 17, 22},  {16, 26, 26, 70, 16, 26, 26},
      {14, 20, 26, 70, 14, 20, 26}, {10, 40, 10, 70, 10, 25, 10},  {0, 0, 50, 70, 0, 0, 26},
      {51, 0, 0, 70, 28, 0, 0},     {52, 0, 0, 70, 29, 0, 0},      {89, 59, 59, 70, 76, 59, 59},
      {90, 60, 60, 70, 90, 60, 60}, {30, 30, 30, 200, 30, 30, 30}, {0, 0, 255, 200, 0, 0, 134}};
  for (const auto& c : cases) {
    std::uint8_t bgr[3] = {static_cast<std::uint8_t>(c[0]), static_cast<std::uint8_t>(c[1]),
                           static_cast<std::uint8_t>(c[2])};
    AdjustBackground(bgr, c[3]);
    EXPECT_EQ((Bgr{bgr[0], bgr[1], bgr[2]}), (Bgr{c[4], c[5], c[6]}))
        << c[0] << "," << c[1] << "," << c[2];
  }
}

}  // namespace
}  // namespace hosei
