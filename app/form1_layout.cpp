// The main window's controls: their kinds, captions, places and initial states, laid out
// in twips as the window was designed.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <algorithm>

#include "fonts.h"
#include "form1.h"
#include "parameter_field.h"
#include "parameter_slider.h"
#include "twips.h"

namespace hosei {

namespace {

template <typename Control>
Control* Place(Control* control, const char* name, const QRect& geometry) {
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(geometry);
  return control;
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption, const QRect& geometry) {
  return Place(new QPushButton(QString::fromUtf8(caption), parent), name, geometry);
}

ParameterField* NewField(QWidget* parent, const char* name, const char* text,
                         const QRect& geometry) {
  auto* field = Place(new ParameterField(parent), name, geometry);
  field->setText(QString::fromUtf8(text));
  return field;
}

QScrollBar* Slider(QWidget* parent, const char* name, Qt::Orientation orientation, int minimum,
                   int maximum, int arrowStep, int troughStep, int value, const QRect& geometry) {
  auto* slider = Place(new ParameterSlider(orientation, parent), name, geometry);
  slider->setRange(minimum, maximum);
  slider->setSingleStep(arrowStep);
  slider->setPageStep(troughStep);
  slider->setValue(value);
  return slider;
}

QLabel* Caption(QWidget* parent, const char* name, const char* text, const QRect& geometry) {
  auto* label = Place(new QLabel(QString::fromUtf8(text), parent), name, geometry);
  label->setTextFormat(Qt::PlainText);
  return label;
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
  Option1 = Place(new QRadioButton(QStringLiteral("周辺減光"), this), "Option1",
                  TwipsRect(240, 210, 1500, 360));
  Option2 = Place(new QRadioButton(QStringLiteral("かぶり除去"), this), "Option2",
                  TwipsRect(240, 810, 1500, 360));
  Option3 = Place(new QRadioButton(QStringLiteral("全体にγ補正"), this), "Option3",
                  TwipsRect(240, 1410, 1650, 360));
  Option1->setChecked(true);

  Text1 = NewField(this, "Text1", "50", TwipsRect(4080, 135, 735, 270));
  HScroll1 =
      Slider(this, "HScroll1", Qt::Horizontal, 1, 99, 1, 10, 50, TwipsRect(3480, 420, 1350, 200));
  Text2 = NewField(this, "Text2", "20", TwipsRect(4080, 780, 735, 270));
  HScroll2 =
      Slider(this, "HScroll2", Qt::Horizontal, 1, 120, 1, 10, 20, TwipsRect(3480, 1065, 1350, 200));
  Text5 = NewField(this, "Text5", "0", TwipsRect(3480, 630, 735, 270));
  HScroll3 = Slider(this, "HScroll3", Qt::Horizontal, -3000, 3000, 10, 100, 0,
                    TwipsRect(3000, 900, 1575, 170));
  Text6 = NewField(this, "Text6", "0", TwipsRect(4650, 630, 735, 270));
  VScroll1 = Slider(this, "VScroll1", Qt::Vertical, -3000, 3000, 10, 100, 0,
                    TwipsRect(5430, 120, 200, 1215));
  Text7 = NewField(this, "Text7", "150", TwipsRect(3480, 1450, 735, 270));
  HScroll5 = Slider(this, "HScroll5", Qt::Horizontal, 0, 3500, 5, 50, 150,
                    TwipsRect(3000, 1740, 1600, 170));
  Text8 = NewField(this, "Text8", "-40", TwipsRect(3480, 2100, 735, 270));
  HScroll6 = Slider(this, "HScroll6", Qt::Horizontal, -100, 170, 1, 10, -40,
                    TwipsRect(3000, 2355, 1695, 170));
  Text9 = NewField(this, "Text9", "1", TwipsRect(4080, 1560, 735, 270));
  HScroll4 =
      Slider(this, "HScroll4", Qt::Horizontal, -25, 25, 1, 4, 0, TwipsRect(3600, 1860, 1800, 210));
  for (QWidget* modeTwoOrThree : std::initializer_list<QWidget*>{
           Text5, HScroll3, Text6, VScroll1, Text7, HScroll5, Text8, HScroll6, Text9, HScroll4})
    modeTwoOrThree->hide();

  Combo1 = Place(new QComboBox(this), "Combo1", TwipsRect(4470, 2940, 1485, 315));
  Combo1->setEditable(true);
  // Typed text is taken exactly as typed: no completion from the list, no new entries.
  Combo1->setCompleter(nullptr);
  Combo1->setInsertPolicy(QComboBox::NoInsert);
  Combo1->setEditText(QStringLiteral("Soft"));

  Check1 = Place(new QCheckBox(QStringLiteral("バックの調整"), this), "Check1",
                 TwipsRect(240, 3030, 1650, 330));
  Text4 = NewField(this, "Text4", "70", TwipsRect(3300, 3060, 600, 270));
  Text4->hide();
  Check2 = Place(new QCheckBox(QStringLiteral("画像表示"), this), "Check2",
                 TwipsRect(360, 3780, 1215, 375));
  Check2->setChecked(true);
  Check3 = Place(new QCheckBox(QStringLiteral("補助線"), this), "Check3",
                 TwipsRect(600, 4110, 1095, 255));

  Text3 = Place(new QLineEdit(this), "Text3", TwipsRect(480, 3450, 3495, 270));
  // The current file changes only through the file selection, which checks it.
  Text3->setReadOnly(true);
  Text3->setEnabled(false);
}

void Form1::buildCommandControls() {
  Command3 = Button(this, "Command3", "ファイル設定", TwipsRect(2160, 3795, 1575, 340));
  Command4 = Button(this, "Command4", "円の表示", TwipsRect(4920, 100, 975, 350));
  Command6 = Button(this, "Command6", "中心移動", TwipsRect(4970, 750, 740, 280));
  Command5 = Button(this, "Command5", "円の表示", TwipsRect(4920, 1560, 975, 350));
  Command1 = Button(this, "Command1", "実 行", TwipsRect(4320, 3480, 1335, 585));
  Command2 = Button(this, "Command2", "終了", TwipsRect(120, 4440, 735, 495));
  for (QPushButton* needsFile : {Command1, Command4, Command5, Command6})
    needsFile->setEnabled(false);
  Command5->hide();
}

void Form1::buildLabels() {
  Label1 = Caption(this, "Label1", "周辺減光の開始（1～９９）", TwipsRect(1920, 150, 2295, 345));
  Label2 = Caption(this, "Label2", "減光係数（1～１２０）", TwipsRect(1920, 795, 1815, 330));
  Label3 = Caption(this, "Label3", "0", TwipsRect(1080, 4530, 495, 195));
  Label4 = Caption(this, "Label4", "/   0", TwipsRect(1560, 4530, 4095, 195));
  Label5 = Caption(this, "Label5", "バックグラウンド", TwipsRect(1980, 3120, 1320, 240));
  Label6 = Caption(this, "Label6", "光源　x (dot)", TwipsRect(2160, 650, 1455, 375));
  Label7 = Caption(this, "Label7", "y ", TwipsRect(4350, 650, 240, 255));
  Label8 = Caption(this, "Label8", "大きさ   (dot)", TwipsRect(2160, 1470, 1335, 255));
  Label9 = Caption(this, "Label9", "明るさ(-100～170)", TwipsRect(1950, 2160, 1520, 255));
  Label10 = Caption(this, "Label10", "", TwipsRect(2880, 4200, 3015, 270));
  Label11 = Caption(this, "Label11", "左下が 　x=0  ,  y=0", TwipsRect(3240, 1110, 1815, 255));
  Label12 =
      Caption(this, "Label12", "暗くしたい場合　値は負（－）", TwipsRect(3000, 2565, 2175, 255));
  Label13 = Caption(this, "Label13", "まず、処理するファイルを指定ください",
                    TwipsRect(960, 4800, 5055, 420));
  Label14 = Caption(this, "Label14", "ガンマ値 (0.375～2.66)", TwipsRect(2280, 1605, 1815, 255));
  Label15 = Caption(this, "Label15", "境界", TwipsRect(4050, 3000, 360, 255));
  Label16 = Caption(this, "Label16", "", TwipsRect(4750, 1320, 560, 225));
  Label17 = Caption(this, "Label17", "", TwipsRect(5300, 1320, 560, 225));
  Label18 = Caption(this, "Label18", "", TwipsRect(5000, 1170, 660, 170));
  for (QLabel* hidden : {Label5, Label6, Label7, Label8, Label9, Label11, Label12, Label14})
    hidden->hide();
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label6->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label13->setAlignment(Qt::AlignLeft | Qt::AlignTop);
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

  for (QRadioButton* option : {Option1, Option2, Option3}) {
    SetTextColour(option, red);
    QFont italic = Resized(font(), 12);
    italic.setItalic(true);
    option->setFont(italic);
  }
  Option3->setFont(Resized(Option3->font(), 11.25));

  QFont bold = Resized(font(), 12);
  bold.setBold(true);
  Command1->setFont(bold);

  SetTextColour(Label11, blue);
  SetTextColour(Label12, blue);
  for (QWidget* boundary : std::initializer_list<QWidget*>{Label15, Combo1}) {
    SetTextColour(boundary, darkBlue);
    SetBackground(boundary, menu);
  }
  for (QLabel* centre : {Label16, Label17, Label18}) SetTextColour(centre, darkRed);

  SetTextColour(Label13, highlight);
  Label13->setFont(Resized(font(), 9.75));
  // The colour of an active title bar has no role of its own here; the highlight is the
  // colour such bars are drawn in.
  SetTextColour(Label10, highlight);
  QFont version = MinchoFont(12);
  version.setItalic(true);
  Label10->setFont(version);

  // Labels whose design boxes are lower than a line of this face grow downwards, so that
  // no text is cut; their tops stay where they were designed. The help line has two lines.
  for (QLabel* label : findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
    if (label != Label13) ShrinkFontToFit(*label, label->text(), 7.5);
    const int lineHeight = label->fontMetrics().height();
    if (label->height() < lineHeight) label->resize(label->width(), lineHeight);
  }
}

void Form1::setTabOrderChain() {
  QWidget* const order[] = {Command3, Option1,  Option2,  Option3,  Text1,  HScroll1,
                            Text2,    HScroll2, Command4, Command6, Text5,  HScroll3,
                            Text6,    VScroll1, Text7,    HScroll5, Text8,  HScroll6,
                            Text9,    HScroll4, Combo1,   Command5, Check1, Text4,
                            Check2,   Check3,   Command1, Command2, Text3};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
  Command3->setFocus();
}

}  // namespace hosei
