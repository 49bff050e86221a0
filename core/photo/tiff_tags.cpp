#include "tiff_tags.h"

#include <algorithm>
#include <cstring>

namespace hosei {

namespace {

// ImageSourceData: Photoshop's layers, which readers that know them show instead of the
// (corrected) picture.
constexpr std::uint32_t kImageSourceData = 37724;

// The descriptive tags libtiff keeps in fields of its own rather than in its list of custom
// tags, each with the shape its TIFFGetField hands the value out in.
struct OwnField {
  std::uint32_t tag;
  TiffTag::Form form;
  int elementSize;
  bool floating = false;
  std::uint32_t count = 1;
};
constexpr OwnField kOwnFields[] = {
    {TIFFTAG_SUBFILETYPE, TiffTag::Form::kScalar, 4},
    {TIFFTAG_THRESHHOLDING, TiffTag::Form::kScalar, 2},
    // The bit order within bytes: libtiff reverses the bits as it reads and writes strips, so
    // carrying it keeps the file's order.
    {TIFFTAG_FILLORDER, TiffTag::Form::kScalar, 2},
    {TIFFTAG_ORIENTATION, TiffTag::Form::kScalar, 2},
    {TIFFTAG_MINSAMPLEVALUE, TiffTag::Form::kScalar, 2},
    {TIFFTAG_MAXSAMPLEVALUE, TiffTag::Form::kScalar, 2},
    {TIFFTAG_XRESOLUTION, TiffTag::Form::kScalar, 4, true},
    {TIFFTAG_YRESOLUTION, TiffTag::Form::kScalar, 4, true},
    {TIFFTAG_XPOSITION, TiffTag::Form::kScalar, 4, true},
    {TIFFTAG_YPOSITION, TiffTag::Form::kScalar, 4, true},
    {TIFFTAG_RESOLUTIONUNIT, TiffTag::Form::kScalar, 2},
    {TIFFTAG_PAGENUMBER, TiffTag::Form::kPair, 2},
    {TIFFTAG_HALFTONEHINTS, TiffTag::Form::kPair, 2},
    {TIFFTAG_TRANSFERFUNCTION, TiffTag::Form::kCurves, 2},
    {TIFFTAG_SMINSAMPLEVALUE, TiffTag::Form::kScalar, 8, true},
    {TIFFTAG_SMAXSAMPLEVALUE, TiffTag::Form::kScalar, 8, true},
    {TIFFTAG_YCBCRPOSITIONING, TiffTag::Form::kScalar, 2},
    {TIFFTAG_REFERENCEBLACKWHITE, TiffTag::Form::kFixedArray, 4, true, 6},
};

bool IsFloating(TIFFDataType type) {
  return type == TIFF_FLOAT || type == TIFF_DOUBLE || type == TIFF_RATIONAL ||
         type == TIFF_SRATIONAL;
}

bool TakeScalar(TIFF* tif, TiffTag& tag) {
  union {
    std::uint8_t u8;
    std::uint16_t u16;
    std::uint32_t u32;
    std::uint64_t u64;
    float f;
    double d;
  } value{};
  int got = 0;
  switch (tag.elementSize) {
    case 1:
      got = TIFFGetField(tif, tag.tag, &value.u8);
      break;
    case 2:
      got = TIFFGetField(tif, tag.tag, &value.u16);
      break;
    case 4:
      got = tag.floating ? TIFFGetField(tif, tag.tag, &value.f)
                         : TIFFGetField(tif, tag.tag, &value.u32);
      break;
    case 8:
      got = tag.floating ? TIFFGetField(tif, tag.tag, &value.d)
                         : TIFFGetField(tif, tag.tag, &value.u64);
      break;
    default:
      return false;
  }
  if (!got) return false;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
  tag.bytes.assign(bytes, bytes + tag.elementSize);
  tag.count = 1;
  return true;
}

bool TakePair(TIFF* tif, TiffTag& tag) {
  std::uint16_t pair[2] = {};
  if (!TIFFGetField(tif, tag.tag, &pair[0], &pair[1])) return false;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(pair);
  tag.form = TiffTag::Form::kPair;
  tag.elementSize = 2;
  tag.count = 2;
  tag.bytes.assign(bytes, bytes + sizeof pair);
  return true;
}

bool Take(TIFF* tif, const TIFFField* field, TiffTag& tag) {
  tag.tag = TIFFFieldTag(field);
  tag.type = TIFFFieldDataType(field);
  tag.floating = IsFloating(tag.type);
  tag.elementSize = TIFFFieldSetGetSize(field);
  tag.anonymous = TIFFFieldIsAnonymous(field) != 0;
  const int readCount = TIFFFieldReadCount(field);
  const void* data = nullptr;
  // The one custom tag libtiff hands out as two values rather than an array.
  if (tag.tag == TIFFTAG_DOTRANGE && !tag.anonymous) return TakePair(tif, tag);
  if (TIFFFieldPassCount(field)) {
    if (TIFFFieldSetGetCountSize(field) == 2) {
      std::uint16_t count = 0;
      if (!TIFFGetField(tif, tag.tag, &count, &data)) return false;
      tag.form = TiffTag::Form::kCounted16;
      tag.count = count;
    } else {
      std::uint32_t count = 0;
      if (!TIFFGetField(tif, tag.tag, &count, &data)) return false;
      tag.form = TiffTag::Form::kCounted32;
      tag.count = count;
    }
  } else if (tag.type == TIFF_ASCII) {
    const char* text = nullptr;
    if (!TIFFGetField(tif, tag.tag, &text) || !text) return false;
    tag.form = TiffTag::Form::kText;
    tag.elementSize = 1;
    tag.bytes.assign(text, text + std::strlen(text));
    // A text of fixed length (an EXIF date) cut short by an early NUL is padded with spaces,
    // as EXIF pads unknown parts of a date: libtiff writes texts up to their NUL only, and
    // ignores a fixed-length one that comes out shorter.
    if (readCount > 1 && tag.bytes.size() + 1 < static_cast<std::size_t>(readCount))
      tag.bytes.resize(static_cast<std::size_t>(readCount) - 1, ' ');
    tag.bytes.push_back(0);
    tag.count = static_cast<std::uint32_t>(tag.bytes.size());
    return true;
  } else if (readCount == 1) {
    tag.form = TiffTag::Form::kScalar;
    return TakeScalar(tif, tag);
  } else if (readCount > 1) {
    if (!TIFFGetField(tif, tag.tag, &data)) return false;
    tag.form = TiffTag::Form::kFixedArray;
    tag.count = static_cast<std::uint32_t>(readCount);
  } else {
    return false;
  }
  // A tag without values carries nothing, and libtiff refuses to write one.
  if (tag.elementSize < 1 || tag.count == 0 || !data) return false;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  tag.bytes.assign(bytes, bytes + static_cast<std::size_t>(tag.count) * tag.elementSize);
  return true;
}

// One of libtiff's own fields, when the current directory has it.
bool TakeOwn(TIFF* tif, const OwnField& own, TiffTag& tag) {
  tag.tag = own.tag;
  tag.form = own.form;
  tag.elementSize = own.elementSize;
  tag.floating = own.floating;
  tag.count = own.count;
  switch (own.form) {
    case TiffTag::Form::kScalar:
      return TakeScalar(tif, tag);
    case TiffTag::Form::kPair:
      return TakePair(tif, tag);
    case TiffTag::Form::kFixedArray: {
      const void* data = nullptr;
      if (!TIFFGetField(tif, own.tag, &data) || !data) return false;
      const auto* bytes = static_cast<const std::uint8_t*>(data);
      tag.bytes.assign(bytes, bytes + std::size_t{own.count} * own.elementSize);
      return true;
    }
    case TiffTag::Form::kCurves: {
      // One curve for grey, three for colour: libtiff hands out as many as there are colours.
      const std::uint16_t* curves[3] = {};
      if (!TIFFGetField(tif, own.tag, &curves[0], &curves[1], &curves[2]) || !curves[0])
        return false;
      std::uint16_t bits = 8;
      TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
      if (bits > 16) return false;
      const std::size_t entries = std::size_t{1} << bits;
      tag.count = curves[1] && curves[2] ? 3 : 1;
      for (std::uint32_t c = 0; c < tag.count; ++c) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(curves[c]);
        tag.bytes.insert(tag.bytes.end(), bytes, bytes + entries * sizeof(std::uint16_t));
      }
      return true;
    }
    default:
      return false;
  }
}

int PutScalar(TIFF* tif, const TiffTag& tag) {
  std::uint8_t raw[8] = {};
  std::memcpy(raw, tag.bytes.data(), std::min<std::size_t>(sizeof raw, tag.bytes.size()));
  switch (tag.elementSize) {
    case 1:
      return TIFFSetField(tif, tag.tag, static_cast<int>(raw[0]));
    case 2: {
      std::uint16_t v;
      std::memcpy(&v, raw, sizeof v);
      return TIFFSetField(tif, tag.tag, static_cast<int>(v));
    }
    case 4: {
      if (tag.floating) {
        float v;
        std::memcpy(&v, raw, sizeof v);
        return TIFFSetField(tif, tag.tag, static_cast<double>(v));
      }
      std::uint32_t v;
      std::memcpy(&v, raw, sizeof v);
      return TIFFSetField(tif, tag.tag, v);
    }
    case 8: {
      if (tag.floating) {
        double v;
        std::memcpy(&v, raw, sizeof v);
        return TIFFSetField(tif, tag.tag, v);
      }
      std::uint64_t v;
      std::memcpy(&v, raw, sizeof v);
      return TIFFSetField(tif, tag.tag, v);
    }
    default:
      return 0;
  }
}

int Put(TIFF* tif, const TiffTag& tag) {
  const void* data = tag.bytes.data();
  switch (tag.form) {
    case TiffTag::Form::kText:
      return TIFFSetField(tif, tag.tag, static_cast<const char*>(data));
    case TiffTag::Form::kScalar:
      return PutScalar(tif, tag);
    case TiffTag::Form::kFixedArray:
      return TIFFSetField(tif, tag.tag, data);
    case TiffTag::Form::kCounted16:
      return TIFFSetField(tif, tag.tag, static_cast<int>(tag.count), data);
    case TiffTag::Form::kCounted32:
      return TIFFSetField(tif, tag.tag, tag.count, data);
    case TiffTag::Form::kPair: {
      std::uint16_t pair[2];
      std::memcpy(pair, data, sizeof pair);
      return TIFFSetField(tif, tag.tag, static_cast<int>(pair[0]), static_cast<int>(pair[1]));
    }
    case TiffTag::Form::kCurves: {
      // The result has the source's colours, so libtiff takes as many curves as were given.
      const auto* first = static_cast<const std::uint16_t*>(data);
      const std::size_t entries = tag.bytes.size() / sizeof(std::uint16_t) / tag.count;
      const std::uint16_t* last = tag.count == 3 ? first + 2 * entries : first;
      return TIFFSetField(tif, tag.tag, first, tag.count == 3 ? first + entries : first, last);
    }
  }
  return 0;
}

}  // namespace

bool CarriedTag(std::uint32_t tag, std::uint32_t type) {
  // Values of the types libtiff knows, less pointers to other directories (IFD, IFD8): an
  // entry of a type it does not know is skipped, as TIFF asks of readers.
  const bool value =
      (type >= TIFF_BYTE && type <= TIFF_DOUBLE) || type == TIFF_LONG8 || type == TIFF_SLONG8;
  if (!value) return false;
  switch (tag) {
    // How the pixels are stored.
    case TIFFTAG_IMAGEWIDTH:
    case TIFFTAG_IMAGELENGTH:
    case TIFFTAG_BITSPERSAMPLE:
    case TIFFTAG_COMPRESSION:
    case TIFFTAG_PHOTOMETRIC:
    case TIFFTAG_STRIPOFFSETS:
    case TIFFTAG_SAMPLESPERPIXEL:
    case TIFFTAG_ROWSPERSTRIP:
    case TIFFTAG_STRIPBYTECOUNTS:
    case TIFFTAG_PLANARCONFIG:
    case TIFFTAG_FREEOFFSETS:
    case TIFFTAG_FREEBYTECOUNTS:
    case TIFFTAG_T4OPTIONS:
    case TIFFTAG_T6OPTIONS:
    case TIFFTAG_PREDICTOR:
    case TIFFTAG_COLORMAP:
    case TIFFTAG_TILEWIDTH:
    case TIFFTAG_TILELENGTH:
    case TIFFTAG_TILEOFFSETS:
    case TIFFTAG_TILEBYTECOUNTS:
    case TIFFTAG_INKNAMES:
    case TIFFTAG_NUMBEROFINKS:
    case TIFFTAG_EXTRASAMPLES:
    case TIFFTAG_SAMPLEFORMAT:
    case TIFFTAG_JPEGTABLES:
    case TIFFTAG_YCBCRSUBSAMPLING:
    case TIFFTAG_STRIPROWCOUNTS:
    case TIFFTAG_MATTEING:
    case TIFFTAG_DATATYPE:
    case TIFFTAG_IMAGEDEPTH:
    case TIFFTAG_TILEDEPTH:
    // Pointers to other directories.
    case TIFFTAG_SUBIFD:
    case TIFFTAG_EXIFIFD:
    case TIFFTAG_GPSIFD:
    case TIFFTAG_INTEROPERABILITYIFD:
    case kImageSourceData:
    // libtiff 4.5 drops these as it reads and refuses to set them.
    case TIFFTAG_OSUBFILETYPE:
    case TIFFTAG_GRAYRESPONSEUNIT:
    case TIFFTAG_GRAYRESPONSECURVE:
    case TIFFTAG_COLORRESPONSEUNIT:
      return false;
    default:
      return true;
  }
}

std::vector<TiffTag> TakeTags(TIFF* tif) {
  std::vector<TiffTag> tags;
  std::vector<std::uint32_t> custom;
  const int count = TIFFGetTagListCount(tif);
  for (int i = 0; i < count; ++i) {
    const TIFFField* field = TIFFFieldWithTag(tif, TIFFGetTagListEntry(tif, i));
    if (!field) continue;
    custom.push_back(TIFFFieldTag(field));
    if (!CarriedTag(TIFFFieldTag(field), TIFFFieldDataType(field))) continue;
    TiffTag tag;
    if (Take(tif, field, tag)) tags.push_back(std::move(tag));
  }
  // A custom tag of the same number (an unknown tag in an EXIF directory, say) would be
  // handed out in another shape.
  std::sort(custom.begin(), custom.end());
  for (const OwnField& own : kOwnFields) {
    if (std::binary_search(custom.begin(), custom.end(), own.tag)) continue;
    TiffTag tag;
    if (TakeOwn(tif, own, tag)) tags.push_back(std::move(tag));
  }
  return tags;
}

bool PutTags(TIFF* tif, const std::vector<TiffTag>& tags) {
  // The unknown tags are told all at once: libtiff sorts its whole table of tags after each
  // telling.
  static char kName[] = "carried tag";
  std::vector<TIFFFieldInfo> unknown;
  for (const TiffTag& tag : tags)
    if (tag.anonymous && !TIFFFindField(tif, tag.tag, TIFF_ANY))
      unknown.push_back(
          {tag.tag, TIFF_VARIABLE2, TIFF_VARIABLE2, tag.type, FIELD_CUSTOM, 1, 1, kName});
  if (!unknown.empty() &&
      TIFFMergeFieldInfo(tif, unknown.data(), static_cast<std::uint32_t>(unknown.size())) != 0)
    return false;
  for (const TiffTag& tag : tags)
    if (!Put(tif, tag)) return false;
  return true;
}

}  // namespace hosei
