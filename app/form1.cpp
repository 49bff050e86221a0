#include "form1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <initializer_list>

#include "boundary_box.h"
#include "caption_label.h"
#include "field_help.h"
#include "form2.h"
#include "help_texts.h"
#include "parameter_field.h"
#include "parameter_slider.h"
#include "parameter_table.h"
#include "slider_link.h"
#include "tone_mapping.h"
#include "twips.h"
#include "version.h"
#include "working_files.h"

namespace hosei {

namespace {

// The viewer opens beside the main window, its left edge this far to the right.
const int kViewerOffset = TwipsToPixels(6000);

constexpr const char* kCentreMovedCaption = "中心移動";

QString VersionCaption() {
  return QStringLiteral("Ver %1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionPatch);
}

void SetVisible(std::initializer_list<QWidget*> controls, bool visible) {
  for (QWidget* control : controls) control->setVisible(visible);
}

}  // namespace

Form1::Form1(PlatformServices& services, WorkingFiles& workingFiles, QString firstDialogFolder,
             QWidget* parent)
    : QWidget(parent),
      services_(services),
      workingFiles_(workingFiles),
      dialogFolder_(std::move(firstDialogFolder)) {
  // The design's two filters, then the photos: Qt's dialog matches them regardless of case,
  // so IMG_0001.JPG is listed too.
  fileDialog_.filters = {QStringLiteral("ビットマップ(*.bmp)"), QStringLiteral("all(*.*)"),
                         QString::fromUtf8(kPhotoFilter)};
  fileDialog_.defaultSuffix = QStringLiteral("bmp");
  buildControls();
  runStartUp();
  connectHandlers();
  explainControls();
}

Form1::~Form1() { delete viewer_.data(); }

// No field, slider, option or check box is touched here, so none of their handlers runs
// and the initial texts and slider values agree.
void Form1::runStartUp() {
  versionCaption->setText(VersionCaption());
  for (const std::string_view name : kShapeNames)
    boundaryBox->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
  // The boundary starts as its declared text with no list entry chosen.
  boundaryBox->setCurrentIndex(-1);
  boundaryBox->setEditText(QString::fromUtf8(DeclarationOf(Field::kBoundary).defaultText));
  clearMovedCentre();
}

void Form1::connectHandlers() {
  // A field and its slider: each moves the other, and a new text in the field explains it
  // on the help line.
  for (const ParameterDeclaration& declared : kParameterTable) {
    if (!declared.slider || !slider(declared.field)) continue;
    new SliderLink(field(declared.field), slider(declared.field), declared.slider->scale, this);
    connect(field(declared.field), &QLineEdit::textChanged, this,
            [this, which = declared.field] { parameterTextChanged(which); });
  }
  // Whatever a run would read goes to the viewer's preview as it changes.
  for (const ParameterDeclaration& declared : kParameterTable)
    if (field(declared.field))
      connect(field(declared.field), &QLineEdit::textChanged, this, &Form1::handOverCorrection);
  connect(boundaryBox, &QComboBox::currentTextChanged, this, &Form1::handOverCorrection);
  for (QAbstractButton* choice : std::initializer_list<QAbstractButton*>{
           vignettingOption, fogOption, gammaOption, backgroundCheck})
    connect(choice, &QAbstractButton::toggled, this, &Form1::handOverCorrection);

  connect(vignettingOption, &QRadioButton::toggled, this, [this](bool on) {
    if (on) selectMode(Mode::kVignetting);
  });
  connect(fogOption, &QRadioButton::toggled, this, [this](bool on) {
    if (on) selectMode(Mode::kFog);
  });
  connect(gammaOption, &QRadioButton::toggled, this, [this](bool on) {
    if (on) selectMode(Mode::kGamma);
  });
  connect(backgroundCheck, &QCheckBox::toggled, this, [this](bool on) {
    SetVisible({field(Field::kThreshold), thresholdCaption}, on);
  });
  connect(showPictureCheck, &QCheckBox::toggled, guideLinesCheck, &QCheckBox::setVisible);
  connect(boundaryBox, &BoundaryBox::entryChosen, this, &Form1::boundaryChosen);

  connect(executeButton, &QPushButton::clicked, this, &Form1::execute);
  connect(exitButton, &QPushButton::clicked, this, &Form1::exitProgram);
  connect(chooseFileButton, &QPushButton::clicked, this, &Form1::chooseFile);
  connect(vignettingCircleButton, &QPushButton::clicked, this,
          [this] { emit guideCircleRequested(GuideCircle::kVignetting); });
  connect(fogCircleButton, &QPushButton::clicked, this,
          [this] { emit guideCircleRequested(GuideCircle::kFog); });
  connect(centreMoveButton, &QPushButton::clicked, this, &Form1::centreMoveRequested);
  connect(this, &Form1::guideCircleRequested, this, &Form1::drawGuideCircle);
  connect(this, &Form1::centreMoveRequested, this, &Form1::moveCentre);
}

Form2& Form1::ensureViewer() {
  if (!viewer_) {
    // A new viewer has shown no picture and recorded no size yet, as after it was closed.
    work_.imageSize.reset();
    work_.previousPicture.clear();
    work_.currentPicture.clear();
    viewer_ = new Form2(services_, work_);
    viewer_->move(pos() + QPoint(kViewerOffset, 0));
    connect(viewer_, &Form2::helpTextShown, helpLine, &QLabel::setText);
    connect(viewer_, &Form2::estimateRequested, this, &Form1::fillFieldsWithEstimate);
    handOverCorrection();
  }
  return *viewer_;
}

Form2& Form1::showViewer() {
  Form2& viewer = ensureViewer();
  viewer.show();
  viewer.raise();
  return viewer;
}

QString Form1::fieldText(Field which) const {
  if (which == Field::kBoundary) return boundaryBox->currentText();
  return field(which)->text();
}

void Form1::parameterTextChanged(Field which) {
  if (viewer_ && viewer_->circleShown()) {
    if (which == Field::kStart) emit guideCircleRequested(GuideCircle::kVignetting);
    if (which == Field::kLightX || which == Field::kLightY || which == Field::kSize)
      emit guideCircleRequested(GuideCircle::kFog);
  }
  helpLine->setText(QString::fromUtf8(HelpLineOf(which)));
}

// The fields, sliders and captions of a mode's parameters show in that mode only; the
// buttons and notes that serve one mode likewise.
void Form1::showControlsOf(Mode mode) {
  for (const ParameterDeclaration& declared : kParameterTable) {
    if (!declared.mode) continue;
    const bool shown = *declared.mode == mode;
    if (field(declared.field)) field(declared.field)->setVisible(shown);
    if (slider(declared.field)) slider(declared.field)->setVisible(shown);
  }
  for (const auto& [caption, explained] : fieldCaptions_) {
    if (const auto& declaredMode = DeclarationOf(explained).mode)
      caption->setVisible(*declaredMode == mode);
  }
  SetVisible({vignettingCircleButton, centreMoveButton}, mode == Mode::kVignetting);
  SetVisible({lightYCaption, originNote, darkerNote, fogCircleButton}, mode == Mode::kFog);
  SetVisible({boundaryBox, boundaryCaption}, mode != Mode::kGamma);
}

void Form1::selectMode(Mode mode) {
  showControlsOf(mode);
  if (viewer_) viewer_->hideCircle();
  // The moved centre belongs to the vignetting correction; leaving it returns the centre
  // to the middle of the image.
  if (mode != Mode::kVignetting) clearMovedCentre();
}

void Form1::boundaryChosen() {
  const char* const help[] = {kSoftBoundaryHelp, kIntermediateBoundaryHelp, kSharpBoundaryHelp};
  helpLine->setText(QString::fromUtf8(help[ShapeIndex(boundaryBox->currentText().toStdString())]));
}

void Form1::showCurrentFile(const QString& path, FileKind kind) {
  work_.currentFile = path;
  work_.currentFileKind = kind;
  currentFileField->setEnabled(true);
  currentFileField->setText(path);
  for (QPushButton* needsFile :
       {executeButton, vignettingCircleButton, fogCircleButton, centreMoveButton})
    needsFile->setEnabled(true);
}

Mode Form1::mode() const {
  if (vignettingOption->isChecked()) return Mode::kVignetting;
  if (fogOption->isChecked()) return Mode::kFog;
  return Mode::kGamma;
}

FieldTexts Form1::fieldTexts() const {
  FieldTexts texts;
  texts.mode = mode();
  texts.background = backgroundCheck->isChecked();
  for (const ParameterDeclaration& declared : kParameterTable)
    texts[declared.field] = fieldText(declared.field).toStdString();
  return texts;
}

void Form1::setMovedCentre(const MovedCentre& centre) {
  work_.movedCentre = centre;
  showMovedCentre();
}

void Form1::clearMovedCentre() {
  work_.movedCentre.reset();
  showMovedCentre();
}

void Form1::showMovedCentre() {
  handOverCorrection();
  const auto& centre = work_.movedCentre;
  movedXCaption->setText(centre ? QString::number(centre->x) : QString());
  movedYCaption->setText(centre ? QString::number(centre->y) : QString());
  centreMovedCaption->setText(centre ? QString::fromUtf8(kCentreMovedCaption) : QString());
}

void Form1::exitProgram() {
  workingFiles_.deleteDisplayCopies();
  close();
}

void Form1::closeEvent(QCloseEvent* event) {
  if (viewer_) viewer_->close();
  event->accept();
}

}  // namespace hosei
