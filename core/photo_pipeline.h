#pragma once

#include "execute.h"
#include "photo_file.h"
#include "row_corrector.h"

namespace hosei {

// Streams a photo's rows through the corrector into the writer: one thread decodes the
// next rows while this one corrects (with the worker pool) and encodes the last ones.
// A deep photo's rows travel at its own depth, for a corrector of that sample type. Where
// the reader gives its rows as stored (red first), they go through CorrectScatteredRows
// instead, for a corrector made for that order.
FileError CorrectPhotoRows(PhotoReader& reader, const RowCorrector& corrector, PhotoWriter& writer,
                           ExecuteObserver* observer);

}  // namespace hosei
