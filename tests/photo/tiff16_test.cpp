// TIFFs of 16-bit integer and 32-bit float samples, written straight through libtiff: read at
// their own depth and reduced to bytes for the screen, copied with their storage and tags,
// and refused when a float leaves 0..1.

#include <gtest/gtest.h>
#include <tiffio.h>

#include <bit>
#include <cstring>
#include <limits>
#include <ostream>
#include <regex>
#include <string>

#include "deep_photo_support.h"
#include "problem_words.h"

namespace hosei::test {
namespace {

constexpr SampleType kUint16 = SampleType::kUint16, kFloat32 = SampleType::kFloat32;

// How a file stores its samples, as libtiff reads it.
struct Storage {
  int bits = 0;
  int format = 0;
  int compression = 0;
  int predictor = 0;
  bool tiled = false;
  bool byteSwapped = false;
  bool operator==(const Storage&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Storage& s) {
  return out << s.bits << " bits, format " << s.format << ", compression " << s.compression
             << ", predictor " << s.predictor << (s.tiled ? ", tiled" : "")
             << (s.byteSwapped ? ", swapped" : "");
}

Storage StorageOf(const std::string& path) {
  TIFF* tif = OpenTiffQuietly(path, "r");
  std::uint16_t bits = 0, format = 0, compression = 0, predictor = 0;
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  // Only the codecs that take a predictor know the tag.
  if (compression == COMPRESSION_LZW || compression == COMPRESSION_ADOBE_DEFLATE ||
      compression == COMPRESSION_DEFLATE)
    TIFFGetField(tif, TIFFTAG_PREDICTOR, &predictor);
  const Storage storage{
      bits, format, compression, predictor, TIFFIsTiled(tif) != 0, TIFFIsByteSwapped(tif) != 0};
  TIFFClose(tif);
  return storage;
}

// What a case asks the file to hold: if libtiff had dropped some of it, the case would test
// nothing of it.
Storage Asked(const TiffLayout& layout) {
  const bool littleHost = std::endian::native == std::endian::little;
  return {layout.bits,      layout.sampleFormat,  layout.compression,
          layout.predictor, layout.tileSize != 0, layout.bigEndian == littleHost};
}

struct Tiff16Case {
  const char* name;
  SampleType type;
  int channels;
  TiffLayout layout;
};

void PrintTo(const Tiff16Case& c, std::ostream* out) { *out << c.name; }

class Tiff16RoundTrip : public ::testing::TestWithParam<Tiff16Case> {};

TEST_P(Tiff16RoundTrip, ReadsEverySampleAndWritesBackTheSameStorageAndTags) {
  const Tiff16Case& c = GetParam();
  ScratchFolder folder;
  const std::string source = folder / "source.tif", result = folder / "result.tif";
  const DeepPicture stored = RandomDeepPicture(45, 19, c.channels, c.type, 7);
  WriteDeepTiff(source, stored, c.layout);
  const TiffLayout layout = AtDepth(c.layout, c.type);
  ASSERT_EQ(StorageOf(source), Asked(layout));

  ExpectDeepRoundTrip(source, result, c.type, c.channels,
                      stored.bgr(layout.photometric == PHOTOMETRIC_MINISWHITE), stored.alpha());
  Storage expected = Asked(layout);
  expected.tiled = false;  // written in strips, whatever the source
  EXPECT_EQ(StorageOf(result), expected);
  EXPECT_EQ(TiffDirectories(result),
            std::regex_replace(TiffDirectories(source), std::regex("  Tile .*\n"), ""));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, Tiff16RoundTrip,
    ::testing::Values(
        Tiff16Case{"Grey", kUint16, 1, {.photometric = PHOTOMETRIC_MINISBLACK}},
        Tiff16Case{"GreyAlphaDeflate",
                   kUint16,
                   2,
                   {.compression = COMPRESSION_ADOBE_DEFLATE, .photometric = 1}},
        Tiff16Case{"Rgb", kUint16, 3, {}},
        Tiff16Case{"RgbaLzwPredictor2",
                   kUint16,
                   4,
                   {.compression = COMPRESSION_LZW, .predictor = PREDICTOR_HORIZONTAL}},
        Tiff16Case{"GreyMinIsWhitePackBits",
                   kUint16,
                   1,
                   {.compression = COMPRESSION_PACKBITS, .photometric = PHOTOMETRIC_MINISWHITE}},
        Tiff16Case{"RgbTiledDeflatePredictor2",
                   kUint16,
                   3,
                   {.compression = COMPRESSION_DEFLATE, .predictor = 2, .tileSize = 16}},
        Tiff16Case{"RgbBigEndianLzwPredictor2",
                   kUint16,
                   3,
                   {.compression = COMPRESSION_LZW, .predictor = 2, .bigEndian = true}},
        Tiff16Case{"FloatRgb", kFloat32, 3, {}},
        Tiff16Case{"FloatGrey", kFloat32, 1, {.photometric = PHOTOMETRIC_MINISBLACK}},
        Tiff16Case{"FloatGreyMinIsWhite", kFloat32, 1, {.photometric = PHOTOMETRIC_MINISWHITE}},
        Tiff16Case{"FloatRgbaLzwPredictor3",
                   kFloat32,
                   4,
                   {.compression = COMPRESSION_LZW, .predictor = PREDICTOR_FLOATINGPOINT}},
        Tiff16Case{"FloatGreyAlphaBigEndianDeflatePredictor2",
                   kFloat32,
                   2,
                   {.compression = COMPRESSION_ADOBE_DEFLATE,
                    .predictor = 2,
                    .photometric = 1,
                    .bigEndian = true}},
        Tiff16Case{"FloatGreyTiledDeflatePredictor3",
                   kFloat32,
                   1,
                   {.compression = COMPRESSION_ADOBE_DEFLATE,
                    .predictor = 3,
                    .photometric = 1,
                    .tileSize = 16}},
        Tiff16Case{"FloatRgbBigEndianLzwPredictor3",
                   kFloat32,
                   3,
                   {.compression = COMPRESSION_LZW, .predictor = 3, .bigEndian = true}}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusedCase {
  const char* name;
  int channels;
  TiffLayout layout;
  double badSample = 0;  // where not 0: stored in the 8th row, in the last channel
};

void PrintTo(const RefusedCase& c, std::ostream* out) { *out << c.name; }

class Tiff16Refused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(Tiff16Refused, AsAPhotoThatCannotBeDoneWithAReason) {
  const RefusedCase& c = GetParam();
  ScratchFolder folder;
  const std::string path = folder / "refused.tif";
  const int width = 9, height = 12;
  const std::size_t count = std::size_t{width} * height * c.channels;
  Bytes samples(count * static_cast<std::size_t>(c.layout.bits / 8), 0);
  if (c.badSample != 0) {
    DeepPicture p = RandomDeepPicture(width, height, c.channels, kFloat32, 3);
    const auto bad = static_cast<float>(c.badSample);
    std::memcpy(&p.samples[(8 * std::size_t{width} * c.channels - 1) * sizeof bad], &bad,
                sizeof bad);
    samples = p.samples;
  }
  WriteTiffSamples(path, width, height, c.channels, samples, c.layout);
  ASSERT_EQ(StorageOf(path).bits, c.layout.bits);

  const Decoded bytes = ReadPhoto(path);
  const DeepRead deep = ReadDeep(path);
  for (const FileError& error : {bytes.error, deep.error}) {
    EXPECT_EQ(error.problem, FileProblem::kUnsupportedPhoto) << FileErrorLine(error);
    EXPECT_NE(error.detail, ProblemDetail::kNone);
    if (c.badSample != 0) {
      EXPECT_EQ(error.detail, ProblemDetail::kFloatOutOfRange);
    }
  }
}

constexpr TiffLayout kFloat{.bits = 32, .metadata = false, .sampleFormat = SAMPLEFORMAT_IEEEFP};
constexpr TiffLayout kFloatGrey{
    .photometric = 1, .bits = 32, .metadata = false, .sampleFormat = SAMPLEFORMAT_IEEEFP};

INSTANTIATE_TEST_SUITE_P(
    Files, Tiff16Refused,
    ::testing::Values(
        RefusedCase{"FloatOneAndAHalf", 1, kFloatGrey, 1.5},
        RefusedCase{"FloatNaN", 1, kFloatGrey, std::numeric_limits<double>::quiet_NaN()},
        RefusedCase{"FloatMinusInfinity", 3, kFloat, -std::numeric_limits<double>::infinity()},
        RefusedCase{"FloatAlphaOneAndAHalf", 4, kFloat, 1.5},
        RefusedCase{"Integer32Bit", 3, {.bits = 32, .metadata = false}},
        RefusedCase{
            "Float64Bit",
            1,
            {.photometric = 1, .bits = 64, .metadata = false, .sampleFormat = SAMPLEFORMAT_IEEEFP}},
        RefusedCase{
            "Float16Bit", 3, {.bits = 16, .metadata = false, .sampleFormat = SAMPLEFORMAT_IEEEFP}},
        RefusedCase{
            "Signed16Bit", 3, {.bits = 16, .metadata = false, .sampleFormat = SAMPLEFORMAT_INT}},
        RefusedCase{
            "AssociatedAlpha16Bit", 4, {.bits = 16, .metadata = false, .premultiplied = true}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace hosei::test
