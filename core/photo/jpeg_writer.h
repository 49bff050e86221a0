#pragma once

#include <memory>
#include <string>

#include "file_error.h"
#include "jpeg_glue.h"
#include "photo_file.h"

namespace hosei {

// Re-encodes with the source's quantisation tables, sampling, component numbers,
// progression, entropy coding and restart interval, and the source's APPn and COM
// segments in their order; nothing else is added. A progressive result is only written
// out at finish(): libjpeg holds its coefficients until then.
FileError CreateJpegWriter(const JpegLayout& layout, const std::string& sourcePath, int fd,
                           const std::string& path, const PhotoWriteOptions& options,
                           std::unique_ptr<PhotoWriter>& writer);

}  // namespace hosei
