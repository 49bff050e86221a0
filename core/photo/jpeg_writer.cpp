#include "jpeg_writer.h"

#include <algorithm>
#include <vector>

#include "photo_rows.h"
#include "photo_source.h"

namespace hosei {

namespace {

class JpegWriter final : public PhotoWriter {
 public:
  JpegWriter(const JpegLayout& layout, std::shared_ptr<const JpegLaterSegments> later,
             std::string sourcePath, std::string path)
      : layout_(layout),
        later_(std::move(later)),
        sourcePath_(std::move(sourcePath)),
        path_(std::move(path)),
        rows_(layout.height) {}
  ~JpegWriter() override {
    if (created_) jpeg_destroy_compress(&cinfo_);
  }
  JpegWriter(const JpegWriter&) = delete;
  JpegWriter& operator=(const JpegWriter&) = delete;

  FileError start(int fd, int quality);
  FileError writeRows(int count, const std::uint8_t* bgr, std::size_t bgrStride,
                      const std::uint8_t*, std::size_t) override;
  FileError finish() override;

 private:
  FileError failure();

  JpegLayout layout_;
  std::shared_ptr<const JpegLaterSegments> later_;
  std::string sourcePath_;
  std::string path_;
  JpegErrorState errors_{};
  std::unique_ptr<JpegFileDestination> destination_ = std::make_unique<JpegFileDestination>();
  jpeg_compress_struct cinfo_{};
  bool created_ = false;
  RowCounter rows_;
  std::vector<std::uint8_t> greyRow_;
  FileError failed_;
  bool finished_ = false;
};

// A full disk is the result's problem; anything else libjpeg refuses is the source's.
FileError JpegWriter::failure() {
  if (destination_->writeError)
    failed_ = CannotWritePhoto(path_, destination_->writeError);
  else
    failed_ = UnsupportedPhoto(sourcePath_, ProblemDetail::kJpegCannotWrite, {errors_.message});
  return failed_;
}

FileError JpegWriter::start(int fd, int quality) {
  InstallErrorState(errors_);
  cinfo_.err = &errors_.manager;
  if (!GuardedCreateCompress(&cinfo_)) return failure();
  created_ = true;
  UseFileDestination(&cinfo_, *destination_, fd);
  if (!GuardedStartCompress(&cinfo_, &layout_, quality)) return failure();
  if (layout_.colourSpace == JCS_GRAYSCALE)
    greyRow_.resize(static_cast<std::size_t>(layout_.width));
  return {};
}

FileError JpegWriter::writeRows(int count, const std::uint8_t* bgr, std::size_t bgrStride,
                                const std::uint8_t*, std::size_t) {
  if (failed_) return failed_;
  if (FileError error = rows_.take(count, path_)) return error;
  for (int r = 0; r < count; ++r) {
    const std::uint8_t* row = bgr + static_cast<std::size_t>(r) * bgrStride;
    // libjpeg takes rows as writable but only reads them.
    JSAMPROW samples = const_cast<std::uint8_t*>(row);
    if (!greyRow_.empty()) {
      JoinRow(row, nullptr, layout_.width, SampleLayout{1}, greyRow_.data());
      samples = greyRow_.data();
    }
    if (!GuardedWriteScanline(&cinfo_, samples)) return failure();
  }
  return {};
}

FileError JpegWriter::finish() {
  if (failed_) return failed_;
  if (finished_) return {};
  if (FileError error = rows_.checkComplete(path_)) return error;
  destination_->beforeEnd = later_->segments();
  if (!GuardedFinishCompress(&cinfo_)) return failure();
  finished_ = true;
  return {};
}

}  // namespace

void JpegLaterSegments::publish(std::vector<JpegMarker> segments) {
  segments_ = std::move(segments);
  published_.store(true, std::memory_order_release);
}

const std::vector<JpegMarker>* JpegLaterSegments::segments() const {
  return published_.load(std::memory_order_acquire) ? &segments_ : nullptr;
}

FileError CreateJpegWriter(const JpegLayout& layout, std::shared_ptr<const JpegLaterSegments> later,
                           const std::string& sourcePath, int fd, const std::string& path,
                           const PhotoWriteOptions& options, std::unique_ptr<PhotoWriter>& writer) {
  const int quality = std::clamp(options.jpegQuality, 0, 100);
  // The JPEG rules allow 1..255 for 8-bit pictures; libjpeg's encoder divides by the values
  // (at 0, or from 8192 on, by zero), though its decoder reads anything.
  for (int t = 0; t < NUM_QUANT_TBLS && quality == 0; ++t)
    if (layout.hasTable[t] && !std::all_of(std::begin(layout.tables[t]), std::end(layout.tables[t]),
                                           [](std::uint16_t q) { return q >= 1 && q <= 255; }))
      return UnsupportedPhoto(sourcePath, ProblemDetail::kJpegQuantOutOfRange);
  auto created = std::make_unique<JpegWriter>(layout, std::move(later), sourcePath, path);
  if (FileError error = created->start(fd, quality)) return error;
  writer = std::move(created);
  return {};
}

}  // namespace hosei
