// PNGs whose chunks would cost hosei more than the picture: empty ones, compressed text and
// profiles that inflate a thousandfold, hundreds of thousands of tiny ones (stop requests
// while they are walked in photo_stop_test.cpp).

#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "execute.h"
#include "photo_limits.h"
#include "photo_test_support.h"
#include "problem_words.h"

namespace hosei::test {
namespace {

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Joined(Bytes head, const Bytes& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

std::vector<PngChunkBytes> Repeated(const PngChunkBytes& chunk, std::size_t count) {
  return std::vector<PngChunkBytes>(count, chunk);
}

// A small colour PNG carrying `chunks`.
std::string PngWith(const ScratchFolder& folder, const std::vector<PngChunkBytes>& chunks) {
  const std::string path = folder / "source.png";
  WritePng(path, RandomPicture(16, 8, 3, 7), PngLayout{.chunks = chunks});
  return path;
}

TEST(PngChunks, EmptyAncillaryChunksAreCorrectedAndCarried) {
  const PngChunkBytes text{"tEXt", Text(std::string("Title\0x", 7))};
  const std::vector<std::vector<PngChunkBytes>> cases = {
      {{"prVt", {}}},
      {{"prVt", {}, true}},
      {text, {"prVt", {}}, {"prVt", {}}, text, {"prVt", {}, true}}};
  for (const auto& chunks : cases) {
    SCOPED_TRACE(std::to_string(chunks.size()) + " chunks");
    ScratchFolder folder;
    const std::string source = PngWith(folder, chunks);
    ExecuteJob job;
    job.currentFile = source;
    const ExecuteOutcome outcome = Execute(job);
    ASSERT_TRUE(outcome.succeeded()) << FileErrorLine(outcome.error);
    EXPECT_EQ(ParsePng(ReadFile(outcome.resultFile)).chunks, chunks);
  }
}

Bytes Deflated(const Bytes& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  Bytes out(size);
  compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), 9);
  out.resize(size);
  return out;
}

// Text and an ICC profile of 15 MiB each (a profile header an RGB picture accepts, then
// filler), compressed a thousandfold as zTXt, iTXt and iCCP chunks.
std::vector<PngChunkBytes> InflatingChunks(int count) {
  constexpr std::size_t kInflated = std::size_t{15} << 20;
  const Bytes text = Deflated(Bytes(kInflated, 'a'));
  Bytes profile(kInflated, 0);
  const auto put = [&profile](std::size_t at, const std::string& what) {
    std::memcpy(&profile[at], what.data(), what.size());
  };
  put(0, std::string{0x00, static_cast<char>(0xF0), 0x00, 0x00});  // the size, 15 MiB
  put(8, std::string{0x02, 0x10, 0x00, 0x00});
  put(12, "mntrRGB XYZ ");
  put(36, "acsp");
  put(68, std::string{0x00, 0x00, static_cast<char>(0xF6), static_cast<char>(0xD6), 0x00, 0x01,
                      0x00, 0x00, 0x00, 0x00, static_cast<char>(0xD3), 0x2D});  // D50
  const Bytes icc = Deflated(profile);
  // The profiles first, where a PNG has its colour space chunks.
  std::vector<PngChunkBytes> chunks;
  for (int i = 0; i < count / 3; ++i)
    chunks.push_back({"iCCP", Joined(Text("ICC" + std::to_string(i) + std::string(2, '\0')), icc)});
  for (int i = 0; i < count - count / 3; ++i) {
    const std::string n = std::to_string(i);
    chunks.push_back(
        i % 2 ? PngChunkBytes{"iTXt", Joined(Text("XML" + n + std::string("\0\1\0\0\0", 5)), text)}
              : PngChunkBytes{"zTXt", Joined(Text("Comment" + n + std::string(2, '\0')), text)});
  }
  return chunks;
}

// However much its chunks would take inflated, or take at all within the carried limit,
// a PNG costs at most 64 MiB beyond its rows, and its chunks come back as they were.
TEST(PngChunks, ChunksAreCarriedAsStoredAndHeldOnce) {
  constexpr double kBoundMiB = 64;
  const struct {
    const char* name;
    std::vector<PngChunkBytes> chunks;
  } cases[] = {{"compressed", InflatingChunks(30)},
               {"large", Repeated({"prVt", Bytes(std::size_t{12} << 20, 'p')}, 3)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    const std::string source = PngWith(folder, c.chunks), result = folder / "result.png";
    const ChildRun run = InChild([&] { return CopyPhoto(source, result); });
    if (run.growthMiB < 0) GTEST_SKIP() << "the peak resident memory cannot be reset here";
    ASSERT_EQ(run.problem, FileProblem::kNone);
    // ThreadSanitizer's shadow memory grows with every byte the program touches.
    if (!std::getenv("HOSEI_SANITIZED")) {
      EXPECT_LT(run.growthMiB, kBoundMiB);
    }
    EXPECT_TRUE(ParsePng(ReadFile(result)).chunks == c.chunks);
  }
}

// A walk over chunks that took longer with each one would fail these bounds many times
// over; one that stops counting at the cap finishes at once.
TEST(PngChunks, ManySmallChunksAreCarriedOrRefusedAtOnce) {
  const std::size_t cap = kMaxMetadataPieces;
  const struct {
    const char* name;
    std::vector<PngChunkBytes> chunks;
    FileProblem problem;
  } cases[] = {
      {"at the cap", Repeated({"prVt", {1}}, cap), FileProblem::kNone},
      {"one over the cap", Repeated({"prVt", {}}, cap + 1), FileProblem::kUnsupportedPhoto},
      {"200000 empty", Repeated({"prVt", {}}, 200000), FileProblem::kUnsupportedPhoto},
      // Unsafe to copy: dropped, but each still read.
      {"200000 dropped", Repeated({"prvT", {1}}, 200000), FileProblem::kUnsupportedPhoto}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    const std::string source = PngWith(folder, c.chunks), result = folder / "result.png";
    const auto start = std::chrono::steady_clock::now();
    const FileError error = CopyPhoto(source, result);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took.count(), 1.0);
    EXPECT_EQ(error.problem, c.problem) << FileErrorLine(error);
    if (!error && c.problem == FileProblem::kNone) {
      EXPECT_TRUE(ParsePng(ReadFile(result)).chunks == c.chunks);
    }
  }
}

}  // namespace
}  // namespace hosei::test
