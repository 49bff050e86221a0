#pragma once

// The C side of the PNG codec: libpng's error and I/O callbacks, and every libpng call that
// can fail wrapped in a function of its own that sets the jump point. libpng reports a
// failure through the error callback, which must not return; it jumps back into the
// wrapper in progress, which holds nothing that needs destroying, and the caller then
// destroys the libpng objects as usual.

#include <png.h>

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "png_chunks.h"

namespace hosei {

class PhotoSource;

struct PngState {
  std::jmp_buf jump;
  int fd;
  const PhotoSource* reader;  // asked before every read whether its caller wants it to stop
  bool stopped;               // reading was given up because it asked
  bool ended;                 // the file ended before libpng had what it needed
  int readError;              // errno of a failed read
  int writeError;             // errno of a failed write (a full disk)
  char message[256];
  // libpng reads a chunk's length and type, its data and its CRC separately; a system
  // call for each would make a file of many small chunks slow, so the reads go through
  // this window onto the file.
  std::uint8_t ahead[32768];
  std::size_t aheadStart;
  std::size_t aheadEnd;
};

// What libpng delivers once its transformations are set: palette and low grey depths
// expanded to 8-bit samples, the transparency of an 8-bit picture as an alpha channel;
// 16-bit samples in host byte order.
struct PngRows {
  int channels = 0;
  int bitDepth = 8;  // 8 or 16
  std::size_t rowBytes = 0;
  int passes = 1;  // 7 for an interlaced picture
};

// Each returns false after a libpng failure, described in the state.
bool GuardedCreateRead(PngState* state, png_structp* png, png_infop* info);
bool GuardedReadInfo(png_structp png, png_infop info, PngRows* rows);
// One row of the picture, or of the current pass over an interlaced picture: there the
// pass's pixels are merged into the row as it already stands.
bool GuardedReadRow(png_structp png, png_bytep row);

struct PngPlan {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int channels = 3;
  int bitDepth = 8;  // 16: rows come to the writer in host byte order
  // Shared by the reader and its writers, so that carried chunks are held once.
  std::shared_ptr<const std::vector<PngChunk>> chunks;
};

bool GuardedCreateWrite(PngState* state, png_structp* png, png_infop* info);
// Writes the signature, the header and the carried chunks that come before the picture.
bool GuardedStartWrite(png_structp png, png_infop info, const PngPlan* plan);
bool GuardedWriteRow(png_structp png, png_const_bytep row);
// Writes the carried chunks that come after the picture and the end chunk.
bool GuardedFinishWrite(png_structp png, const PngPlan* plan);

}  // namespace hosei
