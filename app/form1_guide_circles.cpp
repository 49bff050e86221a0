// The guide circle buttons and the centre move: the main window reads its fields and the
// moved centre, and the viewer draws the circle over its picture.

#include <QPushButton>

#include "centre_move.h"
#include "centre_move_dialog.h"
#include "form1.h"
#include "form2.h"
#include "leading_number.h"

namespace hosei {

namespace {

constexpr const char* kZoomModeRequest = "ＺＯＯＭモードに変更してからご使用ください";
constexpr const char* kZoomModeRequestTitle = "お願い";

double NumberIn(const QString& text) { return LeadingNumber(text.toStdString()); }

}  // namespace

void Form1::drawGuideCircle(GuideCircle circle) {
  if (work_.currentFile.isEmpty()) return;
  const double start = NumberIn(fieldText(Field::kStart));
  if (circle == GuideCircle::kVignetting && !(start > 0 && start <= 99)) return;
  Form2& viewer = ensureViewer();
  // A circle needs the image's proportions; before a size is recorded, or with a size of
  // 0, there is nothing to draw it on.
  if (!work_.usableImageSize()) return;
  if (!viewer.zoomMode()) {
    services_.showMessage(this, QString::fromUtf8(kZoomModeRequest),
                          QString::fromUtf8(kZoomModeRequestTitle));
    return;
  }
  if (circle == GuideCircle::kVignetting)
    viewer.showVignettingCircle(start, work_.movedCentre);
  else
    viewer.showFogCircle(NumberIn(fieldText(Field::kLightX)), NumberIn(fieldText(Field::kLightY)),
                         NumberIn(fieldText(Field::kSize)));
}

void Form1::moveCentre() {
  ensureViewer();
  const auto size = work_.usableImageSize();
  if (!size) return;
  const auto rule = CentreMoveRuleFor(size->width, size->height);
  if (!rule) return;
  if (const auto centre = AskMovedCentre(services_, this, *rule, work_.movedCentre))
    setMovedCentre(*centre);
  else
    clearMovedCentre();
  // Pressed from code, the circle button runs its own checks; a fog circle on screen gives
  // way to the vignetting circle around the new centre.
  if (viewer_ && viewer_->circleShown()) vignettingCircleButton->click();
}

}  // namespace hosei
