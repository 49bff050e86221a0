// TIFFs of 16-bit integer and 32-bit float samples, written straight through libtiff: read at
// their own depth and reduced to bytes for the screen, copied with their storage and tags,
// corrected without passing through 8 bits, and refused when a float leaves 0..1.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <tiffio.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <ostream>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "deep_rows.h"
#include "execute.h"
#include "file_descriptor.h"
#include "photo_test_support.h"
#include "problem_words.h"

namespace hosei::test {
namespace {

template <typename Sample>
Sample At(const Bytes& bytes, std::size_t index) {
  Sample value;
  std::memcpy(&value, &bytes[index * sizeof value], sizeof value);
  return value;
}

template <typename Sample>
void Append(Bytes& bytes, Sample value) {
  const auto* raw = reinterpret_cast<const std::uint8_t*>(&value);
  bytes.insert(bytes.end(), raw, raw + sizeof value);
}

template <typename Sample>
std::vector<Sample> As(const Bytes& bytes) {
  std::vector<Sample> samples(bytes.size() / sizeof(Sample));
  if (!bytes.empty()) std::memcpy(samples.data(), bytes.data(), bytes.size());
  return samples;
}

// A deep picture as TIFF stores it: top row first, `channels` samples a pixel, each in host
// byte order.
struct DeepPicture {
  int width = 0;
  int height = 0;
  int channels = 3;
  SampleType type = SampleType::kUint16;
  Bytes samples;
};

// 16-bit samples over the whole range, so that both bytes carry information; floats over
// 0..1 at 24 bits, 0 and 1 themselves among them.
DeepPicture RandomDeepPicture(int width, int height, int channels, SampleType type, unsigned seed) {
  DeepPicture picture{width, height, channels, type, {}};
  std::mt19937 random(seed);
  const std::size_t count = static_cast<std::size_t>(width) * height * channels;
  for (std::size_t i = 0; i < count; ++i) {
    if (type == SampleType::kUint16)
      Append(picture.samples, static_cast<std::uint16_t>(random()));
    else
      Append(picture.samples,
             i < 2 ? static_cast<float>(i) : static_cast<float>(random() >> 8) / 16777215.0f);
  }
  return picture;
}

// Sample `index` as a reader must give it: grey stored as MinIsWhite turned round.
void AppendRead(Bytes& out, const DeepPicture& p, std::size_t index, bool inverted) {
  if (p.type == SampleType::kUint16) {
    const auto v = At<std::uint16_t>(p.samples, index);
    Append(out, static_cast<std::uint16_t>(inverted ? 65535 - v : v));
  } else {
    const auto v = At<float>(p.samples, index);
    Append(out, inverted ? 1.0f - v : v);
  }
}

// What readDeepRows must deliver: blue, green, red triplets (grey repeated) and alpha apart.
Bytes ExpectedBgr(const DeepPicture& p, bool minIsWhite) {
  Bytes out;
  const bool grey = p.channels <= 2;
  const std::size_t pixels = static_cast<std::size_t>(p.width) * p.height;
  for (std::size_t at = 0; at < pixels * p.channels; at += static_cast<std::size_t>(p.channels))
    for (int c : {grey ? 0 : 2, grey ? 0 : 1, 0}) AppendRead(out, p, at + c, grey && minIsWhite);
  return out;
}

Bytes ExpectedAlpha(const DeepPicture& p) {
  Bytes out;
  const std::size_t pixels = static_cast<std::size_t>(p.width) * p.height;
  if (p.channels == 2 || p.channels == 4)
    for (std::size_t x = 0; x < pixels; ++x)
      AppendRead(out, p, x * p.channels + p.channels - 1, false);
  return out;
}

TiffLayout AtDepth(TiffLayout layout, SampleType type) {
  layout.bits = 8 * static_cast<int>(BytesPerSample(type));
  layout.sampleFormat = type == SampleType::kFloat32 ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT;
  return layout;
}

void WriteDeepTiff(const std::string& path, const DeepPicture& p, const TiffLayout& layout) {
  WriteTiffSamples(path, p.width, p.height, p.channels, p.samples, AtDepth(layout, p.type));
}

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

// The strip byte counts of a little-endian TIFF's first directory as stored: libtiff
// mends a single uncompressed strip's count that looks too small as it reads it.
std::vector<std::uint32_t> StoredStripByteCounts(const std::string& path) {
  const Bytes bytes = ReadFile(path);
  const auto word = [&bytes](std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes.at(at + i);
    return value;
  };
  std::vector<std::uint32_t> counts;
  const std::size_t directory = word(4, 4);
  for (std::uint32_t e = 0; e < word(directory, 2); ++e) {
    const std::size_t entry = directory + 2 + 12 * e;
    if (word(entry, 2) != TIFFTAG_STRIPBYTECOUNTS) continue;
    const int size = word(entry + 2, 2) == TIFF_SHORT ? 2 : 4;
    const std::uint32_t count = word(entry + 4, 4);
    const std::size_t values = count * size <= 4 ? entry + 8 : word(entry + 8, 4);
    for (std::uint32_t i = 0; i < count; ++i) counts.push_back(word(values + i * size, size));
  }
  return counts;
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

  const DeepRead read = ReadDeep(source);
  ASSERT_FALSE(read.error) << FileErrorLine(read.error);
  EXPECT_EQ(read.type, c.type);
  EXPECT_EQ(read.grey, c.channels <= 2);
  EXPECT_EQ(read.hasAlpha, c.channels == 2 || c.channels == 4);
  const Bytes bgr = ExpectedBgr(stored, layout.photometric == PHOTOMETRIC_MINISWHITE);
  EXPECT_EQ(read.bgr, bgr);
  EXPECT_EQ(read.alpha, ExpectedAlpha(stored));

  const ReducedRead inTurn = ReadReducedInTurn(source);
  EXPECT_FALSE(inTurn.error) << FileErrorLine(inTurn.error);
  EXPECT_EQ(inTurn.bgr, ReducedDeep(c.type, bgr));
  EXPECT_EQ(inTurn.alpha, ReducedDeep(c.type, ExpectedAlpha(stored)));

  const FileError copied = CopyPhoto(source, result);
  ASSERT_FALSE(copied) << FileErrorLine(copied);
  Storage expected = Asked(layout);
  expected.tiled = false;  // written in strips, whatever the source
  EXPECT_EQ(StorageOf(result), expected);
  EXPECT_EQ(TiffDirectories(result),
            std::regex_replace(TiffDirectories(source), std::regex("  Tile .*\n"), ""));
  const DeepRead again = ReadDeep(result);
  ASSERT_FALSE(again.error) << FileErrorLine(again.error);
  EXPECT_EQ(again.bgr, read.bgr);
  EXPECT_EQ(again.alpha, read.alpha);
}

constexpr SampleType kUint16 = SampleType::kUint16, kFloat32 = SampleType::kFloat32;

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

// The value a deep sample stands for, 0..1.
double Fraction(const Bytes& samples, SampleType type, std::size_t index) {
  return type == SampleType::kUint16 ? At<std::uint16_t>(samples, index) / 65535.0
                                     : At<float>(samples, index);
}

// Through 8 bits every sample below 1/510 would come out black and the others up to half a
// level of 255 off; at their own depth they are within the corrector's rounding of the
// exact curve.
TEST(Tiff16Execute, GammaIsAppliedAtTheSamplesOwnDepth) {
  const std::pair<SampleType, double> depths[] = {{kUint16, 2 / 65535.0}, {kFloat32, 1e-5}};
  for (const auto& [type, tolerance] : depths) {
    SCOPED_TRACE(type == kUint16 ? "16 bits" : "float");
    ScratchFolder folder;
    const std::string source = folder / "ramp.tif";
    const int side = 64;
    const std::size_t count = side * side;
    // Squared, so that many samples lie below one level of 255.
    DeepPicture ramp{side, side, 1, type, {}};
    for (std::size_t i = 0; i < count; ++i) {
      const double v = std::pow(static_cast<double>(i) / (count - 1), 2);
      if (type == kUint16)
        Append(ramp.samples, static_cast<std::uint16_t>(std::lround(65535 * v)));
      else
        Append(ramp.samples, static_cast<float>(v));
    }
    WriteDeepTiff(source, ramp,
                  {.compression = COMPRESSION_LZW, .photometric = 1, .metadata = false});

    ExecuteJob job;
    job.currentFile = source;
    job.parameters.mode = Mode::kGamma;
    job.parameters.gamma = 2.0f;
    const ExecuteOutcome outcome = Execute(job);
    ASSERT_TRUE(outcome.succeeded()) << FileErrorLine(outcome.error);
    const DeepRead corrected = ReadDeep(outcome.resultFile);
    ASSERT_FALSE(corrected.error) << FileErrorLine(corrected.error);
    ASSERT_EQ(corrected.type, type);
    ASSERT_EQ(corrected.bgr.size(), 3 * count * BytesPerSample(type));
    int dark = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const double v = Fraction(ramp.samples, type, i);
      dark += v > 0 && v < 1 / 510.0;
      ASSERT_NEAR(Fraction(corrected.bgr, type, 3 * i + 1), std::sqrt(v), tolerance)
          << "sample " << i << ", stored " << v;
    }
    EXPECT_GT(dark, 100);
  }
}

// Uncompressed RGB strips in this machine's byte order go from the file into the correction
// and back as stored, red first; everything else through libtiff's scanlines, blue first.
// Both must give the same samples, the background adjustment (which tells red from blue)
// included, and a float beyond 0..1 is refused on either way with nothing left behind.
TEST(Tiff16Execute, RowsTakenAsStoredComeOutAsThroughTheCodec) {
  for (const SampleType type : {kUint16, kFloat32}) {
    SCOPED_TRACE(type == kUint16 ? "16 bits" : "float");
    ScratchFolder folder;
    const std::string stored = folder / "stored.tif", coded = folder / "coded.tif",
                      bigStrips = folder / "big strips.tif";
    // Strips of 4 rows, the last one short. Rows this long travel 10 (16-bit) or 5 (float)
    // to a chunk of a megabyte, so chunks cross strips and the rows take several rounds of
    // chunks, the last one short. Strips of several megabytes are placed a megabyte at a time
    // (two of them: libtiff reads a single uncompressed strip as strips of one row).
    const DeepPicture picture = RandomDeepPicture(17000, 45, 3, type, 11);
    WriteDeepTiff(stored, picture, {});
    WriteDeepTiff(coded, picture, {.compression = COMPRESSION_LZW});
    WriteDeepTiff(bigStrips, picture, {.rowsPerStrip = 23});
    for (const auto& [path, asStored] :
         {std::pair{stored, true}, std::pair{coded, false}, std::pair{bigStrips, true}}) {
      std::unique_ptr<PhotoReader> reader;
      ASSERT_FALSE(OpenPhoto(path, reader));
      EXPECT_EQ(reader->givesStoredRows(), asStored) << path;
    }
    ExecuteJob job;
    job.parameters.mode = Mode::kVignetting;
    job.parameters.coefficient = 90;
    job.parameters.background = true;
    job.parameters.threshold = 200;
    std::vector<DeepRead> results;
    for (const std::string& path : {stored, coded, bigStrips}) {
      job.currentFile = path;
      const ExecuteOutcome outcome = Execute(job);
      ASSERT_TRUE(outcome.succeeded()) << FileErrorLine(outcome.error);
      results.push_back(ReadDeep(outcome.resultFile));
      ASSERT_FALSE(results.back().error) << FileErrorLine(results.back().error);
    }
    EXPECT_EQ(results[0].bgr, results[1].bgr);
    EXPECT_EQ(results[2].bgr, results[1].bgr);
    EXPECT_NE(results[0].bgr, ReadDeep(stored).bgr);
    EXPECT_EQ(StorageOf(folder / "stored_.tif"), StorageOf(stored));
    for (const std::string name : {"stored", "big strips"})
      EXPECT_EQ(StoredStripByteCounts(folder / (name + "_.tif")),
                StoredStripByteCounts(folder / (name + ".tif")))
          << name;

    // Asked to stop once some rows are done, the run ends with nothing left behind.
    struct Stopper : ExecuteObserver {
      void rowsDone(int) override { stop = true; }
      bool stopRequested() const override { return stop; }
      bool stop = false;
    } stopper;
    job.currentFile = stored;
    job.resultFile = folder / "stopped.tif";
    EXPECT_EQ(Execute(job, &stopper).error.problem, FileProblem::kStopped);
    EXPECT_FALSE(std::filesystem::exists(job.resultFile));
    job.resultFile.clear();

    if (type != kFloat32) continue;
    DeepPicture bad = picture;
    const float beyond = 1.5f;
    std::memcpy(&bad.samples[(15 * 17000 * 3 + 4) * sizeof beyond], &beyond, sizeof beyond);
    const std::string refused = folder / "beyond.tif";
    WriteDeepTiff(refused, bad, {});
    job.currentFile = refused;
    const ExecuteOutcome outcome = Execute(job);
    EXPECT_EQ(outcome.error.detail, ProblemDetail::kFloatOutOfRange)
        << FileErrorLine(outcome.error);
    EXPECT_FALSE(std::filesystem::exists(folder / "beyond_.tif"));
  }
}

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

// The writer takes rows at the result's own depth only: bytes into a deep TIFF would lose
// what lay beyond 8 bits unseen, and deep rows could not be written into an 8-bit one.
TEST(Tiff16Depth, RowsOfTheOtherDepthAreRefusedNotConverted) {
  ScratchFolder folder;
  const std::string deep = folder / "deep.tif", bytes = folder / "bytes.tif";
  WriteDeepTiff(deep, RandomDeepPicture(4, 2, 3, kFloat32, 1), {.metadata = false});
  WriteTiff(bytes, RandomPicture(4, 2, 3, 1), {.metadata = false});
  for (const auto& [path, isDeep] : {std::pair{deep, true}, std::pair{bytes, false}}) {
    SCOPED_TRACE(path);
    const OtherDepthAnswers answers = AskAtTheOtherDepth(path, isDeep, 4);
    ASSERT_FALSE(answers.opened) << FileErrorLine(answers.opened);
    EXPECT_EQ(static_cast<bool>(answers.read), !isDeep);
    EXPECT_EQ(answers.written.problem, FileProblem::kUnsupportedPhoto)
        << FileErrorLine(answers.written);
  }
}

}  // namespace
}  // namespace hosei::test
