// The viewer at actual size moved about with the mouse and the keys, and what it draws
// besides the designed picture: transparency over a checkerboard, the stretched display.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QMouseEvent>
#include <QWheelEvent>

#include "checkerboard.h"
#include "display_stretch.h"
#include "gui_test.h"
#include "guide_marks.h"
#include "photo_test_support.h"
#include "picture_box.h"

namespace hosei::test {
namespace {

namespace fs = std::filesystem;

// Every dot says where it is: blue and green the column and the row from the top, each
// modulo 256, red their multiples of 256.
TestBitmap Positions(int width, int height) {
  TestBitmap bitmap = Sized(width, height);
  bitmap.paint = [height](int x, int y, std::uint8_t* bgr) {
    const int column = x - 1, row = height - y;
    bgr[0] = static_cast<std::uint8_t>(column % 256);
    bgr[1] = static_cast<std::uint8_t>(row % 256);
    bgr[2] = static_cast<std::uint8_t>(column / 256 * 16 + row / 256);
  };
  return bitmap;
}

// The dot a pixel on screen shows, read back from its colour.
QPoint DotShown(const QImage& screen, QPoint at) {
  const QRgb pixel = screen.pixel(at);
  return QPoint(qBlue(pixel) + qRed(pixel) / 16 * 256, qGreen(pixel) + qRed(pixel) % 16 * 256);
}

class ViewerPanTest : public GuiTest {
 protected:
  PictureBox* box() { return viewerControl<PictureBox>("Image1"); }
  QAction* action(const char* text) {
    for (QAction* each : window->viewer()->actions())
      if (each->text() == QString::fromUtf8(text)) return each;
    ADD_FAILURE() << text;
    return nullptr;
  }
  void settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
  }
  void toActualSize() {
    QTest::mouseClick(viewerControl<QPushButton>("Command1"), Qt::LeftButton);
    ASSERT_FALSE(window->viewer()->zoomMode());
  }
  void send(QEvent& event) {
    QApplication::sendEvent(box(), &event);
    settle();
  }
  void drag(QPoint from, QPoint to) {
    QMouseEvent press(QEvent::MouseButtonPress, from, box()->mapToGlobal(from), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent move(QEvent::MouseMove, to, box()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, to, box()->mapToGlobal(to), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    send(press);
    send(move);
    send(release);
  }
  void wheel(int notches, Qt::KeyboardModifiers modifiers) {
    const QPointF at(10, 10);
    QWheelEvent event(at, box()->mapToGlobal(at), QPoint(), QPoint(0, -120 * notches), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    send(event);
  }
  // Sent to the picture, or to what holds the keyboard after 実寸へ was clicked: the button.
  void key(Qt::Key which, const char* to = "Image1") {
    QTest::keyClick(viewerControl<QWidget>(to), which);
    settle();
  }
};

// Each way of moving the view moves it by its dots, and the picture drawn moves with it: the
// pixel at each corner of the area shows the dot that lies there, with the guide lines
// of the display copy, drawn into its dots, carried along.
TEST_F(ViewerPanTest, DragWheelAndKeysMoveTheViewAtActualSizeByTheirDots) {
  const int width = 2400, height = 1800;
  choose(photo("positions.bmp", Positions(width, height)));
  toActualSize();
  const QSize area = box()->size();
  const QPoint far(width - area.width(), height - area.height());
  const struct {
    const char* how;
    std::function<void()> move;
    QPoint origin;
  } moves[] = {
      {"drag up and left",
       [&] {
         drag({200, 150}, {150, 120});
       },
       {50, 30}},
      {"wheel towards the user", [&] { wheel(1, Qt::NoModifier); }, {50, 130}},
      {"Shift and wheel", [&] { wheel(2, Qt::ShiftModifier); }, {250, 130}},
      {"wheel away, past the top", [&] { wheel(-3, Qt::NoModifier); }, {250, 0}},
      {"right arrow", [&] { key(Qt::Key_Right); }, {350, 0}},
      {"down arrow", [&] { key(Qt::Key_Down); }, {350, 100}},
      {"left arrow", [&] { key(Qt::Key_Left); }, {250, 100}},
      {"up arrow", [&] { key(Qt::Key_Up); }, {250, 0}},
      {"right arrow on 実寸へ", [&] { key(Qt::Key_Right, "Command1"); }, {350, 0}},
      {"left arrow on ←", [&] { key(Qt::Key_Left, "Command2"); }, {250, 0}},
      {"End", [&] { key(Qt::Key_End); }, far},
      {"drag past the far corner",
       [&] {
         drag({100, 100}, {10, 10});
       },
       far},
      {"Home", [&] { key(Qt::Key_Home); }, {0, 0}},
  };
  for (const auto& m : moves) {
    SCOPED_TRACE(m.how);
    m.move();
    EXPECT_EQ(box()->viewOrigin(), m.origin);
    const QImage screen = box()->grab().toImage();
    EXPECT_EQ(DotShown(screen, {0, 0}), m.origin);
    EXPECT_EQ(DotShown(screen, {area.width() - 1, area.height() - 1}),
              m.origin + QPoint(area.width() - 1, area.height() - 1));
  }
  // The far corner was reached without reading the picture whole.
  key(Qt::Key_End);
  EXPECT_LT(box()->picture().image.width(), width);
  EXPECT_TRUE(services.messages.empty()) << services.messages.join("; ");
}

TEST_F(ViewerPanTest, TheGuideLinesOfTheDisplayCopyStayOnTheirDots) {
  control<QCheckBox>("Check3")->click();
  const int width = 1600, height = 1200;
  choose(photo("plain.bmp", Uniform(width, height, {40, 40, 40})));
  toActualSize();
  // The vertical lines lie every 100 dots; moving the view 30 dots to the right brings each
  // 30 pixels to the left.
  const auto lineAt = [&](int x) {
    const QImage screen = box()->grab().toImage();
    return qRed(screen.pixel(x, 50)) == kVerticalLineRed;
  };
  std::vector<int> before, after;
  for (int x = 0; x < 250; ++x)
    if (lineAt(x)) before.push_back(x);
  ASSERT_FALSE(before.empty());
  drag({100, 100}, {70, 100});
  for (int x = 0; x < 250; ++x)
    if (lineAt(x)) after.push_back(x);
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(after[i], before[i] - 30) << i;
}

// Zoom mode does not move: the whole picture is on show.
TEST_F(ViewerPanTest, NothingMovesInZoomMode) {
  choose(photo("positions.bmp", Positions(900, 700)));
  drag({100, 100}, {10, 10});
  key(Qt::Key_End);
  EXPECT_EQ(box()->viewOrigin(), QPoint(0, 0));
}

// Transparent dots show the checkerboard, opaque ones their colour, in both modes.
TEST_F(ViewerPanTest, TheCheckerboardShowsThroughTransparentDots) {
  Picture picture{64, 48, 4, {}};
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x)
      picture.samples.insert(picture.samples.end(),
                             {200, 0, 0, static_cast<std::uint8_t>(x < 32 ? 0 : 255)});
  const fs::path path = photos / "half.png";
  WritePng(path.string(), picture, PngLayout{6});  // RGBA
  choose(path);
  for (const bool zoom : {true, false}) {
    SCOPED_TRACE(zoom ? "zoom" : "actual size");
    if (!zoom) toActualSize();
    const QImage screen = box()->grab().toImage();
    const QSize shown = zoom ? box()->size() : QSize(64, 48);
    std::set<QRgb> transparent;
    for (int y = 0; y < shown.height() - 2; y += 3)
      for (int x = 0; x < shown.width() / 2 - 2; x += 3) transparent.insert(screen.pixel(x, y));
    EXPECT_EQ(transparent, (std::set<QRgb>{qRgb(kCheckerLight, kCheckerLight, kCheckerLight),
                                           qRgb(kCheckerDark, kCheckerDark, kCheckerDark)}));
    EXPECT_EQ(screen.pixel(shown.width() * 3 / 4, shown.height() / 2), qRgb(200, 0, 0));
  }
}

// The stretch lifts a dark picture's background to a quarter of full scale and clips the
// shadows below it; it leaves a picture already that bright, or without spread, as it is.
TEST(DisplayStretch, LiftsTheBackgroundOfADarkPictureAndLeavesOthersBe) {
  const auto picture = [](std::function<int(int)> level) {
    QImage image(100, 100, QImage::Format_BGR888);
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 300; ++x)
        image.scanLine(y)[x] = static_cast<std::uint8_t>(level(y * 300 + x));
    return image;
  };
  // A dark sky: level 8 with noise of about two levels.
  const ShownLevels dark =
      AutomaticStretch(LevelCounts(picture([](int i) { return 8 + (i * 7 % 5) - 2; })));
  EXPECT_NEAR(dark[8], 64, 3);
  EXPECT_EQ(dark[0], 0);
  EXPECT_EQ(dark[255], 255);
  EXPECT_EQ(dark[2], 0);  // more than 2.8 spreads below the background: clipped
  for (int level = 1; level < 256; ++level) EXPECT_GE(dark[level], dark[level - 1]) << level;

  const struct {
    const char* what;
    std::function<int(int)> level;
  } untouched[] = {
      {"flat grey", [](int) { return 30; }},
      {"black", [](int) { return 0; }},
      {"bright", [](int i) { return 150 + i % 60; }},
  };
  for (const auto& c : untouched) {
    SCOPED_TRACE(c.what);
    const ShownLevels table = AutomaticStretch(LevelCounts(picture(c.level)));
    for (int level = 0; level < 256; ++level) EXPECT_EQ(table[level], level);
  }
}

// A deep sky fainter than one level of a byte still has its levels at 16 bits: the stretch
// works on them, and the picture is not black.
TEST_F(ViewerPanTest, AFaintDeepPictureIsStretchedFromItsSixteenBits) {
  const int width = 120, height = 90;
  Bytes samples;
  for (int i = 0; i < 3 * width * height; ++i) {
    const auto level = static_cast<std::uint16_t>(90 + (i * 7919) % 61);  // 0.0014 to 0.0023
    samples.insert(samples.end(), {static_cast<std::uint8_t>(level & 0xff),
                                   static_cast<std::uint8_t>(level >> 8)});
  }
  const fs::path path = photos / "faint.tif";
  TiffLayout layout;
  layout.bits = 16;
  WriteTiffSamples(path.string(), width, height, 3, samples, layout);
  choose(path);
  ASSERT_TRUE(box()->picture().deep);
  ASSERT_EQ(qBlue(box()->shownImage().pixel(10, 10)), 0) << "black as bytes";
  action("表示の強調")->trigger();
  std::vector<int> shown;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) shown.push_back(qGreen(box()->shownImage().pixel(x, y)));
  std::nth_element(shown.begin(), shown.begin() + shown.size() / 2, shown.end());
  EXPECT_NEAR(shown[shown.size() / 2], 64, 8);
}

// 表示の強調 changes only what is drawn: the file stays, and switching it off brings the
// picture back as read.
TEST_F(ViewerPanTest, TheStretchChangesOnlyTheDisplay) {
  const auto path = photo("dark.bmp", Uniform(200, 150, {6, 8, 10}));
  const auto before = Snapshot(photos);
  choose(path);
  const QImage read = box()->shownImage();
  action("表示の強調")->trigger();
  EXPECT_TRUE(window->viewer()->displayStretchOn());
  EXPECT_NE(box()->shownImage(), read);
  action("表示の強調")->trigger();
  EXPECT_EQ(box()->shownImage(), read);
  EXPECT_EQ(Snapshot(photos), before);
}

}  // namespace
}  // namespace hosei::test
