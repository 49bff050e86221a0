// Choosing a file, Execute, the viewer and exit, and files or fields that go wrong.

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QRegularExpression>

#include "bitmap_file.h"
#include "gui_test.h"
#include "guide_marks.h"

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
  EXPECT_EQ(services.dialogs[0].filters, QStringList({"ビットマップ(*.bmp)", "all(*.*)"}));
  EXPECT_EQ(services.dialogs[1].folder, Q(photos));
  EXPECT_EQ(services.confirmations[0], "選択ファイルの確認: first.bmp の処理を行ないます");
  EXPECT_EQ(text("Text3"), Q(second));
  EXPECT_EQ(window->viewer()->windowTitle(), Q(second));
  services.chooseInDialog("");
  click("Command3");
  EXPECT_EQ(text("Text3"), Q(second));

  const auto rejected = photo("eight.bmp", Sized(4, 3, 8));
  choose(rejected);
  EXPECT_EQ(services.messages, QStringList{"24bit Windowsビットマップではありません"});
  EXPECT_EQ(text("Label4"), "色数のエラー");
  EXPECT_EQ(text("Text3"), Q(rejected));
  EXPECT_EQ(window->viewer()->currentPath(), Q(second));
}

TEST_F(RunTest, GuideLinesShowTheEnginesCopyAndExitDeletesOnlyThisRunsCopies) {
  const auto mine = programFolder / "_mine.bmp";  // a user's own photo, named like a copy
  WriteFile(mine, TestBitmap{}.bytes());
  control<QCheckBox>("Check3")->click();
  const auto path = photo("photo.bmp", Sized(320, 240));
  choose(path);
  choose(photo("other.bmp"));
  ASSERT_FALSE(WriteDisplayCopy(path.string(), (scratch / "expected.bmp").string()));
  EXPECT_EQ(ReadFile(programFolder / "_photo.bmp"), ReadFile(scratch / "expected.bmp"));
  EXPECT_EQ(window->viewer()->currentPath(), Q(programFolder / "_other.bmp"));
  click("Command2");
  EXPECT_EQ(Entries(programFolder), 1u);
  EXPECT_TRUE(fs::exists(mine) && fs::exists(path));
  EXPECT_TRUE(WaitUntil([&] { return !window->isVisible() && window->viewer() == nullptr; }));
}

TEST_F(RunTest, ExecuteInEachModeWritesWhatTheEngineWritesAndSaysSo) {
  const auto source = photo("scene.bmp", Sized(61, 45));
  const auto result = photos / "scene_.bmp";
  choose(source);
  auto* start = control<QLineEdit>("Text1");
  start->setFocus(Qt::MouseFocusReason);
  start->selectAll();
  QTest::keyClicks(start, "55.5");  // still being edited: read as the slider shows it
  control<QComboBox>("Combo1")->setEditText("Sharp");
  window->setMovedCentre({40, 20, 1300.0f});
  click("Command1");
  FieldTexts texts;
  texts.start = "56";
  texts.boundary = "Sharp";
  EXPECT_EQ(ReadFile(result), expected(source, texts, MovedCentre{40, 20, 1300.0f}));
  EXPECT_EQ(text("Label3"), "終了");
  EXPECT_EQ(text("Label4"), Q(result) + "で保存されました");
  EXPECT_EQ(window->viewer()->windowTitle(), "→　" + Q(result));
  EXPECT_EQ(window->viewer()->currentPath(), Q(result));

  control<QRadioButton>("Option2")->click();
  control<QCheckBox>("Check1")->click();
  type("Text6", "-5");
  control<QComboBox>("Combo1")->setEditText("sharp");  // not an entry: the soft boundary
  click("Command1");
  texts = {};
  texts.mode = Mode::kFog;
  texts.lightY = "-5";
  texts.background = true;
  EXPECT_EQ(ReadFile(result), expected(source, texts));

  control<QRadioButton>("Option3")->click();
  typeAndLeave("Text9", "1.5");
  click("Command1");
  texts.mode = Mode::kGamma;
  texts.gamma = "1.48024428491834";
  EXPECT_EQ(ReadFile(result), expected(source, texts));
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
