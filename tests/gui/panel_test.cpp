// The parameter panel: start state, sliders and fields in step, help line, modes, checks.

#include <QCheckBox>
#include <QComboBox>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

#include "gui_test.h"
#include "help_texts.h"

namespace hosei::test {
namespace {

using PanelTest = GuiTest;

QStringList Shown(QWidget* window, const QStringList& names) {
  QStringList shown;
  for (const QString& name : names)
    if (window->findChild<QWidget*>(name)->isVisible()) shown << name;
  return shown;
}

const QStringList kModeControls = {
    "Text1",    "HScroll1", "Label1",   "Text2",    "HScroll2", "Label2",   "Command4",
    "Command6", "Text5",    "HScroll3", "Label6",   "Text6",    "VScroll1", "Label7",
    "Text7",    "HScroll5", "Label8",   "Text8",    "HScroll6", "Label9",   "Label11",
    "Label12",  "Command5", "Text9",    "HScroll4", "Label14",  "Combo1",   "Label15"};

TEST_F(PanelTest, StartsInModeOneWithNoFileAndTabsThroughTheShownControls) {
  EXPECT_EQ(window->windowTitle(), "画像処理　（バックグラウンド補正）");
  EXPECT_EQ(window->size(), QSize(395, 350));  // 5925 x 5250 twips
  EXPECT_EQ(control<QPushButton>("Command1")->geometry(), QRect(288, 232, 89, 39));
  EXPECT_EQ(Shown(window.get(), kModeControls),
            QStringList({"Text1", "HScroll1", "Label1", "Text2", "HScroll2", "Label2", "Command4",
                         "Command6", "Combo1", "Label15"}));
  for (const char* needsFile : {"Command1", "Command4", "Command5", "Command6", "Text3"})
    EXPECT_FALSE(control<QWidget>(needsFile)->isEnabled()) << needsFile;
  EXPECT_EQ(text("Label13"), kStartupHelp);
  EXPECT_EQ(text("Label10"), "Ver 1.3.0");
  EXPECT_EQ(text("Label4"), "/   0");
  auto* combo = control<QComboBox>("Combo1");
  EXPECT_EQ(combo->currentText(), "Soft");
  EXPECT_EQ(combo->currentIndex(), -1);
  EXPECT_EQ(combo->count(), 3);
  EXPECT_EQ(combo->itemText(2), "Sharp");
  EXPECT_TRUE(text("Label16").isEmpty() && text("Label18").isEmpty());

  QStringList visited{QApplication::focusWidget()->objectName()};
  for (int i = 0; i < 11; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited << QApplication::focusWidget()->objectName();
  }
  EXPECT_EQ(visited, QStringList({"Command3", "Option1", "Text1", "HScroll1", "Text2", "HScroll2",
                                  "Combo1", "Check1", "Check2", "Check3", "Command2", "Command3"}));
}

TEST_F(PanelTest, SlidersWriteTheirFieldsOnlyWhenTheirValueSettles) {
  auto* start = control<QScrollBar>("HScroll1");
  start->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(text("Text1"), "51");
  EXPECT_EQ(text("Label13"), kStartHelp);
  start->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(text("Text1"), "61");

  // A dragged thumb reports once, when it is let go.
  start->setSliderDown(true);
  start->setSliderPosition(80);
  EXPECT_EQ(text("Text1"), "61");
  start->setSliderDown(false);
  EXPECT_EQ(text("Text1"), "80");

  auto* gamma = control<QScrollBar>("HScroll4");
  gamma->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(text("Text9"), "1.04");
  gamma->setValue(0);
  EXPECT_EQ(text("Text9"), "1");
  gamma->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(text("Text9"), "1.16985856");
  gamma->setValue(-25);
  EXPECT_EQ(text("Text9"), "0.375116802253964");
  gamma->setValue(25);
  EXPECT_EQ(text("Text9"), "2.66583633148742");

  // The vertical slider's top end stands for the highest y.
  auto* y = control<QScrollBar>("VScroll1");
  y->triggerAction(QAbstractSlider::SliderToMinimum);
  EXPECT_EQ(text("Text6"), "3000");
  y->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(text("Text6"), "-3000");
}

TEST_F(PanelTest, ArrowAndPageKeysStepTheFocusedSlider) {
  control<QRadioButton>("Option2")->click();
  auto* brightness = control<QScrollBar>("HScroll6");
  brightness->setFocus(Qt::TabFocusReason);
  QTest::keyClick(brightness, Qt::Key_Right);
  EXPECT_EQ(text("Text8"), "-39");
  QTest::keyClick(brightness, Qt::Key_PageDown);
  EXPECT_EQ(text("Text8"), "-29");
  QTest::keyClick(brightness, Qt::Key_Left);
  EXPECT_EQ(text("Text8"), "-30");
  auto* y = control<QScrollBar>("VScroll1");
  y->setFocus(Qt::TabFocusReason);
  QTest::keyClick(y, Qt::Key_Up);  // towards the top: a higher y
  EXPECT_EQ(text("Text6"), "10");
  QTest::keyClick(y, Qt::Key_PageDown);
  EXPECT_EQ(text("Text6"), "-90");
}

TEST_F(PanelTest, LeavingAFieldMovesItsSliderAndShowsTheSlidersForm) {
  typeAndLeave("Text1", "55.5");
  EXPECT_EQ(control<QScrollBar>("HScroll1")->value(), 56);
  EXPECT_EQ(text("Text1"), "56");
  typeAndLeave("Text1", "56.4");  // the slider does not move, so the text stays as typed
  EXPECT_EQ(text("Text1"), "56.4");
  typeAndLeave("Text1", "150");  // outside the slider's range: left for Execute to refuse
  EXPECT_EQ(control<QScrollBar>("HScroll1")->value(), 56);
  EXPECT_EQ(text("Text1"), "150");
  for (const char* notANumber : {"abc", "", "5x"}) {
    typeAndLeave("Text2", notANumber);
    EXPECT_EQ(control<QScrollBar>("HScroll2")->value(), 20) << notANumber;
    EXPECT_EQ(text("Text2"), notANumber);
  }
  typeAndLeave("Text2", "2.5");  // halves go to the even neighbour
  EXPECT_EQ(control<QScrollBar>("HScroll2")->value(), 2);
  EXPECT_EQ(text("Text2"), "2");

  control<QRadioButton>("Option2")->click();
  typeAndLeave("Text6", "-200");
  EXPECT_EQ(control<QScrollBar>("VScroll1")->value(), 200);
  EXPECT_EQ(text("Text6"), "-200");
  typeAndLeave("Text5", "99999");  // outside the 16-bit range
  EXPECT_EQ(control<QScrollBar>("HScroll3")->value(), 0);

  control<QRadioButton>("Option3")->click();
  typeAndLeave("Text9", "1.5");
  EXPECT_EQ(control<QScrollBar>("HScroll4")->value(), 10);
  EXPECT_EQ(text("Text9"), "1.48024428491834");
  typeAndLeave("Text9", "2.7");
  EXPECT_EQ(text("Text9"), "2.66583633148742");
  for (const char* refused : {"3", "0", "-1"}) {
    typeAndLeave("Text9", refused);
    EXPECT_EQ(control<QScrollBar>("HScroll4")->value(), 25) << refused;
    EXPECT_EQ(text("Text9"), refused);
  }
  EXPECT_TRUE(services.messages.empty());
}

TEST_F(PanelTest, FieldsAreReadInTheUsersNumberFormat) {
  const QLocale before;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  typeAndLeave("Text1", "55,5");
  QLocale::setDefault(before);
  EXPECT_EQ(control<QScrollBar>("HScroll1")->value(), 56);
  EXPECT_EQ(text("Text1"), "56");
}

TEST_F(PanelTest, EnteringAFieldSelectsItsWholeText) {
  auto* field = control<QLineEdit>("Text2");
  QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(field->selectedText(), "20");
  QTest::keyClicks(field, "7");
  EXPECT_EQ(field->text(), "7");
  EXPECT_EQ(text("Label13"), kCoefficientHelp);
}

TEST_F(PanelTest, EveryKeystrokeShowsTheFieldsHelpButTheThresholdHasNone) {
  control<QRadioButton>("Option2")->click();
  const std::pair<const char*, const char*> helps[] = {{"Text5", kLightCentreHelp},
                                                       {"Text6", kLightCentreHelp},
                                                       {"Text7", kLightSizeHelp},
                                                       {"Text8", kBrightnessHelp}};
  for (const auto& [field, help] : helps) {
    control<QLineEdit>(field)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(control<QLineEdit>(field), Qt::Key_1);
    EXPECT_EQ(text("Label13"), help) << field;
  }
  control<QCheckBox>("Check1")->click();
  control<QLineEdit>("Text4")->setFocus(Qt::TabFocusReason);
  QTest::keyClicks(control<QLineEdit>("Text4"), "90");
  EXPECT_EQ(text("Label13"), kBrightnessHelp);
}

TEST_F(PanelTest, ModesShowTheirControlsAndKeepHiddenValues) {
  typeAndLeave("Text1", "30");
  window->setMovedCentre({500, 300, 1.0f});
  control<QRadioButton>("Option2")->click();
  EXPECT_EQ(Shown(window.get(), kModeControls),
            QStringList({"Text5", "HScroll3", "Label6", "Text6", "VScroll1", "Label7", "Text7",
                         "HScroll5", "Label8", "Text8", "HScroll6", "Label9", "Label11", "Label12",
                         "Command5", "Combo1", "Label15"}));
  EXPECT_FALSE(control<QPushButton>("Command5")->isEnabled());
  EXPECT_FALSE(window->movedCentre());  // leaving the vignetting mode recentres it
  EXPECT_TRUE(text("Label18").isEmpty());

  control<QComboBox>("Combo1")->setEditText("Sharp");
  control<QRadioButton>("Option3")->click();
  EXPECT_EQ(Shown(window.get(), kModeControls), QStringList({"Text9", "HScroll4", "Label14"}));

  // Arrow keys move within the option group and select.
  control<QRadioButton>("Option3")->setFocus(Qt::TabFocusReason);
  QTest::keyClick(control<QRadioButton>("Option3"), Qt::Key_Up);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
  EXPECT_TRUE(control<QRadioButton>("Option1")->isChecked());
  EXPECT_EQ(text("Text1"), "30");
  EXPECT_EQ(control<QComboBox>("Combo1")->currentText(), "Sharp");
  window->setMovedCentre({500, 300, 1.0f});
  control<QRadioButton>("Option1")->click();  // choosing mode 1 keeps a moved centre
  EXPECT_TRUE(window->movedCentre());
}

TEST_F(PanelTest, CheckBoxesShowAndHideTheirControls) {
  auto* background = control<QCheckBox>("Check1");
  background->click();
  EXPECT_TRUE(control<QWidget>("Text4")->isVisible() && control<QWidget>("Label5")->isVisible());
  background->click();
  EXPECT_FALSE(control<QWidget>("Text4")->isVisible());

  auto* guideLines = control<QCheckBox>("Check3");
  guideLines->click();
  control<QCheckBox>("Check2")->click();
  EXPECT_FALSE(guideLines->isVisible());
  EXPECT_TRUE(guideLines->isChecked());
  control<QCheckBox>("Check2")->click();
  EXPECT_TRUE(guideLines->isVisible() && guideLines->isChecked());
}

TEST_F(PanelTest, ChoosingABoundaryExplainsItButTypingDoesNot) {
  auto* combo = control<QComboBox>("Combo1");
  combo->setFocus(Qt::TabFocusReason);
  QTest::keyClick(combo, Qt::Key_Down);  // the first entry, Soft
  EXPECT_EQ(text("Label13"), kSoftBoundaryHelp);
  QTest::keyClick(combo, Qt::Key_Down);
  EXPECT_EQ(text("Label13"), kIntermediateBoundaryHelp);
  QTest::keyClick(combo, Qt::Key_Down);
  EXPECT_EQ(combo->currentText(), "Sharp");
  EXPECT_EQ(text("Label13"), kSharpBoundaryHelp);
  combo->lineEdit()->selectAll();
  QTest::keyClicks(combo, "sharp");
  EXPECT_EQ(combo->currentText(), "sharp");
  EXPECT_EQ(text("Label13"), kSharpBoundaryHelp);
  EXPECT_EQ(combo->count(), 3);
}

}  // namespace
}  // namespace hosei::test
