#pragma once

#include <memory>
#include <string>

#include "photo_file.h"

namespace hosei {

// The primary picture of a FITS file: 8-bit, unsigned 16-bit (BZERO 32768) or 0..1 float
// samples, grey or three colour planes, handed out top row first like every photo (the first
// stored row is the bottom one unless ROWORDER = 'TOP-DOWN'). Other sample kinds, scalings,
// shapes and tile-compressed files are refused; extension HDUs are passed to the result.
FileError OpenFits(const std::string& path, std::unique_ptr<PhotoReader>& reader,
                   const StopRequest* stop);

}  // namespace hosei
