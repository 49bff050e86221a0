#pragma once

#include <QComboBox>

namespace hosei {

// The boundary softness: typed as text, or chosen from its list. Typed text is taken
// exactly as typed: no completion from the list, no new entries.
class BoundaryBox : public QComboBox {
  Q_OBJECT

 public:
  explicit BoundaryBox(QWidget* parent = nullptr);

 signals:
  // An entry was chosen from the open list (with the mouse or the keys), or the arrow keys
  // or the wheel moved to another entry. An editable box also reports typed text that
  // matches an entry as chosen when the focus leaves it or Enter is pressed; that is not
  // a choice and is not reported here, so tabbing through the box leaves the help line be.
  void entryChosen();

 protected:
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool settlingTypedText_ = false;
};

}  // namespace hosei
