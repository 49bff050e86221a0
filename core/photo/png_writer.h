#pragma once

#include <memory>
#include <string>

#include "file_error.h"
#include "photo_file.h"
#include "png_glue.h"

namespace hosei {

// Writes 8-bit grey, grey and alpha, colour or colour and alpha, non-interlaced, with the
// carried chunks where the source had them: before or after the picture data.
FileError CreatePngWriter(const PngPlan& plan, int fd, const std::string& path,
                          std::unique_ptr<PhotoWriter>& writer);

}  // namespace hosei
