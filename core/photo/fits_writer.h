#pragma once

#include <memory>
#include <string>

#include "file_error.h"
#include "fits_plan.h"
#include "photo_file.h"

namespace hosei {

// Writes a FITS result like its source: the same BITPIX, axes, scaling and row order, the
// source's cards in their order with one HISTORY card added, and its extension HDUs.
FileError CreateFitsWriter(const FitsPlan& plan, int fd, const std::string& path,
                           std::unique_ptr<PhotoWriter>& writer);

}  // namespace hosei
