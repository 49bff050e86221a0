#include "photo_pipeline.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "row_chunks.h"
#include "scattered_rows.h"
#include "worker_pool.h"

namespace hosei {

namespace {

// Rows of a photo, top row first, with their alpha bytes where the photo has them.
struct Chunk {
  std::vector<std::uint8_t> bgr;
  std::vector<std::uint8_t> alpha;
  int first = 0;  // the first row's index counted from the top
  int rows = 0;
};

// A ring of chunks between the decoding thread and the correcting and encoding one.
class ChunkRing {
 public:
  static constexpr int kSlots = 3;

  // The slot for chunk `index` once the encoder has finished with its earlier use; nothing
  // when the run was stopped.
  Chunk* slotToFill(int index) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return stopped_ || index - encoded_ < kSlots; });
    return stopped_ ? nullptr : &slots_[index % kSlots];
  }
  void filled(int index, FileError error) {
    {
      std::lock_guard lock(mutex_);
      decoded_ = index + 1;
      if (error) decodeError_ = std::move(error);
    }
    changed_.notify_all();
  }
  // Chunk `index` once decoded; nothing when decoding failed (the error is then kept).
  Chunk* slotToEncode(int index) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return decoded_ > index || decodeError_; });
    return decodeError_ ? nullptr : &slots_[index % kSlots];
  }
  void encoded(int index) {
    {
      std::lock_guard lock(mutex_);
      encoded_ = index + 1;
    }
    changed_.notify_all();
  }
  void stop() {
    {
      std::lock_guard lock(mutex_);
      stopped_ = true;
    }
    changed_.notify_all();
  }
  FileError decodeError() {
    std::lock_guard lock(mutex_);
    return decodeError_;
  }
  Chunk& slot(int index) { return slots_[index % kSlots]; }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  Chunk slots_[kSlots];
  int decoded_ = 0;
  int encoded_ = 0;
  bool stopped_ = false;
  FileError decodeError_;
};

FileError Decode(PhotoReader& reader, Chunk& chunk) {
  const std::size_t sample = BytesPerSample(reader.sampleType());
  const std::size_t stride = 3 * static_cast<std::size_t>(reader.width()) * sample;
  const std::size_t alphaStride = static_cast<std::size_t>(reader.width()) * sample;
  std::uint8_t* alpha = reader.hasAlpha() ? chunk.alpha.data() : nullptr;
  if (IsDeep(reader.sampleType()))
    return reader.readDeepRows(chunk.rows, chunk.bgr.data(), stride, alpha, alphaStride);
  return reader.readRows(chunk.rows, chunk.bgr.data(), stride, alpha, alphaStride);
}

FileError Encode(PhotoWriter& writer, const PhotoReader& reader, const Chunk& chunk) {
  const std::size_t sample = BytesPerSample(reader.sampleType());
  const std::size_t stride = 3 * static_cast<std::size_t>(reader.width()) * sample;
  const std::size_t alphaStride = static_cast<std::size_t>(reader.width()) * sample;
  const std::uint8_t* alpha = reader.hasAlpha() ? chunk.alpha.data() : nullptr;
  if (IsDeep(reader.sampleType()))
    return writer.writeDeepRows(chunk.rows, chunk.bgr.data(), stride, alpha, alphaStride);
  return writer.writeRows(chunk.rows, chunk.bgr.data(), stride, alpha, alphaStride);
}

class PhotoPipeline {
 public:
  PhotoPipeline(PhotoReader& reader, const RowCorrector& corrector, PhotoWriter& writer,
                ExecuteObserver* observer)
      : reader_(reader),
        corrector_(corrector),
        writer_(writer),
        observer_(observer),
        width_(reader.width()),
        height_(reader.height()),
        sampleBytes_(BytesPerSample(reader.sampleType())),
        stride_(3 * static_cast<std::size_t>(width_) * sampleBytes_),
        chunkRows_(RowsPerChunk(stride_, height_)),
        chunks_((height_ + chunkRows_ - 1) / chunkRows_) {}

  FileError run() {
    for (int slot = 0; slot < ChunkRing::kSlots && slot < chunks_; ++slot) {
      Chunk& chunk = ring_.slot(slot);
      chunk.bgr.resize(stride_ * static_cast<std::size_t>(chunkRows_));
      if (reader_.hasAlpha())
        chunk.alpha.resize(static_cast<std::size_t>(width_) * sampleBytes_ *
                           static_cast<std::size_t>(chunkRows_));
    }
    std::thread decoder;
    if (WorkerPool::UsableCpus() > 1) {
      try {
        decoder = std::thread([this] { decodeAll(); });
      } catch (const std::system_error&) {
        // No thread to spare: decode each chunk just before it is encoded.
      }
    }
    FileError error;
    try {
      error = encodeAll(decoder.joinable());
    } catch (const std::bad_alloc&) {
      error = FileError{FileProblem::kOutOfMemory, {}, {}};
    }
    ring_.stop();
    if (decoder.joinable()) decoder.join();
    if (!error) error = ring_.decodeError();
    return error;
  }

 private:
  void prepare(Chunk& chunk, int index) const {
    chunk.first = index * chunkRows_;
    chunk.rows = std::min(chunkRows_, height_ - chunk.first);
  }

  void decodeAll() {
    for (int index = 0; index < chunks_; ++index) {
      Chunk* chunk = ring_.slotToFill(index);
      if (!chunk) return;
      prepare(*chunk, index);
      FileError error;
      try {
        error = Decode(reader_, *chunk);
      } catch (const std::bad_alloc&) {
        error = FileError{FileProblem::kOutOfMemory, {}, {}};
      }
      ring_.filled(index, error);
      if (error) return;
    }
  }

  FileError encodeAll(bool decoding) {
    WorkerPool& pool = WorkerPool::Shared();
    for (int index = 0; index < chunks_; ++index) {
      Chunk* chunk = nullptr;
      if (decoding) {
        chunk = ring_.slotToEncode(index);
        if (!chunk) return {};  // the decoder's error is reported
      } else {
        chunk = &ring_.slot(index);
        prepare(*chunk, index);
        if (FileError error = Decode(reader_, *chunk)) return error;
      }
      pool.finish(
          pool.start(PartsOf(chunk->rows), [this, chunk](int part) { correct(*chunk, part); }));
      if (!ContinueAfterRows(observer_, chunk->first, chunk->rows))
        return FileError{FileProblem::kStopped, {}, {}};
      if (FileError error = Encode(writer_, reader_, *chunk)) return error;
      ring_.encoded(index);
    }
    return {};
  }

  // The corrector counts rows from the bottom of the picture; the chunk holds them top row
  // first, so a part is handed over from its lowest row upwards.
  void correct(Chunk& chunk, int part) const {
    const int top = part * kRowsPerPart;
    const int rows = std::min(kRowsPerPart, chunk.rows - top);
    const int lowest = top + rows - 1;
    const int storedRow = height_ - 1 - (chunk.first + lowest);
    corrector_.correctRows(chunk.bgr.data() + static_cast<std::size_t>(lowest) * stride_,
                           -static_cast<std::ptrdiff_t>(stride_), storedRow, rows);
  }

  PhotoReader& reader_;
  const RowCorrector& corrector_;
  PhotoWriter& writer_;
  ExecuteObserver* observer_;
  const int width_;
  const int height_;
  const std::size_t sampleBytes_;
  const std::size_t stride_;
  const int chunkRows_;
  const int chunks_;
  ChunkRing ring_;
};

}  // namespace

FileError CorrectPhotoRows(PhotoReader& reader, const RowCorrector& corrector, PhotoWriter& writer,
                           ExecuteObserver* observer) {
  if (reader.givesStoredRows()) return CorrectScatteredRows(reader, corrector, writer, observer);
  PhotoPipeline pipeline(reader, corrector, writer, observer);
  return pipeline.run();
}

}  // namespace hosei
