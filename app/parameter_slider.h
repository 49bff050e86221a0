#pragma once

#include <QScrollBar>

namespace hosei {

// A parameter slider. It takes the keyboard focus in the tab order and moves by the keys
// as a scroll bar does: Up or Left one arrow step towards the minimum, Down or Right
// towards the maximum, Page Up and Page Down one trough step, Home and End to the ends,
// in either orientation. With the focus it shows the platform's focus mark, which a
// scroll bar does not draw itself.
class ParameterSlider : public QScrollBar {
  Q_OBJECT

 public:
  ParameterSlider(Qt::Orientation orientation, QWidget* parent = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace hosei
