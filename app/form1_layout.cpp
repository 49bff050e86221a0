// The main window's controls: their kinds, captions, places and initial states, laid out
// in twips as the window was designed. What each parameter control is called, holds at
// first and explains comes from the parameter table; only its place is given here.

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <optional>

#include "boundary_box.h"
#include "caption_label.h"
#include "execute_captions.h"
#include "fonts.h"
#include "form1.h"
#include "help_texts.h"
#include "parameter_field.h"
#include "parameter_slider.h"
#include "parameter_table.h"
#include "slider_scale.h"
#include "twips.h"

namespace hosei {

namespace {

// Where a typed parameter's field lies, and its slider when the table gives it one.
struct FieldPlace {
  Field field;
  TwipsBox fieldBox;
  std::optional<TwipsBox> sliderBox;
};

// In the order the controls were drawn, which is also the order they overlap in.
constexpr FieldPlace kFieldPlaces[] = {
    {Field::kStart, {4080, 135, 735, 270}, TwipsBox{3480, 420, 1350, 200}},
    {Field::kCoefficient, {4080, 780, 735, 270}, TwipsBox{3480, 1065, 1350, 200}},
    {Field::kLightX, {3480, 630, 735, 270}, TwipsBox{3000, 900, 1575, 170}},
    {Field::kLightY, {4650, 630, 735, 270}, TwipsBox{5430, 120, 200, 1215}},
    {Field::kSize, {3480, 1450, 735, 270}, TwipsBox{3000, 1740, 1600, 170}},
    {Field::kBrightness, {3480, 2100, 735, 270}, TwipsBox{3000, 2355, 1695, 170}},
    {Field::kGamma, {4080, 1560, 735, 270}, TwipsBox{3600, 1860, 1800, 210}},
    {Field::kThreshold, {3300, 3060, 600, 270}, std::nullopt},
};
constexpr TwipsBox kBoundaryBox{4470, 2940, 1485, 315};

template <typename Control>
Control* Place(Control* control, const char* name, const QRect& geometry) {
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(geometry);
  return control;
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption, const QRect& geometry) {
  return Place(new QPushButton(QString::fromUtf8(caption), parent), name, geometry);
}

ParameterSlider* NewSlider(QWidget* parent, const SliderDeclaration& declared,
                           const char* defaultText, const QRect& geometry) {
  auto* slider =
      Place(new ParameterSlider(declared.vertical ? Qt::Vertical : Qt::Horizontal, parent),
            declared.objectName, geometry);
  slider->setRange(declared.minimum, declared.maximum);
  slider->setSingleStep(declared.arrowStep);
  slider->setPageStep(declared.troughStep);
  // The thumb starts where the field's first text puts it; the texts are written the C way.
  slider->setValue(SliderValueForField(declared.scale, QString::fromUtf8(defaultText), QLocale::c())
                       .value_or(declared.minimum));
  return slider;
}

void SetTextColour(QWidget* control, const QColor& colour) {
  QPalette palette = control->palette();
  for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
    palette.setColor(role, colour);
  control->setPalette(palette);
}

void SetBackground(QWidget* control, const QColor& colour) {
  QPalette palette = control->palette();
  for (auto role : {QPalette::Window, QPalette::Button, QPalette::Base})
    palette.setColor(role, colour);
  control->setPalette(palette);
  control->setAutoFillBackground(true);
}

QFont Resized(QFont font, double points) {
  font.setPointSizeF(points);
  return font;
}

}  // namespace

void Form1::buildControls() {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("画像処理　（バックグラウンド補正）"));
  setFont(GothicFont(kWindowFontPoints));
  setFixedSize(TwipsRect(0, 0, 5925, 5250).size());
  buildParameterControls();
  buildCommandControls();
  buildLabels();
  setColoursAndFonts();
  setTabOrderChain();
}

void Form1::buildParameterControls() {
  vignettingOption = Place(new QRadioButton(QStringLiteral("周辺減光"), this), "Option1",
                           TwipsRect(240, 210, 1500, 360));
  fogOption = Place(new QRadioButton(QStringLiteral("かぶり除去"), this), "Option2",
                    TwipsRect(240, 810, 1500, 360));
  gammaOption = Place(new QRadioButton(QStringLiteral("全体にγ補正"), this), "Option3",
                      TwipsRect(240, 1410, 1650, 360));
  vignettingOption->setChecked(true);

  for (const FieldPlace& place : kFieldPlaces) {
    const ParameterDeclaration& declared = DeclarationOf(place.field);
    auto* typed = Place(new ParameterField(this), declared.objectName, TwipsRect(place.fieldBox));
    typed->setText(QString::fromUtf8(declared.defaultText));
    fields_[Index(place.field)] = typed;
    if (declared.slider && place.sliderBox)
      sliders_[Index(place.field)] =
          NewSlider(this, *declared.slider, declared.defaultText, TwipsRect(*place.sliderBox));
  }

  const ParameterDeclaration& boundary = DeclarationOf(Field::kBoundary);
  boundaryBox = Place(new BoundaryBox(this), boundary.objectName, TwipsRect(kBoundaryBox));
  boundaryBox->setEditText(QString::fromUtf8(boundary.defaultText));

  backgroundCheck = Place(new QCheckBox(QStringLiteral("バックの調整"), this), "Check1",
                          TwipsRect(240, 3030, 1650, 330));
  field(Field::kThreshold)->hide();
  showPictureCheck = Place(new QCheckBox(QStringLiteral("画像表示"), this), "Check2",
                           TwipsRect(360, 3780, 1215, 375));
  showPictureCheck->setChecked(true);
  guideLinesCheck = Place(new QCheckBox(QStringLiteral("補助線"), this), "Check3",
                          TwipsRect(600, 4110, 1095, 255));

  currentFileField = Place(new QLineEdit(this), "Text3", TwipsRect(480, 3450, 3495, 270));
  // The current file changes only through the file selection, which checks it.
  currentFileField->setReadOnly(true);
  currentFileField->setEnabled(false);
}

void Form1::buildCommandControls() {
  chooseFileButton = Button(this, "Command3", "ファイル設定", TwipsRect(2160, 3795, 1575, 340));
  vignettingCircleButton = Button(this, "Command4", "円の表示", TwipsRect(4920, 100, 975, 350));
  centreMoveButton = Button(this, "Command6", "中心移動", TwipsRect(4970, 750, 740, 280));
  fogCircleButton = Button(this, "Command5", "円の表示", TwipsRect(4920, 1560, 975, 350));
  executeButton = Button(this, "Command1", "実 行", TwipsRect(4320, 3480, 1335, 585));
  exitButton = Button(this, "Command2", "終了", TwipsRect(120, 4440, 735, 495));
  for (QPushButton* needsFile :
       {executeButton, vignettingCircleButton, fogCircleButton, centreMoveButton})
    needsFile->setEnabled(false);
}

void Form1::buildLabels() {
  const struct {
    CaptionLabel* Form1::*member;
    const char* name;
    const char* text;
    TwipsBox box;
    std::optional<Field> explains;  // a caption of a field explains it in the field's words
  } captions[] = {
      {&Form1::startCaption,
       "Label1",
       "周辺減光の開始（1～９９）",
       {1920, 150, 2295, 345},
       Field::kStart},
      {&Form1::coefficientCaption,
       "Label2",
       "減光係数（1～１２０）",
       {1920, 795, 1815, 330},
       Field::kCoefficient},
      {&Form1::rowsDoneCaption, "Label3", kNoRowsDoneCaption, {1080, 4530, 495, 195}, std::nullopt},
      {&Form1::statusCaption, "Label4", kNoRowTotalCaption, {1560, 4530, 4095, 195}, std::nullopt},
      {&Form1::thresholdCaption,
       "Label5",
       "バックグラウンド",
       {1980, 3120, 1320, 240},
       Field::kThreshold},
      {&Form1::lightXCaption, "Label6", "光源　x (dot)", {2160, 650, 1455, 375}, Field::kLightX},
      {&Form1::lightYCaption, "Label7", "y ", {4350, 650, 240, 255}, std::nullopt},
      {&Form1::sizeCaption, "Label8", "大きさ   (dot)", {2160, 1470, 1335, 255}, Field::kSize},
      {&Form1::brightnessCaption,
       "Label9",
       "明るさ(-100～170)",
       {1950, 2160, 1520, 255},
       Field::kBrightness},
      {&Form1::versionCaption, "Label10", "", {2880, 4200, 3015, 270}, std::nullopt},
      {&Form1::originNote,
       "Label11",
       "左下が 　x=0  ,  y=0",
       {3240, 1110, 1815, 255},
       std::nullopt},
      {&Form1::darkerNote,
       "Label12",
       "暗くしたい場合　値は負（－）",
       {3000, 2565, 2175, 255},
       std::nullopt},
      {&Form1::helpLine, "Label13", kStartupHelp, {960, 4800, 5055, 420}, std::nullopt},
      {&Form1::gammaCaption,
       "Label14",
       "ガンマ値 (0.375～2.66)",
       {2280, 1605, 1815, 255},
       Field::kGamma},
      {&Form1::boundaryCaption, "Label15", "境界", {4050, 3000, 360, 255}, Field::kBoundary},
      {&Form1::movedXCaption, "Label16", "", {4750, 1320, 560, 225}, std::nullopt},
      {&Form1::movedYCaption, "Label17", "", {5300, 1320, 560, 225}, std::nullopt},
      {&Form1::centreMovedCaption, "Label18", "", {5000, 1170, 660, 170}, std::nullopt},
  };
  for (const auto& caption : captions) {
    auto* label = Place(new CaptionLabel(QString::fromUtf8(caption.text), this), caption.name,
                        TwipsRect(caption.box));
    this->*caption.member = label;
    if (caption.explains) fieldCaptions_.emplace_back(label, *caption.explains);
  }
  thresholdCaption->hide();
  showControlsOf(Mode::kVignetting);
  for (QLabel* topAligned : {startCaption, coefficientCaption, lightXCaption, helpLine})
    topAligned->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // Labels lie beneath the fields, sliders and buttons: where a label's box reaches over a
  // field (Label1 over Text1's left edge), the field gets the clicks and the mouse there.
  for (QLabel* label : findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) label->lower();
}

void Form1::setColoursAndFonts() {
  const QColor red(255, 0, 0);
  const QColor blue(0, 0, 255);
  const QColor darkBlue(0, 0, 128);
  const QColor darkRed(192, 0, 0);
  const QColor menu = QApplication::palette("QMenu").color(QPalette::Window);
  const QColor highlight = palette().color(QPalette::Active, QPalette::Highlight);

  for (QRadioButton* option : {vignettingOption, fogOption, gammaOption}) {
    SetTextColour(option, red);
    QFont italic = Resized(font(), 12);
    italic.setItalic(true);
    option->setFont(italic);
  }
  gammaOption->setFont(Resized(gammaOption->font(), 11.25));

  QFont bold = Resized(font(), 12);
  bold.setBold(true);
  executeButton->setFont(bold);

  SetTextColour(originNote, blue);
  SetTextColour(darkerNote, blue);
  for (QWidget* boundary : std::initializer_list<QWidget*>{boundaryCaption, boundaryBox}) {
    SetTextColour(boundary, darkBlue);
    SetBackground(boundary, menu);
  }
  for (QLabel* centre : {movedXCaption, movedYCaption, centreMovedCaption})
    SetTextColour(centre, darkRed);

  SetTextColour(helpLine, highlight);
  helpLine->setFont(Resized(font(), 9.75));
  // The colour of an active title bar has no role of its own here; the highlight is the
  // colour such bars are drawn in.
  SetTextColour(versionCaption, highlight);
  QFont version = MinchoFont(12);
  version.setItalic(true);
  versionCaption->setFont(version);

  // Labels whose design boxes are lower than a line of their face grow downwards, so that
  // no text is cut; their tops stay where they were designed. The help line has two lines.
  for (QLabel* label : findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
    const int lineHeight = label->fontMetrics().height();
    if (label->height() < lineHeight) label->resize(label->width(), lineHeight);
  }
}

void Form1::setTabOrderChain() {
  QWidget* const order[] = {chooseFileButton,
                            vignettingOption,
                            fogOption,
                            gammaOption,
                            field(Field::kStart),
                            slider(Field::kStart),
                            field(Field::kCoefficient),
                            slider(Field::kCoefficient),
                            vignettingCircleButton,
                            centreMoveButton,
                            field(Field::kLightX),
                            slider(Field::kLightX),
                            field(Field::kLightY),
                            slider(Field::kLightY),
                            field(Field::kSize),
                            slider(Field::kSize),
                            field(Field::kBrightness),
                            slider(Field::kBrightness),
                            field(Field::kGamma),
                            slider(Field::kGamma),
                            boundaryBox,
                            fogCircleButton,
                            backgroundCheck,
                            field(Field::kThreshold),
                            showPictureCheck,
                            guideLinesCheck,
                            executeButton,
                            exitButton,
                            currentFileField};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
  chooseFileButton->setFocus();
}

}  // namespace hosei
