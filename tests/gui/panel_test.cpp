// The parameter panel: sliders and fields in step, modes, check boxes, the keyboard, help.

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QScrollBar>

#include "gui_test.h"
#include "help_texts.h"
#include "parameter_table.h"
#include "slider_scale.h"
#include "viewer_help_texts.h"

namespace hosei::test {
namespace {

using PanelTest = GuiTest;

TEST_F(PanelTest, LeavingAFieldMovesItsSliderAndShowsTheSlidersForm) {
  const struct {
    const char *option, *field, *typed, *slider;
    int value;
    const char* shown;
  } cases[] = {
      {"Option1", "Text1", "150", "HScroll1", 50, "150"},  // out of range: left for Execute
      {"Option1", "Text2", "abc", "HScroll2", 20, "abc"},
      {"Option1", "Text2", "2.5", "HScroll2", 2, "2"},        // halves go to the even neighbour
      {"Option2", "Text6", "-200", "VScroll1", 200, "-200"},  // the top stands for a high y
      {"Option3", "Text9", "1.5", "HScroll4", 10, "1.48024428491834"},
  };
  for (const auto& c : cases) {
    control<QRadioButton>(c.option)->click();
    typeAndLeave(c.field, c.typed);
    EXPECT_EQ(control<QScrollBar>(c.slider)->value(), c.value) << c.typed;
    EXPECT_EQ(text(c.field), c.shown) << c.typed;
  }
  EXPECT_TRUE(services.messages.empty());
}

TEST_F(PanelTest, KeysStepTheFocusedSliderAndADragReportsWhenLetGo) {
  const struct {
    const char *option, *slider;
    Qt::Key key;
    const char *field, *shown;
  } steps[] = {
      {"Option1", "HScroll1", Qt::Key_Right, "Text1", "51"},
      {"Option1", "HScroll1", Qt::Key_PageDown, "Text1", "61"},
      {"Option2", "VScroll1", Qt::Key_Up, "Text6", "10"},  // up raises y
      {"Option3", "HScroll4", Qt::Key_Right, "Text9", "1.04"},
  };
  for (const auto& s : steps) {
    control<QRadioButton>(s.option)->click();
    control(s.slider)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(control(s.slider), s.key);
    EXPECT_EQ(text(s.field), s.shown) << s.slider;
  }
  auto* start = control<QScrollBar>("HScroll1");
  start->setSliderDown(true);
  start->setSliderPosition(80);
  EXPECT_EQ(text("Text1"), "61");
  start->setSliderDown(false);
  EXPECT_EQ(text("Text1"), "80");
}

// Reached with Tab, a slider shows the focus; what the program writes shows from its start.
TEST_F(PanelTest, EachFieldWithASliderStartsAtItsTextExplainsItselfAndShowsItsSlider) {
  EXPECT_EQ(control<QComboBox>("Combo1")->currentText(),
            DeclarationOf(Field::kBoundary).defaultText);
  for (const ParameterDeclaration& declared : kParameterTable) {
    if (!declared.slider) continue;
    SCOPED_TRACE(declared.objectName);
    auto* field = control<QLineEdit>(declared.objectName);
    auto* slider = control<QScrollBar>(declared.slider->objectName);
    EXPECT_EQ(field->text(), declared.defaultText);
    EXPECT_EQ(FieldTextForSlider(declared.slider->scale, slider->value()), declared.defaultText);
    if (declared.mode)
      control<QRadioButton>(("Option" + std::to_string(static_cast<int>(*declared.mode))).c_str())
          ->click();
    field->setFocus(Qt::TabFocusReason);
    const QImage unfocused = slider->grab().toImage();
    QTest::keyClick(field, Qt::Key_Tab);
    ASSERT_TRUE(slider->hasFocus());
    EXPECT_NE(slider->grab().toImage(), unfocused);
    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_NE(field->text(), declared.defaultText);
    EXPECT_EQ(field->cursorPosition(), 0);
    control<QLabel>("Label13")->clear();
    type(declared.objectName, "3");
    EXPECT_EQ(text("Label13"), QString::fromUtf8(declared.help));
  }
  type("Text4", "70.0000000000001");
  EXPECT_EQ(control<QLineEdit>("Text4")->cursorPosition(), 0);
}

TEST_F(PanelTest, ModesShowTheirControlsAndCheckBoxesTheirs) {
  const char* modeControls[] = {"Text1", "Command4", "Command6", "Text5", "VScroll1",
                                "Text8", "Command5", "Text9",    "Combo1"};
  const std::pair<const char*, QStringList> modes[] = {
      {"Option2", {"Text5", "VScroll1", "Text8", "Command5", "Combo1"}},
      {"Option3", {"Text9"}},
      {"Option1", {"Text1", "Command4", "Command6", "Combo1"}},
  };
  typeAndLeave("Text1", "30");
  for (const auto& [option, shown] : modes) {
    control<QRadioButton>(option)->click();
    QStringList visible;
    for (const char* name : modeControls)
      if (control(name)->isVisible()) visible << name;
    EXPECT_EQ(visible, shown) << option;
  }
  EXPECT_EQ(text("Text1"), "30");  // a hidden value is kept

  control<QCheckBox>("Check1")->click();
  EXPECT_TRUE(control("Text4")->isVisible());
  auto* guideLines = control<QCheckBox>("Check3");
  guideLines->click();
  control<QCheckBox>("Check2")->click();
  EXPECT_FALSE(guideLines->isVisible());
  EXPECT_TRUE(guideLines->isChecked());
  control<QCheckBox>("Check2")->click();
  EXPECT_TRUE(guideLines->isVisible() && guideLines->isChecked());
}

QString HelpOf(const char* objectName) {
  for (const ParameterDeclaration& declared : kParameterTable)
    if (QLatin1String(declared.objectName) == QLatin1String(objectName))
      return QString::fromUtf8(declared.help);
  ADD_FAILURE() << "no parameter is typed into " << objectName;
  return {};
}

TEST_F(PanelTest, HoveringAControlExplainsItUnlessItIsDisabledHiddenOrUnexplained) {
  const QString marker = "(unchanged)";
  for (const char* disabled : {"Command1", "Command4", "Text3"})
    EXPECT_EQ(helpAfterHovering(control(disabled)), marker) << disabled;
  choose(photo("a.bmp"));
  // A caption beside a field explains the field in the words declared for it.
  const std::tuple<const char*, const char*, QString> helps[] = {
      {"Option1", "Option2", kFogModeHelp},
      {"Option1", "Command1",
       kExecuteHelp + QString("\n") + Q(photos / "a_.bmp") + kExecuteResultHelp},
      {"Option1", "Label1", HelpOf("Text1")},
      {"Option1", "Label15", HelpOf("Combo1")},
      {"Option1", "Text1", marker},  // fields, sliders and status labels have no text
      {"Option1", "Label4", marker},
      {"Option1", "Command5", marker},  // hidden: the mouse meets the background
      {"Option2", "Label6", HelpOf("Text5")},
      {"Option2", "VScroll1", marker},
      {"Option3", "Label14", HelpOf("Text9")},
  };
  for (const auto& [option, name, help] : helps) {
    control<QRadioButton>(option)->click();
    EXPECT_EQ(helpAfterHovering(control(name)), help) << name;
  }
  control<QCheckBox>("Check1")->click();
  EXPECT_EQ(helpAfterHovering(control("Label5")), HelpOf("Text4"));
  EXPECT_EQ(helpAfterHovering(viewerControl("Command2")), kBeforeAfterHelp);
  EXPECT_EQ(helpAfterHovering(viewerControl("Label1")), marker);
}

// Passing through the boundary box, or settling typed text with Enter, explains nothing.
TEST_F(PanelTest, TheBoundaryIsExplainedWhenAnEntryIsChosenNotWhenTheBoxIsPassed) {
  auto* box = control<QComboBox>("Combo1");
  const QString unchanged = "(unchanged)";
  // What the help line shows after `act`, done with the box focused.
  const auto helpAfter = [&](const std::function<void()>& act) {
    control<QLabel>("Label13")->setText(unchanged);
    box->setFocus(Qt::TabFocusReason);
    act();
    QApplication::processEvents();
    return text("Label13");
  };
  const auto typed = [box](const char* text, Qt::Key key) {
    return [=] {
      box->lineEdit()->selectAll();
      QTest::keyClicks(box, text);
      QTest::keyClick(box, key);
    };
  };
  EXPECT_EQ(helpAfter(typed("Sharp", Qt::Key_Tab)), unchanged);
  EXPECT_EQ(helpAfter(typed("Intermediate", Qt::Key_Return)), unchanged);
  EXPECT_EQ(helpAfter([&] {
              box->setCurrentIndex(0);
              QTest::keyClick(box, Qt::Key_Down);  // an arrow key moves to the next entry
            }),
            kIntermediateBoundaryHelp);
  EXPECT_EQ(helpAfter([&] {  // chosen in the open list with the keys
              box->setCurrentIndex(0);
              box->showPopup();
              ASSERT_TRUE(WaitUntil([&] { return box->view()->isVisible(); }));
              for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Return})
                QTest::keyClick(box->view(), key);
            }),
            kSharpBoundaryHelp);
  EXPECT_EQ(box->currentText(), "Sharp");
}

}  // namespace
}  // namespace hosei::test
