#pragma once

#include <string>

#include "bitmap_header.h"
#include "file_error.h"

namespace hosei {

enum class FileKind { kBitmap, kJpeg, kPng, kTiff, kOther };

// What a file holds, told by its content alone. The bitmap accept test comes first and
// decides as it always has; a file it rejects may still be a photo. kOther is what both
// front ends reject with the bitmap message.
// The bitmap header as decoded is handed out too, when asked for.
FileError KindOfFile(const std::string& path, FileKind& kind, BitmapHeader* header = nullptr);

bool IsPhoto(FileKind kind);

}  // namespace hosei
