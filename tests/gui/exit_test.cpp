// Leaving the program: the exit button and closing the windows.

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include "gui_test.h"

namespace hosei::test {
namespace {

using ExitTest = GuiTest;

TEST_F(ExitTest, TheExitButtonDeletesOnlyTheCopiesThisRunMade) {
  const auto mine = programFolder / "_mine.bmp";  // a user's own photo, named like a copy
  WriteFile(mine, TestBitmap{}.bytes());
  control<QCheckBox>("Check3")->click();
  choose(photo("photo.bmp"));
  choose(photo("other.bmp"));
  ASSERT_TRUE(std::filesystem::exists(programFolder / "_photo.bmp"));
  click("Command2");
  EXPECT_FALSE(std::filesystem::exists(programFolder / "_photo.bmp"));
  EXPECT_FALSE(std::filesystem::exists(programFolder / "_other.bmp"));
  EXPECT_TRUE(std::filesystem::exists(mine));
  EXPECT_TRUE(std::filesystem::exists(photos / "photo.bmp"));
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(WaitUntil([&] { return window->viewer() == nullptr; }));
}

TEST_F(ExitTest, ClosingTheMainWindowClosesTheViewerAndKeepsTheCopies) {
  control<QCheckBox>("Check3")->click();
  choose(photo("photo.bmp"));
  window->close();
  EXPECT_TRUE(WaitUntil([&] { return window->viewer() == nullptr; }));
  EXPECT_TRUE(std::filesystem::exists(programFolder / "_photo.bmp"));
}

TEST_F(ExitTest, AClosedViewerComesBackInItsDesignState) {
  choose(photo("first.bmp"));
  QTest::mouseClick(viewerControl<QPushButton>("Command1"), Qt::LeftButton);  // actual size
  window->viewer()->close();
  ASSERT_TRUE(WaitUntil([&] { return window->viewer() == nullptr; }));
  const auto second = photo("second.bmp");
  choose(second);
  ASSERT_NE(window->viewer(), nullptr);
  EXPECT_TRUE(window->viewer()->zoomMode());
  EXPECT_EQ(window->viewer()->previousPath(), "");
  EXPECT_EQ(window->viewer()->currentPath(), Q(second));
}

}  // namespace
}  // namespace hosei::test
