#include "picture_box.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "checkerboard.h"

namespace hosei {

namespace {

// One notch of the wheel moves the view by a grid cell of the guide lines.
constexpr double kDotsPerWheelNotch = 100.0;
constexpr double kWheelNotch = 120.0;  // Qt's angle delta of one notch

}  // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

QSize PictureBox::largestView() const {
  const QScreen* shownOn = screen();
  return shownOn ? size().expandedTo(shownOn->availableGeometry().size()) : size();
}

// At actual size the part read is twice the largest view each way, centred on the view, so
// the view can move by half a screen before the file is read again.
FileError PictureBox::load(const QString& path, bool stretch) {
  const QSize largest = largestView();
  const QSize area = stretch ? largest : largest * 2;
  const QPoint origin = viewOrigin_ - QPoint(largest.width() / 2, largest.height() / 2);
  ViewerPicture loaded;
  if (FileError error = LoadPicture(path, stretch, area, loaded, origin)) return error;
  picture_ = std::move(loaded);
  stretch_ = stretch;
  drawPicture();
  return {};
}

// The view stays where it was, so the before/after switch compares the same dots.
FileError PictureBox::showFile(const QString& path) {
  if (FileError error = load(path, stretch_)) return error;
  panTo(viewOrigin_);
  return {};
}

void PictureBox::clear() {
  picture_ = {};
  drawPicture();
}

FileError PictureBox::setStretch(bool stretch) {
  if (stretch_ == stretch) return {};
  if (!picture_.image.isNull()) return load(picture_.path, stretch);
  stretch_ = stretch;
  update();
  return {};
}

void PictureBox::setLook(Look look) {
  look_ = std::move(look);
  drawPicture();
}

void PictureBox::refreshLook() { drawPicture(); }

QRect PictureBox::heldInView() const {
  const QRect held = picture_.image.rect();
  if (stretch_) return held;
  return QRect(viewOrigin_ - picture_.origin, size()) & held;
}

// At actual size the look is drawn for the view and a quarter of it around, and again when
// the view leaves that: the held part is four times the view, and a preview of it all would
// keep the user waiting at every change of a field.
void PictureBox::drawPicture() {
  lookedAt_ = heldInView();
  if (!stretch_)
    lookedAt_ =
        lookedAt_.marginsAdded(QMargins(width() / 4, height() / 4, width() / 4, height() / 4)) &
        picture_.image.rect();
  shown_ = picture_.image.isNull() || !look_ ? picture_.image : look_(picture_, lookedAt_);
  composited_ = picture_.alpha ? OverItsAlpha(shown_, picture_.alpha.get()) : QImage();
  update();
}

void PictureBox::panTo(QPoint origin) {
  const QSize picture = picture_.pictureSize;
  origin.setX(std::clamp(origin.x(), 0, std::max(picture.width() - width(), 0)));
  origin.setY(std::clamp(origin.y(), 0, std::max(picture.height() - height(), 0)));
  if (origin != viewOrigin_) {
    viewOrigin_ = origin;
    update();
  }
  followView();
}

void PictureBox::followView() {
  if (stretch_ || picture_.image.isNull()) return;
  if (!picture_.holds(view()))
    reloadWhenSettled();
  else if (look_ && !lookedAt_.contains(heldInView()))
    drawPicture();
}

void PictureBox::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (picture_.image.isNull()) return;
  if (!picture_.covers(stretch_, largestView()))
    reloadWhenSettled();
  else
    followView();
}

// Read once the events waiting in the queue are through: a dragged edge or a dragged
// picture sends many.
void PictureBox::reloadWhenSettled() {
  if (reloadPending_) return;
  reloadPending_ = true;
  QTimer::singleShot(0, this, &PictureBox::loadForLargerArea);
}

// Showing less detail is better than a message in the middle of resizing or moving: a
// picture that cannot be read again stays as it was.
void PictureBox::loadForLargerArea() {
  reloadPending_ = false;
  if (picture_.image.isNull()) return;
  if (!picture_.covers(stretch_, largestView()) || (!stretch_ && !picture_.holds(view())))
    load(picture_.path, stretch_);
}

void PictureBox::paintEvent(QPaintEvent* /*event*/) {
  if (shown_.isNull()) return;
  const QImage& image = composited_.isNull() ? shown_ : composited_;
  QPainter painter(this);
  if (!stretch_) {
    const QRect placed(picture_.origin - viewOrigin_, image.size());
    if (!composited_.isNull()) PaintCheckerboard(painter, placed & rect());
    painter.drawImage(placed.topLeft(), image);
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
  if (!composited_.isNull()) PaintCheckerboard(painter, target.toAlignedRect() & rect());
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, image);
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent* event) {
  emit doubleClicked();
  event->accept();
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
  if (stretch_ || event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  dragStart_ = event->position().toPoint();
  dragOrigin_ = viewOrigin_;
  setCursor(Qt::ClosedHandCursor);
  event->accept();
}

// The picture follows the pointer: dragging it to the right shows what lies to its left.
void PictureBox::mouseMoveEvent(QMouseEvent* event) {
  if (!dragStart_ || stretch_) return QWidget::mouseMoveEvent(event);
  panTo(dragOrigin_ - (event->position().toPoint() - *dragStart_));
  event->accept();
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragStart_ || event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  dragStart_.reset();
  unsetCursor();
  event->accept();
}

// Turning the wheel away from the user shows what lies above, as in every document; with
// Shift the vertical wheel moves sideways, and a sideways wheel always does.
void PictureBox::wheelEvent(QWheelEvent* event) {
  if (stretch_) return QWidget::wheelEvent(event);
  QPoint delta = event->angleDelta();
  // Some window systems hand a Shift-turned wheel over as a sideways one already.
  if ((event->modifiers() & Qt::ShiftModifier) && delta.x() == 0) delta = QPoint(delta.y(), 0);
  const auto dots = [](int angle) {
    return static_cast<int>(std::lround(-angle * kDotsPerWheelNotch / kWheelNotch));
  };
  panBy(QPoint(dots(delta.x()), dots(delta.y())));
  event->accept();
}

}  // namespace hosei
