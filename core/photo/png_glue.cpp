#include "png_glue.h"

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

#include "photo_source.h"

namespace hosei {

namespace {

PngState& StateOf(png_const_structrp png) {
  return *static_cast<PngState*>(png_get_error_ptr(png));
}

[[noreturn]] void Error(png_structp png, png_const_charp message) {
  PngState& state = StateOf(png);
  std::strncpy(state.message, message ? message : "", sizeof state.message - 1);
  state.message[sizeof state.message - 1] = '\0';
  std::longjmp(state.jump, 1);
}

void Warning(png_structp, png_const_charp) {}

void ReadData(png_structp png, png_bytep data, size_t length) {
  PngState& state = *static_cast<PngState*>(png_get_io_ptr(png));
  if (state.reader && state.reader->stopRequested()) {
    state.stopped = true;
    png_error(png, "stopped");
  }
  while (length > 0) {
    if (state.aheadStart == state.aheadEnd) {
      // What fills the window anyway goes straight to libpng.
      const bool direct = length >= sizeof state.ahead;
      const ssize_t n =
          ::read(state.fd, direct ? data : state.ahead, direct ? length : sizeof state.ahead);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        state.readError = errno;
        png_error(png, "read error");
      }
      if (n == 0) {
        state.ended = true;
        png_error(png, "unexpected end of file");
      }
      if (direct) {
        data += n;
        length -= static_cast<size_t>(n);
        continue;
      }
      state.aheadStart = 0;
      state.aheadEnd = static_cast<size_t>(n);
    }
    const size_t taken = std::min(length, state.aheadEnd - state.aheadStart);
    std::memcpy(data, state.ahead + state.aheadStart, taken);
    state.aheadStart += taken;
    data += taken;
    length -= taken;
  }
}

void WriteData(png_structp png, png_bytep data, size_t length) {
  PngState& state = *static_cast<PngState*>(png_get_io_ptr(png));
  size_t done = 0;
  while (done < length) {
    const ssize_t n = ::write(state.fd, data + done, length - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      state.writeError = n < 0 ? errno : ENOSPC;
      png_error(png, "write error");
    }
    done += static_cast<size_t>(n);
  }
}

void Flush(png_structp) {}

// PNG stores 16-bit samples most significant byte first; hosei hands them around in host
// order.
void SamplesInHostOrder(png_structp png) {
  if constexpr (std::endian::native == std::endian::little) png_set_swap(png);
}

// The carried chunks on one side of the picture data.
void WriteCarried(png_structp png, const PngPlan& plan, bool afterImage) {
  if (!plan.chunks) return;
  for (const PngChunk& chunk : *plan.chunks)
    if (chunk.afterImage == afterImage)
      png_write_chunk(png, reinterpret_cast<png_const_bytep>(chunk.type), chunk.data.data(),
                      chunk.data.size());
}

}  // namespace

bool GuardedCreateRead(PngState* state, png_structp* png, png_infop* info) {
  if (setjmp(state->jump)) return false;
  *png = png_create_read_struct(PNG_LIBPNG_VER_STRING, state, Error, Warning);
  if (!*png) return false;
  *info = png_create_info_struct(*png);
  if (!*info) return false;
  png_set_read_fn(*png, state, ReadData);
  return true;
}

bool GuardedReadInfo(png_structp png, png_infop info, PngRows* rows) {
  if (setjmp(StateOf(png).jump)) return false;
  png_set_user_limits(png, kMaxPhotoSide, kMaxPhotoSide);
  // hosei carries the ancillary chunks raw from its own walk over the file, so libpng
  // skips every chunk it does not need for the pixels (all but PLTE and tRNS) rather than
  // inflating compressed text and ICC profiles and keeping them. The limits below bound
  // what it would spend on one should a chunk still reach it.
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  png_set_chunk_cache_max(png, 1);  // libpng's way of saying none (0 is no limit)
  png_set_chunk_malloc_max(png, kMaxInflatedChunk);
  png_read_info(png, info);
  const int colourType = png_get_color_type(png, info);
  if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  const int depth = png_get_bit_depth(png, info);
  if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  // A 16-bit picture's tRNS names one colour and is carried as stored: expanding it would
  // give the result an alpha channel its source had not.
  if (depth == 16)
    SamplesInHostOrder(png);
  else if (png_get_valid(png, info, PNG_INFO_tRNS))
    png_set_tRNS_to_alpha(png);
  rows->passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  rows->channels = png_get_channels(png, info);
  rows->bitDepth = png_get_bit_depth(png, info);
  rows->rowBytes = png_get_rowbytes(png, info);
  return true;
}

bool GuardedReadRow(png_structp png, png_bytep row) {
  if (setjmp(StateOf(png).jump)) return false;
  png_read_row(png, row, nullptr);
  return true;
}

bool GuardedCreateWrite(PngState* state, png_structp* png, png_infop* info) {
  if (setjmp(state->jump)) return false;
  *png = png_create_write_struct(PNG_LIBPNG_VER_STRING, state, Error, Warning);
  if (!*png) return false;
  *info = png_create_info_struct(*png);
  if (!*info) return false;
  png_set_write_fn(*png, state, WriteData, Flush);
  return true;
}

bool GuardedStartWrite(png_structp png, png_infop info, const PngPlan* plan) {
  if (setjmp(StateOf(png).jump)) return false;
  static const int kColourTypes[] = {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA,
                                     PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA};
  png_set_IHDR(png, info, plan->width, plan->height, plan->bitDepth,
               kColourTypes[plan->channels - 1], PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  if (plan->bitDepth == 16) SamplesInHostOrder(png);
  WriteCarried(png, *plan, false);
  return true;
}

bool GuardedWriteRow(png_structp png, png_const_bytep row) {
  if (setjmp(StateOf(png).jump)) return false;
  png_write_row(png, row);
  return true;
}

bool GuardedFinishWrite(png_structp png, const PngPlan* plan) {
  if (setjmp(StateOf(png).jump)) return false;
  WriteCarried(png, *plan, true);
  png_write_end(png, nullptr);
  return true;
}

}  // namespace hosei
