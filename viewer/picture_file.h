#pragma once

#include <QImage>
#include <QString>

#include "file_error.h"

namespace hosei {

// Loads a bitmap through the program's own reader, so every file that Execute accepts can
// also be shown, whatever Qt's bitmap plug-in makes of its header.
FileError LoadPicture(const QString& path, QImage& picture);

// The message of a picture that cannot be shown, naming the file and the reason.
QString PictureFailureMessage(const FileError& error);

}  // namespace hosei
