#include "picture_box.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

namespace hosei {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

QSize PictureBox::largestView() const {
  const QScreen* shownOn = screen();
  return shownOn ? size().expandedTo(shownOn->availableGeometry().size()) : size();
}

FileError PictureBox::load(const QString& path, bool stretch) {
  ViewerPicture loaded;
  if (FileError error = LoadPicture(path, stretch, largestView(), loaded)) return error;
  picture_ = std::move(loaded);
  stretch_ = stretch;
  update();
  return {};
}

FileError PictureBox::showFile(const QString& path) { return load(path, stretch_); }

void PictureBox::clear() {
  picture_ = {};
  update();
}

FileError PictureBox::setStretch(bool stretch) {
  if (stretch_ == stretch) return {};
  if (!picture_.image.isNull()) return load(picture_.path, stretch);
  stretch_ = stretch;
  update();
  return {};
}

void PictureBox::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // Read once the resizes waiting in the queue are through: a dragged edge sends many.
  if (picture_.image.isNull() || picture_.covers(stretch_, largestView()) || reloadPending_) return;
  reloadPending_ = true;
  QTimer::singleShot(0, this, &PictureBox::loadForLargerArea);
}

// Showing less detail is better than a message in the middle of resizing: a picture that
// cannot be read again stays as it was.
void PictureBox::loadForLargerArea() {
  reloadPending_ = false;
  if (!picture_.image.isNull() && !picture_.covers(stretch_, largestView()))
    load(picture_.path, stretch_);
}

void PictureBox::paintEvent(QPaintEvent* /*event*/) {
  if (picture_.image.isNull()) return;
  const QImage& image = picture_.image;
  QPainter painter(this);
  if (!stretch_) {
    painter.drawImage(QPoint(0, 0), image);
    return;
  }
  // A reduced image's last column and row may stand for fewer dots than the others: it is
  // drawn as far as its whole blocks would reach, so every dot lands where it belongs in the
  // area and a guide circle meets the picture exactly.
  const QSize& whole = picture_.pictureSize;
  const QSize& block = picture_.dotsPerPixel;
  const QRectF target(
      0, 0, width() * (static_cast<double>(image.width()) * block.width()) / whole.width(),
      height() * (static_cast<double>(image.height()) * block.height()) / whole.height());
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, image);
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent* event) {
  emit doubleClicked();
  event->accept();
}

}  // namespace hosei
