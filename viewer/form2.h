#pragma once

#include <QRect>
#include <QString>
#include <QWidget>
#include <optional>

#include "file_error.h"
#include "moved_centre.h"

class QLabel;
class QPushButton;

namespace hosei {

class CircleShape;
class PictureBox;
class PlatformServices;

// The viewer: the picture being worked on, zoomed or at actual size, its size in dots,
// and a switch between the picture before the last operation and the current one.
// It is told what to show and never looks into the main window.
class Form2 : public QWidget {
  Q_OBJECT

 public:
  explicit Form2(PlatformServices& services, QWidget* parent = nullptr);

  // The size texts: the recorded image size in dots. Writing them re-applies the size rule.
  void setImageSize(int width, int height);
  // Makes the file the picture on screen and keeps the path shown before it for the
  // before/after switch. A file that cannot be shown changes nothing; the caller reports
  // the error (after putting back the pointer it may have set).
  FileError showAsCurrent(const QString& path);
  // Records the current path without loading a picture (Execute names its source here).
  void setCurrentPath(const QString& path);
  QString currentPath() const;
  QString previousPath() const;

  // The guide circles, drawn over the picture in zoom mode (the caller checks the mode).
  // Each replaces the circle shown before; without a recorded image size nothing changes.
  void showVignettingCircle(double startPercent, const std::optional<MovedCentre>& centre);
  void showFogCircle(double x, double y, double radius);
  void hideCircle();
  bool circleShown() const;
  CircleShape* circle() const { return Shape1; }
  bool zoomMode() const;
  // The picture area in the window's pixels.
  QRect pictureArea() const;
  // The size texts read as numbers; nothing while none is recorded or either is zero.
  std::optional<QSizeF> imageSize() const;

  // Only the width is free: the picture area takes the whole client width and the window's
  // height follows from it and the image's aspect ratio, below the strip of buttons.
  void applySizeRule();

 signals:
  void pictureDoubleClicked();
  // The mouse moved over a control that has an explanation for the help line.
  void helpTextShown(const QString& text);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void switchZoom();
  void switchPreviousAndCurrent();
  void hideCircleOnDoubleClick();
  void placeCircle(const QRectF& bounds);
  void explainControls();

  PlatformServices& services_;

  PictureBox* Image1;
  QPushButton* Command1;
  QPushButton* Command2;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
  QLabel* Label5;
  CircleShape* Shape1;
};

}  // namespace hosei
