// Stop requests heard while a photo is opened (its chunks, segments, directories or header
// cards walked) and while its rows are decoded, in every kind: a run is given up at the
// first yes, never ends as a broken file or a complete picture, and is asked often enough
// that no stop waits long.

#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <memory>
#include <ostream>
#include <set>
#include <string>

#include "deep_photo_support.h"
#include "problem_words.h"

namespace hosei::test {
namespace {

using Writes = std::function<void(const std::string& path)>;

struct Reading {
  FileError error;  // of the opening, or of the first read of rows that failed
  bool opened = false;
  int rows = 0;  // read before the first problem
  int height = 0;
};

// Opens the photo and reads its rows seven at a time, as the viewer reads a few at a time.
Reading ReadWithStop(const std::string& path, const StopRequest& stop) {
  Reading reading;
  std::unique_ptr<PhotoReader> reader;
  if ((reading.error = OpenPhoto(path, reader, &stop))) return reading;
  reading.opened = true;
  reading.height = reader->height();
  const auto w = static_cast<std::size_t>(reader->width());
  const int chunk = 7;
  Bytes bgr(3 * w * chunk), alpha(w * chunk);
  for (; reading.rows < reader->height(); reading.rows += chunk) {
    const int n = std::min(chunk, reader->height() - reading.rows);
    if ((reading.error = reader->readRows(n, bgr.data(), 3 * w, alpha.data(), w))) break;
  }
  return reading;
}

struct StopCase {
  const char* name;
  Writes write;
  long leastAsks;            // once a chunk or segment walked, or once a row of a whole decode
  bool eachRowOnce = false;  // once open, each row asks once, and only once
};
void PrintTo(const StopCase& c, std::ostream* out) { *out << c.name; }

// The pictures are made when a case runs, not when the cases are listed: test discovery
// lists them under a time limit, and under the sanitizers making them all takes longer.
Writes Png(std::function<Picture()> picture, PngLayout layout = {}) {
  return [=](const std::string& path) { WritePng(path, picture(), layout); };
}
Writes Jpeg(std::function<Bytes()> bytes) {
  return [=](const std::string& path) { WriteFile(path, bytes()); };
}
Writes Tiff(TiffLayout layout) {
  return [=](const std::string& path) { WriteTiff(path, RandomPicture(1200, 900, 3, 8), layout); };
}

// 9000 comments of 1000 bytes before a small JPEG's picture.
Bytes JpegWithManySegments() {
  Bytes jpeg =
      Encoded([](const std::string& path) { WriteJpeg(path, RandomPicture(64, 48, 3, 7)); });
  Bytes segments;
  for (int i = 0; i < 9000; ++i) {
    segments.insert(segments.end(), {0xFF, 0xFE, 1000 >> 8, 1000 & 0xFF});
    segments.resize(segments.size() + 998, 'x');
  }
  jpeg.insert(jpeg.begin() + 2, segments.begin(), segments.end());
  return jpeg;
}

std::vector<StopCase> StopCases() {
  const auto jpeg = [](int side, bool progressive) {
    return Encoded([=](const std::string& path) {
      WriteJpeg(path, RandomPicture(side, side, 3, 7), {.progressive = progressive});
    });
  };
  return {
      {"PngManyChunks",
       Png([] { return RandomPicture(16, 8, 3, 1); },
           {.chunks = std::vector<PngChunkBytes>(5000, {"prVt", {1}})}),
       5000},
      // Flat: its few reads of the file alone would not be asked often enough.
      {"PngInterlaced",
       Png(
           [] {
             return Picture{1200, 900, 3, Bytes(1200 * 900 * 3, 0x80)};
           },
           {.interlaced = true}),
       900},
      {"PngRowByRow", Png([] { return RandomPicture(1200, 900, 3, 3); }), 1},
      {"JpegManySegments", Jpeg(JpegWithManySegments), 3},
      {"JpegProgressiveAbsorbed", Jpeg([=] { return jpeg(800, true); }), 21},
      {"JpegRowsDecoded", Jpeg([=] { return jpeg(800, false); }), 800},
      // A read failing inside a strip is what libtiff must never meet (it then writes
      // outside its buffer): asked between rows only.
      {"TiffLzwStrips", Tiff({.compression = COMPRESSION_LZW}), 900, true},
      {"TiffDeflateTiles", Tiff({.compression = COMPRESSION_ADOBE_DEFLATE, .tileSize = 64}), 900,
       true},
      {"FitsHeaderAndRows", [](const std::string& path) { WriteFits(path, {.height = 40}); }, 13},
  };
}

class PhotoStop : public ::testing::TestWithParam<StopCase> {};

TEST_P(PhotoStop, IsHeardWhileThePhotoIsOpenedAndWhileItsRowsAreRead) {
  const StopCase& c = GetParam();
  ScratchFolder folder;
  const std::string path = folder / "photo";
  c.write(path);
  StopAfter never(LONG_MAX);
  std::unique_ptr<PhotoReader> reader;
  ASSERT_FALSE(OpenPhoto(path, reader, &never));
  const long opening = never.asks();
  reader.reset();
  const Reading whole = ReadWithStop(path, never);
  ASSERT_FALSE(whole.error) << FileErrorLine(whole.error);
  const long asks = never.asks() - opening;
  EXPECT_GT(opening, 0);
  EXPECT_GE(asks, c.leastAsks);
  if (c.eachRowOnce) {
    EXPECT_EQ(asks, opening + whole.height);
  }

  // Every ask while the photo is opened (a spread of them where there are many), the first
  // once it is open, and a spread over the rows.
  std::set<long> limits;
  for (long limit = 0; limit < opening; limit += std::max(1l, opening / 40)) limits.insert(limit);
  for (long step = 0; step <= 7; ++step) limits.insert(opening + (asks - 1 - opening) * step / 7);
  for (const long limit : limits) {
    SCOPED_TRACE(limit);
    StopAfter stop(limit);
    const Reading reading = ReadWithStop(path, stop);
    EXPECT_EQ(reading.error.problem, FileProblem::kStopped) << FileErrorLine(reading.error);
    EXPECT_EQ(reading.error.path, path);
    EXPECT_EQ(reading.opened, limit >= opening);
    EXPECT_LT(reading.rows, whole.height);
    EXPECT_EQ(stop.asks(), limit + 1) << "not given up at the first yes";
  }
}

INSTANTIATE_TEST_SUITE_P(Files, PhotoStop, ::testing::ValuesIn(StopCases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace hosei::test
