// Choosing a file, Execute, the viewer, its guide circles and exit, and what goes wrong.

#include <gtest/gtest.h>
#include <libintl.h>

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QImage>
#include <QRadioButton>
#include <QScreen>
#include <algorithm>
#include <clocale>
#include <cstdlib>

#include "circle_shape.h"
#include "execute.h"
#include "file_error.h"
#include "gui_test.h"
#include "problem_texts.h"
#include "run_captions.h"

namespace hosei::test {
namespace {

namespace fs = std::filesystem;
using RunTest = GuiTest;

std::size_t Entries(const fs::path& folder) {
  return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
}

TEST_F(RunTest, TheDialogAsksUntilAFileIsConfirmedAndARejectedFileStaysCurrent) {
  const auto first = photo("first.bmp"), second = photo("second.bmp");
  services.chooseInDialog(Q(first));
  services.answerConfirmation(false);
  services.chooseInDialog(Q(second));
  services.answerConfirmation(true);
  click("Command3");
  ASSERT_EQ(services.dialogs.size(), 2u);
  EXPECT_EQ(services.dialogs[0].folder, Q(scratch / "samples"));
  EXPECT_EQ(services.dialogs[1].folder, Q(photos));
  EXPECT_TRUE(services.confirmations[0].contains("first.bmp")) << services.confirmations[0];
  EXPECT_EQ(text("Text3"), Q(second));
  EXPECT_EQ(window->viewer()->windowTitle(), Q(second));
  services.chooseInDialog("");
  click("Command3");
  EXPECT_EQ(text("Text3"), Q(second));

  TestBitmap eightBits;
  eightBits.bitsPerPixel = 8;
  const auto rejected = photo("eight.bmp", eightBits);
  choose(rejected);
  EXPECT_EQ(services.messages, QStringList{kNot24BitBitmapMessage});
  EXPECT_EQ(text("Label4"), kColourCountErrorStatus);
  EXPECT_EQ(text("Text3"), Q(rejected));
  EXPECT_EQ(window->viewer()->currentPath(), Q(second));
}

TEST_F(RunTest, GuideLinesShowAMarkedCopyAndExitDeletesOnlyThisRunsCopies) {
  const auto mine = programFolder / "_mine.bmp";  // a user's own photo, named like a copy
  WriteFile(mine, TestBitmap{}.bytes());
  control<QCheckBox>("Check3")->click();
  const TestBitmap plain = Uniform(320, 240, {10, 20, 30});
  const auto path = photo("photo.bmp", plain);
  choose(path);
  choose(photo("other.bmp"));
  // Red lines every hundred dots from the lower-left corner, three dots wide: rows 98 to
  // 100 are tinted 190, columns 98 to 100 are tinted 200; the diagonals change only blue.
  const auto copy = ReadFile(programFolder / "_photo.bmp");
  const std::tuple<int, int, int> reds[] = {{50, 99, 190}, {99, 50, 200}, {50, 50, 30}};
  for (const auto& [x, y, red] : reds) {
    const Bgr pixel = PixelOf(copy, plain, x, y);
    EXPECT_EQ(std::make_pair(pixel[1], pixel[2]), std::make_pair(20, red)) << x << "," << y;
  }
  EXPECT_EQ(ReadFile(path), plain.bytes());
  EXPECT_EQ(window->viewer()->currentPath(), Q(programFolder / "_other.bmp"));
  click("Command2");
  EXPECT_EQ(Entries(programFolder), 1u);
  EXPECT_TRUE(fs::exists(mine) && fs::exists(path));
  EXPECT_TRUE(WaitUntil([&] { return !window->isVisible() && window->viewer() == nullptr; }));
}

// A photo goes the bitmap's way through the windows and stays in its own format.
TEST_F(RunTest, APhotoIsShownCorrectedAndSavedInItsOwnFormat) {
  QImage image(320, 240, QImage::Format_RGB888);
  image.fill(QColor(30, 20, 10));
  const fs::path source = photos / "IMG_0001.PNG", result = photos / "IMG_0001_.PNG";
  ASSERT_TRUE(image.save(Q(source), "PNG"));
  control<QCheckBox>("Check3")->click();
  choose(source);
  EXPECT_TRUE(services.messages.isEmpty()) << services.messages.join("; ");
  const fs::path copy = programFolder / "_IMG_0001.PNG.bmp";
  EXPECT_EQ(window->viewer()->currentPath(), Q(copy));
  EXPECT_EQ(PixelOf(ReadFile(copy), Sized(320, 240), 50, 99), (Bgr{10, 20, 190}));

  EXPECT_TRUE(helpAfterHovering(control("Command1")).contains(Q(result)));
  click("Command1");
  EXPECT_EQ(text("Label4"), Q(result) + "で保存されました");
  const QImage corrected(Q(result));
  ASSERT_FALSE(corrected.isNull());
  EXPECT_EQ(QColor(corrected.pixel(160, 120)), QColor(30, 20, 10));  // inside the start circle
  EXPECT_GT(qRed(corrected.pixel(0, 0)), 30);                        // brightened corner
}

// Known corrections from the engine's checking values, with each control set as a user does.
TEST_F(RunTest, ExecuteWritesTheCorrectionTheControlsAskFor) {
  const struct {
    const char *option, *boundary;
    QStringList centre;  // answers to the centre move's boxes; none: not moved
    bool background;
    Bgr source;
    int x, y;  // x from 1 at the left, y from 1 at the bottom
    Bgr result;
  } runs[] = {
      {"Option1", "Sharp", {}, false, {100, 150, 200}, 600, 240, {110, 160, 209}},
      {"Option1", "Soft", {"128", "96"}, false, {100, 150, 200}, 1, 1, {100, 150, 200}},
      {"Option2", "sharp", {}, false, {100, 150, 200}, 1, 1, {61, 114, 176}},  // not an entry
      {"Option3", "Soft", {}, true, {80, 50, 40}, 1, 1, {65, 50, 40}},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(&run - runs);
    const TestBitmap source = Uniform(640, 480, run.source);
    const auto result = photos / "scene_.bmp";
    choose(photo("scene.bmp", source));
    control<QRadioButton>(run.option)->click();
    control<QComboBox>("Combo1")->setEditText(run.boundary);
    if (control<QCheckBox>("Check1")->isChecked() != run.background)
      control<QCheckBox>("Check1")->click();
    for (const QString& answer : run.centre) services.answerInputBox(answer);
    if (!run.centre.isEmpty()) click("Command6");
    click("Command1");
    EXPECT_EQ(PixelOf(ReadFile(result), source, run.x, run.y), run.result);
    EXPECT_EQ(text("Label4"), QString::fromStdString(SavedAsCaption(result.string())));
    EXPECT_EQ(window->viewer()->currentPath(), Q(result));
  }
  EXPECT_TRUE(services.messages.empty());
}

// A source gone before Execute, or a result that cannot be written after the rows were read
// and the wait cursor set: a message, and neither the source nor the folder changes. No
// caption, behind the message or after it, claims that this run or the one before it
// finished.
TEST_F(RunTest, AFileThatGoesWrongGetsAMessageAndLosesNothing) {
  const std::pair<const char*, std::function<void(const fs::path&)>> faults[] = {
      {"ファイルを開けません: ", [](const fs::path& p) { fs::remove(p); }},
      {"ファイルを書き込めません: ",
       [](const fs::path& p) {
         const fs::path result = p.parent_path() / "scene_.bmp";
         fs::remove(result);
         fs::create_directory(result);
       }},
  };
  int n = 0;
  for (const auto& [message, fault] : faults) {
    const fs::path folder = photos / std::to_string(++n), source = folder / "scene.bmp";
    fs::create_directory(folder);
    WriteFile(source, Sized(30, 100).bytes());  // tall enough to count rows done
    choose(source);
    click("Command1");
    ASSERT_EQ(text("Label3"), "終了");
    fault(source);
    const auto before = fs::is_regular_file(source) ? ReadFile(source) : Bytes{};
    const auto entries = Entries(folder);
    services.messages.clear();
    QString behindMessage;
    services.whileMessageShown = [&] { behindMessage = text("Label3") + " " + text("Label4"); };
    click("Command1");
    services.whileMessageShown = nullptr;
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_TRUE(services.messages[0].startsWith(message)) << services.messages[0];
    EXPECT_EQ(behindMessage, "0 処理できませんでした");
    EXPECT_EQ(text("Label3") + " " + text("Label4"), "0 処理できませんでした");
    EXPECT_EQ(fs::is_regular_file(source) ? ReadFile(source) : Bytes{}, before);
    EXPECT_EQ(Entries(folder), entries);  // no partial result beside it
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }
}

// No message box for a refused parameter and nothing written; the captions of the run before
// no longer stand, and the help line says what the field takes, as Execute's own help does
// while the text stays refused.
TEST_F(RunTest, ARefusedParameterWritesNothingAndTheHelpLineSaysWhatTheFieldTakes) {
  const fs::path result = photos / "scene_.bmp";
  choose(photo("scene.bmp"));
  const struct {
    const char *option, *field, *typed, *help;
  } refused[] = {
      {"Option1", "Text2", "99999", "減光係数は次の範囲で入力してください\n　1～120"},
      {"Option1", "Text1", "abc",
       "周辺減光の開始は次の範囲で入力してください\n　0 より大きく 100 より小さい値"},
      {"Option2", "Text5", "1e400",
       "光源の x 座標は次の範囲で入力してください\n　-2147483648～2147483647 の整数"},
      {"Option3", "Text9", "2.68", "ガンマ値は次の範囲で入力してください\n　0.374～2.67"},
      {"Option2", "Text8", "171",
       "明るさは次の範囲で入力してください\n　-100～170（×1.4 を丸めて -140～238）"},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.typed);
    control<QRadioButton>(r.option)->click();
    click("Command1");  // a run that saved its result
    ASSERT_TRUE(fs::exists(result) && text("Label4").endsWith("で保存されました"));
    fs::remove(result);
    const QString kept = text(r.field);
    type(r.field, r.typed);
    click("Command1");
    EXPECT_FALSE(fs::exists(result));
    EXPECT_EQ(text("Label3") + text("Label4"), "0/   0");
    EXPECT_EQ(text("Label13"), r.help);
    EXPECT_EQ(helpAfterHovering(control("Command1")), r.help);
    type(r.field, kept);
  }
  EXPECT_TRUE(services.messages.empty()) << services.messages.join("; ");
}

// The windows are designed in Japanese and stay so whatever the locale: under the C locale,
// with hosei-cli's catalogue bound as hosei-cli binds it, a rejected file and a refused
// parameter are still told in the windows' own words.
TEST_F(RunTest, TheWindowsKeepTheirJapaneseUnderTheCLocale) {
  const std::string before = std::setlocale(LC_ALL, nullptr);
  ::setenv("LC_ALL", "C", 1);
  std::setlocale(LC_ALL, "");
  ::textdomain("hosei");
  TestBitmap eightBits;
  eightBits.bitsPerPixel = 8;
  choose(photo("eight.bmp", eightBits));
  EXPECT_EQ(services.messages, QStringList{"24bit Windowsビットマップではありません"});
  EXPECT_EQ(text("Label4"), "色数のエラー");
  choose(photo("scene.bmp"));
  type("Text2", "0");
  click("Command1");
  EXPECT_EQ(text("Label13"), "減光係数は次の範囲で入力してください\n　1～120");
  ::textdomain("messages");
  ::unsetenv("LC_ALL");
  std::setlocale(LC_ALL, before.c_str());
}

// Once the chosen file is gone, Execute's help still names the result by what the file held
// when it was chosen: a photo keeps its extension.
TEST_F(RunTest, ExecutesHelpNamesTheResultByWhatTheFileHeldWhenChosen) {
  QImage image(32, 24, QImage::Format_RGB888);
  image.fill(QColor(90, 90, 90));
  const std::pair<const char*, const char*> files[] = {{"IMG_0001.PNG", "IMG_0001_.PNG"},
                                                       {"DSC_0002.jpeg", "DSC_0002_.jpeg"}};
  for (const auto& [name, resultName] : files) {
    const fs::path source = photos / name;
    ASSERT_TRUE(image.save(Q(source)));
    choose(source);
    fs::remove(source);
    EXPECT_EQ(helpAfterHovering(control("Command1")),
              "処理を開始します\n" + Q(photos / resultName) + " で（上書き）保存されます");
  }
  EXPECT_TRUE(services.messages.empty()) << services.messages.join("; ");
}

// A file whose picture is not shown, because it cannot be read or 画像表示 is off, leaves the
// viewer titled with it and empty, never showing the previous picture under the new name;
// the before/after switch brings that picture back under its own name.
TEST_F(RunTest, TheViewerNeverShowsAPictureUnderAnotherFilesName) {
  const QColor red(255, 0, 0);
  QImage image(320, 240, QImage::Format_RGB888);
  image.fill(red);
  const fs::path good = photos / "good.png", broken = photos / "broken.jpg",
                 other = photos / "other.jpg";
  ASSERT_TRUE(image.save(Q(good)));
  for (int y = 0; y < image.height(); ++y)  // detail, so that the rows outweigh the header
    for (int x = 0; x < image.width(); ++x) image.setPixelColor(x, y, QColor::fromRgb(x * y));
  ASSERT_TRUE(image.save(Q(broken)) && image.save(Q(other)));
  fs::resize_file(broken, fs::file_size(broken) / 2);

  const auto shownColour = [&] {
    Form2* viewer = window->viewer();
    return viewer->grab().toImage().pixelColor(viewer->pictureArea().center());
  };
  auto* showPicture = control<QCheckBox>("Check2");
  const struct {
    fs::path second;
    bool pictureShown;
    int messages;
  } cases[] = {{broken, true, 1}, {other, false, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.second.filename().string());
    if (!showPicture->isChecked()) showPicture->click();
    choose(good);
    ASSERT_EQ(shownColour(), red);
    if (!c.pictureShown) showPicture->click();
    services.messages.clear();
    choose(c.second);
    EXPECT_EQ(services.messages.size(), static_cast<qsizetype>(c.messages))
        << services.messages.join("; ");
    EXPECT_EQ(window->viewer()->windowTitle(), Q(c.second));
    EXPECT_NE(shownColour(), red);
    QTest::mouseClick(viewerControl<QPushButton>("Command2"), Qt::LeftButton);
    EXPECT_EQ(window->viewer()->windowTitle(), Q(good));
    EXPECT_EQ(shownColour(), red);
  }
}

class ViewerTest : public GuiTest {
 protected:
  // An 800 x 600 photo in a viewer 400 pixels wide: the viewer keeps the photo's aspect, so the
  // picture area is 400 x 300 pixels below the 19-pixel strip, half a pixel per dot.
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

// The centre move's boxes, worded as designed: the range and the image centre, with a
// fraction only when there is one.
TEST_F(ViewerTest, TheCentreMoveAsksInTheWindowsOwnWords) {
  choose(photo("odd.bmp", Sized(641, 479)));
  moveCentre({"300", "200"});
  ASSERT_EQ(services.inputBoxes.size(), 2);
  EXPECT_TRUE(services.inputBoxes[0].startsWith(
      "中心座標の入力: 中心の ｘ 座標  （ 128 - 513）　　中心は  320.5\r\n\r\n"
      " 範囲外の数字や『キャンセル』で画像の中心へ戻ります ["))
      << services.inputBoxes[0];
  EXPECT_TRUE(services.inputBoxes[1].startsWith(
      "中心座標の入力: 中心の ｙ 座標  （ 95 - 384）　　中心は  239.5\r\n\r\n"))
      << services.inputBoxes[1];
}

TEST_F(ViewerTest, CirclesLieWhereAskedZoomAndBeforeAndAfterSwap) {
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
  EXPECT_TRUE(services.inputBoxes.value(0).contains("160 - 640")) << services.inputBoxes.value(0);
  EXPECT_EQ(text("Label16") + text("Label17"), "600150");
  moveCentre({"159"});  // out of range: back to the image centre, without asking for y
  EXPECT_EQ(services.inputBoxes.size(), 1);
  EXPECT_EQ(circle(), QRectF(75, 44, 250, 250));
  EXPECT_FALSE(window->work().movedCentre);

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

  Form2* viewer = window->viewer();
  auto* zoom = viewerControl<QPushButton>("Command1");
  QTest::mouseClick(zoom, Qt::LeftButton);
  EXPECT_FALSE(viewer->zoomMode());
  QTest::mouseClick(zoom, Qt::LeftButton);
  EXPECT_TRUE(viewer->zoomMode());

  click("Command1");
  const QString source = Q(photos / "wide.bmp"), result = Q(photos / "wide_.bmp");
  auto* back = viewerControl<QPushButton>("Command2");
  for (const QString& shown : {source, result, source}) {
    QTest::mouseClick(back, Qt::LeftButton);
    EXPECT_EQ(viewer->currentPath(), shown);
    EXPECT_EQ(viewer->previousPath(), shown == result ? source : result);
    EXPECT_EQ(viewer->windowTitle(), shown);
  }
}

// However wide the viewer is made and however tall its picture, its frame stays within the
// screen's available area; the picture is fitted inside whole, in its proportions, as large
// as the window allows. At actual size the window keeps within the screen too.
TEST_F(ViewerTest, TheViewerStaysWithinTheScreenWithThePictureFittedInside) {
  const struct {
    int width, height, viewerWidth;
  } cases[] = {
      {100, 1000, 700},   // a tall photo in a wide viewer
      {1600, 400, 2000},  // a viewer made wider than the screen
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.viewerWidth);
    choose(photo("p.bmp", Sized(c.width, c.height)));
    Form2* viewer = window->viewer();
    viewer->resize(c.viewerWidth, 100);
    QApplication::processEvents();
    const QRect available = viewer->screen()->availableGeometry();
    EXPECT_TRUE(available.contains(viewer->frameGeometry()))
        << viewer->frameGeometry().x() << "," << viewer->frameGeometry().y() << " "
        << viewer->frameGeometry().width() << "x" << viewer->frameGeometry().height();
    const QRect area = viewer->pictureArea();
    EXPECT_TRUE(viewer->rect().contains(area));
    EXPECT_LE(std::abs(area.width() * c.height - area.height() * c.width),
              std::max(c.width, c.height));  // off by a pixel at most
    EXPECT_TRUE(area.bottom() == viewer->height() - 1 || area.width() == viewer->width());

    auto* zoom = viewerControl<QPushButton>("Command1");
    QTest::mouseClick(zoom, Qt::LeftButton);
    ASSERT_FALSE(viewer->zoomMode());
    EXPECT_TRUE(available.contains(viewer->frameGeometry()));
    EXPECT_TRUE(viewer->rect().contains(viewer->pictureArea()));
    QTest::mouseClick(zoom, Qt::LeftButton);
  }
  EXPECT_TRUE(services.messages.empty()) << services.messages.join("; ");
}

}  // namespace
}  // namespace hosei::test
