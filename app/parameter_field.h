#pragma once

#include <QLineEdit>

namespace hosei {

// A parameter field: gaining the focus selects its whole text, so a new value replaces
// the old one as it is typed; losing it to another control of the program is reported.
// A text set while the user is not in the field shows from its first character.
class ParameterField : public QLineEdit {
  Q_OBJECT

 public:
  explicit ParameterField(QWidget* parent = nullptr);

 signals:
  // The user moved on to another control. Not raised when the whole window merely loses
  // the focus to another program or to a popup: the user has not left the field yet.
  void focusLost();

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  // The click that brings the focus in would otherwise place the caret and undo the
  // selection made on entry.
  bool keepSelectionOnPress_ = false;
};

}  // namespace hosei
