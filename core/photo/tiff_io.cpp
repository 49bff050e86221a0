#include "tiff_io.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstdarg>
#include <cstdio>

#include "file_descriptor.h"
#include "photo_source.h"

namespace hosei {

namespace {

TiffContext& ContextOf(thandle_t handle) { return *static_cast<TiffContext*>(handle); }

tmsize_t Read(thandle_t handle, void* buffer, tmsize_t size) {
  TiffContext& context = ContextOf(handle);
  if (context.stopped || (context.reader && context.reader->stopRequested())) {
    context.stopped = true;
    return -1;
  }
  auto* bytes = static_cast<char*>(buffer);
  tmsize_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(context.fd, bytes + done, static_cast<std::size_t>(size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      context.readError = errno;
      return -1;
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

// Leaves `size` bytes at the file position for their owner, growing the file over them.
tmsize_t Skip(TiffContext& context, tmsize_t size) {
  const off_t at = ::lseek(context.fd, 0, SEEK_CUR);
  struct stat info {};
  if (at < 0 || ::fstat(context.fd, &info) != 0 ||
      (info.st_size < at + size && ::ftruncate(context.fd, at + size) != 0) ||
      ::lseek(context.fd, at + size, SEEK_SET) < 0) {
    context.writeError = errno;
    return -1;
  }
  return size;
}

tmsize_t Write(thandle_t handle, void* buffer, tmsize_t size) {
  TiffContext& context = ContextOf(handle);
  if (context.placeOnly) return Skip(context, size);
  const auto* bytes = static_cast<const char*>(buffer);
  tmsize_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(context.fd, bytes + done, static_cast<std::size_t>(size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      context.writeError = n < 0 ? errno : ENOSPC;
      return -1;
    }
    done += n;
  }
  return done;
}

toff_t Seek(thandle_t handle, toff_t offset, int whence) {
  const off_t at = ::lseek(ContextOf(handle).fd, static_cast<off_t>(offset), whence);
  return at < 0 ? static_cast<toff_t>(-1) : static_cast<toff_t>(at);
}

int Close(thandle_t) { return 0; }

toff_t Size(thandle_t handle) {
  struct stat info {};
  if (::fstat(ContextOf(handle).fd, &info) != 0) return 0;
  return static_cast<toff_t>(info.st_size);
}

// No mapping: a file cut short while mapped would end the program with SIGBUS.
int Map(thandle_t, void**, toff_t*) { return 0; }
void Unmap(thandle_t, void*, toff_t) {}

void Format(char (&text)[256], const char* module, const char* format, va_list arguments) {
  int used = 0;
  if (module) used = std::snprintf(text, sizeof text, "%s: ", module);
  if (used < 0 || static_cast<std::size_t>(used) >= sizeof text) used = 0;
  std::vsnprintf(text + used, sizeof text - static_cast<std::size_t>(used), format, arguments);
}

int OnError(TIFF*, void* data, const char* module, const char* format, va_list arguments) {
  TiffContext& context = *static_cast<TiffContext*>(data);
  if (!context.failed) {
    context.failed = true;
    Format(context.message, module, format, arguments);
  }
  return 1;
}

int OnWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// A grey picture of one float sample with the floating-point predictor, in the byte order
// other than the host's.
bool WriteFloatProbe(TiffContext& context, float sample) {
  const char* mode = std::endian::native == std::endian::little ? "wb" : "wl";
  TIFF* tif = TiffOnDescriptor(context, "probe", mode);
  if (!tif) return false;
  const bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 1) &&
                  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 1) &&
                  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 32) &&
                  TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP) &&
                  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK) &&
                  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW) &&
                  TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_FLOATINGPOINT) &&
                  TIFFWriteScanline(tif, &sample, 0, 0) >= 0;
  TIFFClose(tif);
  return ok;
}

bool ProbeFloatPredictor() {
  FileDescriptor file(::memfd_create("hosei-tiff-probe", MFD_CLOEXEC));
  if (!file.valid()) return false;
  TiffContext context;
  context.fd = file.get();
  const float written = 0.5f;
  if (!WriteFloatProbe(context, written) || ::lseek(file.get(), 0, SEEK_SET) != 0) return false;
  TIFF* tif = TiffOnDescriptor(context, "probe", "r");
  if (!tif) return false;
  float read = written;
  const bool got = TIFFReadScanline(tif, &read, 0, 0) >= 0;
  TIFFClose(tif);
  return got && read != written;
}

}  // namespace

bool TiffSwapsBeforeFloatPredictor() {
  static const bool swaps = ProbeFloatPredictor();
  return swaps;
}

TIFF* TiffOnDescriptor(TiffContext& context, const char* name, const char* mode) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) return nullptr;
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(kMaxBufferedBytes));
  TIFFOpenOptionsSetErrorHandlerExtR(options, OnError, &context);
  TIFFOpenOptionsSetWarningHandlerExtR(options, OnWarning, &context);
  TIFF* tif =
      TIFFClientOpenExt(name, mode, &context, Read, Write, Seek, Close, Size, Map, Unmap, options);
  TIFFOpenOptionsFree(options);
  return tif;
}

}  // namespace hosei
