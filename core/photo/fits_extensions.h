#pragma once

#include <cstddef>
#include <string>

#include "file_error.h"
#include "fits_plan.h"
#include "photo_source.h"

namespace hosei {

// Finds the extension HDUs from `begin` (the end of the primary one), which the result
// carries as they are. Only their extent matters, so their headers are walked here rather
// than by cfitsio, whose table parsing was seen to read garbage on broken table headers.
// The headers may hold `maxCards` cards together. An extension whose size cannot be read,
// one that the file ends inside, or anything else after the last one but blocks of zeros
// (which are left behind) is kCorruptPhoto.
FileError FindFitsExtensions(int fd, long long begin, long long fileSize, std::size_t maxCards,
                             const PhotoSource& source, const std::string& path,
                             FitsExtensions& extensions);

// Appends the extensions of `plan` to the end of the result `fd`.
FileError CopyFitsExtensions(const FitsPlan& plan, int fd, const std::string& path);

}  // namespace hosei
