#include "form1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <initializer_list>

#include "form2.h"
#include "help_texts.h"
#include "parameter_field.h"
#include "slider_link.h"
#include "tables.h"
#include "twips.h"
#include "version.h"
#include "working_files.h"

namespace hosei {

namespace {

// The viewer opens beside the main window, its left edge this far to the right.
const int kViewerOffset = TwipsToPixels(6000);

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
  CommonDialog1.filters = {QStringLiteral("ビットマップ(*.bmp)"), QStringLiteral("all(*.*)")};
  CommonDialog1.defaultSuffix = QStringLiteral("bmp");
  buildControls();
  runStartUp();
  connectHandlers();
  explainControls();
}

Form1::~Form1() { delete viewer_.data(); }

// No field, slider, option or check box is touched here, so none of their handlers runs
// and the initial texts and slider values agree.
void Form1::runStartUp() {
  Label10->setText(VersionCaption());
  // Builds TransitionCurve (soft, intermediate, sharp) and then ToneCurve's brightness rows.
  BuildTables();
  Combo1->addItems(
      {QStringLiteral("Soft"), QStringLiteral("Intermediate"), QStringLiteral("Sharp")});
  // The boundary starts as the text "Soft" with no list entry chosen.
  Combo1->setCurrentIndex(-1);
  Combo1->setEditText(QStringLiteral("Soft"));
  clearMovedCentre();
}

void Form1::connectHandlers() {
  const struct {
    ParameterField* field;
    QScrollBar* slider;
    SliderScale scale;
  } links[] = {
      {Text1, HScroll1, SliderScale::kDirect}, {Text2, HScroll2, SliderScale::kDirect},
      {Text5, HScroll3, SliderScale::kDirect}, {Text6, VScroll1, SliderScale::kNegated},
      {Text7, HScroll5, SliderScale::kDirect}, {Text8, HScroll6, SliderScale::kDirect},
      {Text9, HScroll4, SliderScale::kGamma},
  };
  for (const auto& link : links) {
    new SliderLink(link.field, link.slider, link.scale, this);
    connect(link.field, &QLineEdit::textChanged, this,
            [this, field = link.field] { parameterTextChanged(field); });
  }

  connect(Option1, &QRadioButton::toggled, this, [this](bool on) {
    if (on) selectMode(Mode::kVignetting);
  });
  connect(Option2, &QRadioButton::toggled, this, [this](bool on) {
    if (on) selectMode(Mode::kFog);
  });
  connect(Option3, &QRadioButton::toggled, this, [this](bool on) {
    if (on) selectMode(Mode::kGamma);
  });
  connect(Check1, &QCheckBox::toggled, this, [this](bool on) { SetVisible({Text4, Label5}, on); });
  connect(Check2, &QCheckBox::toggled, Check3, &QCheckBox::setVisible);
  connect(Combo1, &QComboBox::activated, this, &Form1::boundaryChosen);
  connect(Text3, &QLineEdit::textChanged, this, &Form1::currentFileChanged);

  connect(Command1, &QPushButton::clicked, this, &Form1::execute);
  connect(Command2, &QPushButton::clicked, this, &Form1::exitProgram);
  connect(Command3, &QPushButton::clicked, this, &Form1::chooseFile);
  connect(Command4, &QPushButton::clicked, this,
          [this] { emit guideCircleRequested(GuideCircle::kVignetting); });
  connect(Command5, &QPushButton::clicked, this,
          [this] { emit guideCircleRequested(GuideCircle::kFog); });
  connect(Command6, &QPushButton::clicked, this, &Form1::centreMoveRequested);
  connect(this, &Form1::guideCircleRequested, this, &Form1::drawGuideCircle);
  connect(this, &Form1::centreMoveRequested, this, &Form1::moveCentre);
}

Form2& Form1::ensureViewer() {
  if (!viewer_) {
    viewer_ = new Form2(services_);
    viewer_->move(pos() + QPoint(kViewerOffset, 0));
    connect(viewer_, &Form2::helpTextShown, Label13, &QLabel::setText);
  }
  return *viewer_;
}

Form2& Form1::showViewer() {
  Form2& viewer = ensureViewer();
  viewer.show();
  viewer.raise();
  return viewer;
}

void Form1::parameterTextChanged(ParameterField* field) {
  if (viewer_ && viewer_->circleShown()) {
    if (field == Text1) emit guideCircleRequested(GuideCircle::kVignetting);
    if (field == Text5 || field == Text6 || field == Text7)
      emit guideCircleRequested(GuideCircle::kFog);
  }
  const char* help = nullptr;
  if (field == Text1) help = kStartHelp;
  if (field == Text2) help = kCoefficientHelp;
  if (field == Text5 || field == Text6) help = kLightCentreHelp;
  if (field == Text7) help = kLightSizeHelp;
  if (field == Text8) help = kBrightnessHelp;
  if (field == Text9) help = kGammaHelp;
  if (help) Label13->setText(QString::fromUtf8(help));
}

void Form1::selectMode(Mode mode) {
  const bool vignetting = mode == Mode::kVignetting;
  const bool fog = mode == Mode::kFog;
  const bool gamma = mode == Mode::kGamma;
  SetVisible({Text1, HScroll1, Label1, Text2, HScroll2, Label2, Command4, Command6}, vignetting);
  SetVisible({Text5, HScroll3, Label6, Text6, VScroll1, Label7, Text7, HScroll5, Label8, Text8,
              HScroll6, Label9, Label11, Label12, Command5},
             fog);
  SetVisible({Text9, HScroll4, Label14}, gamma);
  SetVisible({Combo1, Label15}, !gamma);
  if (viewer_) viewer_->hideCircle();
  // The moved centre belongs to the vignetting correction; leaving it returns the centre
  // to the middle of the image.
  if (!vignetting) clearMovedCentre();
}

void Form1::boundaryChosen() {
  const QString text = Combo1->currentText();
  const char* help = kSoftBoundaryHelp;
  if (text == QLatin1String("Sharp")) help = kSharpBoundaryHelp;
  if (text == QLatin1String("Intermediate")) help = kIntermediateBoundaryHelp;
  Label13->setText(QString::fromUtf8(help));
}

void Form1::currentFileChanged() {
  for (QPushButton* needsFile : {Command1, Command4, Command5, Command6})
    needsFile->setEnabled(true);
}

Mode Form1::mode() const {
  if (Option1->isChecked()) return Mode::kVignetting;
  if (Option2->isChecked()) return Mode::kFog;
  return Mode::kGamma;
}

FieldTexts Form1::fieldTexts() const {
  FieldTexts texts;
  texts.mode = mode();
  texts.start = Text1->text().toStdString();
  texts.coefficient = Text2->text().toStdString();
  texts.lightX = Text5->text().toStdString();
  texts.lightY = Text6->text().toStdString();
  texts.size = Text7->text().toStdString();
  texts.brightness = Text8->text().toStdString();
  texts.gamma = Text9->text().toStdString();
  texts.boundary = Combo1->currentText().toStdString();
  texts.background = Check1->isChecked();
  texts.threshold = Text4->text().toStdString();
  return texts;
}

std::optional<MovedCentre> Form1::movedCentre() const {
  if (Label16->text().isEmpty()) return std::nullopt;
  return MovedCentre{Label16->text().toInt(), Label17->text().toInt(), FarCornerDistanceSquared};
}

void Form1::setMovedCentre(const MovedCentre& centre) {
  Label16->setText(QString::number(centre.x));
  Label17->setText(QString::number(centre.y));
  Label18->setText(QStringLiteral("中心移動"));
  FarCornerDistanceSquared = centre.farCornerDistanceSquared;
}

// FarCornerDistanceSquared keeps its value: it is read only while a centre is set.
void Form1::clearMovedCentre() {
  Label16->clear();
  Label17->clear();
  Label18->clear();
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
