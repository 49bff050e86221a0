#pragma once

// The C side of the PNG codec: libpng's error and I/O callbacks, and every libpng call that
// can fail wrapped in a function of its own that sets the jump point. libpng reports a
// failure through the error callback, which must not return; it jumps back into the
// wrapper in progress, which holds nothing that needs destroying, and the caller then
// destroys the libpng objects as usual.

#include <png.h>

#include <csetjmp>
#include <cstdint>

#include "png_chunks.h"

namespace hosei {

struct PngState {
  std::jmp_buf jump;
  int fd;
  bool ended;      // the file ended before libpng had what it needed
  int readError;   // errno of a failed read
  int writeError;  // errno of a failed write (a full disk)
  char message[256];
};

// What libpng delivers once its transformations are set: 8-bit samples, palette and low
// grey depths expanded, transparency as an alpha channel.
struct PngRows {
  int channels = 0;
  std::size_t rowBytes = 0;
  bool interlaced = false;
};

// Each returns false after a libpng failure, described in the state.
bool GuardedCreateRead(PngState* state, png_structp* png, png_infop* info);
bool GuardedReadInfo(png_structp png, png_infop info, PngRows* rows);
bool GuardedReadRow(png_structp png, png_bytep row);
bool GuardedReadImage(png_structp png, png_bytepp rows);

struct PngPlan {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int channels = 3;
  std::vector<PngChunk> chunks;
};

bool GuardedCreateWrite(PngState* state, png_structp* png, png_infop* info);
// Writes the signature, the header and the carried chunks that come before the picture.
bool GuardedStartWrite(png_structp png, png_infop info, const PngPlan* plan);
bool GuardedWriteRow(png_structp png, png_const_bytep row);
// Writes the carried chunks that come after the picture and the end chunk.
bool GuardedFinishWrite(png_structp png, const PngPlan* plan);

}  // namespace hosei
