// The windows' texts: captions too wide shrunk, then cut in the middle; Qt's own dialogs in
// Japanese, in the windows' face.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "caption_label.h"
#include "execute.h"
#include "fonts.h"
#include "gui_test.h"
#include "qt_platform_services.h"

namespace hosei::test {
namespace {

bool Fits(const FittedCaption& fitted, int width) {
  for (const QString& line : fitted.lines)
    if (QFontMetricsF(fitted.font).horizontalAdvance(line) > width) return false;
  return true;
}

TEST(ElideMiddle, CutsTheFoldersOfAPathAndKeepsItsStartTheFileNameAndTheWords) {
  const QFont face = GothicFont(kWindowFontPoints);
  const QString path =
      "/tmp/a/very/long/folder/name/for/the/photographs/of/2026/sample_.bmpで保存されました";
  const struct {
    QString line;
    int width;
    QString start, end;  // what the shown line keeps; empty: only that it fits
    bool elided;
  } cases[] = {
      {path, 2000, path, path, false},
      {path, 240, "/tmp/", "/sample_.bmpで保存されました", true},
      {path, 60, "", "", true},  // not even the file name fits: the middle of the whole line
      {"効果の境界のなめらかさの指定をします　Soft なめらかに Sharp きつめに", 150, "効", "に",
       true},
  };
  for (const auto& c : cases) {
    const QString shown = ElideMiddle(c.line, face, c.width);
    EXPECT_LE(QFontMetricsF(face).horizontalAdvance(shown), c.width) << shown;
    EXPECT_EQ(shown.contains(QStringLiteral("…")), c.elided) << shown;
    EXPECT_TRUE(shown.startsWith(c.start) && shown.endsWith(c.end)) << shown;
  }
}

TEST(FitCaption, ShrinksTheFaceBeforeItElidesAndFitsEveryLine) {
  const QFont face = GothicFont(kWindowFontPoints);
  const QString word = QStringLiteral("中心移動");
  const int wordWidth = static_cast<int>(QFontMetricsF(face).horizontalAdvance(word));
  const FittedCaption smaller = FitCaption(word, face, wordWidth - 2, kSmallestCaptionPoints);
  EXPECT_FALSE(smaller.elided);
  EXPECT_EQ(smaller.lines, QStringList{word});
  EXPECT_LT(smaller.font.pointSizeF(), face.pointSizeF());
  EXPECT_TRUE(Fits(smaller, wordWidth - 2));

  const FittedCaption twoLines =
      FitCaption("処理を開始します\n/a/long/folder/of/photos/scene_.bmp で（上書き）保存されます",
                 face, 220, kSmallestCaptionPoints);
  EXPECT_TRUE(twoLines.elided);
  EXPECT_EQ(twoLines.font.pointSizeF(), kSmallestCaptionPoints);
  EXPECT_EQ(twoLines.lines.size(), 2);
  EXPECT_EQ(twoLines.lines[0], "処理を開始します");
  EXPECT_TRUE(twoLines.lines[1].endsWith("/scene_.bmp で（上書き）保存されます"));
  EXPECT_TRUE(Fits(twoLines, 220));
}

class CaptionTest : public GuiTest {
 protected:
  CaptionLabel* caption(const char* name) const { return control<CaptionLabel>(name); }
  // Whether the caption can be read whole or, cut, has the whole text as its tooltip. What
  // runs over its box or over the window's edge cannot be read.
  ::testing::AssertionResult readable(const char* name) const {
    CaptionLabel* label = caption(name);
    const FittedCaption fitted = label->fitted();
    const int room = std::min(label->width(), window->width() - label->x());
    if (!Fits(fitted, room)) return ::testing::AssertionFailure() << name << " runs over";
    if (!WaitUntil([&] { return label->toolTip() == (fitted.elided ? label->text() : ""); }))
      return ::testing::AssertionFailure() << name << " tooltip " << label->toolTip();
    return ::testing::AssertionSuccess();
  }
};

TEST_F(CaptionTest, CaptionsSetAtRunTimeShowTheirTextWholeOrElidedWithATooltip) {
  const auto folder = photos / "a/very/long/folder/name/for/the/photographs/of/2026";
  std::filesystem::create_directories(folder);
  WriteFile(folder / "sample.bmp", Sized(64, 48).bytes());
  choose(folder / "sample.bmp");
  click("Command1");
  const QString result = Q(folder / "sample_.bmp");
  EXPECT_EQ(text("Label4"), QString::fromStdString(SavedAsCaption(result.toStdString())));
  EXPECT_TRUE(readable("Label4"));
  const QString status = caption("Label4")->fitted().lines.value(0);
  EXPECT_TRUE(status.startsWith(Q(photos).left(4)) &&
              status.endsWith("/sample_.bmpで保存されました"))
      << status;

  const QString help = helpAfterHovering(control("Command1"));
  EXPECT_TRUE(help.endsWith(result + " で（上書き）保存されます")) << help;
  EXPECT_TRUE(readable("Label13"));
  const QStringList shown = caption("Label13")->fitted().lines;
  ASSERT_EQ(shown.size(), 2);
  EXPECT_EQ(shown[0], help.section('\n', 0, 0));
  EXPECT_TRUE(shown[1].endsWith("/sample_.bmp で（上書き）保存されます")) << shown[1];

  services.answerInputBox("20");
  services.answerInputBox("15");
  click("Command6");
  ASSERT_EQ(text("Label18"), "中心移動");
  EXPECT_TRUE(readable("Label18"));
  EXPECT_FALSE(caption("Label18")->fitted().elided);
  for (const char* name : {"Label16", "Label17", "Label3"}) EXPECT_TRUE(readable(name)) << name;
}

// Runs `open`, which waits for a dialog, hands the dialog to `inspect`, then cancels it.
void WhileOpen(const std::function<void()>& open, const std::function<void(QDialog&)>& inspect) {
  bool seen = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    if (!std::exchange(seen, true)) inspect(*dialog);
    dialog->reject();
  });
  poll.start(20);
  open();
  EXPECT_TRUE(seen);
}

TEST(QtDialogs, SpeakJapaneseAndTheInputBoxIsSetInTheWindowsFace) {
  QtPlatformServices services;
  const QString windowsFace = QFontInfo(GothicFont(kWindowFontPoints)).family();
  const struct {
    const char* what;
    std::function<void()> open;
    QStringList buttons;  // each found among the dialog's button texts
  } dialogs[] = {
      {"confirmation", [&] { services.confirm(nullptr, "確認", "題"); }, {"OK", "キャンセル"}},
      {"file dialog",
       [&] {
         services.chooseFileToOpen(nullptr, {{"all(*.*)"}, {}, {}});
       },
       {"開く", "キャンセル"}},
      {"input box",
       [&] { services.askText(nullptr, "中心の ｘ 座標", "中心座標の入力", " 600"); },
       {"OK", "キャンセル"}},
  };
  for (const auto& dialog : dialogs) {
    WhileOpen(dialog.open, [&](QDialog& shown) {
      QStringList texts;
      for (const QPushButton* button : shown.findChildren<QPushButton*>())
        if (button->isVisible()) texts << button->text();
      for (const QString& button : dialog.buttons)
        EXPECT_TRUE(texts.join(u'|').contains(button))
            << dialog.what << ": " << texts.join(u'|').toStdString();
      if (QLatin1String(dialog.what) != QLatin1String("input box")) return;
      // The prompt's Japanese and the default answer's digits come from one face.
      auto* answer = shown.findChild<QLineEdit*>();
      auto* prompt = shown.findChild<QLabel*>();
      ASSERT_TRUE(answer && prompt);
      EXPECT_EQ(answer->text(), " 600");
      EXPECT_EQ(QFontInfo(answer->font()).family(), windowsFace);
      EXPECT_EQ(QFontInfo(prompt->font()).family(), windowsFace);
    });
  }
}

// The photo filter lists photos named as cameras name them, in upper case too.
TEST(QtDialogs, ThePhotoFilterListsUpperCaseNames) {
  ScratchFolder folder;
  for (const char* name : {"IMG_0001.JPG", "scan.tiff", "cut-out.Png", "photo.bmp", "notes.txt"})
    WriteFile(folder / name, {1});
  const QString photos = QStringLiteral("写真(*.jpg *.jpeg *.png *.tif *.tiff)");
  QtPlatformServices services;
  QStringList listed;
  WhileOpen(
      [&] {
        services.chooseFileToOpen(
            nullptr, {{"ビットマップ(*.bmp)", "all(*.*)", photos}, Q(folder.path()), "bmp"});
      },
      [&](QDialog& shown) {
        auto& dialog = static_cast<QFileDialog&>(shown);
        dialog.selectNameFilter(photos);
        auto* model = dialog.findChild<QFileSystemModel*>();
        ASSERT_NE(model, nullptr);
        const QModelIndex root = model->index(Q(folder.path()));
        WaitUntil([&] { return model->rowCount(root) == 3; });
        for (int row = 0; row < model->rowCount(root); ++row)
          listed << model->index(row, 0, root).data().toString();
      });
  listed.sort();
  EXPECT_EQ(listed, QStringList({"IMG_0001.JPG", "cut-out.Png", "scan.tiff"}));
}

}  // namespace
}  // namespace hosei::test
