#include "tiff_tags.h"

#include <algorithm>
#include <cstring>

namespace hosei {

namespace {

// ImageSourceData: Photoshop's layers, which readers that know them show instead of the
// (corrected) picture.
constexpr std::uint32_t kImageSourceData = 37724;

bool Skipped(std::uint32_t tag, TIFFDataType type) {
  return type == TIFF_IFD || type == TIFF_IFD8 || tag == TIFFTAG_EXIFIFD || tag == TIFFTAG_GPSIFD ||
         tag == TIFFTAG_INTEROPERABILITYIFD || tag == TIFFTAG_SUBIFD || tag == kImageSourceData;
}

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

bool Take(TIFF* tif, const TIFFField* field, TiffTag& tag) {
  tag.tag = TIFFFieldTag(field);
  tag.type = TIFFFieldDataType(field);
  tag.floating = IsFloating(tag.type);
  tag.elementSize = TIFFFieldSetGetSize(field);
  tag.anonymous = TIFFFieldIsAnonymous(field) != 0;
  const int readCount = TIFFFieldReadCount(field);
  const void* data = nullptr;
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
  }
  return 0;
}

}  // namespace

std::vector<TiffTag> TakeTags(TIFF* tif) {
  std::vector<TiffTag> tags;
  const int count = TIFFGetTagListCount(tif);
  for (int i = 0; i < count; ++i) {
    const TIFFField* field = TIFFFieldWithTag(tif, TIFFGetTagListEntry(tif, i));
    if (!field || Skipped(TIFFFieldTag(field), TIFFFieldDataType(field))) continue;
    TiffTag tag;
    if (Take(tif, field, tag)) tags.push_back(std::move(tag));
  }
  return tags;
}

bool PutTags(TIFF* tif, const std::vector<TiffTag>& tags) {
  for (const TiffTag& tag : tags) {
    if (tag.anonymous && !TIFFFindField(tif, tag.tag, TIFF_ANY)) {
      static char kName[] = "carried tag";
      const TIFFFieldInfo info = {
          tag.tag, TIFF_VARIABLE2, TIFF_VARIABLE2, tag.type, FIELD_CUSTOM, 1, 1, kName};
      if (TIFFMergeFieldInfo(tif, &info, 1) != 0) return false;
    }
    if (!Put(tif, tag)) return false;
  }
  return true;
}

}  // namespace hosei
