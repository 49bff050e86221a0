#include "execute.h"

#include <algorithm>
#include <new>

#include "bitmap_source.h"
#include "file_names.h"
#include "pixel_block.h"
#include "pixel_corrector.h"
#include "result_file.h"
#include "tables.h"
#include "worker_pool.h"

namespace hosei {

namespace {

// Rows travel from source to result in chunks of about this many bytes: small enough to
// stay in the processor's cache and to keep memory flat whatever the photo's size, large
// enough that each read and write is one big transfer.
constexpr std::size_t kChunkBytes = std::size_t{1} << 20;
// Rows per part of a chunk handed to one thread.
constexpr int kRowsPerPart = 8;

// Streams the pixel rows through the corrector: while the helpers correct one chunk,
// this thread writes the previous one and reads the next, then helps with what is left.
FileError CorrectRows(const BitmapSource& source, const PixelCorrector& corrector,
                      ResultFile& result, ExecuteObserver* observer) {
  const std::size_t rowLength = source.rowLength();
  const int height = source.height();
  const int chunkRows = static_cast<int>(
      std::clamp<std::size_t>(kChunkBytes / rowLength, 1, static_cast<std::size_t>(height)));
  PixelBlock buffers[2];
  try {
    for (auto& buffer : buffers)
      buffer = PixelBlock(rowLength, static_cast<std::size_t>(chunkRows));
  } catch (const std::bad_alloc&) {
    return FileError{FileProblem::kOutOfMemory, {}, {}};
  }
  WorkerPool pool(height > chunkRows ? WorkerPool::HelpersForThisMachine() : 0);

  const auto rowsOf = [&](int chunk) { return std::min(chunkRows, height - chunk * chunkRows); };
  const auto startCorrecting = [&](int chunk) {
    PixelBlock& buffer = buffers[chunk % 2];
    const int first = chunk * chunkRows;
    const int rows = rowsOf(chunk);
    pool.start(
        (rows + kRowsPerPart - 1) / kRowsPerPart, [&buffer, &corrector, first, rows](int part) {
          const int offset = part * kRowsPerPart;
          corrector.correctRows(buffer.row(static_cast<std::size_t>(offset)), buffer.rowLength(),
                                first + offset, std::min(kRowsPerPart, rows - offset));
        });
  };

  const int chunks = (height + chunkRows - 1) / chunkRows;
  if (FileError error = source.readRows(0, static_cast<std::size_t>(rowsOf(0)), buffers[0].data()))
    return error;
  startCorrecting(0);
  for (int chunk = 0; chunk < chunks; ++chunk) {
    FileError readError;
    if (chunk + 1 < chunks)
      readError = source.readRows(static_cast<std::size_t>((chunk + 1) * chunkRows),
                                  static_cast<std::size_t>(rowsOf(chunk + 1)),
                                  buffers[(chunk + 1) % 2].data());
    pool.finish();
    if (readError) return readError;

    const int first = chunk * chunkRows;
    const int last = first + rowsOf(chunk);
    if (observer)
      for (int row = (first / kProgressInterval + 1) * kProgressInterval; row <= last;
           row += kProgressInterval)
        observer->rowsDone(row);

    if (chunk + 1 < chunks) startCorrecting(chunk + 1);
    const PixelBlock& done = buffers[chunk % 2];
    if (FileError error =
            result.write(done.data(), static_cast<std::size_t>(rowsOf(chunk)) * rowLength)) {
      pool.finish();
      return error;
    }
  }
  return {};
}

}  // namespace

ExecuteOutcome Execute(const ExecuteJob& job, ExecuteObserver* observer) {
  BuildTables();
  if (job.parameters.mode == Mode::kGamma) ToneCurve.buildGammaRow(job.parameters.gamma);

  ExecuteOutcome outcome;
  if (job.resultFile.empty()) {
    const auto result = ResultFileName(job.currentFile);
    if (!result) {
      outcome.error = FileError{FileProblem::kNameTooShort, job.currentFile, {}};
      return outcome;
    }
    outcome.resultFile = *result;
  } else {
    outcome.resultFile = job.resultFile;
  }

  BitmapSource source;
  if (FileError error = BitmapSource::open(job.currentFile, source)) {
    outcome.error = std::move(error);
    return outcome;
  }
  outcome.width = source.width();
  outcome.height = source.height();
  if (observer) observer->headerAccepted(source.header());

  if (IsSameFile(job.currentFile, outcome.resultFile)) {
    outcome.error = FileError{FileProblem::kResultIsSource, outcome.resultFile, {}};
    return outcome;
  }
  const PixelCorrector corrector(job.parameters, outcome.width, outcome.height, job.movedCentre);
  ResultFile result;
  outcome.error = result.create(outcome.resultFile);
  if (!outcome.error)
    outcome.error = result.write(source.headerRegion().data(), source.headerRegion().size());
  if (!outcome.error) outcome.error = CorrectRows(source, corrector, result, observer);
  if (!outcome.error) outcome.error = result.commit();
  if (outcome.error.problem == FileProblem::kOutOfMemory) outcome.error.path = job.currentFile;
  return outcome;
}

std::string SavedAsCaption(const std::string& resultFile) {
  return resultFile + "で保存されました";
}

std::string RowTotalCaption(int height) { return "/    " + std::to_string(height); }

std::string ResultViewerCaption(const std::string& resultFile) { return "→　" + resultFile; }

}  // namespace hosei
