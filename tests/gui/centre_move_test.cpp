// The centre move: the two input boxes, their range, rounding and reset, and the
// vignetting circle around the moved centre.

#include <QPushButton>
#include <QRadioButton>

#include "circle_shape.h"
#include "gui_test.h"

namespace hosei::test {
namespace {

class CentreMoveTest : public GuiTest {
 protected:
  void choosePhoto(int width, int height) {
    TestBitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    choose(photo("photo.bmp", bitmap));
  }
  // Presses Command6 with the answers typed into the boxes, in order.
  void moveCentre(std::initializer_list<QString> answers) {
    services.inputBoxes.clear();
    for (const QString& answer : answers) services.answerInputBox(answer);
    click("Command6");
  }
};

const QString kRangeNote = "\r\n\r\n 範囲外の数字や『キャンセル』で画像の中心へ戻ります";

TEST_F(CentreMoveTest, TheBoxesShowTheRangeAndOfferTheCurrentCentre) {
  choosePhoto(640, 480);
  moveCentre({"400", "240"});
  ASSERT_EQ(services.inputBoxes.size(), 2u);
  EXPECT_EQ(services.inputBoxes[0].prompt,
            "中心の ｘ 座標  （ 128 - 512）　　中心は  320" + kRangeNote);
  EXPECT_EQ(services.inputBoxes[0].title, "中心座標の入力");
  EXPECT_EQ(services.inputBoxes[0].defaultAnswer, " 320");
  EXPECT_EQ(services.inputBoxes[1].prompt,
            "中心の ｙ 座標  （ 96 - 384）　　中心は  240" + kRangeNote);
  EXPECT_EQ(services.inputBoxes[1].title, "中心座標の入力");
  EXPECT_EQ(services.inputBoxes[1].defaultAnswer, " 240");

  EXPECT_EQ(text("Label16"), "400");
  EXPECT_EQ(text("Label17"), "240");
  EXPECT_EQ(text("Label18"), "中心移動");
  ASSERT_TRUE(window->movedCentre());
  EXPECT_EQ(window->movedCentre()->farCornerDistanceSquared, 400.0f * 400 + 240.0f * 240);

  // Asked again, the boxes offer the moved centre.
  moveCentre({""});
  EXPECT_EQ(services.inputBoxes[0].defaultAnswer, " 400");
  EXPECT_EQ(services.inputBoxes.size(), 1u);  // cancelled x: no y box
  EXPECT_FALSE(window->movedCentre());
  EXPECT_TRUE(text("Label16").isEmpty() && text("Label17").isEmpty() && text("Label18").isEmpty());
  EXPECT_TRUE(services.messages.empty());
}

TEST_F(CentreMoveTest, AnswersOutOfRangeOrAtTheImageCentreResetIt) {
  choosePhoto(640, 480);
  struct Case {
    QString x, y;  // an empty y: its box must not be shown
    std::optional<MovedCentre> expected;
  };
  const Case cases[] = {
      {"320", "240", std::nullopt},  // the image centre itself
      {"600", "", std::nullopt},     // x out of range: no y box
      {"127", "", std::nullopt},
      {"abc", "", std::nullopt},
      {"400", "50", std::nullopt},  // y out of range resets though x was good
      {"400", "385", std::nullopt},
      {"128", "384", MovedCentre{128, 384, 512.0f * 512 + 384.0f * 384}},  // the edges count
      {"512", "96", MovedCentre{512, 96, 512.0f * 512 + 384.0f * 384}},
      {" 330.4 dots", "2.4e2", MovedCentre{330, 240, 330.0f * 330 + 240.0f * 240}},
  };
  for (const Case& c : cases) {
    window->setMovedCentre({200, 200, 1.0f});
    if (c.y.isEmpty())
      moveCentre({c.x});
    else
      moveCentre({c.x, c.y});
    EXPECT_EQ(services.inputBoxes.size(), c.y.isEmpty() ? 1u : 2u) << c.x.toStdString();
    const auto moved = window->movedCentre();
    ASSERT_EQ(moved.has_value(), c.expected.has_value()) << c.x.toStdString();
    if (!moved) {
      EXPECT_TRUE(text("Label18").isEmpty());
      continue;
    }
    EXPECT_EQ(moved->x, c.expected->x);
    EXPECT_EQ(moved->y, c.expected->y);
    EXPECT_EQ(moved->farCornerDistanceSquared, c.expected->farCornerDistanceSquared);
  }
}

TEST_F(CentreMoveTest, AnOddSizePutsTheCentreBetweenDotsAndAnswersRoundToEven) {
  choosePhoto(641, 481);
  moveCentre({"320", "240"});  // 320.5 and 240.5 are the centre; whole dots never are
  EXPECT_EQ(services.inputBoxes[0].prompt,
            "中心の ｘ 座標  （ 128 - 513）　　中心は  320.5" + kRangeNote);
  EXPECT_EQ(services.inputBoxes[0].defaultAnswer, " 320.5");
  EXPECT_EQ(services.inputBoxes[1].defaultAnswer, " 240.5");
  ASSERT_TRUE(window->movedCentre());
  EXPECT_EQ(text("Label16"), "320");
  // Not right of the centre: the far edge is the right one, 641 - 320 dots away.
  EXPECT_EQ(window->movedCentre()->farCornerDistanceSquared, 321.0f * 321 + 241.0f * 241);

  moveCentre({"300.5", "301.5"});
  EXPECT_EQ(text("Label16"), "300");
  EXPECT_EQ(text("Label17"), "302");
}

TEST_F(CentreMoveTest, TheVignettingCircleFollowsTheMovedCentre) {
  TestBitmap bitmap;
  bitmap.width = 800;
  bitmap.height = 600;
  choose(photo("wide.bmp", bitmap));
  Form2* viewer = window->viewer();
  viewer->resize(400, 100);
  ASSERT_TRUE(WaitUntil([&] { return viewer->pictureArea() == QRect(0, 19, 400, 300); }));

  click("Command4");
  moveCentre({"600", "150"});
  // Farthest corner 750 dots away (600 across, 450 up), 375 pixels; half of it around
  // the image point (600, 150), which lies at (300, 19 + 225).
  ASSERT_TRUE(viewer->circleShown());
  EXPECT_EQ(viewer->circle()->circle(), QRectF(112.5, 56.5, 375, 375));

  // Back to the image centre: the circle follows.
  moveCentre({"0"});
  EXPECT_EQ(viewer->circle()->circle(), QRectF(75, 44, 250, 250));

  // No circle on screen: the move draws none.
  viewer->hideCircle();
  moveCentre({"600", "150"});
  EXPECT_FALSE(viewer->circleShown());

  // A fog circle on screen gives way to the vignetting circle around the new centre.
  control<QRadioButton>("Option2")->click();
  click("Command5");
  ASSERT_TRUE(viewer->circleShown());
  services.answerInputBox("600");
  services.answerInputBox("150");
  control<QPushButton>("Command6")->click();  // the button is hidden in this mode
  EXPECT_EQ(viewer->circle()->circle(), QRectF(112.5, 56.5, 375, 375));
  EXPECT_TRUE(services.messages.empty());
}

}  // namespace
}  // namespace hosei::test
