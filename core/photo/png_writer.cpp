#include "png_writer.h"

#include <vector>

#include "photo_rows.h"
#include "photo_source.h"

namespace hosei {

namespace {

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
  FileError finish() override;

 private:
  FileError failure();

  PngPlan plan_;
  std::string path_;
  RowCounter rows_;
  SampleLayout layout_;
  PngState state_{};
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  std::vector<std::uint8_t> row_;
  FileError failed_;
  bool finished_ = false;
};

FileError PngWriter::failure() {
  if (state_.writeError) return failed_ = CannotWritePhoto(path_, state_.writeError);
  if (!png_ || !info_) return failed_ = FileError{FileProblem::kOutOfMemory, path_, {}};
  return failed_ = CannotWritePhoto(path_, std::string("PNG を書き出せません: ") + state_.message);
}

FileError PngWriter::start(int fd) {
  state_.fd = fd;
  row_.resize(static_cast<std::size_t>(plan_.channels) * plan_.width);
  if (!GuardedCreateWrite(&state_, &png_, &info_)) return failure();
  if (!GuardedStartWrite(png_, info_, &plan_)) return failure();
  return {};
}

FileError PngWriter::writeRows(int count, const std::uint8_t* bgr, std::size_t bgrStride,
                               const std::uint8_t* alpha, std::size_t alphaStride) {
  if (failed_) return failed_;
  if (FileError error = rows_.take(count, path_)) return error;
  for (int r = 0; r < count; ++r) {
    JoinRow(bgr + static_cast<std::size_t>(r) * bgrStride,
            alpha ? alpha + static_cast<std::size_t>(r) * alphaStride : nullptr,
            static_cast<int>(plan_.width), layout_, row_.data());
    if (!GuardedWriteRow(png_, row_.data())) return failure();
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
  auto created = std::make_unique<PngWriter>(plan, path);
  if (FileError error = created->start(fd)) return error;
  writer = std::move(created);
  return {};
}

}  // namespace hosei
