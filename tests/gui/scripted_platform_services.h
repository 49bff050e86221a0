#pragma once

#include <QFileInfo>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "platform_services.h"

namespace hosei::test {

// Answers the blocking dialogs from a script and records what they showed. An unscripted
// question is recorded as unexpected and cancelled, so a test fails instead of hanging.
class ScriptedPlatformServices : public PlatformServices {
 public:
  void chooseInDialog(const QString& path) { files_.push_back(path); }  // "" cancels
  void answerConfirmation(bool ok) { confirms_.push_back(ok); }
  void answerInputBox(const QString& typed) { inputs_.push_back(typed); }  // "" cancels
  bool allAnswersUsed() const { return files_.empty() && confirms_.empty() && inputs_.empty(); }

  std::optional<ChosenFile> chooseFileToOpen(QWidget*, const FileDialogRequest& request) override {
    dialogs.push_back(request);
    const QString path = next(files_, QStringLiteral("file dialog"));
    if (path.isEmpty()) return std::nullopt;
    return ChosenFile{path, QFileInfo(path).fileName()};
  }
  void showMessage(QWidget*, const QString& text, const QString& title) override {
    messages << (title.isEmpty() ? text : title + QStringLiteral(": ") + text);
    if (whileMessageShown) whileMessageShown();
  }
  bool confirm(QWidget*, const QString& text, const QString& title) override {
    confirmations << title + QStringLiteral(": ") + text;
    return next(confirms_, text);
  }
  QString askText(QWidget*, const QString& prompt, const QString& title,
                  const QString& defaultAnswer) override {
    inputBoxes << title + QStringLiteral(": ") + prompt + QStringLiteral(" [") + defaultAnswer +
                      QStringLiteral("]");
    return next(inputs_, prompt);
  }

  // Runs while a message is on screen, to see what the windows show behind it.
  std::function<void()> whileMessageShown;
  std::vector<FileDialogRequest> dialogs;
  QStringList confirmations, messages, inputBoxes, unexpected;

 private:
  template <typename T>
  T next(std::deque<T>& answers, const QString& question) {
    if (answers.empty()) {
      unexpected << question;
      return T{};
    }
    T answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::deque<QString> files_;
  std::deque<bool> confirms_;
  std::deque<QString> inputs_;
};

}  // namespace hosei::test
