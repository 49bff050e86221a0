#include "chosen_file.h"

#include <memory>

#include "photo_file.h"

namespace hosei {

FileError CheckChosenFile(const std::string& path, ChosenPicture& picture) {
  BitmapHeader header;
  FileKind kind = FileKind::kOther;
  if (FileError error = KindOfFile(path, kind, &header)) return error;
  if (kind == FileKind::kBitmap) {
    picture = {kind, static_cast<int>(header.width), static_cast<int>(header.height)};
    return {};
  }
  if (!IsPhoto(kind)) return FileError{FileProblem::kNot24BitBitmap, path, {}};
  std::unique_ptr<PhotoReader> photo;
  if (FileError error = OpenPhoto(path, photo)) return error;
  picture = {kind, photo->width(), photo->height()};
  return {};
}

}  // namespace hosei
