#include "photo_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "file_descriptor.h"
#include "fits_reader.h"
#include "jpeg_reader.h"
#include "photo_source.h"
#include "png_reader.h"
#include "tiff_reader.h"

namespace hosei {

FileError OpenPhoto(const std::string& path, std::unique_ptr<PhotoReader>& reader,
                    const StopRequest* stop) {
  FileDescriptor file;
  if (FileError error = OpenPhotoFile(path, file)) return error;
  std::uint8_t head[kPhotoSignatureSize] = {};
  const ssize_t got = ::pread(file.get(), head, sizeof head, 0);
  if (got < 0) return FileError{FileProblem::kReadFailed, path, std::strerror(errno)};
  const auto format = PhotoFormatOf(std::span(head, static_cast<std::size_t>(got)));
  if (!format) return UnsupportedPhoto(path, ProblemDetail::kNotAPhoto);
  switch (*format) {
    case PhotoFormat::kJpeg:
      return OpenJpeg(path, reader, stop);
    case PhotoFormat::kPng:
      return OpenPng(path, reader, stop);
    case PhotoFormat::kTiff:
      return OpenTiff(path, reader, stop);
    case PhotoFormat::kFits:
      return OpenFits(path, reader, stop);
  }
  return {};
}

}  // namespace hosei
