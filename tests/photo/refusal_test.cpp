#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "file_descriptor.h"
#include "photo_encoders.h"
#include "photo_test_support.h"
#include "test_bitmap.h"

namespace hosei {
namespace {

using test::Bytes;

Bytes Made(const std::function<void(const std::string&)>& write) {
  test::ScratchFolder folder;
  const std::string path = folder / "made";
  write(path);
  return test::ReadFile(path);
}

Bytes Png(int colourType, int depth, bool interlaced = false) {
  const int channels = colourType == 6 ? 4 : colourType == 2 ? 3 : 1;
  return Made([&](const std::string& path) {
    test::PngSpec spec;
    spec.colourType = colourType;
    spec.bitDepth = depth;
    spec.interlaced = interlaced;
    test::WritePng(path, test::RandomPicture(40, 30, channels, 1), spec);
  });
}

Bytes Tiff(test::TiffSpec spec, int channels = 3) {
  return Made([&](const std::string& path) {
    test::WriteTiff(path, test::RandomPicture(40, 30, channels, 2), spec);
  });
}

Bytes Jpeg(int components, bool progressive = false) {
  return Made([&](const std::string& path) {
    test::JpegSpec spec;
    spec.components = components;
    spec.progressive = progressive;
    test::WriteJpeg(path, test::RandomPicture(40, 30, components, 3), spec);
  });
}

std::size_t Find(const Bytes& bytes, const std::string& what) {
  const Bytes pattern(what.begin(), what.end());
  return static_cast<std::size_t>(
      std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end()) - bytes.begin());
}

Bytes Cut(Bytes bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

// A JPEG that claims `side` x `side` dots and ends right after its scan header.
Bytes Huge(int side, bool progressive) {
  Bytes bytes = Jpeg(3, progressive);
  const std::size_t frame = Find(bytes, progressive ? "\xFF\xC2" : "\xFF\xC0");
  for (std::size_t at : {frame + 5, frame + 7}) {
    bytes[at] = static_cast<std::uint8_t>(side >> 8);
    bytes[at + 1] = static_cast<std::uint8_t>(side & 0xFF);
  }
  bytes.resize(Find(bytes, "\xFF\xDA") + 14);
  bytes.insert(bytes.end(), {0xFF, 0xD9});
  return bytes;
}

// An APP2 segment whose length runs past the end of the file, or is too short to be one.
Bytes BadSegmentLength(std::uint8_t high, std::uint8_t low) {
  Bytes bytes = Jpeg(3);
  const Bytes segment = {0xFF, 0xE2, high, low, 'I', 'C', 'C', '_'};
  bytes.insert(bytes.begin() + 2, segment.begin(), segment.end());
  return bytes;
}

// A TIFF whose last strip's byte count claims more than the file holds.
Bytes StripPastTheEnd() {
  test::TiffSpec spec;
  spec.metadata = false;
  Bytes bytes = Tiff(spec);
  const auto word = [&bytes](std::size_t at, int size) {
    return size == 2 ? bytes[at] | bytes[at + 1] << 8
                     : bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24;
  };
  const auto directory = static_cast<std::size_t>(word(4, 4));
  for (int e = 0; e < word(directory, 2); ++e) {
    const std::size_t entry = directory + 2 + 12 * static_cast<std::size_t>(e);
    if (word(entry, 2) != TIFFTAG_STRIPBYTECOUNTS) continue;
    const int size = word(entry + 2, 2) == TIFF_SHORT ? 2 : 4;
    const int count = word(entry + 4, 4);
    const std::size_t values =
        count * size <= 4 ? entry + 8 : static_cast<std::size_t>(word(entry + 8, 4));
    bytes[values + static_cast<std::size_t>((count - 1) * size) + 1] += 0x40;
  }
  return bytes;
}

struct BadFile {
  std::string name;
  Bytes bytes;
  FileProblem problem;
};

std::vector<BadFile> BadFiles() {
  test::TiffSpec sixteen;
  sixteen.bits = 16;
  test::TiffSpec twoPages;
  twoPages.pages = 2;
  twoPages.metadata = false;
  test::TiffSpec jpegCompressed;
  jpegCompressed.compression = COMPRESSION_JPEG;
  jpegCompressed.metadata = false;
  jpegCompressed.tileSize = 16;
  Bytes bigTiff = {'I', 'I', 43, 0, 8, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0};
  Bytes badIdat = Png(2, 8);
  badIdat[Find(badIdat, "IDAT") + 40] ^= 0x55;
  Bytes badIdatCrc = Png(2, 8);
  badIdatCrc[Find(badIdatCrc, "IEND") - 5] ^= 0x01;

  const auto unsupported = FileProblem::kUnsupportedPhoto;
  const auto corrupt = FileProblem::kCorruptPhoto;
  std::vector<BadFile> files = {
      {"Png16Bit", Png(2, 16), unsupported},
      {"Tiff16Bit", Tiff(sixteen), unsupported},
      {"TiffTwoPages", Tiff(twoPages), unsupported},
      {"TiffJpegCompressed", Tiff(jpegCompressed), unsupported},
      {"BigTiff", bigTiff, unsupported},
      {"JpegCmyk", Jpeg(4), unsupported},
      {"Jpeg65535Squared", Huge(65535, false), unsupported},
      {"Jpeg65000SquaredNoData", Huge(65000, false), corrupt},
      {"Jpeg65000SquaredProgressive", Huge(65000, true), unsupported},
      {"JpegSegmentPastTheEnd", BadSegmentLength(0x7F, 0xFF), corrupt},
      {"JpegSegmentTooShort", BadSegmentLength(0, 1), corrupt},
      {"PngBrokenIdat", badIdat, corrupt},
      {"PngBadIdatCrc", badIdatCrc, corrupt},
      {"TiffStripPastTheEnd", StripPastTheEnd(), corrupt},
      {"Empty", {}, unsupported},
  };
  // Cut at the header, in the middle and near the end.
  const std::pair<const char*, Bytes> whole[] = {{"Jpeg", Jpeg(3)},
                                                 {"JpegProgressive", Jpeg(3, true)},
                                                 {"Png", Png(6, 8)},
                                                 {"PngInterlaced", Png(2, 8, true)},
                                                 {"Tiff", Tiff(test::TiffSpec{})}};
  for (const auto& [name, bytes] : whole)
    for (std::size_t cut : {std::size_t{9}, std::size_t{30}, bytes.size() / 2, bytes.size() - 20})
      files.push_back(
          {std::string(name) + "CutAt" + std::to_string(cut), Cut(bytes, cut), corrupt});
  return files;
}

class BadPhoto : public ::testing::TestWithParam<BadFile> {};

TEST_P(BadPhoto, EndsInTheRightProblemWithAReason) {
  test::ScratchFolder folder;
  const std::string path = folder / "photo";
  test::WriteFile(path, GetParam().bytes);
  const test::Decoded read = test::ReadPhoto(path);
  EXPECT_EQ(read.error.problem, GetParam().problem) << DescribeFileError(read.error);
  EXPECT_EQ(read.error.path, path);
  EXPECT_FALSE(read.error.systemMessage.empty());
}

INSTANTIATE_TEST_SUITE_P(Files, BadPhoto, ::testing::ValuesIn(BadFiles()),
                         [](const auto& info) { return info.param.name; });

TEST(PhotoStreams, RefuseRowsPastTheEndAndMissingRows) {
  test::ScratchFolder folder;
  const std::string source = folder / "a.png", result = folder / "b.png";
  test::WriteFile(source, Png(2, 8));
  std::unique_ptr<PhotoReader> reader;
  ASSERT_FALSE(OpenPhoto(source, reader));
  Bytes rows(3u * 40 * 31);
  EXPECT_EQ(reader->readRows(31, rows.data(), 120).problem, FileProblem::kReadFailed);
  EXPECT_FALSE(reader->readRows(30, rows.data(), 120));
  EXPECT_TRUE(reader->readRows(1, rows.data(), 120));

  FileDescriptor file(::open(result.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644));
  std::unique_ptr<PhotoWriter> writer;
  ASSERT_FALSE(CreatePhotoWriter(*reader, file.get(), result, {}, writer));
  EXPECT_FALSE(writer->writeRows(29, rows.data(), 120));
  EXPECT_EQ(writer->finish().problem, FileProblem::kCannotWrite);
}

TEST(PhotoStreams, AFullDiskIsAWriteErrorWithTheSystemsReason) {
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  test::ScratchFolder folder;
  for (const char* name : {"a.png", "a.tif", "a.jpg"}) {
    const std::string source = folder / name;
    const std::string kind = name;
    test::WriteFile(source, kind.ends_with("png")   ? Png(2, 8)
                            : kind.ends_with("tif") ? Tiff(test::TiffSpec{})
                                                    : Jpeg(3));
    const FileError error = test::CopyPhoto(source, "/dev/full");
    EXPECT_EQ(error.problem, FileProblem::kCannotWrite) << name;
    EXPECT_EQ(error.systemMessage, std::strerror(ENOSPC)) << name;
  }
}

TEST(PhotoStreams, OnlyASingleScanJpegMayLackItsEndMarker) {
  test::ScratchFolder folder;
  const std::string path = folder / "photo.jpg";
  // Whether a progressive JPEG's last scans are missing cannot be told from the file.
  for (const bool progressive : {false, true}) {
    test::WriteFile(path, Cut(Jpeg(3, progressive), Jpeg(3, progressive).size() - 2));
    EXPECT_EQ(test::ReadPhoto(path).error.problem,
              progressive ? FileProblem::kCorruptPhoto : FileProblem::kNone);
  }
}

TEST(PhotoStreams, SourceTablesTheEncoderCannotTakeAreRefusedUnlessReplaced) {
  test::ScratchFolder folder;
  const std::string source = folder / "zero.jpg", result = folder / "result.jpg";
  Bytes bytes = Jpeg(3);
  bytes[Find(bytes, "\xFF\xDB") + 5] = 0;  // the first value of the first table
  test::WriteFile(source, bytes);
  EXPECT_FALSE(test::ReadPhoto(source).error);
  EXPECT_EQ(test::CopyPhoto(source, result).problem, FileProblem::kUnsupportedPhoto);
  PhotoWriteOptions options;
  options.jpegQuality = 80;
  EXPECT_FALSE(test::CopyPhoto(source, result, options));
}

}  // namespace
}  // namespace hosei
