#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

#include "platform_services.h"

namespace hosei::test {

// Answers the blocking dialogs from a script and records everything that was shown. A
// question with no scripted answer is recorded as unexpected and answered with Cancel,
// so a test fails instead of hanging.
class ScriptedPlatformServices : public PlatformServices {
 public:
  struct Message {
    QString text;
    QString title;
  };
  struct Confirmation {
    QString text;
    QString title;
  };
  struct InputBox {
    QString prompt;
    QString title;
    QString defaultAnswer;
  };

  void chooseInDialog(const QString& path);
  void cancelDialog();
  void answerConfirmation(bool ok);
  // Types the text into the next input box and presses OK; cancelling answers empty text.
  void answerInputBox(const QString& typed);

  std::optional<ChosenFile> chooseFileToOpen(QWidget* parent,
                                             const FileDialogRequest& request) override;
  void showMessage(QWidget* parent, const QString& text, const QString& title) override;
  bool confirm(QWidget* parent, const QString& text, const QString& title) override;
  QString askText(QWidget* parent, const QString& prompt, const QString& title,
                  const QString& defaultAnswer) override;

  std::vector<FileDialogRequest> dialogs;
  std::vector<Confirmation> confirmations;
  std::vector<Message> messages;
  std::vector<InputBox> inputBoxes;
  QStringList unexpected;
  bool allAnswersUsed() const {
    return dialogAnswers_.empty() && confirmationAnswers_.empty() && inputAnswers_.empty();
  }

 private:
  std::deque<std::optional<QString>> dialogAnswers_;
  std::deque<bool> confirmationAnswers_;
  std::deque<QString> inputAnswers_;
};

}  // namespace hosei::test
