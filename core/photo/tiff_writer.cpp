#include "tiff_writer.h"

#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "deep_rows.h"
#include "photo_rows.h"
#include "photo_source.h"
#include "positioned_io.h"
#include "row_chunks.h"
#include "tiff_io.h"

namespace hosei {

namespace {

// Row `r` of rows of `Sample`s `stride` bytes apart.
template <typename Sample>
const Sample* DeepRow(const void* rows, std::size_t stride, int r) {
  return static_cast<const Sample*>(static_cast<const void*>(
      static_cast<const std::uint8_t*>(rows) + static_cast<std::size_t>(r) * stride));
}

class TiffWriter final : public PhotoWriter {
 public:
  TiffWriter(const TiffPlan& plan, std::string sourcePath, std::string path)
      : plan_(plan),
        sourcePath_(std::move(sourcePath)),
        path_(std::move(path)),
        rows_(static_cast<int>(plan.height)),
        layout_{plan.channels, true, plan.photometric == PHOTOMETRIC_MINISWHITE,
                plan.extraSample == EXTRASAMPLE_ASSOCALPHA} {}
  ~TiffWriter() override {
    // Frees without flushing: after a failure nothing more goes to the file.
    if (tif_) TIFFCleanup(tif_);
  }
  TiffWriter(const TiffWriter&) = delete;
  TiffWriter& operator=(const TiffWriter&) = delete;

  FileError start(int fd);
  FileError writeRows(int count, const std::uint8_t* bgr, std::size_t bgrStride,
                      const std::uint8_t* alpha, std::size_t alphaStride) override;
  FileError writeDeepRows(int count, const void* bgr, std::size_t bgrStride, const void* alpha,
                          std::size_t alphaStride) override;
  FileError placeStoredRows() override;
  FileError writeStoredRowsAt(int first, int count, const void* rgb, std::size_t stride,
                              std::vector<std::uint8_t>&) override;
  FileError finish() override;

 private:
  FileError failure(ProblemDetail what);
  FileError checkDepth(bool deep) const;
  template <typename Join>
  FileError writeEach(int count, Join join);
  template <typename Sample>
  void joinDeep(const void* bgr, std::size_t bgrStride, const void* alpha, std::size_t alphaStride,
                int r);
  bool writeSubDirectory(int (*create)(TIFF*), const std::vector<TiffTag>& tags,
                         std::uint64_t& offset);
  bool setPictureFields(std::uint64_t exif, std::uint64_t gps);

  TiffPlan plan_;
  std::string sourcePath_;
  std::string path_;
  RowCounter rows_;
  SampleLayout layout_;
  TiffContext context_;
  TIFF* tif_ = nullptr;
  std::vector<std::uint8_t> row_;
  bool swapForPredictor_ = false;  // see TiffSwapsBeforeFloatPredictor
  // Once placeStoredRows has made room for every strip: where each starts.
  std::vector<std::uint64_t> stripOffsets_;
  FileError failed_;
  bool finished_ = false;
};

FileError TiffWriter::failure(ProblemDetail what) {
  if (context_.writeError) return failed_ = CannotWritePhoto(path_, context_.writeError);
  return failed_ = CannotWritePhoto(path_, what, {context_.message});
}

bool TiffWriter::writeSubDirectory(int (*create)(TIFF*), const std::vector<TiffTag>& tags,
                                   std::uint64_t& offset) {
  if (create(tif_) != 0 || !PutTags(tif_, tags) || !TIFFWriteCustomDirectory(tif_, &offset))
    return false;
  // libtiff 4.5.0 does not free a written custom directory when the next one is created.
  TIFFFreeDirectory(tif_);
  return true;
}

bool TiffWriter::setPictureFields(std::uint64_t exif, std::uint64_t gps) {
  const TiffPlan& p = plan_;
  bool ok = TIFFSetField(tif_, TIFFTAG_IMAGEWIDTH, p.width) &&
            TIFFSetField(tif_, TIFFTAG_IMAGELENGTH, p.height) &&
            TIFFSetField(tif_, TIFFTAG_BITSPERSAMPLE, 8 * BytesPerSample(p.sampleType)) &&
            TIFFSetField(tif_, TIFFTAG_SAMPLESPERPIXEL, p.channels) &&
            TIFFSetField(tif_, TIFFTAG_PHOTOMETRIC, p.photometric) &&
            TIFFSetField(tif_, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
            TIFFSetField(tif_, TIFFTAG_COMPRESSION, p.compression);
  // Before the tags: libtiff writes the sample ranges (SMinSampleValue) in the samples' type.
  if (ok && p.sampleType == SampleType::kFloat32)
    ok = TIFFSetField(tif_, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
  if (ok && layout_.alpha()) {
    const std::uint16_t extra[] = {p.extraSample};
    ok = TIFFSetField(tif_, TIFFTAG_EXTRASAMPLES, 1, extra);
  }
  if (ok && p.predictor) ok = TIFFSetField(tif_, TIFFTAG_PREDICTOR, p.predictor);
  const std::uint32_t rowsPerStrip =
      p.rowsPerStrip ? p.rowsPerStrip : TIFFDefaultStripSize(tif_, 0);
  ok = ok && TIFFSetField(tif_, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
  if (ok && exif) ok = TIFFSetField(tif_, TIFFTAG_EXIFIFD, exif);
  if (ok && gps) ok = TIFFSetField(tif_, TIFFTAG_GPSIFD, gps);
  return ok && PutTags(tif_, p.tags);
}

FileError TiffWriter::start(int fd) {
  context_.fd = fd;
  tif_ = TiffOnDescriptor(context_, path_.c_str(), plan_.bigEndian ? "wb" : "wl");
  if (!tif_) return failure(ProblemDetail::kTiffCannotCreate);
  std::uint64_t exif = 0, gps = 0;
  if (!plan_.exif.empty() && !writeSubDirectory(TIFFCreateEXIFDirectory, plan_.exif, exif))
    return failure(ProblemDetail::kTiffExifCannotWrite);
  if (!plan_.gps.empty() && !writeSubDirectory(TIFFCreateGPSDirectory, plan_.gps, gps))
    return failure(ProblemDetail::kTiffGpsCannotWrite);
  if ((exif || gps) && TIFFCreateDirectory(tif_) != 0)
    return failure(ProblemDetail::kTiffCannotCreate);
  if (!setPictureFields(exif, gps)) {
    if (context_.writeError) return failure(ProblemDetail::kTiffCannotWrite);
    return failed_ = UnsupportedPhoto(sourcePath_, ProblemDetail::kTiffTagsCannotWrite,
                                      {context_.message});
  }
  row_.resize(static_cast<std::size_t>(plan_.width) * plan_.channels *
              BytesPerSample(plan_.sampleType));
  swapForPredictor_ = plan_.sampleType == SampleType::kFloat32 &&
                      plan_.predictor == PREDICTOR_FLOATINGPOINT && TIFFIsByteSwapped(tif_) &&
                      TiffSwapsBeforeFloatPredictor();
  return {};
}

// Rows of another depth than the result's are refused rather than converted: bytes written
// into a 16-bit or float result would lose what the source held beyond 8 bits.
FileError TiffWriter::checkDepth(bool deep) const {
  if (IsDeep(plan_.sampleType) == deep) return {};
  const ProblemDetail why = deep ? ProblemDetail::kDeepRowsIntoEightBit
                            : plan_.sampleType == SampleType::kUint16
                                ? ProblemDetail::kEightBitRowsIntoDeep
                                : ProblemDetail::kEightBitRowsIntoFloat;
  return UnsupportedPhoto(path_, why, {"TIFF"});
}

// Each of the next `count` rows is joined into row_ by `join` and written. libtiff may turn
// the bytes it is given round in place (byte order, predictor), so row_ is joined anew each
// time.
template <typename Join>
FileError TiffWriter::writeEach(int count, Join join) {
  if (failed_) return failed_;
  const int first = rows_.written();
  if (FileError error = rows_.take(count, path_)) return error;
  for (int r = 0; r < count; ++r) {
    join(r);
    if (TIFFWriteScanline(tif_, row_.data(), static_cast<std::uint32_t>(first + r), 0) < 0)
      return failure(ProblemDetail::kTiffCannotWrite);
  }
  return {};
}

FileError TiffWriter::writeRows(int count, const std::uint8_t* bgr, std::size_t bgrStride,
                                const std::uint8_t* alpha, std::size_t alphaStride) {
  if (FileError error = checkDepth(false)) return error;
  return writeEach(count, [&](int r) {
    JoinRow(bgr + static_cast<std::size_t>(r) * bgrStride,
            alpha ? alpha + static_cast<std::size_t>(r) * alphaStride : nullptr,
            static_cast<int>(plan_.width), layout_, row_.data());
  });
}

template <typename Sample>
void TiffWriter::joinDeep(const void* bgr, std::size_t bgrStride, const void* alpha,
                          std::size_t alphaStride, int r) {
  JoinDeepRow(DeepRow<Sample>(bgr, bgrStride, r),
              alpha ? DeepRow<Sample>(alpha, alphaStride, r) : nullptr,
              static_cast<int>(plan_.width), layout_,
              static_cast<Sample*>(static_cast<void*>(row_.data())));
}

FileError TiffWriter::writeDeepRows(int count, const void* bgr, std::size_t bgrStride,
                                    const void* alpha, std::size_t alphaStride) {
  if (FileError error = checkDepth(true)) return error;
  return writeEach(count, [&](int r) {
    if (plan_.sampleType == SampleType::kUint16) {
      joinDeep<std::uint16_t>(bgr, bgrStride, alpha, alphaStride, r);
      return;
    }
    joinDeep<float>(bgr, bgrStride, alpha, alphaStride, r);
    if (swapForPredictor_)
      SwapSampleBytes(row_.data(), std::size_t{plan_.width} * plan_.channels, sizeof(float));
  });
}

// Uncompressed strips are the rows' bytes themselves, so rows go straight to their places
// in the file. libtiff places each strip as writing the strips in turn would, so the file
// is laid out as any other; the bytes it is handed are not written, the file only grows
// over them. They are never read either, so they come from a mapping of untouched pages.
FileError TiffWriter::placeStoredRows() {
  if (failed_) return failed_;
  if (!plan_.storedRows || rows_.written() != 0)
    return CannotWritePhoto(path_, ProblemDetail::kStoredRowsUnsupported);
  // A strip is placed a piece at a time, each appended to the one before, so that the
  // mapping stays small whatever the strip's size.
  const std::size_t rowBytes = row_.size();
  const auto pieceRows = static_cast<std::uint32_t>(RowsPerChunk(rowBytes, 1 << 30));
  const std::size_t pieceBytes = rowBytes * pieceRows;
  void* untouched = ::mmap(nullptr, pieceBytes, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (untouched == MAP_FAILED) return FileError{FileProblem::kOutOfMemory, path_, {}};
  context_.placeOnly = true;
  bool placed = true;
  for (std::uint32_t y = 0; y < plan_.height && placed;) {
    const std::uint32_t stripEnd =
        std::min(plan_.height, (y / plan_.rowsPerStrip + 1) * plan_.rowsPerStrip);
    const auto bytes = static_cast<tmsize_t>(rowBytes * std::min(pieceRows, stripEnd - y));
    placed = TIFFWriteRawStrip(tif_, y / plan_.rowsPerStrip, untouched, bytes) == bytes;
    y += std::min(pieceRows, stripEnd - y);
  }
  context_.placeOnly = false;
  ::munmap(untouched, pieceBytes);
  if (!placed) return failure(ProblemDetail::kTiffCannotWrite);
  const std::uint64_t* offsets = nullptr;
  if (!TIFFGetField(tif_, TIFFTAG_STRIPOFFSETS, &offsets) || !offsets)
    return failure(ProblemDetail::kTiffCannotWrite);
  stripOffsets_.assign(offsets, offsets + TIFFNumberOfStrips(tif_));
  return rows_.placeAll(path_);
}

FileError TiffWriter::writeStoredRowsAt(int first, int count, const void* rgb, std::size_t stride,
                                        std::vector<std::uint8_t>&) {
  if (FileError error = rows_.checkPlaced(first, count, path_)) return error;
  const std::size_t rowBytes = row_.size();
  const auto* rows = static_cast<const std::uint8_t*>(rgb);
  for (int r = 0; r < count;) {
    const auto y = static_cast<std::uint32_t>(first + r);
    const int run = RowsInOnePiece(y, count - r, plan_.rowsPerStrip, stride == rowBytes);
    const std::uint64_t at =
        stripOffsets_[y / plan_.rowsPerStrip] + std::uint64_t{y % plan_.rowsPerStrip} * rowBytes;
    if (const int error = WriteAt(context_.fd, rows + static_cast<std::size_t>(r) * stride,
                                  rowBytes * static_cast<std::size_t>(run), at))
      return CannotWritePhoto(path_, error);
    r += run;
  }
  rows_.wrotePlaced(count);
  return {};
}

FileError TiffWriter::finish() {
  if (failed_) return failed_;
  if (finished_) return {};
  if (FileError error = rows_.checkComplete(path_)) return error;
  if (!TIFFFlush(tif_) || context_.writeError) return failure(ProblemDetail::kTiffCannotWrite);
  finished_ = true;
  return {};
}

}  // namespace

FileError CreateTiffWriter(const TiffPlan& plan, const std::string& sourcePath, int fd,
                           const std::string& path, std::unique_ptr<PhotoWriter>& writer) {
  auto created = std::make_unique<TiffWriter>(plan, sourcePath, path);
  if (FileError error = created->start(fd)) return error;
  writer = std::move(created);
  return {};
}

}  // namespace hosei
