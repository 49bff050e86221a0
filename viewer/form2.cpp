#include "form2.h"

#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>

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

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
  auto* label = new QLabel(text, parent);
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

Form2::Form2(PlatformServices& services, QWidget* parent)
    : QWidget(parent, Qt::Window), services_(services) {
  setObjectName(QStringLiteral("Form2"));
  setAttribute(Qt::WA_DeleteOnClose);
  // The main window keeps the keyboard while pictures come and go here.
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFont(GothicFont(kWindowFontPoints));
  setWindowTitle(QString());

  Image1 = new PictureBox(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(TwipsRect(0, 285, 4815, 3015));
  Command1 =
      MakeButton(this, "Command1", QString::fromUtf8(kToActualSize), TwipsRect(2850, 0, 800, 280));
  Command2 = MakeButton(this, "Command2", QStringLiteral("←"), TwipsRect(3720, 0, 550, 280));
  Label3 =
      MakeLabel(this, "Label3", QString::fromUtf8(kZoomSizeCaption), TwipsRect(75, 45, 1335, 180));
  Label1 = MakeLabel(this, "Label1", QString(), TwipsRect(1455, 45, 675, 180));
  Label2 = MakeLabel(this, "Label2", QString(), TwipsRect(2115, 45, 675, 180));
  Label4 = MakeLabel(this, "Label4", QString(), QRect());
  Label4->hide();
  Label5 = MakeLabel(this, "Label5", QString(), QRect());
  Label5->hide();
  Shape1 = new CircleShape(this);
  Shape1->setObjectName(QStringLiteral("Shape1"));

  // The strip's texts are taller than their design boxes in this face; let them show whole
  // without moving their tops.
  for (QLabel* label : {Label1, Label2, Label3})
    label->resize(label->width(), std::max(label->height(), label->fontMetrics().height()));

  setTabOrder(Command1, Command2);
  connect(Command1, &QPushButton::clicked, this, &Form2::switchZoom);
  connect(Command2, &QPushButton::clicked, this, &Form2::switchPreviousAndCurrent);
  connect(Image1, &PictureBox::doubleClicked, this, &Form2::hideCircleOnDoubleClick);
  explainControls();

  resize(TwipsRect(0, 0, 4845, 3420).size());
}

void Form2::setImageSize(int width, int height) {
  Label1->setText(QString::number(width));
  Label2->setText(QString::number(height));
  applySizeRule();
}

FileError Form2::showAsCurrent(const QString& path) {
  QImage picture;
  if (FileError error = LoadPicture(path, picture)) return error;
  Label4->setText(Label5->text());
  Image1->setPicture(picture);
  Label5->setText(path);
  return {};
}

void Form2::setCurrentPath(const QString& path) { Label5->setText(path); }

QString Form2::currentPath() const { return Label5->text(); }

QString Form2::previousPath() const { return Label4->text(); }

bool Form2::zoomMode() const { return Image1->stretch(); }

QRect Form2::pictureArea() const { return Image1->geometry(); }

std::optional<QSizeF> Form2::imageSize() const {
  bool widthOk = false;
  bool heightOk = false;
  const double width = Label1->text().toDouble(&widthOk);
  const double height = Label2->text().toDouble(&heightOk);
  if (!widthOk || !heightOk || !(width > 0) || !(height > 0)) return std::nullopt;
  return QSizeF(width, height);
}

void Form2::applySizeRule() {
  hideCircle();
  const int areaWidth = width();
  const auto image = imageSize();
  if (!image) {
    Image1->setGeometry(0, kStripHeight, areaWidth, Image1->height());
    return;
  }
  const double exact = image->height() * areaWidth / image->width();
  const int areaHeight =
      static_cast<int>(std::clamp(std::lround(exact), 1L, static_cast<long>(kHighestPictureArea)));
  Image1->setGeometry(0, kStripHeight, areaWidth, areaHeight);
  // A fixed height keeps the window system from offering the bottom edge at all; setting it
  // resizes the window, which runs this rule once more with nothing left to change.
  if (minimumHeight() != kStripHeight + areaHeight || maximumHeight() != kStripHeight + areaHeight)
    setFixedHeight(kStripHeight + areaHeight);
}

void Form2::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  applySizeRule();
}

void Form2::switchZoom() {
  if (Image1->stretch()) {
    Image1->setStretch(false);
    Command1->setText(QString::fromUtf8(kToZoom));
    Label3->setText(QString::fromUtf8(kActualSizeCaption));
    hideCircle();
  } else {
    Image1->setStretch(true);
    applySizeRule();
    Command1->setText(QString::fromUtf8(kToActualSize));
    Label3->setText(QString::fromUtf8(kZoomSizeCaption));
  }
  Image1->update();
}

void Form2::switchPreviousAndCurrent() {
  const QString previous = Label4->text();
  if (previous.isEmpty()) return;
  QImage picture;
  if (FileError error = LoadPicture(previous, picture)) {
    services_.showMessage(this, PictureFailureMessage(error));
    return;
  }
  Image1->setPicture(picture);
  setWindowTitle(previous);
  Label4->setText(Label5->text());
  Label5->setText(previous);
}

}  // namespace hosei
