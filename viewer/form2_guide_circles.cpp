// The guide circle over the viewer's picture: where the vignetting correction starts, or
// which region a local brightness change covers.

#include "circle_shape.h"
#include "form2.h"
#include "guide_circle.h"
#include "picture_box.h"

namespace hosei {

void Form2::showVignettingCircle(double startPercent, const std::optional<MovedCentre>& centre) {
  const auto image = imageSizeInDots();
  if (!image) return;
  const QRectF area(pictureArea());
  placeCircle(centre ? MovedVignettingCircle(area, *image, startPercent, *centre)
                     : CentredVignettingCircle(area, startPercent));
}

void Form2::showFogCircle(double x, double y, double radius) {
  const auto image = imageSizeInDots();
  if (!image) return;
  placeCircle(FogGuideCircle(QRectF(pictureArea()), *image, x, y, radius));
}

void Form2::placeCircle(const QRectF& bounds) {
  hideCircle();
  circleShape->placeCircle(bounds, pictureArea());
  circleShape->raise();
  circleShape->show();
}

void Form2::hideCircle() { circleShape->hide(); }

bool Form2::circleShown() const { return !circleShape->isHidden(); }

// In actual-size mode no circle can be shown, so there is nothing to hide.
void Form2::hideCircleOnDoubleClick() {
  if (zoomMode()) hideCircle();
  emit pictureDoubleClicked();
}

}  // namespace hosei
