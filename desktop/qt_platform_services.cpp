#include "qt_platform_services.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>

#include "fonts.h"

namespace hosei {

namespace {

QString TitleOrProgramName(const QString& title) {
  return title.isEmpty() ? QGuiApplication::applicationDisplayName() : title;
}

// Prompts break their lines with a carriage return and a line feed; Qt's labels break at
// the line feed and would draw the return as a stray mark.
QString ForQtLabel(QString text) {
  return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// Qt's dialogs take the application's face, not their parent window's. That face has no
// Japanese, so the Japanese would come from a fall-back face and the digits and Latin
// letters from another, narrower one; the windows' own face gives them one look.
void UseWindowFace(QWidget& dialog) { dialog.setFont(GothicFont(kWindowFontPoints)); }

}  // namespace

std::optional<ChosenFile> QtPlatformServices::chooseFileToOpen(QWidget* parent,
                                                               const FileDialogRequest& request) {
  QFileDialog dialog(parent);
  UseWindowFace(dialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilters(request.filters);
  dialog.setDefaultSuffix(request.defaultSuffix);
  if (!request.folder.isEmpty()) dialog.setDirectory(request.folder);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString path = dialog.selectedFiles().constFirst();
  return ChosenFile{path, QFileInfo(path).fileName()};
}

void QtPlatformServices::showMessage(QWidget* parent, const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::NoIcon, TitleOrProgramName(title), text, QMessageBox::Ok, parent);
  UseWindowFace(box);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

bool QtPlatformServices::confirm(QWidget* parent, const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::NoIcon, TitleOrProgramName(title), text,
                  QMessageBox::Ok | QMessageBox::Cancel, parent);
  UseWindowFace(box);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Ok);
  return box.exec() == QMessageBox::Ok;
}

QString QtPlatformServices::askText(QWidget* parent, const QString& prompt, const QString& title,
                                    const QString& defaultAnswer) {
  QInputDialog dialog(parent);
  UseWindowFace(dialog);
  dialog.setWindowTitle(TitleOrProgramName(title));
  dialog.setLabelText(ForQtLabel(prompt));
  dialog.setTextValue(defaultAnswer);
  return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

}  // namespace hosei
