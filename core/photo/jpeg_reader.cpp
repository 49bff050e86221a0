#include "jpeg_reader.h"

#include <jerror.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "file_descriptor.h"
#include "jpeg_glue.h"
#include "jpeg_writer.h"
#include "photo_rows.h"
#include "photo_source.h"

namespace hosei {

namespace {

class JpegReader final : public PhotoSource {
 public:
  explicit JpegReader(std::string path) : path_(std::move(path)) {}
  ~JpegReader() override {
    if (created_) jpeg_destroy_decompress(&cinfo_);
  }
  JpegReader(const JpegReader&) = delete;
  JpegReader& operator=(const JpegReader&) = delete;

  FileError open();

  int width() const override { return layout_.width; }
  int height() const override { return layout_.height; }
  bool hasAlpha() const override { return false; }
  PhotoFormat format() const override { return PhotoFormat::kJpeg; }
  bool grey() const override { return layout_.colourSpace == JCS_GRAYSCALE; }

  FileError readRows(int count, std::uint8_t* bgr, std::size_t bgrStride, std::uint8_t*,
                     std::size_t) override;

  FileError createWriter(int fd, const std::string& path, const PhotoWriteOptions& options,
                         std::unique_ptr<PhotoWriter>& writer) const override {
    return CreateJpegWriter(layout_, later_, path_, fd, path, options, writer);
  }

 private:
  FileError failure() const;
  FileError takeLayout();
  FileError readToEnd();

  std::string path_;
  FileDescriptor file_;
  JpegErrorState errors_{};
  std::unique_ptr<JpegFileSource> source_ = std::make_unique<JpegFileSource>();
  JpegReading reading_;
  jpeg_decompress_struct cinfo_{};
  bool created_ = false;
  JpegLayout layout_;
  std::shared_ptr<JpegLaterSegments> later_ = std::make_shared<JpegLaterSegments>();
  std::vector<std::uint8_t> greyRow_;
  FileError failed_;
};

// What libjpeg's complaint means for the user.
FileError JpegReader::failure() const {
  if (reading_.stopped) return StoppedReading(path_);
  if (reading_.exceeded == JpegSegmentLimit::kCount)
    return UnsupportedPhoto(path_, ProblemDetail::kJpegTooManySegments);
  if (reading_.exceeded == JpegSegmentLimit::kBytes)
    return UnsupportedPhoto(path_, ProblemDetail::kJpegMetadataTooLarge);
  if (source_->readError)
    return FileError{FileProblem::kReadFailed, path_, std::strerror(source_->readError)};
  const std::string detail = errors_.message;
  switch (errors_.code) {
    case JWRN_JPEG_EOF:
      return CorruptPhoto(path_, ProblemDetail::kJpegTruncated);
    case JERR_OUT_OF_MEMORY:
      return FileError{FileProblem::kOutOfMemory, path_, {}};
    case JERR_NO_BACKING_STORE:
      return UnsupportedPhoto(path_, ProblemDetail::kJpegProgressiveTooLarge);
    case JERR_BAD_PRECISION:
      return UnsupportedPhoto(path_, ProblemDetail::kJpegNotEightBit, {detail});
    case JERR_SOF_UNSUPPORTED:
    case JERR_ARITH_NOTIMPL:
      return UnsupportedPhoto(path_, ProblemDetail::kJpegCodingUnsupported, {detail});
    case JERR_IMAGE_TOO_BIG:
      return UnsupportedPhoto(path_, ProblemDetail::kJpegTooLarge);
    case JERR_EMPTY_IMAGE:
      return UnsupportedPhoto(path_, ProblemDetail::kJpegHeightLater);
    default:
      return CorruptPhoto(path_, ProblemDetail::kJpegCorrupt, {detail});
  }
}

FileError JpegReader::open() {
  if (FileError error = OpenPhotoFile(path_, file_)) return error;
  InstallErrorState(errors_);
  cinfo_.err = &errors_.manager;
  if (!GuardedCreateDecompress(&cinfo_)) return failure();
  created_ = true;
  UseFileSource(&cinfo_, *source_, file_.get());
  reading_.stopRequested = [this] { return stopRequested(); };
  UseReading(&cinfo_, reading_);
  if (!GuardedReadHeader(&cinfo_) || errors_.damaged) return failure();

  if (cinfo_.jpeg_color_space == JCS_CMYK || cinfo_.jpeg_color_space == JCS_YCCK)
    return UnsupportedPhoto(path_, ProblemDetail::kJpegCmyk);
  const bool grey = cinfo_.jpeg_color_space == JCS_GRAYSCALE && cinfo_.num_components == 1;
  const bool colour =
      (cinfo_.jpeg_color_space == JCS_YCbCr || cinfo_.jpeg_color_space == JCS_RGB) &&
      cinfo_.num_components == 3;
  if (!grey && !colour) return UnsupportedPhoto(path_, ProblemDetail::kJpegColourSpace);
  if (cinfo_.image_width < 1 || cinfo_.image_height < 1 ||
      cinfo_.image_width > static_cast<JDIMENSION>(kMaxPhotoSide) ||
      cinfo_.image_height > static_cast<JDIMENSION>(kMaxPhotoSide))
    return UnsupportedPhoto(path_, ProblemDetail::kSideOutOfRange, {std::to_string(kMaxPhotoSide)});

  cinfo_.out_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
  cinfo_.mem->max_memory_to_use = static_cast<long>(kMaxBufferedBytes);
  if (!GuardedStartDecompress(&cinfo_) || errors_.damaged) return failure();
  return takeLayout();
}

// Copies what the writer keeps while libjpeg still holds it.
FileError JpegReader::takeLayout() {
  layout_.width = static_cast<int>(cinfo_.output_width);
  layout_.height = static_cast<int>(cinfo_.output_height);
  layout_.colourSpace = cinfo_.jpeg_color_space;
  layout_.componentCount = cinfo_.num_components;
  for (int i = 0; i < cinfo_.num_components; ++i) {
    const jpeg_component_info& component = cinfo_.comp_info[i];
    const int table = component.quant_tbl_no;
    layout_.components[i] = {component.component_id, component.h_samp_factor,
                             component.v_samp_factor, table};
    // The table in force when the component's first scan began, as the picture used it.
    const JQUANT_TBL* values =
        component.quant_table ? component.quant_table : cinfo_.quant_tbl_ptrs[table];
    if (!values) return CorruptPhoto(path_, ProblemDetail::kJpegNoQuantTable);
    layout_.hasTable[table] = true;
    std::copy(values->quantval, values->quantval + DCTSIZE2, layout_.tables[table]);
  }
  layout_.progressive = cinfo_.progressive_mode != FALSE;
  layout_.arithmetic = cinfo_.arith_code != FALSE;
  layout_.restartInterval = cinfo_.restart_interval;
  layout_.markers = std::move(reading_.header);
  if (cinfo_.output_components == 1) greyRow_.resize(static_cast<std::size_t>(layout_.width));
  return {};
}

FileError JpegReader::readRows(int count, std::uint8_t* bgr, std::size_t bgrStride, std::uint8_t*,
                               std::size_t) {
  if (failed_) return failed_;
  if (FileError error = takeRows(count, path_)) return error;
  const SampleLayout layout{1};
  for (int r = 0; r < count; ++r) {
    std::uint8_t* row = bgr + static_cast<std::size_t>(r) * bgrStride;
    JDIMENSION read = 0;
    const bool ok = GuardedReadScanline(&cinfo_, greyRow_.empty() ? row : greyRow_.data(), &read);
    if (!ok || errors_.damaged) return failed_ = failure();
    if (read != 1) return failed_ = CorruptPhoto(path_, ProblemDetail::kJpegRowUnreadable);
    if (!greyRow_.empty()) SplitRow(greyRow_.data(), layout_.width, layout, row, nullptr);
  }
  if (rowsRead() == height()) {
    if (FileError error = readToEnd()) return failed_ = error;
  }
  return {};
}

// What follows the last row is read as carefully as the rows: a file cut short there is
// damaged, and the segments on the way belong to the result.
FileError JpegReader::readToEnd() {
  if (!GuardedFinishDecompress(&cinfo_) || errors_.damaged) return failure();
  later_->publish(std::move(reading_.later));
  return {};
}

}  // namespace

FileError OpenJpeg(const std::string& path, std::unique_ptr<PhotoReader>& reader,
                   const StopRequest* stop) {
  return OpenWith<JpegReader>(path, reader, stop);
}

}  // namespace hosei
