#pragma once

#include <memory>
#include <string>

#include "file_error.h"
#include "photo_file.h"
#include "png_glue.h"

namespace hosei {

// Writes grey, grey and alpha, colour or colour and alpha, non-interlaced, with the carried
// chunks where the source had them: before or after the picture data. The rows come
// through writeRows at 8 bits, or through writeDeepRows for a 16-bit plan.
FileError CreatePngWriter(const PngPlan& plan, int fd, const std::string& path,
                          std::unique_ptr<PhotoWriter>& writer);

}  // namespace hosei
