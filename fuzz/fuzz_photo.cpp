// Fuzz target: one input is one photo file, opened, copied row by row as Execute does, read
// back and corrected. A file that cannot be done ends in a photo problem with a reason; one
// that reads completely also writes completely (or is refused as a kind that cannot be
// written back) and reads back alike, sample for sample at its own depth for PNG, TIFF and
// FITS; Execute corrects a photo that copies cleanly and never writes its source, and the
// estimates of such a photo are fields a run takes.

#include <fcntl.h>

#include <algorithm>
#include <memory>
#include <variant>

#include "estimate.h"
#include "execute.h"
#include "file_descriptor.h"
#include "fuzz_support.h"
#include "photo_file.h"
#include "problem_words.h"
#include "test_bitmap.h"

namespace hosei::fuzz {
namespace {

// Pictures claiming more are opened but not read: one run must stay fast.
constexpr long long kPixelLimit = 4ll << 20;
constexpr int kChunkRows = 16;

void ExpectPhotoProblem(const FileError& error, const std::string& where) {
  const FileProblem p = error.problem;
  Expect(p == FileProblem::kUnsupportedPhoto || p == FileProblem::kCorruptPhoto ||
             p == FileProblem::kOutOfMemory,
         where + ": not a photo problem: " + FileErrorLine(error));
  Expect(p == FileProblem::kOutOfMemory || error.detail != ProblemDetail::kNone ||
             !error.systemMessage.empty(),
         where + ": no reason given: " + FileErrorLine(error));
}

// A writer may refuse only as a kind it cannot write back.
bool Refused(const FileError& error, const std::string& where) {
  Expect(!error || error.problem == FileProblem::kUnsupportedPhoto,
         where + ": " + FileErrorLine(error));
  return static_cast<bool>(error);
}

// Rows of one reader, a chunk at a time, at the picture's own depth.
struct Rows {
  explicit Rows(PhotoReader& reader)
      : reader(reader),
        width(reader.width()),
        sample(BytesPerSample(reader.sampleType())),
        deep(IsDeep(reader.sampleType())) {}
  FileError next(int count) {
    if (deep) return reader.readDeepRows(count, bgr.data(), stride(), alpha.data(), width * sample);
    return reader.readRows(count, bgr.data(), stride(), alpha.data(), width * sample);
  }
  FileError write(PhotoWriter& writer, int count) const {
    if (deep)
      return writer.writeDeepRows(count, bgr.data(), stride(), alpha.data(), width * sample);
    return writer.writeRows(count, bgr.data(), stride(), alpha.data(), width * sample);
  }
  std::size_t stride() const { return 3 * width * sample; }
  PhotoReader& reader;
  std::size_t width, sample;
  bool deep;
  std::vector<std::uint8_t> bgr = std::vector<std::uint8_t>(3 * width * sample * kChunkRows),
                            alpha = std::vector<std::uint8_t>(width * sample * kChunkRows);
};

// Reads the source again beside the result and holds them against each other.
void CheckResult(const std::string& source, const std::string& result) {
  std::unique_ptr<PhotoReader> from, to;
  Expect(!OpenPhoto(source, from), "the source no longer opens");
  const FileError opened = OpenPhoto(result, to);
  Expect(!opened, "the result does not open: " + FileErrorLine(opened));
  Expect(to->width() == from->width() && to->height() == from->height(),
         "the result has another size");
  Expect(to->format() == from->format(), "the result has another format");
  Expect(to->grey() == from->grey() && to->hasAlpha() == from->hasAlpha(),
         "the result has other channels");
  Expect(to->sampleType() == from->sampleType(), "the result has another depth");
  Rows a(*from), b(*to);
  for (int y = 0; y < from->height(); y += kChunkRows) {
    const int n = std::min(kChunkRows, from->height() - y);
    Expect(!a.next(n), "the source no longer reads");
    const FileError read = b.next(n);
    Expect(!read, "the result does not read: " + FileErrorLine(read));
    if (from->format() == PhotoFormat::kJpeg) continue;
    const long w = static_cast<long>(a.width * a.sample) * n;
    Expect(std::equal(a.bgr.begin(), a.bgr.begin() + 3 * w, b.bgr.begin()),
           "the result's pixels differ from row " + std::to_string(y));
    Expect(!from->hasAlpha() || std::equal(a.alpha.begin(), a.alpha.begin() + w, b.alpha.begin()),
           "the result's alpha differs from row " + std::to_string(y));
  }
}

void RunOne(const std::uint8_t* data, std::size_t size) {
  const std::string source = Folder() / "source", result = Folder() / "result";
  const std::vector<std::uint8_t> bytes(data, data + size);
  test::WriteFile(source, bytes);
  std::unique_ptr<PhotoReader> reader;
  if (const FileError error = OpenPhoto(source, reader))
    return ExpectPhotoProblem(error, "OpenPhoto");
  Expect(reader->width() >= 1 && reader->height() >= 1 && reader->width() <= 65535 &&
             reader->height() <= 65535,
         "opened a photo of " + std::to_string(reader->width()) + " x " +
             std::to_string(reader->height()));
  if (static_cast<long long>(reader->width()) * reader->height() > kPixelLimit) return;

  FileDescriptor out(::open(result.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  Expect(out.valid(), "cannot make the result file");
  std::unique_ptr<PhotoWriter> writer;
  if (Refused(reader->createWriter(out.get(), result, {}, writer), "CreatePhotoWriter")) return;
  Rows rows(*reader);
  for (int y = 0; y < reader->height(); y += kChunkRows) {
    const int n = std::min(kChunkRows, reader->height() - y);
    if (const FileError error = rows.next(n)) return ExpectPhotoProblem(error, "readRows");
    if (Refused(rows.write(*writer, n), "writeRows")) return;
  }
  // Reading past the end is an error, never undefined.
  Expect(static_cast<bool>(rows.next(1)), "read a row past the end");
  if (Refused(writer->finish(), "finish")) return;
  writer.reset();
  reader.reset();
  CheckResult(source, result);

  // Execute's photo path, with the decoding thread and the worker pool.
  ExecuteJob job{source, {}, {}, Folder() / "executed"};
  job.parameters.mode = static_cast<Mode>(1 + size % 3);
  job.parameters.background = size % 2 == 0;
  job.parameters.lightX = static_cast<std::int32_t>(size % 97);
  const ExecuteOutcome outcome = Execute(job);
  Expect(outcome.succeeded(),
         "Execute failed on a photo that copies: " + FileErrorLine(outcome.error));
  Expect(test::ReadFile(source) == bytes, "Execute changed its source");

  // The estimates read the same file reduced, through their own reader, and fit it: whatever
  // the picture, they are fields the windows and hosei-cli take as they stand. Their fits
  // take several times as long as the rest, so one input in four asks for them, leaving
  // most of a short run to the readers.
  if (size % 4 != 0) return;
  for (const Mode mode : {Mode::kVignetting, Mode::kFog}) {
    EstimateResult estimate;
    const FileError error = EstimateFromFile(source, mode, estimate);
    Expect(!error, "no estimate of a photo that copies: " + FileErrorLine(error));
    FieldTexts fields;
    if (estimate.vignetting) ApplyEstimate(*estimate.vignetting, fields);
    if (estimate.fog) ApplyEstimate(*estimate.fog, fields);
    Expect(fields.mode == mode, "the estimate set no fields");
    Expect(std::holds_alternative<Parameters>(ReadParameters(fields)),
           "an estimate the fields refuse: " + (estimate.vignetting
                                                    ? CommandLineOptions(*estimate.vignetting)
                                                    : CommandLineOptions(*estimate.fog)));
  }
}

}  // namespace
}  // namespace hosei::fuzz

HOSEI_FUZZ_TARGET
