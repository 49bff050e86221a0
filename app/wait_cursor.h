#pragma once

#include <QApplication>

namespace hosei {

// The hourglass pointer while a long handler runs; put back on every way out.
class WaitCursor {
 public:
  WaitCursor() = default;
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
  ~WaitCursor() { stop(); }

  void start() {
    if (on_) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    on_ = true;
  }
  void stop() {
    if (!on_) return;
    QApplication::restoreOverrideCursor();
    on_ = false;
  }

 private:
  bool on_ = false;
};

}  // namespace hosei
