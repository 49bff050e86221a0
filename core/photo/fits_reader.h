#pragma once

#include <memory>
#include <string>

#include "photo_file.h"

namespace hosei {

// A FITS primary image: 8-bit, 16-bit or 32-bit float samples, grey or three colour
// planes, handed out top row first like every photo.
FileError OpenFits(const std::string& path, std::unique_ptr<PhotoReader>& reader,
                   const StopRequest* stop);

}  // namespace hosei
