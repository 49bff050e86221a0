// FITS pictures as astronomy software writes them through cfitsio: 8-bit, unsigned 16-bit and
// float samples, grey or in three colour planes, stored bottom row first or top row first.
// They read top row first at their own depth and copy sample for sample, header cards in
// order, extensions as stored; what hosei cannot take is refused with a reason, at once.

#include <fitsio.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "deep_photo_support.h"
#include "photo_limits.h"
#include "problem_words.h"

namespace hosei::test {
namespace {

// A file of exactly these cards (each padded to 80 characters), END unless `end` is false,
// then `dataBytes` zero bytes; header and data each padded to whole blocks.
Bytes RawFits(const std::vector<std::string>& cards, std::size_t dataBytes, bool end = true) {
  std::string header;
  for (const std::string& card : cards) header += (card + std::string(80, ' ')).substr(0, 80);
  if (end) header += (std::string("END") + std::string(80, ' ')).substr(0, 80);
  header.resize((header.size() + 2879) / 2880 * 2880, ' ');
  Bytes bytes(header.begin(), header.end());
  bytes.resize(bytes.size() + (dataBytes + 2879) / 2880 * 2880, 0);
  return bytes;
}

std::string Value(const std::string& keyword, const std::string& value) {
  std::string card = (keyword + "        ").substr(0, 8) + "= ";
  return card + std::string(value.size() < 20 ? 20 - value.size() : 0, ' ') + value;
}

// The mandatory cards of an 8-bit picture of these axes.
std::vector<std::string> ByteImage(std::vector<long long> axes) {
  std::vector<std::string> cards = {Value("SIMPLE", "T"), Value("BITPIX", "8"),
                                    Value("NAXIS", std::to_string(axes.size()))};
  for (std::size_t i = 0; i < axes.size(); ++i)
    cards.push_back(Value("NAXIS" + std::to_string(i + 1), std::to_string(axes[i])));
  return cards;
}

// The primary header's cards, its data as stored and the bytes after it.
struct ParsedFits {
  std::vector<std::string> cards;
  Bytes data;  // as stored, unpadded
  Bytes rest;  // every HDU after the primary one
};
ParsedFits ParseFits(const std::string& path) {
  int status = 0, count = 0, bitpix = 0, naxis = 0;
  fitsfile* f = nullptr;
  ParsedFits parsed;
  CheckFits(fits_open_file(&f, path.c_str(), READONLY, &status), "open");
  fits_get_hdrspace(f, &count, nullptr, &status);
  for (int i = 1; i <= count; ++i) {
    char card[FLEN_CARD] = {};
    fits_read_record(f, i, card, &status);
    parsed.cards.emplace_back(card);
  }
  long naxes[3] = {1, 1, 1};
  fits_get_img_param(f, 3, &bitpix, &naxis, naxes, &status);
  LONGLONG head = 0, start = 0, end = 0;
  fits_get_hduaddrll(f, &head, &start, &end, &status);
  CheckFits(status, "parse");
  fits_close_file(f, &status);
  const Bytes file = ReadFile(path);
  const auto dataBytes = static_cast<std::size_t>(std::abs(bitpix) / 8 * naxes[0] * naxes[1] *
                                                  (naxis == 3 ? naxes[2] : 1));
  parsed.data.assign(file.begin() + start, file.begin() + start + dataBytes);
  parsed.rest.assign(file.begin() + end, file.end());
  return parsed;
}

// What a reader must deliver for `layout` at its own depth, in host byte order, rows from
// `skip` below the top.
Bytes Expected(const FitsLayout& layout, int skip = 0) {
  Bytes bgr;
  const auto append = [&bgr](auto sample) {
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&sample);
    bgr.insert(bgr.end(), raw, raw + sizeof sample);
  };
  for (int fromTop = skip; fromTop < layout.height; ++fromTop) {
    const int row = layout.topDown ? fromTop + 1 : layout.height - fromTop;
    for (int x = 0; x < layout.width; ++x)
      for (int channel = 0; channel < 3; ++channel) {
        const double v = SampleOf(layout, x, row, layout.planes == 1 ? 0 : 2 - channel);
        if (layout.bitpix == 8) append(static_cast<std::uint8_t>(v));
        if (layout.bitpix == 16) append(static_cast<std::uint16_t>(v));
        if (layout.bitpix == -32) append(static_cast<float>(v));
      }
  }
  return bgr;
}

struct RoundTripCase {
  const char* name;
  FitsLayout layout;
  SampleType type;
};
void PrintTo(const RoundTripCase& c, std::ostream* out) { *out << c.name; }

class FitsRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(FitsRoundTrip, RowsReadTopFirstAndCopySampleForSampleToTheirStoredPlaces) {
  const RoundTripCase& c = GetParam();
  ScratchFolder folder;
  const std::string source = folder / "source.fits", result = folder / "result.fits";
  WriteFits(source, c.layout);

  const DeepRead read = ReadDeep(source);
  ASSERT_FALSE(read.error) << FileErrorLine(read.error);
  EXPECT_EQ(read.width, c.layout.width);
  EXPECT_EQ(read.height, c.layout.height);
  EXPECT_EQ(read.grey, c.layout.planes == 1);
  EXPECT_EQ(read.type, c.type);
  EXPECT_EQ(read.bgr, Expected(c.layout));
  // Skipped rows are passed over, not misplaced.
  EXPECT_EQ(ReadDeep(source, 2).bgr, Expected(c.layout, 2));
  // The screen sees deep samples reduced to bytes.
  EXPECT_EQ(ReadPhoto(source).bgr, IsDeep(c.type) ? ReducedDeep(c.type, read.bgr) : read.bgr);

  ASSERT_FALSE(CopyPhoto(source, result));
  const ParsedFits from = ParseFits(source), to = ParseFits(result);
  EXPECT_EQ(to.data, from.data);
  // HDUs after the picture are copied as stored.
  EXPECT_EQ(from.rest.empty(), !c.layout.extensions);
  EXPECT_EQ(to.rest, from.rest);
  EXPECT_EQ(ReadDeep(result).bgr, read.bgr);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, FitsRoundTrip,
    ::testing::Values(
        RoundTripCase{"Colour16", {.bitpix = 16, .planes = 3}, SampleType::kUint16},
        RoundTripCase{"Grey16", {.bitpix = 16, .planes = 1}, SampleType::kUint16},
        RoundTripCase{"Colour8", {.bitpix = 8, .planes = 3}, SampleType::kUint8},
        RoundTripCase{
            "Grey8TopDown", {.bitpix = 8, .planes = 1, .topDown = true}, SampleType::kUint8},
        RoundTripCase{"ColourFloat", {.bitpix = -32, .planes = 3}, SampleType::kFloat32},
        RoundTripCase{"GreyFloatWithExtensions",
                      {.bitpix = -32, .planes = 1, .extensions = true},
                      SampleType::kFloat32},
        RoundTripCase{"GreyFloatTopDown",
                      {.bitpix = -32, .planes = 1, .topDown = true},
                      SampleType::kFloat32},
        RoundTripCase{"Colour16TopDown",
                      {.bitpix = 16, .planes = 3, .height = 6, .topDown = true},
                      SampleType::kUint16},
        RoundTripCase{
            "Grey16OneRow", {.bitpix = 16, .planes = 1, .height = 1}, SampleType::kUint16},
        // Rows so long that a quarter of a megabyte holds three: several batches, the last
        // one short.
        RoundTripCase{"Colour16LongRows",
                      {.bitpix = 16, .planes = 3, .width = 40000, .height = 8},
                      SampleType::kUint16},
        RoundTripCase{"GreyFloatLongRowsTopDown",
                      {.bitpix = -32, .planes = 1, .width = 20000, .height = 7, .topDown = true},
                      SampleType::kFloat32}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FitsHeader, CardsComeBackInOrderWithOneHistoryCardAndFreshLayoutCards) {
  ScratchFolder folder;
  const std::string source = folder / "source.fits", result = folder / "result.fits",
                    again = folder / "again.fits";
  WriteFits(source, {.bitpix = 16,
                     .planes = 3,
                     .cards = {"OBJECT  = 'M 42    '           / the Orion nebula",
                               "EXPTIME =                 30.5 / seconds",
                               "COMMENT   stacked from 12 frames", "HISTORY   dark subtracted",
                               "DATASUM = '1234    '", "CHECKSUM= 'abcdefghijklmnop'",
                               "HIERARCH CAMERA GAIN = 139"}});
  ASSERT_FALSE(CopyPhoto(source, result));
  ASSERT_FALSE(CopyPhoto(result, again));

  const std::vector<std::string> from = ParseFits(source).cards;
  std::vector<std::string> carried;
  for (const std::string& card : from)
    if (card.rfind("DATASUM", 0) && card.rfind("CHECKSUM", 0)) carried.push_back(card);
  std::vector<std::string> expected = carried;
  expected.push_back("HISTORY hosei: corrected");
  EXPECT_EQ(ParseFits(result).cards, expected);
  // Copied again: one more HISTORY card, no second set of cfitsio's own comments.
  expected.push_back("HISTORY hosei: corrected");
  EXPECT_EQ(ParseFits(again).cards, expected);
  // BZERO and BSCALE are carried where they stood, and still scale the samples.
  EXPECT_NE(
      std::find(from.begin(), from.end(),
                "BZERO   =                32768 / offset data range to that of unsigned short"),
      from.end());
  EXPECT_EQ(ReadDeep(again).bgr, ReadDeep(source).bgr);
}

// cfitsio writes a card's keyword in upper case and printable: one that then reads as a
// layout card is the writer's own, not carried beside it; one it cannot write at all refuses
// the result by name, but not the reading.
TEST(FitsHeader, OddKeywordsAreLeftToTheWriterOrRefuseTheResultByName) {
  const std::pair<std::string, FileProblem> cases[] = {
      {Value("naxis1", "4"), FileProblem::kNone},
      {Value("NAXIS2\x93", "3"), FileProblem::kNone},
      {Value("OB%JECT", "1"), FileProblem::kUnsupportedPhoto}};
  for (const auto& [card, problem] : cases) {
    SCOPED_TRACE(card);
    ScratchFolder folder;
    const std::string source = folder / "source.fits", result = folder / "result.fits";
    std::vector<std::string> cards = ByteImage({4, 3});
    cards.push_back(card);
    WriteFile(source, RawFits(cards, 12));
    EXPECT_FALSE(ReadPhoto(source).error);
    const FileError copied = CopyPhoto(source, result);
    EXPECT_EQ(copied.problem, problem) << FileErrorLine(copied);
    if (copied) {
      EXPECT_NE(FileErrorLine(copied).find(card.substr(0, 7)), std::string::npos);
      // Given up before its samples, the result gets nothing: not even the data unit of
      // zeros cfitsio would write as it closes, which for a large picture fills a card.
      EXPECT_EQ(std::filesystem::file_size(result), 0u);
    } else
      EXPECT_FALSE(ReadPhoto(result).error) << FileErrorLine(ReadPhoto(result).error);
  }
}

struct Refusal {
  const char* name;
  std::function<void(const std::string& path)> write;
  FileProblem problem;
  ProblemDetail detail;
};

std::vector<Refusal> Refusals() {
  const auto fits = [](FitsLayout layout) {
    return [layout](const std::string& path) { WriteFits(path, layout); };
  };
  const auto raw = [](std::vector<std::string> cards, std::size_t data, bool end = true) {
    return [=](const std::string& path) { WriteFile(path, RawFits(cards, data, end)); };
  };
  const auto floatWith = [](double odd) {
    return FitsLayout{.bitpix = -32, .planes = 3, .sample = [odd](int x, int row, int plane) {
                        return x == 3 && row == 2 && plane == 1 ? odd : 0.5;
                      }};
  };
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<std::string> manyCards = ByteImage({4, 3});
  manyCards.resize(100000, "COMMENT   filler");
  std::vector<std::string> wrongZero = ByteImage({4, 3});
  wrongZero.push_back(Value("BZERO", "-128"));
  std::vector<std::string> cutExtension = ByteImage({4, 3});
  cutExtension.push_back(Value("EXTEND", "T"));
  const Bytes extension =
      RawFits({Value("XTENSION", "'IMAGE   '"), Value("BITPIX", "16"), Value("NAXIS", "1"),
               Value("NAXIS1", "5000"), Value("PCOUNT", "0"), Value("GCOUNT", "1")},
              1000);
  std::vector<std::string> twoScales = ByteImage({4, 3});
  twoScales.insert(twoScales.end(), {Value("BSCALE", "1"), Value("BSCALE", "0")});
  std::vector<std::string> groups = ByteImage({4, 3});
  groups.insert(groups.end(), {Value("PCOUNT", "0"), Value("GCOUNT", "-64")});
  constexpr auto kUnsupported = FileProblem::kUnsupportedPhoto;
  constexpr auto kCorrupt = FileProblem::kCorruptPhoto;
  return {
      {"FloatAboveOne", fits(floatWith(1.5)), kUnsupported, ProblemDetail::kFloatOutOfRangeOrNaN},
      {"FloatBelowZero", fits(floatWith(-0.25)), kUnsupported,
       ProblemDetail::kFloatOutOfRangeOrNaN},
      {"FloatNaN", fits(floatWith(std::nan(""))), kUnsupported,
       ProblemDetail::kFloatOutOfRangeOrNaN},
      {"FloatInfinity", fits(floatWith(inf)), kUnsupported, ProblemDetail::kFloatOutOfRangeOrNaN},
      {"Bitpix32", fits({.bitpix = 32, .planes = 1}), kUnsupported, ProblemDetail::kFitsBitpix},
      {"Bitpix64", fits({.bitpix = 64, .planes = 1}), kUnsupported, ProblemDetail::kFitsBitpix},
      {"DoubleFloats", fits({.bitpix = -64, .planes = 1}), kUnsupported,
       ProblemDetail::kFitsBitpix},
      {"Signed16",
       fits({.bitpix = 16,
             .planes = 1,
             .sample = [](int x, int row, int) { return x * 1000 - row * 3000; },
             .signedShorts = true}),
       kUnsupported, ProblemDetail::kFitsSigned16},
      {"ScaledBytes", raw(wrongZero, 12), kUnsupported, ProblemDetail::kFitsScaled},
      {"TwoPlanes", fits({.bitpix = 8, .planes = 2}), kUnsupported, ProblemDetail::kFitsLayout},
      {"FourPlanes", fits({.bitpix = 8, .planes = 4}), kUnsupported, ProblemDetail::kFitsLayout},
      {"OneAxis", raw(ByteImage({12}), 12), kUnsupported, ProblemDetail::kFitsLayout},
      {"TileCompressed", fits({.bitpix = 16, .planes = 1, .tileCompressed = true}), kUnsupported,
       ProblemDetail::kFitsTileCompressed},
      {"NoPicture", raw(ByteImage({}), 0), kUnsupported, ProblemDetail::kFitsNoImage},
      {"HugeWidth", raw(ByteImage({1000000000, 3}), 12), kUnsupported,
       ProblemDetail::kSideOutOfRange},
      {"HugeColourPicture", raw(ByteImage({1000000000, 1000000000, 3}), 12), kUnsupported,
       ProblemDetail::kSideOutOfRange},
      {"NoWidth", raw(ByteImage({0, 3}), 0), kUnsupported, ProblemDetail::kSideOutOfRange},
      {"100000Cards", raw(manyCards, 12), kUnsupported, ProblemDetail::kFitsTooManyCards},
      // cfitsio takes the one, its writer might take the other.
      {"TwoScales", raw(twoScales, 12), kCorrupt, ProblemDetail::kFitsRepeatedCards},
      // cfitsio's writer fills a data size of negative groups over its buffers.
      {"NegativeGroups", raw(groups, 12), kUnsupported, ProblemDetail::kFitsRandomGroups},
      {"NoEnd", raw(ByteImage({4, 3}), 12, false), kCorrupt,
       ProblemDetail::kFitsHeaderCutBeforeEnd},
      {"CutInTheHeader",
       [](const std::string& path) {
         const Bytes whole = RawFits(ByteImage({4, 3}), 12);
         WriteFile(path, Bytes(whole.begin(), whole.begin() + 400));
       },
       kCorrupt, ProblemDetail::kFitsHeaderCutBeforeEnd},
      {"CutInTheData",
       [](const std::string& path) {
         const Bytes whole = RawFits(ByteImage({100, 100}), 10000);
         WriteFile(path, Bytes(whole.begin(), whole.begin() + 2880 + 5000));
       },
       kCorrupt, ProblemDetail::kFitsDataTruncated},
      {"CutInAnExtension",
       [=](const std::string& path) {
         Bytes bytes = RawFits(cutExtension, 12);
         bytes.insert(bytes.end(), extension.begin(), extension.end());
         WriteFile(path, bytes);
       },
       kCorrupt, ProblemDetail::kFitsExtensionTruncated},
      {"NotAnExtensionAfterThePicture",
       [](const std::string& path) {
         Bytes bytes = RawFits(ByteImage({4, 3}), 12);
         bytes.resize(bytes.size() + 100, 'x');
         WriteFile(path, bytes);
       },
       kCorrupt, ProblemDetail::kFitsDataAfterLastUnit},
  };
}

void PrintTo(const Refusal& c, std::ostream* out) { *out << c.name; }

class FitsRefusal : public ::testing::TestWithParam<Refusal> {};

// Refused when opened or while its rows are read, before any result is written; claims of
// huge pictures and headers are refused without reading them through.
TEST_P(FitsRefusal, IsAPhotoProblemWithAReasonAtOnce) {
  const Refusal& c = GetParam();
  ScratchFolder folder;
  const std::string source = folder / "source.fits";
  c.write(source);
  const auto start = std::chrono::steady_clock::now();
  const FileError error = ReadPhoto(source).error;
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took.count(), 1.0);
  EXPECT_EQ(error.problem, c.problem) << FileErrorLine(error);
  EXPECT_EQ(error.detail, c.detail) << FileErrorLine(error);
}

INSTANTIATE_TEST_SUITE_P(Files, FitsRefusal, ::testing::ValuesIn(Refusals()),
                         [](const auto& info) { return std::string(info.param.name); });

// A result carries one card more than its source (hosei's HISTORY) and must still read.
TEST(FitsHeader, CardsUpToTheCapAreReadAndCopiedWhileTheResultStaysWithinIt) {
  const struct {
    std::size_t carried;
    FileProblem read, copied;
  } cases[] = {
      {kMaxMetadataPieces - 1, FileProblem::kNone, FileProblem::kNone},
      {kMaxMetadataPieces, FileProblem::kNone, FileProblem::kUnsupportedPhoto},
      {kMaxMetadataPieces + 1, FileProblem::kUnsupportedPhoto, FileProblem::kUnsupportedPhoto},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.carried);
    ScratchFolder folder;
    const std::string source = folder / "source.fits", result = folder / "result.fits";
    std::vector<std::string> header = ByteImage({4, 3});
    header.resize(header.size() + c.carried, "HISTORY   step");
    WriteFile(source, RawFits(header, 12));
    EXPECT_EQ(ReadPhoto(source).error.problem, c.read);
    const FileError copied = CopyPhoto(source, result);
    EXPECT_EQ(copied.problem, c.copied) << FileErrorLine(copied);
    if (!copied) {
      EXPECT_FALSE(ReadPhoto(result).error);
    }
  }
}

// hosei-cli --jobs corrects several files at once: each cfitsio file keeps to its own
// descriptor and position.
TEST(FitsStreams, FilesCopiedAtOnceOnSeveralThreadsEachKeepTheirOwnSamples) {
  ScratchFolder folder;
  constexpr int kFiles = 4;
  std::vector<std::thread> threads;
  std::vector<FileError> errors(kFiles);
  for (int i = 0; i < kFiles; ++i)
    WriteFits(
        folder / std::to_string(i),
        {.bitpix = 16,
         .planes = 3,
         .width = 300,
         .height = 200,
         .sample = [i](int x, int row,
                       int plane) { return (x * 13 + row * 7 + plane * 5 + i * 1000) % 65536; },
         .extensions = true});
  for (int i = 0; i < kFiles; ++i)
    threads.emplace_back([&, i] {
      for (int round = 0; round < 5 && !errors[i]; ++round)
        errors[i] = CopyPhoto(folder / std::to_string(i), folder / (std::to_string(i) + ".copy"));
    });
  for (std::thread& thread : threads) thread.join();
  for (int i = 0; i < kFiles; ++i) {
    SCOPED_TRACE(i);
    ASSERT_FALSE(errors[i]) << FileErrorLine(errors[i]);
    const ParsedFits from = ParseFits(folder / std::to_string(i)),
                     to = ParseFits(folder / (std::to_string(i) + ".copy"));
    EXPECT_EQ(to.data, from.data);
    EXPECT_EQ(to.rest, from.rest);
  }
}

// A 2000 x 1500 colour picture of floats is 36 MB; reading and writing it holds a few rows.
TEST(FitsMemory, CopyingALargePictureHoldsAFewRows) {
  ScratchFolder folder;
  const std::string source = folder / "source.fits", result = folder / "result.fits";
  WriteFits(source,
            {.bitpix = -32,
             .planes = 3,
             .width = 2000,
             .height = 1500,
             .sample = [](int x, int row, int plane) { return (x + row + plane) % 7 / 7.0; }});
  const ChildRun run = InChild([&] { return CopyPhoto(source, result); });
  if (run.growthMiB == -1) GTEST_SKIP() << "the peak resident memory cannot be reset here";
  ASSERT_EQ(run.problem, FileProblem::kNone) << "the copy failed";
  // A batch of rows is about a megabyte; the rest is room for ThreadSanitizer's shadow of
  // what the copy touches (8.2 MiB measured under it), still a third of the picture.
  EXPECT_LT(run.growthMiB, 12);
  EXPECT_EQ(std::filesystem::file_size(result), std::filesystem::file_size(source));
}

}  // namespace
}  // namespace hosei::test
