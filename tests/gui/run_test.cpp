// Choosing a file, Execute, the viewer, its guide circles and exit, and what goes wrong.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "circle_shape.h"
#include "execute.h"
#include "file_error.h"
#include "gui_test.h"
#include "program_folders.h"

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
  EXPECT_EQ(services.dialogs[0].filters, QStringList({"ビットマップ(*.bmp)", "all(*.*)",
                                                      "写真(*.jpg *.jpeg *.png *.tif *.tiff)"}));
  EXPECT_EQ(services.dialogs[1].folder, Q(photos));
  EXPECT_EQ(services.confirmations[0], "選択ファイルの確認: first.bmp の処理を行ないます");
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
  EXPECT_EQ(viewerControl<QLabel>("Label1")->text(), "320");
  EXPECT_EQ(viewerControl<QLabel>("Label2")->text(), "240");
  const fs::path copy = programFolder / "_IMG_0001.PNG.bmp";
  EXPECT_EQ(window->viewer()->currentPath(), Q(copy));
  EXPECT_EQ(PixelOf(ReadFile(copy), Sized(320, 240), 50, 99), (Bgr{10, 20, 190}));

  EXPECT_EQ(helpAfterHovering(control("Command1")),
            QStringLiteral("処理を開始します\n") + Q(result) + " で（上書き）保存されます");
  click("Command1");
  EXPECT_EQ(text("Label4"), Q(result) + "で保存されました");
  const QImage corrected(Q(result));
  ASSERT_FALSE(corrected.isNull());
  EXPECT_EQ(QColor(corrected.pixel(160, 120)), QColor(30, 20, 10));  // inside the start circle
  EXPECT_GT(qRed(corrected.pixel(0, 0)), 30);                        // brightened corner

  QImage deep(8, 8, QImage::Format_RGBA64);
  deep.fill(Qt::gray);
  ASSERT_TRUE(deep.save(Q(photos / "deep.png"), "PNG"));
  choose(photos / "deep.png");
  ASSERT_EQ(services.messages.size(), 1);
  EXPECT_TRUE(services.messages[0].startsWith("この写真は処理できません")) << services.messages[0];
  EXPECT_EQ(text("Label4"), kColourCountErrorStatus);
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
      {"Option1", "Soft", {}, false, {100, 150, 200}, 600, 240, {104, 154, 204}},
      {"Option1", "Sharp", {}, false, {100, 150, 200}, 600, 240, {110, 160, 209}},
      {"Option1", "Soft", {"128", "96"}, false, {100, 150, 200}, 1, 1, {100, 150, 200}},
      {"Option2", "sharp", {}, false, {100, 150, 200}, 1, 1, {61, 114, 176}},  // not an entry
      {"Option3", "Soft", {}, true, {80, 50, 40}, 1, 1, {65, 50, 40}},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(::testing::Message() << run.option << " " << run.boundary << " "
                                      << run.centre.join(u',') << " " << run.x << "," << run.y);
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

TEST_F(RunTest, RowCountsAndTheSizeArePaintedAtTheirMoments) {
  // Records what a label showed each time it was painted, and what else held then.
  struct PaintLog : QObject {
    PaintLog(QLabel* label, std::function<QString()> alsoNow)
        : label(label), alsoNow(std::move(alsoNow)) {
      label->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) painted << label->text() + " | " + alsoNow();
      return false;
    }
    // The paintings matching `pattern`, each run of repeats once: a label is painted
    // again when its overlapping neighbour is.
    QStringList changes(const char* pattern) const {
      QStringList seen;
      for (const QString& entry : painted.filter(QRegularExpression(pattern)))
        if (seen.isEmpty() || seen.back() != entry) seen << entry;
      return seen;
    }
    QLabel* label;
    std::function<QString()> alsoNow;
    QStringList painted;
  };
  choose(photo("tall.bmp", Sized(4, 100)));
  PaintLog rows(control<QLabel>("Label3"), [] {
    return QString::number(QApplication::overrideCursor() ? QApplication::overrideCursor()->shape()
                                                          : -1);
  });
  PaintLog status(control<QLabel>("Label4"),
                  [&] { return viewerControl<QLabel>("Label2")->text(); });
  click("Command1");
  const QString wait = QString::number(Qt::WaitCursor);
  EXPECT_EQ(rows.changes("^[1-9]"), QStringList({"40 | " + wait, "80 | " + wait}));
  EXPECT_EQ(status.changes("^/"), QStringList({"/    100 | 100"}));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(RunTest, TheViewerKeepsTheAspectZoomsAndTradesBeforeAndAfter) {
  const auto source = photo("wide.bmp", Sized(800, 600));
  choose(source);
  Form2* viewer = window->viewer();
  EXPECT_EQ(viewer->pos(), window->pos() + QPoint(400, 0));
  viewer->resize(400, 100);
  EXPECT_TRUE(WaitUntil([&] { return viewer->height() == 19 + 300; })) << viewer->height();
  viewer->resize(600, 319);
  EXPECT_TRUE(WaitUntil([&] { return viewer->pictureArea() == QRect(0, 19, 600, 450); }));

  auto* zoom = viewerControl<QPushButton>("Command1");
  QTest::mouseClick(zoom, Qt::LeftButton);
  EXPECT_FALSE(viewer->zoomMode());
  EXPECT_EQ(viewerControl<QLabel>("Label3")->text(), "実寸 横×縦＝");
  QTest::mouseClick(zoom, Qt::LeftButton);
  EXPECT_TRUE(viewer->zoomMode());
  EXPECT_EQ(zoom->text(), "実寸へ");

  click("Command1");
  const QString result = Q(photos / "wide_.bmp");
  auto* back = viewerControl<QPushButton>("Command2");
  for (const QString& shown : {Q(source), result, Q(source)}) {
    QTest::mouseClick(back, Qt::LeftButton);
    EXPECT_EQ(viewer->currentPath(), shown);
    EXPECT_EQ(viewer->previousPath(), shown == result ? Q(source) : result);
    EXPECT_EQ(viewer->windowTitle(), shown);
  }
}

TEST_F(RunTest, AFileThatGoesWrongGetsAMessageAndLosesNothing) {
  const struct {
    const char* what;
    std::function<void(const fs::path&)> apply;
    const char *message, *status;
  } faults[] = {
      {"deleted", [](const fs::path& p) { fs::remove(p); },
       "ファイルを開けません: ", "処理できませんでした"},
      {"emptied", [](const fs::path& p) { fs::resize_file(p, 0); },
       "24bit Windowsビットマップではありません", "色数のエラー"},
      // Failing only at the write, after the rows were read and the cursor set.
      {"result taken by a folder",
       [](const fs::path& p) { fs::create_directory(p.parent_path() / "scene_.bmp"); },
       "ファイルを書き込めません: ", "処理できませんでした"},
  };
  int n = 0;
  for (const auto& fault : faults) {
    SCOPED_TRACE(fault.what);
    const fs::path folder = photos / std::to_string(++n), source = folder / "scene.bmp";
    fs::create_directory(folder);
    WriteFile(source, Sized(30, 20).bytes());
    choose(source);
    if (fs::exists(folder / "scene_.bmp")) fs::remove(folder / "scene_.bmp");
    fault.apply(source);
    const auto before = fs::is_regular_file(source) ? ReadFile(source) : Bytes{};
    const auto entries = Entries(folder);
    services.messages.clear();
    click("Command1");
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_TRUE(services.messages[0].startsWith(fault.message)) << services.messages[0];
    EXPECT_EQ(text("Label4"), fault.status);
    EXPECT_EQ(fs::is_regular_file(source) ? ReadFile(source) : Bytes{}, before);
    EXPECT_EQ(Entries(folder), entries);  // no partial result beside it
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }
}

TEST_F(RunTest, AFieldTextExecuteCannotUseEndsTheRunSilently) {
  choose(photo("scene.bmp"));
  const std::tuple<const char*, const char*, const char*> refused[] = {
      {"Option1", "Text2", "abc"}, {"Option2", "Text5", "1e400"}, {"Option3", "Text9", "2.68"}};
  for (const auto& [option, field, typed] : refused) {
    control<QRadioButton>(option)->click();
    const QString kept = text(field);
    type(field, typed);
    click("Command1");
    type(field, kept);
  }
  EXPECT_EQ(Entries(photos), 1u);
  EXPECT_TRUE(services.messages.empty());
  EXPECT_EQ(text("Label3"), "0");
}

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
      {"127", "", std::nullopt},
      {"128", "384", MovedCentre{128, 384, 512.0f * 512 + 384.0f * 384}},
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

// An installed program never writes beside itself; a build tree keeps its own layout.
TEST(ProgramFolders, InstalledLayoutUsesTheCacheAndTheInstalledSample) {
  for (const bool installed : {true, false}) {
    QTemporaryDir prefix;
    const QString bin = prefix.path() + "/bin", samples = prefix.path() + "/share/hosei/samples";
    ASSERT_TRUE(QDir().mkpath(bin) && (!installed || QDir().mkpath(samples)));
    const ProgramFolders found =
        LocateProgramFolders(bin, "/home/u/.cache/hosei", "/build/samples");
    EXPECT_EQ(found.installed, installed);
    EXPECT_EQ(found.workingFolder, installed ? "/home/u/.cache/hosei" : bin);
    EXPECT_EQ(found.samplesFolder, installed ? samples : "/build/samples");
  }
}

}  // namespace
}  // namespace hosei::test
