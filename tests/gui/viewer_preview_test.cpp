// The viewer's preview: the current file corrected with the fields as they change, equal to
// what Execute then writes as far as the screen's scale shows it, with nothing written.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <cstdlib>

#include "gui_test.h"
#include "photo_test_support.h"
#include "picture_box.h"
#include "picture_preview.h"
#include "picture_reader.h"

namespace hosei::test {
namespace {

namespace fs = std::filesystem;

// A photo with sharp detail everywhere, so a correction misplaced by a dot shows.
TestBitmap Detailed(int width, int height) {
  TestBitmap bitmap = Sized(width, height);
  bitmap.paint = [](int x, int y, std::uint8_t* bgr) {
    bgr[0] = static_cast<std::uint8_t>(60 + (x * 3 + y) % 120);
    bgr[1] = static_cast<std::uint8_t>(40 + (x + y * 5) % 150);
    bgr[2] = static_cast<std::uint8_t>(30 + (x * y) % 170);
  };
  return bitmap;
}

// A photo of smooth gradients: reduced, each pixel is close to every dot it stands for, so
// the correction of the reduction and the reduction of the correction differ only by the
// rounding, wherever the correction lands in the right place.
TestBitmap Smooth(int width, int height) {
  TestBitmap bitmap = Sized(width, height);
  bitmap.paint = [width, height](int x, int y, std::uint8_t* bgr) {
    const double across = double(x) / width, up = double(y) / height;
    bgr[0] = static_cast<std::uint8_t>(60 + 120 * across);
    bgr[1] = static_cast<std::uint8_t>(40 + 150 * up);
    bgr[2] = static_cast<std::uint8_t>(30 + 80 * (across + up));
  };
  return bitmap;
}

// The share of the bytes of an image on show that differ from those of a picture read from a
// file by more than `tolerance`: 1 when their sizes differ.
double ShareOff(const QImage& shown, const TopDownPicture& read, int tolerance) {
  if (shown.width() != read.width || shown.height() != read.height) return 1;
  std::size_t off = 0;
  for (int y = 0; y < read.height; ++y)
    for (int i = 0; i < 3 * read.width; ++i)
      off += std::abs(shown.constScanLine(y)[i] - read.row(y)[i]) > tolerance;
  return static_cast<double>(off) / (3.0 * read.width * read.height);
}

class ViewerPreviewTest : public GuiTest {
 protected:
  PictureBox* box() { return viewerControl<PictureBox>("Image1"); }
  Form2* viewer() { return window->viewer(); }
  void preview() {
    for (QAction* action : viewer()->actions())
      if (action->text() == QStringLiteral("プレビュー")) action->trigger();
  }
  void select(const char* option) { control<QRadioButton>(option)->click(); }
  // The result of Execute read as the viewer holds its picture: reduced by the same blocks,
  // or its part at actual size.
  TopDownPicture resultAsHeld(const fs::path& result) {
    const ViewerPicture& held = box()->picture();
    std::unique_ptr<PictureReader> reader;
    TopDownPicture read;
    Reduction reduction;
    EXPECT_FALSE(OpenPictureReader(result.string(), reader));
    const PictureSize target{reader->width() / held.dotsPerPixel.width(),
                             reader->height() / held.dotsPerPixel.height()};
    EXPECT_FALSE(held.reduced ? ReadReducedPicture(*reader, target, read, reduction)
                              : ReadRegion(*reader, held.origin.x(), held.origin.y(),
                                           {held.image.width(), held.image.height()}, read));
    return read;
  }
};

// In every mode, with the changes made while the preview is on, the preview's pixels are
// those of Execute's result: the same where the viewer holds the picture at its own size;
// where it holds fewer pixels than dots, within the rounding of the reduction but for the
// few blocks that straddle the background adjustment's threshold, which is all or nothing.
TEST_F(ViewerPreviewTest, ThePreviewShowsWhatExecuteWritesInEveryMode) {
  const struct {
    const char* what;
    std::function<void()> set;
  } corrections[] = {
      {"vignetting, sharp, moved centre",
       [&] {
         type("Text1", "30");
         type("Text2", "90");
         control<QComboBox>("Combo1")->setEditText("Sharp");
         services.answerInputBox(QString::number(window->work().imageSize->width / 3));
         services.answerInputBox(QString::number(window->work().imageSize->height / 3));
         click("Command6");
       }},
      {"fog, brighter",
       [&] {
         select("Option2");
         type("Text5", "60");
         type("Text6", "40");
         type("Text7", "150");
         type("Text8", "80");
       }},
      {"fog, darker, background adjusted",
       [&] {
         select("Option2");
         type("Text8", "-60");
         control<QCheckBox>("Check1")->click();
         type("Text4", "120");
       }},
      {"gamma", [&] {
         select("Option3");
         type("Text9", "1.8");
       }}};
  const struct {
    int width, height, tolerance;
    TestBitmap (*paint)(int, int);
  } sizes[] = {{240, 180, 0, Detailed}, {1700, 1300, 2, Smooth}};  // held whole; halved
  int run = 0;
  for (const auto& size : sizes)
    for (const auto& correction : corrections) {
      SCOPED_TRACE(std::string(correction.what) + " at " + std::to_string(size.width));
      const auto file =
          photo("p" + std::to_string(run++) + ".bmp", size.paint(size.width, size.height));
      choose(file);
      preview();
      ASSERT_TRUE(viewer()->previewOn());
      correction.set();
      const QImage previewed = box()->shownImage();
      EXPECT_NE(previewed, box()->picture().image);
      EXPECT_EQ(box()->picture().dotsPerPixel.width(), size.tolerance ? 2 : 1);

      click("Command1");
      EXPECT_FALSE(viewer()->previewOn());
      fs::path result = file;
      result.replace_filename(file.stem().string() + "_.bmp");
      ASSERT_TRUE(fs::exists(result));
      EXPECT_LE(ShareOff(previewed, resultAsHeld(result), size.tolerance),
                size.tolerance ? 0.005 : 0.0);
      select("Option1");
      if (control<QCheckBox>("Check1")->isChecked()) control<QCheckBox>("Check1")->click();
    }
}

// At actual size the preview corrects what is in view, each pixel its own dot, and follows
// the view as it moves; a deep picture likewise through the deep correction, with samples
// that are whole bytes repeated so that the held bytes stand for them exactly.
TEST_F(ViewerPreviewTest, AtActualSizeThePreviewIsExecutesResultWhereverTheViewIs) {
  const int width = 1700, height = 1300;
  Picture deep{width, height, 3, {}};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      deep.samples.insert(deep.samples.end(),
                          {static_cast<std::uint8_t>(40 + (x * 3 + y) % 160),
                           static_cast<std::uint8_t>(30 + (x + 2 * y) % 170), 90});
  WritePng((photos / "big16.png").string(), deep, PngLayout{2, 16});
  const fs::path files[] = {photo("big.bmp", Detailed(width, height)), photos / "big16.png"};
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    choose(file);
    if (viewer()->zoomMode())
      QTest::mouseClick(viewerControl<QPushButton>("Command1"), Qt::LeftButton);
    box()->panTo({width, height});  // the far corner, beyond the part held at first
    QApplication::processEvents();
    preview();
    services.answerInputBox("1000");
    services.answerInputBox("400");
    click("Command6");  // a moved centre, so the part's place in the picture counts
    type("Text1", "10");
    type("Text2", "100");
    ASSERT_FALSE(box()->picture().reduced);
    ASSERT_NE(box()->picture().origin, QPoint(0, 0));
    // What is on show at two places of the view: the second beyond what was corrected for
    // the first, within the part held.
    std::vector<std::pair<QRect, QImage>> views;
    const QPoint held = box()->picture().origin;
    for (const QPoint move : {QPoint(0, 0), QPoint(-200, -150)}) {
      box()->panBy(move);
      QApplication::processEvents();
      const QRect view(box()->viewOrigin(), box()->size());
      views.emplace_back(view, box()->shownImage().copy(view.translated(-held)));
    }
    ASSERT_EQ(box()->picture().origin, held) << "read again";
    ASSERT_NE(views[0].first, views[1].first);
    click("Command1");
    fs::path result = file;
    result.replace_filename(file.stem().string() + "_" + file.extension().string());
    for (const auto& [view, shown] : views) {
      std::unique_ptr<PictureReader> reader;
      TopDownPicture written;
      ASSERT_FALSE(OpenPictureReader(result.string(), reader));
      ASSERT_FALSE(ReadRegion(*reader, view.x(), view.y(), {view.width(), view.height()}, written));
      EXPECT_EQ(ShareOff(shown, written, 0), 0.0) << view.x() << "," << view.y();
    }
  }
}

// A picture of 16 bits a channel is previewed through the deep correction, as Execute
// corrects it: with samples that are whole bytes repeated, the held bytes stand for them
// exactly, and the preview is the result reduced to bytes.
TEST_F(ViewerPreviewTest, ADeepPictureIsPreviewedThroughTheDeepCorrection) {
  Picture picture{240, 180, 3, {}};
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x)
      picture.samples.insert(picture.samples.end(),
                             {static_cast<std::uint8_t>(40 + (x * 3 + y) % 160),
                              static_cast<std::uint8_t>(30 + (x + 2 * y) % 170), 90});
  const fs::path file = photos / "deep.png";
  WritePng(file.string(), picture, PngLayout{2, 16});
  choose(file);
  preview();
  type("Text2", "110");
  control<QComboBox>("Combo1")->setEditText("Intermediate");
  const QImage previewed = box()->shownImage();
  ASSERT_NE(previewed, box()->picture().image);
  click("Command1");
  EXPECT_EQ(ShareOff(previewed, resultAsHeld(photos / "deep_.png"), 0), 0.0);
}

// The preview writes nothing, says so in the title, shows the picture as read while a field
// is refused, and gives way to ←, to Execute and to choosing a file.
TEST_F(ViewerPreviewTest, ThePreviewWritesNothingAndGivesWayToTheDesignedSwitches) {
  const auto file = photo("p.bmp", Detailed(240, 180));
  choose(file);
  const auto photosBefore = Snapshot(photos), programBefore = Snapshot(programFolder);
  preview();
  EXPECT_EQ(viewer()->windowTitle(), "プレビュー　" + Q(file));
  type("Text2", "100");
  type("Text1", "x");  // refused by Execute: nothing to preview
  EXPECT_EQ(box()->shownImage(), box()->picture().image);
  type("Text1", "20");
  EXPECT_NE(box()->shownImage(), box()->picture().image);
  EXPECT_EQ(Snapshot(photos), photosBefore);
  EXPECT_EQ(Snapshot(programFolder), programBefore);

  click("Command1");
  EXPECT_FALSE(viewer()->previewOn());
  EXPECT_TRUE(viewer()->windowTitle().startsWith("→　")) << viewer()->windowTitle();
  preview();
  EXPECT_EQ(box()->picture().path, Q(file)) << "the current file, not the result, is previewed";
  QTest::mouseClick(viewerControl<QPushButton>("Command2"), Qt::LeftButton);  // ←
  EXPECT_FALSE(viewer()->previewOn());
  EXPECT_EQ(viewer()->windowTitle(), Q(file));
  EXPECT_EQ(box()->shownImage(), box()->picture().image);

  preview();
  const auto next = photo("q.bmp", Detailed(100, 80));
  choose(next);  // a new current file: its picture, as chosen
  EXPECT_FALSE(viewer()->previewOn());
  EXPECT_EQ(viewer()->windowTitle(), Q(next));
  EXPECT_EQ(box()->picture().path, Q(next));
  EXPECT_EQ(box()->shownImage(), box()->picture().image);
}

}  // namespace
}  // namespace hosei::test
