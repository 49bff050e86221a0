#pragma once

#include "platform_services.h"

namespace hosei {

// The platform services as Qt's own dialogs provide them.
class QtPlatformServices : public PlatformServices {
 public:
  std::optional<ChosenFile> chooseFileToOpen(QWidget* parent,
                                             const FileDialogRequest& request) override;
  void showMessage(QWidget* parent, const QString& text, const QString& title) override;
  bool confirm(QWidget* parent, const QString& text, const QString& title) override;
  QString askText(QWidget* parent, const QString& prompt, const QString& title,
                  const QString& defaultAnswer) override;
};

}  // namespace hosei
