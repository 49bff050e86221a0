// The guide circle buttons and the centre move: the main window reads its fields and the
// moved centre, and the viewer draws the circle over its picture.

#include <QLineEdit>
#include <QPushButton>

#include "centre_move.h"
#include "centre_move_dialog.h"
#include "form1.h"
#include "form2.h"
#include "leading_number.h"
#include "parameter_field.h"

namespace hosei {

namespace {

constexpr const char* kZoomModeRequest = "ＺＯＯＭモードに変更してからご使用ください";
constexpr const char* kZoomModeRequestTitle = "お願い";

double NumberIn(const QLineEdit* field) { return LeadingNumber(field->text().toStdString()); }

}  // namespace

void Form1::drawGuideCircle(GuideCircle circle) {
  if (Text3->text().isEmpty()) return;
  const double start = NumberIn(Text1);
  if (circle == GuideCircle::kVignetting && !(start > 0 && start <= 99)) return;
  Form2& viewer = ensureViewer();
  // A circle needs the image's proportions; before a size is recorded, or with a size of
  // 0, there is nothing to draw it on.
  if (!viewer.imageSize()) return;
  if (!viewer.zoomMode()) {
    services_.showMessage(this, QString::fromUtf8(kZoomModeRequest),
                          QString::fromUtf8(kZoomModeRequestTitle));
    return;
  }
  if (circle == GuideCircle::kVignetting)
    viewer.showVignettingCircle(start, movedCentre());
  else
    viewer.showFogCircle(NumberIn(Text5), NumberIn(Text6), NumberIn(Text7));
}

void Form1::moveCentre() {
  const auto size = ensureViewer().imageSize();
  if (!size) return;
  const auto rule = CentreMoveRuleFor(size->width(), size->height());
  if (!rule) return;
  if (const auto centre = AskMovedCentre(services_, this, *rule, movedCentre()))
    setMovedCentre(*centre);
  else
    clearMovedCentre();
  // Pressed from code, the circle button runs its own checks; a fog circle on screen gives
  // way to the vignetting circle around the new centre.
  if (viewer_ && viewer_->circleShown()) Command4->click();
}

}  // namespace hosei
