#pragma once

#include <string>

#include "bitmap_header.h"
#include "file_error.h"

namespace hosei {

enum class FileKind { kBitmap, kJpeg, kPng, kTiff, kFits, kOther };

// What a file holds, told by its content alone. A file that starts with a photo
// signature is a photo and never a bitmap; every other file is decided by the bitmap
// accept test as it always has been. kOther is what both front ends reject with the
// bitmap message.
// The bitmap header as decoded is handed out too, when asked for.
FileError KindOfFile(const std::string& path, FileKind& kind, BitmapHeader* header = nullptr);

bool IsPhoto(FileKind kind);

}  // namespace hosei
