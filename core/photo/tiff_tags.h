#pragma once

#include <tiffio.h>

#include <cstdint>
#include <vector>

namespace hosei {

// One tag's value as libtiff hands it out, kept so it can be handed to another file.
struct TiffTag {
  enum class Form {
    kText,
    kScalar,
    kFixedArray,
    kCounted16,
    kCounted32,
    kPair,    // two 16-bit values handed out one by one (PageNumber, HalftoneHints, DotRange)
    kCurves,  // TransferFunction: one curve of 256 entries per colour
  };
  std::uint32_t tag = 0;
  TIFFDataType type = TIFF_NOTYPE;
  Form form = Form::kScalar;
  bool floating = false;  // held by libtiff as float or double
  int elementSize = 1;
  std::uint32_t count = 0;
  bool anonymous = false;  // unknown to libtiff: the result must be told of it first
  std::vector<std::uint8_t> bytes;
};

// Whether a tag of a directory goes to the result as a value. Not so: the tags about how
// the pixels are stored, which the writer sets itself; pointers to other directories,
// which cannot be copied as values; Photoshop's layer data, which holds the uncorrected
// picture; the obsolete tags libtiff can neither read nor write; and entries of a type
// libtiff does not know. The EXIF and GPS directories number their tags apart from the
// picture's, so one list serves all three. `type` is the entry's as stored.
bool CarriedTag(std::uint32_t tag, std::uint32_t type);

// The carried tags of the current directory that libtiff holds, those in its list of
// custom tags and those it keeps in fields of its own. Rationals come as libtiff's float or
// double and go back through it.
std::vector<TiffTag> TakeTags(TIFF* tif);

// Sets them on the current directory of a TIFF being written; false if libtiff refuses one.
bool PutTags(TIFF* tif, const std::vector<TiffTag>& tags);

}  // namespace hosei
