// What the viewer holds of a picture and when it reads it again; each test runs as a process
// of its own, as the last lowers its address-space limit.

#include <sys/mman.h>
#include <sys/resource.h>

#include <QScreen>
#include <cstdlib>

#include "gui_test.h"
#include "guide_marks.h"
#include "picture_box.h"

inline std::ostream& operator<<(std::ostream& out, const QSize& size) {
  return out << size.width() << "x" << size.height();
}

namespace hosei::test {
namespace {

namespace fs = std::filesystem;

void Settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

class ViewerPicture : public ::testing::Test {
 protected:
  ViewerPicture() : viewer(services, work) {
    viewer.show();
    Settle();
  }
  PictureBox& box() { return *viewer.findChild<PictureBox*>(QStringLiteral("Image1")); }
  QImage image() { return box().picture().image; }
  void click(const char* name) {
    viewer.findChild<QPushButton*>(QString::fromLatin1(name))->click();
    Settle();
  }
  QSize screenSize() { return viewer.screen()->availableGeometry().size(); }

  ScratchFolder folder;
  ScriptedPlatformServices services;
  WorkModel work;
  Form2 viewer;
};

TEST_F(ViewerPicture, HoldsOnlyWhatTheModeShowsAndReadsAgainWhenTheModeOrAreaNeedsMore) {
  const QSize picture(4000, 3000);
  const fs::path path = folder / "large.bmp";
  WriteSparseBitmap(path, picture.width(), picture.height());
  // Both sizes fit within the screen, where the viewer keeps itself.
  viewer.resize(400, viewer.height());
  viewer.setImageSize(picture.width(), picture.height());
  ASSERT_FALSE(viewer.showAsCurrent(Q(path), Q(path)));
  Settle();
  const auto largestView = [&] { return box().size().expandedTo(screenSize()); };
  ASSERT_EQ(box().size(), QSize(400, 300));

  // Zoom: the whole picture, reduced to no fewer pixels than can be seen, yet well below its
  // own size.
  EXPECT_TRUE(box().picture().reduced);
  EXPECT_TRUE(image().width() >= largestView().width() && image().width() < picture.width() / 2);
  EXPECT_TRUE(image().height() >= largestView().height() &&
              image().height() < picture.height() / 2);
  // Actual size: the part that can be seen and a margin to move into, at full size.
  const auto heldAtActualSize = [&] { return (largestView() * 2).boundedTo(picture); };
  click("Command1");
  EXPECT_FALSE(viewer.zoomMode());
  EXPECT_FALSE(box().picture().reduced);
  EXPECT_EQ(image().size(), heldAtActualSize());
  // A window larger than any before: read again once it settles.
  viewer.resize(560, viewer.height());
  Settle();
  ASSERT_EQ(box().size(), QSize(560, 420));
  EXPECT_EQ(image().size(), heldAtActualSize());
  click("Command1");
  EXPECT_TRUE(viewer.zoomMode());
  EXPECT_TRUE(box().picture().reduced);
  EXPECT_TRUE(image().width() >= 560 && image().height() >= 420) << image().size();
  EXPECT_TRUE(image().width() < picture.width() && image().height() < picture.height());
  EXPECT_EQ(services.messages, QStringList());
}

TEST_F(ViewerPicture, AFileThatCannotBeReadAgainChangesNothingButTheMessage) {
  const fs::path before = folder / "before.bmp", after = folder / "after.bmp";
  const auto blueShown = [&] { return qBlue(image().pixel(0, 0)); };
  WriteFile(before, Uniform(4, 3, {10, 0, 0}).bytes());
  WriteFile(after, Uniform(4, 3, {200, 0, 0}).bytes());
  viewer.setImageSize(4, 3);
  ASSERT_FALSE(viewer.showAsCurrent(Q(before), Q(before)));
  ASSERT_FALSE(viewer.showAsCurrent(Q(after), Q(after)));
  EXPECT_EQ(blueShown(), 200);

  fs::remove(after);
  const qint64 shown = image().cacheKey();
  click("Command1");  // to actual size: the file on show is gone
  ASSERT_EQ(services.messages.size(), 1);
  EXPECT_TRUE(services.messages[0].startsWith("画像を表示できません\nファイルを開けません: "))
      << services.messages[0].toStdString();
  EXPECT_TRUE(viewer.zoomMode());
  EXPECT_EQ(image().cacheKey(), shown);

  click("Command2");  // ←: the picture before comes back
  EXPECT_EQ(blueShown(), 10);
  EXPECT_EQ(viewer.currentPath(), Q(before));
  EXPECT_EQ(viewer.previousPath(), Q(after));
  click("Command2");  // and the one after cannot
  EXPECT_EQ(services.messages.size(), 2);
  EXPECT_EQ(blueShown(), 10);
  EXPECT_EQ(viewer.currentPath(), Q(before));
  EXPECT_EQ(viewer.windowTitle(), Q(before));
}

// A picture whose pixels alone are more than the process may map: the viewer shows it in
// both modes and the display copy with guide lines is written, none holding it whole.
TEST_F(ViewerPicture, AHugePictureIsViewedInBothModesAndCopiedWithGuideLines) {
  if (std::getenv("HOSEI_SANITIZED"))
    GTEST_SKIP() << "the sanitizers reserve far more address space than the limit";
  const int side = 12000;  // 412 MiB of pixels
  const fs::path huge = folder / "huge.bmp", copy = folder / "_huge.bmp";
  WriteSparseBitmap(huge, side, side);
  viewer.setImageSize(side, side);
  rlimit limit{};
  getrlimit(RLIMIT_AS, &limit);
  limit.rlim_cur = 400 << 20;
  ASSERT_EQ(setrlimit(RLIMIT_AS, &limit), 0);
  // The limit is real: there is no room for the pixels in one piece.
  ASSERT_EQ(::mmap(nullptr, std::size_t{412} << 20, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS, -1, 0),
            MAP_FAILED);

  ASSERT_FALSE(viewer.showAsCurrent(Q(huge), Q(huge)));
  Settle();
  click("Command1");
  EXPECT_FALSE(viewer.zoomMode());
  ASSERT_FALSE(WriteDisplayCopy(huge.string(), copy.string()));
  EXPECT_EQ(fs::file_size(copy), fs::file_size(huge));
  ASSERT_FALSE(viewer.showAsCurrent(Q(copy), Q(copy)));
  Settle();
  click("Command1");
  EXPECT_TRUE(viewer.zoomMode());
  EXPECT_EQ(services.messages, QStringList());
}

}  // namespace
}  // namespace hosei::test
