// PNGs of 16 bits a channel, written straight through libpng: read at their own depth and
// reduced to bytes for the screen, copied without passing through 8 bits, and bounded at
// their own depth.

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cmath>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "deep_photo_support.h"
#include "photo_limits.h"
#include "problem_words.h"

namespace hosei::test {
namespace {

constexpr SampleType kUint16 = SampleType::kUint16;

int ChannelsOf(int colourType) {
  return colourType == PNG_COLOR_TYPE_GRAY         ? 1
         : colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
         : colourType == PNG_COLOR_TYPE_RGB        ? 3
                                                   : 4;
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
  const DeepPicture stored = RandomDeepPicture(37, 23, ChannelsOf(c.colourType), kUint16, 17);
  WriteDeepPng(source, stored,
               {.colourType = c.colourType,
                .interlaced = c.interlaced,
                .chunks = SourceChunks(c.colourType)});
  ExpectDeepRoundTrip(source, result, kUint16, stored.channels, stored.bgr(), stored.alpha());
  const PngFile written = ParsePng(ReadFile(result));
  EXPECT_EQ(written.colourType, c.colourType);
  EXPECT_EQ(written.bitDepth, 16);
  EXPECT_FALSE(written.interlaced);
  EXPECT_EQ(written.chunks, ResultChunks(c.colourType));
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

// An interlaced PNG of colour and alpha whose header claims `side` x `side` dots, holding
// the data of one dot.
Bytes ClaimedInterlacedPng(int bitDepth, std::uint32_t side) {
  ScratchFolder folder;
  const std::string path = folder / "claim.png";
  WritePng(path, RandomPicture(1, 1, 4, 1),
           {.colourType = PNG_COLOR_TYPE_RGB_ALPHA, .bitDepth = bitDepth, .interlaced = true});
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
