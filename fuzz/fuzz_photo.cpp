// Fuzz target for the JPEG, PNG and TIFF readers and writers: one input is one photo file.
// It is opened; if it opens (and is small enough for a quick run) every row is read and
// written back through the writer, as Execute does, and the result is read again. Then:
//   - a file that cannot be done ends in a photo problem with a reason, never another kind;
//   - a photo that reads completely also writes completely (or is refused as a kind that
//     cannot be written back), and reads back with the same size, channels and, for the
//     lossless PNG and TIFF, the same pixels and alpha.
// Crashes, hangs and leaks are found by the sanitizers and libFuzzer themselves; a breach
// aborts with a message, so libFuzzer keeps the input like a crash.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "execute.h"
#include "file_descriptor.h"
#include "file_error.h"
#include "photo_file.h"

namespace hosei::fuzz {
namespace {

namespace fs = std::filesystem;

// Pictures claiming more are opened but not read: one run must stay fast.
constexpr long long kPixelLimit = 4ll << 20;
constexpr int kChunkRows = 16;

[[noreturn]] void Breach(const std::string& what) {
  std::fprintf(stderr, "\nhosei photo fuzz: %s\n", what.c_str());
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

void ExpectPhotoProblem(const FileError& error, const char* where) {
  const bool photo = error.problem == FileProblem::kUnsupportedPhoto ||
                     error.problem == FileProblem::kCorruptPhoto ||
                     error.problem == FileProblem::kOutOfMemory;
  Expect(photo, std::string(where) + ": not a photo problem: " + DescribeFileError(error));
  Expect(error.problem == FileProblem::kOutOfMemory || !error.systemMessage.empty(),
         std::string(where) + ": no reason given: " + DescribeFileError(error));
}

// Rows of one reader, a chunk at a time.
struct Rows {
  explicit Rows(PhotoReader& reader)
      : reader(reader),
        width(static_cast<std::size_t>(reader.width())),
        bgr(3 * width * kChunkRows),
        alpha(width * kChunkRows) {}
  FileError next(int count) {
    return reader.readRows(count, bgr.data(), 3 * width, alpha.data(), width);
  }
  PhotoReader& reader;
  std::size_t width;
  std::vector<std::uint8_t> bgr, alpha;
};

// Reads the source again beside the result and holds them against each other.
void CheckResult(const std::string& source, const std::string& result) {
  std::unique_ptr<PhotoReader> from, to;
  Expect(!OpenPhoto(source, from), "the source no longer opens");
  const FileError opened = OpenPhoto(result, to);
  Expect(!opened, "the result does not open: " + DescribeFileError(opened));
  Expect(to->width() == from->width() && to->height() == from->height(),
         "the result has another size");
  Expect(to->format() == from->format(), "the result has another format");
  Expect(to->grey() == from->grey() && to->hasAlpha() == from->hasAlpha(),
         "the result has other channels");
  const bool exact = from->format() != PhotoFormat::kJpeg;
  Rows a(*from), b(*to);
  for (int y = 0; y < from->height(); y += kChunkRows) {
    const int n = std::min(kChunkRows, from->height() - y);
    Expect(!a.next(n), "the source no longer reads");
    const FileError read = b.next(n);
    Expect(!read, "the result does not read: " + DescribeFileError(read));
    if (!exact) continue;
    const std::size_t w = a.width * static_cast<std::size_t>(n);
    Expect(std::equal(a.bgr.begin(), a.bgr.begin() + static_cast<long>(3 * w), b.bgr.begin()),
           "the result's pixels differ from row " + std::to_string(y));
    if (from->hasAlpha())
      Expect(std::equal(a.alpha.begin(), a.alpha.begin() + static_cast<long>(w), b.alpha.begin()),
             "the result's alpha differs from row " + std::to_string(y));
  }
}

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void RunOne(const std::uint8_t* data, std::size_t size) {
  const std::string source = Folder() / "source";
  const std::string result = Folder() / "result";
  {
    FileDescriptor file(::open(source.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    Expect(file.valid() && ::write(file.get(), data, size) == static_cast<ssize_t>(size),
           "cannot write the input file");
  }
  std::unique_ptr<PhotoReader> reader;
  if (const FileError error = OpenPhoto(source, reader)) {
    ExpectPhotoProblem(error, "OpenPhoto");
    return;
  }
  Expect(reader->width() >= 1 && reader->height() >= 1 && reader->width() <= 65535 &&
             reader->height() <= 65535,
         "opened a photo of " + std::to_string(reader->width()) + " x " +
             std::to_string(reader->height()));
  if (static_cast<long long>(reader->width()) * reader->height() > kPixelLimit) return;

  FileDescriptor out(::open(result.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  Expect(out.valid(), "cannot make the result file");
  std::unique_ptr<PhotoWriter> writer;
  if (const FileError error = CreatePhotoWriter(*reader, out.get(), result, {}, writer)) {
    Expect(error.problem == FileProblem::kUnsupportedPhoto,
           "CreatePhotoWriter: " + DescribeFileError(error));
    return;
  }
  Rows rows(*reader);
  for (int y = 0; y < reader->height(); y += kChunkRows) {
    const int n = std::min(kChunkRows, reader->height() - y);
    if (const FileError error = rows.next(n)) {
      ExpectPhotoProblem(error, "readRows");
      return;
    }
    const FileError written =
        writer->writeRows(n, rows.bgr.data(), 3 * rows.width, rows.alpha.data(), rows.width);
    if (written) {
      Expect(written.problem == FileProblem::kUnsupportedPhoto,
             "writeRows: " + DescribeFileError(written));
      return;
    }
  }
  // Reading past the end is an error, never undefined.
  Expect(static_cast<bool>(rows.next(1)), "read a row past the end");
  if (const FileError error = writer->finish()) {
    Expect(error.problem == FileProblem::kUnsupportedPhoto, "finish: " + DescribeFileError(error));
    return;
  }
  writer.reset();
  reader.reset();
  CheckResult(source, result);

  // Execute's photo path on the same file, with the decoding thread and the worker pool:
  // a photo that copies cleanly is corrected too, and the source is never written.
  ExecuteJob job;
  job.currentFile = source;
  job.resultFile = Folder() / "executed";
  job.parameters.mode = static_cast<Mode>(1 + size % 3);
  job.parameters.background = size % 2 == 0;
  job.parameters.lightX = static_cast<std::int32_t>(size % 97);
  const ExecuteOutcome outcome = Execute(job);
  Expect(outcome.succeeded(),
         "Execute failed on a photo that copies: " + DescribeFileError(outcome.error));
  Expect(ReadAll(source) == std::vector<std::uint8_t>(data, data + size),
         "Execute changed its source");
}

}  // namespace
}  // namespace hosei::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  namespace fs = std::filesystem;
  const char* base = std::getenv("HOSEI_FUZZ_TMP");
  if (!base) base = fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
  std::string pattern = std::string(base) + "/hosei-fuzz-photo-XXXXXX";
  if (!::mkdtemp(pattern.data())) {
    std::fprintf(stderr, "hosei photo fuzz: cannot make a folder in %s: %s\n", base,
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
