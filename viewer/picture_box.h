#pragma once

#include <QWidget>

#include "file_error.h"
#include "picture_file.h"

namespace hosei {

// The viewer's picture area: the picture stretched over the whole area (zoom), or at its
// actual size from the top-left corner, cut off at the area's edges. It holds only what it
// can show: the picture reduced to about the screen's size, or the part of it at actual size
// that fits on the screen, read again from the file when the mode or a larger area needs more.
class PictureBox : public QWidget {
  Q_OBJECT

 public:
  explicit PictureBox(QWidget* parent = nullptr);

  // Reads the file as the mode and the area need it and shows it. A file that cannot be read
  // changes nothing.
  FileError showFile(const QString& path);
  // Shows no picture until the next one is read.
  void clear();
  // Switches between zoom and actual size, reading the picture on show again for the new
  // mode; when it cannot be read, nothing changes.
  FileError setStretch(bool stretch);
  bool stretch() const { return stretch_; }
  const ViewerPicture& picture() const { return picture_; }

 signals:
  void doubleClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  // The most pixels this area can show at once: its own size, or its screen's if larger.
  QSize largestView() const;
  FileError load(const QString& path, bool stretch);
  void loadForLargerArea();

  ViewerPicture picture_;
  bool stretch_ = true;
  bool reloadPending_ = false;
};

}  // namespace hosei
