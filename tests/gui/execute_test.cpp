// Execute from the window: parameters from the fields, result files as the engine writes
// them, captions at their moments, and file problems reported.

#include "execute.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <variant>

#include "gui_test.h"
#include "picture_box.h"

namespace hosei::test {
namespace {

class ExecuteTest : public GuiTest {
 protected:
  // The engine's own result for the same source and texts, written elsewhere.
  std::vector<std::uint8_t> expected(const std::filesystem::path& source, const FieldTexts& texts,
                                     std::optional<MovedCentre> centre = std::nullopt) {
    const auto parameters = std::get<Parameters>(ReadParameters(texts));
    const auto out = scratch / "expected.bmp";
    EXPECT_TRUE(Execute({source.string(), parameters, centre, out.string()}).succeeded());
    return ReadFile(out);
  }
  void type(const char* field, const QString& text) { control<QLineEdit>(field)->setText(text); }
};

// Records what a label showed each time it was painted, and what else held at that moment.
class PaintLog : public QObject {
 public:
  PaintLog(QLabel* label, std::function<QString()> alsoNow)
      : label_(label), alsoNow_(std::move(alsoNow)) {
    label->installEventFilter(this);
  }
  QStringList painted;
  // The paintings that start like `prefix`, each run of repeats once: a label is also
  // painted again when its overlapping neighbour is.
  QStringList changes(const QRegularExpression& prefix) const {
    QStringList seen;
    for (const QString& entry : painted)
      if (prefix.match(entry).hasMatch() && (seen.isEmpty() || seen.back() != entry)) seen << entry;
    return seen;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == label_ && event->type() == QEvent::Paint)
      painted << label_->text() + QStringLiteral(" | ") + alsoNow_();
    return false;
  }

 private:
  QLabel* label_;
  std::function<QString()> alsoNow_;
};

TEST_F(ExecuteTest, EachModeWritesWhatTheEngineWritesAndSaysSo) {
  TestBitmap bitmap;
  bitmap.width = 61;
  bitmap.height = 45;
  const auto source = photo("scene.bmp", bitmap);
  const auto result = photos / "scene_.bmp";
  choose(source);

  type("Text1", "30");
  type("Text2", "60");
  control<QComboBox>("Combo1")->setEditText("Sharp");
  window->setMovedCentre({40, 20, 1300.0f});
  click("Command1");
  FieldTexts texts;
  texts.start = "30";
  texts.coefficient = "60";
  texts.boundary = "Sharp";
  EXPECT_EQ(ReadFile(result), expected(source, texts, MovedCentre{40, 20, 1300.0f}));
  EXPECT_EQ(text("Label3"), "終了");
  EXPECT_EQ(text("Label4"), Q(result) + "で保存されました");
  EXPECT_EQ(window->viewer()->windowTitle(), "→　" + Q(result));
  EXPECT_EQ(window->viewer()->currentPath(), Q(result));
  EXPECT_EQ(window->viewer()->previousPath(), Q(source));

  control<QRadioButton>("Option2")->click();
  control<QCheckBox>("Check1")->click();
  type("Text4", "90");
  type("Text5", "10");
  type("Text6", "-5");
  type("Text8", "120");
  control<QComboBox>("Combo1")->setEditText("sharp");  // not an entry: the soft boundary
  click("Command1");
  texts = {};
  texts.mode = Mode::kFog;
  texts.lightX = "10";
  texts.lightY = "-5";
  texts.brightness = "120";
  texts.background = true;
  texts.threshold = "90";
  EXPECT_EQ(ReadFile(result), expected(source, texts));

  control<QRadioButton>("Option3")->click();
  typeAndLeave("Text9", "1.5");
  click("Command1");
  texts.mode = Mode::kGamma;
  texts.gamma = "1.48024428491834";
  EXPECT_EQ(ReadFile(result), expected(source, texts));
  EXPECT_TRUE(services.messages.empty());
}

TEST_F(ExecuteTest, AFieldStillBeingEditedIsReadAsItsSliderShowsIt) {
  const auto source = photo("scene.bmp");
  choose(source);
  typeAndLeave("Text2", "20");
  auto* start = control<QLineEdit>("Text1");
  QTest::mouseClick(start, Qt::LeftButton);
  QTest::keyClicks(start, "55.5");
  click("Command1");  // the field loses the focus to the button first
  EXPECT_EQ(start->text(), "56");
  FieldTexts texts;
  texts.start = "56";
  EXPECT_EQ(ReadFile(photos / "scene_.bmp"), expected(source, texts));
}

TEST_F(ExecuteTest, ARefusedParameterEndsTheRunWithoutAWord) {
  choose(photo("scene.bmp"));
  window->viewer()->close();
  ASSERT_TRUE(WaitUntil([&] { return window->viewer() == nullptr; }));
  const std::pair<const char*, const char*> refused[] = {{"Option1", "Text1=100"},
                                                         {"Option1", "Text2=0.5"},
                                                         {"Option2", "Text8=171"},
                                                         {"Option3", "Text9=2.68"}};
  for (const auto& [option, assignment] : refused) {
    const QStringList parts = QString(assignment).split('=');
    control<QRadioButton>(option)->click();
    const QString kept = text(parts[0].toLatin1());
    type(parts[0].toLatin1(), parts[1]);
    click("Command1");
    type(parts[0].toLatin1(), kept);
    EXPECT_EQ(window->viewer(), nullptr) << assignment;
  }
  EXPECT_FALSE(std::filesystem::exists(photos / "scene_.bmp"));
  EXPECT_TRUE(services.messages.empty());
  EXPECT_EQ(text("Label3"), "0");
}

TEST_F(ExecuteTest, RowCountsArePaintedAtOnceWhileTheRunHoldsTheWindow) {
  TestBitmap tall;
  tall.height = 100;
  choose(photo("tall.bmp", tall));
  auto cursorNow = [] {
    return QApplication::overrideCursor() ? QString::number(QApplication::overrideCursor()->shape())
                                          : QStringLiteral("-");
  };
  PaintLog rows(control<QLabel>("Label3"), cursorNow);
  PaintLog status(control<QLabel>("Label4"), [&] { return viewerText("Label2"); });
  click("Command1");
  const QString wait = QString::number(Qt::WaitCursor);
  const QRegularExpression rowNumber("^[1-9]");
  EXPECT_EQ(rows.changes(rowNumber), QStringList({"40 | " + wait, "80 | " + wait}));
  EXPECT_EQ(status.changes(QRegularExpression("^/")), QStringList({"/    100 | 100"}));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  TestBitmap low;
  low.height = 39;
  choose(photo("low.bmp", low));
  rows.painted.clear();
  click("Command1");
  EXPECT_TRUE(rows.changes(rowNumber).isEmpty());
  EXPECT_EQ(text("Label3"), "終了");
}

TEST_F(ExecuteTest, WithoutShowImageOnlyTheViewersCaptionChanges) {
  const auto source = photo("scene.bmp");
  choose(source);
  const qint64 shown = viewerControl<PictureBox>("Image1")->picture().cacheKey();
  control<QCheckBox>("Check2")->click();
  click("Command1");
  EXPECT_EQ(window->viewer()->windowTitle(), "→　" + Q(photos / "scene_.bmp"));
  EXPECT_EQ(window->viewer()->currentPath(), Q(source));
  EXPECT_EQ(window->viewer()->previousPath(), "");
  EXPECT_EQ(viewerControl<PictureBox>("Image1")->picture().cacheKey(), shown);
}

TEST_F(ExecuteTest, FileProblemsGetAMessageAndNeverASavedCaption) {
  TestBitmap eightBit;
  eightBit.bitsPerPixel = 8;
  const auto rejected = photo("eight.bmp", eightBit);
  choose(rejected);
  services.messages.clear();
  click("Command1");
  ASSERT_EQ(services.messages.size(), 1u);
  EXPECT_EQ(services.messages[0].text, "24bit Windowsビットマップではありません");
  EXPECT_EQ(text("Label4"), "色数のエラー");
  EXPECT_TRUE(window->viewer()->isVisible());
  EXPECT_EQ(window->viewer()->currentPath(), Q(rejected));

  const auto source = photo("scene.bmp");
  choose(source);
  click("Command1");
  const auto result = photos / "scene_.bmp";
  std::filesystem::remove(result);
  std::filesystem::create_directory(result);  // the result cannot be written
  click("Command1");
  ASSERT_EQ(services.messages.size(), 2u);
  EXPECT_TRUE(services.messages[1].text.startsWith("ファイルを書き込めません: " + Q(result)));
  EXPECT_EQ(text("Label4"), "処理できませんでした");
  EXPECT_TRUE(std::filesystem::is_directory(result));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  std::filesystem::remove(source);
  click("Command1");
  ASSERT_EQ(services.messages.size(), 3u);
  EXPECT_TRUE(services.messages[2].text.startsWith("ファイルを開けません: " + Q(source)));
}

}  // namespace
}  // namespace hosei::test
