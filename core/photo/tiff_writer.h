#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "file_error.h"
#include "photo_file.h"
#include "sample_type.h"
#include "tiff_tags.h"

namespace hosei {

// Everything about the source's storage that its result keeps.
struct TiffPlan {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  bool bigEndian = false;
  SampleType sampleType = SampleType::kUint8;   // 8 or 16-bit unsigned integers, 32-bit floats
  std::uint16_t photometric = PHOTOMETRIC_RGB;  // RGB, MinIsBlack or MinIsWhite
  int channels = 3;                             // colour channels and the alpha, if any
  std::uint16_t extraSample = EXTRASAMPLE_UNASSALPHA;  // what the alpha is
  std::uint16_t compression = COMPRESSION_NONE;
  std::uint16_t predictor = 0;     // 0: none recorded
  std::uint32_t rowsPerStrip = 0;  // 0: the source was tiled; libtiff's default is used
  bool storedRows = false;         // rows come as stored, for strips written as they are
  std::vector<TiffTag> tags;       // of the picture's directory
  std::vector<TiffTag> exif;       // of the EXIF directory
  std::vector<TiffTag> gps;        // of the GPS directory
};

// Writes strips at the source's depth with its compression and predictor; the EXIF and GPS
// directories go first, before the picture, so the file is written front to back. Rows come
// through writeRows for an 8-bit source and writeDeepRows for a deeper one, never the other,
// or through placeStoredRows and writeStoredRowsAt when the plan says they come as stored.
FileError CreateTiffWriter(const TiffPlan& plan, const std::string& sourcePath, int fd,
                           const std::string& path, std::unique_ptr<PhotoWriter>& writer);

}  // namespace hosei
