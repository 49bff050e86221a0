#pragma once

#include <QWidget>

namespace hosei {

// The guide circle over the viewer's picture: an outline only, so the photo stays visible,
// drawn twice (dark under light) to stand out on bright and dark areas alike. It never
// takes the mouse, so clicks reach the picture underneath.
class CircleShape : public QWidget {
  Q_OBJECT

 public:
  explicit CircleShape(QWidget* parent = nullptr);

  // Left, top, width and height of the circle in the parent's pixels; the outline is drawn
  // just inside.
  void placeCircle(const QRectF& bounds);
  QRectF circle() const { return circle_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QRectF circle_;
};

}  // namespace hosei
