#pragma once

#include "platform_services.h"

namespace hosei {

// Answers the dialogs for a start-up check of an installed program: the file dialog picks
// the given file, confirmations are accepted, messages go to standard error.
class SelfTestServices : public PlatformServices {
 public:
  explicit SelfTestServices(QString file) : file_(std::move(file)) {}

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

}  // namespace hosei
