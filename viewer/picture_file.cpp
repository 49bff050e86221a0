#include "picture_file.h"

#include <algorithm>
#include <memory>

#include "picture_preview.h"
#include "picture_reader.h"
#include "problem_texts.h"

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

bool ViewerPicture::holds(const QRect& view) const {
  if (image.isNull() || reduced) return false;
  const QRect wanted = view & QRect(QPoint(0, 0), pictureSize);
  return QRect(origin, image.size()).contains(wanted);
}

FileError LoadPicture(const QString& path, bool zoom, QSize area, ViewerPicture& picture,
                      QPoint origin) {
  const std::string file = path.toStdString();
  std::unique_ptr<PictureReader> reader;
  TopDownPicture rows;
  Reduction reduction;
  const PictureSize wanted{area.width(), area.height()};
  FileError error = OpenPictureReader(file, reader);
  if (!error) {
    // Where the region would reach past the picture's right or bottom edge it starts
    // further in, so a view at the far corner is held whole.
    origin = QPoint(std::clamp(origin.x(), 0, std::max(reader->width() - area.width(), 0)),
                    std::clamp(origin.y(), 0, std::max(reader->height() - area.height(), 0)));
    error = zoom ? ReadReducedPicture(*reader, wanted, rows, reduction, true)
                 : ReadRegion(*reader, origin.x(), origin.y(), wanted, rows, true);
  }
  if (error) {
    if (error.path.empty()) error.path = file;
    return error;
  }
  ViewerPicture loaded;
  loaded.path = path;
  loaded.pictureSize = QSize(reader->width(), reader->height());
  loaded.dotsPerPixel = QSize(reduction.x, reduction.y);
  loaded.origin = zoom ? QPoint() : origin;
  loaded.reduced = zoom;
  loaded.sampleType = reader->sampleType();
  loaded.alpha = std::shared_ptr<const std::uint8_t[]>(std::move(rows.alpha));
  loaded.image = AdoptRows(rows);
  picture = std::move(loaded);
  return {};
}

QString PictureFailureMessage(const FileError& error) {
  return QStringLiteral("画像を表示できません\n") +
         QString::fromStdString(DescribeFileError(error));
}

}  // namespace hosei
