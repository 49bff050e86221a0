// 補正値を推定: the correction estimated from the current file fills the current mode's fields.

#include "boundary_box.h"
#include "centre_move.h"
#include "estimate.h"
#include "form1.h"
#include "form2.h"
#include "parameter_field.h"
#include "parameter_table.h"
#include "problem_texts.h"
#include "wait_cursor.h"

namespace hosei {

namespace {

constexpr const char* kCannotEstimate = "補正値を推定できません\n";

}  // namespace

void Form1::fillFieldsWithEstimate() {
  const Mode current = mode();
  // Gamma has nothing to estimate.
  if (work_.currentFile.isEmpty() || current == Mode::kGamma) return;
  EstimateResult result;
  WaitCursor cursor;
  cursor.start();
  const FileError error = EstimateFromFile(work_.currentFile.toStdString(), current, result);
  cursor.stop();
  if (error) {
    services_.showMessage(
        viewer_ ? static_cast<QWidget*>(viewer_) : this,
        QString::fromUtf8(kCannotEstimate) + QString::fromStdString(DescribeFileError(error)));
    return;
  }
  FieldTexts texts = fieldTexts();
  if (current == Mode::kVignetting && result.vignetting)
    ApplyEstimate(*result.vignetting, texts);
  else if (current == Mode::kFog && result.fog)
    ApplyEstimate(*result.fog, texts);
  else
    return;

  fillingFields_ = true;
  for (const Field which : {Field::kStart, Field::kCoefficient, Field::kLightX, Field::kLightY,
                            Field::kSize, Field::kBrightness})
    if (DeclarationOf(which).mode == current) fillField(which, texts[which]);
  boundaryBox->setEditText(QString::fromStdString(texts[Field::kBoundary]));
  if (current == Mode::kVignetting) {
    // The centre as the centre move sets it from the same two answers; an estimate about the
    // image centre takes a moved one back.
    const auto size = work_.usableImageSize();
    const auto rule = size ? CentreMoveRuleFor(size->width, size->height) : std::nullopt;
    const auto& answers = result.vignetting->centre;
    const auto centre =
        rule && answers ? CentreFromAnswers(*rule, answers->x, answers->y) : std::nullopt;
    if (centre)
      setMovedCentre(*centre);
    else
      clearMovedCentre();
  }
  fillingFields_ = false;
  handOverCorrection();
  if (viewer_ && viewer_->circleShown())
    emit guideCircleRequested(current == Mode::kVignetting ? GuideCircle::kVignetting
                                                           : GuideCircle::kFog);
}

// As if typed and left: the slider follows where it can show the value.
void Form1::fillField(Field which, const std::string& text) {
  ParameterField* edit = field(which);
  const QString typed = QString::fromStdString(text);
  if (edit->text() != typed) edit->setText(typed);
  emit edit->focusLost();
}

}  // namespace hosei
