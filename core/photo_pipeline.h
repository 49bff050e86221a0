#pragma once

#include "execute.h"
#include "photo_file.h"
#include "pixel_corrector.h"

namespace hosei {

// Streams a photo's rows through the corrector into the writer: one thread decodes the
// next rows while this one corrects (with the worker pool) and encodes the last ones.
FileError CorrectPhotoRows(PhotoReader& reader, const PixelCorrector& corrector,
                           PhotoWriter& writer, ExecuteObserver* observer);

}  // namespace hosei
