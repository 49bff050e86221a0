// The parameter panel: sliders and fields in step, modes, check boxes, the help line.

#include <QCheckBox>
#include <QRadioButton>
#include <QScrollBar>

#include "gui_test.h"

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
      {"Option1", "Text1", "55.5", "HScroll1", 56, "56"},
      {"Option1", "Text2", "abc", "HScroll2", 20, "abc"},
      {"Option1", "Text2", "2.5", "HScroll2", 2, "2"},        // halves go to the even neighbour
      {"Option2", "Text6", "-200", "VScroll1", 200, "-200"},  // the top stands for a high y
      {"Option3", "Text9", "1.5", "HScroll4", 10, "1.48024428491834"},
      {"Option3", "Text9", "3", "HScroll4", 10, "3"},
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
      {"Option2", "HScroll6", Qt::Key_Left, "Text8", "-41"},
      {"Option2", "VScroll1", Qt::Key_Up, "Text6", "10"},
      {"Option2", "VScroll1", Qt::Key_PageDown, "Text6", "-90"},
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

TEST_F(PanelTest, HoveringAControlExplainsItUnlessItIsDisabledHiddenOrUnexplained) {
  const QString marker = "(unchanged)";
  auto helpAfterHovering = [&](QWidget* target) {
    control<QLabel>("Label13")->setText(marker);
    QTest::mouseMove(target->window()->windowHandle(), QPoint(1, 1));
    QTest::mouseMove(target->window()->windowHandle(),
                     target->mapTo(target->window(), target->rect().center()));
    QApplication::processEvents();
    return text("Label13");
  };
  for (const char* disabled : {"Command1", "Command4", "Text3"})
    EXPECT_EQ(helpAfterHovering(control(disabled)), marker) << disabled;
  choose(photo("a.bmp"));
  const std::tuple<const char*, const char*, QString> helps[] = {
      {"Option1", "Option2", "かぶりを除去します\n明るくも、暗くもできます"},
      {"Option1", "Check2",
       "読み込んだ画像を表示します\n　特に問題ない限りチェックは付けておいてください"},
      {"Option1", "Command2", "プログラムを終了します"},
      {"Option1", "Command1",
       "処理を開始します\n" + Q(photos / "a_.bmp") + " で（上書き）保存されます"},
      {"Option1", "Text1", marker},  // fields, sliders and status labels have no text
      {"Option1", "Label4", marker},
      {"Option1", "Command5", marker},  // hidden: the mouse meets the background
      {"Option2", "Label9",
       "変化させる明るさを入力します\n　正（＋）は明るく、負（－）は暗くします"},
      {"Option2", "VScroll1", marker},
      {"Option3", "Label14", "補正するγ値を入力します\n１で無補正、大きな値で明るくなります"},
  };
  for (const auto& [option, name, help] : helps) {
    control<QRadioButton>(option)->click();
    EXPECT_EQ(helpAfterHovering(control(name)), help) << name;
  }
  EXPECT_EQ(helpAfterHovering(viewerControl("Command2")),
            "最後におこなった処理の前の画像と\n　現在の画像を切替えます");
  EXPECT_EQ(helpAfterHovering(viewerControl("Label1")), marker);
}

}  // namespace
}  // namespace hosei::test
