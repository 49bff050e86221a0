#pragma once

#include <QRectF>
#include <QWidget>

namespace hosei {

// The guide circle over the viewer's picture: an outline only, so the photo stays visible,
// a light line on a dark edge so that it stands out on bright and dark areas alike. It
// never takes the mouse, so clicks and double clicks reach the picture underneath.
class CircleShape : public QWidget {
  Q_OBJECT

 public:
  explicit CircleShape(QWidget* parent = nullptr);

  // Left, top, width and height of the circle in the parent's pixels. Only the part over
  // `visible` is drawn, so a circle far larger than the window, or lying mostly outside
  // it, costs no more than one that fits. A circle without a finite positive size draws
  // nothing and still counts as placed.
  void placeCircle(const QRectF& bounds, const QRect& visible);
  QRectF circle() const { return circle_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool outlineCrosses(const QRectF& area) const;

  QRectF circle_;
};

}  // namespace hosei
