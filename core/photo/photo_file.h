#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "file_error.h"
#include "picture_reader.h"
#include "stop_request.h"

namespace hosei {

enum class PhotoFormat { kJpeg, kPng, kTiff, kFits };

// Bytes needed at the start of a file to tell its format.
inline constexpr std::size_t kPhotoSignatureSize = 8;

// What a file is, told by its first bytes, never by its name.
std::optional<PhotoFormat> PhotoFormatOf(std::span<const std::uint8_t> firstBytes);

struct PhotoWriteOptions {
  int jpegQuality = 0;  // 1..100 overrides the source's quantisation tables; 0 keeps them
};

// Writes the corrected rows in the source's own format, carrying its metadata.
class PhotoWriter {
 public:
  virtual ~PhotoWriter() = default;
  // `count` rows, top row first, in the reader's layout (blue, green, red triplets; alpha
  // separately where the source has it).
  virtual FileError writeRows(int count, const std::uint8_t* bgr, std::size_t bgrStride,
                              const std::uint8_t* alpha = nullptr, std::size_t alphaStride = 0) = 0;
  // For deep sources only: rows in the source's own sample type, laid out as
  // PictureReader::readDeepRows gives them; strides in bytes.
  virtual FileError writeDeepRows(int count, const void* bgr, std::size_t bgrStride,
                                  const void* alpha = nullptr, std::size_t alphaStride = 0);
  // For a writer made by a reader that gives stored rows, instead of the other writes:
  // makes room for every row at its place in the file. writeStoredRowsAt may then be called
  // for each row once, in any order and from several threads at once, with rows as
  // PhotoReader::readStoredRowsAt gives them, top row first from row `first` (0 for the top).
  // `scratch` is the caller's, one for each thread, kept from call to call.
  virtual FileError placeStoredRows();
  virtual FileError writeStoredRowsAt(int first, int count, const void* rgb, std::size_t stride,
                                      std::vector<std::uint8_t>& scratch);
  // After the last row: completes the file. The descriptor stays open.
  virtual FileError finish() = 0;
};

// A JPEG, PNG or TIFF opened for correction: rows come top row first (RowOrder::kTopDown).
// It also holds what the writer needs to write the result in the same format with the
// same metadata.
class PhotoReader : public PictureReader {
 public:
  virtual PhotoFormat format() const = 0;
  // Stored with one channel (grey, or grey with alpha): written back the same way.
  virtual bool grey() const = 0;

  // The writer of a result in the same format with the same metadata. It takes a copy of
  // what it needs, so the reader may go before it. `fd` is an empty file open for reading
  // and writing that the writer never closes; `path` names the result in messages.
  virtual FileError createWriter(int fd, const std::string& path, const PhotoWriteOptions& options,
                                 std::unique_ptr<PhotoWriter>& writer) const = 0;

  // Whether readStoredRowsAt can hand out deep rows as the file holds them, three samples a
  // pixel, red first: an uncompressed TIFF's rows as they are (in this machine's byte
  // order, with no alpha and no bits reversed), a FITS picture's planes side by side. The
  // rows then go from the file into the correction and back out through the writer's
  // writeStoredRowsAt on every core at once, which for a large picture is most of the time
  // spent.
  virtual bool givesStoredRows() const { return false; }
  // Rows first .. first + count - 1 (0 for the top), row r at rgb + r * stride, read from
  // where the file keeps them, from several threads at once; floats checked as
  // readDeepRows checks them. The cursor of the other reads is left alone. `scratch` is
  // the caller's, one for each thread, kept from call to call.
  virtual FileError readStoredRowsAt(int first, int count, void* rgb, std::size_t stride,
                                     std::vector<std::uint8_t>& scratch) const;
};

// Opens a photo and checks that hosei can correct it. Refusals (16 bits a channel,
// CMYK/YCCK, several pages, more than 65535 dots a side, ...) are kUnsupportedPhoto and
// broken files kCorruptPhoto, each with its detail.
// `stop`, when given, is asked while the header is read and the picture decoded, and
// must outlive the reader.
FileError OpenPhoto(const std::string& path, std::unique_ptr<PhotoReader>& reader,
                    const StopRequest* stop = nullptr);

}  // namespace hosei
