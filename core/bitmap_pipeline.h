#pragma once

#include "bitmap_source.h"
#include "execute.h"
#include "pixel_corrector.h"
#include "result_file.h"

namespace hosei {

// Streams a bitmap's stored rows through the corrector into the result, padding bytes
// and all, after the header region has been written.
FileError CorrectBitmapRows(const BitmapSource& source, const PixelCorrector& corrector,
                            ResultFile& result, ExecuteObserver* observer);

}  // namespace hosei
