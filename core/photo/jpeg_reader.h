#pragma once

#include <memory>
#include <string>

#include "file_error.h"
#include "photo_file.h"

namespace hosei {

// Baseline JPEGs are decoded a row at a time; a progressive JPEG's coefficients are all
// held by libjpeg (its scans may refine any part of the picture), up to kMaxBufferedBytes.
// With its last row the reader reads on to the end marker, so that a file cut short after
// its picture is refused as well, and the segments there reach the result.
FileError OpenJpeg(const std::string& path, std::unique_ptr<PhotoReader>& reader,
                   const StopRequest* stop);

}  // namespace hosei
