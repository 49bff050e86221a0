#include "form2.h"

#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "caption_label.h"
#include "circle_shape.h"
#include "fonts.h"
#include "hover_help.h"
#include "picture_box.h"
#include "picture_file.h"
#include "platform_services.h"
#include "twips.h"

namespace hosei {

namespace {

constexpr const char* kToActualSize = "実寸へ";
constexpr const char* kToZoom = "zoomへ";
constexpr const char* kZoomSizeCaption = "zoom 横×縦＝";
constexpr const char* kActualSizeCaption = "実寸 横×縦＝";

// The strip of buttons and size texts above the picture.
const int kStripHeight = TwipsToPixels(285);
// Keeps a freak aspect ratio (a picture one dot wide and thousands high) within what a
// window system can map.
constexpr int kHighestPictureArea = 16000;

template <typename Label = CaptionLabel>
Label* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
  auto* label = new Label(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  label->setGeometry(geometry);
  return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption,
                        const QRect& geometry) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(geometry);
  return button;
}

}  // namespace

Form2::Form2(PlatformServices& services, WorkModel& work, QWidget* parent)
    : QWidget(parent, Qt::Window), services_(services), work_(work) {
  setObjectName(QStringLiteral("Form2"));
  setAttribute(Qt::WA_DeleteOnClose);
  // The main window keeps the keyboard while pictures come and go here.
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFont(GothicFont(kWindowFontPoints));
  showTitle();

  pictureBox = new PictureBox(this);
  pictureBox->setObjectName(QStringLiteral("Image1"));
  pictureBox->setGeometry(TwipsRect(0, 285, 4815, 3015));
  zoomButton =
      MakeButton(this, "Command1", QString::fromUtf8(kToActualSize), TwipsRect(2850, 0, 800, 280));
  beforeAfterButton =
      MakeButton(this, "Command2", QStringLiteral("←"), TwipsRect(3720, 0, 550, 280));
  sizeModeCaption =
      MakeLabel(this, "Label3", QString::fromUtf8(kZoomSizeCaption), TwipsRect(75, 45, 1335, 180));
  widthCaption = MakeLabel(this, "Label1", QString(), TwipsRect(1455, 45, 675, 180));
  heightCaption = MakeLabel(this, "Label2", QString(), TwipsRect(2115, 45, 675, 180));
  previousPictureCaption = MakeLabel<QLabel>(this, "Label4", QString(), QRect());
  previousPictureCaption->hide();
  currentPictureCaption = MakeLabel<QLabel>(this, "Label5", QString(), QRect());
  currentPictureCaption->hide();
  circleShape = new CircleShape(this);
  circleShape->setObjectName(QStringLiteral("Shape1"));

  // The strip's texts are taller than their design boxes in this face; let them show whole
  // without moving their tops.
  for (QLabel* label : {widthCaption, heightCaption, sizeModeCaption})
    label->resize(label->width(), std::max(label->height(), label->fontMetrics().height()));

  setTabOrder(zoomButton, beforeAfterButton);
  connect(zoomButton, &QPushButton::clicked, this, &Form2::switchZoom);
  connect(beforeAfterButton, &QPushButton::clicked, this, &Form2::switchPreviousAndCurrent);
  connect(pictureBox, &PictureBox::doubleClicked, this, &Form2::hideCircleOnDoubleClick);
  buildActions();
  explainControls();
  showImageSize();
  showPicturePaths();

  resize(TwipsRect(0, 0, 4845, 3420).size());
}

void Form2::setImageSize(int width, int height) {
  work_.imageSize = ImageSize{width, height};
  showImageSize();
  applySizeRule();
}

void Form2::showImageSize() {
  const auto& size = work_.imageSize;
  widthCaption->setText(size ? QString::number(size->width) : QString());
  heightCaption->setText(size ? QString::number(size->height) : QString());
}

void Form2::showPicturePaths() {
  previousPictureCaption->setText(work_.previousPicture);
  currentPictureCaption->setText(work_.currentPicture);
}

// A picture put on show by file selection or Execute ends the preview.
FileError Form2::showAsCurrent(const QString& path, const QString& title) {
  endPreview();
  const FileError error = pictureBox->showFile(path);
  if (error) pictureBox->clear();
  designedPicture_ = error ? QString() : path;
  title_ = title;
  showTitle();
  work_.previousPicture = work_.currentPicture;
  work_.currentPicture = path;
  showPicturePaths();
  return error;
}

void Form2::showWithoutPicture(const QString& title) {
  endPreview();
  designedPicture_.clear();
  pictureBox->clear();
  title_ = title;
  showTitle();
}

void Form2::setCurrentPath(const QString& path) {
  work_.currentPicture = path;
  showPicturePaths();
}

QString Form2::currentPath() const { return work_.currentPicture; }

QString Form2::previousPath() const { return work_.previousPicture; }

bool Form2::zoomMode() const { return pictureBox->stretch(); }

QRect Form2::pictureArea() const { return pictureBox->geometry(); }

std::optional<QSizeF> Form2::imageSizeInDots() const {
  const auto size = work_.usableImageSize();
  if (!size) return std::nullopt;
  return QSizeF(size->width, size->height);
}

QSize Form2::roomOnScreen() const {
  const QScreen* shownOn = screen();
  if (!shownOn) return QSize(QWIDGETSIZE_MAX, kStripHeight + kHighestPictureArea);
  return shownOn->availableGeometry().size() - (frameGeometry().size() - size());
}

void Form2::applySizeRule() {
  hideCircle();
  const QSize room = roomOnScreen();
  const int areaWidth = std::clamp(width(), 1, std::max(room.width(), 1));
  if (areaWidth != width()) resize(areaWidth, height());  // runs this rule again, narrowed
  const auto image = imageSizeInDots();
  if (!image) {
    pictureBox->setGeometry(0, kStripHeight, areaWidth, pictureBox->height());
    keepOnScreen();
    return;
  }
  const long highest = std::clamp(room.height() - kStripHeight, 1, kHighestPictureArea);
  const long exact = std::lround(image->height() * areaWidth / image->width());
  const int areaHeight = static_cast<int>(std::clamp(exact, 1L, highest));
  QRect area(0, kStripHeight, areaWidth, areaHeight);
  if (exact > highest && zoomMode()) {
    // The picture area keeps the image's proportions, so a guide circle meets the picture
    // wherever the area lies.
    const long fitted = std::lround(areaHeight * image->width() / image->height());
    const int fittedWidth = static_cast<int>(std::clamp(fitted, 1L, static_cast<long>(areaWidth)));
    area = QRect((areaWidth - fittedWidth) / 2, kStripHeight, fittedWidth, areaHeight);
  }
  pictureBox->setGeometry(area);
  // A fixed height keeps the window system from offering the bottom edge at all; setting it
  // resizes the window, which runs this rule once more with nothing left to change.
  if (minimumHeight() != kStripHeight + areaHeight || maximumHeight() != kStripHeight + areaHeight)
    setFixedHeight(kStripHeight + areaHeight);
  keepOnScreen();
}

// A window grown past the bottom of the screen would hide the bottom of the picture where
// no one can reach it; it is moved up (or left) just far enough to come back whole.
void Form2::keepOnScreen() {
  const QScreen* shownOn = screen();
  if (!shownOn) return;
  const QRect available = shownOn->availableGeometry();
  const QRect frame = frameGeometry();
  const QPoint inside(
      std::clamp(frame.x(), available.left(),
                 std::max(available.left(), available.right() + 1 - frame.width())),
      std::clamp(frame.y(), available.top(),
                 std::max(available.top(), available.bottom() + 1 - frame.height())));
  if (inside != frame.topLeft()) move(inside);
}

void Form2::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  applySizeRule();
}

void Form2::switchZoom() {
  // The picture is read again for the other mode; one that cannot be read keeps the mode.
  if (FileError error = pictureBox->setStretch(!pictureBox->stretch())) {
    services_.showMessage(this, PictureFailureMessage(error));
    return;
  }
  // A picture fitted inside a window at its greatest height gets the whole area at actual
  // size, and back; the rule also takes away a circle, which only zoom mode shows.
  applySizeRule();
  if (!pictureBox->stretch()) {
    zoomButton->setText(QString::fromUtf8(kToZoom));
    sizeModeCaption->setText(QString::fromUtf8(kActualSizeCaption));
  } else {
    zoomButton->setText(QString::fromUtf8(kToActualSize));
    sizeModeCaption->setText(QString::fromUtf8(kZoomSizeCaption));
  }
  pictureBox->update();
}

void Form2::switchPreviousAndCurrent() {
  setPreview(false);
  const QString previous = work_.previousPicture;
  if (previous.isEmpty()) return;
  if (FileError error = pictureBox->showFile(previous)) {
    services_.showMessage(this, PictureFailureMessage(error));
    return;
  }
  designedPicture_ = previous;
  title_ = previous;
  showTitle();
  work_.previousPicture = work_.currentPicture;
  work_.currentPicture = previous;
  showPicturePaths();
}

}  // namespace hosei
