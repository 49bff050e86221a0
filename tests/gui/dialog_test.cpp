// Qt's own dialogs as the program opens them: in Japanese, in the windows' face.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "fonts.h"
#include "qt_platform_services.h"

namespace hosei {
namespace {

QStringList ButtonTexts(const QWidget& dialog) {
  QStringList texts;
  for (const QPushButton* button : dialog.findChildren<QPushButton*>())
    if (button->isVisible()) texts << button->text();
  return texts;
}

// Runs `open`, which waits for a dialog's answer, and hands the dialog to `inspect` once it
// is up; then cancels it.
void WhileOpen(const std::function<void()>& open, const std::function<void(QDialog&)>& inspect) {
  bool seen = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    if (!seen) inspect(*dialog);
    seen = true;
    dialog->reject();
  });
  poll.start(20);
  open();
  EXPECT_TRUE(seen);
}

TEST(QtDialogs, SpeakJapanese) {
  QtPlatformServices services;
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
      {"input box", [&] { services.askText(nullptr, "値", "題", " 600"); }, {"OK", "キャンセル"}},
  };
  for (const auto& dialog : dialogs) {
    WhileOpen(dialog.open, [&](QDialog& shown) {
      const QString texts = ButtonTexts(shown).join(u'|');
      for (const QString& button : dialog.buttons)
        EXPECT_TRUE(texts.contains(button)) << dialog.what << ": " << texts.toStdString();
    });
  }
}

// The prompt's Japanese and the default answer's digits come from one face, the windows'.
TEST(QtDialogs, TheInputBoxIsSetInTheWindowsFace) {
  QtPlatformServices services;
  const QString windowsFace = QFontInfo(GothicFont(kWindowFontPoints)).family();
  WhileOpen([&] { services.askText(nullptr, "中心の ｘ 座標", "中心座標の入力", " 600"); },
            [&](QDialog& shown) {
              auto* answer = shown.findChild<QLineEdit*>();
              auto* prompt = shown.findChild<QLabel*>();
              ASSERT_TRUE(answer && prompt);
              EXPECT_EQ(answer->text(), " 600");
              EXPECT_EQ(QFontInfo(answer->font()).family(), windowsFace);
              EXPECT_EQ(QFontInfo(prompt->font()).family(), windowsFace);
            });
}

}  // namespace
}  // namespace hosei
