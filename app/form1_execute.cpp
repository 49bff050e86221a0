// Execute: one correction run of the current file, reported in the captions as it goes.

#include <QCheckBox>
#include <variant>

#include "caption_label.h"
#include "execute.h"
#include "execute_captions.h"
#include "form1.h"
#include "form2.h"
#include "picture_file.h"
#include "problem_texts.h"
#include "refusal_help.h"
#include "run_captions.h"
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
  // The viewer goes back to what the run shows, whether or not it runs.
  if (viewer_) viewer_->setPreview(false);
  // Whatever becomes of this run, the captions of the one before no longer describe it.
  showNoRun();
  const auto read = ReadParameters(fieldTexts());
  if (const auto* refusal = std::get_if<Refusal>(&read)) {
    helpLine->setText(RefusalHelp(*refusal));
    return;
  }

  Form2& viewer = showViewer();
  viewer.setCurrentPath(currentFile);
  viewer.hideCircle();

  ExecuteJob job;
  job.currentFile = currentFile.toStdString();
  job.parameters = std::get<Parameters>(read);
  job.movedCentre = work_.movedCentre;
  // Read as what it held when it was chosen, as Execute's help has named its result.
  job.kind = work_.currentFileKind;
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
  const QString title = QString::fromStdString(ResultViewerCaption(outcome.resultFile));
  if (!showPictureCheck->isChecked()) {
    viewer.showWithoutPicture(title);
  } else if (FileError error = viewer.showAsCurrent(resultFile, title)) {
    cursor.stop();
    services_.showMessage(&viewer, PictureFailureMessage(error));
  }
}

void Form1::showNoRun() {
  rowsDoneCaption->setText(QString::fromUtf8(kNoRowsDoneCaption));
  statusCaption->setText(QString::fromUtf8(kNoRowTotalCaption));
}

// The captions are set before the message opens, so that nothing behind it still counts the
// rows of a run that saved nothing.
void Form1::reportExecuteFailure(const FileError& error) {
  rowsDoneCaption->setText(QString::fromUtf8(kNoRowsDoneCaption));
  if (error.problem == FileProblem::kNot24BitBitmap) {
    statusCaption->setText(QString::fromUtf8(kColourCountErrorStatus));
    services_.showMessage(this, QString::fromUtf8(kNot24BitBitmapMessage));
    return;
  }
  statusCaption->setText(QString::fromUtf8(kNotProcessedStatus));
  services_.showMessage(this, QString::fromStdString(DescribeFileError(error)));
}

}  // namespace hosei
