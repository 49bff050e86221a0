// The fast path (bands of equal change, byte tables, vector loops, rows streamed through
// worker threads) must give exactly the bytes of the plain per-pixel correction.

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

#include "background.h"
#include "centre_move.h"
#include "execute.h"
#include "pixel_corrector.h"
#include "pixel_loops.h"
#include "problem_words.h"
#include "reference_correction.h"
#include "test_bitmap.h"
#include "worker_pool.h"

namespace hosei::test {
namespace {

std::mt19937 engine(20261206);
int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine); }
bool Chance(double p) { return std::bernoulli_distribution(p)(engine); }
float Real(double low, double high) {
  return static_cast<float>(std::uniform_real_distribution<double>(low, high)(engine));
}

// Random parameters of any mode (extremes included), with the gamma row built and a moved
// centre for some vignetting runs.
Parameters RandomRun(int width, int height, std::optional<MovedCentre>& centre) {
  Parameters p;
  p.mode = static_cast<Mode>(Between(1, 3));
  p.shape = Between(0, 2);
  p.startFraction = Chance(0.2) ? 0.99999994f : Real(0.001, 0.999);
  p.coefficient = Chance(0.5) ? static_cast<float>(Between(1, 120)) : Real(1, 120);
  const int reach = 3 * std::max(width, height);
  p.lightX = Chance(0.05) ? (Chance(0.5) ? INT32_MIN : INT32_MAX) : Between(-reach, reach);
  p.lightY = Between(-reach, reach);
  p.size = Chance(0.05) ? INT32_MAX : Chance(0.1) ? Between(-5, 0) : Between(1, 2 * reach);
  p.brightness = Between(-140, 238);
  p.gamma = Real(0.374, 2.67);
  p.background = Chance(0.5);
  p.threshold = Between(kLowestThreshold, kHighestThreshold);
  const auto rule = CentreMoveRuleFor(width, height);
  centre = std::nullopt;
  if (p.mode == Mode::kVignetting && rule && Chance(0.5))
    centre = MoveCentre(*rule, Between(rule->lowX, rule->highX), Between(rule->lowY, rule->highY));
  return p;
}

TEST(FastPath, EqualsThePixelByPixelCorrectionOnRandomPicturesAndParameters) {
  for (int trial = 0; trial < 400; ++trial) {
    const int width = Chance(0.3) ? Between(1, 8) : Between(1, 260);
    const int height = Chance(0.3) ? Between(1, 8) : Between(1, 200);
    std::optional<MovedCentre> centre;
    const Parameters p = RandomRun(width, height, centre);
    PixelBlock fast((static_cast<std::size_t>(width) * 3 + 3) / 4 * 4, height);
    const int darkness = Between(0, 3);  // dark pictures have more background
    for (std::size_t i = 0; i < fast.size(); ++i)
      fast.data()[i] = static_cast<std::uint8_t>(Between(0, 255) >> darkness);
    PixelBlock reference(fast.rowLength(), fast.rows());
    std::memcpy(reference.data(), fast.data(), fast.size());
    PixelCorrector(p, width, height, centre)
        .correctRows(fast.data(), static_cast<std::ptrdiff_t>(fast.rowLength()), 0, height);
    CorrectPixelByPixel(reference, width, height, p, centre);
    ASSERT_EQ(std::memcmp(fast.data(), reference.data(), fast.size()), 0) << "trial " << trial;
  }
}

// Several 1 MB chunks, so the streaming, the hand-over between threads and the row order of
// the progress reports are all exercised; 999 rows end one short of a report.
TEST(FastPath, ExecuteStreamsLargePicturesToTheSameBytesAndReportsRowsInOrder) {
  ScratchFolder folder;
  TestBitmap bitmap = Sized(2999, 999, 60);
  bitmap.paint = [](int, int, std::uint8_t* bgr) {
    for (int c = 0; c < 3; ++c) bgr[c] = static_cast<std::uint8_t>(Between(0, 255));
  };
  const auto bytes = bitmap.bytes();
  WriteFile(folder / "large.bmp", bytes);
  for (Mode mode : {Mode::kVignetting, Mode::kFog, Mode::kGamma}) {
    std::optional<MovedCentre> centre;
    Parameters p;
    do p = RandomRun(bitmap.width, bitmap.height, centre);
    while (p.mode != mode);
    p.background = true;
    p.lightX = 1500, p.lightY = 500, p.size = 1400;
    struct Rows : ExecuteObserver {
      std::vector<int> seen;
      void pictureAccepted(int width, int height) override { seen.push_back(-width * height); }
      void rowsDone(int row) override { seen.push_back(row); }
    } rows;
    const auto outcome = Execute({(folder / "large.bmp").string(), p, centre, {}}, &rows);
    ASSERT_TRUE(outcome.succeeded()) << FileErrorLine(outcome.error);

    EXPECT_TRUE(ReadFile(folder / "large_.bmp") == CorrectedFile(bytes, bitmap, p, centre))
        << "mode " << static_cast<int>(mode);
    std::vector<int> progress = {-2999 * 999};  // the size first, then every 40th row
    for (int row = 40; row < 999; row += 40) progress.push_back(row);
    EXPECT_EQ(rows.seen, progress);
  }
}

// The integer arithmetic of the background adjustment against its decimal definition on
// every pixel value, at the highest threshold; and the vector loops, where the processor
// has them, against the portable ones at three thresholds.
TEST(FastPath, BackgroundAdjustmentOnEveryPixelValue) {
  const auto decimal = [](int level, int mean, double keep) {
    return static_cast<std::uint8_t>(std::nearbyint((keep * level + mean) / (keep + 1.0)));
  };
  std::vector<std::uint8_t> row(3 * 256);
  for (int blue = 0; blue < 256; ++blue)
    for (int green = 0; green < 256; ++green) {
      for (int red = 0; red < 256; ++red) {
        std::uint8_t* pixel = &row[3 * red];
        pixel[0] = static_cast<std::uint8_t>(blue);
        pixel[1] = static_cast<std::uint8_t>(green);
        pixel[2] = static_cast<std::uint8_t>(red);
        std::uint8_t expected[3] = {pixel[0], pixel[1], pixel[2]};
        const int mean = static_cast<int>(std::nearbyint((red + green + blue) / 3.0));
        if (mean < kHighestThreshold) {
          if (red > mean + 6) expected[2] = decimal(red, mean, 0.4);
          if (green > mean + 6) expected[1] = decimal(green, mean, 0.3);
          if (blue > mean + 6) expected[0] = decimal(blue, mean, 0.5);
        }
        std::uint8_t adjusted[3] = {pixel[0], pixel[1], pixel[2]};
        AdjustBackground(adjusted, kHighestThreshold);
        ASSERT_EQ(std::memcmp(adjusted, expected, 3), 0) << blue << " " << green << " " << red;
      }
      if (!HasAvx2()) continue;
      for (int threshold : {kLowestThreshold, 70, kHighestThreshold}) {
        auto vector = row, portable = row;
        AdjustBackgroundRowAvx2(vector.data(), 256, threshold);
        AdjustBackgroundRowPortable(portable.data(), 256, threshold);
        ASSERT_EQ(vector, portable) << blue << " " << green << " / " << threshold;
      }
    }
}

// Runs that share the process: two Executes at once, and a part of a job that throws.

TEST(Concurrency, TwoRunsAtOnceEachGiveTheirOwnExactResult) {
  ScratchFolder folder;
  // Several 1 MB chunks, so both runs hand rows to the shared pool.
  const TestBitmap bitmap = Sized(1501, 700);
  WriteFile(folder / "one.bmp", bitmap.bytes());
  WriteFile(folder / "two.bmp", bitmap.bytes());
  const Parameters gamma{.mode = Mode::kGamma, .gamma = 1.5f, .background = true};
  const Parameters fog{
      .mode = Mode::kFog, .lightX = 700, .lightY = 300, .size = 650, .brightness = 120, .shape = 2};

  for (int round = 0; round < 3; ++round) {
    ExecuteOutcome first, second;
    std::thread other([&] { first = Execute({(folder / "one.bmp").string(), gamma, {}, {}}); });
    second = Execute({(folder / "two.bmp").string(), fog, {}, {}});
    other.join();
    ASSERT_TRUE(first.succeeded() && second.succeeded());
    EXPECT_EQ(ReadFile(folder / "one_.bmp"), CorrectedFile(bitmap.bytes(), bitmap, gamma)) << round;
    EXPECT_EQ(ReadFile(folder / "two_.bmp"), CorrectedFile(bitmap.bytes(), bitmap, fog)) << round;
  }
}

TEST(Concurrency, APartThatThrowsIsReportedToTheStarterAndThePoolGoesOn) {
  for (int helpers : {0, 1, 3}) {
    WorkerPool pool(helpers);
    std::atomic<int> ran{0};
    const auto job = pool.start(40, [&](int part) {
      ++ran;
      if (part == 17) throw std::runtime_error("part 17");
    });
    EXPECT_THROW(pool.finish(job), std::runtime_error) << helpers;
    EXPECT_EQ(ran, 40) << helpers;

    std::atomic<int> sum{0};
    pool.finish(pool.start(100, [&](int part) { sum += part; }));
    EXPECT_EQ(sum, 4950) << helpers;
  }
}

}  // namespace
}  // namespace hosei::test
