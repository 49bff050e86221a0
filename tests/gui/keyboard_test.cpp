// The keyboard: what passing through a control with Tab does, and what it shows.

#include <QAbstractItemView>
#include <QComboBox>
#include <QRadioButton>
#include <QScrollBar>

#include "gui_test.h"
#include "help_texts.h"
#include "parameter_table.h"

namespace hosei::test {
namespace {

using KeyboardTest = GuiTest;

QString BoundaryHelp(const QString& entry) {
  if (entry == "Sharp") return kSharpBoundaryHelp;
  if (entry == "Intermediate") return kIntermediateBoundaryHelp;
  return kSoftBoundaryHelp;
}

// Only choosing an entry explains the boundary; passing through the box, or settling typed
// text with Enter, leaves the help line as it was.
TEST_F(KeyboardTest, TheBoundaryIsExplainedWhenAnEntryIsChosenNotWhenTheBoxIsPassed) {
  auto* box = control<QComboBox>("Combo1");
  auto* help = control<QLabel>("Label13");
  const QString marker = "(unchanged)";
  const struct {
    const char* what;
    std::function<void()> act;
    bool explained;
  } steps[] = {
      {"tabbed through",
       [&] {
         box->setFocus(Qt::TabFocusReason);
         QTest::keyClick(box, Qt::Key_Tab);
       },
       false},
      {"typed and left with Tab",
       [&] {
         box->setFocus(Qt::TabFocusReason);
         box->lineEdit()->selectAll();
         QTest::keyClicks(box, "Sharp");
         QTest::keyClick(box, Qt::Key_Tab);
       },
       false},
      {"typed and settled with Enter",
       [&] {
         box->setFocus(Qt::TabFocusReason);
         box->lineEdit()->selectAll();
         QTest::keyClicks(box, "Intermediate");
         QTest::keyClick(box, Qt::Key_Return);
       },
       false},
      {"moved with an arrow key",
       [&] {
         box->setFocus(Qt::TabFocusReason);
         box->setCurrentIndex(0);
         QTest::keyClick(box, Qt::Key_Down);
       },
       true},
      {"chosen in the open list with the keys",
       [&] {
         box->setCurrentIndex(0);
         box->showPopup();
         ASSERT_TRUE(WaitUntil([&] { return box->view()->isVisible(); }));
         QTest::keyClick(box->view(), Qt::Key_Down);
         QTest::keyClick(box->view(), Qt::Key_Down);
         QTest::keyClick(box->view(), Qt::Key_Return);
       },
       true},
  };
  for (const auto& step : steps) {
    help->setText(marker);
    step.act();
    QApplication::processEvents();
    EXPECT_EQ(help->text(), step.explained ? BoundaryHelp(box->currentText()) : marker)
        << step.what << ", now " << box->currentText();
  }
  EXPECT_EQ(box->currentText(), "Sharp");
}

// A slider reached with Tab shows that it has the keyboard: it looks different from the
// same slider without the focus.
TEST_F(KeyboardTest, ASliderReachedWithTabShowsTheFocus) {
  for (const ParameterDeclaration& declared : kParameterTable) {
    if (!declared.slider) continue;
    if (declared.mode) chooseMode(*declared.mode);
    auto* field = control(declared.objectName);
    auto* slider = control<QScrollBar>(declared.slider->objectName);
    field->setFocus(Qt::TabFocusReason);
    const QImage unfocused = slider->grab().toImage();
    QTest::keyClick(field, Qt::Key_Tab);
    ASSERT_TRUE(slider->hasFocus()) << declared.slider->objectName;
    EXPECT_NE(slider->grab().toImage(), unfocused) << declared.slider->objectName;
  }
}

}  // namespace
}  // namespace hosei::test
