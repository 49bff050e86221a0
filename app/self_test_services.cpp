#include "self_test_services.h"

#include <QFileInfo>
#include <cstdio>

namespace hosei {

std::optional<ChosenFile> SelfTestServices::chooseFileToOpen(QWidget*, const FileDialogRequest&) {
  // One answer only, so a refused confirmation cannot loop.
  if (chosen_) return std::nullopt;
  chosen_ = true;
  return ChosenFile{file_, QFileInfo(file_).fileName()};
}

void SelfTestServices::showMessage(QWidget*, const QString& text, const QString&) {
  std::fprintf(stderr, "hosei: message: %s\n", qPrintable(text));
}

bool SelfTestServices::confirm(QWidget*, const QString&, const QString&) { return true; }

QString SelfTestServices::askText(QWidget*, const QString&, const QString&, const QString&) {
  return {};
}

}  // namespace hosei
