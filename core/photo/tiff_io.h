#pragma once

#include <tiffio.h>

#include <cstdint>

namespace hosei {

class PhotoSource;

// One TIFF's connection to its file descriptor and its own error channel. libtiff reports
// through these handlers of this TIFF alone (nothing global is touched, so files may be
// read on several threads at once); the first error is kept, never printed, and warnings
// are dropped: whether every tag came through is checked against the directory itself. The
// descriptor is never closed by libtiff.
struct TiffContext {
  int fd = -1;
  // While the directories are read: asked before each read from the file. Once it says
  // stop, every read fails, so libtiff gives up wherever it is.
  const PhotoSource* reader = nullptr;
  bool stopped = false;
  int readError = 0;   // errno of a failed read
  int writeError = 0;  // errno of a failed write (a full disk)
  // While strips are only placed: what libtiff writes makes the file that much longer
  // without the bytes going to it; their owner writes them later, in place.
  bool placeOnly = false;
  bool failed = false;
  char message[256] = {};
};

// How many of the `left` rows from row y lie in y's strip and can go to or from the file in
// one piece: rows a stride apart are one piece only when the stride is the row itself.
inline int RowsInOnePiece(std::uint32_t y, int left, std::uint32_t rowsPerStrip, bool contiguous) {
  if (!contiguous) return 1;
  const auto inStrip = static_cast<int>(rowsPerStrip - y % rowsPerStrip);
  return left < inStrip ? left : inStrip;
}

// `mode` as for TIFFOpen. Returns null when libtiff cannot open the file.
TIFF* TiffOnDescriptor(TiffContext& context, const char* name, const char* mode);

// Whether this libtiff, writing float rows with the floating-point predictor into a file of
// the other byte order, turns each sample's bytes round before the predictor takes the
// samples apart, so that the file holds them the wrong way round. libtiff 4.5 does; it reads
// such files rightly, so it reads its own back wrong. A row handed to it turned round
// already is written right. Found once, by writing one sample and reading it back.
bool TiffSwapsBeforeFloatPredictor();

}  // namespace hosei
