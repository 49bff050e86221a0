// The help line: moving the mouse over a control of either window explains it.

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QWindow>

#include "gui_test.h"

namespace hosei::test {
namespace {

class HelpLineTest : public GuiTest {
 protected:
  // Moves the mouse, no button held, onto `at` in the control (its centre by default), as
  // the window system reports it: to whatever control lies on top there.
  void hover(QWidget* target, QPoint at = {}) {
    QWidget* top = target->window();
    if (at.isNull()) at = target->rect().center();
    // A move to the very place of the last one is no movement; start from elsewhere.
    QTest::mouseMove(top->windowHandle(), QPoint(1, 1));
    QTest::mouseMove(top->windowHandle(), target->mapTo(top, at));
    QApplication::processEvents();
  }
  // What the help line reads after the mouse moved over the control, starting from a
  // marker text.
  QString helpAfterHovering(QWidget* target, QPoint at = {}) {
    control<QLabel>("Label13")->setText(kMarker);
    hover(target, at);
    return text("Label13");
  }
  QString helpAfterHovering(const char* name) { return helpAfterHovering(control<QWidget>(name)); }

  const QString kMarker = "(unchanged)";
};

TEST_F(HelpLineTest, EachControlOfTheMainWindowExplainsItself) {
  const auto path = photo("a.bmp");
  choose(path);
  control<QCheckBox>("Check1")->click();  // shows Label5
  const std::pair<const char*, const char*> modeOne[] = {
      {"Option1", "周辺減光の補正をします"},
      {"Option2", "かぶりを除去します\n明るくも、暗くもできます"},
      {"Option3", "画像全体に対し一様にガンマ補正します"},
      {"Label1", "周辺減光の開始位置を、指定します\n　中心が0、四隅が100です"},
      {"Label2", "周辺減光の補正値を入力します \n　大きな値ほど、効果が大きくなります"},
      {"Label5",
       "入力された値以下をバックグラウンドと見なします\n　8bitですので、0が黒、255が白です"},
      {"Label15",
       "効果の境界のなめらかさの指定をします\n　Soft なめらかに Sharp きつめに 補正します"},
      {"Label10", "このプログラムのバージョンが表示されています"},
      {"Check1", "バックグラウンドの調整をします\n　グレーに近づけます"},
      {"Check2", "読み込んだ画像を表示します\n　特に問題ない限りチェックは付けておいてください"},
      {"Check3", "ファイルを読み込むときに\n　100ドット単位で補助線を表示します"},
      {"Command2", "プログラムを終了します"},
      {"Command3", "処理するファイルを読み込みます"},
      {"Command4",
       "画像上に周辺減光補正範囲の、補助円を表示します\n　画像をダブルクリックすると円は消えます"},
      {"Command6",
       "トリミング等で、周辺減光が画像の中心とズレているとき\n"
       "　使用します。ｘｙ座標（左下が原点）をｄｏｔ単位で指定します"},
      {"Text3",
       "現在処理中のファイル名です。再度読み込まない限り\n"
       "　このファイルについて処理をやり直すことになります"},
  };
  for (const auto& [name, help] : modeOne) EXPECT_EQ(helpAfterHovering(name), help) << name;
  EXPECT_EQ(helpAfterHovering("Command1"),
            "処理を開始します\n" + Q(photos / "a_.bmp") + " で（上書き）保存されます");

  control<QRadioButton>("Option2")->click();
  const std::pair<const char*, const char*> modeTwo[] = {
      {"Label6", "明るさを変える中心座標を入力します\n　画像の範囲外でも可能です"},
      {"Label8", "明るさを変える範囲を入力します\n　少し大きめにとるほうがよいようです"},
      {"Label9", "変化させる明るさを入力します\n　正（＋）は明るく、負（－）は暗くします"},
      {"Command5",
       "画像上にかぶり補正範囲の、補助円を表示します\n　画像をダブルクリックすると円は消えます"},
  };
  for (const auto& [name, help] : modeTwo) EXPECT_EQ(helpAfterHovering(name), help) << name;
  control<QRadioButton>("Option3")->click();
  EXPECT_EQ(helpAfterHovering("Label14"),
            "補正するγ値を入力します\n１で無補正、大きな値で明るくなります");
}

TEST_F(HelpLineTest, TheViewersControlsWriteTheMainWindowsHelpLine) {
  choose(photo("a.bmp"));
  const std::pair<const char*, const char*> viewer[] = {
      {"Command1",
       "表示画像の　ＺＯＯＭ表示（縮小又は拡大して表示）と\n　実寸表示の切替えをします"},
      {"Command2", "最後におこなった処理の前の画像と\n　現在の画像を切替えます"},
      {"Image1",
       "処理中の画像です。横方向に引っ張ると\n　ウインドウ（画像）の大きさを変更できます"},
      {"Label3", "表示画像の　大きさ(ドット単位）が表示されています"},
  };
  for (const auto& [name, help] : viewer)
    EXPECT_EQ(helpAfterHovering(viewerControl<QWidget>(name)), help) << name;
  for (const char* unexplained : {"Label1", "Label2"})
    EXPECT_EQ(helpAfterHovering(viewerControl<QWidget>(unexplained)), kMarker) << unexplained;
}

TEST_F(HelpLineTest, DisabledHiddenAndUnexplainedControlsLeaveItAlone) {
  // Before a file is chosen these are disabled.
  for (const char* disabled : {"Command1", "Command4", "Command6", "Text3"})
    EXPECT_EQ(helpAfterHovering(disabled), kMarker) << disabled;
  // Fields, sliders, the boundary list, the status and centre labels have no text.
  for (const char* unexplained : {"Text1", "HScroll1", "Text2", "HScroll2", "Combo1", "Label3",
                                  "Label4", "Label13", "Label16", "Label17", "Label18"})
    EXPECT_EQ(helpAfterHovering(unexplained), kMarker) << unexplained;
  EXPECT_EQ(helpAfterHovering(window.get(), QPoint(20, 140)), kMarker);  // the background

  // Where a hidden control would be, the mouse meets the background.
  for (const char* hidden : {"Command5", "Label14", "Label12"}) {
    ASSERT_FALSE(control<QWidget>(hidden)->isVisible());
    EXPECT_EQ(helpAfterHovering(hidden), kMarker) << hidden;
  }
  control<QRadioButton>("Option2")->click();
  for (const char* unexplained : {"Label7", "Label11", "Label12", "Text5", "VScroll1"})
    EXPECT_EQ(helpAfterHovering(unexplained), kMarker) << unexplained;

  // Label1's box reaches over the left edge of Text1; there the field is on top.
  auto* start = control<QLineEdit>("Text1");
  control<QRadioButton>("Option1")->click();
  const QPoint underLabel = start->mapFrom(
      window.get(),
      QPoint(control<QLabel>("Label1")->geometry().right() - 1, start->geometry().center().y()));
  ASSERT_TRUE(start->rect().contains(underLabel));
  EXPECT_EQ(helpAfterHovering(start, underLabel), kMarker);
}

TEST_F(HelpLineTest, TheLastTextWrittenStaysUntilTheNext) {
  hover(control<QWidget>("Check1"));
  EXPECT_EQ(text("Label13"), "バックグラウンドの調整をします\n　グレーに近づけます");
  auto* coefficient = control<QLineEdit>("Text2");
  hover(coefficient);
  EXPECT_EQ(text("Label13"), "バックグラウンドの調整をします\n　グレーに近づけます");
  coefficient->setFocus(Qt::MouseFocusReason);
  QTest::keyClicks(coefficient, "3");
  EXPECT_EQ(text("Label13"), "周辺減光の補正値を入力します \n　大きな値ほど、効果が大きくなります");
  // A movement with a button held counts too.
  QTest::mousePress(control<QWidget>("Check2"), Qt::LeftButton);
  QTest::mouseMove(control<QWidget>("Check2"), QPoint(3, 3));
  QTest::mouseRelease(control<QWidget>("Check2"), Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_TRUE(text("Label13").startsWith("読み込んだ画像を表示します"));
}

}  // namespace
}  // namespace hosei::test
