#include "png_writer.h"

#include <string>
#include <vector>

#include "deep_rows.h"
#include "photo_rows.h"
#include "photo_source.h"

namespace hosei {

namespace {

// Row `r` of 16-bit rows `stride` bytes apart.
const std::uint16_t* DeepRow(const void* rows, std::size_t stride, int r) {
  return static_cast<const std::uint16_t*>(static_cast<const void*>(
      static_cast<const std::uint8_t*>(rows) + static_cast<std::size_t>(r) * stride));
}

class PngWriter final : public PhotoWriter {
 public:
  PngWriter(const PngPlan& plan, std::string path)
      : plan_(plan),
        path_(std::move(path)),
        rows_(static_cast<int>(plan.height)),
        layout_{plan.channels, true} {}
  ~PngWriter() override {
    if (png_) png_destroy_write_struct(&png_, info_ ? &info_ : nullptr);
  }
  PngWriter(const PngWriter&) = delete;
  PngWriter& operator=(const PngWriter&) = delete;

  FileError start(int fd);
  FileError writeRows(int count, const std::uint8_t* bgr, std::size_t bgrStride,
                      const std::uint8_t* alpha, std::size_t alphaStride) override;
  FileError writeDeepRows(int count, const void* bgr, std::size_t bgrStride, const void* alpha,
                          std::size_t alphaStride) override;
  FileError finish() override;

 private:
  FileError failure();
  FileError checkDepth(int bitDepth) const;

  PngPlan plan_;
  std::string path_;
  RowCounter rows_;
  SampleLayout layout_;
  PngState state_{};
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  std::vector<std::uint8_t> row_;
  std::vector<std::uint16_t> deepRow_;
  FileError failed_;
  bool finished_ = false;
};

FileError PngWriter::failure() {
  if (state_.writeError) return failed_ = CannotWritePhoto(path_, state_.writeError);
  if (!png_ || !info_) return failed_ = FileError{FileProblem::kOutOfMemory, path_, {}};
  return failed_ = CannotWritePhoto(path_, ProblemDetail::kPngCannotWrite, {state_.message});
}

FileError PngWriter::start(int fd) {
  state_.fd = fd;
  const std::size_t samples = static_cast<std::size_t>(plan_.channels) * plan_.width;
  if (plan_.bitDepth == 16)
    deepRow_.resize(samples);
  else
    row_.resize(samples);
  if (!GuardedCreateWrite(&state_, &png_, &info_)) return failure();
  if (!GuardedStartWrite(png_, info_, &plan_)) return failure();
  return {};
}

// Rows of another depth than the result's are refused rather than converted: a 16-bit
// result written from bytes would lose its low bits without a word.
FileError PngWriter::checkDepth(int bitDepth) const {
  if (plan_.bitDepth == bitDepth) return {};
  return UnsupportedPhoto(path_, ProblemDetail::kPngDepthMismatch,
                          {std::to_string(plan_.bitDepth), std::to_string(bitDepth)});
}

FileError PngWriter::writeRows(int count, const std::uint8_t* bgr, std::size_t bgrStride,
                               const std::uint8_t* alpha, std::size_t alphaStride) {
  if (failed_) return failed_;
  if (FileError error = checkDepth(8)) return error;
  if (FileError error = rows_.take(count, path_)) return error;
  for (int r = 0; r < count; ++r) {
    JoinRow(bgr + static_cast<std::size_t>(r) * bgrStride,
            alpha ? alpha + static_cast<std::size_t>(r) * alphaStride : nullptr,
            static_cast<int>(plan_.width), layout_, row_.data());
    if (!GuardedWriteRow(png_, row_.data())) return failure();
  }
  return {};
}

FileError PngWriter::writeDeepRows(int count, const void* bgr, std::size_t bgrStride,
                                   const void* alpha, std::size_t alphaStride) {
  if (failed_) return failed_;
  if (FileError error = checkDepth(16)) return error;
  if (FileError error = rows_.take(count, path_)) return error;
  for (int r = 0; r < count; ++r) {
    JoinDeepRow(DeepRow(bgr, bgrStride, r), alpha ? DeepRow(alpha, alphaStride, r) : nullptr,
                static_cast<int>(plan_.width), layout_, deepRow_.data());
    if (!GuardedWriteRow(png_, reinterpret_cast<png_const_bytep>(deepRow_.data())))
      return failure();
  }
  return {};
}

FileError PngWriter::finish() {
  if (failed_) return failed_;
  if (finished_) return {};
  if (FileError error = rows_.checkComplete(path_)) return error;
  if (!GuardedFinishWrite(png_, &plan_)) return failure();
  finished_ = true;
  return {};
}

}  // namespace

FileError CreatePngWriter(const PngPlan& plan, int fd, const std::string& path,
                          std::unique_ptr<PhotoWriter>& writer) {
  return StartWriter<PngWriter>(plan, fd, path, writer);
}

}  // namespace hosei
