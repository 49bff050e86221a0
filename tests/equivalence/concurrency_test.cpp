// Runs that share the process: two Executes at once must each give their own exact
// result, and the worker pool must survive what a part of a job throws.

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

#include "execute.h"
#include "reference_correction.h"
#include "test_bitmap.h"
#include "worker_pool.h"

namespace hosei::test {
namespace {

std::vector<std::uint8_t> Corrected(const TestBitmap& bitmap, const Parameters& p) {
  std::vector<std::uint8_t> bytes = bitmap.bytes();
  PixelBlock block(bitmap.rowLength(), static_cast<std::size_t>(bitmap.height));
  std::memcpy(block.data(), bytes.data() + bitmap.pixelDataOffset, block.size());
  CorrectPixelByPixel(block, bitmap.width, bitmap.height, p, std::nullopt);
  std::memcpy(bytes.data() + bitmap.pixelDataOffset, block.data(), block.size());
  return bytes;
}

TEST(Concurrency, TwoRunsAtOnceEachGiveTheirOwnExactResult) {
  ScratchFolder folder;
  TestBitmap bitmap;
  bitmap.width = 1501;  // several 1 MB chunks, so both runs hand rows to the shared pool
  bitmap.height = 700;
  WriteFile(folder / "one.bmp", bitmap.bytes());
  WriteFile(folder / "two.bmp", bitmap.bytes());

  Parameters gamma;
  gamma.mode = Mode::kGamma;
  gamma.gamma = 1.5f;
  gamma.background = true;
  Parameters fog;
  fog.mode = Mode::kFog;
  fog.lightX = 700;
  fog.lightY = 300;
  fog.size = 650;
  fog.brightness = 120;
  fog.shape = 2;

  for (int round = 0; round < 3; ++round) {
    ExecuteOutcome first, second;
    std::thread other([&] { first = Execute({(folder / "one.bmp").string(), gamma, {}, {}}); });
    second = Execute({(folder / "two.bmp").string(), fog, {}, {}});
    other.join();
    ASSERT_TRUE(first.succeeded() && second.succeeded());
    EXPECT_EQ(ReadFile(folder / "one_.bmp"), Corrected(bitmap, gamma)) << round;
    EXPECT_EQ(ReadFile(folder / "two_.bmp"), Corrected(bitmap, fog)) << round;
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
