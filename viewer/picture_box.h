#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <functional>

#include "file_error.h"
#include "picture_file.h"

namespace hosei {

// The viewer's picture area: the picture stretched over the whole area (zoom), or at its
// actual size, cut off at the area's edges and moved about by dragging it, by the wheel
// (with Shift, sideways) and by panBy. It holds only what it can show: the picture reduced
// to about the screen's size, or at actual size the part in view and a margin around it,
// read again from the file when the mode, a larger area or a view past the margin needs more.
class PictureBox : public QWidget {
  Q_OBJECT

 public:
  // What is drawn of the held picture: its own bytes, or those changed for the eye (a
  // preview of the correction, a stretched display). The same layout, blue, green, red.
  // Only `part` of the held image need be changed, the rest can be on show only after the
  // look is drawn again.
  using Look = std::function<QImage(const ViewerPicture&, const QRect& part)>;

  explicit PictureBox(QWidget* parent = nullptr);

  // Reads the file as the mode and the area need it and shows it. A file that cannot be read
  // changes nothing. A new file is shown from its top-left corner.
  FileError showFile(const QString& path);
  // Shows no picture until the next one is read.
  void clear();
  // Switches between zoom and actual size, reading the picture on show again for the new
  // mode; when it cannot be read, nothing changes.
  FileError setStretch(bool stretch);
  bool stretch() const { return stretch_; }
  const ViewerPicture& picture() const { return picture_; }
  // What is drawn now, before any alpha is laid over the checkerboard.
  const QImage& shownImage() const { return shown_; }

  void setLook(Look look);
  // Draws the held picture through the look again, after something it depends on changed.
  void refreshLook();

  // At actual size: the dot at the area's top-left corner, counted from the picture's
  // top-left corner. Moves keep the area within the picture where it is smaller.
  QPoint viewOrigin() const { return viewOrigin_; }
  void panTo(QPoint origin);
  void panBy(QPoint dots) { panTo(viewOrigin_ + dots); }

 signals:
  void doubleClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  // The most pixels this area can show at once: its own size, or its screen's if larger.
  QSize largestView() const;
  // The dots in view at actual size.
  QRect view() const { return QRect(viewOrigin_, size()); }
  // The pixels of the held image in view, at actual size; all of them in zoom mode.
  QRect heldInView() const;
  FileError load(const QString& path, bool stretch);
  void reloadWhenSettled();
  void loadForLargerArea();
  void drawPicture();
  // At actual size, reads the picture again, or draws its look again, where the view has
  // moved or grown past what was done for it.
  void followView();

  ViewerPicture picture_;
  Look look_;
  QImage shown_;       // the held picture through the look
  QImage composited_;  // shown_ over its alpha, where the picture has one
  QRect lookedAt_;     // the part of the held image the look was drawn for
  bool stretch_ = true;
  bool reloadPending_ = false;
  QPoint viewOrigin_;
  // Where the left button went down in a drag, and the view origin then.
  std::optional<QPoint> dragStart_;
  QPoint dragOrigin_;
};

}  // namespace hosei
