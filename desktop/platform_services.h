#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace hosei {

// What the file-open dialog is set up with.
struct FileDialogRequest {
  QStringList filters;    // "label(pattern)" entries, in the order offered
  QString folder;         // where the dialog opens
  QString defaultSuffix;  // added to a typed name that has none
};

struct ChosenFile {
  QString path;   // full path
  QString title;  // the file's own name, without its folder
};

// The platform services that block until the user answers. The windows reach the
// dialogs only through this, so tests can answer them from a script.
class PlatformServices {
 public:
  virtual ~PlatformServices() = default;

  // The file-open dialog; nothing when the user cancels it.
  virtual std::optional<ChosenFile> chooseFileToOpen(QWidget* parent,
                                                     const FileDialogRequest& request) = 0;
  // A message with an OK button only. An empty title leaves the program's own name.
  virtual void showMessage(QWidget* parent, const QString& text, const QString& title = {}) = 0;
  // A question with OK and Cancel; true for OK.
  virtual bool confirm(QWidget* parent, const QString& text, const QString& title) = 0;
  // A one-line input box; empty text when cancelled.
  virtual QString askText(QWidget* parent, const QString& prompt, const QString& title,
                          const QString& defaultAnswer) = 0;
};

}  // namespace hosei
