// The guide circles over the viewer's picture and the centre move's input boxes.

#include <QRadioButton>

#include "circle_shape.h"
#include "gui_test.h"

namespace hosei::test {
namespace {

class CircleTest : public GuiTest {
 protected:
  // An 800 x 600 photo in a viewer 400 pixels wide: the picture area is 400 x 300 pixels
  // below the 19-pixel strip, half a pixel per dot.
  void chooseWidePhoto() {
    choose(photo("wide.bmp", Sized(800, 600)));
    window->viewer()->resize(400, 100);
    ASSERT_TRUE(WaitUntil([&] { return window->viewer()->pictureArea() == kArea; }));
  }
  QRectF circle() const { return window->viewer()->circle()->circle(); }
  void moveCentre(std::initializer_list<QString> answers) {
    services.inputBoxes.clear();
    for (const QString& answer : answers) services.answerInputBox(answer);
    click("Command6");
  }
  const QRect kArea{0, 19, 400, 300};
};

TEST_F(CircleTest, TheCirclesLieWhereTheFieldsAndTheMovedCentreSay) {
  chooseWidePhoto();
  click("Command4");
  ASSERT_TRUE(window->viewer()->circleShown());
  // Half the diagonal is 250 pixels; 50 percent of it around the centre (200, 169).
  EXPECT_EQ(circle(), QRectF(75, 44, 250, 250));
  type("Text1", "20abc");  // redrawn with the value typed so far
  EXPECT_EQ(circle(), QRectF(150, 119, 100, 100));
  type("Text1", "100");  // refused: the circle stays
  EXPECT_EQ(circle(), QRectF(150, 119, 100, 100));

  type("Text1", "50");
  moveCentre({"600", "150"});
  // Farthest corner 750 dots away, 375 pixels; half of it around the image point
  // (600, 150), which lies at (300, 19 + 225).
  EXPECT_EQ(circle(), QRectF(112.5, 56.5, 375, 375));
  moveCentre({"0"});  // out of range: back to the image centre
  EXPECT_EQ(circle(), QRectF(75, 44, 250, 250));

  control<QRadioButton>("Option2")->click();
  EXPECT_FALSE(window->viewer()->circleShown());
  type("Text5", "400");
  type("Text6", "300");
  type("Text7", "40");
  click("Command5");
  EXPECT_EQ(circle(), QRectF(180, 149, 40, 40));
  QTest::mouseDClick(window->viewer()->windowHandle(), Qt::LeftButton, {}, QPoint(180, 169));
  EXPECT_TRUE(WaitUntil([&] { return !window->viewer()->circleShown(); }));
  EXPECT_TRUE(services.messages.empty());
}

TEST_F(CircleTest, TheCentreMoveShowsTheRangeAndResetsOutsideIt) {
  choose(photo("photo.bmp", Sized(640, 480)));
  moveCentre({"400", "240"});
  const QString note = "\r\n\r\n 範囲外の数字や『キャンセル』で画像の中心へ戻ります";
  EXPECT_EQ(
      services.inputBoxes,
      QStringList(
          {"中心座標の入力: 中心の ｘ 座標  （ 128 - 512）　　中心は  320" + note + " [ 320]",
           "中心座標の入力: 中心の ｙ 座標  （ 96 - 384）　　中心は  240" + note + " [ 240]"}));
  EXPECT_EQ(text("Label16") + text("Label17") + text("Label18"), "400240中心移動");
  const struct {
    QString x, y;  // an empty y: its box must not be shown
    std::optional<MovedCentre> moved;
  } cases[] = {
      {"320", "240", std::nullopt},  // the image centre itself
      {"127", "", std::nullopt},
      {"abc", "", std::nullopt},
      {"400", "385", std::nullopt},
      {"128", "384", MovedCentre{128, 384, 512.0f * 512 + 384.0f * 384}},
      {" 330.4 dots", "2.4e2", MovedCentre{330, 240, 330.0f * 330 + 240.0f * 240}},
  };
  for (const auto& c : cases) {
    window->setMovedCentre({200, 200, 1.0f});
    c.y.isEmpty() ? moveCentre({c.x}) : moveCentre({c.x, c.y});
    EXPECT_EQ(services.inputBoxes.size(), c.y.isEmpty() ? 1u : 2u) << c.x;
    const auto moved = window->work().movedCentre;
    ASSERT_EQ(moved.has_value(), c.moved.has_value()) << c.x;
    EXPECT_EQ(text("Label18").isEmpty(), !moved);
    if (moved) {
      EXPECT_EQ(std::tie(moved->x, moved->y, moved->farCornerDistanceSquared),
                std::tie(c.moved->x, c.moved->y, c.moved->farCornerDistanceSquared));
    }
  }
}

}  // namespace
}  // namespace hosei::test
