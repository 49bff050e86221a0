#include "picture_file.h"

#include <algorithm>
#include <memory>

#include "picture_preview.h"
#include "picture_reader.h"

namespace hosei {

namespace {

// The image takes over the rows as they are, top-down with four-byte aligned rows, and
// frees them when its last copy goes.
QImage AdoptRows(TopDownPicture& picture) {
  std::uint8_t* rows = picture.bytes.release();
  return QImage(
      rows, picture.width, picture.height, static_cast<qsizetype>(picture.stride),
      QImage::Format_BGR888, [](void* bytes) { delete[] static_cast<std::uint8_t*>(bytes); }, rows);
}

}  // namespace

bool ViewerPicture::covers(bool zoom, QSize area) const {
  return !image.isNull() && reduced == zoom &&
         image.width() >= std::min(area.width(), pictureSize.width()) &&
         image.height() >= std::min(area.height(), pictureSize.height());
}

FileError LoadPicture(const QString& path, bool zoom, QSize area, ViewerPicture& picture) {
  const std::string file = path.toStdString();
  std::unique_ptr<PictureReader> reader;
  TopDownPicture rows;
  Reduction reduction;
  const PictureSize wanted{area.width(), area.height()};
  FileError error = OpenPictureReader(file, reader);
  if (!error)
    error = zoom ? ReadReducedPicture(*reader, wanted, rows, reduction)
                 : ReadTopLeftRegion(*reader, wanted, rows);
  if (error) {
    if (error.path.empty()) error.path = file;
    return error;
  }
  ViewerPicture loaded;
  loaded.path = path;
  loaded.pictureSize = QSize(reader->width(), reader->height());
  loaded.dotsPerPixel = QSize(reduction.x, reduction.y);
  loaded.reduced = zoom;
  loaded.image = AdoptRows(rows);
  picture = std::move(loaded);
  return {};
}

QString PictureFailureMessage(const FileError& error) {
  return QStringLiteral("画像を表示できません\n") +
         QString::fromStdString(DescribeFileError(error));
}

}  // namespace hosei
