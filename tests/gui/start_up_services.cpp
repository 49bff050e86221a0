#include "start_up_services.h"

#include <QFileInfo>
#include <cstdio>

namespace hosei::test {

std::optional<ChosenFile> StartUpCheckServices::chooseFileToOpen(QWidget*,
                                                                 const FileDialogRequest&) {
  // One answer only, so a refused confirmation cannot loop.
  if (chosen_) return std::nullopt;
  chosen_ = true;
  return ChosenFile{file_, QFileInfo(file_).fileName()};
}

void StartUpCheckServices::showMessage(QWidget*, const QString& text, const QString&) {
  std::fprintf(stderr, "hosei: message: %s\n", qPrintable(text));
}

bool StartUpCheckServices::confirm(QWidget*, const QString&, const QString&) { return true; }

QString StartUpCheckServices::askText(QWidget*, const QString&, const QString&, const QString&) {
  return {};
}

}  // namespace hosei::test
