// Photos read exactly (JPEG closely) and written back in their own kind with the tables and
// metadata they came with, 16-bit PNGs at their own depth (TIFF storage and tags in
// tiff_depth_test.cpp); broken or unsupported ones refused with a reason.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <tiffio.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "deep_photo_support.h"
#include "file_descriptor.h"
#include "photo_limits.h"
#include "problem_words.h"

namespace hosei::test {
namespace {

// Reads the source, copies it through reader and writer as Execute does, reads the copy.
std::pair<Decoded, Decoded> ReadCopyAndReadBack(const std::string& source,
                                                const std::string& result,
                                                const PhotoWriteOptions& options = {}) {
  const FileError copied = CopyPhoto(source, result, options);
  return {ReadPhoto(source), copied ? Decoded{copied} : ReadPhoto(result)};
}

double MeanDifference(const Bytes& a, const Bytes& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += std::abs(a[i] - b[i]);
  return a.empty() ? 0 : sum / static_cast<double>(a.size());
}

struct JpegCase {
  const char* name;
  JpegLayout layout;
  int quality;  // for the copy: 0 keeps the tables
};

// Each case prints as its name, in gtest's listing and its failure messages, not as bytes.
void PrintTo(const JpegCase& c, std::ostream* out) { *out << c.name; }

class JpegRoundTrip : public ::testing::TestWithParam<JpegCase> {};

TEST_P(JpegRoundTrip, KeepsTablesSamplingProgressionAndSegments) {
  const JpegCase& c = GetParam();
  ScratchFolder folder;
  const std::string source = folder / "source.jpg", result = folder / "result.jpg";
  // Smooth enough for the JPEG to look like a photo, with some noise.
  Picture picture = RandomPicture(61, 35, c.layout.components, 9);
  for (std::size_t i = 0; i < picture.samples.size(); ++i)
    picture.samples[i] = static_cast<std::uint8_t>(i / 37 % 200 + picture.samples[i] % 16);
  JpegLayout layout = c.layout;
  layout.markers = CameraMarkers();
  WriteJpeg(source, picture, layout);

  const auto [read, again] = ReadCopyAndReadBack(source, result, {.jpegQuality = c.quality});
  ASSERT_FALSE(read.error || again.error) << FileErrorLine(read.error ? read.error : again.error);
  EXPECT_EQ(read.grey, layout.components == 1);
  EXPECT_FALSE(read.hasAlpha);
  EXPECT_LT(MeanDifference(read.bgr, picture.bgr()), 8);
  EXPECT_LT(MeanDifference(again.bgr, read.bgr), c.quality ? 8 : 2.5);

  const JpegFile from = ParseJpeg(ReadFile(source)), to = ParseJpeg(ReadFile(result));
  EXPECT_EQ(to.frame, from.frame);
  EXPECT_EQ(to.components, from.components);
  EXPECT_EQ(to.markers, from.markers);
  EXPECT_EQ(to.tables == from.tables, c.quality == 0);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, JpegRoundTrip,
    ::testing::Values(
        JpegCase{"Baseline420", {}, 0},
        JpegCase{"Progressive444", {.h = 1, .v = 1, .progressive = true}, 0},
        JpegCase{"Baseline422OwnCrTable", {.h = 2, .v = 1, .ownCrTable = true}, 0},
        JpegCase{"WithJfifNotDoubled", {.jfif = true}, 0},
        JpegCase{"GreyProgressive", {.components = 1, .h = 1, .v = 1, .progressive = true}, 0},
        JpegCase{"QualityOverride", {.h = 2, .v = 1, .progressive = true}, 40}),
    [](const auto& info) { return std::string(info.param.name); });

int ChannelsOf(int colourType) {
  return colourType == 4 ? 2 : colourType == 2 ? 3 : colourType == 6 ? 4 : 1;
}

struct PngCase {
  const char* name;
  int colourType, bitDepth;
  bool transparency, interlaced;
  int resultColourType;
};

// The chunks every test PNG carries, some with contents per colour type, and one unknown
// chunk that must go because it is not safe to copy.
std::vector<PngChunkBytes> SourceChunks(const PngCase& c) {
  const int entries = c.colourType == 0 ? 1 : c.colourType == 4 ? 2 : c.colourType == 6 ? 4 : 3;
  return {
      {"gAMA", {0, 0, 0xB1, 0x8F}},
      {"cHRM", Bytes(32, 1)},
      {"iCCP", {'p', 'r', 'o', 'f', 0, 0, 0x78, 0x9C, 3, 0, 0, 0, 0, 1}},
      {"sBIT", Bytes(static_cast<std::size_t>(entries), 1)},
      {"bKGD", c.colourType == 3 ? Bytes{7}
               : entries <= 2    ? Bytes{0, 1}
                                 : Bytes{0, 10, 0, 20, 0, 30}},
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

// What the result must carry: the same, less the unsafe chunk and the significant bits
// (corrected samples use all eight), with a palette index or a low-depth grey turned into
// a colour.
std::vector<PngChunkBytes> ResultChunks(const PngCase& c, const Bytes& palette) {
  std::vector<PngChunkBytes> chunks;
  for (PngChunkBytes chunk : SourceChunks(c)) {
    if (chunk.type == "prVT" || chunk.type == "sBIT") continue;
    if (chunk.type == "bKGD" && c.colourType == 3)
      chunk.data = {0, palette[21], 0, palette[22], 0, palette[23]};
    if (chunk.type == "bKGD" && c.colourType == 0 && c.bitDepth < 8)
      chunk.data = {0, static_cast<std::uint8_t>(255 / ((1 << c.bitDepth) - 1))};
    chunks.push_back(chunk);
  }
  return chunks;
}

void PrintTo(const PngCase& c, std::ostream* out) { *out << c.name; }

class PngRoundTrip : public ::testing::TestWithParam<PngCase> {};

TEST_P(PngRoundTrip, ReadsExactlyAndWritesBackTheSameColourTypeAndChunks) {
  const PngCase& c = GetParam();
  ScratchFolder folder;
  const std::string source = folder / "source.png", result = folder / "result.png";
  const int width = 37, height = 23, top = (1 << c.bitDepth) - 1;
  const int channels = ChannelsOf(c.colourType);
  Picture stored = RandomPicture(width, height, channels, 11);
  for (auto& sample : stored.samples) sample = static_cast<std::uint8_t>(sample % (top + 1));
  PngLayout layout{c.colourType, c.bitDepth, c.interlaced, {}, {}, SourceChunks(c)};
  if (c.colourType == 3) layout.palette = RandomPicture(256, 1, 3, 5).samples;
  const Bytes& s = stored.samples;
  if (c.transparency)
    layout.transparency = c.colourType == 3   ? Bytes{0, 128, 255, 9}
                          : c.colourType == 0 ? Bytes{0, s[0]}
                                              : Bytes{0, s[0], 0, s[1], 0, s[2]};
  WritePng(source, stored, layout);

  // The picture a reader must make of it: palette entries looked up, depths scaled, and a
  // colour key making that one colour transparent.
  Picture expected{width, height, channels + (c.colourType == 3 ? 2 : 0) + c.transparency, {}};
  for (std::size_t p = 0; p < s.size(); p += channels) {
    const std::uint8_t* in = &s[p];
    if (c.colourType == 3) {
      expected.samples.insert(expected.samples.end(), &layout.palette[in[0] * 3u],
                              &layout.palette[in[0] * 3u] + 3);
      if (c.transparency) expected.samples.push_back(in[0] < 4 ? layout.transparency[in[0]] : 255);
      continue;
    }
    for (int k = 0; k < channels; ++k)
      expected.samples.push_back(static_cast<std::uint8_t>(in[k] * 255 / top));
    if (c.transparency)
      expected.samples.push_back(std::equal(in, in + channels, s.begin()) ? 0 : 255);
  }
  ExpectDeepRoundTrip(source, result, SampleType::kUint8, expected.channels, expected.bgr(),
                      expected.alpha());

  const PngFile written = ParsePng(ReadFile(result));
  EXPECT_EQ(written.colourType, c.resultColourType);
  EXPECT_EQ(written.bitDepth, 8);
  EXPECT_FALSE(written.interlaced);
  EXPECT_EQ(written.chunks, ResultChunks(c, layout.palette));
}

INSTANTIATE_TEST_SUITE_P(Kinds, PngRoundTrip,
                         ::testing::Values(PngCase{"Rgba", 6, 8, false, false, 6},
                                           PngCase{"GreyAlpha", 4, 8, false, false, 4},
                                           PngCase{"Palette", 3, 8, false, false, 2},
                                           PngCase{"PaletteWithTransparency", 3, 8, true, false, 6},
                                           PngCase{"Grey1BitWithKey", 0, 1, true, false, 4},
                                           PngCase{"RgbWithKey", 2, 8, true, false, 6},
                                           PngCase{"Interlaced", 2, 8, false, true, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

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
std::vector<PngChunkBytes> DeepSourceChunks(int colourType) {
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
std::vector<PngChunkBytes> DeepResultChunks(int colourType) {
  std::vector<PngChunkBytes> chunks = DeepSourceChunks(colourType);
  std::erase_if(chunks,
                [](const PngChunkBytes& c) { return c.type == "sBIT" || c.type == "prVT"; });
  return chunks;
}

class Png16RoundTrip : public ::testing::TestWithParam<Png16Case> {};

TEST_P(Png16RoundTrip, ReadsEverySampleAndWritesBackTheSameDepthColourTypeAndChunks) {
  const Png16Case& c = GetParam();
  ScratchFolder folder;
  const std::string source = folder / "source.png", result = folder / "result.png";
  const DeepPicture stored =
      RandomDeepPicture(37, 23, ChannelsOf(c.colourType), SampleType::kUint16, 17);
  WriteDeepPng(source, stored,
               {.colourType = c.colourType,
                .interlaced = c.interlaced,
                .chunks = DeepSourceChunks(c.colourType)});
  ExpectDeepRoundTrip(source, result, SampleType::kUint16, stored.channels, stored.bgr(),
                      stored.alpha());
  const PngFile written = ParsePng(ReadFile(result));
  EXPECT_EQ(written.colourType, c.colourType);
  EXPECT_EQ(written.bitDepth, 16);
  EXPECT_FALSE(written.interlaced);
  EXPECT_EQ(written.chunks, DeepResultChunks(c.colourType));
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

Bytes Png(int colourType, int depth, bool interlaced = false) {
  const int channels = colourType == 6 ? 4 : colourType == 2 ? 3 : 1;
  return Encoded([&](const std::string& path) {
    WritePng(path, RandomPicture(40, 30, channels, 1), {colourType, depth, interlaced});
  });
}

Bytes Tiff(TiffLayout layout, int channels = 3) {
  return Encoded([&](const std::string& path) {
    WriteTiff(path, RandomPicture(40, 30, channels, 2), layout);
  });
}

Bytes Jpeg(int components, bool progressive = false) {
  return Encoded([&](const std::string& path) {
    WriteJpeg(path, RandomPicture(40, 30, components, 3),
              {.components = components, .progressive = progressive});
  });
}

Bytes Cut(Bytes bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

// A JPEG that claims `side` x `side` dots and ends right after its scan header.
Bytes Huge(int side, bool progressive) {
  Bytes bytes = Jpeg(3, progressive);
  const std::size_t frame = Find(bytes, progressive ? "\xFF\xC2" : "\xFF\xC0");
  for (std::size_t at : {frame + 5, frame + 7})
    bytes[at] = static_cast<std::uint8_t>(side >> 8), bytes[at + 1] = side & 0xFF;
  bytes.resize(Find(bytes, "\xFF\xDA") + 14);
  bytes.insert(bytes.end(), {0xFF, 0xD9});
  return bytes;
}

// An APP2 segment whose length runs past the end of the file, or is too short to be one.
Bytes BadSegmentLength(std::uint8_t high, std::uint8_t low) {
  Bytes bytes = Jpeg(3);
  bytes.insert(bytes.begin() + 2, {0xFF, 0xE2, high, low, 'I', 'C', 'C', '_'});
  return bytes;
}

// A TIFF whose last strip's byte count claims more than the file holds.
Bytes StripPastTheEnd() {
  Bytes bytes = Tiff({.metadata = false});
  bytes[StripByteCountPlaces(bytes).back().first + 1] += 0x40;
  return bytes;
}

struct BadFile {
  std::string name;
  Bytes bytes;
  FileProblem problem;
};

std::vector<BadFile> BadFiles() {
  Bytes badIdat = Png(2, 8), badIdatCrc = Png(2, 8);
  badIdat[Find(badIdat, "IDAT") + 40] ^= 0x55;
  badIdatCrc[Find(badIdatCrc, "IEND") - 5] ^= 0x01;
  const Bytes progressive = Jpeg(3, true);
  const auto unsupported = FileProblem::kUnsupportedPhoto, corrupt = FileProblem::kCorruptPhoto;
  std::vector<BadFile> files = {
      {"TiffTwoPages", Tiff({.metadata = false, .pages = 2}), unsupported},
      {"TiffJpegCompressed",
       Tiff({.compression = COMPRESSION_JPEG, .tileSize = 16, .metadata = false}), unsupported},
      {"BigTiff", {'I', 'I', 43, 0, 8, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0}, unsupported},
      {"JpegCmyk", Jpeg(4), unsupported},
      {"Jpeg65535Squared", Huge(65535, false), unsupported},
      {"Jpeg65000SquaredNoData", Huge(65000, false), corrupt},
      {"Jpeg65000SquaredProgressive", Huge(65000, true), unsupported},
      {"JpegSegmentPastTheEnd", BadSegmentLength(0x7F, 0xFF), corrupt},
      {"JpegSegmentTooShort", BadSegmentLength(0, 1), corrupt},
      // Whether a progressive JPEG's last scans are missing cannot be told from the file.
      {"JpegProgressiveWithoutEndMarker", Cut(progressive, progressive.size() - 2), corrupt},
      {"PngBrokenIdat", badIdat, corrupt},
      {"PngBadIdatCrc", badIdatCrc, corrupt},
      {"TiffStripPastTheEnd", StripPastTheEnd(), corrupt},
      {"Empty", {}, unsupported},
  };
  // Cut in the header, in the middle and near the end.
  const std::pair<const char*, Bytes> whole[] = {{"Jpeg", Jpeg(3)},
                                                 {"JpegProgressive", progressive},
                                                 {"Png", Png(6, 8)},
                                                 {"PngInterlaced", Png(2, 8, true)},
                                                 {"Tiff", Tiff({})}};
  for (const auto& [name, bytes] : whole)
    for (std::size_t cut : {std::size_t{9}, bytes.size() / 2, bytes.size() - 20})
      files.push_back(
          {std::string(name) + "CutAt" + std::to_string(cut), Cut(bytes, cut), corrupt});
  return files;
}

void PrintTo(const BadFile& f, std::ostream* out) { *out << f.name; }

class BadPhoto : public ::testing::TestWithParam<BadFile> {};

TEST_P(BadPhoto, EndsInTheRightProblemWithAReason) {
  ScratchFolder folder;
  const std::string path = folder / "photo";
  WriteFile(path, GetParam().bytes);
  const Decoded read = ReadPhoto(path);
  EXPECT_EQ(read.error.problem, GetParam().problem) << FileErrorLine(read.error);
  EXPECT_EQ(read.error.path, path);
  EXPECT_TRUE(read.error.detail != ProblemDetail::kNone || !read.error.systemMessage.empty());
}

INSTANTIATE_TEST_SUITE_P(Files, BadPhoto, ::testing::ValuesIn(BadFiles()),
                         [](const auto& info) { return info.param.name; });

TEST(PhotoStreams, RefuseRowsPastTheEndAndMissingRows) {
  ScratchFolder folder;
  const std::string source = folder / "a.png", result = folder / "b.png";
  WriteFile(source, Png(2, 8));
  std::unique_ptr<PhotoReader> reader;
  ASSERT_FALSE(OpenPhoto(source, reader));
  Bytes rows(3u * 40 * 31);
  EXPECT_EQ(reader->readRows(31, rows.data(), 120).problem, FileProblem::kReadFailed);
  EXPECT_FALSE(reader->readRows(30, rows.data(), 120));
  EXPECT_TRUE(reader->readRows(1, rows.data(), 120));

  FileDescriptor file(::open(result.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644));
  std::unique_ptr<PhotoWriter> writer;
  ASSERT_FALSE(reader->createWriter(file.get(), result, {}, writer));
  EXPECT_FALSE(writer->writeRows(29, rows.data(), 120));
  EXPECT_EQ(writer->finish().problem, FileProblem::kCannotWrite);
}

// The photos fuzzing found hard to write back (an unknown GPS tag without values, say)
// copy like any other.
TEST(PhotoStreams, EveryKeptFuzzInputThatReadsAlsoCopies) {
  ScratchFolder folder;
  for (const auto& input : std::filesystem::directory_iterator(HOSEI_PHOTO_REGRESSIONS)) {
    const auto [read, again] = ReadCopyAndReadBack(input.path(), folder / "copy");
    if (read.error) continue;
    ASSERT_FALSE(again.error) << input.path() << ": " << FileErrorLine(again.error);
    EXPECT_EQ(again.bgr, read.bgr) << input.path();
  }
}

TEST(PhotoStreams, AFullDiskIsAWriteErrorWithTheSystemsReason) {
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  ScratchFolder folder;
  // The FITS with HDUs after its picture, which are written last.
  const Bytes fits =
      Encoded([](const std::string& path) { WriteFits(path, {.extensions = true}); });
  for (const auto& [name, bytes] : {std::pair{"a.png", Png(2, 8)}, std::pair{"a.tif", Tiff({})},
                                    std::pair{"a.jpg", Jpeg(3)}, std::pair{"a.fits", fits}}) {
    WriteFile(folder / name, bytes);
    const FileError error = CopyPhoto(folder / name, "/dev/full");
    EXPECT_EQ(error.problem, FileProblem::kCannotWrite) << name;
    EXPECT_EQ(error.systemMessage, std::strerror(ENOSPC)) << name;
  }
}

TEST(PhotoStreams, ASingleScanJpegMayLackItsEndMarkerAndTablesTheEncoderCannotTakeMustBeReplaced) {
  ScratchFolder folder;
  const std::string source = folder / "source.jpg", result = folder / "result.jpg";
  const Bytes baseline = Jpeg(3);
  WriteFile(source, Cut(baseline, baseline.size() - 2));
  EXPECT_FALSE(ReadPhoto(source).error);

  Bytes zero = baseline;
  zero[Find(zero, "\xFF\xDB") + 5] = 0;  // the first value of the first table
  WriteFile(source, zero);
  EXPECT_FALSE(ReadPhoto(source).error);
  EXPECT_EQ(CopyPhoto(source, result).problem, FileProblem::kUnsupportedPhoto);
  EXPECT_FALSE(CopyPhoto(source, result, {.jpegQuality = 80}));
}

}  // namespace
}  // namespace hosei::test
