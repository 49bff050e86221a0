// JPEG sources that end early, hold segments after their picture or very many segments, or
// whose colour space only their segments tell (stop requests in photo_stop_test.cpp).

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "execute.h"
#include "photo_limits.h"
#include "photo_test_support.h"
#include "problem_words.h"

// After <cstdio>: libjpeg's header uses FILE without declaring it.
#include <jpeglib.h>

namespace hosei::test {
namespace {

constexpr std::uint8_t kCom = 0xFE, kApp1 = 0xE1;

Bytes Jpeg(const JpegLayout& layout, int width = 64, int height = 48) {
  return Encoded([&](const std::string& path) {
    WriteJpeg(path, RandomPicture(width, height, 3, 7), layout);
  });
}

Bytes Segment(std::uint8_t code, const std::string& data) {
  const std::size_t length = data.size() + 2;
  Bytes bytes(2 + length);
  bytes[0] = 0xFF, bytes[1] = code;
  bytes[2] = static_cast<std::uint8_t>(length >> 8), bytes[3] = static_cast<std::uint8_t>(length);
  std::copy(data.begin(), data.end(), bytes.begin() + 4);
  return bytes;
}

Bytes Repeated(const Bytes& segment, std::size_t count) {
  Bytes bytes;
  bytes.reserve(segment.size() * count);
  for (std::size_t i = 0; i < count; ++i) bytes.insert(bytes.end(), segment.begin(), segment.end());
  return bytes;
}

Bytes Inserted(Bytes jpeg, std::size_t at, const Bytes& bytes) {
  jpeg.insert(jpeg.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin(), bytes.end());
  return jpeg;
}

// Where the second scan's header starts: its marker cannot occur inside entropy-coded data.
std::size_t SecondScan(const Bytes& jpeg) {
  const std::size_t first = Find(jpeg, "\xFF\xDA");
  const Bytes rest(jpeg.begin() + static_cast<std::ptrdiff_t>(first) + 2, jpeg.end());
  return first + 2 + Find(rest, "\xFF\xDA");
}

std::size_t EndMarker(const Bytes& jpeg) { return jpeg.size() - 2; }

Bytes Cut(Bytes bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

// Segments a camera or an editor may leave after the picture, an empty one among them.
Bytes LaterSegments() {
  using namespace std::literals;
  Bytes bytes = Segment(kCom, "written after the picture");
  for (const Bytes& more : {Segment(kCom, ""), Segment(kApp1, "Exif\0\0MM\0*\0\0\0\x08\xFF"s)})
    bytes.insert(bytes.end(), more.begin(), more.end());
  return bytes;
}

// How a result must end: the later segments, then the end marker.
Bytes LaterSegmentsAndEnd() {
  Bytes bytes = LaterSegments();
  bytes.insert(bytes.end(), {0xFF, 0xD9});
  return bytes;
}

Bytes Tail(const Bytes& bytes, std::size_t size) {
  return Bytes(bytes.end() - static_cast<std::ptrdiff_t>(std::min(size, bytes.size())),
               bytes.end());
}

std::string Write(const ScratchFolder& folder, const std::string& name, const Bytes& bytes) {
  const std::string path = folder / name;
  WriteFile(path, bytes);
  return path;
}

struct Ending {
  std::string name;
  Bytes bytes;
  Bytes whole;  // the file it reads as; empty where it must be refused as corrupt
};
void PrintTo(const Ending& c, std::ostream* out) { *out << c.name; }

std::vector<Ending> Endings() {
  const Bytes huffman = Jpeg({}), arithmetic = Jpeg({.arithmetic = true});
  const Bytes progressive = Jpeg({.progressive = true});
  const Bytes arithmeticProgressive = Jpeg({.progressive = true, .arithmetic = true});
  const Bytes withLater = Inserted(huffman, EndMarker(huffman), LaterSegments());
  return {
      {"ArithmeticCutInHalf", Cut(arithmetic, arithmetic.size() / 2), {}},
      {"ArithmeticCutInItsLastRows", Cut(arithmetic, arithmetic.size() - 40), {}},
      // The arithmetic decoder reads on into missing data without a word, so a file that
      // ends without its end marker may have lost data.
      {"ArithmeticWithoutEndMarker", Cut(arithmetic, EndMarker(arithmetic)), {}},
      {"ArithmeticProgressiveCutInHalf",
       Cut(arithmeticProgressive, arithmeticProgressive.size() / 2),
       {}},
      {"HuffmanCutInHalf", Cut(huffman, huffman.size() / 2), {}},
      {"HuffmanCutInItsLastRows", Cut(huffman, huffman.size() - 40), {}},
      {"HuffmanProgressiveCutInHalf", Cut(progressive, progressive.size() / 2), {}},
      {"HuffmanCutInASegmentAfterItsScan", Cut(withLater, EndMarker(withLater) - 5), {}},
      {"HuffmanWithoutEndMarker", Cut(huffman, EndMarker(huffman)), huffman},
      {"HuffmanWithSegmentsAfterItsScanWithoutEndMarker", Cut(withLater, EndMarker(withLater)),
       huffman},
      {"ArithmeticWhole", arithmetic, arithmetic},
      {"ArithmeticProgressiveWhole", arithmeticProgressive, arithmeticProgressive},
  };
}

class JpegEnding : public ::testing::TestWithParam<Ending> {};

TEST_P(JpegEnding, IsReadWholeOrRefusedAsCorrupt) {
  const Ending& ending = GetParam();
  ScratchFolder folder;
  const std::string source = Write(folder, "source.jpg", ending.bytes);
  const FileError copied = CopyPhoto(source, folder / "result.jpg");
  if (ending.whole.empty()) {
    EXPECT_EQ(copied.problem, FileProblem::kCorruptPhoto) << FileErrorLine(copied);
    EXPECT_NE(copied.detail, ProblemDetail::kNone);
    return;
  }
  ASSERT_FALSE(copied) << FileErrorLine(copied);
  const Decoded read = ReadPhoto(source);
  EXPECT_EQ(read.bgr, ReadPhoto(Write(folder, "whole.jpg", ending.whole)).bgr);
  const Decoded again = ReadPhoto(folder / "result.jpg");
  ASSERT_FALSE(again.error) << FileErrorLine(again.error);
  EXPECT_EQ(ParseJpeg(ReadFile(folder / "result.jpg")).frame, ParseJpeg(ending.bytes).frame);
}

INSTANTIATE_TEST_SUITE_P(Files, JpegEnding, ::testing::ValuesIn(Endings()),
                         [](const auto& info) { return info.param.name; });

struct Later {
  const char* name;
  JpegLayout layout;
  bool betweenScans;  // else just before the end marker
  PhotoWriteOptions options;
};
void PrintTo(const Later& c, std::ostream* out) { *out << c.name; }

class JpegLaterSegments : public ::testing::TestWithParam<Later> {};

// The result's scans are its own, so what came after the source's first scan comes after the
// result's last one, in order and byte for byte, before the end marker.
TEST_P(JpegLaterSegments, FollowTheResultsLastScan) {
  const Later& c = GetParam();
  JpegLayout layout = c.layout;
  layout.markers = {{kCom, {'b', 'e', 'f', 'o', 'r', 'e'}}};
  const Bytes plain = Jpeg(layout);
  const Bytes source =
      Inserted(plain, c.betweenScans ? SecondScan(plain) : EndMarker(plain), LaterSegments());
  ScratchFolder folder;
  const FileError copied =
      CopyPhoto(Write(folder, "source.jpg", source), folder / "result.jpg", c.options);
  ASSERT_FALSE(copied) << FileErrorLine(copied);
  const Bytes result = ReadFile(folder / "result.jpg");
  EXPECT_EQ(Tail(result, LaterSegmentsAndEnd().size()), LaterSegmentsAndEnd());
  EXPECT_EQ(ParseJpeg(result).markers, ParseJpeg(source).markers);
  EXPECT_FALSE(ReadPhoto(folder / "result.jpg").error);
}

INSTANTIATE_TEST_SUITE_P(
    Files, JpegLaterSegments,
    ::testing::Values(Later{"Baseline", {}, false, {}},
                      Later{"BaselineAtAnotherQuality", {}, false, {.jpegQuality = 70}},
                      Later{"Arithmetic", {.arithmetic = true}, false, {}},
                      Later{"Progressive", {.progressive = true}, false, {}},
                      Later{"ProgressiveBetweenScans", {.progressive = true}, true, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// Execute decodes on one thread and writes on another (the picture is two chunks); the
// segments cross over all the same.
TEST(JpegLaterSegmentsInExecute, FollowTheResultsScan) {
  const Bytes plain = Jpeg({}, 900, 700);
  ScratchFolder folder;
  ExecuteJob job;
  job.currentFile = Write(folder, "source.jpg", Inserted(plain, EndMarker(plain), LaterSegments()));
  job.resultFile = folder / "result.jpg";
  const ExecuteOutcome outcome = Execute(job);
  ASSERT_TRUE(outcome.succeeded()) << FileErrorLine(outcome.error);
  EXPECT_EQ(Tail(ReadFile(job.resultFile), LaterSegmentsAndEnd().size()), LaterSegmentsAndEnd());
}

struct SegmentCount {
  const char* name;
  std::size_t before;  // segments before the scan
  std::size_t after;   // and after it
  std::size_t size;    // bytes in each
  FileProblem problem;
};
void PrintTo(const SegmentCount& c, std::ostream* out) { *out << c.name; }

class JpegSegmentCount : public ::testing::TestWithParam<SegmentCount> {};

TEST_P(JpegSegmentCount, IsBoundedLikeTheirBytes) {
  const SegmentCount& c = GetParam();
  const Bytes plain = Jpeg({});
  const Bytes segment = Segment(kCom, std::string(c.size, 'x'));
  const Bytes source = Inserted(Inserted(plain, EndMarker(plain), Repeated(segment, c.after)), 2,
                                Repeated(segment, c.before));
  ScratchFolder folder;
  const FileError copied = CopyPhoto(Write(folder, "source.jpg", source), folder / "result.jpg");
  EXPECT_EQ(copied.problem, c.problem) << FileErrorLine(copied);
  if (c.problem == FileProblem::kNone) {
    EXPECT_EQ(ParseJpeg(ReadFile(folder / "result.jpg")).markers.size(), c.before);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, JpegSegmentCount,
    ::testing::Values(SegmentCount{"AsManyAsAllowed", kMaxMetadataPieces, 0, 0, FileProblem::kNone},
                      SegmentCount{"OneEmptyOneTooMany", kMaxMetadataPieces + 1, 0, 0,
                                   FileProblem::kUnsupportedPhoto},
                      SegmentCount{"OneTooManyWithThoseAfterTheScan", kMaxMetadataPieces / 2,
                                   kMaxMetadataPieces / 2 + 1, 0, FileProblem::kUnsupportedPhoto},
                      SegmentCount{"MoreBytesThanCarried", kMaxCarriedBytes / 65533 + 1, 0, 65533,
                                   FileProblem::kUnsupportedPhoto}),
    [](const auto& info) { return std::string(info.param.name); });

// Saving each segment through libjpeg walked its whole list: this file took minutes.
TEST(JpegManySegments, TwoHundredThousandEmptyOnesAreRefusedAtOnce) {
  const Bytes plain = Jpeg({});
  ScratchFolder folder;
  const std::string source =
      Write(folder, "source.jpg", Inserted(plain, 2, Repeated(Segment(kCom, ""), 200000)));
  const auto started = std::chrono::steady_clock::now();
  const FileError error = ReadPhoto(source).error;
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  EXPECT_EQ(error.problem, FileProblem::kUnsupportedPhoto) << FileErrorLine(error);
}

// The picture as libjpeg decodes it with its own segment processors, blue green red.
Bytes DecodedByLibjpeg(const Bytes& file) {
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, file.data(), file.size());
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  Bytes bgr(3u * cinfo.output_width * cinfo.output_height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = &bgr[3u * cinfo.output_width * cinfo.output_scanline];
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return bgr;
}

// The component numbers of the frame and scan headers set to 'R', 'G', 'B', which libjpeg
// reads as RGB unless a JFIF segment says YCbCr.
Bytes NumberedRgb(Bytes jpeg) {
  const std::size_t frame = Find(jpeg, "\xFF\xC0"), scan = Find(jpeg, "\xFF\xDA");
  for (int c = 0; c < 3; ++c)
    jpeg[frame + 10 + 3 * c] = jpeg[scan + 5 + 2 * c] = static_cast<std::uint8_t>("RGB"[c]);
  return jpeg;
}

struct ColourCase {
  const char* name;
  bool numberedRgb;
  std::string segment;  // an APP0 or APP14 segment's bytes, by their tag
};
void PrintTo(const ColourCase& c, std::ostream* out) { *out << c.name; }

class JpegColourSpace : public ::testing::TestWithParam<ColourCase> {};

// hosei reads the segments itself; libjpeg still learns the colour space from them.
TEST_P(JpegColourSpace, IsToldAsLibjpegTellsIt) {
  const ColourCase& c = GetParam();
  const Bytes plain = Jpeg({});
  const std::uint8_t code = c.segment.starts_with("JFIF") ? 0xE0 : 0xEE;
  Bytes source = c.numberedRgb ? NumberedRgb(plain) : plain;
  if (!c.segment.empty()) source = Inserted(source, 2, Segment(code, c.segment));
  ScratchFolder folder;
  const Decoded read = ReadPhoto(Write(folder, "source.jpg", source));
  ASSERT_FALSE(read.error) << FileErrorLine(read.error);
  EXPECT_EQ(read.bgr, DecodedByLibjpeg(source));
}

INSTANTIATE_TEST_SUITE_P(Files, JpegColourSpace,
                         ::testing::Values(ColourCase{"NumberedRgb", true, ""},
                                           ColourCase{"NumberedRgbUnderJfif", true,
                                                      std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14)},
                                           ColourCase{"AdobeUntransformed", false,
                                                      std::string("Adobe\0\x64\0\0\0\0\0", 12)},
                                           ColourCase{"AdobeYcc", true,
                                                      std::string("Adobe\0\x64\0\0\0\0\1", 12)}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace hosei::test
