#include "fits_reader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "cfitsio_library.h"
#include "deep_rows.h"
#include "fits_extensions.h"
#include "fits_glue.h"
#include "fits_header.h"
#include "fits_plan.h"
#include "fits_rows.h"
#include "fits_writer.h"
#include "photo_source.h"
#include "positioned_io.h"

namespace hosei {

namespace {

// A file carries kMaxMetadataPieces header cards at most, so their bytes stay far below
// what a photo may carry.
static_assert(kMaxMetadataPieces * kFitsCardBytes <= kMaxCarriedBytes);

class FitsReader final : public PhotoSource {
 public:
  explicit FitsReader(std::string path) : path_(std::move(path)) {}

  FileError open();

  int width() const override { return plan_.width; }
  int height() const override { return plan_.height; }
  bool hasAlpha() const override { return false; }
  SampleType sampleType() const override { return plan_.sampleType; }
  PhotoFormat format() const override { return PhotoFormat::kFits; }
  bool grey() const override { return plan_.planes == 1; }

  FileError readRows(int count, std::uint8_t* bgr, std::size_t bgrStride, std::uint8_t* alpha,
                     std::size_t alphaStride) override;
  FileError readDeepRows(int count, void* bgr, std::size_t bgrStride, void* alpha,
                         std::size_t alphaStride) override;
  // Deep pictures' rows are read straight from their places in the data unit.
  bool givesStoredRows() const override { return IsDeep(plan_.sampleType); }
  FileError readStoredRowsAt(int first, int count, void* rgb, std::size_t stride,
                             std::vector<std::uint8_t>& scratch) const override;
  // Rows are read where they are stored, so passing over some costs nothing.
  FileError skipRows(int count) override { return failed_ ? failed_ : takeRows(count, path_); }

  FileError createWriter(int fd, const std::string& path, const PhotoWriteOptions&,
                         std::unique_ptr<PhotoWriter>& writer) const override {
    return CreateFitsWriter(plan_, fd, path, writer);
  }

 private:
  FileError checkLayoutCards(const FitsHeaderScan& scan) const;
  FileError readPrimary(long long fileSize, int& naxis, long long& dataEnd);
  FileError checkPicture(int bitpix, int naxis, const LONGLONG* naxes);
  FileError checkScaling(int bitpix);
  FileError readRowOrder();
  FileError readCards();
  FileError makeBuffers();
  template <typename Sample>
  FileError readBatch(int fromTop, int count, Sample* bgr, std::size_t stride);
  template <typename Sample>
  FileError readPlanes(int fromTop, int count, ChannelOrder order, Sample* triplets,
                       std::size_t stride, Sample* plane) const;

  std::string path_;
  std::shared_ptr<FileDescriptor> file_;
  FitsFile fits_;
  FitsPlan plan_;
  FitsDataUnit data_;
  FitsRowBuffers buffers_;
  FileError failed_;
};

FileError FitsReader::open() {
  ClearFitsSystemError();
  file_ = std::make_shared<FileDescriptor>();
  if (FileError error = OpenPhotoFile(path_, *file_)) return error;
  struct stat info {};
  if (::fstat(file_->get(), &info) != 0)
    return FileError{FileProblem::kReadFailed, path_, std::strerror(errno)};

  FitsHeaderScan scan;
  if (FileError error = ScanFitsHeader(file_->get(), 0, kMaxMetadataPieces + kFitsLayoutCards,
                                       *this, path_, scan))
    return error;
  if (FileError error = checkLayoutCards(scan)) return error;
  std::string why;
  if (!LoadCfitsio(&why)) return UnsupportedPhoto(path_, ProblemDetail::kFitsLibraryMissing, {why});
  if (const int status = OpenFitsDescriptor(file_->get(), fits_))
    return FitsReadFailure(path_, status, ProblemDetail::kFitsUnreadable);

  int naxis = 0;
  long long dataEnd = 0;
  if (FileError error = readPrimary(info.st_size, naxis, dataEnd)) return error;
  const std::size_t cardsLeft = kMaxMetadataPieces - (plan_.cards ? plan_.cards->size() : 0);
  if (FileError error = FindFitsExtensions(file_->get(), dataEnd, info.st_size, cardsLeft, *this,
                                           path_, plan_.extensions))
    return error;
  // Tile-compressed FITS keeps its picture in a table after an empty primary HDU.
  if (naxis == 0)
    return UnsupportedPhoto(path_, plan_.extensions.firstIsCompressedImage
                                       ? ProblemDetail::kFitsTileCompressed
                                       : ProblemDetail::kFitsNoImage);
  plan_.source = file_;
  plan_.sourcePath = path_;
  return makeBuffers();
}

// Cards that make the data something else than one picture, or that cfitsio and its
// writer could read two ways.
FileError FitsReader::checkLayoutCards(const FitsHeaderScan& scan) const {
  if (scan.repeated) return CorruptPhoto(path_, ProblemDetail::kFitsRepeatedCards);
  if (scan.groups || scan.pcount.value_or(0) != 0 || scan.gcount.value_or(1) != 1)
    return UnsupportedPhoto(path_, ProblemDetail::kFitsRandomGroups);
  return {};
}

// The primary HDU: its picture checked and described, its cards kept; `naxis` 0 when it
// has none.
FileError FitsReader::readPrimary(long long fileSize, int& naxis, long long& dataEnd) {
  int bitpix = 0, status = 0;
  LONGLONG naxes[3] = {};
  fits_get_img_paramll(fits_.get(), 3, &bitpix, &naxis, naxes, &status);
  if (status) return FitsReadFailure(path_, status, ProblemDetail::kFitsImageUnreadable);
  if (naxis != 0)
    if (FileError error = checkPicture(bitpix, naxis, naxes)) return error;
  LONGLONG headStart = 0, dataStart = 0;
  fits_get_hduaddrll(fits_.get(), &headStart, &dataStart, &dataEnd, &status);
  if (status) return FitsReadFailure(path_, status, ProblemDetail::kFitsUnreadable);
  if (dataEnd > fileSize) return CorruptPhoto(path_, ProblemDetail::kFitsDataTruncated);
  if (naxis == 0) return {};
  data_ = FitsDataUnit{dataStart, dataEnd, plan_.width, plan_.height,
                       static_cast<int>(BytesPerSample(plan_.sampleType))};
  if (FileError error = readRowOrder()) return error;
  return readCards();
}

FileError FitsReader::checkPicture(int bitpix, int naxis, const LONGLONG* naxes) {
  if (bitpix != 8 && bitpix != 16 && bitpix != -32)
    return UnsupportedPhoto(path_, ProblemDetail::kFitsBitpix, {std::to_string(bitpix)});
  if (naxis != 2 && !(naxis == 3 && naxes[2] == 3))
    return UnsupportedPhoto(path_, ProblemDetail::kFitsLayout);
  if (naxes[0] < 1 || naxes[0] > kMaxPhotoSide || naxes[1] < 1 || naxes[1] > kMaxPhotoSide)
    return UnsupportedPhoto(path_, ProblemDetail::kSideOutOfRange, {std::to_string(kMaxPhotoSide)});
  if (FileError error = checkScaling(bitpix)) return error;

  plan_.bitpix = bitpix;
  plan_.sampleType = bitpix == 8    ? SampleType::kUint8
                     : bitpix == 16 ? SampleType::kUint16
                                    : SampleType::kFloat32;
  plan_.width = static_cast<int>(naxes[0]);
  plan_.height = static_cast<int>(naxes[1]);
  plan_.planes = naxis == 3 ? 3 : 1;
  return {};
}

// Only scalings that give the samples as stored are taken, so that 16-bit and float pictures
// are corrected, and written back, without loss: unsigned 16-bit data as cameras and
// stacking programs write it (BZERO 32768), bytes and floats unscaled.
FileError FitsReader::checkScaling(int bitpix) {
  double zero = 0, scale = 1;
  for (auto [name, value] : {std::pair{"BZERO", &zero}, std::pair{"BSCALE", &scale}}) {
    int status = 0;
    fits_read_key(fits_.get(), TDOUBLE, name, value, nullptr, &status);
    if (status && status != KEY_NO_EXIST)
      return FitsReadFailure(path_, status, ProblemDetail::kFitsKeyUnreadable, {name});
  }
  if (bitpix == 16 && (zero != 32768 || scale != 1))
    return UnsupportedPhoto(path_, ProblemDetail::kFitsSigned16);
  if (bitpix != 16 && (zero != 0 || scale != 1))
    return UnsupportedPhoto(path_, ProblemDetail::kFitsScaled);
  return {};
}

FileError FitsReader::readRowOrder() {
  char order[FLEN_VALUE] = {};
  int status = 0;
  fits_read_key(fits_.get(), TSTRING, "ROWORDER", order, nullptr, &status);
  if (status == KEY_NO_EXIST) return {};
  if (status)
    return FitsReadFailure(path_, status, ProblemDetail::kFitsKeyUnreadable, {"ROWORDER"});
  plan_.topDown = std::strcmp(order, "TOP-DOWN") == 0;
  return {};
}

FileError FitsReader::readCards() {
  int count = 0, status = 0;
  fits_get_hdrspace(fits_.get(), &count, nullptr, &status);
  if (status) return FitsReadFailure(path_, status, ProblemDetail::kFitsHeaderUnreadable);
  auto cards = std::make_shared<std::vector<std::string>>();
  try {
    for (int i = 1; i <= count; ++i) {
      if (stopRequested()) return StoppedReading(path_);
      char card[FLEN_CARD] = {};
      fits_read_record(fits_.get(), i, card, &status);
      if (status) return FitsReadFailure(path_, status, ProblemDetail::kFitsHeaderUnreadable);
      if (!DescribesFitsLayout(card)) cards->emplace_back(card);
    }
    if (cards->size() > kMaxMetadataPieces)
      return UnsupportedPhoto(path_, ProblemDetail::kFitsTooManyCards,
                              {std::to_string(kMaxMetadataPieces)});
  } catch (const std::bad_alloc&) {
    return FileError{FileProblem::kOutOfMemory, path_, {}};
  }
  plan_.cards = std::move(cards);
  return {};
}

FileError FitsReader::makeBuffers() {
  try {
    buffers_.size(plan_.sampleType, plan_.width, plan_.height, true);
  } catch (const std::bad_alloc&) {
    return FileError{FileProblem::kOutOfMemory, path_, {}};
  }
  return {};
}

template <typename Sample>
Sample* RowOf(Sample* rows, std::size_t stride, int r) {
  return reinterpret_cast<Sample*>(reinterpret_cast<std::uint8_t*>(rows) +
                                   static_cast<std::size_t>(r) * stride);
}

// Rows fromTop .. fromTop + count - 1, no more than a batch, as blue-first triplets
// `stride` bytes apart.
template <typename Sample>
FileError FitsReader::readBatch(int fromTop, int count, Sample* bgr, std::size_t stride) {
  if (stopRequested()) return failed_ = StoppedReading(path_);
  const FileError error = readPlanes(fromTop, count, ChannelOrder::kBlueFirst, bgr, stride,
                                     buffers_.plane<Sample>().data());
  if (error) failed_ = error;
  return error;
}

// Rows fromTop .. fromTop + count - 1 as triplets `stride` bytes apart, each plane read in
// one piece from the lowest stored row up through `plane` (room for `count` rows).
template <typename Sample>
FileError FitsReader::readPlanes(int fromTop, int count, ChannelOrder order, Sample* triplets,
                                 std::size_t stride, Sample* plane) const {
  const auto width = static_cast<std::size_t>(plan_.width);
  const std::size_t samples = width * static_cast<std::size_t>(count);
  const long long lowest =
      std::min(StoredRow(plan_, fromTop), StoredRow(plan_, fromTop + count - 1));
  const std::size_t bytes = samples * sizeof(Sample);
  for (int p = 0; p < plan_.planes; ++p) {
    const long long got = ReadAt(file_->get(), reinterpret_cast<std::uint8_t*>(plane), bytes,
                                 static_cast<std::uint64_t>(data_.rowStart(p, lowest)));
    if (got < 0) return FileError{FileProblem::kReadFailed, path_, std::strerror(errno)};
    // The file was long enough when it was opened; it may have been cut since.
    if (static_cast<std::size_t>(got) != bytes)
      return CorruptPhoto(path_, ProblemDetail::kFitsDataTruncated);
    SamplesFromStored(plane, samples);
    if constexpr (std::is_same_v<Sample, float>)
      if (!FloatSamplesInRange(plane, samples))
        return UnsupportedPhoto(path_, ProblemDetail::kFloatOutOfRangeOrNaN);
    for (int i = 0; i < count; ++i)
      PlaneIntoTriplets(
          plane + static_cast<std::size_t>(BatchIndex(plan_.topDown, i, count)) * width,
          plan_.width, p, plan_.planes, order, RowOf(triplets, stride, i));
  }
  return {};
}

FileError FitsReader::readStoredRowsAt(int first, int count, void* rgb, std::size_t stride,
                                       std::vector<std::uint8_t>& scratch) const {
  if (!givesStoredRows()) return UnsupportedPhoto(path_, ProblemDetail::kStoredRowsUnsupported);
  if (FileError error = CheckRowsWithin(first, count, plan_.height, path_)) return error;
  if (count == 0) return {};
  const std::size_t samples =
      static_cast<std::size_t>(plan_.width) * static_cast<std::size_t>(count);
  scratch.resize(samples * BytesPerSample(plan_.sampleType));
  if (plan_.sampleType == SampleType::kUint16)
    return readPlanes(first, count, ChannelOrder::kRedFirst, static_cast<std::uint16_t*>(rgb),
                      stride, reinterpret_cast<std::uint16_t*>(scratch.data()));
  return readPlanes(first, count, ChannelOrder::kRedFirst, static_cast<float*>(rgb), stride,
                    reinterpret_cast<float*>(scratch.data()));
}

FileError FitsReader::readRows(int count, std::uint8_t* bgr, std::size_t bgrStride, std::uint8_t*,
                               std::size_t) {
  if (failed_) return failed_;
  const int first = rowsRead();
  if (FileError error = takeRows(count, path_)) return error;
  const std::size_t samples = 3 * static_cast<std::size_t>(plan_.width);
  const auto reduced = [&](auto& triplets, int r, int n) {
    using Sample = typename std::remove_reference_t<decltype(triplets)>::value_type;
    if (FileError error = readBatch(first + r, n, triplets.data(), samples * sizeof(Sample)))
      return error;
    for (int i = 0; i < n; ++i)
      ReduceToBytes(triplets.data() + static_cast<std::size_t>(i) * samples, samples,
                    RowOf(bgr, bgrStride, r + i));
    return FileError{};
  };
  for (int r = 0, n = 0; r < count; r += n) {
    n = std::min(buffers_.batchRows(), count - r);
    FileError error;
    switch (plan_.sampleType) {
      case SampleType::kUint8:
        error = readBatch(first + r, n, RowOf(bgr, bgrStride, r), bgrStride);
        break;
      case SampleType::kUint16:
        error = reduced(buffers_.triplets<std::uint16_t>(), r, n);
        break;
      case SampleType::kFloat32:
        error = reduced(buffers_.triplets<float>(), r, n);
        break;
    }
    if (error) return error;
  }
  return {};
}

FileError FitsReader::readDeepRows(int count, void* bgr, std::size_t bgrStride, void* alpha,
                                   std::size_t alphaStride) {
  if (!IsDeep(plan_.sampleType))
    return PictureReader::readDeepRows(count, bgr, bgrStride, alpha, alphaStride);
  if (failed_) return failed_;
  const int first = rowsRead();
  if (FileError error = takeRows(count, path_)) return error;
  for (int r = 0, n = 0; r < count; r += n) {
    n = std::min(buffers_.batchRows(), count - r);
    auto* rows = static_cast<std::uint8_t*>(bgr) + static_cast<std::size_t>(r) * bgrStride;
    const FileError error =
        plan_.sampleType == SampleType::kUint16
            ? readBatch(first + r, n, reinterpret_cast<std::uint16_t*>(rows), bgrStride)
            : readBatch(first + r, n, reinterpret_cast<float*>(rows), bgrStride);
    if (error) return error;
  }
  return {};
}

}  // namespace

FileError OpenFits(const std::string& path, std::unique_ptr<PhotoReader>& reader,
                   const StopRequest* stop) {
  return OpenWith<FitsReader>(path, reader, stop);
}

}  // namespace hosei
