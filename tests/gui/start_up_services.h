#pragma once

#include "platform_services.h"

namespace hosei::test {

// Answers the dialogs for a start-up check of the program, an installed one included: the
// file dialog picks the given file (once), confirmations are accepted, messages go to
// standard error.
class StartUpCheckServices : public PlatformServices {
 public:
  explicit StartUpCheckServices(QString file) : file_(std::move(file)) {}

  std::optional<ChosenFile> chooseFileToOpen(QWidget* parent,
                                             const FileDialogRequest& request) override;
  void showMessage(QWidget* parent, const QString& text, const QString& title) override;
  bool confirm(QWidget* parent, const QString& text, const QString& title) override;
  QString askText(QWidget* parent, const QString& prompt, const QString& title,
                  const QString& defaultAnswer) override;

 private:
  QString file_;
  bool chosen_ = false;
};

}  // namespace hosei::test
