// Choosing a file, Execute, the viewer and exit, and files or fields that go wrong.

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QImage>
#include <QRadioButton>
#include <QRegularExpression>

#include "execute.h"
#include "file_error.h"
#include "gui_test.h"

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

  const auto rejected = photo("eight.bmp", Sized(4, 3, 8));
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

// Known corrections of a 640 x 480 picture of one colour, from the engine's checking
// values: what reaches the result depends on the mode, the fields, the boundary box, the
// moved centre and the background check, each set as a user sets them.
// A photo goes the bitmap's way through the windows and stays in its own format: its size
// in the viewer, a display copy with guide marks, the result's name on the help line and
// in the status line.
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
  TestBitmap layout = Sized(320, 240);
  EXPECT_EQ(PixelOf(ReadFile(copy), layout, 50, 99), (Bgr{10, 20, 190}));

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

TEST_F(RunTest, ExecuteWritesTheCorrectionTheControlsAskFor) {
  struct Pixel {
    int x, y;  // x from 1 at the left, y from 1 at the bottom
    Bgr colour;
  };
  const struct {
    const char* what;
    const char* option;
    const char* boundary;
    QStringList centre;  // answers to the centre move's boxes; none: not moved
    bool background;
    Bgr source;
    std::vector<Pixel> result;
  } runs[] = {
      {"vignetting, defaults",
       "Option1",
       "Soft",
       {},
       false,
       {100, 150, 200},
       {{320, 240, {100, 150, 200}},
        {600, 240, {104, 154, 204}},
        {640, 480, {116, 167, 216}},
        {1, 1, {116, 167, 216}}}},
      {"sharp boundary",
       "Option1",
       "Sharp",
       {},
       false,
       {100, 150, 200},
       {{600, 240, {110, 160, 209}}}},
      {"centre moved near the lower-left corner",
       "Option1",
       "Soft",
       {"128", "96"},
       false,
       {100, 150, 200},
       {{1, 1, {100, 150, 200}}}},
      {"fog, defaults",
       "Option2",
       "Soft",
       {},
       false,
       {100, 150, 200},
       {{1, 1, {61, 114, 176}}, {150, 1, {100, 150, 200}}}},
      {"fog, not an entry of the list: soft",
       "Option2",
       "sharp",
       {},
       false,
       {100, 150, 200},
       {{1, 1, {61, 114, 176}}}},
      {"gamma 1 with the background adjustment",
       "Option3",
       "Soft",
       {},
       true,
       {80, 50, 40},
       {{1, 1, {65, 50, 40}}, {640, 480, {65, 50, 40}}}},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.what);
    const TestBitmap source = Uniform(640, 480, run.source);
    const auto path = photo("scene.bmp", source);
    const auto result = photos / "scene_.bmp";
    choose(path);
    control<QRadioButton>(run.option)->click();
    control<QComboBox>("Combo1")->setEditText(run.boundary);
    if (control<QCheckBox>("Check1")->isChecked() != run.background)
      control<QCheckBox>("Check1")->click();
    if (!run.centre.isEmpty()) {
      for (const QString& answer : run.centre) services.answerInputBox(answer);
      click("Command6");
    }
    click("Command1");
    const auto written = ReadFile(result);
    for (const Pixel& pixel : run.result)
      EXPECT_EQ(PixelOf(written, source, pixel.x, pixel.y), pixel.colour)
          << pixel.x << "," << pixel.y;
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
      {"replaced by a folder",
       [](const fs::path& p) {
         fs::remove(p);
         fs::create_directory(p);
       },
       "通常のファイルではありません: ", "処理できませんでした"},
      {"truncated", [](const fs::path& p) { fs::resize_file(p, fs::file_size(p) - 10); },
       "ファイルが途中で切れています（画素データが足りません）: ", "処理できませんでした"},
      {"emptied", [](const fs::path& p) { fs::resize_file(p, 0); },
       "24bit Windowsビットマップではありません", "色数のエラー"},
      {"result taken by a folder",
       [](const fs::path& p) { fs::create_directory(p.parent_path() / "scene_.bmp"); },
       "ファイルを書き込めません: ", "処理できませんでした"},
      {"result a link to the source",
       [](const fs::path& p) { fs::create_symlink(p, p.parent_path() / "scene_.bmp"); },
       "書き込み先が元のファイルと同じため、書き込みません", "処理できませんでした"},
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
    const auto before =
        fs::is_regular_file(source) ? ReadFile(source) : std::vector<std::uint8_t>{};
    const auto entries = Entries(folder);
    services.messages.clear();
    click("Command1");
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_TRUE(services.messages[0].startsWith(fault.message)) << services.messages[0];
    EXPECT_EQ(text("Label4"), fault.status);
    EXPECT_EQ(fs::is_regular_file(source) ? ReadFile(source) : std::vector<std::uint8_t>{}, before);
    EXPECT_EQ(Entries(folder), entries);  // no partial result beside it
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }
}

TEST_F(RunTest, AFieldTextExecuteCannotUseEndsTheRunSilently) {
  choose(photo("scene.bmp"));
  const std::tuple<const char*, const char*, const char*> refused[] = {
      {"Option1", "Text1", "100"},
      {"Option1", "Text2", "abc"},
      {"Option2", "Text8", "171"},
      {"Option2", "Text5", "1e400"},
      {"Option3", "Text9", "2.68"}};
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

}  // namespace
}  // namespace hosei::test
