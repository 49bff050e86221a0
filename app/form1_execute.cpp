// Execute: one correction run of the current file, reported in the captions as it goes.

#include <QCheckBox>
#include <variant>

#include "caption_label.h"
#include "execute.h"
#include "execute_captions.h"
#include "form1.h"
#include "form2.h"
#include "picture_file.h"
#include "wait_cursor.h"

namespace hosei {

namespace {

// The status line after a run that failed for another reason than the bitmap's kind, so
// that an earlier run's "saved" caption does not stand for this one.
constexpr const char* kNotProcessedStatus = "処理できませんでした";

}  // namespace

void Form1::execute() {
  const QString currentFile = work_.currentFile;
  if (currentFile.isEmpty()) return;
  const auto read = ReadParameters(fieldTexts());
  const Parameters* parameters = std::get_if<Parameters>(&read);
  if (!parameters) return;  // a refused parameter ends the run without a word

  Form2& viewer = showViewer();
  viewer.setCurrentPath(currentFile);
  viewer.hideCircle();

  const ExecuteJob job{currentFile.toStdString(), *parameters, work_.movedCentre, {}};
  WaitCursor cursor;
  ExecuteCaptions captions(*rowsDoneCaption, *statusCaption, viewer, cursor);
  const ExecuteOutcome outcome = Execute(job, &captions);
  if (!outcome.succeeded()) {
    cursor.stop();
    reportExecuteFailure(outcome.error);
    return;
  }

  const QString resultFile = QString::fromStdString(outcome.resultFile);
  rowsDoneCaption->setText(QString::fromUtf8(kFinishedCaption));
  statusCaption->setText(QString::fromStdString(SavedAsCaption(outcome.resultFile)));
  showViewer();
  viewer.setWindowTitle(QString::fromStdString(ResultViewerCaption(outcome.resultFile)));
  if (showPictureCheck->isChecked()) {
    if (FileError error = viewer.showAsCurrent(resultFile)) {
      cursor.stop();
      services_.showMessage(&viewer, PictureFailureMessage(error));
    }
  }
}

void Form1::reportExecuteFailure(const FileError& error) {
  if (error.problem == FileProblem::kNot24BitBitmap) {
    services_.showMessage(this, QString::fromUtf8(kNot24BitBitmapMessage));
    statusCaption->setText(QString::fromUtf8(kColourCountErrorStatus));
    return;
  }
  services_.showMessage(this, QString::fromStdString(DescribeFileError(error)));
  statusCaption->setText(QString::fromUtf8(kNotProcessedStatus));
}

}  // namespace hosei
