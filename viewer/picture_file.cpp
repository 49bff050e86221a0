#include "picture_file.h"

#include <cstring>

#include "bitmap_file.h"

namespace hosei {

FileError LoadPicture(const QString& path, QImage& picture) {
  BitmapImage bitmap;
  if (FileError error = ReadBitmapFile(path.toStdString(), bitmap)) return error;
  const int width = static_cast<int>(bitmap.header.width);
  const int height = static_cast<int>(bitmap.header.height);
  QImage image(width, height, QImage::Format_BGR888);
  if (image.isNull()) return FileError{FileProblem::kOutOfMemory, path.toStdString(), {}};
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  // Stored rows run from the bottom of the picture up; screen rows from the top down.
  for (int y = 0; y < height; ++y)
    std::memcpy(image.scanLine(y), bitmap.pixels.row(static_cast<std::size_t>(height - 1 - y)),
                rowBytes);
  picture = std::move(image);
  return {};
}

QString PictureFailureMessage(const FileError& error) {
  return QStringLiteral("画像を表示できません\n") +
         QString::fromStdString(DescribeFileError(error));
}

}  // namespace hosei
