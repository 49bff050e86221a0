#include "slider_link.h"

#include <QLocale>
#include <QScrollBar>

#include "parameter_field.h"

namespace hosei {

SliderLink::SliderLink(ParameterField* field, QScrollBar* slider, SliderScale scale,
                       QObject* parent)
    : QObject(parent), field_(field), slider_(slider), scale_(scale) {
  // Only settled values count: a dragged thumb reports once, when it is let go.
  slider_->setTracking(false);
  connect(slider_, &QScrollBar::valueChanged, this, &SliderLink::sliderChanged);
  connect(field_, &ParameterField::focusLost, this, &SliderLink::fieldLeft);
}

void SliderLink::sliderChanged(int value) { field_->setText(FieldTextForSlider(scale_, value)); }

void SliderLink::fieldLeft() {
  const auto value = SliderValueForField(scale_, field_->text(), QLocale());
  if (!value || *value < slider_->minimum() || *value > slider_->maximum()) return;
  slider_->setValue(*value);  // reports, and so rewrites the field, only when it moves
}

}  // namespace hosei
