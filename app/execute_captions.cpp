#include "execute_captions.h"

#include <QLabel>

#include "form2.h"
#include "run_captions.h"
#include "wait_cursor.h"

namespace hosei {

void ExecuteCaptions::pictureAccepted(int width, int height) {
  viewer_.setImageSize(width, height);
  cursor_.start();
  status_.setText(QString::fromStdString(RowTotalCaption(height)));
  status_.repaint();
}

void ExecuteCaptions::rowsDone(int row) {
  rowsDone_.setText(QString::number(row));
  rowsDone_.repaint();
}

}  // namespace hosei
