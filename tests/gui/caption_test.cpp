// The windows' texts: captions too wide shrunk, then cut in the middle; Qt's own dialogs in
// Japanese, in the windows' face.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QTimer>

#include "caption_label.h"
#include "fonts.h"
#include "form1.h"
#include "gui_test.h"
#include "qt_platform_services.h"

namespace hosei::test {
namespace {

bool Fits(const FittedCaption& fitted, int width) {
  for (const QString& line : fitted.lines)
    if (QFontMetricsF(fitted.font).horizontalAdvance(line) > width) return false;
  return true;
}

// Captions set at run time in the window can be read whole or, cut, carry the whole text as
// their tooltip; nothing runs over its box or the window's edge. A long path loses its
// folders, not its start or file name; a short word is never cut.
TEST_F(GuiTest, CaptionsSetAtRunTimeAreReadableWholeOrThroughATooltip) {
  const auto folder = photos / "a/very/long/folder/name/for/the/photographs/of/2026";
  std::filesystem::create_directories(folder);
  WriteFile(folder / "sample.bmp", Sized(64, 48).bytes());
  choose(folder / "sample.bmp");
  click("Command1");
  helpAfterHovering(control("Command1"));
  services.answerInputBox("20");
  services.answerInputBox("15");
  click("Command6");
  for (const char* name : {"Label4", "Label13", "Label16", "Label17", "Label18", "Label3"}) {
    auto* label = control<CaptionLabel>(name);
    const FittedCaption fitted = label->fitted();
    EXPECT_TRUE(Fits(fitted, std::min(label->width(), window->width() - label->x()))) << name;
    EXPECT_TRUE(WaitUntil([&] { return label->toolTip() == (fitted.elided ? label->text() : ""); }))
        << name << " tooltip " << label->toolTip();
  }
  EXPECT_FALSE(control<CaptionLabel>("Label18")->fitted().elided);
  const QStringList status = control<CaptionLabel>("Label4")->fitted().lines;
  const QStringList help = control<CaptionLabel>("Label13")->fitted().lines;
  EXPECT_TRUE(status.value(0).startsWith(Q(photos).left(4)) &&
              status.value(0).endsWith("/sample_.bmpで保存されました"))
      << status.value(0);
  ASSERT_EQ(help.size(), 2);
  EXPECT_TRUE(help[1].endsWith("/sample_.bmp で（上書き）保存されます")) << help[1];
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

QString VisibleButtons(const QDialog& dialog) {
  QStringList texts;
  for (const QPushButton* button : dialog.findChildren<QPushButton*>())
    if (button->isVisible()) texts << button->text();
  return texts.join(u'|');
}

TEST(QtDialogs, SpeakJapaneseInTheWindowsFaceAndListUpperCasePhotos) {
  QtPlatformServices services;
  WhileOpen([&] { services.askText(nullptr, "中心の ｘ 座標", "中心座標の入力", " 600"); },
            [&](QDialog& shown) {
              EXPECT_TRUE(VisibleButtons(shown).contains("キャンセル")) << VisibleButtons(shown);
              // The prompt's Japanese and the default answer's digits come from one face.
              const QString face = QFontInfo(GothicFont(kWindowFontPoints)).family();
              auto* answer = shown.findChild<QLineEdit*>();
              auto* prompt = shown.findChild<QLabel*>();
              ASSERT_TRUE(answer && prompt);
              EXPECT_EQ(QFontInfo(answer->font()).family(), face);
              EXPECT_EQ(QFontInfo(prompt->font()).family(), face);
            });

  ScratchFolder folder;
  for (const char* name : {"IMG_0001.JPG", "scan.tiff", "cut-out.Png", "M42.FITS", "stack.fit",
                           "sky.fts", "photo.bmp", "notes.txt"})
    WriteFile(folder / name, {1});
  const QString filter = QString::fromUtf8(kPhotoFilter);
  QStringList listed;
  WhileOpen(
      [&] {
        services.chooseFileToOpen(nullptr, {{"all(*.*)", filter}, Q(folder.path()), "bmp"});
      },
      [&](QDialog& shown) {
        EXPECT_TRUE(VisibleButtons(shown).contains("開く")) << VisibleButtons(shown);
        auto& dialog = static_cast<QFileDialog&>(shown);
        dialog.selectNameFilter(filter);
        auto* model = dialog.findChild<QFileSystemModel*>();
        ASSERT_NE(model, nullptr);
        const QModelIndex root = model->index(Q(folder.path()));
        WaitUntil([&] { return model->rowCount(root) == 6; });
        for (int row = 0; row < model->rowCount(root); ++row)
          listed << model->index(row, 0, root).data().toString();
      });
  listed.sort();
  EXPECT_EQ(listed, QStringList({"IMG_0001.JPG", "M42.FITS", "cut-out.Png", "scan.tiff", "sky.fts",
                                 "stack.fit"}));
}

}  // namespace
}  // namespace hosei::test
