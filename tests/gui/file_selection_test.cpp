// Choosing the file: dialog and confirmation, the header check, the viewer, display copies.

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include "bitmap_file.h"
#include "gui_test.h"
#include "guide_marks.h"
#include "picture_box.h"

namespace hosei::test {
namespace {

using FileSelectionTest = GuiTest;

QColor PaintedColour(const TestBitmap& bitmap, int x, int y) {
  std::uint8_t bgr[3];
  bitmap.paint(x, y, bgr);
  return QColor(bgr[2], bgr[1], bgr[0]);
}

TEST_F(FileSelectionTest, TheDialogAsksAgainUntilAFileIsConfirmedOrItIsCancelled) {
  const auto first = photo("first.bmp");
  const auto second = photo("second.bmp");
  services.chooseInDialog(Q(first));
  services.answerConfirmation(false);
  services.chooseInDialog(Q(second));
  services.answerConfirmation(true);
  click("Command3");
  ASSERT_EQ(services.dialogs.size(), 2u);
  EXPECT_EQ(services.dialogs[0].folder, Q(scratch / "samples"));
  EXPECT_EQ(services.dialogs[0].filters, QStringList({"ビットマップ(*.bmp)", "all(*.*)"}));
  EXPECT_EQ(services.dialogs[0].defaultSuffix, "bmp");
  EXPECT_EQ(services.dialogs[1].folder, Q(photos));
  EXPECT_EQ(services.confirmations[0].text, "first.bmp の処理を行ないます");
  EXPECT_EQ(services.confirmations[0].title, "選択ファイルの確認");
  EXPECT_EQ(text("Text3"), Q(second));

  services.cancelDialog();
  click("Command3");
  EXPECT_EQ(text("Text3"), Q(second));
}

TEST_F(FileSelectionTest, AnAcceptedFileBecomesCurrentAndIsShownTheRightWayUp) {
  TestBitmap bitmap;
  bitmap.width = 250;
  bitmap.height = 120;
  const auto path = photo("a.bmp", bitmap);
  window->setMovedCentre({100, 50, 1.0f});
  choose(path);

  EXPECT_TRUE(control<QWidget>("Text3")->isEnabled());
  for (const char* enabled : {"Command1", "Command4", "Command5", "Command6"})
    EXPECT_TRUE(control<QWidget>(enabled)->isEnabled()) << enabled;
  EXPECT_FALSE(window->movedCentre());
  Form2* viewer = window->viewer();
  ASSERT_NE(viewer, nullptr);
  EXPECT_TRUE(viewer->isVisible());
  EXPECT_EQ(viewer->pos(), window->pos() + QPoint(400, 0));
  EXPECT_EQ(viewer->windowTitle(), Q(path));
  EXPECT_EQ(viewerText("Label1"), "250");
  EXPECT_EQ(viewerText("Label2"), "120");
  EXPECT_EQ(viewer->currentPath(), Q(path));
  EXPECT_EQ(viewer->previousPath(), "");
  const QImage shown = viewerControl<PictureBox>("Image1")->picture().toImage();
  EXPECT_EQ(shown.pixelColor(0, 0), PaintedColour(bitmap, 1, 120));  // top left
  EXPECT_EQ(shown.pixelColor(249, 119), PaintedColour(bitmap, 250, 1));
  EXPECT_TRUE(services.messages.empty());
}

TEST_F(FileSelectionTest, ARejectedFileStaysCurrentAndChangesNothingElse) {
  const auto good = photo("good.bmp");
  choose(good);
  window->setMovedCentre({2, 1, 5.0f});
  TestBitmap eightBit;
  eightBit.bitsPerPixel = 8;
  for (const auto& rejected : {photo("eight.bmp", eightBit), photo("short.bmp", TestBitmap{})}) {
    if (rejected.filename() == "short.bmp") std::filesystem::resize_file(rejected, 20);
    choose(rejected);
    ASSERT_FALSE(services.messages.empty());
    EXPECT_EQ(services.messages.back().text, "24bit Windowsビットマップではありません");
    EXPECT_EQ(services.messages.back().title, "");
    EXPECT_EQ(text("Label4"), "色数のエラー");
    EXPECT_EQ(text("Text3"), Q(rejected));
    EXPECT_EQ(window->viewer()->currentPath(), Q(good));
    EXPECT_TRUE(window->movedCentre());
  }
}

TEST_F(FileSelectionTest, GuideLinesShowAMarkedCopyMadeByTheEngine) {
  TestBitmap bitmap;
  bitmap.width = 320;
  bitmap.height = 240;
  const auto path = photo("photo.bmp", bitmap);
  control<QCheckBox>("Check3")->click();
  choose(path);
  const auto copy = programFolder / "_photo.bmp";
  ASSERT_TRUE(std::filesystem::exists(copy));
  ASSERT_FALSE(WriteDisplayCopy(path.string(), (scratch / "expected.bmp").string()));
  EXPECT_EQ(ReadFile(copy), ReadFile(scratch / "expected.bmp"));
  EXPECT_EQ(window->viewer()->currentPath(), Q(copy));
  EXPECT_EQ(workingFiles->displayCopies(), QStringList{Q(copy)});
}

TEST_F(FileSelectionTest, WithoutShowImageTheViewerGetsTheSizeButKeepsItsPicture) {
  choose(photo("first.bmp"));
  control<QCheckBox>("Check3")->click();
  control<QCheckBox>("Check2")->click();
  TestBitmap other;
  other.width = 7;
  const auto second = photo("second.bmp", other);
  choose(second);
  EXPECT_EQ(window->viewer()->windowTitle(), Q(second));
  EXPECT_EQ(viewerText("Label1"), "7");
  EXPECT_EQ(window->viewer()->currentPath(), Q(photos / "first.bmp"));
  EXPECT_TRUE(std::filesystem::is_empty(programFolder));
}

TEST_F(FileSelectionTest, CopiesGoToTheCacheWhenTheProgramFolderCannotTakeThem) {
  const auto notAFolder = photo("not-a-folder.bmp");
  *workingFiles = WorkingFiles(Q(notAFolder / "program"), Q(cacheFolder));
  control<QCheckBox>("Check3")->click();
  const auto path = photo("photo.bmp");
  choose(path);
  EXPECT_TRUE(std::filesystem::exists(cacheFolder / "_photo.bmp"));
  EXPECT_EQ(window->viewer()->currentPath(), Q(cacheFolder / "_photo.bmp"));

  // Neither folder writable: a clear message, no file, the picture stays.
  *workingFiles = WorkingFiles(Q(notAFolder / "program"), Q(notAFolder / "cache"));
  choose(photo("other.bmp"));
  ASSERT_EQ(services.messages.size(), 1u);
  EXPECT_TRUE(services.messages[0].text.startsWith("補助線入りの表示用ファイルを作れません\n"));
  EXPECT_EQ(window->viewer()->currentPath(), Q(cacheFolder / "_photo.bmp"));
}

TEST_F(FileSelectionTest, EveryBitmapTheEngineReadsCanBeShownAndOthersGetAMessage) {
  // No "BM" signature and a gap before the pixels: Qt's own reader would refuse it.
  TestBitmap unusual;
  unusual.pixelDataOffset = 70;
  auto bytes = unusual.bytes();
  bytes[0] = 'X';
  bytes[1] = 'Y';
  const auto odd = photos / "odd.bmp";
  WriteFile(odd, bytes);
  choose(odd);
  EXPECT_TRUE(services.messages.empty());
  EXPECT_EQ(viewerControl<PictureBox>("Image1")->picture().size(), QSize(4, 3));

  const auto truncated = photo("truncated.bmp");
  std::filesystem::resize_file(truncated, 60);
  choose(truncated);
  ASSERT_EQ(services.messages.size(), 1u);
  EXPECT_TRUE(services.messages[0].text.startsWith("画像を表示できません\n"));
  EXPECT_EQ(window->viewer()->currentPath(), Q(odd));
}

}  // namespace
}  // namespace hosei::test
