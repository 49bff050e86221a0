// The fast path (bands of equal change, byte tables, vector loops, rows streamed through
// worker threads) must give exactly the bytes of the plain per-pixel correction.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "background.h"
#include "centre_move.h"
#include "correction.h"
#include "execute.h"
#include "pixel_loops.h"
#include "reference_correction.h"
#include "tables.h"
#include "test_bitmap.h"

namespace hosei::test {
namespace {

class Random {
 public:
  explicit Random(unsigned seed) : engine_(seed) {}
  int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine_); }
  double real(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(engine_);
  }
  bool chance(double p) { return std::bernoulli_distribution(p)(engine_); }

 private:
  std::mt19937 engine_;
};

PixelBlock RandomBlock(Random& random, int width, int height) {
  PixelBlock block((static_cast<std::size_t>(width) * 3 + 3) / 4 * 4,
                   static_cast<std::size_t>(height));
  // Smooth gradients with noise, dark patches included, like a photo with background.
  const int darkness = random.between(0, 3);
  for (std::size_t i = 0; i < block.size(); ++i)
    block.data()[i] = static_cast<std::uint8_t>(random.between(0, 255) >> darkness);
  return block;
}

Parameters RandomParameters(Random& random, int width, int height) {
  Parameters p;
  p.mode = static_cast<Mode>(random.between(1, 3));
  p.shape = random.between(0, 2);
  p.startFraction = static_cast<float>(random.real(0.001, 0.999));
  if (random.chance(0.2)) p.startFraction = 0.99999994f;
  p.coefficient =
      static_cast<float>(random.chance(0.5) ? random.between(1, 120) : random.real(1, 120));
  const int reach = 3 * std::max(width, height);
  p.lightX = random.between(-reach, reach);
  p.lightY = random.between(-reach, reach);
  if (random.chance(0.05)) p.lightX = random.chance(0.5) ? INT32_MIN : INT32_MAX;
  p.size = random.chance(0.1) ? random.between(-5, 0) : random.between(1, 2 * reach);
  if (random.chance(0.05)) p.size = INT32_MAX;
  p.brightness = random.between(-140, 238);
  p.gamma = static_cast<float>(random.real(0.374, 2.67));
  p.background = random.chance(0.5);
  p.threshold = random.between(kLowestThreshold, kHighestThreshold);
  return p;
}

std::optional<MovedCentre> RandomCentre(Random& random, int width, int height) {
  const auto rule = CentreMoveRuleFor(width, height);
  if (!rule || random.chance(0.5)) return std::nullopt;
  return MoveCentre(*rule, random.between(rule->lowX, rule->highX),
                    random.between(rule->lowY, rule->highY));
}

std::string Describe(const Parameters& p, int width, int height) {
  return "mode " + std::to_string(static_cast<int>(p.mode)) + " " + std::to_string(width) + "x" +
         std::to_string(height) + " f " + std::to_string(p.startFraction) + " c " +
         std::to_string(p.coefficient) + " shape " + std::to_string(p.shape) + " light " +
         std::to_string(p.lightX) + "," + std::to_string(p.lightY) + " size " +
         std::to_string(p.size) + " b " + std::to_string(p.brightness) + " bg " +
         std::to_string(p.background) + "/" + std::to_string(p.threshold);
}

TEST(FastPath, EqualsThePixelByPixelCorrectionOnRandomPicturesAndParameters) {
  BuildTables();
  Random random(20261206);
  for (int trial = 0; trial < 400; ++trial) {
    const int width = random.chance(0.3) ? random.between(1, 8) : random.between(1, 260);
    const int height = random.chance(0.3) ? random.between(1, 8) : random.between(1, 200);
    const Parameters p = RandomParameters(random, width, height);
    const auto centre =
        p.mode == Mode::kVignetting ? RandomCentre(random, width, height) : std::nullopt;
    if (p.mode == Mode::kGamma) ToneCurve.buildGammaRow(p.gamma);

    PixelBlock fast = RandomBlock(random, width, height);
    PixelBlock reference(fast.rowLength(), fast.rows());
    std::memcpy(reference.data(), fast.data(), fast.size());
    CorrectPixelBlock(fast, width, height, p, centre, {});
    CorrectPixelByPixel(reference, width, height, p, centre);
    ASSERT_EQ(std::memcmp(fast.data(), reference.data(), fast.size()), 0)
        << Describe(p, width, height);
  }
}

// Large enough for several 2 MB chunks, so the streaming, the hand-over between threads
// and the row order of the progress reports are all exercised.
TEST(FastPath, ExecuteStreamsLargePicturesToTheSameBytesAndReportsRowsInOrder) {
  BuildTables();
  Random random(7);
  ScratchFolder folder;
  for (Mode mode : {Mode::kVignetting, Mode::kFog, Mode::kGamma}) {
    TestBitmap bitmap;
    bitmap.width = 2999;
    bitmap.height = 1003;
    bitmap.pixelDataOffset = 60;
    bitmap.paint = [&random](int, int, std::uint8_t* bgr) {
      for (int c = 0; c < 3; ++c) bgr[c] = static_cast<std::uint8_t>(random.between(0, 255));
    };
    const auto bytes = bitmap.bytes();
    const auto source = folder / "large.bmp";
    WriteFile(source, bytes);

    Parameters p = RandomParameters(random, bitmap.width, bitmap.height);
    p.mode = mode;
    p.background = true;
    p.lightX = 1500;
    p.lightY = 500;
    p.size = 1400;
    if (mode == Mode::kGamma) ToneCurve.buildGammaRow(p.gamma);
    const auto centre = mode == Mode::kVignetting
                            ? RandomCentre(random, bitmap.width, bitmap.height)
                            : std::nullopt;

    struct Rows : ExecuteObserver {
      std::vector<int> seen;
      void rowsDone(int row) override { seen.push_back(row); }
    } rows;
    const ExecuteOutcome outcome = Execute({source.string(), p, centre, {}}, &rows);
    ASSERT_TRUE(outcome.succeeded()) << DescribeFileError(outcome.error);

    PixelBlock reference(bitmap.rowLength(), static_cast<std::size_t>(bitmap.height));
    std::memcpy(reference.data(), bytes.data() + 60, reference.size());
    CorrectPixelByPixel(reference, bitmap.width, bitmap.height, p, centre);
    const auto result = ReadFile(folder / "large_.bmp");
    ASSERT_EQ(result.size(), 60 + reference.size());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 60, result.begin()));
    EXPECT_EQ(std::memcmp(result.data() + 60, reference.data(), reference.size()), 0)
        << Describe(p, bitmap.width, bitmap.height);

    std::vector<int> expected;
    for (int row = 40; row <= bitmap.height; row += 40) expected.push_back(row);
    EXPECT_EQ(rows.seen, expected);
  }
}

// The integer arithmetic of the background adjustment against its decimal definition, on
// every pixel value, at the highest threshold (where the most pixels count as background).
TEST(FastPath, BackgroundAdjustmentEqualsItsDecimalDefinitionOnEveryPixel) {
  const auto decimal = [](int level, int mean, double keep) {
    return static_cast<std::uint8_t>(std::nearbyint((keep * level + mean) / (keep + 1.0)));
  };
  int differences = 0;
  for (int blue = 0; blue < 256; ++blue) {
    for (int green = 0; green < 256; ++green) {
      for (int red = 0; red < 256; ++red) {
        std::uint8_t pixel[3] = {static_cast<std::uint8_t>(blue), static_cast<std::uint8_t>(green),
                                 static_cast<std::uint8_t>(red)};
        AdjustBackground(pixel, kHighestThreshold);
        std::uint8_t expected[3] = {pixel[0], pixel[1], pixel[2]};
        const int mean = static_cast<int>(std::nearbyint((red + green + blue) / 3.0));
        expected[0] = static_cast<std::uint8_t>(blue);
        expected[1] = static_cast<std::uint8_t>(green);
        expected[2] = static_cast<std::uint8_t>(red);
        if (mean < kHighestThreshold) {
          if (red > mean + 6) expected[2] = decimal(red, mean, 0.4);
          if (green > mean + 6) expected[1] = decimal(green, mean, 0.3);
          if (blue > mean + 6) expected[0] = decimal(blue, mean, 0.5);
        }
        differences += std::memcmp(pixel, expected, 3) != 0;
      }
    }
  }
  EXPECT_EQ(differences, 0);
}

// The vector versions run on this machine only if it has AVX2; where it does, they must
// agree with the portable ones on every pixel value.
TEST(FastPath, VectorLoopsAgreeWithThePortableOnes) {
  if (!HasAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
  Random random(3);
  std::vector<std::uint8_t> table(256);
  for (auto& entry : table) entry = static_cast<std::uint8_t>(random.between(0, 255));
  for (int count : {0, 1, 31, 32, 33, 95, 1000}) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random.between(0, 255));
    auto vector = bytes, portable = bytes;
    MapBytesAvx2(vector.data(), vector.size(), table.data());
    MapBytesPortable(portable.data(), portable.size(), table.data());
    EXPECT_EQ(vector, portable) << count;
  }
  // Every blue and green level against every red level, at the lowest, a middle and the
  // highest threshold.
  std::vector<std::uint8_t> row(3 * 256);
  for (int threshold : {kLowestThreshold, 70, kHighestThreshold}) {
    for (int blue = 0; blue < 256; ++blue) {
      for (int green = 0; green < 256; ++green) {
        for (int red = 0; red < 256; ++red) {
          row[3 * red] = static_cast<std::uint8_t>(blue);
          row[3 * red + 1] = static_cast<std::uint8_t>(green);
          row[3 * red + 2] = static_cast<std::uint8_t>(red);
        }
        auto vector = row, portable = row;
        AdjustBackgroundRowAvx2(vector.data(), 256, threshold);
        AdjustBackgroundRowPortable(portable.data(), 256, threshold);
        ASSERT_EQ(vector, portable) << blue << " " << green << " / " << threshold;
      }
    }
  }
}

}  // namespace
}  // namespace hosei::test
