#pragma once

#include "execute.h"
#include "photo_file.h"
#include "row_corrector.h"

namespace hosei {

// For a reader that gives its stored rows (PhotoReader::givesStoredRows) and its writer: the writer
// places every row first, then each core takes chunks of rows of its own and reads, corrects and
// writes them, no thread waiting on another. Handing each chunk from a reading thread to a
// correcting one and on to a writing one left a core idle for much of the time. The observer is
// told, and asked whether to stop, between rounds of a few chunks.
FileError CorrectScatteredRows(const PhotoReader& reader, const RowCorrector& corrector,
                               PhotoWriter& writer, ExecuteObserver* observer);

}  // namespace hosei
