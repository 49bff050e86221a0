#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include "file_error.h"

namespace hosei {

// What the viewer holds of a picture file: never more than the screen can show, so a
// picture of any size can be viewed.
struct ViewerPicture {
  QString path;
  QImage image;
  // The whole picture, in dots.
  QSize pictureSize;
  // Dots of the picture per pixel of the image along each axis: 1 × 1 at actual size.
  QSize dotsPerPixel{1, 1};
  // The whole picture reduced for zoom mode, or its top-left part at actual size.
  bool reduced = false;

  // True when the image shows all the detail an area of `area` pixels can, in zoom mode or
  // at actual size.
  bool covers(bool zoom, QSize area) const;
};

// Reads a picture through the program's own readers, so every file that Execute accepts
// can also be shown, whatever Qt's plug-ins make of it. In zoom mode the whole picture is
// read, reduced to no fewer pixels than `area` along each axis; at actual size only its
// top-left `area`.
FileError LoadPicture(const QString& path, bool zoom, QSize area, ViewerPicture& picture);

// The message of a picture that cannot be shown, naming the file and the reason.
QString PictureFailureMessage(const FileError& error);

}  // namespace hosei
