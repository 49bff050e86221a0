// How the viewer's picture is seen beyond the designed switches: the preview of the
// correction, the stretched display, the context menu and keys that switch them, and
// moving about the picture at actual size with the keyboard.

#include <QAction>
#include <QKeyEvent>
#include <QPushButton>

#include "form2.h"
#include "picture_box.h"
#include "platform_services.h"

namespace hosei {

namespace {

constexpr const char* kPreviewEntry = "プレビュー";
constexpr const char* kEstimateEntry = "補正値を推定";
constexpr const char* kStretchEntry = "表示の強調";
// Put before the caption while the preview is on.
constexpr const char* kPreviewTitle = "プレビュー　";

// One arrow key moves the view at actual size by a grid cell of the guide lines.
constexpr int kDotsPerArrowKey = 100;

}  // namespace

void Form2::buildActions() {
  const auto make = [this](const char* text, Qt::Key key, bool checkable) {
    auto* action = new QAction(QString::fromUtf8(text), this);
    action->setShortcut(QKeySequence(key));
    action->setShortcutContext(Qt::WindowShortcut);
    action->setCheckable(checkable);
    // Added to the window for the key, to the picture for its context menu.
    addAction(action);
    pictureBox->addAction(action);
    return action;
  };
  previewAction = make(kPreviewEntry, Qt::Key_P, true);
  estimateAction = make(kEstimateEntry, Qt::Key_E, false);
  stretchAction = make(kStretchEntry, Qt::Key_S, true);
  pictureBox->setContextMenuPolicy(Qt::ActionsContextMenu);
  // Clicking the picture gives the window the keyboard for the keys above and the arrows.
  pictureBox->setFocusPolicy(Qt::ClickFocus);
  connect(previewAction, &QAction::triggered, this, &Form2::setPreview);
  connect(estimateAction, &QAction::triggered, this, &Form2::estimateRequested);
  connect(stretchAction, &QAction::triggered, this, &Form2::setDisplayStretch);
  pictureBox->setLook(
      [this](const ViewerPicture& picture, const QRect& part) { return lookOf(picture, part); });
  for (QPushButton* button : {zoomButton, beforeAfterButton}) button->installEventFilter(this);
}

void Form2::setPreviewCorrection(const std::optional<PreviewCorrection>& correction) {
  correction_ = correction;
  if (previewOn_) pictureBox->refreshLook();
}

void Form2::setPreview(bool on) {
  if (on) {
    // Without a current file there is nothing Execute would correct.
    const QString file = work_.currentFile;
    if (file.isEmpty()) {
      on = false;
    } else if (pictureBox->picture().path != file) {
      if (FileError error = pictureBox->showFile(file)) {
        services_.showMessage(this, PictureFailureMessage(error));
        on = false;
      }
    }
  }
  const bool changed = on != previewOn_;
  previewOn_ = on;
  previewAction->setChecked(on);
  if (!changed) return;
  if (on)
    pictureBox->refreshLook();
  else
    showDesignedPicture();
  showTitle();
}

void Form2::endPreview() {
  previewOn_ = false;
  previewAction->setChecked(false);
}

void Form2::showDesignedPicture() {
  if (designedPicture_.isEmpty()) {
    pictureBox->clear();
  } else if (pictureBox->picture().path != designedPicture_) {
    if (pictureBox->showFile(designedPicture_)) pictureBox->clear();
  } else {
    pictureBox->refreshLook();
  }
}

void Form2::setDisplayStretch(bool on) {
  stretchOn_ = on;
  stretchAction->setChecked(on);
  pictureBox->refreshLook();
}

QImage Form2::lookOf(const ViewerPicture& picture, const QRect& part) {
  const bool corrected = previewOn_ && correction_;
  if (stretchOn_ && (!stretch_ || stretchOf_ != picture.image.cacheKey())) {
    stretch_ = AutomaticStretch(picture.deep ? LevelCounts(picture.deep->bgr)
                                             : LevelCounts(picture.image));
    stretchOf_ = picture.image.cacheKey();
  }
  if (!corrected && !stretchOn_) return picture.image;
  const QRect changed = part & picture.image.rect();
  // A deep picture is corrected and stretched at 16 bits, and only then shown as bytes.
  if (picture.deep) {
    QImage image = picture.image.copy();
    static const ShownLevels unstretched = Unstretched(65536);
    ShowThrough(corrected ? CorrectedDeepForPreview(picture, *correction_, changed)
                          : DeepSamplesOf(picture, changed),
                stretchOn_ ? *stretch_ : unstretched, image, changed);
    return image;
  }
  QImage image =
      corrected ? CorrectedForPreview(picture, *correction_, changed) : picture.image.copy();
  if (stretchOn_) ApplyLevels(image, changed, *stretch_);
  return image;
}

void Form2::showTitle() {
  setWindowTitle(previewOn_ ? QString::fromUtf8(kPreviewTitle) + work_.currentFile : title_);
}

bool Form2::panByKey(int key) {
  if (zoomMode()) return false;
  const QSize picture = pictureBox->picture().pictureSize;
  switch (key) {
    case Qt::Key_Left:
      pictureBox->panBy({-kDotsPerArrowKey, 0});
      return true;
    case Qt::Key_Right:
      pictureBox->panBy({kDotsPerArrowKey, 0});
      return true;
    case Qt::Key_Up:
      pictureBox->panBy({0, -kDotsPerArrowKey});
      return true;
    case Qt::Key_Down:
      pictureBox->panBy({0, kDotsPerArrowKey});
      return true;
    case Qt::Key_Home:
      pictureBox->panTo({0, 0});
      return true;
    // The far corner, for a look along the picture's last rows and columns.
    case Qt::Key_End:
      pictureBox->panTo({picture.width(), picture.height()});
      return true;
    default:
      return false;
  }
}

void Form2::keyPressEvent(QKeyEvent* event) {
  if ((event->modifiers() & ~Qt::KeypadModifier) == 0 && panByKey(event->key()))
    event->accept();
  else
    QWidget::keyPressEvent(event);
}

// A button with the keyboard would take the arrows to move it on to the next button; at
// actual size they move the picture, whatever holds the keyboard.
bool Form2::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & ~Qt::KeypadModifier) == 0 && panByKey(key->key())) return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace hosei
