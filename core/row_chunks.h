#pragma once

#include <algorithm>
#include <cstddef>

#include "execute.h"

namespace hosei {

// Rows travel from source to result in chunks of about this many bytes: small enough to
// stay in the processor's cache and to keep memory flat whatever the picture's size,
// large enough that each read and write is one big transfer. 1 MB measured faster than
// 2 and 4 MB.
inline constexpr std::size_t kChunkBytes = std::size_t{1} << 20;
// Rows per part of a chunk handed to one thread.
inline constexpr int kRowsPerPart = 8;

inline int RowsPerChunk(std::size_t rowBytes, int height) {
  return static_cast<int>(std::clamp<std::size_t>(kChunkBytes / std::max<std::size_t>(rowBytes, 1),
                                                  1, static_cast<std::size_t>(height)));
}

inline int PartsOf(int rows) { return (rows + kRowsPerPart - 1) / kRowsPerPart; }

// Tells the observer of every 40th row among rows done + 1 .. done + count.
inline void ReportRowsDone(ExecuteObserver* observer, int done, int count) {
  if (!observer) return;
  for (int row = (done / kProgressInterval + 1) * kProgressInterval; row <= done + count;
       row += kProgressInterval)
    observer->rowsDone(row);
}

// Reports the rows and tells whether the run is to be abandoned.
inline bool ContinueAfterRows(ExecuteObserver* observer, int done, int count) {
  ReportRowsDone(observer, done, count);
  return !observer || !observer->stopRequested();
}

}  // namespace hosei
