// The viewer: the size rule, zoom and actual size, the before/after switch.

#include <QPushButton>
#include <QTest>

#include "circle_shape.h"
#include "gui_test.h"
#include "picture_box.h"

namespace hosei::test {
namespace {

using ViewerTest = GuiTest;

TestBitmap RedLeftBlueRight(int width, int height) {
  TestBitmap bitmap;
  bitmap.width = width;
  bitmap.height = height;
  bitmap.paint = [width](int x, int, std::uint8_t* bgr) {
    const bool left = x <= width / 2;
    bgr[0] = left ? 0 : 255;
    bgr[1] = 0;
    bgr[2] = left ? 255 : 0;
  };
  return bitmap;
}

TEST_F(ViewerTest, OnceASizeIsKnownOnlyTheWidthIsFree) {
  choose(photo("wide.bmp", RedLeftBlueRight(800, 600)));
  Form2* viewer = window->viewer();
  viewer->resize(400, 100);
  EXPECT_TRUE(WaitUntil([&] { return viewer->height() == 19 + 300; })) << viewer->height();
  EXPECT_EQ(viewer->pictureArea(), QRect(0, 19, 400, 300));
  viewer->resize(400, 500);  // dragging the bottom edge
  EXPECT_TRUE(WaitUntil([&] { return viewer->height() == 319; })) << viewer->height();
  viewer->resize(600, 319);
  EXPECT_TRUE(WaitUntil([&] { return viewer->height() == 19 + 450; })) << viewer->height();
  EXPECT_EQ(viewer->pictureArea(), QRect(0, 19, 600, 450));
}

TEST_F(ViewerTest, BeforeAnySizeIsKnownTheHeightIsFree) {
  TestBitmap eightBit;
  eightBit.bitsPerPixel = 8;
  choose(photo("eight.bmp", eightBit));
  click("Command1");  // Execute brings up the viewer before it checks the file
  Form2* viewer = window->viewer();
  ASSERT_NE(viewer, nullptr);
  EXPECT_EQ(viewer->currentPath(), Q(photos / "eight.bmp"));
  viewer->resize(500, 300);
  EXPECT_TRUE(WaitUntil([&] { return viewer->size() == QSize(500, 300); })) << viewer->height();
  EXPECT_EQ(viewer->pictureArea(), QRect(0, 19, 500, 201));
}

TEST_F(ViewerTest, ActualSizeDrawsThePictureUnscaledAndZoomStretchesIt) {
  choose(photo("wide.bmp", RedLeftBlueRight(800, 600)));
  Form2* viewer = window->viewer();
  viewer->resize(400, 319);
  ASSERT_TRUE(WaitUntil([&] { return viewer->pictureArea().width() == 400; }));
  auto* picture = viewerControl<PictureBox>("Image1");
  EXPECT_EQ(picture->grab().toImage().pixelColor(390, 150), QColor(0, 0, 255));
  viewer->circle()->show();

  auto* zoom = viewerControl<QPushButton>("Command1");
  QTest::mouseClick(zoom, Qt::LeftButton);
  EXPECT_FALSE(viewer->zoomMode());
  EXPECT_EQ(zoom->text(), "zoomへ");
  EXPECT_EQ(viewerText("Label3"), "実寸 横×縦＝");
  EXPECT_FALSE(viewer->circleShown());
  EXPECT_EQ(picture->grab().toImage().pixelColor(390, 150), QColor(255, 0, 0));

  QTest::mouseClick(zoom, Qt::LeftButton);
  EXPECT_TRUE(viewer->zoomMode());
  EXPECT_EQ(zoom->text(), "実寸へ");
  EXPECT_EQ(viewerText("Label3"), "zoom 横×縦＝");
  EXPECT_EQ(viewer->size(), QSize(400, 319));
}

TEST_F(ViewerTest, TheBackButtonTradesThePreviousAndTheCurrentPicture) {
  const auto first = photo("first.bmp", RedLeftBlueRight(6, 4));
  choose(first);
  auto* back = viewerControl<QPushButton>("Command2");
  QTest::mouseClick(back, Qt::LeftButton);  // nothing shown before: nothing to switch to
  EXPECT_EQ(window->viewer()->currentPath(), Q(first));

  TestBitmap other;  // 4 x 3
  const auto second = photo("second.bmp", other);
  choose(second);
  Form2* viewer = window->viewer();
  auto* picture = viewerControl<PictureBox>("Image1");
  QTest::mouseClick(back, Qt::LeftButton);
  EXPECT_EQ(viewer->windowTitle(), Q(first));
  EXPECT_EQ(viewer->currentPath(), Q(first));
  EXPECT_EQ(viewer->previousPath(), Q(second));
  EXPECT_EQ(picture->picture().size(), QSize(6, 4));
  QTest::mouseClick(back, Qt::LeftButton);
  EXPECT_EQ(viewer->windowTitle(), Q(second));
  EXPECT_EQ(viewer->currentPath(), Q(second));
  EXPECT_EQ(picture->picture().size(), QSize(4, 3));

  std::filesystem::remove(first);
  QTest::mouseClick(back, Qt::LeftButton);
  ASSERT_EQ(services.messages.size(), 1u);
  EXPECT_TRUE(services.messages[0].text.startsWith("画像を表示できません\n"));
  EXPECT_EQ(viewer->currentPath(), Q(second));
  EXPECT_EQ(viewer->windowTitle(), Q(second));
}

TEST_F(ViewerTest, AZeroWidthHeaderLeavesTheHeightAlone) {
  TestBitmap empty;
  empty.width = 0;
  choose(photo("empty.bmp", empty));
  Form2* viewer = window->viewer();
  EXPECT_EQ(viewerText("Label1"), "0");
  viewer->resize(350, 260);
  EXPECT_TRUE(WaitUntil([&] { return viewer->size() == QSize(350, 260); }));
  ASSERT_EQ(services.messages.size(), 1u);  // nothing to show
}

}  // namespace
}  // namespace hosei::test
