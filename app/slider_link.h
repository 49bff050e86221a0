#pragma once

#include <QObject>

#include "slider_scale.h"

class QScrollBar;

namespace hosei {

class ParameterField;

// Keeps a slider and its field in step: a real change of the slider's value rewrites the
// field, and leaving the field moves the slider to the number typed, which rewrites the
// field in the slider's own form. A text that is no number, or one the slider cannot
// show, leaves both as they are.
class SliderLink : public QObject {
  Q_OBJECT

 public:
  SliderLink(ParameterField* field, QScrollBar* slider, SliderScale scale, QObject* parent);

 private:
  void sliderChanged(int value);
  void fieldLeft();

  ParameterField* field_;
  QScrollBar* slider_;
  SliderScale scale_;
};

}  // namespace hosei
