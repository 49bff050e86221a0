#include "png_reader.h"

#include <cstring>
#include <new>
#include <vector>

#include "deep_rows.h"
#include "file_descriptor.h"
#include "photo_rows.h"
#include "photo_source.h"
#include "png_chunks.h"
#include "png_glue.h"
#include "png_writer.h"

namespace hosei {

namespace {

// Row `r` of 16-bit rows `stride` bytes apart.
std::uint16_t* DeepRow(void* rows, std::size_t stride, int r) {
  return static_cast<std::uint16_t*>(
      static_cast<void*>(static_cast<std::uint8_t*>(rows) + static_cast<std::size_t>(r) * stride));
}

class PngReader final : public PhotoSource {
 public:
  explicit PngReader(std::string path) : path_(std::move(path)) {}
  ~PngReader() override {
    if (png_) png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr);
  }
  PngReader(const PngReader&) = delete;
  PngReader& operator=(const PngReader&) = delete;

  FileError open();

  int width() const override { return static_cast<int>(plan_.width); }
  int height() const override { return static_cast<int>(plan_.height); }
  bool hasAlpha() const override { return layout_.alpha(); }
  SampleType sampleType() const override {
    return rows_.bitDepth == 16 ? SampleType::kUint16 : SampleType::kUint8;
  }
  PhotoFormat format() const override { return PhotoFormat::kPng; }
  bool grey() const override { return layout_.grey(); }

  FileError readRows(int count, std::uint8_t* bgr, std::size_t bgrStride, std::uint8_t* alpha,
                     std::size_t alphaStride) override;
  FileError readDeepRows(int count, void* bgr, std::size_t bgrStride, void* alpha,
                         std::size_t alphaStride) override;

  FileError createWriter(int fd, const std::string& path, const PhotoWriteOptions&,
                         std::unique_ptr<PhotoWriter>& writer) const override {
    return CreatePngWriter(plan_, fd, path, writer);
  }

 private:
  FileError failure() const;
  FileError checkHeader(const PngChunkScan& scan) const;
  FileError checkRows(const PngChunkScan& scan) const;
  FileError decodeWholePicture();
  template <typename Use>
  FileError forEachRow(int count, Use use);

  std::string path_;
  FileDescriptor file_;
  PngState state_{};
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  PngRows rows_;
  SampleLayout layout_;
  PngPlan plan_;
  // Rows as libpng delivers them, held in 16-bit units so that a 16-bit row reads as its
  // samples; an 8-bit row is read through them as bytes.
  std::size_t rowUnits_ = 0;
  std::vector<std::uint16_t> row_;
  // An interlaced picture, decoded whole on the first read.
  std::unique_ptr<std::uint16_t[]> picture_;
  // A 16-bit row reduced to bytes, for readRows.
  std::vector<std::uint8_t> reduced_;
  FileError failed_;
};

FileError PngReader::failure() const {
  if (state_.stopped) return StoppedReading(path_);
  if (state_.readError)
    return FileError{FileProblem::kReadFailed, path_, std::strerror(state_.readError)};
  if (state_.ended) return CorruptPhoto(path_, ProblemDetail::kPngTruncated);
  if (!png_ || !info_) return FileError{FileProblem::kOutOfMemory, path_, {}};
  return CorruptPhoto(path_, ProblemDetail::kPngCorrupt, {state_.message});
}

FileError PngReader::checkHeader(const PngChunkScan& scan) const {
  if (scan.width < 1 || scan.height < 1 || scan.width > kMaxPhotoSide ||
      scan.height > kMaxPhotoSide)
    return UnsupportedPhoto(path_, ProblemDetail::kSideOutOfRange, {std::to_string(kMaxPhotoSide)});
  return {};
}

FileError PngReader::checkRows(const PngChunkScan& scan) const {
  if (rows_.channels < 1 || rows_.channels > 4 || (rows_.bitDepth != 8 && rows_.bitDepth != 16) ||
      rows_.rowBytes !=
          static_cast<std::size_t>(rows_.channels) * (rows_.bitDepth / 8) * scan.width)
    return UnsupportedPhoto(path_, ProblemDetail::kPngKindUnsupported);
  if (rows_.passes > 1 && rows_.rowBytes * scan.height > kMaxBufferedBytes)
    return UnsupportedPhoto(path_, ProblemDetail::kPngInterlacedTooLarge);
  return {};
}

FileError PngReader::open() {
  if (FileError error = OpenPhotoFile(path_, file_)) return error;
  PngChunkScan scan;
  if (FileError error = ScanPngChunks(file_.get(), path_, *this, scan)) return error;
  if (FileError error = checkHeader(scan)) return error;

  state_.fd = file_.get();
  state_.reader = this;
  if (!GuardedCreateRead(&state_, &png_, &info_)) return failure();
  if (!GuardedReadInfo(png_, info_, &rows_)) return failure();
  if (FileError error = checkRows(scan)) return error;
  layout_ = SampleLayout{rows_.channels, true};
  rowUnits_ = (rows_.rowBytes + 1) / 2;

  AdaptChunksToResult(scan);
  plan_.width = scan.width;
  plan_.height = scan.height;
  plan_.channels = rows_.channels;
  plan_.bitDepth = rows_.bitDepth;
  try {
    plan_.chunks = std::make_shared<const std::vector<PngChunk>>(std::move(scan.carried));
    if (rows_.passes == 1) row_.resize(rowUnits_);
    if (rows_.bitDepth == 16) reduced_.resize(rows_.rowBytes / 2);
  } catch (const std::bad_alloc&) {
    return FileError{FileProblem::kOutOfMemory, path_, {}};
  }
  return {};
}

FileError PngReader::decodeWholePicture() {
  const std::size_t height = plan_.height;
  picture_.reset(new (std::nothrow) std::uint16_t[rowUnits_ * height]);
  if (!picture_) return FileError{FileProblem::kOutOfMemory, path_, {}};
  // Row by row rather than through png_read_image, so that a stop request is heard after
  // every row.
  for (int pass = 0; pass < rows_.passes; ++pass)
    for (std::size_t y = 0; y < height; ++y) {
      if (stopRequested()) return StoppedReading(path_);
      if (!GuardedReadRow(png_, reinterpret_cast<png_bytep>(picture_.get() + y * rowUnits_)))
        return failure();
    }
  return {};
}

// The next `count` rows, each handed to `use` with its index among them and its samples as
// libpng delivers them. readRows and readDeepRows share this cursor, so they may be mixed.
template <typename Use>
FileError PngReader::forEachRow(int count, Use use) {
  if (failed_) return failed_;
  const int first = rowsRead();
  if (FileError error = takeRows(count, path_)) return error;
  if (rows_.passes > 1 && !picture_ && count > 0)
    if (FileError error = decodeWholePicture()) return failed_ = error;
  for (int r = 0; r < count; ++r) {
    const std::uint16_t* samples;
    if (picture_) {
      samples = picture_.get() + static_cast<std::size_t>(first + r) * rowUnits_;
    } else {
      if (!GuardedReadRow(png_, reinterpret_cast<png_bytep>(row_.data())))
        return failed_ = failure();
      samples = row_.data();
    }
    use(r, samples);
  }
  return {};
}

FileError PngReader::readRows(int count, std::uint8_t* bgr, std::size_t bgrStride,
                              std::uint8_t* alpha, std::size_t alphaStride) {
  return forEachRow(count, [&](int r, const std::uint16_t* samples) {
    const std::uint8_t* bytes = reinterpret_cast<const std::uint8_t*>(samples);
    if (rows_.bitDepth == 16) {
      ReduceToBytes(samples, reduced_.size(), reduced_.data());
      bytes = reduced_.data();
    }
    SplitRow(bytes, width(), layout_, bgr + static_cast<std::size_t>(r) * bgrStride,
             alpha ? alpha + static_cast<std::size_t>(r) * alphaStride : nullptr);
  });
}

FileError PngReader::readDeepRows(int count, void* bgr, std::size_t bgrStride, void* alpha,
                                  std::size_t alphaStride) {
  if (rows_.bitDepth != 16)
    return PhotoSource::readDeepRows(count, bgr, bgrStride, alpha, alphaStride);
  return forEachRow(count, [&](int r, const std::uint16_t* samples) {
    SplitDeepRow(samples, width(), layout_, DeepRow(bgr, bgrStride, r),
                 alpha ? DeepRow(alpha, alphaStride, r) : nullptr);
  });
}

}  // namespace

FileError OpenPng(const std::string& path, std::unique_ptr<PhotoReader>& reader,
                  const StopRequest* stop) {
  return OpenWith<PngReader>(path, reader, stop);
}

}  // namespace hosei
