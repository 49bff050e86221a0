// The parameter panel: sliders and fields in step, modes, check boxes, the keyboard, help.

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QScrollBar>

#include "field_help.h"
#include "gui_test.h"
#include "help_texts.h"
#include "parameter_table.h"
#include "slider_scale.h"
#include "viewer_help_texts.h"

namespace hosei::test {
namespace {

using PanelTest = GuiTest;

// A key on a focused slider writes the slider's value into its field; a field left with
// text moves its slider, and shows the slider's form of the value when it has one.
TEST_F(PanelTest, AFieldAndItsSliderStayInStep) {
  const struct {
    const char *option, *field, *slider;
    const char* typed;  // none: a key on the slider instead
    Qt::Key key;
    int value;
    const char* shown;
  } cases[] = {
      {"Option1", "Text1", "HScroll1", nullptr, Qt::Key_Right, 51, "51"},
      {"Option2", "Text6", "VScroll1", nullptr, Qt::Key_Up, -1, "10"},  // up raises y
      {"Option3", "Text9", "HScroll4", nullptr, Qt::Key_Right, -1, "1.04"},
      {"Option1", "Text1", "HScroll1", "150", {}, 51, "150"},  // out of range: left for Execute
      {"Option1", "Text2", "HScroll2", "abc", {}, 20, "abc"},
      {"Option1", "Text2", "HScroll2", "2.5", {}, 2, "2"},        // halves go to the even neighbour
      {"Option2", "Text6", "VScroll1", "-200", {}, 200, "-200"},  // the top stands for a high y
      {"Option3", "Text9", "HScroll4", "1.5", {}, 10, "1.48024428491834"},
  };
  for (const auto& c : cases) {
    control<QRadioButton>(c.option)->click();
    auto* slider = control<QScrollBar>(c.slider);
    if (c.typed) {
      typeAndLeave(c.field, c.typed);
    } else {
      slider->setFocus(Qt::TabFocusReason);
      QTest::keyClick(slider, c.key);
    }
    if (c.value >= 0) {
      EXPECT_EQ(slider->value(), c.value) << c.field;
    }
    EXPECT_EQ(text(c.field), c.shown) << c.field;
  }
  EXPECT_TRUE(services.messages.empty());

  // A drag reports only when the slider is let go.
  auto* start = control<QScrollBar>("HScroll1");
  start->setSliderDown(true);
  start->setSliderPosition(80);
  EXPECT_EQ(text("Text1"), "150");
  start->setSliderDown(false);
  EXPECT_EQ(text("Text1"), "80");
}

// Reached with Tab, a slider shows the focus; what the program writes shows from its start.
TEST_F(PanelTest, EachFieldWithASliderStartsAtItsTextExplainsItselfAndShowsItsSlider) {
  for (const ParameterDeclaration& declared : kParameterTable) {
    if (!declared.slider) continue;
    SCOPED_TRACE(declared.objectName);
    auto* field = control<QLineEdit>(declared.objectName);
    auto* slider = control<QScrollBar>(declared.slider->objectName);
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
    EXPECT_EQ(text("Label13"), QString::fromUtf8(HelpLineOf(declared.field)));
  }
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
      return QString::fromUtf8(HelpLineOf(declared.field));
  ADD_FAILURE() << "no parameter is typed into " << objectName;
  return {};
}

TEST_F(PanelTest, HoveringAControlExplainsItUnlessItIsDisabledHiddenOrUnexplained) {
  const QString marker = "(unchanged)";
  EXPECT_EQ(helpAfterHovering(control("Command1")), marker);  // disabled before a file
  choose(photo("a.bmp"));
  // A caption beside a field explains the field in the words declared for it.
  const std::tuple<const char*, const char*, QString> helps[] = {
      {"Option1", "Option2", kFogModeHelp},   {"Option1", "Label1", HelpOf("Text1")},
      {"Option1", "Text1", marker},     // fields, sliders and status labels have no text
      {"Option1", "Command5", marker},  // hidden: the mouse meets the background
      {"Option2", "Label6", HelpOf("Text5")},
  };
  for (const auto& [option, name, help] : helps) {
    control<QRadioButton>(option)->click();
    EXPECT_EQ(helpAfterHovering(control(name)), help) << name;
  }
  control<QCheckBox>("Check1")->click();
  EXPECT_EQ(helpAfterHovering(control("Label5")), HelpOf("Text4"));
  EXPECT_EQ(helpAfterHovering(viewerControl("Command2")), kBeforeAfterHelp);
}

// Passing through the boundary box with typed text explains nothing; choosing an entry does.
TEST_F(PanelTest, TheBoundaryIsExplainedWhenAnEntryIsChosenNotWhenTheBoxIsPassed) {
  auto* box = control<QComboBox>("Combo1");
  control<QLabel>("Label13")->setText("(unchanged)");
  box->setFocus(Qt::TabFocusReason);
  box->lineEdit()->selectAll();
  QTest::keyClicks(box, "Sharp");
  QTest::keyClick(box, Qt::Key_Tab);
  EXPECT_EQ(text("Label13"), "(unchanged)");
  box->setFocus(Qt::TabFocusReason);
  box->setCurrentIndex(0);
  QTest::keyClick(box, Qt::Key_Down);
  EXPECT_EQ(text("Label13"), kIntermediateBoundaryHelp);
}

}  // namespace
}  // namespace hosei::test
