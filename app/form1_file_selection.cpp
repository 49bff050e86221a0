// Choosing the file to work on: the dialog and its confirmation, the header check, and
// bringing the picture (or its copy with guide marks) into the viewer.

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>

#include "caption_label.h"
#include "chosen_file.h"
#include "file_kind.h"
#include "file_names.h"
#include "form1.h"
#include "form2.h"
#include "guide_marks.h"
#include "photo_display_copy.h"
#include "picture_file.h"
#include "problem_texts.h"
#include "working_files.h"

namespace hosei {

namespace {

constexpr const char* kCannotMakeDisplayCopy = "補助線入りの表示用ファイルを作れません\n";
constexpr const char* kNameTakenByAnotherFile = "同じ名前のファイルがあるため、上書きしません: ";

QString ConfirmationText(const ChosenFile& chosen) {
  return chosen.title + QStringLiteral(" の処理を行ないます");
}

QString Describe(const FileError& error) {
  return QString::fromStdString(DescribeFileError(error));
}

// What a rejected file holds, as far as it can be told; one that cannot be read is taken for
// a bitmap, as Execute would take it.
FileKind KindFoundIn(const std::string& path) {
  FileKind kind = FileKind::kOther;
  if (KindOfFile(path, kind)) return FileKind::kOther;
  return kind;
}

}  // namespace

void Form1::chooseFile() {
  std::optional<ChosenFile> chosen;
  // Cancelling the confirmation opens the dialog again; only cancelling the dialog ends.
  for (;;) {
    FileDialogRequest request = fileDialog_;
    request.folder = dialogFolder_;
    chosen = services_.chooseFileToOpen(this, request);
    if (!chosen) return;
    dialogFolder_ = QFileInfo(chosen->path).absolutePath();
    if (services_.confirm(this, ConfirmationText(*chosen), QStringLiteral("選択ファイルの確認")))
      break;
  }
  loadFile(*chosen);
}

void Form1::loadFile(const ChosenFile& chosen) {
  // The preview is of the current file, which is about to change, whether or not it is taken.
  if (viewer_) viewer_->setPreview(false);
  const std::string path = chosen.path.toStdString();
  ChosenPicture picture;
  const FileError error = CheckChosenFile(path, picture);
  // A rejected file becomes current all the same, and Execute rejects it again in the same
  // words.
  showCurrentFile(chosen.path, error ? KindFoundIn(path) : picture.kind);
  if (error) {
    const bool notBitmap = error.problem == FileProblem::kNot24BitBitmap;
    services_.showMessage(this,
                          notBitmap ? QString::fromUtf8(kNot24BitBitmapMessage) : Describe(error));
    // A photo of more than 8 bits a channel is refused for its colours, as a bitmap is.
    if (notBitmap || error.problem == FileProblem::kUnsupportedPhoto)
      statusCaption->setText(QString::fromUtf8(kColourCountErrorStatus));
    return;
  }

  Form2& viewer = ensureViewer();
  viewer.setImageSize(picture.width, picture.height);
  viewer.show();
  viewer.raise();
  // The picture shown before goes with its title, whether or not this one can be shown.
  viewer.showWithoutPicture(chosen.path);
  if (showPictureCheck->isChecked()) showChosenPicture(viewer, chosen, picture.kind);
  clearMovedCentre();
  viewer.hideCircle();
}

void Form1::showChosenPicture(Form2& viewer, const ChosenFile& chosen, FileKind kind) {
  QString shown = chosen.path;
  if (guideLinesCheck->isChecked()) {
    const bool photo = IsPhoto(kind);
    const auto named = photo ? PhotoDisplayCopyName({}, chosen.title.toStdString())
                             : DisplayCopyName({}, chosen.title.toStdString());
    if (!named) {
      services_.showMessage(
          this, Describe(FileError{FileProblem::kNameTooShort, chosen.title.toStdString(), {}}));
      return;
    }
    const QString name = QFileInfo(QString::fromStdString(*named)).fileName();
    const auto copy = workingFiles_.displayCopyPath(name);
    if (!copy) {
      services_.showMessage(this, QString::fromUtf8(kCannotMakeDisplayCopy) +
                                      QString::fromUtf8(kNameTakenByAnotherFile) +
                                      QDir(workingFiles_.programFolder()).filePath(name));
      return;
    }
    // The copy is written whole or not at all, so a failure leaves nothing behind.
    const std::string source = chosen.path.toStdString();
    if (FileError error = photo ? WritePhotoDisplayCopy(source, copy->toStdString())
                                : WriteDisplayCopy(source, copy->toStdString())) {
      services_.showMessage(this, QString::fromUtf8(kCannotMakeDisplayCopy) + Describe(error));
      return;
    }
    shown = *copy;
    workingFiles_.recordDisplayCopy(shown);
  }
  if (FileError error = viewer.showAsCurrent(shown, chosen.path))
    services_.showMessage(&viewer, PictureFailureMessage(error));
}

}  // namespace hosei
