#include "fits_writer.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include "cfitsio_library.h"
#include "fits_extensions.h"
#include "fits_glue.h"
#include "fits_rows.h"
#include "photo_source.h"

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
  FileError finish() override;

 private:
  FileError checkDepth(bool deepRows) const;
  FileError writeHeader();
  FileError makeBuffers();
  FileError laySamplesOut();
  template <typename Sample>
  FileError writeBatch(int fromTop, int count, const Sample* bgr, std::size_t stride);
  template <typename Sample>
  FileError writeEach(int count, const void* bgr, std::size_t stride);

  FitsPlan plan_;
  std::string path_;
  RowCounter rows_;
  // A descriptor of its own on the result, so that whatever cfitsio still flushes when an
  // abandoned writer goes can only reach the result, even after the caller closed its own.
  FileDescriptor file_;
  FitsFile fits_;
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
  if (FileError error = writeHeader()) return error;
  if (FileError error = makeBuffers()) return error;
  return plan_.topDown ? FileError{} : laySamplesOut();
}

// Rows come top row first, which a FITS stored bottom up keeps at the end of its data. Each
// record cfitsio flushes beyond the end of the file makes it write every record before it,
// one at a time, so the samples are laid out first, front to back in large pieces; the rows
// then overwrite them where they belong.
FileError FitsWriter::laySamplesOut() {
  const auto write = [&](auto& plane) {
    std::fill(plane.begin(), plane.end(), 0);
    const auto batch = static_cast<LONGLONG>(plane.size());
    const LONGLONG total = LONGLONG{plan_.width} * plan_.height * plan_.planes;
    int status = 0;
    for (LONGLONG first = 1; first <= total && !status; first += batch)
      fits_write_img(fits_.get(),
                     kFitsDatatype<typename std::remove_reference_t<decltype(plane)>::value_type>,
                     first, std::min(batch, total - first + 1), plane.data(), &status);
    return status;
  };
  int status = 0;
  switch (plan_.sampleType) {
    case SampleType::kUint8:
      status = write(buffers_.plane<std::uint8_t>());
      break;
    case SampleType::kUint16:
      status = write(buffers_.plane<std::uint16_t>());
      break;
    case SampleType::kFloat32:
      status = write(buffers_.plane<float>());
      break;
  }
  if (status) return failed_ = FitsWriteFailure(path_, status, ProblemDetail::kFitsCannotWrite);
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
  // Reads the header back, BZERO and BSCALE among it, so that unsigned 16-bit samples are
  // stored with the offset the source had.
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

// Rows fromTop .. fromTop + count - 1, no more than a batch, from triplets `stride` bytes
// apart: each plane written in one piece from the lowest stored row up.
template <typename Sample>
FileError FitsWriter::writeBatch(int fromTop, int count, const Sample* bgr, std::size_t stride) {
  std::vector<Sample>& plane = buffers_.plane<Sample>();
  const auto width = static_cast<std::size_t>(plan_.width);
  const long long lowest =
      std::min(StoredRow(plan_, fromTop), StoredRow(plan_, fromTop + count - 1));
  for (int p = 0; p < plan_.planes; ++p) {
    for (int i = 0; i < count; ++i) {
      const auto* row = reinterpret_cast<const Sample*>(reinterpret_cast<const std::uint8_t*>(bgr) +
                                                        static_cast<std::size_t>(i) * stride);
      PlaneFromTriplets(
          row, plan_.width, p, plan_.planes,
          plane.data() + static_cast<std::size_t>(BatchIndex(plan_.topDown, i, count)) * width);
    }
    LONGLONG first[3] = {1, lowest, p + 1};
    int status = 0;
    fits_write_pixll(fits_.get(), kFitsDatatype<Sample>, first,
                     static_cast<LONGLONG>(width * static_cast<std::size_t>(count)), plane.data(),
                     &status);
    if (status) return failed_ = FitsWriteFailure(path_, status, ProblemDetail::kFitsCannotWrite);
  }
  return {};
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
  int status = 0;
  fits_close_file(fits_.release(), &status);
  if (status) return failed_ = FitsWriteFailure(path_, status, ProblemDetail::kFitsCannotWrite);
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
