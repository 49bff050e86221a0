#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <cstdint>
#include <memory>

#include "file_error.h"
#include "picture_preview.h"
#include "sample_type.h"

namespace hosei {

// What the viewer holds of a picture file: never more than the screen can show, so a
// picture of any size can be viewed.
struct ViewerPicture {
  QString path;
  // Blue, green, red bytes (a deeper picture reduced to them for the screen).
  QImage image;
  // A deep picture's samples behind `image`, at 16 bits, for the preview and the stretch to
  // work on the levels between two bytes; null for an 8-bit picture.
  std::shared_ptr<const DeepTopDownPicture> deep;
  // The opacity of each pixel of `image`, image.width() bytes a row; null without alpha.
  std::shared_ptr<const std::uint8_t[]> alpha;
  // The whole picture, in dots.
  QSize pictureSize;
  // Dots of the picture per pixel of the image along each axis: 1 × 1 at actual size.
  QSize dotsPerPixel{1, 1};
  // The dot the image's top-left pixel stands for, counted from the picture's top-left
  // corner: the start of the part held at actual size, 0, 0 for a reduced picture.
  QPoint origin;
  // The whole picture reduced for zoom mode, or a part of it at actual size.
  bool reduced = false;
  // How the file stores its samples: a deep picture is corrected at its own depth.
  SampleType sampleType = SampleType::kUint8;

  // True when the image shows all the detail an area of `area` pixels can, in zoom mode or
  // at actual size.
  bool covers(bool zoom, QSize area) const;
  // At actual size: true when the image holds every dot of `view` (in dots from the top-left
  // corner) that lies within the picture.
  bool holds(const QRect& view) const;
};

// Reads a picture through the program's own readers, so every file that Execute accepts
// can also be shown, whatever Qt's plug-ins make of it. In zoom mode the whole picture is
// read, reduced to no fewer pixels than `area` along each axis; at actual size only the
// `area` dots large part whose top-left dot is `origin` (both cut to the picture).
FileError LoadPicture(const QString& path, bool zoom, QSize area, ViewerPicture& picture,
                      QPoint origin = {});

// The message of a picture that cannot be shown, naming the file and the reason.
QString PictureFailureMessage(const FileError& error);

}  // namespace hosei
