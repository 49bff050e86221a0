// TIFFs of 8-bit and 16-bit integer and 32-bit float samples, written straight through
// libtiff: read at their own depth (deep ones also reduced to bytes for the screen), copied
// with their storage and tags, and refused when a float leaves 0..1.

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

constexpr SampleType kUint8 = SampleType::kUint8, kUint16 = SampleType::kUint16,
                     kFloat32 = SampleType::kFloat32;

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

struct TiffCase {
  const char* name;
  SampleType type;
  int channels;
  TiffLayout layout;
};

void PrintTo(const TiffCase& c, std::ostream* out) { *out << c.name; }

class TiffRoundTrip : public ::testing::TestWithParam<TiffCase> {};

TEST_P(TiffRoundTrip, ReadsEverySampleAndWritesBackTheSameStorageAndTags) {
  const TiffCase& c = GetParam();
  ScratchFolder folder;
  const std::string source = folder / "source.tif", result = folder / "result.tif";
  const DeepPicture stored = RandomDeepPicture(45, 19, c.channels, c.type, 7);
  WriteDeepTiff(source, stored, c.layout);
  const TiffLayout layout = AtDepth(c.layout, c.type);
  ASSERT_EQ(StorageOf(source), Asked(layout));

  ExpectDeepRoundTrip(source, result, c.type, c.channels,
                      stored.bgr(layout.photometric == PHOTOMETRIC_MINISWHITE), stored.alpha());
  // The same storage and tags (which tell it all), written in strips whatever the source.
  const std::string from = TiffDirectories(source);
  EXPECT_EQ(TiffDirectories(result), std::regex_replace(from, std::regex("  Tile .*\n"), ""));
  EXPECT_EQ(from.find("LatitudeRef") != std::string::npos, c.layout.metadata);
}

constexpr auto kLzw = COMPRESSION_LZW, kDeflate = COMPRESSION_ADOBE_DEFLATE,
               kZip = COMPRESSION_DEFLATE, kPackBits = COMPRESSION_PACKBITS;
constexpr int kWhite = PHOTOMETRIC_MINISWHITE, kBlack = PHOTOMETRIC_MINISBLACK;

INSTANTIATE_TEST_SUITE_P(
    Kinds, TiffRoundTrip,
    ::testing::Values(
        TiffCase{"ByteLzwPredictor", kUint8, 3, {.compression = kLzw, .predictor = 2}},
        TiffCase{"ByteBigEndian", kUint8, 3, {.compression = kLzw, .bigEndian = true}},
        TiffCase{"ByteGreyMinIsWhitePackBits",
                 kUint8,
                 1,
                 {.compression = kPackBits, .photometric = kWhite}},
        TiffCase{"ByteGreyAlpha", kUint8, 2, {.compression = kZip, .photometric = kBlack}},
        TiffCase{"ByteTiledAsStrips",
                 kUint8,
                 4,
                 {.compression = kDeflate, .predictor = 2, .tileSize = 16}},
        TiffCase{"ByteNoMetadata", kUint8, 3, {.metadata = false}},
        // FillOrder 2 reverses the bits of every stored byte, the compressed ones included.
        TiffCase{"ByteOwnFieldsFillOrder2", kUint8, 3, {.ownFields = true}},
        TiffCase{
            "ByteOwnFieldsFillOrder2GreyTiledDeflate",
            kUint8,
            1,
            {.compression = kDeflate, .photometric = kBlack, .tileSize = 16, .ownFields = true}},
        TiffCase{"Grey", kUint16, 1, {.photometric = kBlack}},
        TiffCase{"GreyAlphaDeflate", kUint16, 2, {.compression = kDeflate, .photometric = kBlack}},
        TiffCase{"Rgb", kUint16, 3, {}},
        TiffCase{"RgbaLzwPredictor2", kUint16, 4, {.compression = kLzw, .predictor = 2}},
        TiffCase{"GreyMinIsWhitePackBits",
                 kUint16,
                 1,
                 {.compression = kPackBits, .photometric = kWhite}},
        TiffCase{"RgbTiledDeflatePredictor2",
                 kUint16,
                 3,
                 {.compression = kZip, .predictor = 2, .tileSize = 16}},
        TiffCase{"RgbBigEndianLzwPredictor2",
                 kUint16,
                 3,
                 {.compression = kLzw, .predictor = 2, .bigEndian = true}},
        TiffCase{"FloatRgb", kFloat32, 3, {}},
        TiffCase{"FloatGrey", kFloat32, 1, {.photometric = kBlack}},
        TiffCase{"FloatGreyMinIsWhite", kFloat32, 1, {.photometric = kWhite}},
        TiffCase{"FloatRgbaLzwPredictor3", kFloat32, 4, {.compression = kLzw, .predictor = 3}},
        TiffCase{"FloatGreyAlphaBigEndianDeflatePredictor2",
                 kFloat32,
                 2,
                 {.compression = kDeflate, .predictor = 2, .photometric = 1, .bigEndian = true}},
        TiffCase{"FloatGreyTiledDeflatePredictor3",
                 kFloat32,
                 1,
                 {.compression = kDeflate, .predictor = 3, .photometric = 1, .tileSize = 16}},
        TiffCase{"FloatRgbBigEndianLzwPredictor3",
                 kFloat32,
                 3,
                 {.compression = kLzw, .predictor = 3, .bigEndian = true}}),
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
