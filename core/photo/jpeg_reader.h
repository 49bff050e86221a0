#pragma once

#include <memory>
#include <string>

#include "file_error.h"
#include "photo_file.h"

namespace hosei {

// Baseline JPEGs are decoded a row at a time; a progressive JPEG's coefficients are all
// held by libjpeg (its scans may refine any part of the picture), up to kMaxBufferedBytes.
FileError OpenJpeg(const std::string& path, std::unique_ptr<PhotoReader>& reader,
                   const StopRequest* stop);

}  // namespace hosei
