#include "picture_file.h"

#include <algorithm>
#include <memory>
#include <new>

#include "deep_rows.h"
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

// A deep picture's bytes for the screen, rounded as the readers round them.
QImage BytesOf(const DeepTopDownPicture& deep) {
  QImage image(deep.width, deep.height, QImage::Format_BGR888);
  if (image.isNull()) return image;
  for (int y = 0; y < deep.height; ++y)
    ReduceToBytes(deep.row(y), 3 * static_cast<std::size_t>(deep.width), image.scanLine(y));
  return image;
}

std::shared_ptr<const std::uint8_t[]> AlphaBytesOf(const DeepTopDownPicture& deep) {
  if (deep.alpha.empty()) return nullptr;
  std::shared_ptr<std::uint8_t[]> bytes(new (std::nothrow) std::uint8_t[deep.alpha.size()]);
  if (bytes) ReduceToBytes(deep.alpha.data(), deep.alpha.size(), bytes.get());
  return bytes;
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
  auto deep = std::make_shared<DeepTopDownPicture>();
  Reduction reduction;
  const PictureSize wanted{area.width(), area.height()};
  FileError error = OpenPictureReader(file, reader);
  const bool isDeep = !error && IsDeep(reader->sampleType());
  if (!error) {
    // Where the region would reach past the picture's right or bottom edge it starts
    // further in, so a view at the far corner is held whole.
    origin = QPoint(std::clamp(origin.x(), 0, std::max(reader->width() - area.width(), 0)),
                    std::clamp(origin.y(), 0, std::max(reader->height() - area.height(), 0)));
    const auto read = [&](auto& into) {
      return zoom ? ReadReducedPicture(*reader, wanted, into, reduction, true)
                  : ReadRegion(*reader, origin.x(), origin.y(), wanted, into, true);
    };
    error = isDeep ? read(*deep) : read(rows);
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
  if (isDeep) {
    loaded.image = BytesOf(*deep);
    loaded.alpha = AlphaBytesOf(*deep);
    if (loaded.image.isNull() || (!deep->alpha.empty() && !loaded.alpha))
      return FileError{FileProblem::kOutOfMemory, file, {}};
    loaded.deep = std::move(deep);
  } else {
    loaded.alpha = std::shared_ptr<const std::uint8_t[]>(std::move(rows.alpha));
    loaded.image = AdoptRows(rows);
  }
  picture = std::move(loaded);
  return {};
}

QString PictureFailureMessage(const FileError& error) {
  return QStringLiteral("画像を表示できません\n") +
         QString::fromStdString(DescribeFileError(error));
}

}  // namespace hosei
