#pragma once

#include <tiffio.h>

#include <cstdint>
#include <vector>

namespace hosei {

// One tag's value as libtiff hands it out, kept so it can be handed to another file.
struct TiffTag {
  enum class Form { kText, kScalar, kFixedArray, kCounted16, kCounted32 };
  std::uint32_t tag = 0;
  TIFFDataType type = TIFF_NOTYPE;
  Form form = Form::kScalar;
  bool floating = false;  // held by libtiff as float or double
  int elementSize = 1;
  std::uint32_t count = 0;
  bool anonymous = false;  // unknown to libtiff: the result must be told of it first
  std::vector<std::uint8_t> bytes;
};

// The tags of the current directory that libtiff keeps as plain values (everything but
// the layout tags it manages itself), except pointers to other directories, which
// cannot be copied as values, and Photoshop's layer data, which holds the uncorrected
// picture. Rationals come as libtiff's float or double and go back through it.
std::vector<TiffTag> TakeTags(TIFF* tif);

// Sets them on the current directory of a TIFF being written; false if libtiff refuses one.
bool PutTags(TIFF* tif, const std::vector<TiffTag>& tags);

}  // namespace hosei
