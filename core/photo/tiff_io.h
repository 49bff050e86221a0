#pragma once

#include <tiffio.h>

namespace hosei {

// One TIFF's connection to its file descriptor and its own error channel. libtiff reports
// through these handlers of this TIFF alone (nothing global is touched, so files may be
// read on several threads at once); messages are kept, never printed. The descriptor is
// never closed by libtiff.
struct TiffContext {
  int fd = -1;
  int readError = 0;   // errno of a failed read
  int writeError = 0;  // errno of a failed write (a full disk)
  bool failed = false;
  char message[256] = {};
  // libtiff went on without a tag it could not read: the file is cut short or broken, and
  // its result would silently lack the tag.
  bool tagLost = false;
  char lostTag[256] = {};
};

// `mode` as for TIFFOpen. Returns null when libtiff cannot open the file.
TIFF* TiffOnDescriptor(TiffContext& context, const char* name, const char* mode);

}  // namespace hosei
