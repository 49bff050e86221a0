// FITS pictures as astronomy software writes them through cfitsio: 8-bit, unsigned 16-bit and
// float samples, grey or in three colour planes, stored bottom row first or top row first.
// They read top row first at their own depth and copy sample for sample, header cards in
// order, extensions as stored; what hosei cannot take is refused with a reason, at once.

#include <fcntl.h>
#include <fitsio.h>
#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "deep_corrector.h"
#include "deep_rows.h"
#include "execute.h"
#include "file_descriptor.h"
#include "photo_limits.h"
#include "photo_test_support.h"
#include "problem_words.h"

namespace hosei::test {
namespace {

// A FITS file written through cfitsio. Sample `plane` (0 red, 1 green, 2 blue) of column x
// of the `row`th stored row (from 1) holds sample(x, row, plane).
struct FitsLayout {
  int bitpix = 16;  // 16 is written unsigned, with BZERO 32768, unless signedShorts
  int planes = 3;   // 1 writes NAXIS 2, any other NAXIS 3 with NAXIS3 = planes
  int width = 7;
  int height = 5;
  bool topDown = false;
  std::vector<std::string> cards{};                                   // after cfitsio's own
  std::function<double(int x, int row, int plane)> sample = nullptr;  // by bitpix when null
  bool signedShorts = false;
  bool extensions = false;  // an image extension and a binary table after the picture
  bool tileCompressed = false;
};

double DefaultSample(int bitpix, int x, int row, int plane) {
  switch (bitpix) {
    case 8:
      return (x * 31 + row * 17 + plane * 89) % 256;
    case 16:
      return (x * 7919 + row * 1031 + plane * 21601 + 12345) % 65536;
    default:
      return ((x * 37 + row * 101 + plane * 53) % 1001) / 1000.0;
  }
}

double SampleOf(const FitsLayout& layout, int x, int row, int plane) {
  return layout.sample ? layout.sample(x, row, plane) : DefaultSample(layout.bitpix, x, row, plane);
}

void Check(int status, const char* what) {
  if (status) {
    char text[FLEN_STATUS] = {};
    fits_get_errstatus(status, text);
    throw std::runtime_error(std::string(what) + ": " + text);
  }
}

// One stored row in the image's own type: cfitsio converts no other into a tile-compressed one.
template <typename Sample>
void WriteRow(fitsfile* f, int datatype, long* first, const std::vector<double>& row, int* status) {
  std::vector<Sample> samples(row.size());
  for (std::size_t i = 0; i < row.size(); ++i) samples[i] = static_cast<Sample>(row[i]);
  fits_write_pix(f, datatype, first, static_cast<LONGLONG>(row.size()), samples.data(), status);
}

void WriteFits(const std::string& path, const FitsLayout& layout) {
  int status = 0;
  fitsfile* f = nullptr;
  Check(fits_create_file(&f, ("!" + path).c_str(), &status), "create");
  if (layout.tileCompressed) fits_set_compression_type(f, GZIP_1, &status);
  const int naxis = layout.planes == 1 ? 2 : 3;
  long naxes[3] = {layout.width, layout.height, layout.planes};
  const int type = layout.bitpix == 16 && !layout.signedShorts ? USHORT_IMG : layout.bitpix;
  fits_create_img(f, type, naxis, naxes, &status);
  if (layout.topDown) fits_write_record(f, "ROWORDER= 'TOP-DOWN'", &status);
  for (const std::string& card : layout.cards) fits_write_record(f, card.c_str(), &status);
  std::vector<double> row(static_cast<std::size_t>(layout.width));
  for (int plane = 0; plane < layout.planes; ++plane)
    for (int y = 1; y <= layout.height; ++y) {
      for (int x = 0; x < layout.width; ++x) row[x] = SampleOf(layout, x, y, plane);
      long first[3] = {1, y, plane + 1};
      switch (type) {
        case BYTE_IMG:
          WriteRow<unsigned char>(f, TBYTE, first, row, &status);
          break;
        case USHORT_IMG:
          WriteRow<unsigned short>(f, TUSHORT, first, row, &status);
          break;
        case SHORT_IMG:
          WriteRow<short>(f, TSHORT, first, row, &status);
          break;
        case LONG_IMG:
          WriteRow<int>(f, TINT, first, row, &status);
          break;
        case LONGLONG_IMG:
          WriteRow<long long>(f, TLONGLONG, first, row, &status);
          break;
        case FLOAT_IMG:
          WriteRow<float>(f, TFLOAT, first, row, &status);
          break;
        default:
          WriteRow<double>(f, TDOUBLE, first, row, &status);
      }
    }
  if (layout.extensions) {
    long side[2] = {3, 2};
    fits_create_img(f, SHORT_IMG, 2, side, &status);
    short values[6] = {-3, 1, 4, -1, 5, -9};
    long first[2] = {1, 1};
    fits_write_pix(f, TSHORT, first, 6, values, &status);
    char* names[] = {const_cast<char*>("STAR")};
    char* forms[] = {const_cast<char*>("1D")};
    fits_create_tbl(f, BINARY_TBL, 2, 1, names, forms, nullptr, "STARS", &status);
    double stars[2] = {1.25, 2.5};
    fits_write_col(f, TDOUBLE, 1, 1, 1, 2, stars, &status);
  }
  Check(status, "write");
  Check(fits_close_file(f, &status), "close");
}

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
  Check(fits_open_file(&f, path.c_str(), READONLY, &status), "open");
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
  Check(status, "parse");
  fits_close_file(f, &status);
  const Bytes file = ReadFile(path);
  const auto dataBytes = static_cast<std::size_t>(std::abs(bitpix) / 8 * naxes[0] * naxes[1] *
                                                  (naxis == 3 ? naxes[2] : 1));
  parsed.data.assign(file.begin() + start, file.begin() + start + dataBytes);
  parsed.rest.assign(file.begin() + end, file.end());
  return parsed;
}

// Everything a reader delivers at its own depth (8-bit pictures through readRows), as
// doubles in blue, green, red order, read three rows at a time after skipping `skip`.
struct DeepRead {
  FileError error;
  int width = 0, height = 0;
  bool grey = false;
  SampleType type = SampleType::kUint8;
  std::vector<double> bgr;
};
DeepRead ReadDeep(const std::string& path, int skip = 0) {
  DeepRead d;
  std::unique_ptr<PhotoReader> reader;
  if ((d.error = OpenPhoto(path, reader))) return d;
  d.width = reader->width(), d.height = reader->height();
  d.grey = reader->grey(), d.type = reader->sampleType();
  if ((d.error = reader->skipRows(skip))) return d;
  const auto samples = 3 * static_cast<std::size_t>(d.width);
  std::vector<std::uint8_t> bytes(samples * 3);
  std::vector<std::uint16_t> shorts(samples * 3);
  std::vector<float> floats(samples * 3);
  for (int y = skip, n = 3; y < d.height && !d.error; y += n) {
    n = std::min(n, d.height - y);
    const std::size_t count = samples * static_cast<std::size_t>(n);
    switch (d.type) {
      case SampleType::kUint8:
        d.error = reader->readRows(n, bytes.data(), samples);
        d.bgr.insert(d.bgr.end(), bytes.begin(), bytes.begin() + count);
        break;
      case SampleType::kUint16:
        d.error = reader->readDeepRows(n, shorts.data(), 2 * samples);
        d.bgr.insert(d.bgr.end(), shorts.begin(), shorts.begin() + count);
        break;
      case SampleType::kFloat32:
        d.error = reader->readDeepRows(n, floats.data(), 4 * samples);
        d.bgr.insert(d.bgr.end(), floats.begin(), floats.begin() + count);
        break;
    }
  }
  return d;
}

// What a reader must deliver for `layout`, rows from `skip` below the top.
std::vector<double> Expected(const FitsLayout& layout, int skip = 0) {
  std::vector<double> bgr;
  for (int fromTop = skip; fromTop < layout.height; ++fromTop) {
    const int row = layout.topDown ? fromTop + 1 : layout.height - fromTop;
    for (int x = 0; x < layout.width; ++x)
      for (int channel = 0; channel < 3; ++channel) {
        const double v = SampleOf(layout, x, row, layout.planes == 1 ? 0 : 2 - channel);
        bgr.push_back(layout.bitpix == -32 ? static_cast<float>(v) : v);
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

  ASSERT_FALSE(CopyPhoto(source, result));
  const ParsedFits from = ParseFits(source), to = ParseFits(result);
  EXPECT_EQ(to.data, from.data);
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

// A deep FITS corrected by Execute comes back as its rows corrected directly, blue first:
// each plane in its place and each row in its own, through rounds of chunks of rows, with a
// fog off the middle and a background adjustment, which tells red from blue.
TEST(FitsExecute, TheResultIsTheRowsCorrectedInPlace) {
  struct Case {
    const char* name;
    FitsLayout layout;
  };
  for (const auto& [name, layout] :
       {Case{"colour 16", {.bitpix = 16, .planes = 3, .width = 9000, .height = 90}},
        Case{"colour float top-down",
             {.bitpix = -32, .planes = 3, .width = 9000, .height = 37, .topDown = true}},
        Case{"grey 16", {.bitpix = 16, .planes = 1, .width = 300, .height = 50}}}) {
    SCOPED_TRACE(name);
    ScratchFolder folder;
    const std::string source = folder / "source.fits";
    WriteFits(source, layout);
    ExecuteJob job;
    job.currentFile = source;
    Parameters& p = job.parameters;
    p.mode = Mode::kFog;
    p.lightX = layout.width / 3, p.lightY = layout.height / 4, p.size = layout.width / 2;
    p.brightness = 120, p.shape = 1;
    p.background = true, p.threshold = 200;
    const ExecuteOutcome outcome = Execute(job);
    ASSERT_TRUE(outcome.succeeded()) << FileErrorLine(outcome.error);

    const DeepRead read = ReadDeep(source);
    ASSERT_FALSE(read.error) << FileErrorLine(read.error);
    const DeepCorrector corrector(p, read.width, read.height, std::nullopt, read.type);
    const auto samples = 3 * static_cast<std::size_t>(read.width);
    std::vector<double> expected;
    const auto correctRow = [&](auto row, int fromTop) {
      const auto from = read.bgr.begin() + static_cast<std::ptrdiff_t>(fromTop * samples);
      row.assign(from, from + static_cast<std::ptrdiff_t>(samples));
      corrector.correctRow(row.data(), read.height - fromTop);
      expected.insert(expected.end(), row.begin(), row.end());
    };
    for (int fromTop = 0; fromTop < read.height; ++fromTop) {
      if (read.type == SampleType::kUint16)
        correctRow(std::vector<std::uint16_t>{}, fromTop);
      else
        correctRow(std::vector<float>{}, fromTop);
    }
    EXPECT_NE(expected, read.bgr);
    EXPECT_EQ(ReadDeep(outcome.resultFile).bgr, expected);
  }
}

// The screen sees deep samples reduced to bytes. A writer takes rows at its result's depth
// only: bytes written into a deep result would lose its fine steps without a word.
TEST(FitsBytes, DeepSamplesReadAsBytesAreReducedAndWritersTakeRowsOfTheirOwnDepth) {
  for (const FitsLayout& layout :
       {FitsLayout{.bitpix = 16, .planes = 3}, FitsLayout{.bitpix = -32, .planes = 1},
        FitsLayout{.bitpix = 8, .planes = 3}}) {
    SCOPED_TRACE(layout.bitpix);
    ScratchFolder folder;
    const std::string source = folder / "source.fits", result = folder / "result.fits";
    WriteFits(source, layout);
    const std::vector<double> deep = Expected(layout);
    Bytes expected(deep.size());
    for (std::size_t i = 0; i < deep.size(); ++i) {
      if (layout.bitpix == 16) {
        const auto v = static_cast<std::uint16_t>(deep[i]);
        ReduceToBytes(&v, 1, &expected[i]);
      } else if (layout.bitpix == -32) {
        const auto v = static_cast<float>(deep[i]);
        ReduceToBytes(&v, 1, &expected[i]);
      } else {
        expected[i] = static_cast<std::uint8_t>(deep[i]);
      }
    }
    const Decoded read = ReadPhoto(source);
    ASSERT_FALSE(read.error) << FileErrorLine(read.error);
    EXPECT_EQ(read.bgr, expected);

    std::unique_ptr<PhotoReader> reader;
    ASSERT_FALSE(OpenPhoto(source, reader));
    FileDescriptor file(::open(result.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    const bool deepResult = layout.bitpix != 8;
    std::vector<float> row(3 * static_cast<std::size_t>(layout.width));
    for (const bool deepRows : {false, true}) {
      std::unique_ptr<PhotoWriter> writer;
      ASSERT_FALSE(reader->createWriter(file.get(), result, {}, writer));
      const FileError error = deepRows ? writer->writeDeepRows(1, row.data(), 0)
                                       : writer->writeRows(1, Bytes(row.size()).data(), 0);
      EXPECT_EQ(error.problem,
                deepRows == deepResult ? FileProblem::kNone : FileProblem::kUnsupportedPhoto)
          << deepRows;
    }
  }
}

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
// layout card is the writer's own, not carried beside it.
TEST(FitsHeader, CardsThatCfitsioWouldWriteAsLayoutCardsAreNotCarried) {
  for (const std::string& odd : {Value("naxis1", "4"), Value("NAXIS2\x93", "3")}) {
    SCOPED_TRACE(odd);
    ScratchFolder folder;
    const std::string source = folder / "source.fits", result = folder / "result.fits";
    std::vector<std::string> cards = ByteImage({4, 3});
    cards.push_back(odd);
    WriteFile(source, RawFits(cards, 12));
    ASSERT_FALSE(CopyPhoto(source, result));
    EXPECT_FALSE(ReadPhoto(result).error) << FileErrorLine(ReadPhoto(result).error);
  }
}

TEST(FitsHeader, ACardCfitsioCannotWriteRefusesTheResultButNotTheReading) {
  ScratchFolder folder;
  const std::string source = folder / "source.fits", result = folder / "result.fits";
  std::vector<std::string> cards = ByteImage({4, 3});
  cards.push_back(Value("OB%JECT", "1"));
  WriteFile(source, RawFits(cards, 12));
  EXPECT_FALSE(ReadPhoto(source).error);
  const FileError copied = CopyPhoto(source, result);
  EXPECT_EQ(copied.problem, FileProblem::kUnsupportedPhoto) << FileErrorLine(copied);
  EXPECT_NE(FileErrorLine(copied).find("OB%JECT"), std::string::npos);
}

TEST(FitsExtensions, HdusAfterThePictureAreCopiedAsStored) {
  ScratchFolder folder;
  const std::string source = folder / "source.fits", result = folder / "result.fits";
  WriteFits(source, {.bitpix = -32, .planes = 1, .extensions = true});
  ASSERT_FALSE(CopyPhoto(source, result));
  const ParsedFits from = ParseFits(source), to = ParseFits(result);
  ASSERT_FALSE(from.rest.empty());
  EXPECT_EQ(to.rest, from.rest);
  EXPECT_EQ(to.data, from.data);
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

TEST(FitsStreams, StopRequestsAreHeardInTheHeaderAndBetweenRows) {
  ScratchFolder folder;
  const std::string source = folder / "source.fits";
  WriteFits(source, {.bitpix = 16, .planes = 3, .height = 40});
  std::unique_ptr<PhotoReader> reader;
  StopAfter atOnce(0);
  EXPECT_EQ(OpenPhoto(source, reader, &atOnce).problem, FileProblem::kStopped);

  StopAfter counting(std::numeric_limits<long>::max());
  ASSERT_FALSE(OpenPhoto(source, reader, &counting));
  StopAfter amongRows(counting.asks() + 9);
  ASSERT_FALSE(OpenPhoto(source, reader, &amongRows));
  // Rows a few at a time, as the viewer reads them: the stop is heard on the way.
  Bytes rows(3 * 7 * 4);
  int readBeforeTheStop = 0;
  while (readBeforeTheStop < 40 && !reader->readRows(4, rows.data(), 21)) readBeforeTheStop += 4;
  EXPECT_LT(readBeforeTheStop, 40);
  EXPECT_EQ(reader->readRows(4, rows.data(), 21).problem, FileProblem::kStopped);
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

TEST(FitsStreams, AFullDiskIsAWriteErrorWithTheSystemsReason) {
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  ScratchFolder folder;
  const std::string source = folder / "source.fits";
  WriteFits(source, {.bitpix = 16, .planes = 3, .extensions = true});
  const FileError error = CopyPhoto(source, "/dev/full");
  EXPECT_EQ(error.problem, FileProblem::kCannotWrite);
  EXPECT_EQ(error.systemMessage, std::strerror(ENOSPC));
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
