#pragma once

// Deep photos for the photo tests alone (the fuzz build takes photo_test_support without
// gtest or cfitsio): 16-bit and float pictures, FITS files written through cfitsio, and the
// checks the PNG, TIFF and FITS tests share.

#include <functional>
#include <string>
#include <vector>

#include "parameters.h"
#include "photo_test_support.h"

namespace hosei::test {

// A picture as PNG and TIFF store it: top row first, `channels` samples a pixel, each in
// host byte order; 8-bit ones too, for the tables that take every depth.
struct DeepPicture {
  int width = 0;
  int height = 0;
  int channels = 3;
  SampleType type = SampleType::kUint16;
  Bytes samples;

  Bytes bgr(bool minIsWhite = false) const;  // what a reader must deliver at this depth
  Bytes alpha() const;                       // empty without alpha
};
// 16-bit samples over the whole range, so that both bytes carry information; floats over
// 0..1 at 24 bits, 0 and 1 themselves among them.
DeepPicture RandomDeepPicture(int width, int height, int channels, SampleType type, unsigned seed);
// A grey ramp squared, so that many samples lie below one level of 255: through 8 bits they
// would all come out black.
DeepPicture DeepRamp(int side, SampleType type);

// 16-bit samples, most significant byte first, with `layout`'s colour type, interlace and
// chunks.
void WriteDeepPng(const std::string& path, const DeepPicture& picture, PngLayout layout = {});
// At the picture's depth and sample format, whatever `layout` says of them.
TiffLayout AtDepth(TiffLayout layout, SampleType type);
void WriteDeepTiff(const std::string& path, const DeepPicture& picture,
                   const TiffLayout& layout = {});

// A FITS file written through cfitsio. Sample `plane` (0 red, 1 green, 2 blue) of column x
// of the `row`th stored row (from 1) holds sample(x, row, plane).
struct FitsLayout {
  int bitpix = 16;  // 16 is written unsigned, with BZERO 32768, unless signedShorts
  int planes = 3;   // 1 writes NAXIS 2, any other NAXIS 3 with NAXIS3 = planes
  int width = 7;
  int height = 5;
  bool topDown = false;
  std::vector<std::string> cards{};                                   // after cfitsio's own
  std::function<double(int x, int row, int plane)> sample = nullptr;  // by bitpix when null
  bool signedShorts = false;
  bool extensions = false;  // an image extension and a binary table after the picture
  bool tileCompressed = false;
};
double SampleOf(const FitsLayout& layout, int x, int row, int plane);
void CheckFits(int status, const char* what);  // throws cfitsio's words for a failed status
void WriteFits(const std::string& path, const FitsLayout& layout);

// Every sample of a photo as it reads at its depth (and reduced to bytes in turn, for a deep
// one), and its copy through CopyPhoto reading back the same.
void ExpectDeepRoundTrip(const std::string& source, const std::string& result, SampleType type,
                         int channels, const Bytes& bgr, const Bytes& alpha);
// A deep photo's rows as read, corrected one by one by DeepCorrector at the photo's depth.
Bytes CorrectedDirectly(const std::string& path, const Parameters& parameters);

}  // namespace hosei::test
