#include <gtest/gtest.h>
#include <png.h>

#include <string>
#include <vector>

#include "photo_encoders.h"
#include "photo_test_support.h"
#include "test_bitmap.h"

namespace hosei {
namespace {

using test::Bytes;
using test::Picture;
using test::PngChunkBytes;

struct PngCase {
  const char* name;
  int colourType;
  int bitDepth;
  bool transparency;
  bool interlaced;
  int resultColourType;
};

// The chunks every test PNG carries, some of them with contents per colour type, and one
// unknown chunk that must go because it is not safe to copy.
std::vector<PngChunkBytes> SourceChunks(const PngCase& c) {
  const int entries = c.colourType == 0 ? 1 : c.colourType == 4 ? 2 : c.colourType == 6 ? 4 : 3;
  const Bytes background = c.colourType == 3 ? Bytes{7}
                           : entries <= 2    ? Bytes{0, 1}
                                             : Bytes{0, 10, 0, 20, 0, 30};
  return {
      {"gAMA", {0, 0, 0xB1, 0x8F}},
      {"cHRM", Bytes(32, 1)},
      {"iCCP", {'p', 'r', 'o', 'f', 0, 0, 0x78, 0x9C, 3, 0, 0, 0, 0, 1}},
      {"sBIT", Bytes(static_cast<std::size_t>(entries), 1)},
      {"bKGD", background},
      {"pHYs", {0, 0, 0x0B, 0x13, 0, 0, 0x0B, 0x13, 1}},
      {"tEXt", {'T', 'i', 't', 'l', 'e', 0, 'x'}},
      {"zTXt", {'C', 0, 0, 0x78, 0x9C, 0x4B, 0x04, 0, 0, 0x62, 0, 0x62}},
      {"iTXt", {'A', 0, 0, 0, 'j', 'a', 0, 0, 0xE5, 0x86, 0x99}},
      {"eXIf", {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0}},
      {"prVT", {1, 2, 3}},
      {"tIME", {0x07, 0xE8, 5, 6, 7, 8, 9}, true},
      {"prVt", {4, 5, 6}, true},
  };
}

// What the result must carry: the same, less the unsafe chunk, with a palette index or a
// low-depth grey turned into a colour and a new alpha entry for the significant bits.
std::vector<PngChunkBytes> ResultChunks(const PngCase& c, const Bytes& palette) {
  std::vector<PngChunkBytes> chunks;
  for (PngChunkBytes chunk : SourceChunks(c)) {
    if (chunk.type == "prVT") continue;
    if (chunk.type == "bKGD" && c.colourType == 3)
      chunk.data = {0, palette[21], 0, palette[22], 0, palette[23]};
    if (chunk.type == "bKGD" && c.colourType == 0 && c.bitDepth < 8)
      chunk.data = {0, static_cast<std::uint8_t>(255 / ((1 << c.bitDepth) - 1))};
    if (chunk.type == "sBIT" && c.transparency) chunk.data.push_back(8);
    chunks.push_back(chunk);
  }
  return chunks;
}

// The source as stored, and the picture a reader must make of it.
struct PngSource {
  Picture stored;
  test::PngSpec spec;
  Picture expected;
};

PngSource MakeSource(const PngCase& c) {
  const int width = 37, height = 23;
  const int channels = c.colourType == 0 || c.colourType == 3 ? 1
                       : c.colourType == 4                    ? 2
                       : c.colourType == 2                    ? 3
                                                              : 4;
  PngSource s{test::RandomPicture(width, height, channels, 11), {}, {}};
  s.spec = {c.colourType, c.bitDepth, c.interlaced, {}, {}, SourceChunks(c)};
  const int top = (1 << c.bitDepth) - 1;
  for (auto& sample : s.stored.samples)
    if (c.bitDepth < 8) sample = static_cast<std::uint8_t>(sample % (top + 1));
  const int expectedChannels = channels + (c.colourType == 3 ? 2 : 0) + (c.transparency ? 1 : 0);
  s.expected = {width, height, expectedChannels, {}};
  if (c.colourType == 3) s.spec.palette = test::RandomPicture(256, 1, 3, 5).samples;
  if (c.transparency)
    s.spec.transparency =
        c.colourType == 3 ? Bytes{0, 128, 255, 9}
        : c.colourType == 0
            ? Bytes{0, static_cast<std::uint8_t>(s.stored.samples[0])}
            : Bytes{0, s.stored.samples[0], 0, s.stored.samples[1], 0, s.stored.samples[2]};
  for (int p = 0; p < width * height; ++p) {
    const std::uint8_t* in = &s.stored.samples[static_cast<std::size_t>(p * channels)];
    if (c.colourType == 3) {
      const std::uint8_t* colour = &s.spec.palette[in[0] * 3u];
      s.expected.samples.insert(s.expected.samples.end(), colour, colour + 3);
      if (c.transparency)
        s.expected.samples.push_back(in[0] < 4 ? s.spec.transparency[in[0]] : 255);
      continue;
    }
    for (int k = 0; k < channels; ++k)
      s.expected.samples.push_back(static_cast<std::uint8_t>(in[k] * 255 / top));
    if (c.transparency)  // a colour key: that one colour is transparent
      s.expected.samples.push_back(std::equal(in, in + channels, s.stored.samples.begin()) ? 0
                                                                                           : 255);
  }
  return s;
}

class PngRoundTrip : public ::testing::TestWithParam<PngCase> {};

TEST_P(PngRoundTrip, ReadsExactlyAndWritesBackTheSameColourTypeAndChunks) {
  const PngCase& c = GetParam();
  test::ScratchFolder folder;
  const std::string source = folder / "source.png", result = folder / "result.png";
  const PngSource s = MakeSource(c);
  test::WritePng(source, s.stored, s.spec);

  const test::Decoded read = test::ReadPhoto(source);
  ASSERT_FALSE(read.error) << DescribeFileError(read.error);
  EXPECT_EQ(read.grey, c.colourType == 0 || c.colourType == 4);
  EXPECT_EQ(read.bgr, s.expected.bgr());
  EXPECT_EQ(read.alpha, s.expected.alpha());

  const FileError copied = test::CopyPhoto(source, result);
  ASSERT_FALSE(copied) << DescribeFileError(copied);
  const test::Decoded again = test::ReadPhoto(result);
  ASSERT_FALSE(again.error) << DescribeFileError(again.error);
  EXPECT_EQ(again.bgr, read.bgr);
  EXPECT_EQ(again.alpha, read.alpha);

  const test::PngFile written = test::ParsePng(test::ReadFile(result));
  EXPECT_EQ(written.colourType, c.resultColourType);
  EXPECT_EQ(written.bitDepth, 8);
  EXPECT_FALSE(written.interlaced);
  const auto expected = ResultChunks(c, s.spec.palette);
  ASSERT_EQ(written.chunks.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(written.chunks[i].type, expected[i].type);
    EXPECT_EQ(written.chunks[i].data, expected[i].data) << expected[i].type;
    EXPECT_EQ(written.chunks[i].afterImage, expected[i].afterImage) << expected[i].type;
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, PngRoundTrip,
                         ::testing::Values(PngCase{"Rgb", 2, 8, false, false, 2},
                                           PngCase{"Grey", 0, 8, false, false, 0},
                                           PngCase{"Rgba", 6, 8, false, false, 6},
                                           PngCase{"GreyAlpha", 4, 8, false, false, 4},
                                           PngCase{"Palette", 3, 8, false, false, 2},
                                           PngCase{"PaletteWithTransparency", 3, 8, true, false, 6},
                                           PngCase{"Grey2Bit", 0, 2, false, false, 0},
                                           PngCase{"Grey1BitWithKey", 0, 1, true, false, 4},
                                           PngCase{"RgbWithKey", 2, 8, true, false, 6},
                                           PngCase{"Interlaced", 2, 8, false, true, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace hosei
