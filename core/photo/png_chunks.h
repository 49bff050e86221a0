#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "file_error.h"

namespace hosei {

class PhotoSource;

// An ancillary chunk carried from source to result, with its place: before the picture
// data or after it.
struct PngChunk {
  char type[4] = {};
  std::vector<std::uint8_t> data;
  bool afterImage = false;
};

// What the walk over a PNG's chunks finds before libpng decodes it.
struct PngChunkScan {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int bitDepth = 0;
  int colourType = 0;
  bool interlaced = false;
  // A tRNS chunk read and written as an alpha channel (all but those of 16-bit pictures).
  bool transparency = false;
  std::vector<std::uint8_t> palette;  // PLTE, for the background colour of a palette PNG
  std::vector<PngChunk> carried;      // in file order
};

// Walks the chunk list of the PNG open at `fd` (without moving its offset), checks the
// CRC of every chunk it keeps, and keeps the ancillary chunks the result carries, as
// stored: the known ones (colour space, text, EXIF, time, ...), the tRNS of a 16-bit grey
// or colour picture, and unknown safe-to-copy ones. Dropped: any other tRNS (alpha where
// valid), hIST (counts palette entries the result has not), a suggested PLTE of a colour
// PNG, and unknown chunks that the PNG rules say go stale once the picture changes.
// Refused: animated PNGs, unknown critical chunks, more than kMaxMetadataPieces ancillary
// chunks and more than kMaxCarriedBytes to carry. `reader` is asked before each chunk
// whether to give up.
FileError ScanPngChunks(int fd, const std::string& path, const PhotoSource& reader,
                        PngChunkScan& scan);

// Rewrites the chunks whose contents depend on the colour type for the result: a
// background colour given as a palette index or at a low grey depth, which the result
// holds as 8-bit samples. A 16-bit picture keeps its depth and colour type, so its chunks
// stay true as stored. One that cannot be rewritten is dropped.
void AdaptChunksToResult(PngChunkScan& scan);

}  // namespace hosei
