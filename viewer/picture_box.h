#pragma once

#include <QPixmap>
#include <QWidget>

namespace hosei {

// The viewer's picture area: the picture stretched over the whole area (zoom), or at its
// actual size from the top-left corner, cut off at the area's edges.
class PictureBox : public QWidget {
  Q_OBJECT

 public:
  explicit PictureBox(QWidget* parent = nullptr);

  void setPicture(const QImage& picture);
  const QPixmap& picture() const { return picture_; }
  bool stretch() const { return stretch_; }
  void setStretch(bool stretch);

 signals:
  void doubleClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QPixmap picture_;
  bool stretch_ = true;
};

}  // namespace hosei
