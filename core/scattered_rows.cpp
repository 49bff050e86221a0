#include "scattered_rows.h"

#include <sys/mman.h>

#include <algorithm>
#include <new>
#include <vector>

#include "row_chunks.h"
#include "worker_pool.h"

namespace hosei {

namespace {

class ScatteredRows {
 public:
  ScatteredRows(const PhotoReader& reader, const RowCorrector& corrector, PhotoWriter& writer,
                int chunksPerRound)
      : reader_(reader),
        corrector_(corrector),
        writer_(writer),
        height_(reader.height()),
        stride_(3 * static_cast<std::size_t>(reader.width()) * BytesPerSample(reader.sampleType())),
        chunkRows_(RowsPerChunk(stride_, height_)),
        chunkBytes_(stride_ * static_cast<std::size_t>(chunkRows_)),
        bufferBytes_(chunkBytes_ * static_cast<std::size_t>(chunksPerRound)),
        errors_(static_cast<std::size_t>(chunksPerRound)),
        scratch_(static_cast<std::size_t>(chunksPerRound)) {
    // Mapped with its pages in place: met one at a time, each of the thousand pages was a
    // fault that cost more than reading the page's share of the picture.
    void* mapped = ::mmap(nullptr, bufferBytes_, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    buffers_ = static_cast<std::uint8_t*>(mapped);
  }
  ~ScatteredRows() { ::munmap(buffers_, bufferBytes_); }
  ScatteredRows(const ScatteredRows&) = delete;
  ScatteredRows& operator=(const ScatteredRows&) = delete;

  int chunkRows() const { return chunkRows_; }

  // Rows first .. first + rows - 1 (from the top), through buffer `slot`.
  void run(int slot, int first, int rows) {
    std::uint8_t* buffer = buffers_ + static_cast<std::size_t>(slot) * chunkBytes_;
    FileError& error = errors_[static_cast<std::size_t>(slot)];
    std::vector<std::uint8_t>& scratch = scratch_[static_cast<std::size_t>(slot)];
    error = reader_.readStoredRowsAt(first, rows, buffer, stride_, scratch);
    if (error) return;
    // The corrector counts rows from the bottom; the buffer holds them top row first.
    const int lowest = rows - 1;
    corrector_.correctRows(buffer + static_cast<std::size_t>(lowest) * stride_,
                           -static_cast<std::ptrdiff_t>(stride_), height_ - 1 - (first + lowest),
                           rows);
    error = writer_.writeStoredRowsAt(first, rows, buffer, stride_, scratch);
  }

  // The first failure of the round's `slots` chunks, in the order of their rows.
  FileError firstError(int slots) const {
    for (int slot = 0; slot < slots; ++slot)
      if (errors_[static_cast<std::size_t>(slot)]) return errors_[static_cast<std::size_t>(slot)];
    return {};
  }

 private:
  const PhotoReader& reader_;
  const RowCorrector& corrector_;
  PhotoWriter& writer_;
  const int height_;
  const std::size_t stride_;
  const int chunkRows_;
  const std::size_t chunkBytes_;
  const std::size_t bufferBytes_;
  std::uint8_t* buffers_ = nullptr;
  std::vector<FileError> errors_;
  std::vector<std::vector<std::uint8_t>> scratch_;
};

}  // namespace

FileError CorrectScatteredRows(const PhotoReader& reader, const RowCorrector& corrector,
                               PhotoWriter& writer, ExecuteObserver* observer) {
  if (FileError error = writer.placeStoredRows()) return error;
  WorkerPool& pool = WorkerPool::Shared();
  // Two chunks a core keep every core busy to the end of a round while the observer still
  // hears of the rows every few megabytes. Beyond 16 the file, not the cores, sets the pace,
  // and more chunks would only hold more memory.
  const int chunksPerRound = std::min(2 * (pool.helpers() + 1), 16);
  try {
    ScatteredRows rows(reader, corrector, writer, chunksPerRound);
    const int height = reader.height();
    const int chunkRows = rows.chunkRows();
    for (int done = 0; done < height;) {
      const int roundRows = std::min(height - done, chunksPerRound * chunkRows);
      const int slots = (roundRows + chunkRows - 1) / chunkRows;
      pool.finish(pool.start(slots, [&rows, done, roundRows, chunkRows](int slot) {
        const int first = done + slot * chunkRows;
        rows.run(slot, first, std::min(chunkRows, done + roundRows - first));
      }));
      if (FileError error = rows.firstError(slots)) return error;
      if (!ContinueAfterRows(observer, done, roundRows))
        return FileError{FileProblem::kStopped, {}, {}};
      done += roundRows;
    }
  } catch (const std::bad_alloc&) {
    return FileError{FileProblem::kOutOfMemory, {}, {}};
  }
  return {};
}

}  // namespace hosei
