// PNGs of 16 bits a channel, written straight through libpng: read at their own depth and
// reduced to bytes for the screen, copied and corrected without passing through 8 bits.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "deep_rows.h"
#include "execute.h"
#include "file_descriptor.h"
#include "photo_limits.h"
#include "photo_test_support.h"
#include "problem_words.h"

namespace hosei::test {
namespace {

using Samples = std::vector<std::uint16_t>;

int ChannelsOf(int colourType) {
  return colourType == PNG_COLOR_TYPE_GRAY         ? 1
         : colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
         : colourType == PNG_COLOR_TYPE_RGB        ? 3
                                                   : 4;
}

// A 16-bit picture as PNG stores it: top row first, `channels` samples a pixel.
struct DeepPicture {
  int width = 0;
  int height = 0;
  int channels = 3;
  Samples samples;
};

// Random samples, so that both bytes of each carry information.
DeepPicture RandomDeepPicture(int width, int height, int channels, unsigned seed) {
  DeepPicture picture{width, height, channels,
                      Samples(static_cast<std::size_t>(width) * height * channels)};
  std::mt19937 random(seed);
  for (auto& sample : picture.samples) sample = static_cast<std::uint16_t>(random());
  return picture;
}

// What a reader must deliver: blue, green, red triplets (grey repeated) and alpha apart.
Samples ExpectedBgr(const DeepPicture& p) {
  Samples out;
  const bool grey = p.channels <= 2;
  for (std::size_t at = 0; at < p.samples.size(); at += static_cast<std::size_t>(p.channels)) {
    const std::uint16_t* s = &p.samples[at];
    out.insert(out.end(), {s[grey ? 0 : 2], s[grey ? 0 : 1], s[0]});
  }
  return out;
}

Samples ExpectedAlpha(const DeepPicture& p) {
  Samples out;
  if (p.channels == 2 || p.channels == 4)
    for (std::size_t at = static_cast<std::size_t>(p.channels) - 1; at < p.samples.size();
         at += static_cast<std::size_t>(p.channels))
      out.push_back(p.samples[at]);
  return out;
}

Bytes Reduced(const Samples& samples) {
  Bytes bytes(samples.size());
  ReduceToBytes(samples.data(), samples.size(), bytes.data());
  return bytes;
}

// Written as an editor writes it: samples most significant byte first, the chunks before
// the picture data right after the header, the others after it.
void WriteDeepPng(const std::string& path, const DeepPicture& picture, int colourType,
                  bool interlaced, const std::vector<PngChunkBytes>& chunks) {
  FILE* file = std::fopen(path.c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
               static_cast<png_uint_32>(picture.height), 16, colourType,
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  const auto write = [&](bool afterImage) {
    for (const auto& chunk : chunks)
      if (chunk.afterImage == afterImage)
        png_write_chunk(png, reinterpret_cast<png_const_bytep>(chunk.type.data()),
                        chunk.data.data(), chunk.data.size());
  };
  png_write_info(png, info);
  write(false);
  const std::size_t rowSamples = static_cast<std::size_t>(picture.width) * picture.channels;
  Bytes row(2 * rowSamples);
  const int passes = interlaced ? png_set_interlace_handling(png) : 1;
  for (int pass = 0; pass < passes; ++pass)
    for (std::size_t y = 0; y < static_cast<std::size_t>(picture.height); ++y) {
      for (std::size_t i = 0; i < rowSamples; ++i) {
        const std::uint16_t v = picture.samples[y * rowSamples + i];
        row[2 * i] = static_cast<std::uint8_t>(v >> 8), row[2 * i + 1] = v & 0xFF;
      }
      png_write_row(png, row.data());
    }
  write(true);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

Samples AsSamples(const Bytes& bytes) {
  Samples samples(bytes.size() / 2);
  if (!bytes.empty()) std::memcpy(samples.data(), bytes.data(), bytes.size());
  return samples;
}

struct Png16Case {
  const char* name;
  int colourType;
  bool interlaced;
};

void PrintTo(const Png16Case& c, std::ostream* out) { *out << c.name; }

bool KeyedColour(int colourType) {
  return colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_RGB;
}

// Chunks whose values are 16-bit samples (background, transparent colour, significant
// bits), and some that do not describe samples, one of them unsafe to copy.
std::vector<PngChunkBytes> SourceChunks(int colourType) {
  const bool grey = ChannelsOf(colourType) <= 2;
  std::vector<PngChunkBytes> chunks = {
      {"gAMA", {0, 0, 0xB1, 0x8F}},
      {"sBIT", Bytes(static_cast<std::size_t>(ChannelsOf(colourType)), 12)},
      {"bKGD", grey ? Bytes{0x12, 0x34} : Bytes{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}},
      {"pHYs", {0, 0, 0x0B, 0x13, 0, 0, 0x0B, 0x13, 1}},
      {"tEXt", {'T', 'i', 't', 'l', 'e', 0, 'x'}},
      {"prVT", {1, 2, 3}},
      {"tIME", {0x07, 0xE8, 5, 6, 7, 8, 9}, true},
      {"prVt", {4, 5, 6}, true},
  };
  if (KeyedColour(colourType))
    chunks.insert(chunks.begin() + 3,
                  {"tRNS", grey ? Bytes{0xAB, 0xCD} : Bytes{0xAB, 0xCD, 0x01, 0x02, 0xFE, 0x03}});
  return chunks;
}

// As for an 8-bit PNG, the result drops the significant bits (corrected samples use them
// all) and the unsafe chunk; the rest, the transparent colour included, stays as stored.
std::vector<PngChunkBytes> ResultChunks(int colourType) {
  std::vector<PngChunkBytes> chunks = SourceChunks(colourType);
  std::erase_if(chunks,
                [](const PngChunkBytes& c) { return c.type == "sBIT" || c.type == "prVT"; });
  return chunks;
}

class Png16RoundTrip : public ::testing::TestWithParam<Png16Case> {};

TEST_P(Png16RoundTrip, ReadsEverySampleAndWritesBackTheSameDepthColourTypeAndChunks) {
  const Png16Case& c = GetParam();
  ScratchFolder folder;
  const std::string source = folder / "source.png", result = folder / "result.png";
  const int channels = ChannelsOf(c.colourType);
  const DeepPicture stored = RandomDeepPicture(37, 23, channels, 17);
  WriteDeepPng(source, stored, c.colourType, c.interlaced, SourceChunks(c.colourType));

  const DeepRead read = ReadDeep(source);
  ASSERT_FALSE(read.error) << FileErrorLine(read.error);
  EXPECT_EQ(read.type, SampleType::kUint16);
  EXPECT_EQ(read.grey, channels <= 2);
  EXPECT_EQ(read.hasAlpha, channels == 2 || channels == 4);  // a colour key is no alpha
  EXPECT_EQ(AsSamples(read.bgr), ExpectedBgr(stored));
  EXPECT_EQ(AsSamples(read.alpha), ExpectedAlpha(stored));

  const ReducedRead inTurn = ReadReducedInTurn(source);
  EXPECT_FALSE(inTurn.error) << FileErrorLine(inTurn.error);
  EXPECT_EQ(inTurn.bgr, Reduced(ExpectedBgr(stored)));
  EXPECT_EQ(inTurn.alpha, Reduced(ExpectedAlpha(stored)));

  const FileError copied = CopyPhoto(source, result);
  ASSERT_FALSE(copied) << FileErrorLine(copied);
  const PngFile written = ParsePng(ReadFile(result));
  EXPECT_EQ(written.colourType, c.colourType);
  EXPECT_EQ(written.bitDepth, 16);
  EXPECT_FALSE(written.interlaced);
  EXPECT_EQ(written.chunks, ResultChunks(c.colourType));
  const DeepRead again = ReadDeep(result);
  ASSERT_FALSE(again.error) << FileErrorLine(again.error);
  EXPECT_EQ(again.bgr, read.bgr);
  EXPECT_EQ(again.alpha, read.alpha);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, Png16RoundTrip,
    ::testing::Values(Png16Case{"GreyWithKey", PNG_COLOR_TYPE_GRAY, false},
                      Png16Case{"GreyWithKeyInterlaced", PNG_COLOR_TYPE_GRAY, true},
                      Png16Case{"GreyAlpha", PNG_COLOR_TYPE_GRAY_ALPHA, false},
                      Png16Case{"GreyAlphaInterlaced", PNG_COLOR_TYPE_GRAY_ALPHA, true},
                      Png16Case{"RgbWithKey", PNG_COLOR_TYPE_RGB, false},
                      Png16Case{"RgbWithKeyInterlaced", PNG_COLOR_TYPE_RGB, true},
                      Png16Case{"Rgba", PNG_COLOR_TYPE_RGB_ALPHA, false},
                      Png16Case{"RgbaInterlaced", PNG_COLOR_TYPE_RGB_ALPHA, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Through 8 bits every sample below 128 would come out black and the others up to 128
// levels off; at 16 bits each is within the corrector's rounding of the exact curve.
TEST(Png16Execute, GammaIsAppliedAtSixteenBits) {
  ScratchFolder folder;
  const std::string source = folder / "ramp.png";
  const int side = 64;
  const std::size_t count = side * side;
  // Squared, so that many samples lie below 256, where only the low byte is set.
  DeepPicture ramp{side, side, 1, Samples(count)};
  for (std::size_t i = 0; i < count; ++i)
    ramp.samples[i] = static_cast<std::uint16_t>(
        std::lround(65535.0 * std::pow(static_cast<double>(i) / (count - 1), 2)));
  WriteDeepPng(source, ramp, PNG_COLOR_TYPE_GRAY, false, {});

  ExecuteJob job;
  job.currentFile = source;
  job.parameters.mode = Mode::kGamma;
  job.parameters.gamma = 2.0f;
  const ExecuteOutcome outcome = Execute(job);
  ASSERT_TRUE(outcome.succeeded()) << FileErrorLine(outcome.error);
  const PngFile written = ParsePng(ReadFile(outcome.resultFile));
  EXPECT_EQ(written.bitDepth, 16);
  EXPECT_EQ(written.colourType, PNG_COLOR_TYPE_GRAY);
  const DeepRead read = ReadDeep(outcome.resultFile);
  ASSERT_FALSE(read.error) << FileErrorLine(read.error);
  const Samples corrected = AsSamples(read.bgr);
  ASSERT_EQ(corrected.size(), 3 * count);
  int lowSamples = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const double v = ramp.samples[i];
    lowSamples += v > 0 && v < 256;
    const double exact = std::round(65535.0 * std::sqrt(v / 65535.0));
    ASSERT_NEAR(corrected[3 * i + 1], exact, 2) << "sample " << i << ", stored " << v;
  }
  EXPECT_GT(lowSamples, 100);
}

// The writer takes rows at the result's own depth only: 8-bit rows into a 16-bit PNG would
// lose their low bits unseen, and 16-bit rows could not be written into an 8-bit one.
TEST(Png16Depth, RowsOfTheOtherDepthAreRefusedNotConverted) {
  ScratchFolder folder;
  const std::string deep = folder / "deep.png", bytes = folder / "bytes.png";
  WriteDeepPng(deep, RandomDeepPicture(4, 2, 3, 1), PNG_COLOR_TYPE_RGB, false, {});
  WritePng(bytes, RandomPicture(4, 2, 3, 1));
  for (const auto& [path, isDeep] : {std::pair{deep, true}, std::pair{bytes, false}}) {
    SCOPED_TRACE(path);
    const OtherDepthAnswers answers = AskAtTheOtherDepth(path, isDeep, 2);
    ASSERT_FALSE(answers.opened) << FileErrorLine(answers.opened);
    EXPECT_EQ(static_cast<bool>(answers.read), !isDeep);
    EXPECT_EQ(answers.written.problem, FileProblem::kUnsupportedPhoto)
        << FileErrorLine(answers.written);
  }
}

// An interlaced PNG of colour and alpha whose header claims `side` x `side` dots, holding
// the data of one dot.
Bytes ClaimedInterlacedPng(int bitDepth, std::uint32_t side) {
  ScratchFolder folder;
  const std::string path = folder / "claim.png";
  if (bitDepth == 16)
    WriteDeepPng(path, RandomDeepPicture(1, 1, 4, 1), PNG_COLOR_TYPE_RGB_ALPHA, true, {});
  else
    WritePng(path, RandomPicture(1, 1, 4, 1), {.colourType = 6, .interlaced = true});
  Bytes bytes = ReadFile(path);
  const std::size_t header = Find(bytes, "IHDR");
  for (std::size_t at : {header + 4, header + 8})
    for (int b = 0; b < 4; ++b) bytes[at + b] = static_cast<std::uint8_t>(side >> (24 - 8 * b));
  const uLong crc = crc32(0L, &bytes[header], 17);
  for (int b = 0; b < 4; ++b)
    bytes[header + 17 + b] = static_cast<std::uint8_t>(crc >> (24 - 8 * b));
  return bytes;
}

// An interlaced picture is decoded whole, so its bound counts two bytes a 16-bit sample:
// this side takes two thirds of kMaxBufferedBytes in colour and alpha at 8 bits, four
// thirds at 16.
TEST(Png16Memory, AnInterlacedPictureIsBoundedAtItsOwnDepth) {
  for (const auto& [depth, problem] :
       {std::pair{8, FileProblem::kNone}, std::pair{16, FileProblem::kUnsupportedPhoto}}) {
    SCOPED_TRACE(depth);
    ScratchFolder folder;
    const auto side = static_cast<std::uint32_t>(std::sqrt(kMaxBufferedBytes / 6.0));
    WriteFile(folder / "claim.png", ClaimedInterlacedPng(depth, side));
    std::unique_ptr<PhotoReader> reader;
    EXPECT_EQ(OpenPhoto(folder / "claim.png", reader).problem, problem);
  }
}

}  // namespace
}  // namespace hosei::test
