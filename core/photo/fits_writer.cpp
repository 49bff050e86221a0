#include "fits_writer.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <new>
#include <string>
#include <vector>

#include "cfitsio_library.h"
#include "fits_extensions.h"
#include "fits_glue.h"
#include "fits_rows.h"
#include "photo_source.h"
#include "positioned_io.h"

namespace hosei {

namespace {

constexpr char kHistory[] = "hosei: corrected";

// A card's keyword for a message, whatever bytes the file holds.
std::string PrintableKeyword(const std::string& card) {
  std::string keyword = card.substr(0, 8);
  for (char& c : keyword)
    if (c < ' ' || c > '~') c = '?';
  while (!keyword.empty() && keyword.back() == ' ') keyword.pop_back();
  return keyword;
}

class FitsWriter final : public PhotoWriter {
 public:
  FitsWriter(const FitsPlan& plan, std::string path)
      : plan_(plan), path_(std::move(path)), rows_(plan.height) {}

  FileError start(int fd);
  FileError writeRows(int count, const std::uint8_t* bgr, std::size_t bgrStride,
                      const std::uint8_t* alpha, std::size_t alphaStride) override;
  FileError writeDeepRows(int count, const void* bgr, std::size_t bgrStride, const void* alpha,
                          std::size_t alphaStride) override;
  FileError placeStoredRows() override;
  FileError writeStoredRowsAt(int first, int count, const void* rgb, std::size_t stride,
                              std::vector<std::uint8_t>& scratch) override;
  FileError finish() override;

 private:
  FileError checkDepth(bool deepRows) const;
  FileError writeHeader();
  FileError closeHeader();
  FileError makeBuffers();
  template <typename Sample>
  FileError writeBatch(int fromTop, int count, const Sample* bgr, std::size_t stride);
  template <typename Sample>
  FileError writePlanes(int fromTop, int count, ChannelOrder order, const Sample* triplets,
                        std::size_t stride, Sample* plane) const;
  template <typename Sample>
  FileError writeEach(int count, const void* bgr, std::size_t stride);

  FitsPlan plan_;
  std::string path_;
  RowCounter rows_;
  // A descriptor of its own on the result, so that whatever cfitsio still flushes when an
  // abandoned writer goes can only reach the result, even after the caller closed its own.
  FileDescriptor file_;
  // cfitsio writes the header only; the samples go straight into the data unit.
  FitsFile fits_;
  FitsDataUnit data_;
  FitsRowBuffers buffers_;
  FileError failed_;
  bool finished_ = false;
};

FileError FitsWriter::start(int fd) {
  // The result carries one card more than its source, and must still be read as a source.
  if (plan_.cards->size() + 1 + plan_.extensions.cards > kMaxMetadataPieces)
    return UnsupportedPhoto(path_, ProblemDetail::kFitsNoRoomForHistory);
  ClearFitsSystemError();
  file_ = FileDescriptor(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
  if (!file_.valid()) return CannotWritePhoto(path_, errno);
  if (const int status = CreateFitsDescriptor(file_.get(), fits_))
    return FitsWriteFailure(path_, status, ProblemDetail::kFitsCannotWrite);
  FileError error = writeHeader();
  if (!error) error = closeHeader();
  if (error) {
    // The result is given up. As cfitsio closes it would still write the header and fill
    // the whole data unit with zeros a record at a time: gigabytes for a large picture, on
    // a card that may not hold them, before the failure is told.
    if (fits_) DropFitsWritesFrom(fits_.get(), 0);
    return error;
  }
  return makeBuffers();
}

// cfitsio is done once the header is in the file; as it closes, it would fill the data unit
// with zeros a record at a time, which the driver drops.
FileError FitsWriter::closeHeader() {
  LONGLONG headStart = 0, dataStart = 0, dataEnd = 0;
  int status = 0;
  fits_get_hduaddrll(fits_.get(), &headStart, &dataStart, &dataEnd, &status);
  if (status) return FitsWriteFailure(path_, status, ProblemDetail::kFitsCannotWrite);
  data_ = FitsDataUnit{dataStart, dataEnd, plan_.width, plan_.height,
                       static_cast<int>(BytesPerSample(plan_.sampleType))};
  DropFitsWritesFrom(fits_.get(), dataStart);
  fits_close_file(fits_.release(), &status);
  if (status) return FitsWriteFailure(path_, status, ProblemDetail::kFitsCannotWrite);
  return {};
}

FileError FitsWriter::writeHeader() {
  const int naxis = plan_.planes == 1 ? 2 : 3;
  LONGLONG naxes[3] = {plan_.width, plan_.height, plan_.planes};
  int status = 0;
  fits_create_imgll(fits_.get(), plan_.bitpix, naxis, naxes, &status);
  // cfitsio follows the mandatory cards with comments of its own, which a source written by
  // cfitsio already carries: every copy would add them again.
  const int mandatory = 3 + naxis + 1;  // SIMPLE, BITPIX, NAXIS, NAXISn, EXTEND
  int count = 0;
  fits_get_hdrspace(fits_.get(), &count, nullptr, &status);
  for (int k = count; k > mandatory && !status; --k) fits_delete_record(fits_.get(), k, &status);
  if (status) return FitsWriteFailure(path_, status, ProblemDetail::kFitsCannotWrite);

  for (const std::string& card : *plan_.cards) {
    fits_write_record(fits_.get(), card.c_str(), &status);
    if (!status) continue;
    if (FitsSystemError()) return FitsWriteFailure(path_, status, ProblemDetail::kFitsCannotWrite);
    return UnsupportedPhoto(path_, ProblemDetail::kFitsCardCannotBeWritten,
                            {PrintableKeyword(card), FitsStatusText(status)});
  }
  fits_write_history(fits_.get(), kHistory, &status);
  // Reads the header back, which places the data unit after it.
  fits_set_hdustruc(fits_.get(), &status);
  if (status) return FitsWriteFailure(path_, status, ProblemDetail::kFitsCannotWrite);
  return {};
}

FileError FitsWriter::makeBuffers() {
  try {
    buffers_.size(plan_.sampleType, plan_.width, plan_.height, false);
  } catch (const std::bad_alloc&) {
    return FileError{FileProblem::kOutOfMemory, path_, {}};
  }
  return {};
}

// Rows fromTop .. fromTop + count - 1, no more than a batch, from blue-first triplets
// `stride` bytes apart.
template <typename Sample>
FileError FitsWriter::writeBatch(int fromTop, int count, const Sample* bgr, std::size_t stride) {
  const FileError error = writePlanes(fromTop, count, ChannelOrder::kBlueFirst, bgr, stride,
                                      buffers_.plane<Sample>().data());
  if (error) failed_ = error;
  return error;
}

// Rows fromTop .. fromTop + count - 1 from triplets `stride` bytes apart, each plane
// written in one piece from the lowest stored row up through `plane` (room for `count`
// rows).
template <typename Sample>
FileError FitsWriter::writePlanes(int fromTop, int count, ChannelOrder order,
                                  const Sample* triplets, std::size_t stride, Sample* plane) const {
  const auto width = static_cast<std::size_t>(plan_.width);
  const long long lowest =
      std::min(StoredRow(plan_, fromTop), StoredRow(plan_, fromTop + count - 1));
  for (int p = 0; p < plan_.planes; ++p) {
    for (int i = 0; i < count; ++i) {
      const auto* row = reinterpret_cast<const Sample*>(
          reinterpret_cast<const std::uint8_t*>(triplets) + static_cast<std::size_t>(i) * stride);
      PlaneFromTriplets(
          row, plan_.width, p, plan_.planes, order,
          plane + static_cast<std::size_t>(BatchIndex(plan_.topDown, i, count)) * width);
    }
    const std::size_t samples = width * static_cast<std::size_t>(count);
    SamplesToStored(plane, samples);
    if (const int error = WriteAt(file_.get(), reinterpret_cast<const std::uint8_t*>(plane),
                                  samples * sizeof(Sample),
                                  static_cast<std::uint64_t>(data_.rowStart(p, lowest))))
      return CannotWritePhoto(path_, error);
  }
  return {};
}

// The data unit's place is known from the start, so there is nothing to make room for:
// every row is taken now, and finish counts those written.
FileError FitsWriter::placeStoredRows() {
  if (failed_) return failed_;
  if (!IsDeep(plan_.sampleType))
    return CannotWritePhoto(path_, ProblemDetail::kStoredRowsUnsupported);
  return rows_.placeAll(path_);
}

FileError FitsWriter::writeStoredRowsAt(int first, int count, const void* rgb, std::size_t stride,
                                        std::vector<std::uint8_t>& scratch) {
  if (FileError error = rows_.checkPlaced(first, count, path_)) return error;
  if (count == 0) return {};
  const std::size_t samples =
      static_cast<std::size_t>(plan_.width) * static_cast<std::size_t>(count);
  scratch.resize(samples * BytesPerSample(plan_.sampleType));
  const FileError error =
      plan_.sampleType == SampleType::kUint16
          ? writePlanes(first, count, ChannelOrder::kRedFirst,
                        static_cast<const std::uint16_t*>(rgb), stride,
                        reinterpret_cast<std::uint16_t*>(scratch.data()))
          : writePlanes(first, count, ChannelOrder::kRedFirst, static_cast<const float*>(rgb),
                        stride, reinterpret_cast<float*>(scratch.data()));
  if (!error) rows_.wrotePlaced(count);
  return error;
}

// The next `count` rows of `Sample`s, batch by batch.
template <typename Sample>
FileError FitsWriter::writeEach(int count, const void* bgr, std::size_t stride) {
  const int first = rows_.written();
  if (FileError error = rows_.take(count, path_)) return error;
  for (int r = 0, n = 0; r < count; r += n) {
    n = std::min(buffers_.batchRows(), count - r);
    const auto* rows = reinterpret_cast<const Sample*>(static_cast<const std::uint8_t*>(bgr) +
                                                       static_cast<std::size_t>(r) * stride);
    if (FileError error = writeBatch(first + r, n, rows, stride)) return error;
  }
  return {};
}

// Rows of another depth than the result's are refused rather than converted, as for PNG: a
// deep result written from bytes would lose its fine steps without a word.
FileError FitsWriter::checkDepth(bool deepRows) const {
  if (IsDeep(plan_.sampleType) == deepRows) return {};
  if (deepRows) return UnsupportedPhoto(path_, ProblemDetail::kDeepRowsIntoEightBit, {"FITS"});
  return UnsupportedPhoto(path_,
                          plan_.sampleType == SampleType::kUint16
                              ? ProblemDetail::kEightBitRowsIntoDeep
                              : ProblemDetail::kEightBitRowsIntoFloat,
                          {"FITS"});
}

FileError FitsWriter::writeRows(int count, const std::uint8_t* bgr, std::size_t bgrStride,
                                const std::uint8_t*, std::size_t) {
  if (failed_) return failed_;
  if (FileError error = checkDepth(false)) return error;
  return writeEach<std::uint8_t>(count, bgr, bgrStride);
}

FileError FitsWriter::writeDeepRows(int count, const void* bgr, std::size_t bgrStride, const void*,
                                    std::size_t) {
  if (failed_) return failed_;
  if (FileError error = checkDepth(true)) return error;
  return plan_.sampleType == SampleType::kUint16 ? writeEach<std::uint16_t>(count, bgr, bgrStride)
                                                 : writeEach<float>(count, bgr, bgrStride);
}

FileError FitsWriter::finish() {
  if (failed_) return failed_;
  if (finished_) return {};
  if (FileError error = rows_.checkComplete(path_)) return error;
  // The data unit ends with zeros up to a whole record.
  const std::vector<std::uint8_t> zeros(
      static_cast<std::size_t>(data_.end - data_.samplesEnd(plan_.planes)));
  if (const int error = WriteAt(file_.get(), zeros.data(), zeros.size(),
                                static_cast<std::uint64_t>(data_.samplesEnd(plan_.planes))))
    return failed_ = CannotWritePhoto(path_, error);
  if (FileError error = CopyFitsExtensions(plan_, file_.get(), path_)) return failed_ = error;
  finished_ = true;
  return {};
}

}  // namespace

FileError CreateFitsWriter(const FitsPlan& plan, int fd, const std::string& path,
                           std::unique_ptr<PhotoWriter>& writer) {
  return StartWriter<FitsWriter>(plan, fd, path, writer);
}

}  // namespace hosei
