// The guide circles over the viewer's picture: where they lie, when they are redrawn and
// when they go away.

#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "circle_shape.h"
#include "gui_test.h"
#include "picture_box.h"

namespace hosei::test {
namespace {

class GuideCircleTest : public GuiTest {
 protected:
  // An 800 x 600 photo in a viewer 400 pixels wide: the picture area is 400 x 300 pixels
  // below the 19-pixel strip, half a pixel per dot.
  void chooseWidePhoto() {
    TestBitmap bitmap;
    bitmap.width = 800;
    bitmap.height = 600;
    choose(photo("wide.bmp", bitmap));
    window->viewer()->resize(400, 100);
    ASSERT_TRUE(WaitUntil([&] { return window->viewer()->pictureArea() == kArea; }))
        << window->viewer()->pictureArea().height();
  }
  CircleShape* circle() const { return window->viewer()->circle(); }
  void type(const char* field, const QString& text) { control<QLineEdit>(field)->setText(text); }

  const QRect kArea{0, 19, 400, 300};
};

TEST_F(GuideCircleTest, TheVignettingCircleIsTheStartPercentOfHalfTheDiagonal) {
  chooseWidePhoto();
  click("Command4");
  ASSERT_TRUE(window->viewer()->circleShown());
  // Half the diagonal is 250 pixels; 50 percent of it around the centre (200, 169).
  EXPECT_EQ(circle()->circle(), QRectF(75, 44, 250, 250));
  EXPECT_TRUE(kArea.contains(circle()->geometry()));

  // Every change of the start redraws it, with the value typed so far.
  type("Text1", "2");
  EXPECT_EQ(circle()->circle(), QRectF(195, 164, 10, 10));
  type("Text1", "20abc");
  EXPECT_EQ(circle()->circle(), QRectF(150, 119, 100, 100));
  type("Text1", "99");
  EXPECT_EQ(circle()->circle(), QRectF(-47.5, -78.5, 495, 495));
  // A start the correction refuses leaves the last circle as it was.
  for (const char* refused : {"100", "0", "", "-5", "abc"}) {
    type("Text1", refused);
    EXPECT_TRUE(window->viewer()->circleShown()) << refused;
    EXPECT_EQ(circle()->circle(), QRectF(-47.5, -78.5, 495, 495)) << refused;
  }
  click("Command4");  // pressed with a refused start: nothing either
  EXPECT_EQ(circle()->circle(), QRectF(-47.5, -78.5, 495, 495));

  // While no circle is shown, typing draws none.
  window->viewer()->hideCircle();
  type("Text1", "30");
  EXPECT_FALSE(window->viewer()->circleShown());
  EXPECT_TRUE(services.messages.empty());
}

TEST_F(GuideCircleTest, TheFogCircleHasTheSizeAsRadiusAndMayLieOutsideThePicture) {
  chooseWidePhoto();
  control<QRadioButton>("Option2")->click();
  type("Text5", "-100");
  type("Text6", "700");
  type("Text7", "150");
  click("Command5");
  ASSERT_TRUE(window->viewer()->circleShown());
  // Centre (-50, 19 + 300 - 350): above and left of the picture; only its arc over the
  // picture's top-left corner is drawn.
  EXPECT_EQ(circle()->circle(), QRectF(-125, -106, 150, 150));
  EXPECT_FALSE(circle()->geometry().isEmpty());
  EXPECT_TRUE(kArea.contains(circle()->geometry()));

  type("Text5", "400");
  type("Text6", "300");
  type("Text7", "40");
  EXPECT_EQ(circle()->circle(), QRectF(180, 149, 40, 40));

  // Texts Execute would refuse still redraw; nothing finite to draw leaves the circle
  // placed but empty, and the next usable text brings it back.
  for (const char* unusable : {"1e400", "-1e400", "-50", "0"}) {
    type("Text7", unusable);
    EXPECT_TRUE(window->viewer()->circleShown()) << unusable;
    circle()->grab();  // paints without failing
  }
  type("Text5", "1e400");
  type("Text7", "40");
  EXPECT_TRUE(circle()->geometry().isEmpty());
  circle()->grab();
  type("Text5", "400");
  EXPECT_EQ(circle()->circle(), QRectF(180, 149, 40, 40));
  EXPECT_FALSE(circle()->geometry().isEmpty());
  EXPECT_TRUE(services.messages.empty());
}

TEST_F(GuideCircleTest, TheOutlineStandsOutOnBlackAndOnWhite) {
  for (const int level : {0, 255}) {
    TestBitmap plain;
    plain.width = 800;
    plain.height = 600;
    plain.paint = [level](int, int, std::uint8_t* bgr) {
      bgr[0] = bgr[1] = bgr[2] = static_cast<std::uint8_t>(level);
    };
    choose(photo("plain.bmp", plain));
    window->viewer()->resize(400, 100);
    ASSERT_TRUE(WaitUntil([&] { return window->viewer()->pictureArea() == kArea; }));
    click("Command4");
    const QImage shot = window->viewer()->grab().toImage();
    // Across the circle's top at (200, 44), some of the outline differs strongly from the
    // photo underneath.
    int contrast = 0;
    for (int y = 38; y <= 50; ++y)
      contrast = std::max(contrast, std::abs(qGray(shot.pixel(200, y)) - level));
    EXPECT_GT(contrast, 150) << "photo level " << level;
    EXPECT_EQ(qGray(shot.pixel(200, 30)), level);
  }
}

TEST_F(GuideCircleTest, TheCircleGoesAwayWhenThePictureChangesOrIsDoubleClicked) {
  chooseWidePhoto();
  const std::pair<const char*, std::function<void()>> hiders[] = {
      {"double click on the circle's outline",
       [&] {
         QTest::mouseDClick(window->viewer()->windowHandle(), Qt::LeftButton, {}, QPoint(75, 169));
       }},
      {"resize", [&] { window->viewer()->resize(360, 100); }},
      {"actual size",
       [&] { QTest::mouseClick(viewerControl<QPushButton>("Command1"), Qt::LeftButton); }},
      {"Execute", [&] { click("Command1"); }},
      {"a newly accepted file", [&] { choose(photos / "wide.bmp"); }},
      {"choosing a mode", [&] { control<QRadioButton>("Option2")->click(); }},
  };
  for (const auto& [what, hide] : hiders) {
    if (!window->viewer()->zoomMode())
      QTest::mouseClick(viewerControl<QPushButton>("Command1"), Qt::LeftButton);
    click("Command4");
    ASSERT_TRUE(window->viewer()->circleShown()) << what;
    hide();
    EXPECT_TRUE(WaitUntil([&] { return !window->viewer()->circleShown(); })) << what;
  }
  EXPECT_TRUE(services.messages.empty());
}

TEST_F(GuideCircleTest, InActualSizeTheButtonsAskForZoomMode) {
  chooseWidePhoto();
  QTest::mouseClick(viewerControl<QPushButton>("Command1"), Qt::LeftButton);
  click("Command4");
  control<QRadioButton>("Option2")->click();
  click("Command5");
  ASSERT_EQ(services.messages.size(), 2u);
  for (const auto& message : services.messages) {
    EXPECT_EQ(message.text, "ＺＯＯＭモードに変更してからご使用ください");
    EXPECT_EQ(message.title, "お願い");
  }
  EXPECT_FALSE(window->viewer()->circleShown());
  QTest::mouseDClick(viewerControl<PictureBox>("Image1"), Qt::LeftButton);
  EXPECT_FALSE(window->viewer()->circleShown());
}

TEST_F(GuideCircleTest, WithoutAnImageSizeTheButtonsDoNothing) {
  // A rejected first file is current, but no size was ever recorded.
  TestBitmap eightBit;
  eightBit.bitsPerPixel = 8;
  choose(photo("eight.bmp", eightBit));
  services.messages.clear();
  click("Command4");
  click("Command6");  // no input box: the services would record it as unexpected
  ASSERT_NE(window->viewer(), nullptr);
  EXPECT_FALSE(window->viewer()->isVisible());
  EXPECT_FALSE(window->viewer()->circleShown());

  // A header of width 0 or height 0 records a size of 0.
  for (const auto& [width, height] : {std::pair{0, 5}, std::pair{5, 0}}) {
    TestBitmap empty;
    empty.width = width;
    empty.height = height;
    choose(photo("empty.bmp", empty));
    services.messages.clear();  // nothing to show
    control<QRadioButton>("Option1")->click();
    click("Command4");
    click("Command6");
    control<QRadioButton>("Option2")->click();
    click("Command5");
    EXPECT_FALSE(window->viewer()->circleShown()) << width << "x" << height;
    EXPECT_TRUE(services.messages.empty());
  }
}

}  // namespace
}  // namespace hosei::test
