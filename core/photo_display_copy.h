#pragma once

#include <string>

#include "file_error.h"

namespace hosei {

// A photo's display copy with guide marks is a bitmap, so the viewer shows the marks at
// the same dots as for a bitmap and nothing is lost to compression. Its name keeps the
// photo's whole name, so photos of one stem and different formats do not share a copy.
std::string PhotoDisplayCopyName(const std::string& folder, const std::string& fileTitle);

// Writes that copy: a 24-bit bitmap of the photo's pixels (alpha left out) with the grid
// and diagonals drawn in, streamed a chunk of rows at a time.
FileError WritePhotoDisplayCopy(const std::string& source, const std::string& copy);

}  // namespace hosei
