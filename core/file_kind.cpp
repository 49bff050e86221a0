#include "file_kind.h"

#include "bitmap_source.h"
#include "photo_file.h"

namespace hosei {

FileError KindOfFile(const std::string& path, FileKind& kind, BitmapHeader* decoded) {
  FileDescriptor file;
  BitmapHeader header;
  std::uint64_t fileSize = 0;
  HeaderPrefix prefix{};
  if (FileError error = OpenBitmapHeader(path, file, header, fileSize, &prefix)) return error;
  if (decoded) *decoded = header;
  kind = FileKind::kOther;
  // A photo's signature decides first: the bitmap accept test reads only three bytes,
  // which a photo's own data can satisfy (a TIFF whose pixels follow its 8-byte header).
  if (const auto format = PhotoFormatOf(prefix)) {
    switch (*format) {
      case PhotoFormat::kJpeg:
        kind = FileKind::kJpeg;
        break;
      case PhotoFormat::kPng:
        kind = FileKind::kPng;
        break;
      case PhotoFormat::kTiff:
        kind = FileKind::kTiff;
        break;
      case PhotoFormat::kFits:
        kind = FileKind::kFits;
        break;
    }
  } else if (IsAccepted24BitBitmap(header)) {
    kind = FileKind::kBitmap;
  }
  return {};
}

bool IsPhoto(FileKind kind) {
  return kind == FileKind::kJpeg || kind == FileKind::kPng || kind == FileKind::kTiff ||
         kind == FileKind::kFits;
}

}  // namespace hosei
