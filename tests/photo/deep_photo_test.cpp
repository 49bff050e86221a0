// Deep PNG, TIFF and FITS photos corrected by Execute at their own depth, and their readers
// and writers kept to that depth.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <utility>

#include "deep_photo_support.h"
#include "execute.h"
#include "file_descriptor.h"
#include "problem_words.h"

namespace hosei::test {
namespace {

constexpr SampleType kUint16 = SampleType::kUint16, kFloat32 = SampleType::kFloat32;
using Writes = std::function<void(const std::string& path)>;

Parameters Gamma() { return {.mode = Mode::kGamma, .gamma = 2.0f}; }
// A background adjustment tells red from blue.
Parameters Vignetting() { return {.coefficient = 90, .background = true, .threshold = 200}; }
// A fog off the middle tells the rows and columns apart.
Parameters Fog(int width, int height) {
  return {.mode = Mode::kFog,
          .lightX = width / 3,
          .lightY = height / 4,
          .size = width / 2,
          .brightness = 120,
          .shape = 1,
          .background = true,
          .threshold = 200};
}

Writes Png(const DeepPicture& picture, int colourType) {
  return [=](const std::string& path) { WriteDeepPng(path, picture, {.colourType = colourType}); };
}
Writes Tiff(const DeepPicture& picture, TiffLayout layout) {
  return [=](const std::string& path) { WriteDeepTiff(path, picture, layout); };
}
Writes Fits(FitsLayout layout) {
  return [=](const std::string& path) { WriteFits(path, layout); };
}

struct ExecuteCase {
  std::string name;
  const char* file;
  Writes write;
  Parameters parameters;
  bool storedRows = false;  // read as stored, red first, rather than through the codec
};
void PrintTo(const ExecuteCase& c, std::ostream* out) { *out << c.name; }

// Uncompressed RGB strips in this machine's byte order go from the file into the correction
// and back as stored; everything else goes through the codec. Strips of 4 rows, the last one
// short: rows this long travel 10 (16-bit) or 5 (float) to a chunk of a megabyte, so chunks
// cross strips and take several rounds, the last one short. Strips of several megabytes are
// placed a megabyte at a time (two of them: libtiff reads a single uncompressed strip as
// strips of one row).
std::vector<ExecuteCase> ExecuteCases() {
  std::vector<ExecuteCase> cases = {
      {"Png16GreyRampGamma", "ramp.png", Png(DeepRamp(64, kUint16), PNG_COLOR_TYPE_GRAY), Gamma()},
      {"Tiff16GreyRampGamma", "ramp.tif",
       Tiff(DeepRamp(64, kUint16), {.compression = 5, .photometric = 1, .metadata = false}),
       Gamma()},
      {"TiffFloatGreyRampGamma", "ramp.tif",
       Tiff(DeepRamp(64, kFloat32), {.compression = 5, .photometric = 1, .metadata = false}),
       Gamma()},
      {"FitsColour16", "M42.fits", Fits({.bitpix = 16, .planes = 3, .width = 9000, .height = 90}),
       Fog(9000, 90), true},
      {"FitsColourFloatTopDown", "M42.fits",
       Fits({.bitpix = -32, .planes = 3, .width = 9000, .height = 37, .topDown = true}),
       Fog(9000, 37), true},
      {"FitsGrey16", "M42.fits", Fits({.bitpix = 16, .planes = 1, .width = 300, .height = 50}),
       Fog(300, 50), true},
  };
  for (const auto& [type, name] : {std::pair{kUint16, "16"}, std::pair{kFloat32, "Float"}}) {
    const std::string prefix = std::string("Tiff") + name;
    for (const auto& [suffix, layout, stored] :
         {std::tuple{"StoredStrips", TiffLayout{}, true},
          std::tuple{"StoredBigStrips", TiffLayout{.rowsPerStrip = 23}, true},
          std::tuple{"LzwStrips", TiffLayout{.compression = COMPRESSION_LZW}, false}})
      // Made when the case runs: test discovery lists the cases under a time limit, and
      // under the sanitizers these pictures alone would take seconds.
      cases.push_back({prefix + suffix, "scan.tif",
                       [sampleType = type, tiffLayout = layout](const std::string& path) {
                         WriteDeepTiff(path, RandomDeepPicture(17000, 45, 3, sampleType, 11),
                                       tiffLayout);
                       },
                       Vignetting(), stored});
  }
  return cases;
}

class DeepExecute : public ::testing::TestWithParam<ExecuteCase> {};

// Through 8 bits the darkest samples would come out black and the others up to half a level
// of 255 off; a plane or a row out of place would move the corrections.
TEST_P(DeepExecute, TheResultIsTheRowsCorrectedDirectlyAtTheirOwnDepth) {
  const ExecuteCase& c = GetParam();
  ScratchFolder folder;
  const std::string source = folder / c.file;
  c.write(source);
  std::unique_ptr<PhotoReader> reader;
  ASSERT_FALSE(OpenPhoto(source, reader));
  EXPECT_EQ(reader->givesStoredRows(), c.storedRows);
  reader.reset();

  ExecuteJob job;
  job.currentFile = source;
  job.parameters = c.parameters;
  const ExecuteOutcome outcome = Execute(job);
  ASSERT_TRUE(outcome.succeeded()) << FileErrorLine(outcome.error);
  const Bytes expected = CorrectedDirectly(source, c.parameters);
  const DeepRead read = ReadDeep(source), corrected = ReadDeep(outcome.resultFile);
  ASSERT_FALSE(corrected.error) << FileErrorLine(corrected.error);
  EXPECT_EQ(std::pair(corrected.type, corrected.grey), std::pair(read.type, read.grey));
  EXPECT_NE(expected, read.bgr);
  EXPECT_TRUE(corrected.bgr == expected);
  if (!c.storedRows || !source.ends_with(".tif")) return;
  // A TIFF taken as stored is written back so: the same tags and the same strips.
  EXPECT_EQ(TiffDirectories(outcome.resultFile), TiffDirectories(source));
  EXPECT_EQ(StoredStripByteCounts(outcome.resultFile), StoredStripByteCounts(source));
}

INSTANTIATE_TEST_SUITE_P(Files, DeepExecute, ::testing::ValuesIn(ExecuteCases()),
                         [](const auto& info) { return info.param.name; });

// A float beyond 0..1 met in rows taken as stored ends the run with nothing left behind.
TEST(DeepStoredRows, AFloatBeyondOneIsRefusedWithNothingLeftBehind) {
  ScratchFolder folder;
  DeepPicture picture = RandomDeepPicture(17000, 45, 3, kFloat32, 11);
  const float beyond = 1.5f;
  std::memcpy(&picture.samples[(15 * 17000 * 3 + 4) * sizeof beyond], &beyond, sizeof beyond);
  WriteDeepTiff(folder / "beyond.tif", picture);
  const ExecuteOutcome outcome = Execute({folder / "beyond.tif", Vignetting(), {}, {}});
  EXPECT_EQ(outcome.error.detail, ProblemDetail::kFloatOutOfRange) << FileErrorLine(outcome.error);
  EXPECT_FALSE(std::filesystem::exists(folder / "beyond_.tif"));
}

// Stored rows are written at their places by several threads, in any order, so a writer
// counts them: one never written leaves a hole in the file, which must not pass for a result.
TEST(DeepStoredRows, AWriterFinishesOnlyWhenEveryPlacedRowWasWritten) {
  const std::pair<const char*, Writes> files[] = {
      {"scan.tif", Tiff(RandomDeepPicture(9, 6, 3, kUint16, 5), {.rowsPerStrip = 4})},
      {"M42.fits", Fits({.bitpix = -32, .planes = 3, .width = 9, .height = 6})}};
  for (const auto& [name, write] : files) {
    SCOPED_TRACE(name);
    ScratchFolder folder;
    const std::string source = folder / name, result = folder / "result";
    write(source);
    std::unique_ptr<PhotoReader> reader;
    ASSERT_FALSE(OpenPhoto(source, reader));
    ASSERT_TRUE(reader->givesStoredRows());
    const int height = reader->height();
    const std::size_t stride =
        3 * static_cast<std::size_t>(reader->width()) * BytesPerSample(reader->sampleType());
    Bytes rows(stride * static_cast<std::size_t>(height)), scratch;
    ASSERT_FALSE(reader->readStoredRowsAt(0, height, rows.data(), stride, scratch));
    EXPECT_EQ(reader->readStoredRowsAt(1, height, rows.data(), stride, scratch).detail,
              ProblemDetail::kPastLastRow);

    FileDescriptor file(::open(result.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    std::unique_ptr<PhotoWriter> writer;
    ASSERT_FALSE(reader->createWriter(file.get(), result, {}, writer));
    EXPECT_EQ(writer->writeStoredRowsAt(0, 1, rows.data(), stride, scratch).detail,
              ProblemDetail::kStoredRowsUnsupported);
    ASSERT_FALSE(writer->placeStoredRows());
    EXPECT_EQ(writer->writeStoredRowsAt(height - 1, 2, rows.data(), stride, scratch).detail,
              ProblemDetail::kPastLastRow);
    // Every row but the second, the last first.
    ASSERT_FALSE(
        writer->writeStoredRowsAt(2, height - 2, rows.data() + 2 * stride, stride, scratch));
    ASSERT_FALSE(writer->writeStoredRowsAt(0, 1, rows.data(), stride, scratch));
    EXPECT_EQ(writer->finish().detail, ProblemDetail::kRowsMissing);
    ASSERT_FALSE(writer->writeStoredRowsAt(1, 1, rows.data() + stride, stride, scratch));
    EXPECT_FALSE(writer->finish());
  }
}

struct DepthCase {
  const char* name;
  Writes write;
  bool deep;
  std::size_t sampleBytes;  // of the rows asked at the other depth
};
void PrintTo(const DepthCase& c, std::ostream* out) { *out << c.name; }

class DeepDepth : public ::testing::TestWithParam<DepthCase> {};

// A writer takes rows at its result's own depth only: bytes written into a deep result would
// lose its fine steps unseen, and deep rows could not be written into an 8-bit one.
TEST_P(DeepDepth, RowsOfTheOtherDepthAreRefusedNotConverted) {
  const DepthCase& c = GetParam();
  ScratchFolder folder;
  c.write(folder / "photo");
  const OtherDepthAnswers answers = AskAtTheOtherDepth(folder / "photo", c.deep, c.sampleBytes);
  ASSERT_FALSE(answers.opened) << FileErrorLine(answers.opened);
  EXPECT_EQ(static_cast<bool>(answers.read), !c.deep);
  EXPECT_EQ(answers.written.problem, FileProblem::kUnsupportedPhoto)
      << FileErrorLine(answers.written);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DeepDepth,
    ::testing::Values(
        DepthCase{"Png16", Png(RandomDeepPicture(4, 2, 3, kUint16, 1), PNG_COLOR_TYPE_RGB), true,
                  2},
        DepthCase{"Png8",
                  [](const std::string& path) { WritePng(path, RandomPicture(4, 2, 3, 1)); }, false,
                  2},
        DepthCase{"TiffFloat", Tiff(RandomDeepPicture(4, 2, 3, kFloat32, 1), {.metadata = false}),
                  true, 4},
        DepthCase{"Tiff8",
                  [](const std::string& path) {
                    WriteTiff(path, RandomPicture(4, 2, 3, 1), {.metadata = false});
                  },
                  false, 4},
        DepthCase{"FitsColour16", Fits({.bitpix = 16, .planes = 3}), true, 2},
        DepthCase{"FitsGreyFloat", Fits({.bitpix = -32, .planes = 1}), true, 4},
        DepthCase{"FitsColour8", Fits({.bitpix = 8, .planes = 3}), false, 4}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace hosei::test
