// Fuzz target: one input is one user action on one file. The prefix sets up the run (mode,
// field texts, switches, file name); the rest is the file the user picked. Each input goes
// through the header reader, the whole-file reader, Execute with a result beside the
// source, and the display copy writer, and then the outcome is held against what the
// file's own bytes say should happen:
//   - a file is done exactly when it is an accepted bitmap within the limits and complete;
//   - the source is never written, and a failed run leaves no result, no temporary file
//     and an earlier result as it was;
//   - a result is the source's header region followed by the pixel block corrected exactly
//     as the plain per-pixel correction does it;
//   - a display copy changes only the colour bytes that the guide marks may change.
// Any breach aborts with a message, so libFuzzer keeps the input like a crash.

#include <dirent.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "bitmap_file.h"
#include "bitmap_header.h"
#include "centre_move.h"
#include "execute.h"
#include "file_names.h"
#include "fuzz_input.h"
#include "guide_marks.h"
#include "leading_number.h"
#include "parameters.h"
#include "photo_file.h"
#include "reference_correction.h"
#include "tables.h"

namespace hosei::fuzz {
namespace {

namespace fs = std::filesystem;

// Pictures up to this many pixels are checked against the per-pixel correction.
constexpr std::uint64_t kReferencePixelLimit = std::uint64_t{1} << 18;

[[noreturn]] void Breach(const std::string& what) {
  std::fprintf(stderr, "\nhosei fuzz: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

void Expect(bool condition, const std::string& what) {
  if (!condition) Breach(what);
}

fs::path& Folder() {
  static fs::path folder;
  return folder;
}

void RemoveFolder() {
  std::error_code ignored;
  fs::remove_all(Folder(), ignored);
}

void EmptyFolder() {
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(Folder(), ignored))
    fs::remove_all(entry.path(), ignored);
}

void WriteBytes(const fs::path& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out) Breach("cannot write the input file " + path.string());
}

std::optional<std::vector<std::uint8_t>> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(in.tellg()));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!in) return std::nullopt;
  return bytes;
}

// Every name in a folder and its subfolders, relative to it.
std::set<std::string> Listing(const fs::path& folder) {
  std::set<std::string> names;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(folder, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error))
    names.insert(fs::relative(it->path(), folder).string());
  return names;
}

// What the file's bytes say about it, worked out here from the bytes alone.
struct FileFacts {
  std::uint32_t offset = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint64_t rowLength = 0;
  FileProblem expected = FileProblem::kNone;
};

FileFacts FactsOf(const std::uint8_t* file, std::size_t size) {
  std::uint8_t b[30] = {};
  std::memcpy(b, file, std::min<std::size_t>(size, sizeof b));
  const auto word = [&b](int at) { return static_cast<std::uint32_t>(b[at] | (b[at + 1] << 8)); };
  FileFacts f;
  f.offset = word(10);
  f.width = word(18);
  f.height = word(22);
  f.rowLength = (3 * std::uint64_t{f.width} + 3) / 4 * 4;
  if (b[14] != 40 || word(28) != 24)
    f.expected = FileProblem::kNot24BitBitmap;
  else if (f.width == 0 || f.height == 0)
    f.expected = FileProblem::kZeroSize;
  else if (f.offset < 54 || f.offset >= 32768)
    f.expected = FileProblem::kOffsetOutOfRange;
  else if (size < f.offset + f.height * f.rowLength)
    f.expected = FileProblem::kTruncated;
  return f;
}

// The leading number as strtod reads it, given only the characters of plain decimal
// notation (strtod would also take hex, "inf" and "nan", which fields do not).
double PlainLeadingNumber(std::string_view text) {
  for (;;) {
    if (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
      text.remove_prefix(1);
    else if (text.starts_with("\u3000"))
      text.remove_prefix(3);
    else
      break;
  }
  std::size_t end = 0;
  if (end < text.size() && (text[end] == '+' || text[end] == '-')) ++end;
  std::size_t digits = 0;
  while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end, ++digits;
  if (end < text.size() && text[end] == '.') {
    ++end;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
      ++end, ++digits;
  }
  if (digits == 0) return 0.0;
  std::size_t exponentEnd = end;
  if (exponentEnd < text.size() && (text[exponentEnd] == 'e' || text[exponentEnd] == 'E')) {
    std::size_t e = exponentEnd + 1;
    if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
    if (e < text.size() && std::isdigit(static_cast<unsigned char>(text[e]))) {
      while (e < text.size() && std::isdigit(static_cast<unsigned char>(text[e]))) ++e;
      exponentEnd = e;
    }
  }
  const std::string number(text.substr(0, exponentEnd));
  return std::strtod(number.c_str(), nullptr);
}

void CheckLeadingNumber(const std::string& text) {
  const double expected = PlainLeadingNumber(text);
  const double got = LeadingNumber(text);
  // Subnormal values may come out as 0: every field treats both alike.
  const bool same = got == expected || (std::fabs(got) < 1e-300 && std::fabs(expected) < 1e-300);
  if (!same)
    Breach("LeadingNumber(\"" + text + "\") = " + std::to_string(got) + ", strtod gives " +
           std::to_string(expected));
}

// The two answers of the centre dialog.
struct CentreAnswersText {
  std::string x, y;
};

struct Run {
  FieldTexts texts;
  CentreAnswersText centre;
  bool useCentre = false;
  bool earlierResult = false;
  bool displayCopy = false;
  std::string name;
};

Run Decode(const std::uint8_t* data, std::size_t size, std::size_t& fileStart) {
  Run run;
  if (size < kPrefixSize) {
    // Too short for a prefix: the whole input is the file, with the initial settings.
    fileStart = 0;
    run.name = "photo.bmp";
    run.displayCopy = true;
    return run;
  }
  fileStart = kPrefixSize;
  const std::uint8_t control = data[0];
  static const Mode kModes[] = {Mode::kVignetting, Mode::kFog, Mode::kGamma, Mode::kGamma};
  run.texts.mode = kModes[control & kModeBits];
  run.texts.background = (control & kBackgroundBit) != 0;
  run.useCentre = (control & kCentreBit) != 0;
  run.earlierResult = (control & kEarlierResultBit) != 0;
  run.displayCopy = (control & kDisplayCopyBit) != 0;
  static const char* const kNames[] = {"photo.bmp", "写真 の 夕焼け.bmp", "a.b", "x.jpeg"};
  run.name = kNames[(control >> kNameShift) & 3];
  static const char* const kBoundaries[] = {"Soft", "Intermediate", "Sharp", "sharp"};
  run.texts[Field::kBoundary] = kBoundaries[data[1] & kBoundaryBits];

  std::string* fields[kSlotCount] = {&run.texts[Field::kStart],
                                     &run.texts[Field::kCoefficient],
                                     &run.texts[Field::kLightX],
                                     &run.texts[Field::kLightY],
                                     &run.texts[Field::kSize],
                                     &run.texts[Field::kBrightness],
                                     &run.texts[Field::kGamma],
                                     &run.texts[Field::kThreshold],
                                     &run.centre.x,
                                     &run.centre.y};
  run.centre.x = run.centre.y = "";
  for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
    const char* at = reinterpret_cast<const char*>(data + kControlBytes + slot * kSlotSize);
    if (static_cast<std::uint8_t>(at[0]) == kInitialText) continue;
    *fields[slot] = std::string(at, strnlen(at, kSlotSize));
    CheckLeadingNumber(*fields[slot]);
  }
  return run;
}

// The row reports of a run: the header first and once, then every 40th row in order.
class CheckingObserver : public ExecuteObserver {
 public:
  void pictureAccepted(int /*width*/, int height) override {
    Expect(headers_ == 0, "pictureAccepted reported twice");
    ++headers_;
    height_ = height;
  }
  void rowsDone(int row) override {
    Expect(headers_ == 1, "rows reported before the header");
    if (row != last_ + kProgressInterval || row > height_)
      Breach("row " + std::to_string(row) + " reported after " + std::to_string(last_));
    last_ = row;
  }
  void expectAllRows() const {
    Expect(last_ == height_ / kProgressInterval * kProgressInterval, "not every 40th row reported");
  }

 private:
  int headers_ = 0;
  int height_ = 0;
  int last_ = 0;
};

const std::vector<std::uint8_t> kEarlierResult = {'e', 'a', 'r', 'l', 'i', 'e', 'r'};

void CheckHeaderReader(const fs::path& source, const std::uint8_t* file, std::size_t size) {
  BitmapHeader header;
  const FileError error = ReadBitmapHeader(source.string(), header);
  Expect(!error, "ReadBitmapHeader failed on a readable file: " + DescribeFileError(error));
  const FileFacts facts = FactsOf(file, size);
  Expect(header.pixelDataOffset == static_cast<int>(facts.offset) && header.width == facts.width &&
             header.height == facts.height,
         "ReadBitmapHeader decoded other values than the file holds");
}

void CheckWholeFileReader(const fs::path& source, const std::uint8_t* file, std::size_t size) {
  const FileFacts facts = FactsOf(file, size);
  BitmapImage image;
  const FileError error = ReadBitmapFile(source.string(), image);
  Expect(error.problem == facts.expected, "ReadBitmapFile: " + DescribeFileError(error) +
                                              ", expected problem " +
                                              std::to_string(static_cast<int>(facts.expected)));
  if (error) return;
  Expect(image.headerRegion.size() == facts.offset &&
             std::equal(image.headerRegion.begin(), image.headerRegion.end(), file),
         "ReadBitmapFile: header region differs from the file");
  Expect(image.pixels.size() == facts.height * facts.rowLength &&
             std::memcmp(image.pixels.data(), file + facts.offset, image.pixels.size()) == 0,
         "ReadBitmapFile: pixel block differs from the file");
}

void CheckResult(const std::vector<std::uint8_t>& result, const std::uint8_t* file,
                 const FileFacts& facts, const Parameters& parameters,
                 const std::optional<MovedCentre>& centre) {
  const std::uint64_t blockSize = facts.height * facts.rowLength;
  Expect(result.size() == facts.offset + blockSize, "result has the wrong size");
  Expect(std::equal(file, file + facts.offset, result.begin()),
         "result does not start with the source's header region");
  if (std::uint64_t{facts.width} * facts.height > kReferencePixelLimit) return;
  PixelBlock reference(facts.rowLength, facts.height);
  std::memcpy(reference.data(), file + facts.offset, blockSize);
  test::CorrectPixelByPixel(reference, static_cast<int>(facts.width),
                            static_cast<int>(facts.height), parameters, centre);
  for (std::uint64_t i = 0; i < blockSize; ++i)
    if (reference.data()[i] != result[facts.offset + i])
      Breach("result byte " + std::to_string(facts.offset + i) + " is " +
             std::to_string(result[facts.offset + i]) + ", the per-pixel correction gives " +
             std::to_string(reference.data()[i]));
}

void CheckDisplayCopy(const fs::path& copy, const std::uint8_t* file, const FileFacts& facts) {
  const auto bytes = ReadBytes(copy);
  Expect(bytes.has_value(), "display copy reported written but missing");
  Expect(bytes->size() == facts.offset + facts.height * facts.rowLength,
         "display copy has the wrong size");
  Expect(std::equal(file, file + facts.offset, bytes->begin()),
         "display copy does not start with the source's header region");
  for (std::uint64_t row = 0; row < facts.height; ++row) {
    for (std::uint64_t at = 0; at < facts.rowLength; ++at) {
      const std::uint64_t i = facts.offset + row * facts.rowLength + at;
      if ((*bytes)[i] == file[i]) continue;
      const bool pixelByte = at < 3 * std::uint64_t{facts.width};
      const std::uint64_t channel = at % 3;
      const bool mark = pixelByte && ((channel == 2 && ((*bytes)[i] == kVerticalLineRed ||
                                                        (*bytes)[i] == kHorizontalLineRed)) ||
                                      (channel == 0 && (*bytes)[i] == kDiagonalBlue));
      if (!mark) Breach("display copy changed byte " + std::to_string(i) + ", which no mark may");
    }
  }
}

void RunOne(const std::uint8_t* data, std::size_t size) {
  std::size_t fileStart = 0;
  const Run run = Decode(data, size, fileStart);
  const std::uint8_t* file = data + fileStart;
  const std::size_t fileSize = size - fileStart;
  const FileFacts facts = FactsOf(file, fileSize);

  const fs::path folder = Folder();
  const fs::path source = folder / run.name;
  WriteBytes(source, file, fileSize);
  const auto resultName = ResultFileName(source.string());
  if (run.earlierResult && resultName)
    WriteBytes(*resultName, kEarlierResult.data(), kEarlierResult.size());
  std::set<std::string> expectedNames = Listing(folder);

  CheckHeaderReader(source, file, fileSize);
  CheckWholeFileReader(source, file, fileSize);

  // A file the bitmap test rejects but whose content is a JPEG, PNG or TIFF takes the photo
  // path, which the photo target fuzzes with its own oracle.
  if (facts.expected == FileProblem::kNot24BitBitmap &&
      PhotoFormatOf(std::span(file, std::min<std::size_t>(fileSize, kPhotoSignatureSize)))) {
    EmptyFolder();
    return;
  }

  const auto read = ReadParameters(run.texts);
  if (const auto* refusal = std::get_if<Refusal>(&read)) {
    const Field f = refusal->field;
    const bool ofThisMode =
        f == Field::kThreshold
            ? run.texts.background
            : (run.texts.mode == Mode::kVignetting
                   ? (f == Field::kStart || f == Field::kCoefficient)
               : run.texts.mode == Mode::kFog ? (f == Field::kLightX || f == Field::kLightY ||
                                                 f == Field::kSize || f == Field::kBrightness)
                                              : f == Field::kGamma);
    Expect(ofThisMode, "a field of another mode was refused");
  } else {
    const Parameters& parameters = std::get<Parameters>(read);
    ExecuteJob job;
    job.currentFile = source.string();
    job.parameters = parameters;
    if (run.useCentre && parameters.mode == Mode::kVignetting) {
      // As the batch command does it: the centre rule of the file's recorded size.
      if (const auto rule = CentreMoveRuleFor(facts.width, facts.height))
        job.movedCentre = CentreFromAnswers(*rule, run.centre.x, run.centre.y);
    }
    CheckingObserver observer;
    const ExecuteOutcome outcome = Execute(job, &observer);
    const FileProblem expected = resultName ? facts.expected : FileProblem::kNameTooShort;
    Expect(outcome.error.problem == expected, "Execute: " + DescribeFileError(outcome.error) +
                                                  ", expected problem " +
                                                  std::to_string(static_cast<int>(expected)));
    if (outcome.succeeded()) {
      observer.expectAllRows();
      Expect(outcome.resultFile == *resultName, "result written under another name");
      const auto result = ReadBytes(*resultName);
      Expect(result.has_value(), "result reported written but missing");
      CheckResult(*result, file, facts, parameters, job.movedCentre);
      expectedNames.insert(fs::path(*resultName).filename().string());
    } else if (resultName) {
      const auto result = ReadBytes(*resultName);
      if (run.earlierResult)
        Expect(result == kEarlierResult, "a failed run changed the earlier result");
      else
        Expect(!result, "a failed run left a result");
    }
  }

  if (run.displayCopy) {
    const fs::path program = folder / "program";
    fs::create_directory(program);
    expectedNames.insert("program");
    if (const auto copy = DisplayCopyName(program.string(), run.name)) {
      const FileError error = WriteDisplayCopy(source.string(), *copy);
      Expect(error.problem == facts.expected, "WriteDisplayCopy: " + DescribeFileError(error));
      if (!error) {
        CheckDisplayCopy(*copy, file, facts);
        expectedNames.insert(fs::relative(*copy, folder).string());
      }
    }
  }

  const auto after = ReadBytes(source);
  Expect(after && after->size() == fileSize && std::equal(after->begin(), after->end(), file),
         "the source was changed");
  const std::set<std::string> names = Listing(folder);
  for (const auto& name : names)
    Expect(expectedNames.count(name), "left behind in the folder: " + name);
  EmptyFolder();
}

}  // namespace
}  // namespace hosei::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  namespace fs = std::filesystem;
  // Memory-backed when the machine offers it: every input is written and read a few times.
  const char* base = std::getenv("HOSEI_FUZZ_TMP");
  if (!base) base = fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
  std::string pattern = std::string(base) + "/hosei-fuzz-XXXXXX";
  if (!::mkdtemp(pattern.data())) {
    std::fprintf(stderr, "hosei fuzz: cannot make a folder in %s: %s\n", base,
                 std::strerror(errno));
    std::exit(1);
  }
  hosei::fuzz::Folder() = pattern;
  std::atexit(hosei::fuzz::RemoveFolder);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  hosei::fuzz::RunOne(data, size);
  return 0;
}
