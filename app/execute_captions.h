#pragma once

#include "execute.h"

class QLabel;

namespace hosei {

// The row count and the status line while no run stands: before the first, and after one that
// was refused or failed, whose rows counted so far were never saved.
inline constexpr const char* kNoRowsDoneCaption = "0";
inline constexpr const char* kNoRowTotalCaption = "/   0";

class Form2;
class WaitCursor;

// Shows a running correction as it goes: the image size in the viewer, the row total and
// the rows done in the main window, each painted at once because the run keeps the event
// loop waiting until it ends.
class ExecuteCaptions : public ExecuteObserver {
 public:
  ExecuteCaptions(QLabel& rowsDone, QLabel& status, Form2& viewer, WaitCursor& cursor)
      : rowsDone_(rowsDone), status_(status), viewer_(viewer), cursor_(cursor) {}

  void pictureAccepted(int width, int height) override;
  void rowsDone(int row) override;

 private:
  QLabel& rowsDone_;
  QLabel& status_;
  Form2& viewer_;
  WaitCursor& cursor_;
};

}  // namespace hosei
