#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "file_error.h"
#include "photo_file.h"

namespace hosei::test {

using Bytes = std::vector<std::uint8_t>;

// A picture as a codec stores it: top row first, `channels` samples a pixel (grey, grey and
// alpha, red green blue, red green blue alpha).
struct Picture {
  int width = 0;
  int height = 0;
  int channels = 3;
  Bytes samples;

  Bytes bgr() const;    // what a reader must deliver
  Bytes alpha() const;  // empty without alpha
};

Picture RandomPicture(int width, int height, int channels, unsigned seed);

// Everything a reader delivers, read a few rows at a time, or the first error.
struct Decoded {
  FileError error;
  int width = 0;
  int height = 0;
  bool grey = false;
  bool hasAlpha = false;
  Bytes bgr;
  Bytes alpha;
};
Decoded ReadPhoto(const std::string& path);

// Streams a photo through its reader and writer unchanged, as Execute does.
FileError CopyPhoto(const std::string& source, const std::string& result,
                    const PhotoWriteOptions& options = {});

}  // namespace hosei::test
