#include "bitmap_pipeline.h"

#include <algorithm>

#include "pixel_block.h"
#include "row_chunks.h"
#include "worker_pool.h"

namespace hosei {

// While the helpers correct one chunk, this thread writes the previous one and reads the
// next, then helps with what is left.
FileError CorrectBitmapRows(const BitmapSource& source, const PixelCorrector& corrector,
                            ResultFile& result, ExecuteObserver* observer) {
  const std::size_t rowLength = source.rowLength();
  const int height = source.height();
  const int chunkRows = RowsPerChunk(rowLength, height);
  PixelBlock buffers[2];
  for (auto& buffer : buffers) buffer = PixelBlock(rowLength, static_cast<std::size_t>(chunkRows));
  WorkerPool& pool = WorkerPool::Shared();
  WorkerPool::Ticket correcting;

  const auto rowsOf = [&](int chunk) { return std::min(chunkRows, height - chunk * chunkRows); };
  const auto startCorrecting = [&](int chunk) {
    PixelBlock& buffer = buffers[chunk % 2];
    const int first = chunk * chunkRows;
    const int rows = rowsOf(chunk);
    correcting = pool.start(PartsOf(rows), [&buffer, &corrector, first, rows](int part) {
      const int offset = part * kRowsPerPart;
      corrector.correctRows(buffer.row(static_cast<std::size_t>(offset)),
                            static_cast<std::ptrdiff_t>(buffer.rowLength()), first + offset,
                            std::min(kRowsPerPart, rows - offset));
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
    pool.finish(correcting);
    if (readError) return readError;
    if (!ContinueAfterRows(observer, chunk * chunkRows, rowsOf(chunk)))
      return FileError{FileProblem::kStopped, {}, {}};

    if (chunk + 1 < chunks) startCorrecting(chunk + 1);
    const PixelBlock& done = buffers[chunk % 2];
    if (FileError error =
            result.write(done.data(), static_cast<std::size_t>(rowsOf(chunk)) * rowLength)) {
      pool.finish(correcting);
      return error;
    }
  }
  return {};
}

}  // namespace hosei
