// Fuzz target: one input is one user action on one file. The readers, Execute and the display
// copy writer are held against what the file's own bytes say: a file is done exactly when it
// is a complete accepted bitmap; the source is never written; a failed run leaves no result,
// no temporary file and an earlier result as it was; a result is the source's header region
// and the block corrected exactly as pixel by pixel; a display copy changes only mark bytes.

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <regex>
#include <set>
#include <variant>

#include "bitmap_header.h"
#include "bitmap_source.h"
#include "centre_move.h"
#include "execute.h"
#include "file_kind.h"
#include "file_names.h"
#include "fuzz_support.h"
#include "guide_marks.h"
#include "leading_number.h"
#include "photo_file.h"
#include "problem_words.h"
#include "reference_correction.h"
#include "tables.h"
#include "test_bitmap.h"

namespace hosei::fuzz {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// Pictures up to this many pixels are checked against the per-pixel correction.
constexpr std::uint64_t kReferencePixelLimit = std::uint64_t{1} << 18;
const Bytes kEarlierResult = {'e', 'a', 'r', 'l', 'i', 'e', 'r'};

std::optional<Bytes> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Every name in the folder and its subfolders, relative to it.
std::set<std::string> Listing() {
  std::set<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(Folder()))
    names.insert(fs::relative(entry.path(), Folder()).string());
  return names;
}

// What the file's bytes say about it, worked out here from the bytes alone.
struct FileFacts {
  const std::uint8_t* bytes;
  std::uint32_t offset, width, height;
  std::uint64_t rowLength;
  FileProblem expected = FileProblem::kNone;
};

FileFacts FactsOf(const std::uint8_t* file, std::size_t size) {
  std::uint8_t b[30] = {};
  std::memcpy(b, file, std::min(size, sizeof b));
  const auto word = [&b](int at) { return static_cast<std::uint32_t>(b[at] | (b[at + 1] << 8)); };
  FileFacts f{file, word(10), word(18), word(22), (3 * std::uint64_t{word(18)} + 3) / 4 * 4};
  if (b[14] != 40 || word(28) != 24)
    f.expected = FileProblem::kNot24BitBitmap;
  else if (word(12) != 0 || word(20) != 0 || word(24) != 0)
    f.expected = FileProblem::kBeyondLowWords;
  else if (f.width == 0 || f.height == 0)
    f.expected = FileProblem::kZeroSize;
  else if (f.offset < 54 || f.offset >= 32768)
    f.expected = FileProblem::kOffsetOutOfRange;
  else if (size < f.offset + f.height * f.rowLength)
    f.expected = FileProblem::kTruncated;
  return f;
}

std::string Problem(const FileError& error, FileProblem expected) {
  return FileErrorLine(error) + ", expected problem " + std::to_string(static_cast<int>(expected));
}

// The leading number must be what strtod reads of the plain decimal notation alone (strtod
// would also take hex, "inf" and "nan", which fields do not).
void CheckLeadingNumber(const std::string& text) {
  static const std::regex plain(
      "^(?:[ \t]|\xE3\x80\x80)*([+-]?(?:[0-9]+\\.?[0-9]*|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?)");
  std::smatch number;
  const double expected =
      std::regex_search(text, number, plain) ? std::strtod(number[1].str().c_str(), nullptr) : 0;
  const double got = LeadingNumber(text);
  // Subnormal values may come out as 0: every field treats both alike.
  if (got != expected && (std::fabs(got) >= 1e-300 || std::fabs(expected) >= 1e-300))
    Breach("LeadingNumber(\"" + text + "\") = " + std::to_string(got) + ", strtod gives " +
           std::to_string(expected));
}

struct Run {
  FieldTexts texts;
  std::string centreX, centreY, name = "photo.bmp";
  bool useCentre = false, earlierResult = false, displayCopy = true;
};

// An input too short for a prefix is all file, run with the initial settings.
Run Decode(const std::uint8_t* data, std::size_t size) {
  Run run;
  if (size < kPrefixSize) return run;
  static const Mode kModes[] = {Mode::kVignetting, Mode::kFog, Mode::kGamma, Mode::kGamma};
  static const char* const kNames[] = {"photo.bmp", "写真 の 夕焼け.bmp", "a.b", "x.jpeg"};
  static const char* const kBoundaries[] = {"Soft", "Intermediate", "Sharp", "sharp"};
  run.texts.mode = kModes[data[0] & kModeBits];
  run.texts.background = data[0] & kBackgroundBit;
  run.useCentre = data[0] & kCentreBit;
  run.earlierResult = data[0] & kEarlierResultBit;
  run.displayCopy = data[0] & kDisplayCopyBit;
  run.name = kNames[(data[0] >> kNameShift) & 3];
  run.texts[Field::kBoundary] = kBoundaries[data[1] & 3];
  for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
    const char* at = reinterpret_cast<const char*>(data + kControlBytes + slot * kSlotSize);
    if (static_cast<std::uint8_t>(at[0]) == kInitialText) continue;
    std::string& text =
        slot == kCentreXSlot ? run.centreX
        : slot == kCentreYSlot
            ? run.centreY
            : run.texts[slot == kThresholdSlot ? Field::kThreshold : static_cast<Field>(slot)];
    text.assign(at, strnlen(at, kSlotSize));
    CheckLeadingNumber(text);
  }
  return run;
}

// The row reports of a run: the header first and once, then every 40th row in order.
struct CheckingObserver : ExecuteObserver {
  void pictureAccepted(int, int h) override {
    Expect(height < 0, "pictureAccepted reported twice");
    height = h;
  }
  void rowsDone(int row) override {
    Expect(height >= 0, "rows reported before the header");
    Expect(row == last + kProgressInterval && row <= height,
           "row " + std::to_string(row) + " reported after " + std::to_string(last));
    last = row;
  }
  int height = -1, last = 0;
};

void CheckReaders(const fs::path& source, const FileFacts& facts) {
  BitmapHeader header;
  FileKind kind = FileKind::kOther;
  FileError error = KindOfFile(source.string(), kind, &header);
  Expect(!error, "KindOfFile failed on a readable file: " + FileErrorLine(error));
  Expect(header.pixelDataOffset == static_cast<int>(facts.offset) && header.width == facts.width &&
             header.height == facts.height,
         "the header decoded other values than the file holds");
  BitmapSource bitmap;
  error = BitmapSource::open(source.string(), bitmap);
  Expect(error.problem == facts.expected, "BitmapSource: " + Problem(error, facts.expected));
  if (error) return;
  Expect(std::equal(bitmap.headerRegion().begin(), bitmap.headerRegion().end(), facts.bytes,
                    facts.bytes + facts.offset),
         "BitmapSource: header region differs from the file");
  Bytes pixels(facts.height * facts.rowLength);
  error = bitmap.readRows(0, facts.height, pixels.data());
  Expect(!error && std::memcmp(pixels.data(), facts.bytes + facts.offset, pixels.size()) == 0,
         "BitmapSource: pixel block differs from the file");
}

// A written file of the source's size that starts with its header region; on `changed`, each
// byte of the pixel block that differs from the source.
void CheckWritten(const std::optional<Bytes>& bytes, const FileFacts& facts, const char* what,
                  const std::function<void(std::uint64_t at, std::uint8_t byte)>& changed) {
  Expect(bytes.has_value(), std::string(what) + " reported written but missing");
  Expect(bytes->size() == facts.offset + facts.height * facts.rowLength,
         std::string(what) + " has the wrong size");
  Expect(std::equal(facts.bytes, facts.bytes + facts.offset, bytes->begin()),
         std::string(what) + " does not start with the source's header region");
  for (std::uint64_t at = 0; at < facts.height * facts.rowLength; ++at)
    if ((*bytes)[facts.offset + at] != facts.bytes[facts.offset + at])
      changed(at, (*bytes)[facts.offset + at]);
}

void CheckResult(const std::optional<Bytes>& result, const FileFacts& facts,
                 const Parameters& parameters, const std::optional<MovedCentre>& centre) {
  CheckWritten(result, facts, "result", [](std::uint64_t, std::uint8_t) {});
  if (std::uint64_t{facts.width} * facts.height > kReferencePixelLimit) return;
  PixelBlock reference(facts.rowLength, facts.height);
  std::memcpy(reference.data(), facts.bytes + facts.offset, reference.size());
  test::CorrectPixelByPixel(reference, static_cast<int>(facts.width),
                            static_cast<int>(facts.height), parameters, centre);
  for (std::uint64_t at = 0; at < reference.size(); ++at)
    Expect(reference.data()[at] == (*result)[facts.offset + at],
           "result byte " + std::to_string(facts.offset + at) + " is " +
               std::to_string((*result)[facts.offset + at]) + ", the per-pixel correction gives " +
               std::to_string(reference.data()[at]));
}

void CheckDisplayCopy(const std::optional<Bytes>& copy, const FileFacts& facts) {
  CheckWritten(copy, facts, "display copy", [&](std::uint64_t at, std::uint8_t byte) {
    const std::uint64_t x = at % facts.rowLength;
    const bool mark = x < 3 * std::uint64_t{facts.width} &&
                      ((x % 3 == 2 && (byte == kVerticalLineRed || byte == kHorizontalLineRed)) ||
                       (x % 3 == 0 && byte == kDiagonalBlue));
    Expect(mark, "display copy changed byte " + std::to_string(facts.offset + at) +
                     ", which no mark may");
  });
}

void CheckOne(const std::uint8_t* data, std::size_t size) {
  const Run run = Decode(data, size);
  const std::size_t fileStart = size < kPrefixSize ? 0 : kPrefixSize;
  const FileFacts facts = FactsOf(data + fileStart, size - fileStart);
  const Bytes file(data + fileStart, data + size);
  const fs::path source = Folder() / run.name;
  test::WriteFile(source, file);
  const auto resultName = ResultFileName(source.string());
  if (run.earlierResult && resultName) test::WriteFile(*resultName, kEarlierResult);
  std::set<std::string> expectedNames = Listing();
  CheckReaders(source, facts);
  // A file whose content starts like a JPEG, PNG or TIFF takes the photo path whatever the
  // bitmap test says; the photo target fuzzes that path with its own oracle.
  if (PhotoFormatOf(std::span(file.data(), std::min(file.size(), kPhotoSignatureSize)))) return;

  const auto read = ReadParameters(run.texts);
  if (const auto* refusal = std::get_if<Refusal>(&read)) {
    const Field f = refusal->field;
    const Mode mode = run.texts.mode;
    Expect(f == Field::kThreshold      ? run.texts.background
           : mode == Mode::kVignetting ? f == Field::kStart || f == Field::kCoefficient
           : mode == Mode::kFog ? f == Field::kLightX || f == Field::kLightY || f == Field::kSize ||
                                      f == Field::kBrightness
                                : f == Field::kGamma,
           "a field of another mode was refused");
  } else {
    ExecuteJob job{source.string(), std::get<Parameters>(read), {}, {}};
    // As the batch command does it: the centre rule of the file's recorded size.
    const auto rule = CentreMoveRuleFor(facts.width, facts.height);
    if (run.useCentre && job.parameters.mode == Mode::kVignetting && rule)
      job.movedCentre = CentreFromAnswers(*rule, run.centreX, run.centreY);
    CheckingObserver observer;
    const ExecuteOutcome outcome = Execute(job, &observer);
    const FileProblem expected = resultName ? facts.expected : FileProblem::kNameTooShort;
    Expect(outcome.error.problem == expected, "Execute: " + Problem(outcome.error, expected));
    const auto result = resultName ? ReadBytes(*resultName) : std::nullopt;
    if (outcome.succeeded()) {
      Expect(observer.last == observer.height / kProgressInterval * kProgressInterval,
             "not every 40th row reported");
      Expect(outcome.resultFile == *resultName, "result written under another name");
      CheckResult(result, facts, job.parameters, job.movedCentre);
      expectedNames.insert(fs::path(*resultName).filename().string());
    } else if (run.earlierResult) {
      Expect(!resultName || result == kEarlierResult, "a failed run changed the earlier result");
    } else {
      Expect(!result, "a failed run left a result");
    }
  }

  if (run.displayCopy) {
    fs::create_directory(Folder() / "program");
    expectedNames.insert("program");
    if (const auto copy = DisplayCopyName((Folder() / "program").string(), run.name)) {
      const FileError error = WriteDisplayCopy(source.string(), *copy);
      Expect(error.problem == facts.expected, "WriteDisplayCopy: " + FileErrorLine(error));
      if (!error) CheckDisplayCopy(ReadBytes(*copy), facts);
      if (!error) expectedNames.insert(fs::relative(*copy, Folder()).string());
    }
  }
  Expect(ReadBytes(source) == file, "the source was changed");
  for (const auto& name : Listing())
    Expect(expectedNames.count(name), "left behind in the folder: " + name);
}

void RunOne(const std::uint8_t* data, std::size_t size) {
  CheckOne(data, size);
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(Folder())) fs::remove_all(entry.path(), ignored);
}

}  // namespace
}  // namespace hosei::fuzz

HOSEI_FUZZ_TARGET
