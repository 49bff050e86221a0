#include "scripted_platform_services.h"

#include <QFileInfo>

namespace hosei::test {

void ScriptedPlatformServices::chooseInDialog(const QString& path) {
  dialogAnswers_.push_back(path);
}

void ScriptedPlatformServices::cancelDialog() { dialogAnswers_.push_back(std::nullopt); }

void ScriptedPlatformServices::answerConfirmation(bool ok) { confirmationAnswers_.push_back(ok); }

void ScriptedPlatformServices::answerInputBox(const QString& typed) {
  inputAnswers_.push_back(typed);
}

std::optional<ChosenFile> ScriptedPlatformServices::chooseFileToOpen(
    QWidget* /*parent*/, const FileDialogRequest& request) {
  dialogs.push_back(request);
  if (dialogAnswers_.empty()) {
    unexpected << QStringLiteral("file dialog");
    return std::nullopt;
  }
  const auto answer = dialogAnswers_.front();
  dialogAnswers_.pop_front();
  if (!answer) return std::nullopt;
  return ChosenFile{*answer, QFileInfo(*answer).fileName()};
}

void ScriptedPlatformServices::showMessage(QWidget* /*parent*/, const QString& text,
                                           const QString& title) {
  messages.push_back({text, title});
}

bool ScriptedPlatformServices::confirm(QWidget* /*parent*/, const QString& text,
                                       const QString& title) {
  confirmations.push_back({text, title});
  if (confirmationAnswers_.empty()) {
    unexpected << QStringLiteral("confirmation: ") + text;
    return false;
  }
  const bool answer = confirmationAnswers_.front();
  confirmationAnswers_.pop_front();
  return answer;
}

QString ScriptedPlatformServices::askText(QWidget* /*parent*/, const QString& prompt,
                                          const QString& title, const QString& defaultAnswer) {
  inputBoxes.push_back({prompt, title, defaultAnswer});
  if (inputAnswers_.empty()) {
    unexpected << QStringLiteral("input box: ") + prompt;
    return {};
  }
  const QString answer = inputAnswers_.front();
  inputAnswers_.pop_front();
  return answer;
}

}  // namespace hosei::test
