#include "chosen_file.h"

#include <memory>

#include "bitmap_file.h"
#include "photo_file.h"

namespace hosei {

FileError CheckChosenFile(const std::string& path, ChosenPicture& picture) {
  BitmapHeader header;
  if (FileError error = ReadBitmapHeader(path, header)) return error;
  if (IsAccepted24BitBitmap(header)) {
    picture = {FileKind::kBitmap, static_cast<int>(header.width), static_cast<int>(header.height)};
    return {};
  }
  FileKind kind = FileKind::kOther;
  if (FileError error = KindOfFile(path, kind)) return error;
  if (!IsPhoto(kind)) return FileError{FileProblem::kNot24BitBitmap, path, {}};
  std::unique_ptr<PhotoReader> photo;
  if (FileError error = OpenPhoto(path, photo)) return error;
  picture = {kind, photo->width(), photo->height()};
  return {};
}

}  // namespace hosei
