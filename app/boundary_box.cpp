#include "boundary_box.h"

#include <QKeyEvent>

namespace hosei {

namespace {

class Settling {
 public:
  explicit Settling(bool& flag) : flag_(flag) { flag_ = true; }
  ~Settling() { flag_ = false; }
  Settling(const Settling&) = delete;
  Settling& operator=(const Settling&) = delete;

 private:
  bool& flag_;
};

}  // namespace

BoundaryBox::BoundaryBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setCompleter(nullptr);
  setInsertPolicy(QComboBox::NoInsert);
  connect(this, &QComboBox::activated, this, [this] {
    if (!settlingTypedText_) emit entryChosen();
  });
}

void BoundaryBox::focusOutEvent(QFocusEvent* event) {
  const Settling settling(settlingTypedText_);
  QComboBox::focusOutEvent(event);
}

void BoundaryBox::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
    QComboBox::keyPressEvent(event);
    return;
  }
  const Settling settling(settlingTypedText_);
  QComboBox::keyPressEvent(event);
}

}  // namespace hosei
