#pragma once

#include <memory>
#include <string>

#include "file_error.h"
#include "photo_file.h"

namespace hosei {

// Strips are decoded a row at a time (libtiff reads each compressed strip whole, up to
// kMaxBufferedBytes); tiles a row of tiles at a time. 8-bit pictures are read as bytes,
// 16-bit and 32-bit float ones at their own depth, readRows reducing them to bytes.
FileError OpenTiff(const std::string& path, std::unique_ptr<PhotoReader>& reader,
                   const StopRequest* stop);

}  // namespace hosei
